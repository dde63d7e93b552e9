#include "emulatorserver.h"

#include "moduleemulator.h"
#include "streamfeeder.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

EmulatorServer::EmulatorServer(ModuleEmulator *emulator) : emulator(emulator) {}

bool EmulatorServer::listen(quint16 udpPort, quint16 tcpPort, int streamMsecs,
                            const StreamPlan &plan)
{
    udp = new QUdpSocket(this);
    if (!udp->bind(QHostAddress(QHostAddress::LocalHost), udpPort)) {
        lastError = QStringLiteral("UDP port %1: %2").arg(udpPort).arg(udp->errorString());
        shutdown();
        return false;
    }
    tcp = new QTcpServer(this);
    if (!tcp->listen(QHostAddress(QHostAddress::LocalHost), tcpPort)) {
        lastError = QStringLiteral("TCP port %1: %2").arg(tcpPort).arg(tcp->errorString());
        shutdown();
        return false;
    }
    boundUdp = udp->localPort();
    boundTcp = tcp->serverPort();
    connect(udp, SIGNAL(readyRead()), this, SLOT(readDatagrams()));
    connect(tcp, SIGNAL(newConnection()), this, SLOT(acceptConnections()));
    delayTimer = new QTimer(this);
    delayTimer->setSingleShot(true);
    connect(delayTimer, SIGNAL(timeout()), this, SLOT(sendDelayedReplies()));
    clock.start();
    feeder = new StreamFeeder(
        [](void *module) { return static_cast<ModuleEmulator *>(module)->runningChannels(); },
        emulator, this);
    feeder->setPlan(plan);
    streamTimer = new QTimer(this);
    connect(streamTimer, SIGNAL(timeout()), this, SLOT(streamTick()));
    setStreamInterval(streamMsecs);
    return true;
}

void EmulatorServer::shutdown()
{
    if (feeder)
        feeder->clear();
    delete feeder;
    feeder = nullptr;
    for (QTcpSocket *client : clients) {
        client->disconnect(this);
        client->abort();
        delete client;
    }
    clients.clear();
    clientTotal.storeRelease(0);
    delayed.clear();
    delete delayTimer;
    delayTimer = nullptr;
    delete streamTimer;
    streamTimer = nullptr;
    delete tcp;
    tcp = nullptr;
    delete udp;
    udp = nullptr;
}

void EmulatorServer::readDatagrams()
{
    while (udp && udp->hasPendingDatagrams()) {
        const QNetworkDatagram request = udp->receiveDatagram();
        if (!request.isValid())
            continue;
        const QHostAddress sender = request.senderAddress();
        const quint16 port = quint16(request.senderPort());
        const QVector<ModuleEmulator::Reply> replies = emulator->handleRequest(request.data());
        for (const ModuleEmulator::Reply &reply : replies) {
            if (reply.delayMs <= 0) {
                udp->writeDatagram(reply.datagram, sender, port);
                continue;
            }
            delayed.append(
                DelayedReply{clock.elapsed() + reply.delayMs, reply.datagram, sender, port});
        }
        scheduleDelayed();
    }
}

void EmulatorServer::scheduleDelayed()
{
    if (delayed.isEmpty() || !delayTimer)
        return;
    qint64 first = delayed.first().due;
    for (const DelayedReply &reply : delayed)
        first = qMin(first, reply.due);
    delayTimer->start(int(qMax<qint64>(first - clock.elapsed(), 0)));
}

void EmulatorServer::sendDelayedReplies()
{
    const qint64 now = clock.elapsed();
    for (int i = 0; i < delayed.size();) {
        if (delayed[i].due <= now && udp) {
            udp->writeDatagram(delayed[i].datagram, delayed[i].receiver, delayed[i].port);
            delayed.removeAt(i);
        } else {
            ++i;
        }
    }
    scheduleDelayed();
}

void EmulatorServer::acceptConnections()
{
    while (tcp && tcp->hasPendingConnections()) {
        QTcpSocket *client = tcp->nextPendingConnection();
        client->setParent(nullptr);
        connect(client, SIGNAL(disconnected()), this, SLOT(dropConnection()));
        connect(client, SIGNAL(readyRead()), this, SLOT(discardInput()));
        clients.append(client);
        feeder->addClient(client);
    }
    clientTotal.storeRelease(clients.size());
}

// The stream only sends: whatever a client sends is read and dropped, so that
// it cannot pile up in the socket's buffer.
void EmulatorServer::discardInput()
{
    if (QTcpSocket *client = qobject_cast<QTcpSocket *>(sender())) {
        const qint64 bytes = client->bytesAvailable();
        client->skip(bytes);
        discardedTotal.fetchAndAddRelaxed(bytes);
    }
}

void EmulatorServer::dropConnection()
{
    QTcpSocket *client = qobject_cast<QTcpSocket *>(sender());
    if (!client)
        return;
    clients.removeAll(client);
    if (feeder)
        feeder->removeClient(client);
    clientTotal.storeRelease(clients.size());
    client->deleteLater();
}

void EmulatorServer::setStreamInterval(int msecs)
{
    if (!streamTimer)
        return;
    if (msecs > 0)
        streamTimer->start(msecs);
    else
        streamTimer->stop();
}

void EmulatorServer::sendStreamBytes(const QByteArray &bytes)
{
    if (feeder)
        feeder->sendBytes(bytes);
}

void EmulatorServer::setStreamPlan(const StreamPlan &plan)
{
    if (feeder)
        feeder->setPlan(plan);
}

qint64 EmulatorServer::streamRecordsSent() const
{
    return feeder ? feeder->recordsMade() : 0;
}

// Records of the running channels, as the plan makes them.
void EmulatorServer::streamTick()
{
    if (feeder)
        feeder->tick();
}
