#ifndef WRITEPROTECTDIALOG_H
#define WRITEPROTECTDIALOG_H

#include <QDialog>

class MainWindow;

namespace Ui {
class WriteProtectDialog;
}

// Collects two wishes: write protection of the module's registers now (current) and after its
// next start (boot); a checked box means protected. OK is offered only while a wish differs
// from the state the dialog opened with, and hands both to the main window, which writes them.
class WriteProtectDialog : public QDialog
{
    Q_OBJECT

public:
    WriteProtectDialog(bool current, bool boot, QWidget *parent);
    ~WriteProtectDialog() override;

private slots:
    void on_currentCheckBox_toggled(bool checked);
    void on_bootCheckBox_toggled(bool checked);
    void on_buttonBox_accepted();

private:
    void updateOkButton();

    Ui::WriteProtectDialog *ui;
    MainWindow *mainWindow;
    bool initialCurrent;
    bool initialBoot;
};

#endif // WRITEPROTECTDIALOG_H
