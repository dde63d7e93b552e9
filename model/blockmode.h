#ifndef BLOCKMODE_H
#define BLOCKMODE_H

#include <QString>

class BlockItem;

// The one reading of a block's "Mode" setting, shared by the settings dialogs,
// the compiler, the design rule check and the counter window: a value that is
// not a decimal number within the modes of the block's kind counts as mode 0,
// so the module never gets a mode the dialogs cannot show.
class BlockMode
{
public:
    // Counter functions: modes 0 to 10. Measurement counters: SRC x 4 + GATE.
    static const int counterModes = 11;
    static const int measureModes = 16;

    // The mode of a "Mode" value among `count` modes. *valid is false for a
    // value that is given but is no such mode; an absent or empty value is
    // mode 0 and valid.
    static int read(const QString &text, int count, bool *valid = nullptr);
    static int counterMode(BlockItem *block, bool *valid = nullptr);
    static int measureMode(BlockItem *block, bool *valid = nullptr);
};

#endif // BLOCKMODE_H
