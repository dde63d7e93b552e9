#ifndef DRAGSIMULATOR_H
#define DRAGSIMULATOR_H

#include <QByteArray>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QVector>
#include <functional>

class QDrag;
class QWidget;

// Stands in for QDrag::exec while it lives: records every drag the editor
// starts and, when a target is set, delivers enter, move and drop events to it
// as the windowing system would, returning the action the drop chose.
class DragSimulator
{
public:
    struct Record {
        QByteArray payload; // bytes under "application/x-dnditemdata"
        QPixmap pixmap;
        QPoint hotSpot;
        QObject *source = nullptr;
        Qt::DropActions supported;
        Qt::DropAction defaultAction = Qt::IgnoreAction;
        Qt::DropAction result = Qt::IgnoreAction;
    };

    DragSimulator();
    ~DragSimulator();
    DragSimulator(const DragSimulator &) = delete;
    DragSimulator &operator=(const DragSimulator &) = delete;

    // Drags end over this widget at this point; without a target they end
    // outside any window (ignore action).
    void dropOn(QWidget *target, const QPoint &pos);
    void dropNowhere();

    // Runs while the drag is "held", before any drop is delivered.
    std::function<void(QDrag *)> whileDragging;

    QVector<Record> drags;

    // The kind text of a text-form payload; empty when it is not one.
    static QString kindText(const QByteArray &payload);
    static QPoint textPoint(const QByteArray &payload);

private:
    Qt::DropAction run(QDrag *drag, Qt::DropActions supported, Qt::DropAction defaultAction);

    QPointer<QWidget> m_target;
    QPoint m_pos;
};

#endif // DRAGSIMULATOR_H
