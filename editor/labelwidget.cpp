#include "labelwidget.h"

#include "blockitem.h"
#include "labelentry.h"
#include "programwidget.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

const int widestStrip = 740;
const int labelsPerRow = 8;

QPixmap picture(const char *path)
{
    return QPixmap(QString::fromLatin1(path));
}

} // namespace

LabelWidget::LabelWidget(QWidget *parent) : DragWidget(parent) {}

LabelWidget::~LabelWidget()
{
    clearLabels();
}

QSize LabelWidget::cellSize() const
{
    return picture(":/images/LabelON.png").size();
}

bool LabelWidget::isFeedBackName(const QString &name)
{
    return name.startsWith(QLatin1String("FeedBack"));
}

bool LabelWidget::isFeedBackEntry(const LabelEntry *entry) const
{
    return isFeedBackName(entry->name);
}

QVector<LabelEntry *> &LabelWidget::listFor(const QString &name)
{
    return isFeedBackName(name) ? feedBackEntries : labelEntries;
}

LabelEntry *LabelWidget::find(const QString &name)
{
    for (LabelEntry *entry : qAsConst(listFor(name))) {
        if (entry->name == name)
            return entry;
    }
    return nullptr;
}

QPixmap LabelWidget::statePicture(LabelEntry *entry, int sheet)
{
    const bool placed = entry->placed[sheet];
    if (isFeedBackEntry(entry))
        return picture(placed ? ":/images/LabelOFF.png" : ":/images/LabelON.png");
    if (placed || !entry->source)
        return picture(":/images/LabelOFF.png");
    if (entry->source->kind().contains(QLatin1String("PreLabel")))
        return picture(":/images/LabelON.png");
    return picture(":/images/FncLabelON.png");
}

QPixmap LabelWidget::textPicture(LabelEntry *entry)
{
    QPixmap pixmap = statePicture(entry, currentSheet);
    drawCentredText(pixmap, entry->text);
    return pixmap;
}

void LabelWidget::placeInGrid(LabelEntry *entry, int index, bool feedBack)
{
    const QSize cell = cellSize();
    if (feedBack) {
        entry->x = index * (cell.width() + 5);
        entry->y = 0;
    } else {
        entry->x = (index % labelsPerRow) * (cell.width() + 5);
        entry->y = (1 + index / labelsPerRow) * (cell.height() + 5);
    }
}

void LabelWidget::relabel(LabelEntry *entry)
{
    delete entry->label;
    QPixmap pixmap = statePicture(entry, currentSheet);
    entry->label = createPixmapLabel(this, entry->x, entry->y, entry->text, pixmap);
}

void LabelWidget::updateMinimumWidth()
{
    const int count = qMax(feedBackEntries.size(), labelEntries.size());
    setMinimumWidth(qMin(count * (cellSize().width() + 5), widestStrip));
}

void LabelWidget::insertSorted(QVector<LabelEntry *> &list, LabelEntry *entry, bool feedBack)
{
    if (entry->text.isEmpty())
        entry->text = entry->name;
    int at = list.size();
    for (int i = 0; i < list.size(); ++i) {
        if (labelLessThan(entry->name, list.at(i)->name)) {
            at = i;
            break;
        }
    }
    list.insert(at, entry);
    // Entries in front keep their labels; the new one and those behind it move.
    for (int i = at; i < list.size(); ++i) {
        placeInGrid(list.at(i), i, feedBack);
        relabel(list.at(i));
    }
    if (!feedBack) {
        const int lastRow = 1 + (list.size() - 1) / labelsPerRow;
        setMinimumHeight((lastRow + 1) * (cellSize().height() + 5));
    }
    updateMinimumWidth();
}

void LabelWidget::addLabelEntry(LabelEntry *entry)
{
    insertSorted(labelEntries, entry, false);
}

void LabelWidget::addFeedBackEntry(LabelEntry *entry)
{
    insertSorted(feedBackEntries, entry, true);
}

bool LabelWidget::labelLessThan(QString a, QString b)
{
    for (const QLatin1String prefix : {QLatin1String("FeedBack"), QLatin1String("Label")}) {
        if (a.startsWith(prefix) && b.startsWith(prefix)) {
            // A text that is no number counts 0.
            return a.remove(prefix).toInt() < b.remove(prefix).toInt();
        }
    }
    return false;
}

void LabelWidget::registerLabelSource(BlockItem *block)
{
    if (!block)
        return;
    QString name = block->name();
    const int feedBackAt = name.indexOf(QLatin1String("FeedBack"));
    if (feedBackAt >= 0) {
        name = name.mid(feedBackAt);
        if (LabelEntry *entry = find(name)) {
            entry->source = block;
            return;
        }
        auto *entry = new LabelEntry;
        entry->source = block;
        entry->name = name;
        entry->placed.insert(currentSheet, false);
        addFeedBackEntry(entry);
    } else if (name.startsWith(QLatin1String("Label"))) {
        // Users go to other sheets: the label is OFF where its source is made.
        if (LabelEntry *entry = find(name)) {
            entry->source = block;
            entry->placed[currentSheet] = true;
            setLabelUsed(name, true);
            return;
        }
        auto *entry = new LabelEntry;
        entry->source = block;
        entry->name = name;
        entry->placed.insert(currentSheet, true);
        addLabelEntry(entry);
    }
}

QString LabelWidget::setLabelUsed(const QString &name, bool used)
{
    if (LabelEntry *entry = find(name)) {
        entry->placed[currentSheet] = used;
        if (entry->text.isEmpty())
            entry->text = entry->name;
        if (entry->label)
            entry->label->setPixmap(textPicture(entry));
        return entry->text;
    }
    auto *entry = new LabelEntry;
    entry->name = name;
    entry->placed.insert(currentSheet, used);
    if (isFeedBackName(name))
        addFeedBackEntry(entry);
    else
        addLabelEntry(entry);
    return entry->text;
}

void LabelWidget::removeLabel(const QString &name)
{
    QVector<LabelEntry *> &list = listFor(name);
    const bool feedBack = isFeedBackName(name);
    if (LabelEntry *entry = find(name)) {
        delete entry->label;
        list.removeOne(entry);
        if (pressedEntry == entry)
            pressedEntry = nullptr;
        delete entry;
        // Close the gap: every remaining entry of the list moves up.
        for (int i = 0; i < list.size(); ++i) {
            placeInGrid(list.at(i), i, feedBack);
            relabel(list.at(i));
        }
    }
    const QSize cell = cellSize();
    setMinimumHeight((labelEntries.size() / labelsPerRow + 2) * (cell.height() + 5));
    updateMinimumWidth();
}

void LabelWidget::setCurrentTab(int sheet)
{
    if (sheet == currentSheet)
        return;
    currentSheet = sheet;
    for (QVector<LabelEntry *> *list : {&feedBackEntries, &labelEntries}) {
        for (LabelEntry *entry : qAsConst(*list)) {
            if (!entry->placed.contains(sheet))
                entry->placed.insert(sheet, false);
            relabel(entry);
        }
    }
}

void LabelWidget::setLabelText(const QString &name, const QString &text)
{
    LabelEntry *entry = find(name);
    if (!entry)
        return;
    entry->text = text;
    if (entry->label)
        entry->label->setPixmap(textPicture(entry));
}

bool LabelWidget::isLabelPlaced(const QString &name, int sheet)
{
    LabelEntry *entry = find(name);
    if (!entry)
        return true;
    return entry->placed[sheet < 0 ? currentSheet : sheet];
}

bool LabelWidget::isLabelInUse(const QString &name)
{
    for (LabelEntry *entry : qAsConst(labelEntries)) {
        if (entry->name != name)
            continue;
        int sheets = 0;
        for (bool placed : qAsConst(entry->placed)) {
            if (placed)
                ++sheets;
        }
        return sheets >= 2;
    }
    return false;
}

void LabelWidget::clearLabels()
{
    for (QVector<LabelEntry *> *list : {&feedBackEntries, &labelEntries}) {
        for (LabelEntry *entry : qAsConst(*list)) {
            delete entry->label;
            delete entry;
        }
        list->clear();
    }
    pressedEntry = nullptr;
}

void LabelWidget::mousePressEvent(QMouseEvent *event)
{
    auto *child = qobject_cast<QLabel *>(childAt(event->pos()));
    if (!child || event->button() == Qt::RightButton)
        return;
    const bool feedBack = event->pos().y() <= cellSize().height() + 4;
    LabelEntry *entry = nullptr;
    for (LabelEntry *candidate : qAsConst(feedBack ? feedBackEntries : labelEntries)) {
        if (candidate->label && candidate->label->geometry().contains(event->pos())) {
            entry = candidate;
            break;
        }
    }
    if (!entry) {
        event->ignore();
        return;
    }
    // An OFF entry cannot be dragged.
    if (entry->placed[currentSheet] || (!feedBack && !entry->source)) {
        pressedEntry = nullptr;
        event->ignore();
        return;
    }
    QString text = entry->name;
    if (!feedBack && entry->source->kind() == QLatin1String("PreLabel"))
        text.prepend(QLatin1String("Pre"));
    pressedEntry = entry;

    const QPoint offset = event->pos() - child->pos();
    auto *drag = new QDrag(this);
    drag->setMimeData(textPayload(text, offset));
    drag->setPixmap(child->pixmap(Qt::ReturnByValue));
    drag->setHotSpot(offset);
    const Qt::DropAction result = runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);

    // The drop may have marked or re-laid out the entry: redraw what shows it now.
    if (result != Qt::MoveAction && pressedEntry && pressedEntry->label) {
        pressedEntry->label->show();
        pressedEntry->label->setPixmap(textPicture(pressedEntry));
    }
}

void LabelWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
}

void LabelWidget::dragMoveEvent(QDragMoveEvent *event)
{
    DragWidget::dragMoveEvent(event);
    update();
}
