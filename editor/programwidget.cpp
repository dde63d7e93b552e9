#include "programwidget.h"

#include "fittedtext.h"

#include "blockitem.h"
#include "modalhooks.h"
#include "nimactionedit.h"
#include "programdata.h"
#include "sheethost.h"

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QtMath>

ProgramWidget *currentProgramWidget = nullptr;

namespace {

// Every live sheet in creation order, so that the newest survivor can take
// over as the current one when the current one goes.
QVector<ProgramWidget *> &liveSheets()
{
    static QVector<ProgramWidget *> sheets;
    return sheets;
}

struct Band {
    QRect rect;
    QColor color;
};

// Column bands, corners inclusive.
const Band bands[5] = {
    {QRect(QPoint(0, 30), QPoint(117, 1030)), QColor(255, 0, 0, 20)},
    {QRect(QPoint(118, 30), QPoint(259, 1030)), QColor(255, 255, 0, 50)},
    {QRect(QPoint(260, 30), QPoint(400, 1030)), QColor(0, 255, 0, 50)},
    {QRect(QPoint(401, 30), QPoint(542, 1030)), QColor(0, 255, 255, 50)},
    {QRect(QPoint(543, 30), QPoint(770, 1030)), QColor(0, 0, 255, 30)},
};

struct Header {
    const char *objectName;
    const char *text;
    QRect geometry;
};

const Header headers[5] = {
    {"label_0", QT_TRANSLATE_NOOP("MainWindow", "Input"), QRect(20, 37, 56, 16)},
    {"label_1", QT_TRANSLATE_NOOP("MainWindow", "PreLogic\nFeedBack"), QRect(142, 37, 63, 30)},
    {"label_2", QT_TRANSLATE_NOOP("MainWindow", "Function\n"), QRect(284, 37, 56, 30)},
    {"label_3", QT_TRANSLATE_NOOP("MainWindow", "PostLogic"), QRect(425, 37, 63, 16)},
    {"label_4", QT_TRANSLATE_NOOP("MainWindow", "Output\nFeedBack\nMeasure Counter"),
     QRect(567, 37, 111, 45)},
};

// The header boxes are small: shrink the font until the whole text fits.
void fitFont(QLabel *label)
{
    QFont font = label->font();
    const QRect box(QPoint(0, 0), label->size());
    for (int pixels = 12; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QRect needed =
            QFontMetrics(font).boundingRect(box, Qt::AlignLeft | Qt::AlignTop, label->text());
        if (needed.width() <= box.width() && needed.height() <= box.height())
            break;
    }
    label->setFont(font);
}

BlockItem *firstHit(QMap<int, BlockItem *> &map, int sheet, const QPoint &point,
                    bool (*kindFits)(const QString &))
{
    for (BlockItem *block : qAsConst(map)) {
        if (block->contains(sheet, point) && kindFits(block->kind()))
            return block;
    }
    return nullptr;
}

} // namespace

const int ProgramWidget::columnX[5] = {0, 142, 284, 425, 567};
const int ProgramWidget::columnPitch[5] = {40, 68, 40, 68, 40};

ProgramWidget::Column ProgramWidget::columnAt(int x)
{
    if (x <= 141)
        return InputColumn;
    if (x <= 283)
        return PreLogicColumn;
    if (x <= 424)
        return FunctionColumn;
    if (x <= 566)
        return PostLogicColumn;
    return OutputColumn;
}

void drawCentredText(QPixmap &pixmap, const QString &text)
{
    // Captions such as "FeedBack(8/8)" are wider than their 110-pixel picture
    // in larger desktop fonts.
    drawFittedText(pixmap, text, QFont());
}

QLabel *createPixmapLabel(QWidget *parent, int x, int y, const QString &text, QPixmap &pixmap)
{
    drawCentredText(pixmap, text);
    auto *label = new QLabel(parent);
    label->setPixmap(pixmap);
    label->resize(pixmap.size());
    label->move(x, y);
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    return label;
}

QPixmap captionedPixmap(const QPixmap &base, const QString &text, bool bold)
{
    QPixmap pixmap = base;
    if (!pixmap.isNull()) {
        QFont font = BlockItem::labelFont();
        font.setBold(bold);
        QPainter painter(&pixmap);
        painter.setFont(font);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    }
    return pixmap;
}

QPixmap tintedPixmap(const QPixmap &pixmap, const QColor &color)
{
    QPixmap copy = pixmap;
    if (!copy.isNull()) {
        QPainter painter(&copy);
        painter.fillRect(copy.rect(), color);
    }
    return copy;
}

ProgramWidget::ProgramWidget(int sheet, ProgramData *programData, MenuWidget *menuWidget,
                             LabelWidget *labelWidget, SheetHost *mainWindow, QWidget *parent)
    : DragWidget(parent), sheetIndex(sheet), mainWindow(mainWindow), programData(programData),
      menuWidget(menuWidget), labelWidget(labelWidget), selectionColor(0, 0, 255, 70)
{
    setMinimumSize(750, 1030);
    setAcceptDrops(true);

    for (const Header &header : headers) {
        auto *label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(header.objectName));
        label->setText(QCoreApplication::translate("MainWindow", header.text));
        label->setGeometry(header.geometry);
        fitFont(label);
    }
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    statusLabel->setGeometry(10, 0, 600, 30);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, SIGNAL(customContextMenuRequested(const QPoint &)), this,
            SLOT(showMenu(const QPoint &)));

    liveSheets().append(this);
    currentProgramWidget = this;
}

ProgramWidget::~ProgramWidget()
{
    liveSheets().removeAll(this);
    if (currentProgramWidget == this)
        currentProgramWidget = liveSheets().isEmpty() ? nullptr : liveSheets().last();
}

void ProgramWidget::showPlain(BlockItem *block)
{
    if (block && block->owner())
        block->owner()->setPixmap(block->pixmap());
}

void ProgramWidget::showSelected(BlockItem *block)
{
    if (block && block->owner())
        block->owner()->setPixmap(tintedPixmap(block->pixmap(), selectionColor));
}

void ProgramWidget::selectInMap(const QRect &rect, QMap<int, BlockItem *> &map)
{
    for (BlockItem *block : qAsConst(map)) {
        if (rect.contains(block->pos())) {
            selection.append(block);
            showSelected(block);
        }
    }
}

void ProgramWidget::clearSelection(bool dropCurrent)
{
    if (dropCurrent) {
        if (selection.isEmpty() && currentItem)
            showPlain(currentItem);
        currentItem = nullptr;
    }
    for (BlockItem *block : qAsConst(selection))
        showPlain(block);
    selection.clear();
    emit itemSelect(false);
}

void ProgramWidget::addToSelection(BlockItem *block)
{
    if (!block)
        block = currentItem;
    // A block listed twice would later be deleted twice.
    if (!block || selection.contains(block))
        return;
    const int x = block->pos().x();
    for (int i = 0; i < selection.size(); ++i) {
        BlockItem *entry = selection.at(i);
        const int ex = entry->pos().x();
        if ((ex == x && entry->id() > block->id()) || ex > x) {
            selection.insert(i, block);
            return;
        }
    }
    selection.append(block);
}

QRect ProgramWidget::segmentRect(const QLine &segment)
{
    const int height = segment.y2() - segment.y1() + 1;
    if (height >= -2 && height <= 2)
        return QRect(QPoint(segment.x1(), segment.y1() - 2),
                     QPoint(segment.x2(), segment.y1() + 2));
    return QRect(segment.p1(), segment.p2());
}

double ProgramWidget::distanceToSegment(const QLine &segment, const QPoint &point)
{
    const double x1 = segment.x1();
    const double y1 = segment.y1();
    const double dx = segment.x2() - x1;
    const double dy = segment.y2() - y1;
    const double lengthSquared = dx * dx + dy * dy;
    double t = 0.0;
    // A segment of one point has no direction: its distance is that to the point.
    if (lengthSquared > 0.0) {
        t = ((point.x() - x1) * dx + (point.y() - y1) * dy) / lengthSquared;
        t = qBound(0.0, t, 1.0);
    }
    const double ex = point.x() - (x1 + t * dx);
    const double ey = point.y() - (y1 + t * dy);
    return qSqrt(ex * ex + ey * ey);
}

bool ProgramWidget::selectLineAt(const QPoint &point)
{
    if (point == QPoint(0, 0) || lineCache.isEmpty())
        return false;
    int best = -1;
    double limit = 100.0;
    for (int i = 0; i < lineCache.size(); ++i) {
        const QLine &segment = lineCache.at(i).first;
        if (!segmentRect(segment).contains(point))
            continue;
        const double distance = distanceToSegment(segment, point);
        if (best < 0 || distance < limit) {
            best = i;
            limit = distance;
        }
        if (distance == 0.0)
            break;
    }
    if (best < 0)
        return false;
    const QLine segment = lineCache.at(best).first;
    lineSelected = true;
    currentItem = lineCache.at(best).second;
    pressPos = segment.p1();
    dragPos = segment.p2();
    lineEndPos = segment.p2();
    // Show the wire highlighted from the cache as it is.
    drawingLine = true;
    rebuildLines = false;
    repaint();
    drawingLine = false;
    rebuildLines = true;
    return true;
}

BlockItem *ProgramWidget::blockToEdit(const QPoint &point)
{
    switch (columnAt(point.x())) {
    case InputColumn:
        return firstHit(inputItems, sheetIndex, point,
                        [](const QString &kind) { return kind == QLatin1String("Input"); });
    case PreLogicColumn:
        return firstHit(preLogicItems, sheetIndex, point,
                        [](const QString &kind) { return kind == QLatin1String("PreLogic"); });
    case FunctionColumn:
        if (!programData)
            return nullptr;
        for (BlockItem *block : qAsConst(programData->functionBlocks)) {
            if (block->contains(sheetIndex, point)) {
                const QString &kind = block->kind();
                if (kind == QLatin1String("DlyFnc") || kind == QLatin1String("CntFnc"))
                    return block;
                return nullptr;
            }
        }
        return nullptr;
    case PostLogicColumn:
        return firstHit(postLogicItems, sheetIndex, point,
                        [](const QString &kind) { return kind == QLatin1String("PostLogic"); });
    case OutputColumn:
        // Only the block under the pointer: never another counter or output.
        return firstHit(outputItems, sheetIndex, point, [](const QString &kind) {
            return kind.startsWith(QLatin1String("MsrCnt")) ||
                   kind.startsWith(QLatin1String("OUT-CH"));
        });
    }
    return nullptr;
}

void ProgramWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint point = event->pos();
    if (point.y() <= headerBottom || !childAt(point))
        return;
    pressPos = point;
    if (BlockItem *block = blockToEdit(point))
        openEditor(block);
}

void ProgramWidget::openEditor(BlockItem *block)
{
    // The one dispatch of the Edit action: made with an empty text it opens at once.
    delete new NIMActionEdit(QString(), block, this);
}

void ProgramWidget::keyReleaseEvent(QKeyEvent *event)
{
    Q_UNUSED(event)
}

void ProgramWidget::forgetBlock(BlockItem *block)
{
    if (!block)
        return;
    const QPoint start = block->outputPoint();
    const QVector<BlockItem *> &fed = block->outputs();
    for (int i = lineCache.size() - 1; i >= 0; --i) {
        const QPair<QLine, BlockItem *> &entry = lineCache.at(i);
        if (entry.second == block || (entry.first.p1() == start && fed.contains(entry.second)))
            lineCache.remove(i);
    }
    for (QMap<int, BlockItem *> *map :
         {&inputItems, &preLogicItems, &functionItems, &postLogicItems, &outputItems}) {
        for (auto it = map->begin(); it != map->end();) {
            if (it.value() == block)
                it = map->erase(it);
            else
                ++it;
        }
    }
    selection.removeAll(block);
    if (anchorItem == block)
        anchorItem = nullptr;
    if (currentItem == block) {
        currentItem = nullptr;
        lineSelected = false;
    }
}

const QMap<int, BlockItem *> &ProgramWidget::columnItems(Column column) const
{
    switch (column) {
    case InputColumn:
        return inputItems;
    case PreLogicColumn:
        return preLogicItems;
    case FunctionColumn:
        return functionItems;
    case PostLogicColumn:
        return postLogicItems;
    case OutputColumn:
        break;
    }
    return outputItems;
}

QMap<int, BlockItem *> *ProgramWidget::mapOf(Column column)
{
    switch (column) {
    case InputColumn:
        return &inputItems;
    case PreLogicColumn:
        return &preLogicItems;
    case FunctionColumn:
        return &functionItems;
    case PostLogicColumn:
        return &postLogicItems;
    case OutputColumn:
        break;
    }
    return &outputItems;
}

void ProgramWidget::forgetAllBlocks()
{
    // The pictures go with their actions, which point at the blocks about to be freed. Every
    // unnamed label is a block picture (the header and status labels are named), so a picture
    // that some path failed to track goes too.
    const QList<QLabel *> labels = findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels) {
        if (label->objectName().isEmpty())
            releaseLabel(label);
    }
    lineCache.clear();
    inputItems.clear();
    preLogicItems.clear();
    functionItems.clear();
    postLogicItems.clear();
    outputItems.clear();
    selection.clear();
    currentItem = nullptr;
    anchorItem = nullptr;
    lineSelected = false;
    drawingLine = false;
    movingItems = false;
    rubberBand = false;
}

void ProgramWidget::showMenu(const QPoint &pos)
{
    bool onWire = false;
    if (lineSelected)
        onWire = segmentRect(QLine(pressPos, dragPos)).contains(pos);
    if (!onWire)
        onWire = selectLineAt(pos);

    QMenu menu(this);
    if (onWire) {
        QAction *action =
            menu.addAction(QIcon(QStringLiteral(":/images/delbutton.png")), tr("Delete"));
        connect(action, SIGNAL(triggered()), this, SLOT(deleteLine()));
    } else {
        QAction *action =
            menu.addAction(QIcon(QStringLiteral(":/Zivra_icon/Zivra_paste.png")), tr("Paste"));
        action->setEnabled(mainWindow && mainWindow->isPasteEnabled());
        connect(action, SIGNAL(triggered()), this, SLOT(pasteFromMenu()));
    }
    ModalHooks::execMenu(&menu, mapToGlobal(pos));
}

void ProgramWidget::pasteFromMenu()
{
    if (mainWindow)
        mainWindow->paste();
}

void ProgramWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (mainWindow)
        // One multi-argument call: a host text holding "%3" (an IPv6 scope)
        // must not be taken for a place marker.
        statusLabel->setText(tr("IP address: %1   TCP port: %2   UDP port: %3")
                                 .arg(mainWindow->hostAddress(),
                                      QString::number(mainWindow->tcpPort()),
                                      QString::number(mainWindow->udpPort())));

    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    for (const Band &band : bands)
        painter.fillRect(band.rect, band.color);
    painter.setBrush(Qt::NoBrush);

    painter.setPen(Qt::black);
    if (rebuildLines) {
        lineCache.clear();
        for (QMap<int, BlockItem *> *map :
             {&preLogicItems, &functionItems, &postLogicItems, &outputItems}) {
            for (BlockItem *block : qAsConst(*map)) {
                const QVector<QLine> lines = block->inputLines();
                for (const QLine &line : lines) {
                    painter.drawLine(line);
                    lineCache.append(qMakePair(line, block));
                }
            }
        }
    } else {
        for (const auto &entry : qAsConst(lineCache))
            painter.drawLine(entry.first);
    }

    if (drawingLine) {
        painter.setPen(Qt::cyan);
        painter.drawLine(pressPos, dragPos);
    }
    if (rubberBand) {
        painter.setPen(selectionColor);
        painter.setBrush(QBrush(selectionColor, Qt::SolidPattern));
        // The same two corners whichever way the band was dragged.
        painter.drawRect(
            QRect(QPoint(qMin(pressPos.x(), dragPos.x()), qMin(pressPos.y(), dragPos.y())),
                  QPoint(qMax(pressPos.x(), dragPos.x()), qMax(pressPos.y(), dragPos.y()))));
        painter.setBrush(Qt::NoBrush);
    }
    if (movingItems) {
        painter.setPen(Qt::cyan);
        const QPoint offset = dragPos - pressPos;
        for (BlockItem *block : qAsConst(selection))
            painter.drawRect(QRect(block->pos() + offset, block->pixmap().size()));
    }
}

void ProgramWidget::dragEnterEvent(QDragEnterEvent *event)
{
    acceptPayload(event);
}

void ProgramWidget::dragMoveEvent(QDragMoveEvent *event)
{
    acceptPayload(event);
    dragPos = event->pos();
    update();
}

void ProgramWidget::dragLeaveEvent(QDragLeaveEvent *event)
{
    Q_UNUSED(event)
    dragPos = pressPos;
    update();
}
