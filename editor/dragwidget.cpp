#include "dragwidget.h"

#include "zivraresources.h"

#include <QByteArray>
#include <QColor>
#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QString>

namespace {

DragWidget::DragRunner &dragRunner()
{
    static DragWidget::DragRunner runner;
    return runner;
}

// Source of the drag that a test runner is delivering, if any.
QObject *simulatedSource = nullptr;

} // namespace

DragWidget::DragWidget(QWidget *parent) : QFrame(parent)
{
    // Every surface shows compiled-in pictures.
    ZivraResources::ensureLoaded();
}

DragWidget::~DragWidget()
{
    if (simulatedSource == this)
        simulatedSource = nullptr;
}

const char *DragWidget::mimeType()
{
    return "application/x-dnditemdata";
}

void DragWidget::setDragRunner(DragRunner runner)
{
    dragRunner() = std::move(runner);
}

QObject *DragWidget::dragSource(const QDropEvent *event)
{
    if (QObject *source = event->source())
        return source;
    return simulatedSource;
}

QMimeData *DragWidget::pixmapPayload(const QPixmap &pixmap, const QPoint &offset)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << pixmap << offset;
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(mimeType()), bytes);
    return data;
}

QMimeData *DragWidget::textPayload(const QString &kind, const QPoint &point)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << kind << point;
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(mimeType()), bytes);
    return data;
}

bool DragWidget::readPixmapPayload(const QMimeData *data, QPixmap &pixmap, QPoint &offset)
{
    if (!data || !data->hasFormat(QString::fromLatin1(mimeType())))
        return false;
    QByteArray bytes = data->data(QString::fromLatin1(mimeType()));
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream >> pixmap >> offset;
    return stream.status() == QDataStream::Ok;
}

bool DragWidget::readTextPayload(const QMimeData *data, QString &kind, QPoint &point)
{
    if (!data || !data->hasFormat(QString::fromLatin1(mimeType())))
        return false;
    QByteArray bytes = data->data(QString::fromLatin1(mimeType()));
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream >> kind >> point;
    return stream.status() == QDataStream::Ok;
}

Qt::DropAction DragWidget::runDrag(QDrag *drag, Qt::DropActions supported,
                                   Qt::DropAction defaultAction)
{
    if (!dragRunner())
        return drag->exec(supported, defaultAction);
    QObject *outer = simulatedSource;
    simulatedSource = drag->source();
    Qt::DropAction result = dragRunner()(drag, supported, defaultAction);
    simulatedSource = outer;
    return result;
}

void DragWidget::mousePressEvent(QMouseEvent *event)
{
    auto *child = qobject_cast<QLabel *>(childAt(event->pos()));
    if (!child)
        return;
    QPixmap pixmap = child->pixmap(Qt::ReturnByValue);
    QPoint offset = event->pos() - child->pos();

    auto *drag = new QDrag(this);
    drag->setMimeData(pixmapPayload(pixmap, offset));
    drag->setPixmap(pixmap);
    drag->setHotSpot(offset);

    QPixmap veiled = pixmap;
    {
        QPainter painter(&veiled);
        painter.fillRect(veiled.rect(), QColor(127, 127, 127, 127));
    }
    child->setPixmap(veiled);

    if (runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction) == Qt::MoveAction) {
        child->close();
    } else {
        child->show();
        child->setPixmap(pixmap);
    }
}

void DragWidget::acceptPayload(QDropEvent *event)
{
    if (!event->mimeData()->hasFormat(QString::fromLatin1(mimeType())))
        return;
    if (dragSource(event) == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

void DragWidget::dragEnterEvent(QDragEnterEvent *event)
{
    acceptPayload(event);
}

void DragWidget::dragMoveEvent(QDragMoveEvent *event)
{
    acceptPayload(event);
}

void DragWidget::dropEvent(QDropEvent *event)
{
    QPixmap pixmap;
    QPoint offset;
    if (!readPixmapPayload(event->mimeData(), pixmap, offset))
        return;
    auto *label = new QLabel(this);
    label->setPixmap(pixmap);
    label->move(event->pos() - offset);
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    if (dragSource(event) == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}
