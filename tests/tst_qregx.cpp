#include "moduleemulator.h"
#include "qregx.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <climits>
#include <functional>
#include <memory>

namespace {

// Opens the engine's protected steps to the tests.
class Engine : public QRegx
{
public:
    using QRegx::closeSocket;
    using QRegx::openSocket;
    void setPolls(int polls) { replyPolls = polls; }
    int polls() const { return replyPolls; }
    void setLastId(quint8 id) { packetId = id; }
    QString logText() const { return log; }
};

// A module operation run the way the worker runs one: on its own thread, between openSocket()
// and closeSocket(), failures turned into the log text.
class VersionRead : public QRegx
{
public:
    // The members that run() uses must outlive it, so the subclass waits before they go.
    ~VersionRead() override { abortAndWait(); }

    QByteArray version;

protected:
    void run() override
    {
        if (!openSocket())
            return;
        try {
            version.resize(4);
            readExact(0x0000, version.data(), 4);
            succeeded = true;
        } catch (const ErrSts &e) {
            log += statusText(e.status);
            emit error(&log);
        }
        closeSocket();
    }
};

int statusOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const QRegx::ErrSts &e) {
        return e.status;
    }
    return 1;
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 13 + seed) & 0xFF);
    return b;
}

} // namespace

// Receives a worker's signals queued on the test's thread, as the user interface does.
class Receiver : public QObject
{
    Q_OBJECT
public:
    QStringList events;

public slots:
    void onError(QString *text) { events << QStringLiteral("error:") + *text; }
    void onClosed(bool ok) { events << QStringLiteral("closed:%1").arg(ok); }
};

class TestQRegx : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void requestsAndChunks();
    void packetIdsWrap();
    void writeEnable();
    void freshIdPerRetry_data();
    void freshIdPerRetry();
    void staleReplyDiscarded();
    void duplicateDiscarded();
    void busErrorWithoutRetry();
    void timeouts();
    void timeoutPolls_data();
    void timeoutPolls();
    void shortReplies();
    void abort();
    void socketLifecycle();
    void operationOnOwnThread();

private:
    QVector<RequestLogEntry> requests() const { return emulator->requestLog(); }

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<Engine> engine;
};

void TestQRegx::init()
{
    emulator.reset(new ModuleEmulator);
    QString error;
    QVERIFY2(emulator->start(0, 0, &error), qPrintable(error));
    engine.reset(new Engine);
    engine->setHost(QHostAddress(QHostAddress::LocalHost), emulator->udpPort());
    QVERIFY(engine->openSocket());
}

void TestQRegx::cleanup()
{
    if (engine)
        engine->closeSocket();
    engine.reset();
    emulator.reset();
}

void TestQRegx::requestsAndChunks()
{
    const QByteArray data = pattern(300, 1);
    emulator->poke(0x2000, data);
    QByteArray buffer(300, '\0');
    QCOMPARE(engine->read(0x2000, buffer.data(), 300), 300);
    QCOMPARE(buffer, data);

    QVector<RequestLogEntry> log = requests();
    QCOMPARE(log.size(), 3);
    const int lengths[] = {128, 128, 44};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(log[i].isRead());
        QCOMPARE(log[i].datagram.size(), 8);
        QCOMPARE(log[i].length, lengths[i]);
        QCOMPARE(log[i].address, quint32(0x2000 + 128 * i));
        QCOMPARE(int(log[i].packetId), i + 1);
        QVERIFY(log[i].violation.isEmpty());
    }
    QCOMPARE(quint8(log[0].datagram[3]), quint8(0x80));

    emulator->clearLog();
    const QByteArray out = pattern(300, 2);
    QCOMPARE(engine->write(0x3000, out.constData(), 300), 300);
    QCOMPARE(engine->writeExact(0x3200, out.constData(), 5), 5);
    QCOMPARE(emulator->peek(0x3000, 300), out);
    log = requests();
    QCOMPARE(log.size(), 4);
    QCOMPARE(log[2].length, 44);
    QCOMPARE(log[2].data, out.mid(256));
    QCOMPARE(log[3].datagram, QByteArray::fromHex("ff80070500003200") + out.left(5));

    quint8 value = 0;
    QCOMPARE(engine->readByte(0x0000, &value), 1);
    QCOMPARE(value, quint8(emulator->peek(0, 1)[0]));
    QCOMPARE(engine->writeByte(0x0010, 0x5A), 1);
    QCOMPARE(emulator->peek(0x0010, 1), QByteArray("Z"));
    emulator->clearLog();
    QCOMPARE(engine->read(0x2000, buffer.data(), 0), 0);
    QCOMPARE(engine->write(0x2000, buffer.constData(), 0), 0);
    QCOMPARE(engine->readExact(0x2000, buffer.data(), 0), 0);
    QVERIFY(requests().isEmpty());
}

void TestQRegx::packetIdsWrap()
{
    engine->setLastId(126);
    quint8 value;
    for (int i = 0; i < 3; ++i)
        QCOMPARE(engine->readByte(0x0000, &value), 1);
    const QVector<RequestLogEntry> log = requests();
    QCOMPARE(int(log[0].packetId), 127);
    QCOMPARE(int(log[1].packetId), 0);
    QCOMPARE(int(log[2].packetId), 1);
}

void TestQRegx::writeEnable()
{
    QVERIFY(engine->setWriteEnable(true));
    QVERIFY(emulator->writeEnabled());
    QVERIFY(engine->setWriteEnable(false));
    QVERIFY(!emulator->writeEnabled());
    const QVector<RequestLogEntry> log = requests();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].address, 0xFFFFFCFFu);
    QCOMPARE(log[0].data, QByteArray(1, '\0'));
    QCOMPARE(log[1].data, QByteArray(1, char(0xFF)));
}

void TestQRegx::freshIdPerRetry_data()
{
    QTest::addColumn<int>("action");
    QTest::newRow("no reply") << int(FaultRule::DropReply);
    QTest::newRow("wrong id") << int(FaultRule::WrongId);
}

void TestQRegx::freshIdPerRetry()
{
    QFETCH(int, action);
    engine->setPolls(2);
    emulator->poke(0x2000, "abcd");
    emulator->addRule(FaultRule(FaultRule::Action(action), FaultRule::ReadCommand, 0x2000, 0x2003));
    QByteArray buffer(4, '\0');
    QCOMPARE(engine->read(0x2000, buffer.data(), 4), 4);
    QCOMPARE(buffer, QByteArray("abcd"));

    const QVector<RequestLogEntry> log = requests();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log[0].address, log[1].address);
    QCOMPARE(int(log[1].packetId), int(log[0].packetId) + 1);
    QVERIFY(engine->logText().isEmpty());
}

// A reply that arrives after its request was given up must not answer the next request.
void TestQRegx::staleReplyDiscarded()
{
    engine->setPolls(10);
    emulator->poke(0x2000, "old!");
    emulator->poke(0x2100, "new!");
    FaultRule late(FaultRule::DelayReply, FaultRule::ReadCommand, 0x2000, 0x2003);
    late.delayMs = 1300; // after the first attempt's 1 s of polls
    emulator->addRule(late);
    FaultRule slow(FaultRule::DelayReply, FaultRule::ReadCommand, 0x2100, 0x2103);
    slow.delayMs = 600; // the late reply comes in while this one is awaited
    emulator->addRule(slow);

    QByteArray buffer(4, '\0');
    QCOMPARE(engine->read(0x2000, buffer.data(), 4), 4);
    QCOMPARE(buffer, QByteArray("old!"));
    QCOMPARE(engine->read(0x2100, buffer.data(), 4), 4);
    QCOMPARE(buffer, QByteArray("new!"));
    QCOMPARE(requests().size(), 3);
}

void TestQRegx::duplicateDiscarded()
{
    emulator->poke(0x2000, "first");
    emulator->poke(0x2100, "other");
    emulator->addRule(FaultRule(FaultRule::DuplicateReply, FaultRule::ReadCommand));
    QByteArray buffer(5, '\0');
    QCOMPARE(engine->read(0x2000, buffer.data(), 5), 5);
    QCOMPARE(engine->read(0x2100, buffer.data(), 5), 5);
    QCOMPARE(buffer, QByteArray("other"));
    QCOMPARE(requests().size(), 2);
}

void TestQRegx::busErrorWithoutRetry()
{
    emulator->addRule(FaultRule(FaultRule::BusError, FaultRule::ReadCommand, 0x2000, 0x2000, -1));
    quint8 value;
    QCOMPARE(statusOf([&] { engine->readByte(0x2000, &value); }), -4);
    QCOMPARE(requests().size(), 1);
    QCOMPARE(engine->logText(), QStringLiteral("read address: 0x00002000\nlength: 1\n\n"));
    QCOMPARE(engine->statusText(-4), QStringLiteral("QRegx: Bus Error"));

    // The module refuses a write to its settings memory while writes to it are disabled.
    QCOMPARE(statusOf([&] { engine->write(0xFFFFFC3E, "\x01\x02", 2); }), -4);
    QCOMPARE(requests().size(), 2);
    QVERIFY(engine->logText().endsWith(QStringLiteral("write address: 0xfffffc3e\nlength: 2\n\n")));
}

void TestQRegx::timeouts()
{
    // Silence: attempts x polls of 100 ms, a fresh id each attempt.
    emulator->addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    engine->setTimeout(1);
    engine->setRetry(1);
    QElapsedTimer clock;
    clock.start();
    quint8 value;
    QCOMPARE(statusOf([&] { engine->readByte(0x0004, &value); }), -5);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 1900 && elapsed < 4000, qPrintable(QString::number(elapsed)));
    QVector<RequestLogEntry> log = requests();
    QCOMPARE(log.size(), 2);
    QVERIFY(log[0].packetId != log[1].packetId);
    QCOMPARE(engine->logText(), QStringLiteral("read address: 0x00000004\nlength: 1\n\n"));
    QCOMPARE(engine->statusText(-5), QStringLiteral("QRegx: Socket operation timed out"));

    // Replies that keep carrying another id run out the polls the same way.
    emulator->clearRules();
    emulator->clearLog();
    emulator->addRule(FaultRule(FaultRule::WrongId, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    engine->setPolls(2);
    engine->setRetry(2);
    QCOMPARE(statusOf([&] { engine->writeByte(0x0010, 1); }), -5);
    QCOMPARE(requests().size(), 3);
    QVERIFY(engine->logText().endsWith(QStringLiteral("write address: 0x00000010\nlength: 1\n\n")));
}

void TestQRegx::timeoutPolls_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("polls"); // of 100 ms per attempt
    QTest::newRow("0 keeps the default") << 0 << 40;
    QTest::newRow("negative keeps the default") << -5 << 40;
    QTest::newRow("an hour") << 3600 << 36000;
    QTest::newRow("largest exact") << 214748364 << 2147483640;
    QTest::newRow("ten times past an int") << 214748365 << INT_MAX;
    QTest::newRow("largest int") << INT_MAX << INT_MAX;
}

// A long time-out waits long, never wraps round to a short one.
void TestQRegx::timeoutPolls()
{
    QFETCH(int, seconds);
    engine->setTimeout(seconds);
    QTEST(engine->polls(), "polls");
}

void TestQRegx::shortReplies()
{
    emulator->addRule(FaultRule(FaultRule::ShortReply, FaultRule::ReadCommand, 0, 0));
    quint8 value = 0x77;
    QCOMPARE(statusOf([&] { engine->readByte(0x0000, &value); }), -3);
    QCOMPARE(requests().size(), 1);
    QCOMPARE(engine->statusText(-3), QStringLiteral("QRegx: Reply too short"));

    // A reply without data: nothing read, and an exact read fails with its lengths logged.
    FaultRule empty(FaultRule::ShortReadData, FaultRule::ReadCommand, 0, 0);
    emulator->addRule(empty);
    QCOMPARE(engine->readByte(0x0000, &value), 0);
    QCOMPARE(value, quint8(0x77));

    FaultRule cut(FaultRule::ShortReadData, FaultRule::ReadCommand, 0x2000, 0x2FFF);
    cut.skip = 1;
    cut.dataBytes = 10;
    emulator->addRule(cut);
    QByteArray buffer(300, '\0');
    QCOMPARE(engine->read(0x2000, buffer.data(), 300), 128); // the short request not counted
    emulator->addRule(cut);
    QCOMPARE(statusOf([&] { engine->readExact(0x2000, buffer.data(), 300); }), -2);
    QCOMPARE(engine->logText(),
             QStringLiteral("address: 0x00002000\nrequest length: 300\nread length: 128\n\n"));
    QCOMPARE(engine->statusText(-2), QStringLiteral("QRegx: Unable to read"));
}

void TestQRegx::abort()
{
    engine->abort();
    quint8 value;
    QCOMPARE(statusOf([&] { engine->readByte(0x0000, &value); }), 0);
    QVERIFY(requests().isEmpty());
    QCOMPARE(engine->statusText(0), QStringLiteral("QRegx: Aborted"));

    // From another thread, while a reply is awaited: honoured at the next 100 ms poll.
    engine->closeSocket();
    QVERIFY(engine->openSocket());
    emulator->addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    std::unique_ptr<QThread> canceller(QThread::create([this] {
        QThread::msleep(200);
        engine->abort();
    }));
    canceller->start();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(statusOf([&] { engine->readByte(0x0000, &value); }), 0);
    QVERIFY(clock.elapsed() < 1000);
    canceller->wait();
    QCOMPARE(requests().size(), 1);
}

void TestQRegx::socketLifecycle()
{
    qRegisterMetaType<QString *>("QString*");
    Engine idle;
    QSignalSpy closed(&idle, SIGNAL(closed(bool)));
    QVERIFY(!idle.openSocket()); // no host
    idle.setHost(QHostAddress(), 4660);
    QVERIFY(!idle.openSocket());
    quint8 value;
    QCOMPARE(statusOf([&] { idle.readByte(0, &value); }), -3); // nothing to send on
    QCOMPARE(idle.statusText(-3), QStringLiteral("Unknown error"));
    idle.closeSocket();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(closed.first().first().toBool(), false);

    QVERIFY(engine->openSocket()); // already open: unchanged
    QCOMPARE(engine->readByte(0, &value), 1);
    QVERIFY(requests().size() == 1);
}

void TestQRegx::operationOnOwnThread()
{
    const quint16 port = emulator->udpPort();
    Receiver receiver;
    {
        VersionRead worker;
        worker.setHost(QHostAddress(QHostAddress::LocalHost), port);
        connect(&worker, SIGNAL(error(QString *)), &receiver, SLOT(onError(QString *)));
        connect(&worker, SIGNAL(closed(bool)), &receiver, SLOT(onClosed(bool)));
        worker.start();
        QTRY_COMPARE(receiver.events, QStringList{QStringLiteral("closed:1")});
        QVERIFY(worker.wait(2000));
        QCOMPARE(worker.version, emulator->peek(0, 4));
    }

    receiver.events.clear();
    emulator->addRule(FaultRule(FaultRule::BusError, FaultRule::ReadCommand, 0, 3));
    {
        VersionRead worker;
        worker.setHost(QHostAddress(QHostAddress::LocalHost), port);
        connect(&worker, SIGNAL(error(QString *)), &receiver, SLOT(onError(QString *)));
        connect(&worker, SIGNAL(closed(bool)), &receiver, SLOT(onClosed(bool)));
        worker.start();
        QTRY_COMPARE(receiver.events.size(), 2);
        QCOMPARE(receiver.events[0], QStringLiteral("error:read address: 0x00000000\nlength: 4\n\n"
                                                    "QRegx: Bus Error"));
        QCOMPARE(receiver.events[1], QStringLiteral("closed:0"));
    }

    // Destruction aborts a waiting operation and waits for its thread.
    emulator->addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    QElapsedTimer clock;
    clock.start();
    {
        VersionRead worker;
        worker.setHost(QHostAddress(QHostAddress::LocalHost), port);
        worker.start();
        QTRY_VERIFY(emulator->requestLog().size() >= 3);
    }
    QVERIFY(clock.elapsed() < 3000);
}

QTEST_MAIN(TestQRegx)
#include "tst_qregx.moc"
