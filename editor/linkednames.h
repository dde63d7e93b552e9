#ifndef LINKEDNAMES_H
#define LINKEDNAMES_H

#include <QString>

class BlockItem;
class ProgramData;
class SheetHost;

// Keeps the blocks linked by one name consistent across sheets: an input
// channel and a label show one user name everywhere, and the users of a
// deleted label source go with it. The main window's operations of the same
// names call these with its design container and itself.
class LinkedNames
{
public:
    static void setInputUserName(ProgramData &design, const QString &name, const QString &userName);
    static void setLabelUserName(ProgramData &design, const QString &name, const QString &userName);
    static void setInputName(ProgramData &design, BlockItem *block, const QString &newName);
    static void removeLinkedLabels(ProgramData &design, SheetHost &host, const QString &name);

    // The user name goes on the block and its label shows the new picture.
    static void refresh(BlockItem *block, const QString &userName);
};

#endif // LINKEDNAMES_H
