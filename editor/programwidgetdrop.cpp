// Drops on the sheet: new blocks from the palette and the label strip, wire
// ends, moves and the rubber band; and the placing helpers other parts reuse.

#include "programwidget.h"

#include "blockitem.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "nim_in.h"
#include "nimactioncopy.h"
#include "nimactioncut.h"
#include "nimactiondelete.h"
#include "nimactionedit.h"
#include "nimactionrename.h"
#include "programdata.h"
#include "sheethost.h"

#include <QDropEvent>
#include <QLabel>
#include <QRect>
#include <QStringList>
#include <algorithm>

namespace {

const int lastRowBottom = 924; // row * pitch may not exceed it

bool isCreationText(const QString &text)
{
    static const char *const equal[] = {"PreLogic", "PostLogic", "Input",
                                        "NonFnc",   "DlyFnc",    "CntFnc"};
    static const char *const prefix[] = {"MsrCnt", "OUT-CH", "FeedBack", "PreLabel", "Label"};
    for (const char *word : equal) {
        if (text == QLatin1String(word))
            return true;
    }
    for (const char *word : prefix) {
        if (text.startsWith(QLatin1String(word)))
            return true;
    }
    return false;
}

bool isFeedBackKind(BlockItem *block)
{
    return block->kind().startsWith(QLatin1String("FeedBack"));
}

BlockItem *blockNamed(const QMap<int, BlockItem *> &map, const QString &name)
{
    for (BlockItem *block : map) {
        if (block->name() == name)
            return block;
    }
    return nullptr;
}

} // namespace

int ProgramWidget::findFreeRow(const QMap<int, BlockItem *> &map, int pitch, int start, int step)
{
    int row = start;
    while (map.contains(row)) {
        row += step;
        if (row < 0)
            return row;
    }
    return row * pitch <= lastRowBottom ? row : -1;
}

int ProgramWidget::findFreeRowNear(const QMap<int, BlockItem *> &map, int pitch, int row, int step,
                                   int y, const QPoint *target)
{
    if (!target)
        return findFreeRow(map, pitch, row + step, step);
    int result = -1;
    int candidate = row + step;
    for (;;) {
        candidate = findFreeRow(map, pitch, candidate, step);
        if (candidate < 0)
            return result;
        const int top = y + (candidate - row) * pitch;
        if (top < target->y() && target->y() < top + pitch)
            return candidate;
        if ((step > 0 && top > target->y()) || (step < 0 && top < target->y()))
            return result;
        result = candidate;
        candidate += step;
    }
}

void ProgramWidget::attachItemActions(QLabel *label, BlockItem *block, bool withEdit,
                                      bool withRename)
{
    label->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (withEdit)
        label->addAction(block->createEditAction(this));
    label->addAction(block->createCutAction(this));
    label->addAction(block->createCopyAction(this));
    label->addAction(block->createDeleteAction(this));
    if (withRename)
        label->addAction(block->createRenameAction(this));
}

void ProgramWidget::makeUniqueName(QString &name, const QStringList &taken)
{
    if (name == QLatin1String("IN-USER") || name == QLatin1String("IN-OPT"))
        name = QStringLiteral("IN-CH0");
    if (!programData || programData->isNameFree(name, true))
        return;
    QString stem = name;
    if (!stem.isEmpty() && stem.at(stem.size() - 1).isDigit())
        stem.chop(1);
    // A block rules out at most two candidates (its name and its user name),
    // a taken name one, so a free one lies within this bound unless the stem
    // is a reserved prefix.
    const int blocks = programData->inputBlocks.size() + programData->preLogicBlocks.size() +
                       programData->functionBlocks.size() + programData->postLogicBlocks.size() +
                       programData->sinkBlocks.size() + programData->labelBlocks.size();
    int last = 2 * blocks + taken.size();
    if (stem.startsWith(QLatin1String("IN-CH")))
        last = 7;
    for (int n = 0; n <= last; ++n) {
        const QString candidate = stem + QString::number(n);
        if (!taken.contains(candidate) && programData->isNameFree(candidate, true)) {
            name = candidate;
            return;
        }
    }
    name.clear();
}

bool ProgramWidget::takeUnit(const QString &kind)
{
    return !menuWidget || menuWidget->adjustQuota(-1, kind);
}

void ProgramWidget::giveUnit(const QString &kind)
{
    if (menuWidget)
        menuWidget->adjustQuota(1, kind);
}

void ProgramWidget::recordUndo()
{
    if (mainWindow)
        mainWindow->recordUndo();
}

void ProgramWidget::dropEvent(QDropEvent *event)
{
    movingItems = false;
    rubberBand = false;
    QString text;
    QPoint point;
    if (!readTextPayload(event->mimeData(), text, point)) {
        event->ignore();
        drawingLine = false;
        update();
        return;
    }
    dragPos = event->pos();
    const bool fromHere = dragSource(event) == this;

    if (text == QLatin1String("Zivrarect")) {
        selectInRect(new QRect(pressPos, dragPos));
    } else if (text == QLatin1String("Zivramove")) {
        // A move names no block of its own: it moves the block pressed on this
        // sheet, so a payload from elsewhere has nothing to move.
        if (!currentItem || !fromHere) {
            event->ignore();
            drawingLine = false;
            update();
            return;
        }
        dropMove();
    } else if (isCreationText(text)) {
        if (fromHere || !dropNewBlock(text)) {
            event->ignore();
            drawingLine = false;
            update();
            return;
        }
    } else {
        dropWireEnd(text);
    }

    if (fromHere) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
    drawingLine = false;
    update();
}

void ProgramWidget::dropMove()
{
    const QPoint origin = currentItem->pos();
    const int step = origin.y() <= dragPos.y() ? 1 : -1;
    if (selection.isEmpty()) {
        if (origin.x() == columnX[PostLogicColumn])
            moveItemColumn(currentItem, dragPos.x() < columnX[PostLogicColumn]);
        else if (dragPos.x() > origin.x() + 141)
            moveItemColumn(currentItem, false);
        // A column move replaces the block: move what is current now.
        if (currentItem)
            moveItemRows(currentItem, step, &dragPos);
    } else {
        const bool suspended = mainWindow && mainWindow->isUndoSuspended();
        if (mainWindow)
            mainWindow->setUndoSuspended(true);
        // The block nearest the direction goes first, so each finds the row
        // the one before it left.
        QVector<BlockItem *> moving = selection;
        if (step > 0)
            std::reverse(moving.begin(), moving.end());
        for (BlockItem *block : qAsConst(moving)) {
            const QPoint target(block->pos().x() - origin.x() + dragPos.x(),
                                block->pos().y() - origin.y() + dragPos.y());
            moveItemRows(block, step, &target);
        }
        if (mainWindow)
            mainWindow->setUndoSuspended(suspended);
        recordUndo();
    }
    showSelected(currentItem);
    movingItems = false;
}

bool ProgramWidget::dropNewBlock(const QString &text)
{
    auto *label = new QLabel(this);
    if (currentItem) {
        showPlain(currentItem);
        currentItem = nullptr;
    }

    enum Factory {
        Input,
        PreLogicBlock,
        PostLogicBlock,
        LabelSource,
        PreLabelUser,
        FncLabelUser,
        CntFnc,
        DlyFnc,
        NonFnc,
        MsrCnt,
        Out,
        FeedBackSource,
        FeedBackUser
    };
    struct Row {
        Column column;
        int top; // y of row 0
        Factory factory;
        QString unit; // palette unit taken first; empty for none
        bool edit;
        bool rename;
        QString kind; // empty: the block's name
    };
    Row row;
    if (text == QLatin1String("Input"))
        row = {InputColumn, 106, Input, QString(), true, true, text};
    else if (text == QLatin1String("PreLogic"))
        row = {PreLogicColumn, 90, PreLogicBlock, QString(), true, true, text};
    else if (text == QLatin1String("PostLogic"))
        row = {PostLogicColumn, 90, PostLogicBlock, QString(), true, true, text};
    else if (text == QLatin1String("Label") && dragPos.x() < columnX[PostLogicColumn])
        row = {
            FunctionColumn, 106, LabelSource, QString(), false, true, QStringLiteral("PreLabel")};
    else if (text == QLatin1String("Label"))
        row = {PostLogicColumn, 106, LabelSource, QString(), false, true, text};
    else if (text.contains(QLatin1String("PreLabel")))
        row = {PreLogicColumn, 106, PreLabelUser, QString(), false, false, text};
    else if (text.contains(QLatin1String("Label")))
        row = {FunctionColumn, 106, FncLabelUser, QString(), false, false, text};
    else if (text == QLatin1String("CntFnc"))
        row = {FunctionColumn, 104, CntFnc, text, true, true, text};
    else if (text == QLatin1String("DlyFnc"))
        row = {FunctionColumn, 104, DlyFnc, text, true, true, text};
    else if (text == QLatin1String("NonFnc"))
        row = {FunctionColumn, 116, NonFnc, text, false, false, text};
    else if (text.startsWith(QLatin1String("MsrCnt")))
        row = {OutputColumn, 104, MsrCnt, QStringLiteral("MsrCnt"), true, true, QString()};
    else if (text.startsWith(QLatin1String("OUT-CH")))
        row = {OutputColumn, 106, Out, QStringLiteral("OUT-CH"), true, true, QString()};
    else if (text == QLatin1String("FeedBack"))
        row = {OutputColumn, 106, FeedBackSource, text, false, true, text};
    else if (text.startsWith(QLatin1String("FeedBack")))
        row = {PreLogicColumn, 106, FeedBackUser, QString(), false, false, text};
    else {
        delete label;
        return true;
    }

    QMap<int, BlockItem *> *map = mapOf(row.column);
    const int pitch = columnPitch[row.column];
    const int r = findFreeRow(*map, pitch, 0, 1);
    if (r < 0 || !programData) {
        if (row.factory == FeedBackUser && labelWidget)
            labelWidget->setLabelUsed(text, false);
        delete label;
        return true;
    }
    // Units are taken by the kind they count, whichever palette entry was
    // pressed last: a payload from elsewhere cannot take another kind's unit.
    if (!row.unit.isEmpty() && !takeUnit(row.unit)) {
        delete label;
        return true;
    }

    BlockItem *block = nullptr;
    QString name = text;
    switch (row.factory) {
    case Input:
        block = programData->findOrCreateInput(r, sheetIndex);
        break;
    case PreLogicBlock:
        block = programData->createDefaultPreLogic(r, sheetIndex);
        break;
    case PostLogicBlock:
        block = programData->createDefaultPostLogic(r, sheetIndex);
        break;
    case LabelSource:
        block = programData->createDefaultLabelIN(r, sheetIndex);
        break;
    case PreLabelUser:
        block = programData->createLabel(r, sheetIndex, name.remove(QLatin1String("Pre")));
        break;
    case FncLabelUser:
        block = programData->createFncLabel(r, sheetIndex, text);
        break;
    case CntFnc:
        block = programData->createDefaultCntFnc(r, sheetIndex);
        break;
    case DlyFnc:
        block = programData->createDefaultDlyFnc(r, sheetIndex);
        break;
    case NonFnc:
        name.clear();
        block = programData->createDefaultNonFnc(r, sheetIndex, name);
        break;
    case MsrCnt:
        block = programData->createDefaultMsrCnt(r, sheetIndex, name);
        break;
    case Out:
        block = programData->createDefaultOut(r, sheetIndex, name);
        break;
    case FeedBackSource:
        block = programData->createDefaultFeedBackIN(r, sheetIndex);
        break;
    case FeedBackUser:
        block = programData->createLabel(r, sheetIndex, text);
        break;
    }
    if (!block) {
        // No channel name left: the unit taken for it goes back.
        if (!row.unit.isEmpty())
            giveUnit(row.unit);
        delete label;
        return false;
    }

    if (row.factory == PreLogicBlock || row.factory == PostLogicBlock) {
        block->setPixmap(captionedPixmap(block->basePixmap(), block->displayName(), true));
    } else if (row.factory == PreLabelUser || row.factory == FncLabelUser ||
               row.factory == FeedBackUser) {
        if (labelWidget)
            block->setUserName(labelWidget->setLabelUsed(block->name(), true));
    }

    const QPoint pos(columnX[row.column], row.top + pitch * r);
    block->setPos(pos);
    block->setOwner(label);
    attachItemActions(label, block, row.edit, row.rename);
    block->setKind(row.kind.isEmpty() ? block->name() : row.kind);
    currentItem = block;
    map->insert(r, block);

    label->setPixmap(tintedPixmap(block->pixmap(), selectionColor));
    label->resize(block->pixmap().size());
    label->move(pos);
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    recordUndo();
    emit itemSelect(true);
    return true;
}

void ProgramWidget::dropWireEnd(const QString &text)
{
    const int x = dragPos.x();
    const int dropY = dragPos.y();
    if (x < 142 || !programData)
        return;

    if (x <= 283) {
        BlockItem *source = nullptr;
        for (BlockItem *block : qAsConst(programData->inputBlocks)) {
            if (block->sheet() == sheetIndex && block->name() == text) {
                source = block;
                break;
            }
        }
        if (!source)
            return;
        for (BlockItem *target : qAsConst(preLogicItems)) {
            const int y = target->pos().y();
            if (target->kind() == QLatin1String("PreLogic") && y < dropY && dropY <= y + 67) {
                if (target->connectInput(-1, source) >= 0)
                    recordUndo();
                return;
            }
        }
        return;
    }

    if (x <= 421) {
        QString cut = text;
        const int feedBackAt = text.indexOf(QLatin1String("FeedBack"));
        const int labelAt = text.indexOf(QLatin1String("Label"));
        if (feedBackAt > 0)
            cut = text.mid(feedBackAt);
        else if (labelAt > 0)
            cut = text.mid(labelAt);
        BlockItem *source = blockNamed(preLogicItems, cut);
        if (!source)
            return;
        for (BlockItem *target : qAsConst(functionItems)) {
            const int y = target->pos().y();
            if (y - 29 <= dropY && dropY <= y + 29) {
                connectFunctionInput(target, source, cut);
                return;
            }
        }
        return;
    }

    if (x <= 563) {
        QString cut = text;
        const int labelAt = text.indexOf(QLatin1String("Label"));
        if (labelAt > 0)
            cut = text.mid(labelAt);
        BlockItem *source = blockNamed(functionItems, cut);
        if (!source)
            return;
        for (BlockItem *target : qAsConst(postLogicItems)) {
            if (!target->contains(sheetIndex, dragPos))
                continue;
            if (target->kind().startsWith(QLatin1String("Label"))) {
                // A label source takes a function block, never another label.
                if (!cut.contains(QLatin1String("Label"))) {
                    target->connectInput(0, source);
                    recordUndo();
                }
            } else if (target->connectInput(-1, source) >= 0) {
                recordUndo();
            }
            return;
        }
        return;
    }

    BlockItem *source = blockNamed(postLogicItems, text);
    if (!source)
        return;
    for (BlockItem *target : qAsConst(outputItems)) {
        const int y = target->pos().y();
        if (y < dropY && dropY <= y + 39) {
            int port = 0;
            if (target->kind().startsWith(QLatin1String("MsrCnt")))
                port = dropY < y + target->pixmap().height() / 2 ? 0 : 1;
            target->connectInput(port, source);
            recordUndo();
            return;
        }
    }
}

void ProgramWidget::connectFunctionInput(BlockItem *target, BlockItem *source,
                                         const QString &sourceText)
{
    const QString &kind = target->kind();
    if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc")) {
        const QString feedBackUnit = QStringLiteral("FeedBackInfo");
        const QString preLogicUnit = QStringLiteral("PreLogicInfo");
        const bool newFeedBack = isFeedBackKind(source);
        BlockItem *previous = target->inputAt(0);
        if (previous && isFeedBackKind(previous) == newFeedBack) {
            // The wire keeps its kind of unit.
            target->connectInput(0, source);
            recordUndo();
            return;
        }
        if (!takeUnit(newFeedBack ? feedBackUnit : preLogicUnit))
            return; // the old wire, if any, stays
        target->connectInput(0, source);
        recordUndo();
        if (previous)
            giveUnit(newFeedBack ? preLogicUnit : feedBackUnit);
    } else if (kind == QLatin1String("NonFnc")) {
        if (sourceText.startsWith(QLatin1String("FeedBack"))) {
            ModalHooks::warning(
                this, QString(),
                tr("Cannot connect FeedBack and NonFnc. Please use DlyFnc with delay value 0."));
            return;
        }
        target->connectInput(0, source);
        recordUndo();
    } else if (kind == QLatin1String("PreLabel")) {
        if (sourceText.startsWith(QLatin1String("PreLgc"))) {
            target->connectInput(0, source);
            recordUndo();
        }
    }
}
