#ifndef MODULEPROGRESSDIALOG_H
#define MODULEPROGRESSDIALOG_H

#include <QProgressDialog>

class QCloseEvent;

// The modal progress box of a module operation. Cancel, Escape or the window's close button
// only ask the operation to stop (canceled()): the box stays up, so that nothing edits, opens or
// saves the document until the operation's end slot has run and closed it with finish().
class ModuleProgressDialog : public QProgressDialog
{
    Q_OBJECT

public:
    // A maximum of 0 gives a busy box.
    ModuleProgressDialog(const QString &label, int maximum, QWidget *parent);

    bool cancelRequested() const { return cancelling; }
    void finish();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void holdAfterCancel();

private:
    bool cancelling = false;
};

#endif // MODULEPROGRESSDIALOG_H
