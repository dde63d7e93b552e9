// Deleting blocks and wires: palette units, net units and label marks go back.

#include "programwidget.h"

#include "blockitem.h"
#include "labelwidget.h"
#include "programdata.h"
#include "sheethost.h"

#include <QAction>
#include <QLabel>

namespace {

bool isFunctionBlockKind(const QString &kind)
{
    return kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc");
}

// The name of the label that a source block defines.
QString labelNameOf(BlockItem *source)
{
    const QString &name = source->name();
    const int at = name.indexOf(source->kind());
    return at < 0 ? name : name.mid(at);
}

} // namespace

QString ProgramWidget::unitOfOutput(const QString &kind)
{
    // Outputs and counters carry their channel name as kind word.
    if (kind.startsWith(QLatin1String("OUT-CH")))
        return QStringLiteral("OUT-CH");
    if (kind.startsWith(QLatin1String("MsrCnt")))
        return QStringLiteral("MsrCnt");
    return kind;
}

void ProgramWidget::releaseLabel(QLabel *label)
{
    if (!label)
        return;
    // The label and its actions may be the ones running now (Delete): they go later. Hidden,
    // not closed: closing a label whose sheet is not shown scans every top-level widget.
    const QList<QAction *> actions = label->actions();
    for (QAction *action : actions) {
        label->removeAction(action);
        if (action->parent() == this)
            action->deleteLater();
    }
    label->hide();
    label->deleteLater();
}

void ProgramWidget::removeLabelSource(BlockItem *block)
{
    const QString name = labelNameOf(block);
    // A user of the label (however its kind word reads) is never its source:
    // removing the users would destroy this very block under its caller.
    if (programData && programData->labelBlocks.contains(block)) {
        if (labelWidget)
            labelWidget->setLabelUsed(name, false);
        return;
    }
    if (mainWindow)
        mainWindow->removeLinkedLabels(name);
    if (labelWidget)
        labelWidget->removeLabel(name);
}

void ProgramWidget::deleteItem(BlockItem *block)
{
    if (!block)
        return;
    const QString kind = block->kind();

    if (inputItems.key(block, -1) >= 0)
        inputItems.remove(inputItems.key(block));

    if (preLogicItems.key(block, -1) >= 0) {
        const QVector<BlockItem *> fed = block->outputs();
        if (kind == QLatin1String("PreLogic") || kind.contains(QLatin1String("Label"))) {
            for (BlockItem *target : fed) {
                if (isFunctionBlockKind(target->kind()))
                    giveUnit(QStringLiteral("PreLogicInfo"));
            }
            if (kind.contains(QLatin1String("Label")) && labelWidget)
                labelWidget->setLabelUsed(QString(kind).remove(QLatin1String("Pre")), false);
        } else {
            if (kind.startsWith(QLatin1String("FeedBack"))) {
                for (int i = 0; i < fed.size(); ++i)
                    giveUnit(QStringLiteral("FeedBackInfo"));
            }
            if (labelWidget)
                labelWidget->setLabelUsed(kind, false);
        }
        preLogicItems.remove(preLogicItems.key(block));
    }

    if (functionItems.key(block, -1) >= 0) {
        if (kind.contains(QLatin1String("Label"))) {
            if (kind.startsWith(QLatin1String("PreLabel")))
                removeLabelSource(block);
            else if (labelWidget)
                labelWidget->setLabelUsed(kind, false);
        } else {
            giveUnit(kind);
            BlockItem *source = block->inputAt(0);
            if (isFunctionBlockKind(kind) && source) {
                const QString &sourceKind = source->kind();
                giveUnit(sourceKind == QLatin1String("PreLogic") ||
                                 sourceKind.contains(QLatin1String("Label"))
                             ? QStringLiteral("PreLogicInfo")
                             : QStringLiteral("FeedBackInfo"));
            }
        }
        functionItems.remove(functionItems.key(block));
    }

    if (postLogicItems.key(block, -1) >= 0) {
        if (kind.startsWith(QLatin1String("Label")))
            removeLabelSource(block);
        postLogicItems.remove(postLogicItems.key(block));
    }

    if (outputItems.key(block, -1) >= 0) {
        if (kind.contains(QLatin1String("FeedBack")))
            removeLabelSource(block);
        giveUnit(unitOfOutput(kind));
        outputItems.remove(outputItems.key(block));
    }

    // Nothing of the sheet may point at the block once the container frees it.
    QLabel *label = block->owner();
    forgetBlock(block);
    if (programData)
        programData->deleteBlock(block);
    releaseLabel(label);
    lineSelected = false;
    currentItem = nullptr;
    update();
    recordUndo();
}

void ProgramWidget::giveWireUnit(BlockItem *source, BlockItem *target)
{
    const QString &sourceKind = source->kind();
    if (sourceKind == QLatin1String("PreLogic") || sourceKind.contains(QLatin1String("Label"))) {
        if (isFunctionBlockKind(target->kind()))
            giveUnit(QStringLiteral("PreLogicInfo"));
    } else if (sourceKind.startsWith(QLatin1String("FeedBack"))) {
        giveUnit(QStringLiteral("FeedBackInfo"));
    }
}

void ProgramWidget::deleteLine()
{
    BlockItem *source = currentItem ? currentItem->sourceAt(pressPos) : nullptr;
    if (source) {
        giveWireUnit(source, currentItem);
        source->removeOutput(currentItem);
        currentItem->removeInputLine(lineEndPos);
    }
    lineSelected = false;
    update();
    recordUndo();
}

void ProgramWidget::deleteInput(BlockItem *block, int port)
{
    BlockItem *source = block ? block->inputAt(port) : nullptr;
    if (!source)
        return;
    giveWireUnit(source, block);
    source->removeOutput(block);
    block->removeInput(port);
    update();
    recordUndo();
}

void ProgramWidget::deleteSelection()
{
    if (lineSelected) {
        deleteLine();
        lineSelected = false;
    } else if (!selection.isEmpty()) {
        const bool suspended = mainWindow && mainWindow->isUndoSuspended();
        if (mainWindow)
            mainWindow->setUndoSuspended(true);
        // A copy: each deletion takes its block out of the selection, and a
        // deleted label source may take selected users with it.
        const QVector<BlockItem *> doomed = selection;
        for (BlockItem *block : doomed) {
            if (selection.contains(block))
                deleteItem(block);
        }
        selection.clear();
        if (mainWindow)
            mainWindow->setUndoSuspended(suspended);
        recordUndo();
    } else if (currentItem) {
        deleteItem(currentItem);
        currentItem = nullptr;
    }
    emit itemSelect(false);
}
