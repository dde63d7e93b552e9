#include "menuwidget.h"

#include "paletteentry.h"
#include "programwidget.h"

#include <QColor>
#include <QDrag>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

struct EntryRow {
    const char *kind;
    const char *caption;
    const char *image;
    int maximum;
};

const EntryRow entryRows[] = {
    {"Input", "Input", ":/images/MenuInput.png", 0},
    {"PreLogic", "PreLogic", ":/images/MenuPreLgc.png", 0},
    {"PreLogicInfo", "NET", ":/images/NetPreLgc.png", 8},
    {"CntFnc", "CntFnc", ":/images/FuncLabel.png", 8},
    {"DlyFnc", "DlyFnc", ":/images/FuncLabel.png", 8},
    {"NonFnc", "NonFnc", ":/images/FuncLabel.png", 6},
    {"PostLogic", "PostLogic", ":/images/MenuPstLgc.png", 0},
    {"PostLogicInfo", "NET", ":/images/NetPstLgc.png", 11},
    {"MsrCnt", "MsrCnt", ":/images/MenuOut.png", 4},
    {"OUT-CH", "Output", ":/images/MenuOut.png", 8},
    {"FeedBack", "FeedBack", ":/images/MenuFeedBack.png", 8},
    {"FeedBackInfo", "NET", ":/images/NetFeedBack.png", 8},
    {"Label", "Label", ":/images/MenuLabel.png", 0},
};

const QColor veilColor(127, 127, 127, 127);

} // namespace

MenuWidget::MenuWidget(ProgramData *programData, QWidget *parent)
    : DragWidget(parent), programData(programData)
{
    const int x = 10;
    int y = 10;
    int previousHeight = 0;
    bool first = true;
    for (const EntryRow &row : entryRows) {
        const QString caption = QString::fromLatin1(row.caption);
        QPixmap picture(QString::fromLatin1(row.image));
        if (!first) {
            // A counter touches the entry above it by one pixel row.
            if (caption == QLatin1String("NET"))
                y += previousHeight - 1;
            else
                y += previousHeight + 7;
        }
        first = false;
        addEntry(QString::fromLatin1(row.kind), x, y, caption, picture, row.maximum, row.maximum);
        previousHeight = picture.height();
    }
    setMinimumSize(120, y + previousHeight + 7);
    currentEntry = nullptr;
}

MenuWidget::~MenuWidget()
{
    qDeleteAll(entries);
}

bool MenuWidget::isFunctionKind(const QString &kind)
{
    return kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc") ||
           kind == QLatin1String("NonFnc");
}

bool MenuWidget::isWireCounter(const QString &kind)
{
    return kind == QLatin1String("PreLogicInfo") || kind == QLatin1String("PostLogicInfo") ||
           kind == QLatin1String("FeedBackInfo");
}

QString MenuWidget::entryText(const PaletteEntry *entry)
{
    if (entry->maximum > 0)
        return QStringLiteral("%1(%2/%3)")
            .arg(entry->caption)
            .arg(entry->remaining)
            .arg(entry->maximum);
    return entry->caption;
}

void MenuWidget::addEntry(const QString &kind, int x, int y, const QString &caption,
                          const QPixmap &picture, int remaining, int maximum)
{
    auto *entry = new PaletteEntry;
    entry->left = x;
    entry->top = y;
    entry->right = x + picture.width();
    entry->bottom = y + picture.height();
    entry->image = picture;
    entry->kind = kind;
    entry->caption = caption;
    entry->remaining = remaining;
    entry->maximum = maximum;
    QPixmap shown = picture;
    entry->label = createPixmapLabel(this, x, y, entryText(entry), shown);
    entries.append(entry);
}

PaletteEntry *MenuWidget::entryOfKind(const QString &kind) const
{
    for (PaletteEntry *entry : entries) {
        if (entry->kind == kind)
            return entry;
    }
    return nullptr;
}

void MenuWidget::redrawEntry(PaletteEntry *entry)
{
    if (entry->maximum == 0 && entry->remaining != 0)
        entry->caption = entry->kind;
    QPixmap picture = entry->image;
    if (entry->remaining == 0) {
        QPainter painter(&picture);
        painter.fillRect(picture.rect(), veilColor);
    }
    // The new label goes on top of the emptied old one. The old one is released
    // unless a drag in progress still holds it, so that labels do not pile up
    // with every quota change; the press handler releases a held one afterwards.
    QLabel *old = entry->label;
    old->clear();
    entry->label = createPixmapLabel(this, entry->left, entry->top, entryText(entry), picture);
    if (old != draggedLabel)
        old->deleteLater();
}

bool MenuWidget::adjustEntryQuota(int delta, PaletteEntry *entry)
{
    if (!entry)
        entry = currentEntry;
    if (!entry)
        return false;
    // The shared unit of a function block is taken first and given back when
    // the entry itself refuses. This is the only place that couples it.
    const bool coupled = isFunctionKind(entry->kind);
    if (coupled && !adjustQuota(delta, QStringLiteral("PostLogicInfo")))
        return false;
    const int count = entry->remaining + delta;
    if (count < 0 || (entry->maximum > 0 && count > entry->maximum)) {
        if (coupled)
            adjustQuota(-delta, QStringLiteral("PostLogicInfo"));
        return false;
    }
    entry->remaining = count;
    redrawEntry(entry);
    return true;
}

bool MenuWidget::adjustQuota(int delta, const QString &kind)
{
    if (kind.isEmpty())
        return adjustEntryQuota(delta, nullptr);
    PaletteEntry *entry = entryOfKind(kind);
    if (!entry)
        return false;
    return adjustEntryQuota(delta, entry);
}

void MenuWidget::resetQuotas()
{
    setRemainingByKind(8, QStringLiteral("PreLogicInfo"));
    setRemainingByKind(11, QStringLiteral("PostLogicInfo"));
    setRemainingByKind(8, QStringLiteral("CntFnc"));
    setRemainingByKind(8, QStringLiteral("DlyFnc"));
    setRemainingByKind(6, QStringLiteral("NonFnc"));
    setRemainingByKind(4, QStringLiteral("MsrCnt"));
    setRemainingByKind(8, QStringLiteral("OUT-CH"));
    setRemainingByKind(8, QStringLiteral("FeedBack"));
    setRemainingByKind(8, QStringLiteral("FeedBackInfo"));
}

bool MenuWidget::setRemaining(int count, PaletteEntry *entry)
{
    if (!entry)
        return false;
    entry->remaining = count;
    redrawEntry(entry);
    return true;
}

bool MenuWidget::setRemainingByKind(int count, const QString &kind)
{
    PaletteEntry *entry = entryOfKind(kind);
    if (!entry)
        return false;
    return setRemaining(count, entry);
}

QString MenuWidget::kindAt(int x, int y)
{
    for (PaletteEntry *entry : qAsConst(entries)) {
        if (entry->left < x && x < entry->right && entry->top < y && y < entry->bottom) {
            currentEntry = entry;
            return entry->kind;
        }
    }
    return QString();
}

void MenuWidget::mousePressEvent(QMouseEvent *event)
{
    auto *child = qobject_cast<QLabel *>(childAt(event->pos()));
    if (!child)
        return;
    const QString kind = kindAt(event->pos().x(), event->pos().y());
    if (kind.isEmpty() || isWireCounter(kind)) {
        event->ignore();
        return;
    }
    const QPixmap pixmap = child->pixmap(Qt::ReturnByValue);
    const QPoint offset = event->pos() - child->pos();

    auto *drag = new QDrag(this);
    drag->setMimeData(textPayload(kind, offset));
    drag->setPixmap(pixmap);
    drag->setHotSpot(offset);

    QPixmap veiled = pixmap;
    if (!veiled.isNull()) {
        QPainter painter(&veiled);
        painter.fillRect(veiled.rect(), veilColor);
    }
    child->setPixmap(veiled);
    // No unit is taken here: the drop takes it from the pressed entry.
    draggedLabel = child;
    runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    draggedLabel = nullptr;
    child->show();
    child->setPixmap(pixmap);
    bool current = false;
    for (const PaletteEntry *entry : qAsConst(entries))
        current = current || entry->label == child;
    // A redraw during the drop put a new label above this one.
    if (!current)
        child->deleteLater();
}

void MenuWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
}
