#include "testsheethost.h"

#include "blockitem.h"
#include "linkednames.h"

void TestSheetHost::recordUndo()
{
    if (undoSuspended)
        return;
    ++snapshots;
    if (onSnapshot)
        onSnapshot();
}

ProgramWidget *TestSheetHost::sheetAt(int index) const
{
    return index >= 0 && index < sheets.size() ? sheets.at(index) : nullptr;
}

void TestSheetHost::setInputUserName(const QString &name, const QString &userName)
{
    calls.append(QStringLiteral("setInputUserName(%1,%2)").arg(name, userName));
    if (design)
        LinkedNames::setInputUserName(*design, name, userName);
}

void TestSheetHost::setLabelUserName(const QString &name, const QString &userName)
{
    calls.append(QStringLiteral("setLabelUserName(%1,%2)").arg(name, userName));
    if (design)
        LinkedNames::setLabelUserName(*design, name, userName);
}

void TestSheetHost::setInputName(BlockItem *block, const QString &newName)
{
    calls.append(
        QStringLiteral("setInputName(%1,%2)").arg(block ? block->name() : QString(), newName));
    if (design)
        LinkedNames::setInputName(*design, block, newName);
}

void TestSheetHost::removeLinkedLabels(const QString &name)
{
    calls.append(QStringLiteral("removeLinkedLabels(%1)").arg(name));
    if (design)
        LinkedNames::removeLinkedLabels(*design, *this, name);
}
