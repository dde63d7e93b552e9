#ifndef STREAMFEEDER_H
#define STREAMFEEDER_H

#include "streamplan.h"

#include <QAtomicInteger>
#include <QByteArray>
#include <QList>
#include <QObject>

class QTcpSocket;
class QTimer;

// Writes the counter records of the emulated module to its stream clients, on the emulator's
// thread, following a StreamPlan. Records go to channels whose enable bit is set in the mask
// that `runningChannels` returns. At most about a megabyte waits for any one client.
class StreamFeeder : public QObject
{
    Q_OBJECT
public:
    using MaskSource = quint8 (*)(void *context);

    StreamFeeder(MaskSource runningChannels, void *context, QObject *parent);

    void setPlan(const StreamPlan &plan);
    void addClient(QTcpSocket *socket);
    void removeClient(QTcpSocket *socket);
    void clear();
    // One record per running channel to every client.
    void tick();
    // Bytes as given to every client.
    void sendBytes(const QByteArray &bytes);
    qint64 recordsMade() const { return made.loadAcquire(); }

private slots:
    void feedFlood();
    void sendPieces();

private:
    struct Client {
        QTcpSocket *socket;
        QByteArray queue; // bytes waiting for their piece
        qint64 records = 0;
        bool closing = false;
    };

    Client *find(QTcpSocket *socket);
    // The client has as many bytes waiting as it may.
    bool full(const Client &client) const;
    QByteArray makeRecords(int rounds, quint8 mask);
    // Queues `bytes` holding `records` records; the close after N records cuts them short.
    void deliver(Client &client, QByteArray bytes, int records);
    void write(Client &client, const QByteArray &bytes);
    void closeWhenSent(Client &client);

    MaskSource runningChannels;
    void *context;
    StreamPlan plan;
    quint64 next[StreamPlan::channels];
    qint64 sinceInvalid = 0;
    QList<Client> clients;
    QTimer *floodTimer;
    QTimer *pieceTimer;
    QAtomicInteger<qint64> made{0};
};

#endif // STREAMFEEDER_H
