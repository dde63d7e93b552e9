#include "streamfeeder.h"

#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

namespace {

const qint64 Backlog = 1 << 20; // bytes kept waiting for each client
const int FloodRecords = 8192;  // records per flood block
const int PieceMs = 2;          // pause between the pieces of cut writes
const int FloodPollMs = 5;
const quint64 ValueMask = 0x00FFFFFFFFFFFFFFull;

void putRecord(char *to, int tag, int channel, quint64 value)
{
    qToBigEndian<quint64>((quint64(tag) << 60) | (quint64(channel) << 56) | (value & ValueMask),
                          to);
}

} // namespace

StreamFeeder::StreamFeeder(MaskSource runningChannels, void *context, QObject *parent)
    : QObject(parent), runningChannels(runningChannels), context(context),
      floodTimer(new QTimer(this)), pieceTimer(new QTimer(this))
{
    setPlan(StreamPlan());
    connect(floodTimer, SIGNAL(timeout()), this, SLOT(feedFlood()));
    connect(pieceTimer, SIGNAL(timeout()), this, SLOT(sendPieces()));
}

void StreamFeeder::setPlan(const StreamPlan &newPlan)
{
    plan = newPlan;
    for (int ch = 0; ch < StreamPlan::channels; ++ch)
        next[ch] = plan.first[ch];
    sinceInvalid = 0;
    if (plan.flood) {
        floodTimer->start(FloodPollMs);
        feedFlood();
    } else {
        floodTimer->stop();
    }
}

StreamFeeder::Client *StreamFeeder::find(QTcpSocket *socket)
{
    for (Client &client : clients)
        if (client.socket == socket)
            return &client;
    return nullptr;
}

void StreamFeeder::addClient(QTcpSocket *socket)
{
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    clients.append(Client{socket, QByteArray(), 0, false});
    connect(socket, SIGNAL(bytesWritten(qint64)), this, SLOT(feedFlood()));
    if (plan.flood)
        feedFlood();
}

void StreamFeeder::removeClient(QTcpSocket *socket)
{
    socket->disconnect(this);
    for (int i = 0; i < clients.size(); ++i) {
        if (clients[i].socket == socket) {
            clients.removeAt(i);
            return;
        }
    }
}

void StreamFeeder::clear()
{
    for (Client &client : clients)
        client.socket->disconnect(this);
    clients.clear();
    floodTimer->stop();
    pieceTimer->stop();
}

QByteArray StreamFeeder::makeRecords(int rounds, quint8 mask)
{
    int perRound = 0;
    for (int ch = 0; ch < StreamPlan::channels; ++ch)
        perRound += (mask >> ch) & 1;
    const int most = rounds * perRound * (plan.invalidEvery > 0 ? 2 : 1);
    QByteArray bytes(most * 8, Qt::Uninitialized);
    char *out = bytes.data();
    for (int r = 0; r < rounds; ++r) {
        for (int ch = 0; ch < StreamPlan::channels; ++ch) {
            if (!((mask >> ch) & 1))
                continue;
            putRecord(out, 1, ch, next[ch]);
            out += 8;
            next[ch] += plan.step[ch];
            if (plan.invalidEvery > 0 && ++sinceInvalid >= plan.invalidEvery) {
                putRecord(out, 2, ch, next[ch]);
                out += 8;
                sinceInvalid = 0;
            }
        }
    }
    bytes.resize(int(out - bytes.data()));
    return bytes;
}

void StreamFeeder::tick()
{
    const quint8 mask = runningChannels(context);
    if (clients.isEmpty() || !mask)
        return;
    const QByteArray records = makeRecords(1, mask);
    // A client that does not read misses records rather than piling them up here.
    for (Client &client : clients)
        if (!full(client))
            deliver(client, records, records.size() / 8);
}

bool StreamFeeder::full(const Client &client) const
{
    return client.socket->bytesToWrite() + client.queue.size() >= Backlog;
}

void StreamFeeder::sendBytes(const QByteArray &bytes)
{
    for (Client &client : clients)
        deliver(client, bytes, bytes.size() / 8);
}

void StreamFeeder::deliver(Client &client, QByteArray bytes, int records)
{
    if (client.closing)
        return;
    if (plan.closeAfter > 0 && client.records + records >= plan.closeAfter) {
        const qint64 allowed = plan.closeAfter - client.records;
        bytes = bytes.left(int(allowed * 8));
        records = int(allowed);
        client.closing = true;
    }
    client.records += records;
    made.fetchAndAddRelaxed(records);
    write(client, bytes);
    if (client.closing)
        closeWhenSent(client);
}

void StreamFeeder::write(Client &client, const QByteArray &bytes)
{
    if (plan.segmentBytes <= 0) {
        client.socket->write(bytes);
        return;
    }
    client.queue += bytes;
    if (!pieceTimer->isActive())
        pieceTimer->start(PieceMs);
}

// Queued, because a close without pending data reports disconnected() at once, and that
// removes the client from the list being walked.
void StreamFeeder::closeWhenSent(Client &client)
{
    if (!client.queue.isEmpty())
        return;
    QTcpSocket *socket = client.socket;
    QMetaObject::invokeMethod(
        socket, [socket]() { socket->disconnectFromHost(); }, Qt::QueuedConnection);
}

void StreamFeeder::sendPieces()
{
    bool more = false;
    for (Client &client : clients) {
        if (client.queue.isEmpty())
            continue;
        const int piece = qMax(plan.segmentBytes, 1);
        client.socket->write(client.queue.left(piece));
        client.socket->flush();
        client.queue.remove(0, piece);
        if (client.queue.isEmpty() && client.closing)
            closeWhenSent(client);
        more = more || !client.queue.isEmpty();
    }
    if (!more)
        pieceTimer->stop();
}

void StreamFeeder::feedFlood()
{
    if (!plan.flood)
        return;
    const quint8 mask = runningChannels(context);
    if (!mask)
        return;
    int perRound = 0;
    for (int ch = 0; ch < StreamPlan::channels; ++ch)
        perRound += (mask >> ch) & 1;
    for (Client &client : clients) {
        while (!client.closing && !full(client)) {
            const QByteArray block = makeRecords(FloodRecords / perRound, mask);
            deliver(client, block, block.size() / 8);
        }
    }
}
