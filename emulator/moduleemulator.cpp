#include "moduleemulator.h"

#include "emulatorserver.h"

#include <QMutexLocker>
#include <QThread>

namespace {

const int MaxLogEntries = 200000;
// Junk must not grow the log without bound: a datagram keeps no more than a
// header can announce (8 + 255 bytes), and the log keeps within a byte budget.
const int KeptDatagramBytes = 8 + 255;
const qint64 MaxLogBytes = 32 << 20;
const int MaxPayload = 128;
const quint8 Mark = 0xFF;
const quint8 ReadCommand = 0xC0;
const quint8 WriteCommand = 0x80;

qint64 costOf(const RequestLogEntry &entry)
{
    return qint64(sizeof(RequestLogEntry)) + entry.datagram.size() + entry.data.size() +
           2 * (entry.violation.size() + entry.fault.size() + entry.note.size());
}

QString hex(quint32 value, int width = 2)
{
    return QStringLiteral("0x%1").arg(value, width, 16, QLatin1Char('0'));
}

} // namespace

ModuleEmulator::ModuleEmulator()
{
    clock.start();
}

ModuleEmulator::~ModuleEmulator()
{
    stop();
}

bool ModuleEmulator::start(quint16 udpPort, quint16 tcpPort, QString *error)
{
    if (isRunning())
        return true;
    QThread *worker = new QThread;
    worker->setObjectName(QStringLiteral("module emulator"));
    EmulatorServer *s = new EmulatorServer(this);
    s->moveToThread(worker);
    worker->start();
    bool ok = false;
    int interval;
    StreamPlan startPlan;
    {
        QMutexLocker lock(&mutex);
        interval = streamInterval;
        startPlan = plan;
    }
    QMetaObject::invokeMethod(
        s, [&]() { ok = s->listen(udpPort, tcpPort, interval, startPlan); },
        Qt::BlockingQueuedConnection);
    if (!ok) {
        if (error)
            *error = s->errorText();
        worker->quit();
        worker->wait();
        delete s;
        delete worker;
        return false;
    }
    QMutexLocker lock(&mutex);
    thread = worker;
    server = s;
    boundUdp = s->udpPort();
    boundTcp = s->tcpPort();
    return true;
}

void ModuleEmulator::stop()
{
    QThread *worker;
    EmulatorServer *s;
    {
        QMutexLocker lock(&mutex);
        worker = thread;
        s = server;
        thread = nullptr;
        server = nullptr;
        boundUdp = 0;
        boundTcp = 0;
    }
    if (!worker)
        return;
    QMetaObject::invokeMethod(
        s, [s]() { s->shutdown(); }, Qt::BlockingQueuedConnection);
    worker->quit();
    worker->wait();
    delete s;
    delete worker;
}

bool ModuleEmulator::isRunning() const
{
    QMutexLocker lock(&mutex);
    return thread != nullptr;
}

quint16 ModuleEmulator::udpPort() const
{
    QMutexLocker lock(&mutex);
    return boundUdp;
}

quint16 ModuleEmulator::tcpPort() const
{
    QMutexLocker lock(&mutex);
    return boundTcp;
}

void ModuleEmulator::reset()
{
    QMutexLocker lock(&mutex);
    memory.reset();
    keepState();
}

void ModuleEmulator::boot()
{
    QMutexLocker lock(&mutex);
    memory.boot();
}

QByteArray ModuleEmulator::peek(quint32 address, int length) const
{
    QMutexLocker lock(&mutex);
    return memory.peek(address, length);
}

bool ModuleEmulator::poke(quint32 address, const QByteArray &bytes)
{
    QMutexLocker lock(&mutex);
    const bool all = memory.poke(address, bytes);
    keepState();
    return all;
}

void ModuleEmulator::setVersion(const QByteArray &bytes)
{
    QMutexLocker lock(&mutex);
    memory.poke(ModuleMemory::VersionAddress, bytes.left(4));
    keepState();
}

void ModuleEmulator::setWriteProtected(bool current, bool boot)
{
    QMutexLocker lock(&mutex);
    const quint8 live = quint8(memory.peek(ModuleMemory::LiveControlAddress, 1)[0]);
    const quint8 stored = quint8(memory.peek(ModuleMemory::StoredControlAddress, 1)[0]);
    memory.poke(ModuleMemory::LiveControlAddress,
                QByteArray(1, char(current ? (live & ~0x01) : (live | 0x01))));
    memory.poke(ModuleMemory::StoredControlAddress,
                QByteArray(1, char(boot ? (stored & ~0x01) : (stored | 0x01))));
    keepState();
}

void ModuleEmulator::setPageState(quint8 value)
{
    QMutexLocker lock(&mutex);
    memory.setPageState(value);
}

quint8 ModuleEmulator::pageState() const
{
    QMutexLocker lock(&mutex);
    return memory.pageState();
}

void ModuleEmulator::setBusyPolls(int commandPolls, int clusterPolls)
{
    QMutexLocker lock(&mutex);
    memory.setBusyPolls(commandPolls, clusterPolls);
}

void ModuleEmulator::setBusyForever(bool on)
{
    QMutexLocker lock(&mutex);
    memory.setBusyForever(on);
}

bool ModuleEmulator::isBusy() const
{
    QMutexLocker lock(&mutex);
    return memory.isBusy();
}

bool ModuleEmulator::writeEnabled() const
{
    QMutexLocker lock(&mutex);
    return memory.writeEnabled();
}

QByteArray ModuleEmulator::networkInForce() const
{
    QMutexLocker lock(&mutex);
    return memory.networkInForce();
}

QByteArray ModuleEmulator::designImage() const
{
    QMutexLocker lock(&mutex);
    return memory.designImage();
}

QByteArray ModuleEmulator::romImage(int page) const
{
    QMutexLocker lock(&mutex);
    return memory.romImage(page);
}

QByteArray ModuleEmulator::romDirectory() const
{
    QMutexLocker lock(&mutex);
    return memory.romDirectory();
}

QByteArray ModuleEmulator::cluster(int n) const
{
    QMutexLocker lock(&mutex);
    return memory.cluster(n);
}

bool ModuleEmulator::setCluster(int n, const QByteArray &data)
{
    QMutexLocker lock(&mutex);
    const bool set = memory.setCluster(n, data);
    keepState();
    return set;
}

quint16 ModuleEmulator::fatEntry(int n) const
{
    QMutexLocker lock(&mutex);
    const QByteArray fat = memory.cluster(ModuleMemory::FatCluster);
    if (n < 0 || n >= ModuleMemory::ClusterCount)
        return 0;
    return quint16((quint8(fat[2 * n]) << 8) | quint8(fat[2 * n + 1]));
}

void ModuleEmulator::setFatEntry(int n, quint16 value)
{
    QMutexLocker lock(&mutex);
    setFatEntryLocked(n, value);
    keepState();
}

void ModuleEmulator::setFatEntryLocked(int n, quint16 value)
{
    if (n < 0 || n >= ModuleMemory::ClusterCount)
        return;
    QByteArray fat = memory.cluster(ModuleMemory::FatCluster);
    fat[2 * n] = char(value >> 8);
    fat[2 * n + 1] = char(value & 0xFF);
    memory.setCluster(ModuleMemory::FatCluster, fat);
}

void ModuleEmulator::presetFatCorruption(FatCorruption kind, int page)
{
    QMutexLocker lock(&mutex);
    const int other = (page + 1) % ModuleMemory::Pages;
    switch (kind) {
    case FatLastTooLong:
        setFatEntryLocked(page, 0x9000);
        break;
    case FatFreeInChain:
        setFatEntryLocked(page, 16);
        setFatEntryLocked(16, 0xFFFF);
        break;
    case FatBadLastLength:
        setFatEntryLocked(page, 16);
        setFatEntryLocked(16, 0x9000);
        break;
    case FatLinkToPage:
        setFatEntryLocked(page, 20);
        setFatEntryLocked(20, quint16(other));
        break;
    case FatLinkToFat:
        setFatEntryLocked(page, ModuleMemory::FatCluster);
        break;
    case FatLinkBeyond:
        setFatEntryLocked(page, 4096);
        break;
    case FatLoop:
        setFatEntryLocked(page, 20);
        setFatEntryLocked(20, 21);
        setFatEntryLocked(21, 20);
        break;
    }
    keepState();
}

bool ModuleEmulator::saveState(const QString &fileName, QString *error) const
{
    QMutexLocker lock(&mutex);
    return memory.saveState(fileName, error);
}

bool ModuleEmulator::loadState(const QString &fileName, QString *error)
{
    QMutexLocker lock(&mutex);
    return memory.loadState(fileName, error);
}

void ModuleEmulator::setStateFile(const QString &fileName)
{
    QMutexLocker lock(&mutex);
    stateFile = fileName;
    stateError.clear();
}

// Written before the request that made the change is answered: what the editor sees done is
// kept, however the emulator ends.
void ModuleEmulator::keepState()
{
    if (!memory.takeStateChange() || stateFile.isEmpty())
        return;
    QString error;
    if (memory.saveState(stateFile, &error)) {
        stateError.clear();
    } else if (error != stateError) {
        stateError = error;
        qWarning("zivra-emulator: %s", qPrintable(error));
    }
}

void ModuleEmulator::addRule(const FaultRule &rule)
{
    QMutexLocker lock(&mutex);
    rules.append(rule);
}

void ModuleEmulator::clearRules()
{
    QMutexLocker lock(&mutex);
    rules.clear();
}

int ModuleEmulator::ruleCount() const
{
    QMutexLocker lock(&mutex);
    return rules.size();
}

QVector<RequestLogEntry> ModuleEmulator::requestLog() const
{
    QMutexLocker lock(&mutex);
    return log;
}

qint64 ModuleEmulator::requestLogBytes() const
{
    QMutexLocker lock(&mutex);
    return logBytes;
}

void ModuleEmulator::clearLog()
{
    QMutexLocker lock(&mutex);
    log.clear();
    logBytes = 0;
}

int ModuleEmulator::violationCount() const
{
    QMutexLocker lock(&mutex);
    int n = 0;
    for (const RequestLogEntry &entry : log)
        if (!entry.violation.isEmpty())
            ++n;
    return n;
}

void ModuleEmulator::setStreamInterval(int msecs)
{
    EmulatorServer *s;
    {
        QMutexLocker lock(&mutex);
        streamInterval = msecs;
        s = server;
    }
    if (s)
        QMetaObject::invokeMethod(
            s, [s, msecs]() { s->setStreamInterval(msecs); }, Qt::QueuedConnection);
}

void ModuleEmulator::sendStreamBytes(const QByteArray &bytes)
{
    QMutexLocker lock(&mutex);
    if (EmulatorServer *s = server)
        QMetaObject::invokeMethod(
            s, [s, bytes]() { s->sendStreamBytes(bytes); }, Qt::QueuedConnection);
}

int ModuleEmulator::streamClients() const
{
    QMutexLocker lock(&mutex);
    return server ? server->clientCount() : 0;
}

qint64 ModuleEmulator::streamBytesDiscarded() const
{
    QMutexLocker lock(&mutex);
    return server ? server->discardedBytes() : 0;
}

QVector<ModuleEmulator::Reply> ModuleEmulator::handleRequest(const QByteArray &datagram)
{
    QMutexLocker lock(&mutex);
    RequestLogEntry entry;
    entry.msecs = clock.elapsed();
    const int size = datagram.size();
    entry.datagram = datagram.left(KeptDatagramBytes);
    entry.size = size;
    if (size > 1)
        entry.command = quint8(datagram[1]);
    if (size > 2)
        entry.packetId = quint8(datagram[2]);
    if (size > 3)
        entry.length = quint8(datagram[3]);
    if (size >= 8)
        entry.address = (quint32(quint8(datagram[4])) << 24) |
                        (quint32(quint8(datagram[5])) << 16) | (quint32(quint8(datagram[6])) << 8) |
                        quint32(quint8(datagram[7]));
    if (entry.isWrite() && size > 8)
        entry.data = datagram.mid(8, KeptDatagramBytes - 8);

    if (size < 8)
        entry.violation = QStringLiteral("short request of %1 bytes").arg(size);
    else if (quint8(datagram[0]) != Mark)
        entry.violation = QStringLiteral("bad protocol mark ") + hex(quint8(datagram[0]));
    else if (!entry.isRead() && !entry.isWrite())
        entry.violation = QStringLiteral("bad command ") + hex(entry.command);
    else if (entry.length == 0 || entry.length > MaxPayload)
        entry.violation = QStringLiteral("bad length %1").arg(entry.length);
    else if (entry.isWrite() && size != 8 + entry.length)
        entry.violation =
            QStringLiteral("write of %1 data bytes with length %2").arg(size - 8).arg(entry.length);
    else if (entry.isRead() && size != 8)
        entry.violation = QStringLiteral("read request of %1 bytes").arg(size);

    QByteArray header = datagram.left(8);
    header.append(QByteArray(8 - header.size(), '\0'));
    QVector<Reply> replies;

    if (!entry.violation.isEmpty()) {
        entry.busError = true;
        header[1] = char(quint8(header[1]) | 0x01);
        replies.append(Reply{header, 0});
    } else {
        const FaultRule *fired = nullptr;
        for (int i = 0; i < rules.size(); ++i) {
            FaultRule &rule = rules[i];
            if (!rule.matches(entry.command, entry.address, entry.length))
                continue;
            if (rule.skip > 0) {
                --rule.skip;
                continue;
            }
            fired = &rule;
            break;
        }
        const FaultRule rule = fired ? *fired : FaultRule();
        if (fired) {
            entry.fault = FaultRule::actionName(rule.action);
            const int index = int(fired - rules.constData());
            if (rules[index].count > 0 && --rules[index].count == 0)
                rules.remove(index);
        }

        QByteArray data;
        if (fired && rule.action == FaultRule::BusError) {
            entry.busError = true;
        } else if (entry.isRead()) {
            entry.busError = !memory.read(entry.address, entry.length, &data, &entry.note);
        } else {
            entry.busError = !memory.write(entry.address, entry.data, &entry.note);
            if (!entry.busError)
                applyCounterEnables(entry.address, entry.data);
        }
        keepState(); // a status read may have finished a command
        if (entry.busError) {
            header[1] = char(quint8(header[1]) | 0x01);
            data.clear();
        }
        if (fired && rule.action == FaultRule::ShortReadData)
            data = data.left(qMax(rule.dataBytes, 0));
        QByteArray reply = header + data;
        if (fired && rule.action == FaultRule::WrongId)
            reply[2] = char((entry.packetId + 64) & 0x7F);
        if (fired && rule.action == FaultRule::ShortReply)
            reply = reply.left(7);

        if (!fired || rule.action != FaultRule::DropReply)
            replies.append(Reply{
                reply, fired && rule.action == FaultRule::DelayReply ? qMax(rule.delayMs, 1) : 0});
        if (fired && rule.action == FaultRule::DuplicateReply)
            replies.append(Reply{reply, 0});
    }

    const qint64 cost = costOf(entry);
    if (log.size() >= MaxLogEntries || logBytes + cost > MaxLogBytes) {
        // Drop the older half in one step, by count and by bytes alike.
        int drop = 0;
        while (drop < log.size() &&
               (log.size() - drop > MaxLogEntries / 2 || logBytes + cost > MaxLogBytes / 2))
            logBytes -= costOf(log.at(drop++));
        log.remove(0, drop);
    }
    log.append(entry);
    logBytes += cost;
    return replies;
}
