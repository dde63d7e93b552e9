// Services of the sheet for the settings dialogs, the main window and the
// document reader.

#include "programwidget.h"

#include "blockitem.h"
#include "blockmode.h"
#include "labelwidget.h"
#include "programdata.h"
#include "sheethost.h"

#include <QLabel>
#include <QStringList>
#include <QTextStream>

void ProgramWidget::lookupItem(const QString &kind, QStringList &out)
{
    if (programData)
        programData->candidateNames(kind, out, sheetIndex);
}

bool ProgramWidget::checkName(const QString &name, bool checkNames)
{
    return programData && programData->isNameFree(name, checkNames);
}

BlockItem *ProgramWidget::findBlock(const QString &name, int sheet)
{
    if (!programData)
        return nullptr;
    for (BlockItem *block : qAsConst(programData->inputBlocks)) {
        if (block->name() == name && (sheet < 0 || block->sheet() == sheet))
            return block;
    }
    return nullptr;
}

void ProgramWidget::shareChannelSettings(BlockItem *block, const QString &channel)
{
    if (programData && block)
        programData->setChannelSettings(channel, block->params());
}

void ProgramWidget::updateItemView(BlockItem *block, const QString &text)
{
    if (block) {
        const QString kind = block->kind();
        QString base;
        bool storeBase = true;
        if (kind.startsWith(QLatin1String("CntFnc"))) {
            base = BlockMode::counterMode(block) == 9 ? QStringLiteral(":/images/Function0.png")
                                                      : QStringLiteral(":/images/Function.png");
        } else if (kind.indexOf(QLatin1String("Logic")) > 0) {
            storeBase = false;
        } else if (kind.startsWith(QLatin1String("MsrCnt"))) {
            const int mode = BlockMode::measureMode(block);
            if (mode == 0)
                base = QStringLiteral(":/images/MsrCnt3.png");
            else if ((mode & 0x3) == 0)
                base = QStringLiteral(":/images/MsrCnt2.png");
            else if ((mode & 0xC) != 0)
                base = QStringLiteral(":/images/MsrCnt.png");
            else
                base = QStringLiteral(":/images/MsrCnt1.png");
        }

        if (!base.isEmpty() || !storeBase) {
            if (storeBase)
                block->setBasePixmap(QPixmap(base));
            block->setPixmap(captionedPixmap(block->basePixmap(), block->displayName(), false));
            if (QLabel *label = block->owner()) {
                label->setPixmap(block->pixmap());
                label->show();
            }
        } else if (kind.startsWith(QLatin1String("OUT-CH"))) {
            block->setKind(text);
            block->setName(text);
        } else if (kind == QLatin1String("Input")) {
            if (mainWindow)
                mainWindow->setInputName(block, text);
        }
    }
    // Every settings change is an edit: without a snapshot it would neither
    // mark the design modified nor be undoable.
    recordUndo();
}

void ProgramWidget::renameItem(const QString &oldName, const QString &newName)
{
    if (oldName.contains(QLatin1String("FeedBack")) || oldName.contains(QLatin1String("Label"))) {
        if (labelWidget)
            labelWidget->setLabelText(oldName, newName);
        if (mainWindow)
            mainWindow->setLabelUserName(oldName, newName);
    } else if (oldName.startsWith(QLatin1String("IN-"))) {
        if (mainWindow)
            mainWindow->setInputUserName(oldName, newName);
    }
    recordUndo();
}

void ProgramWidget::writeItems(QTextStream *stream, int indent)
{
    if (!stream)
        return;
    for (QMap<int, BlockItem *> *map :
         {&inputItems, &preLogicItems, &functionItems, &postLogicItems, &outputItems}) {
        for (BlockItem *block : qAsConst(*map))
            block->writeXml(*stream, block->kind(), indent);
    }
}

BlockItem *ProgramWidget::addInputItem(QString &name)
{
    const int row = findFreeRow(inputItems, columnPitch[InputColumn], 0, 1);
    // A full column takes no block: the reader leaves that input unconnected.
    if (row < 0 || !programData)
        return nullptr;
    BlockItem *block = programData->createInput(row, sheetIndex, name);
    if (!block)
        return nullptr;
    // A channel that stands elsewhere already brings its user name and settings along.
    programData->adoptChannelUserName(block, block->name());
    programData->adoptChannelSettings(block, block->name());
    auto *label = new QLabel(this);
    label->setPixmap(block->pixmap());
    label->resize(block->pixmap().size());
    block->setPos(QPoint(columnX[InputColumn], 106 + columnPitch[InputColumn] * row));
    block->setOwner(label);
    attachItemActions(label, block, true, true);
    name = QStringLiteral("Input");
    block->setKind(name);
    inputItems.insert(row, block);
    label->move(block->pos());
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    return block;
}

void ProgramWidget::clearSheet()
{
    // Each column is walked over a copy: deleting a label source deletes its
    // users, which may stand on this sheet too.
    auto destroy = [this](BlockItem *block) {
        QLabel *label = block->owner();
        forgetBlock(block);
        if (programData)
            programData->deleteBlock(block);
        releaseLabel(label);
    };
    auto stillHere = [](const QMap<int, BlockItem *> &map, int row, BlockItem *block) {
        return map.value(row) == block;
    };

    const QMap<int, BlockItem *> pre = preLogicItems;
    for (auto it = pre.cbegin(); it != pre.cend(); ++it) {
        BlockItem *block = it.value();
        if (!stillHere(preLogicItems, it.key(), block))
            continue;
        const QString kind = block->kind();
        const QVector<BlockItem *> fed = block->outputs();
        if (kind.startsWith(QLatin1String("FeedBack"))) {
            for (int i = 0; i < fed.size(); ++i)
                giveUnit(QStringLiteral("FeedBackInfo"));
            if (labelWidget)
                labelWidget->setLabelUsed(kind, false);
        } else {
            for (BlockItem *target : fed) {
                if (target->kind() == QLatin1String("CntFnc") ||
                    target->kind() == QLatin1String("DlyFnc"))
                    giveUnit(QStringLiteral("PreLogicInfo"));
            }
            if (kind.contains(QLatin1String("Label")) && labelWidget)
                labelWidget->setLabelUsed(QString(kind).remove(QLatin1String("Pre")), false);
        }
        destroy(block);
    }

    const QMap<int, BlockItem *> functions = functionItems;
    for (auto it = functions.cbegin(); it != functions.cend(); ++it) {
        BlockItem *block = it.value();
        if (!stillHere(functionItems, it.key(), block))
            continue;
        const QString kind = block->kind();
        if (!kind.contains(QLatin1String("Label")))
            giveUnit(kind);
        else if (kind.startsWith(QLatin1String("PreLabel")))
            removeLabelSource(block);
        else if (labelWidget)
            labelWidget->setLabelUsed(kind, false); // a user: only its mark goes
        destroy(block);
    }

    const QMap<int, BlockItem *> posts = postLogicItems;
    for (auto it = posts.cbegin(); it != posts.cend(); ++it) {
        BlockItem *block = it.value();
        if (!stillHere(postLogicItems, it.key(), block))
            continue;
        if (block->kind().startsWith(QLatin1String("Label")))
            removeLabelSource(block);
        destroy(block);
    }

    const QMap<int, BlockItem *> outputs = outputItems;
    for (auto it = outputs.cbegin(); it != outputs.cend(); ++it) {
        BlockItem *block = it.value();
        if (!stillHere(outputItems, it.key(), block))
            continue;
        const QString kind = block->kind();
        if (kind.contains(QLatin1String("FeedBack")))
            removeLabelSource(block);
        giveUnit(unitOfOutput(kind));
        destroy(block);
    }

    currentItem = nullptr;
    update();
}
