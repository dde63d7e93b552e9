#ifndef DRAGWIDGET_H
#define DRAGWIDGET_H

#include <QFrame>
#include <functional>

class QDrag;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QMouseEvent;
class QPixmap;
class QPoint;
class QString;

// Common base of the sheet, the palette and the label strip: a frame whose
// QLabel children are dragged, with the one payload format of the editor.
//
// Payload forms under "application/x-dnditemdata" (QDataStream, default
// version, big-endian):
//   pixmap form: QPixmap, QPoint offset    (this base's own drags)
//   text form:   QString kind, QPoint      (every other drag of the editor)
class DragWidget : public QFrame
{
    Q_OBJECT

public:
    // Runs a drag to its end and returns the resulting action. Tests install
    // one in place of QDrag::exec, which blocks until the pointer is released.
    using DragRunner = std::function<Qt::DropAction(QDrag *drag, Qt::DropActions supported,
                                                    Qt::DropAction defaultAction)>;

    explicit DragWidget(QWidget *parent = nullptr);
    ~DragWidget() override;

    static const char *mimeType();

    // An empty runner restores QDrag::exec.
    static void setDragRunner(DragRunner runner);

    // The widget that started the drag an event belongs to. Falls back on the
    // drag run through a test runner, for which Qt knows no source.
    static QObject *dragSource(const QDropEvent *event);

    static QMimeData *pixmapPayload(const QPixmap &pixmap, const QPoint &offset);
    static QMimeData *textPayload(const QString &kind, const QPoint &point);
    // Both return false when the data lacks the format or is cut short.
    static bool readPixmapPayload(const QMimeData *data, QPixmap &pixmap, QPoint &offset);
    static bool readTextPayload(const QMimeData *data, QString &kind, QPoint &point);

protected:
    // The one place where every drag of the editor runs.
    Qt::DropAction runDrag(QDrag *drag, Qt::DropActions supported, Qt::DropAction defaultAction);

    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Acceptance rule shared by drag enter and drag move.
    void acceptPayload(QDropEvent *event);
};

#endif // DRAGWIDGET_H
