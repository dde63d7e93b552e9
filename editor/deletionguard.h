#ifndef DELETIONGUARD_H
#define DELETIONGUARD_H

#include <QEvent>

class QObject;

// Keeps a window alive while it runs a modal box of its own. The box's event loop runs queued
// slots of other objects, which may close the window and deleteLater() it; Qt would delete it
// inside that loop, freeing the box (its child) and the frame that waits for the box. The
// window passes its events through filter(), which holds such a deletion back until the last
// box has returned and then carries it out from the event loop.
class DeletionGuard
{
public:
    explicit DeletionGuard(QObject *owner) : owner(owner) {}
    DeletionGuard(const DeletionGuard &) = delete;
    DeletionGuard &operator=(const DeletionGuard &) = delete;

    // For the owner's event(): true when the event was taken here (a deletion held back, or one
    // carried out: the owner is gone then and must not be touched).
    bool filter(QEvent *event);

    // One modal box of the owner's, from its opening until it has returned.
    class Box
    {
    public:
        explicit Box(DeletionGuard &guard);
        ~Box();
        Box(const Box &) = delete;
        Box &operator=(const Box &) = delete;

    private:
        DeletionGuard &guard;
    };

private:
    static QEvent::Type heldDeletion();

    QObject *owner;
    int boxes = 0;
    bool held = false;
};

#endif // DELETIONGUARD_H
