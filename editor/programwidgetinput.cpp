// Presses and keys on the sheet: selection, the start of moves, wires and the
// rubber band, row and column moves.

#include "programwidget.h"

#include "blockitem.h"
#include "labelwidget.h"
#include "programdata.h"
#include "sheethost.h"

#include <QDrag>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QRect>

namespace {

const QColor moveVeil(200, 200, 200, 200);

BlockItem *firstContaining(const QMap<int, BlockItem *> &map, int sheet, const QPoint &point)
{
    for (BlockItem *block : map) {
        if (block->contains(sheet, point))
            return block;
    }
    return nullptr;
}

} // namespace

BlockItem *ProgramWidget::blockAtPress(const QPoint &point)
{
    const Column column = columnAt(point.x());
    if (column == InputColumn) {
        if (!programData)
            return nullptr;
        for (BlockItem *block : qAsConst(programData->inputBlocks)) {
            if (block->sheet() == sheetIndex && block->contains(-1, point))
                return block;
        }
        return nullptr;
    }
    return firstContaining(*mapOf(column), sheetIndex, point);
}

void ProgramWidget::mousePressEvent(QMouseEvent *event)
{
    const bool control = mainWindow && mainWindow->isControlKeyHeld();
    const bool shift = mainWindow && mainWindow->isShiftKeyHeld();

    // The press before this one becomes the anchor of a Shift selection.
    if (!control) {
        if (!shift || anchorItem) {
            if (currentItem)
                anchorItem = currentItem;
            if (lineSelected)
                lineSelected = false;
            else
                showPlain(currentItem);
        } else if (currentItem) {
            anchorItem = currentItem;
        }
    } else {
        lineSelected = false;
        if (selection.isEmpty())
            addToSelection(nullptr);
    }

    currentItem = nullptr;
    rubberBand = false;
    pressPos = event->pos();

    if (pressPos.y() <= headerBottom) {
        clearSelection(true);
        return;
    }

    QPointer<QLabel> child = qobject_cast<QLabel *>(childAt(pressPos));
    if (!child) {
        clearSelection(true);
        if (event->button() == Qt::RightButton)
            return;
        if (selectLineAt(pressPos))
            return;
        auto *drag = new QDrag(this);
        drag->setMimeData(textPayload(QStringLiteral("Zivrarect"), pressPos));
        drag->setPixmap(QPixmap(QStringLiteral(":/images/settings_divider.png")));
        drag->setHotSpot(pressPos);
        rubberBand = true;
        runDrag(drag, Qt::MoveAction, Qt::MoveAction);
        // The band ends with the drag, dropped here or not.
        rubberBand = false;
        update();
        return;
    }

    const QPixmap pressCopy = child->pixmap(Qt::ReturnByValue);
    QString text = QStringLiteral("unknown");
    BlockItem *block = blockAtPress(pressPos);
    currentItem = block;
    if (block) {
        const int outputX = block->outputPoint().x();
        const QString &name = block->name();
        if (pressPos.x() < outputX - 10) {
            text = QStringLiteral("Zivramove");
        } else {
            switch (columnAt(pressPos.x())) {
            case InputColumn:
                text = name;
                drawingLine = true;
                pressPos = block->outputPoint();
                break;
            case PreLogicColumn:
                text = name;
                if (name.startsWith(QLatin1String("FeedBack")) ||
                    name.startsWith(QLatin1String("Label")))
                    text.prepend(QLatin1String("OUT"));
                drawingLine = true;
                pressPos = block->outputPoint();
                break;
            case FunctionColumn:
                if (block->kind() == QLatin1String("PreLabel")) {
                    text = QStringLiteral("Zivramove");
                } else {
                    text = name;
                    if (name.startsWith(QLatin1String("Label")))
                        text.prepend(QLatin1String("OUT"));
                    drawingLine = true;
                }
                break;
            case PostLogicColumn:
                if (!name.contains(QLatin1String("Label"))) {
                    text = name;
                    drawingLine = true;
                }
                break;
            case OutputColumn:
                text = QStringLiteral("Zivramove");
                break;
            }
        }
    }

    if (!block || text == QLatin1String("unknown")) {
        drawingLine = false;
        movingItems = false;
        currentItem = nullptr;
        event->ignore();
        clearSelection(true);
        return;
    }

    if (control) {
        if (selection.contains(currentItem)) {
            showPlain(currentItem);
            selection.removeAll(currentItem);
            currentItem = nullptr;
        } else {
            addToSelection(currentItem);
            showSelected(currentItem);
        }
        emit itemSelect(!selection.isEmpty());
        drawingLine = false;
        movingItems = false;
        event->ignore();
        return;
    }

    if (shift) {
        if (anchorItem && anchorItem != currentItem)
            selectInRect(nullptr);
        drawingLine = false;
        movingItems = false;
        event->ignore();
        return;
    }

    // A press on a selected block keeps the selection for a group move.
    if (!selection.contains(currentItem))
        clearSelection(false);

    if (event->button() == Qt::RightButton) {
        child->setPixmap(tintedPixmap(pressCopy, selectionColor));
        drawingLine = false;
        movingItems = false;
        event->ignore();
        return;
    }
    if (event->button() != Qt::LeftButton) {
        drawingLine = false;
        event->ignore();
        return;
    }

    const QPoint offset = event->pos() - child->pos();
    auto *drag = new QDrag(this);
    drag->setMimeData(textPayload(text, offset));
    drag->setHotSpot(offset);
    if (text == QLatin1String("Zivramove")) {
        drag->setPixmap(block->pixmap());
        child->setPixmap(tintedPixmap(pressCopy, moveVeil));
        movingItems = true;
    } else {
        drag->setPixmap(QPixmap(QStringLiteral(":/images/settings_divider.png")));
        child->setPixmap(pressCopy);
        movingItems = false;
    }
    if (runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction) == Qt::MoveAction) {
        drawingLine = false;
    } else if (child) {
        child->show();
        child->setPixmap(pressCopy);
    }
    // A drag that ended outside the sheet leaves no wire feedback behind.
    drawingLine = false;
    movingItems = false;
    update();
    emit itemSelect(true);
}

void ProgramWidget::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        deleteSelection();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (selection.isEmpty())
            moveItemColumn(currentItem, event->key() == Qt::Key_Left);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Down ? 1 : -1;
        if (!selection.isEmpty()) {
            const bool suspended = mainWindow && mainWindow->isUndoSuspended();
            if (mainWindow)
                mainWindow->setUndoSuspended(true);
            // The block nearest the direction moves first and frees its row.
            const QVector<BlockItem *> moving = selection;
            bool moved = false;
            for (int i = 0; i < moving.size(); ++i) {
                BlockItem *block = moving.at(step > 0 ? moving.size() - 1 - i : i);
                moved = moveItemRows(block, step, nullptr) || moved;
            }
            if (mainWindow)
                mainWindow->setUndoSuspended(suspended);
            if (moved)
                recordUndo();
        } else if (currentItem) {
            moveItemRows(currentItem, step, nullptr);
        }
        break;
    }
    default:
        event->ignore();
        return;
    }
    update();
}

bool ProgramWidget::moveItemRows(BlockItem *block, int step, const QPoint *target)
{
    if (!block)
        return false;
    const int row = block->id();
    if (row + step < 0)
        return false;
    int column = -1;
    for (int c = InputColumn; c <= OutputColumn; ++c) {
        if (block->pos().x() == columnX[c])
            column = c;
    }
    if (column < 0)
        return false;
    QMap<int, BlockItem *> *map = mapOf(Column(column));
    const int pitch = columnPitch[column];
    const int newRow = findFreeRowNear(*map, pitch, row, step, block->pos().y(), target);
    // The block must stand where its id says; anything else is left alone.
    if (newRow < 0 || map->value(row) != block)
        return false;
    map->remove(row);
    map->insert(newRow, block);
    const QPoint pos(block->pos().x(), block->pos().y() + (newRow - row) * pitch);
    if (QLabel *label = block->owner())
        label->move(pos);
    block->setId(newRow);
    block->setPos(pos);
    recordUndo();
    return true;
}

void ProgramWidget::moveItemColumn(BlockItem *block, bool left)
{
    if (!block || !programData || block->inputAt(0))
        return;
    if (labelWidget && labelWidget->isLabelInUse(block->name()))
        return;
    const QString userText =
        block->displayName() == block->name() ? QString() : block->displayName();

    const bool suspended = mainWindow && mainWindow->isUndoSuspended();
    if (mainWindow)
        mainWindow->setUndoSuspended(true);
    Column column;
    QString kind;
    int top;
    int row = -1;
    if (block->kind() == QLatin1String("Label") && left) {
        column = FunctionColumn;
        kind = QStringLiteral("PreLabel");
        top = 106;
    } else if (block->kind() == QLatin1String("PreLabel") && !left) {
        column = PostLogicColumn;
        kind = QStringLiteral("Label");
        top = 106;
    } else {
        if (mainWindow)
            mainWindow->setUndoSuspended(suspended);
        return;
    }
    QMap<int, BlockItem *> *map = mapOf(column);
    const int pitch = columnPitch[column];
    row = findFreeRow(*map, pitch, 0, 1);
    if (row < 0) {
        if (mainWindow)
            mainWindow->setUndoSuspended(suspended);
        return;
    }
    deleteItem(block);
    BlockItem *moved = programData->createDefaultLabelIN(row, sheetIndex);
    map->insert(row, moved);
    if (mainWindow)
        mainWindow->setUndoSuspended(suspended);

    if (!userText.isEmpty()) {
        moved->setUserName(userText);
        if (labelWidget)
            labelWidget->setLabelText(moved->name(), userText);
    }
    const QPoint pos(columnX[column], top + pitch * row);
    auto *label = new QLabel(this);
    moved->setPos(pos);
    moved->setOwner(label);
    attachItemActions(label, moved, false, true);
    moved->setKind(kind);
    label->setPixmap(tintedPixmap(moved->pixmap(), selectionColor));
    label->resize(moved->pixmap().size());
    label->move(pos);
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    recordUndo();
    currentItem = moved;
}

void ProgramWidget::selectInRect(QRect *rect)
{
    clearSelection(false);
    QPoint first;
    QPoint second;
    if (rect) {
        first = rect->topLeft();
        second = rect->bottomRight();
        delete rect;
    } else {
        if (!anchorItem || !currentItem) {
            emit itemSelect(false);
            return;
        }
        first = anchorItem->pos();
        second = currentItem->pos();
    }
    if (first.x() < 30)
        first.setX(0);
    if (first.y() < 100)
        first.setY(0);
    const QRect area = QRect(first, second).normalized();
    for (QMap<int, BlockItem *> *map :
         {&inputItems, &preLogicItems, &functionItems, &postLogicItems, &outputItems})
        selectInMap(area, *map);
    emit itemSelect(!selection.isEmpty());
}

void ProgramWidget::selectAll()
{
    selectInRect(new QRect(QPoint(0, 0), QPoint(1000, 1030)));
    emit itemSelect(!selection.isEmpty());
}
