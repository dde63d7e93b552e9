#ifndef EMULATORSERVER_H
#define EMULATORSERVER_H

#include <QAtomicInt>
#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include "streamplan.h"

class ModuleEmulator;
class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;
class StreamFeeder;

// The emulator's sockets, living on the emulator's thread: REGX over UDP and the counter stream
// over TCP, both bound to 127.0.0.1 only.
class EmulatorServer : public QObject
{
    Q_OBJECT
public:
    explicit EmulatorServer(ModuleEmulator *emulator);

    bool listen(quint16 udpPort, quint16 tcpPort, int streamMsecs, const StreamPlan &plan);
    void shutdown();
    void setStreamInterval(int msecs);
    void sendStreamBytes(const QByteArray &bytes);
    void setStreamPlan(const StreamPlan &plan);
    qint64 streamRecordsSent() const;
    quint16 udpPort() const { return boundUdp; }
    quint16 tcpPort() const { return boundTcp; }
    int clientCount() const { return clientTotal.loadAcquire(); }
    qint64 discardedBytes() const { return discardedTotal.loadAcquire(); }
    QString errorText() const { return lastError; }

private slots:
    void readDatagrams();
    void acceptConnections();
    void dropConnection();
    void discardInput();
    void streamTick();
    void sendDelayedReplies();

private:
    ModuleEmulator *emulator;
    QUdpSocket *udp = nullptr;
    QTcpServer *tcp = nullptr;
    QTimer *streamTimer = nullptr;
    struct DelayedReply {
        qint64 due;
        QByteArray datagram;
        QHostAddress receiver;
        quint16 port;
    };

    void scheduleDelayed();

    QTimer *delayTimer = nullptr;
    QElapsedTimer clock;
    QList<DelayedReply> delayed;
    QList<QTcpSocket *> clients;
    StreamFeeder *feeder = nullptr;
    quint16 boundUdp = 0;
    quint16 boundTcp = 0;
    QAtomicInt clientTotal;
    QAtomicInteger<qint64> discardedTotal;
    QString lastError;
};

#endif
