#ifndef CNTFNCTABLE_H
#define CNTFNCTABLE_H

#include "blockmode.h"

#include <QString>
#include <QtGlobal>

// Modes of a counter function unit: the two values each mode takes, their
// labels and their smallest settings.
namespace CntFnc {

const int modeCount = BlockMode::counterModes;
const int dividerMode = 10;

// Main minimum of mode m at [m], sub minimum at [modeCount + m]: nanoseconds,
// counts in the divider mode.
extern const quint8 minTable[2 * modeCount];

// The mode itself when it is one, else 0, so that it never indexes past the
// tables.
int validMode(int mode);

unsigned int mainMinimum(int mode);
unsigned int subMinimum(int mode);
bool isOscillator(int mode);

// The field labels of a mode, with their mnemonics, translated.
QString mainLabel(int mode);
QString subLabel(int mode);

} // namespace CntFnc

#endif // CNTFNCTABLE_H
