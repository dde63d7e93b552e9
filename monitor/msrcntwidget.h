#ifndef MSRCNTWIDGET_H
#define MSRCNTWIDGET_H

#include "deletionguard.h"

#include <QAbstractSocket>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;
class QUdpThread;
class QVexonThread;
struct MsrCntConfig;

namespace Ui {
class MsrCntWidget;
}

// The modeless "Measure Counter" window: the newest value, time of the last update, number of
// records and their running sum of the module's four measurement counters, received through a
// QVexonThread, and Start/Stop of the user-gated counters through the counter-enable registers.
class MsrCntWidget : public QDialog
{
    Q_OBJECT

public:
    static const int channels = 4;
    static const quint32 counterEnableRegister = 0x0064; // + channel
    static const char startCounting = char(0x80);
    static const char stopCounting = 0x00;

    MsrCntWidget(const MsrCntConfig &config, MainWindow *parent);
    ~MsrCntWidget() override;

    void setConfig(const MsrCntConfig &config);

    // State for tests and for the main window.
    bool connectionOpen() const { return isConnected; }
    QVexonThread *stream() const { return streamThread; }
    bool isRunning(int channel) const { return running[channel]; }
    int pendingWrites() const { return workers.size(); }
    QString statusText() const;

public slots:
    void connectToServer();
    void connected();
    void updateData(int channel, QString text, quint64 n, double s);
    void stopUpdate();
    void connectionClosedByServer();
    void error(QAbstractSocket::SocketError code);
    void error(QString text);
    void accept() override;
    void end(bool ok);
    void onError(QString *text);
    void msr0Clicked();
    void msr1Clicked();
    void msr2Clicked();
    void msr3Clicked();
    // A log of the stream that could not be written: its file and the reason.
    void logFailed(QString text);

protected:
    bool event(QEvent *event) override;

private:
    void msrClicked(int channel);
    void resetChannel(int channel);
    void resetButtons();
    void setStatus(const QString &text);
    void setRowEnabled(int channel, bool enabled);
    void finishStream();
    // A report from a stream thread other than the current one is history.
    bool fromOtherStream() const;

    Ui::MsrCntWidget *ui;
    QVexonThread *streamThread = nullptr;
    // The thread whose records the counts hold; its last reports may arrive after it was
    // stopped. Compared only, never used.
    const QObject *countedStream = nullptr;
    QUdpThread *udpThread = nullptr;
    QString lastError;
    QString host;
    quint16 tcpPort = 0;
    quint16 udpPort = 0;
    int timeout = 1;
    bool isConnected = false;
    bool running[channels] = {};
    int mode[channels] = {-1, -1, -1, -1};
    QString path[channels];
    QString name[channels];
    QString unit[channels];
    QLabel *nameLabel[channels];
    QLineEdit *valueEdit[channels];
    QLineEdit *timeEdit[channels];
    QLineEdit *numberEdit[channels];
    QLineEdit *integrationEdit[channels];
    QPushButton *startButton[channels];
    double count[channels] = {};
    double sum[channels] = {};

    // Earlier stream threads told to stop but not waited for; they delete themselves.
    QList<QPointer<QVexonThread>> retiredStreams;
    // Every register-write worker until its own closed(bool).
    QList<QUdpThread *> workers;
    // Its boxes: the failed write's warning, the question on logs that cannot be written.
    DeletionGuard deletionGuard{this};
};

#endif // MSRCNTWIDGET_H
