#ifndef PROPERTYDIALOG_H
#define PROPERTYDIALOG_H

#include <QDialog>

class MainWindow;
class QLineEdit;

namespace Ui {
class PropertyDialog;
}

// Edits the connection settings of the open document: module address, TCP and UDP ports,
// reply time-out and auto-start. OK stores them as one undoable edit of the document.
class PropertyDialog : public QDialog
{
    Q_OBJECT

public:
    PropertyDialog(QWidget *mainWindow, QWidget *parent);
    ~PropertyDialog() override;

private slots:
    void on_buttonBox_accepted();

private:
    // The port typed into `edit`, or false (after a warning naming `field`) for a text that is
    // no port number.
    bool readPort(QLineEdit *edit, const QString &field, quint16 *port);
    // The time-out typed, or false (after a warning) for a text that is no time-out.
    bool readTimeout(int *seconds);
    void refuse(QLineEdit *edit, const QString &message);

    Ui::PropertyDialog *ui;
    MainWindow *mainWindow;
};

#endif // PROPERTYDIALOG_H
