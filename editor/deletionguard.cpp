#include "deletionguard.h"

#include <QCoreApplication>
#include <QObject>

QEvent::Type DeletionGuard::heldDeletion()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool DeletionGuard::filter(QEvent *event)
{
    const bool deletion = event->type() == QEvent::DeferredDelete;
    if (!deletion && event->type() != heldDeletion())
        return false;
    if (boxes > 0) {
        held = true;
        return true;
    }
    if (deletion)
        return false;
    // Qt drops a second deleteLater() of an object whose first one was taken while other events
    // for it wait, so the held deletion comes back as an event of its own.
    delete owner;
    return true;
}

DeletionGuard::Box::Box(DeletionGuard &guard) : guard(guard)
{
    ++guard.boxes;
}

DeletionGuard::Box::~Box()
{
    if (--guard.boxes > 0 || !guard.held)
        return;
    guard.held = false;
    QCoreApplication::postEvent(guard.owner, new QEvent(heldDeletion()));
}
