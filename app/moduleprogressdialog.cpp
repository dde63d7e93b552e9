#include "moduleprogressdialog.h"

#include <QCloseEvent>
#include <QPushButton>

ModuleProgressDialog::ModuleProgressDialog(const QString &label, int maximum, QWidget *parent)
    : QProgressDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // Reaching the maximum early must not free the window while the operation still runs.
    setAutoReset(false);
    setAutoClose(false);
    // QProgressDialog hides itself on canceled(); this box stays until finish().
    disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    connect(this, SIGNAL(canceled()), this, SLOT(holdAfterCancel()));
    setLabelText(label);
    setRange(0, maximum);
    setModal(true);
}

// Closed without setValue(): on a modal box that would run the event loop inside the end slot.
void ModuleProgressDialog::finish()
{
    hide();
    // Also stops the timer that would show the box again.
    reset();
}

void ModuleProgressDialog::reject()
{
    emit canceled();
}

void ModuleProgressDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    emit canceled();
}

void ModuleProgressDialog::holdAfterCancel()
{
    if (cancelling)
        return;
    cancelling = true;
    setLabelText(labelText() + tr("\nCancelling..."));
    if (auto *button = findChild<QPushButton *>())
        button->setEnabled(false);
}
