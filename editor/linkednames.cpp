#include "linkednames.h"

#include "blockitem.h"
#include "programdata.h"
#include "programwidget.h"
#include "sheethost.h"

#include <QLabel>
#include <QVector>

void LinkedNames::refresh(BlockItem *block, const QString &userName)
{
    block->setUserName(userName);
    if (QLabel *label = block->owner()) {
        label->setPixmap(block->pixmap());
        label->show();
    }
}

void LinkedNames::setInputUserName(ProgramData &design, const QString &name,
                                   const QString &userName)
{
    // Every block of the channel, whatever sheet it stands on: a document may
    // even hold one channel twice on a sheet.
    const QVector<BlockItem *> blocks = design.inputBlocks;
    for (BlockItem *block : blocks) {
        if (block->name() == name)
            refresh(block, userName);
    }
}

void LinkedNames::setLabelUserName(ProgramData &design, const QString &name,
                                   const QString &userName)
{
    for (BlockItem *source : qAsConst(design.sinkBlocks)) {
        if (source->name() == name) {
            refresh(source, userName);
            break;
        }
    }
    const QVector<BlockItem *> users = design.labelBlocks;
    for (BlockItem *user : users) {
        if (user->name() == name)
            refresh(user, userName);
    }
}

void LinkedNames::setInputName(ProgramData &design, BlockItem *block, const QString &newName)
{
    if (!block)
        return;
    QString display = block->displayName();
    for (BlockItem *channel : qAsConst(design.inputBlocks)) {
        if (channel->name() != newName)
            continue;
        // One common user name for the channel: the block either takes over the
        // channel's display name or hands its own to the channel.
        if (display == newName)
            display = channel->displayName();
        else
            setInputUserName(design, newName, display);
        break;
    }
    refresh(block, display);
    block->setName(newName);
}

void LinkedNames::removeLinkedLabels(ProgramData &design, SheetHost &host, const QString &name)
{
    const bool suspended = host.isUndoSuspended();
    host.setUndoSuspended(true);
    // Work on a copy: each deletion takes its block out of the container's list.
    const QVector<BlockItem *> users = design.labelBlocks;
    for (BlockItem *user : users) {
        if (!design.labelBlocks.contains(user) || user->name() != name)
            continue;
        ProgramWidget *sheet = host.sheetAt(user->sheet());
        if (sheet)
            sheet->deleteItem(user);
        else
            design.deleteBlock(user); // its sheet is gone: nothing shows it any more
    }
    host.setUndoSuspended(suspended);
}
