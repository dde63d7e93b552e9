#include "dragsimulator.h"

#include "dragwidget.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

DragSimulator::DragSimulator()
{
    DragWidget::setDragRunner(
        [this](QDrag *drag, Qt::DropActions supported, Qt::DropAction defaultAction) {
            return run(drag, supported, defaultAction);
        });
}

DragSimulator::~DragSimulator()
{
    DragWidget::setDragRunner(DragWidget::DragRunner());
}

void DragSimulator::dropOn(QWidget *target, const QPoint &pos)
{
    m_target = target;
    m_pos = pos;
}

void DragSimulator::dropNowhere()
{
    m_target = nullptr;
}

Qt::DropAction DragSimulator::run(QDrag *drag, Qt::DropActions supported,
                                  Qt::DropAction defaultAction)
{
    Record record;
    const QMimeData *data = drag->mimeData();
    record.payload = data->data(QString::fromLatin1(DragWidget::mimeType()));
    record.pixmap = drag->pixmap();
    record.hotSpot = drag->hotSpot();
    record.source = drag->source();
    record.supported = supported;
    record.defaultAction = defaultAction;

    if (whileDragging)
        whileDragging(drag);

    Qt::DropAction result = Qt::IgnoreAction;
    if (m_target) {
        QDragEnterEvent enter(m_pos, supported, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_target, &enter);
        if (enter.isAccepted() && m_target) {
            QDragMoveEvent move(m_pos, supported, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(m_target, &move);
            if (move.isAccepted() && m_target) {
                QDropEvent drop(m_pos, supported, data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(m_target, &drop);
                if (drop.isAccepted())
                    result = drop.dropAction();
            }
        }
    }
    record.result = result;
    drags.append(record);
    return result;
}

QString DragSimulator::kindText(const QByteArray &payload)
{
    QByteArray bytes = payload;
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    QString kind;
    QPoint point;
    stream >> kind >> point;
    return stream.status() == QDataStream::Ok ? kind : QString();
}

QPoint DragSimulator::textPoint(const QByteArray &payload)
{
    QByteArray bytes = payload;
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    QString kind;
    QPoint point;
    stream >> kind >> point;
    return point;
}
