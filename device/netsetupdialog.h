#ifndef NETSETUPDIALOG_H
#define NETSETUPDIALOG_H

#include "networksettingswriter.h"

#include <QDialog>
#include <QString>

class MainWindow;
class QByteArray;
class QHostAddress;
class QUdpThread;

namespace Ui {
class NetSetupDialog;
}

// Reads the module's network-settings block and writes a new address, TCP data port and UDP
// port into it. The module named in the Target group is the one talked to; the module takes the
// new values when it restarts. Closed after a successful write, the written values become the
// window's connection settings, as one undoable edit.
class NetSetupDialog : public QDialog, public NetworkSettingsWriter
{
    Q_OBJECT

public:
    explicit NetSetupDialog(QWidget *parent);
    ~NetSetupDialog() override;

    // Runs on the worker's thread, from the values captured when the write started.
    void writeSettings(QUdpThread *worker) override;

    bool isBusy() const { return thread != nullptr; }
    using QDialog::close;

public slots:
    // Refused while a read or write runs, so the module is never left half-written.
    void reject() override;

private slots:
    void on_pushButtonDefault_clicked();
    void on_pushButtonRenewal_clicked();
    void on_pushButtonRead_clicked();
    void end(bool ok);
    void close(bool ok);
    void setStr(QByteArray *block);
    void onError(QString *text);
    void closeDialog();

private:
    struct NetworkValues {
        QString addressText;
        quint8 address[4] = {0, 0, 0, 0};
        quint16 tcpPort = 0;
        quint16 udpPort = 0;
    };

    static bool parsePort(const QString &text, quint16 *port);
    // Checks the Target edits, warning when they name no module; keeps their texts.
    bool takeTarget(QHostAddress *address, quint16 *port);
    void startWorker(const QHostAddress &address, quint16 port);
    void setButtonsEnabled(bool enabled);
    int timeout() const;

    Ui::NetSetupDialog *ui;
    MainWindow *mainWindow;
    QUdpThread *thread = nullptr;
    QString errorText;
    QString defaultAddress;
    QString defaultPort;
    bool updated = false;
    QString targetText; // Target texts of the running operation, for its messages
    QString targetPortText;
    NetworkValues pending; // what the running write writes
    NetworkValues written; // what the last successful write wrote
};

#endif
