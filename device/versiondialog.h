#ifndef VERSIONDIALOG_H
#define VERSIONDIALOG_H

#include <QDialog>
#include <QString>

class MainWindow;
class QUdpThread;

namespace Ui {
class VersionDialog;
}

// The About box: product title, the software version from "version.txt" next to the program,
// and on Load the module's four version bytes as eight hexadecimal digits.
class VersionDialog : public QDialog
{
    Q_OBJECT

public:
    explicit VersionDialog(QWidget *parent);
    ~VersionDialog() override;

    // The first line of the file that begins with "v", its "v" replaced by "Software Version ";
    // empty when the file cannot be read or holds no such line.
    static QString softwareVersion(const QString &fileName);

private slots:
    void on_pushButton_clicked();
    void end(bool ok);
    void setVersion(QByteArray *data);
    void onError(QString *text);

protected:
    Ui::VersionDialog *ui;
    MainWindow *mainWindow = nullptr;
    QUdpThread *thread = nullptr; // the running Load
    QString errorText;
};

#endif // VERSIONDIALOG_H
