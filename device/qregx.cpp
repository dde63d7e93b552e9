#include "qregx.h"

#include "moduleregisters.h"

#include <QElapsedTimer>
#include <QUdpSocket>

#include <climits>
#include <cstring>

namespace {

const int PollMsecs = 100;
const int HeaderSize = 8;
const quint8 ProtocolMark = 0xFF;
const quint8 ReadCommand = 0xC0;
const quint8 WriteCommand = 0x80;
const int LargestPayload = 128;

QString hex8(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

void appendHeader(QByteArray &packet, quint8 command, quint8 id, int length, quint32 address)
{
    packet.append(char(ProtocolMark));
    packet.append(char(command));
    packet.append(char(id));
    packet.append(char(quint8(length)));
    packet.append(char(address >> 24));
    packet.append(char((address >> 16) & 0xFF));
    packet.append(char((address >> 8) & 0xFF));
    packet.append(char(address & 0xFF));
}

} // namespace

QRegx::QRegx(QObject *parent) : QThread(parent)
{
    // error(QString*) crosses to the user-interface thread queued.
    qRegisterMetaType<QString *>("QString*");
}

QRegx::~QRegx()
{
    abortAndWait();
    delete socket;
}

void QRegx::abortAndWait()
{
    aborted = true;
    while (isRunning())
        QThread::msleep(PollMsecs);
}

void QRegx::setHost(const QHostAddress &address, quint16 udpPort, int)
{
    host = address;
    port = udpPort;
}

void QRegx::abort()
{
    aborted = true;
}

void QRegx::setTimeout(int seconds)
{
    // Ten polls a second, held within an int for any time-out.
    if (seconds > 0)
        replyPolls = seconds > INT_MAX / 10 ? INT_MAX : seconds * 10;
}

void QRegx::setRetry(int retries)
{
    if (retries > 0)
        attempts = retries + 1;
}

int QRegx::readByte(quint32 address, quint8 *value)
{
    return readWithRetry(address, reinterpret_cast<char *>(value), 1);
}

int QRegx::read(quint32 address, char *dst, int length)
{
    if (length <= 0)
        return 0;
    const int payload = qBound(1, maxPayload, LargestPayload);
    int done = 0;
    while (done < length) {
        const int n = qMin(payload, length - done);
        const int got = readWithRetry(address + quint32(done), dst ? dst + done : nullptr, n);
        if (got < n)
            return done;
        done += n;
    }
    return length;
}

int QRegx::readExact(quint32 address, char *dst, int length)
{
    const int got = read(address, dst, length);
    if (got != length) {
        log += QStringLiteral("address: 0x%1\n").arg(hex8(address));
        log += QStringLiteral("request length: %1\n").arg(length);
        log += QStringLiteral("read length: %1\n\n").arg(got);
        throw ErrSts(-2);
    }
    return got;
}

int QRegx::writeByte(quint32 address, quint8 value)
{
    const char byte = char(value);
    return writeWithRetry(address, &byte, 1);
}

int QRegx::write(quint32 address, const char *data, int length)
{
    if (length <= 0)
        return 0;
    const int payload = qBound(1, maxPayload, LargestPayload);
    int done = 0;
    while (done < length) {
        const int n = qMin(payload, length - done);
        const int put = writeWithRetry(address + quint32(done), data + done, n);
        if (put < n)
            return done;
        done += n;
    }
    return length;
}

int QRegx::writeExact(quint32 address, const char *data, int length)
{
    const int put = write(address, data, length);
    if (put != length)
        throw ErrSts(-1);
    return put;
}

bool QRegx::setWriteEnable(bool on)
{
    return writeByte(ModuleRegisters::WriteEnable,
                     on ? ModuleRegisters::WriteEnableOn : ModuleRegisters::WriteEnableOff) == 1;
}

QString QRegx::statusText(int status) const
{
    switch (status) {
    case 0:
        return QStringLiteral("QRegx: Aborted");
    case -1:
        return QStringLiteral("QRegx: Unable to write");
    case -2:
        return QStringLiteral("QRegx: Unable to read");
    case -4:
        return QStringLiteral("QRegx: Bus Error");
    case -5:
        return QStringLiteral("QRegx: Socket operation timed out");
    default:
        break;
    }
    // A malformed reply leaves the socket without an error of its own to tell.
    if (status == -3 && shortReply)
        return QStringLiteral("QRegx: Reply too short");
    return socket ? socket->errorString() : QStringLiteral("Unknown error");
}

quint8 QRegx::buildReadRequest(quint32 address, int length)
{
    const quint8 id = nextId();
    packet.clear();
    appendHeader(packet, ReadCommand, id, length, address);
    return id;
}

int QRegx::readWithRetry(quint32 address, char *dst, int length)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int result = transact(buildReadRequest(address, length));
        if (result == -4) {
            appendAddressLines("read", address, length);
            throw ErrSts(-4);
        }
        if (result == -5)
            continue;
        const int n = qMin(result - HeaderSize, length);
        if (dst && n > 0)
            std::memcpy(dst, packet.constData() + HeaderSize, size_t(n));
        return qMax(n, 0);
    }
    appendAddressLines("read", address, length);
    throw ErrSts(-5);
}

quint8 QRegx::buildWriteRequest(quint32 address, const char *data, int length)
{
    const quint8 id = nextId();
    packet.clear();
    appendHeader(packet, WriteCommand, id, length, address);
    packet.append(data, length);
    return id;
}

int QRegx::writeWithRetry(quint32 address, const char *data, int length)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const int result = transact(buildWriteRequest(address, data, length));
        if (result == -4) {
            appendAddressLines("write", address, length);
            throw ErrSts(-4);
        }
        if (result == -5)
            continue;
        return length;
    }
    appendAddressLines("write", address, length);
    throw ErrSts(-5);
}

void QRegx::appendAddressLines(const char *direction, quint32 address, int length)
{
    log += QLatin1String(direction) + QStringLiteral(" address: 0x%1\n").arg(hex8(address));
    log += QStringLiteral("length: %1\n\n").arg(length);
}

bool QRegx::openSocket()
{
    if (socket)
        return true;
    succeeded = false;
    if (host.isNull())
        return false;
    socket = new QUdpSocket;
    socket->connectToHost(host, port, QIODevice::ReadWrite);
    sentRequests = 0;
    return true;
}

void QRegx::closeSocket()
{
    if (socket) {
        socket->close();
        delete socket;
        socket = nullptr;
    }
    // A stop request raised before the run reached its first request still ends that run; the
    // next run of the same object starts clear.
    aborted = false;
    emit closed(succeeded);
}

int QRegx::transact(quint8 id)
{
    if (aborted)
        throw ErrSts(0);
    shortReply = false;
    if (!socket || socket->write(packet) <= 0)
        throw ErrSts(-3);
    ++sentRequests;
    for (int poll = 0;; ++poll) {
        if (poll >= replyPolls)
            return -5;
        if (aborted)
            throw ErrSts(0);
        if (!socket->hasPendingDatagrams()) {
            QElapsedTimer waited;
            waited.start();
            if (!socket->waitForReadyRead(PollMsecs)) {
                // A socket in an error state returns at once; keep the poll its full length.
                const qint64 rest = PollMsecs - waited.elapsed();
                if (rest > 0)
                    QThread::msleep(quint32(rest));
                continue;
            }
            if (!socket->hasPendingDatagrams())
                continue;
        }
        const qint64 size = socket->pendingDatagramSize();
        packet.resize(int(qMax<qint64>(size, 0)));
        const qint64 got = socket->readDatagram(packet.data(), packet.size());
        if (got < HeaderSize) {
            shortReply = true;
            throw ErrSts(-3);
        }
        packet.resize(int(got));
        if (quint8(packet[2]) != id)
            continue; // a stale or foreign reply costs this poll
        if (quint8(packet[1]) & 0x01)
            return -4;
        return int(got);
    }
}

quint8 QRegx::nextId()
{
    packetId = quint8(packetId + 1);
    if (packetId >= 128)
        packetId = 0;
    return packetId;
}
