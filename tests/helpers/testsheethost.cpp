#include "testsheethost.h"

void TestSheetHost::recordUndo()
{
    if (!undoSuspended)
        ++snapshots;
}

ProgramWidget *TestSheetHost::sheetAt(int index) const
{
    return index >= 0 && index < sheets.size() ? sheets.at(index) : nullptr;
}
