#include "designkit.h"
#include "memorymodule.h"
#include "moduleemulator.h"
#include "networksettingswriter.h"
#include "programdata.h"
#include "qudpthread.h"
#include "workerprobe.h"

#include <QFile>
#include <QHostAddress>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// The golden hex dump ("0004: 00 40 ...") as address and byte pairs.
QVector<QPair<quint32, quint8>> goldenBytes(const QString &file)
{
    QVector<QPair<quint32, quint8>> result;
    QFile in(QStringLiteral(ZIVRA_TEST_DATA "/") + file);
    if (!in.open(QIODevice::ReadOnly))
        return result;
    const QStringList lines = QString::fromLatin1(in.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        const quint32 address = parts.first().chopped(1).toUInt(nullptr, 16);
        for (int i = 1; i < parts.size(); ++i)
            result.append(
                qMakePair(address + quint32(i - 1), quint8(parts.at(i).toUInt(nullptr, 16))));
    }
    return result;
}

int writeRequests(const QVector<RequestLogEntry> &log)
{
    int n = 0;
    for (const RequestLogEntry &entry : log)
        n += entry.isWrite() ? 1 : 0;
    return n;
}

// Stands in for the network setup dialog: writes its block through the worker, as the dialog does.
class SettingsBlock : public NetworkSettingsWriter
{
public:
    QByteArray block;
    QString failure;
    bool onWorkerThread = false;

    void writeSettings(QUdpThread *worker) override
    {
        onWorkerThread = QThread::currentThread() == worker;
        if (!failure.isEmpty())
            throw failure;
        worker->setWriteEnable(true);
        worker->writeExact(0xFFFFFC12u, block.constData(), block.size());
        worker->setWriteEnable(false);
    }
};

} // namespace

class TestQUdpThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void downloadWritesTheCompiledImage();
    void verifyMatchAndMismatch();
    void informationReads_data();
    void informationReads();
    void directoryReadComparesTheDesign();
    void versionRefusal_data();
    void versionRefusal();
    void blockReads();
    void plainWritesWithWriteEnable();
    void writeEnableClosedAfterFailure();
    void networkSettings();
    void cancelTexts();
    void unusableHost_data();
    void unusableHost();
    void logStartsEmptyEachRun();

private:
    std::unique_ptr<ProbeWorker> worker();

    std::unique_ptr<ModuleEmulator> emulator;
};

void TestQUdpThread::init()
{
    emulator.reset(new ModuleEmulator);
    QString error;
    QVERIFY2(emulator->start(0, 0, &error), qPrintable(error));
}

void TestQUdpThread::cleanup()
{
    emulator.reset();
}

std::unique_ptr<ProbeWorker> TestQUdpThread::worker()
{
    return std::unique_ptr<ProbeWorker>(new ProbeWorker(*emulator));
}

void TestQUdpThread::downloadWritesTheCompiledImage()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    MemoryModule expected;
    QVERIFY(design.download(&expected));

    auto w = worker();
    w->setDesign(&design, false);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"progress", "closed:true"}));
    QVERIFY(probe.errorText.isEmpty());

    QCOMPARE(emulator->designImage(), expected.image());
    const auto golden = goldenBytes(QStringLiteral("image_full.hex"));
    QCOMPARE(golden.size(), 140 + 8192);
    for (const auto &b : golden)
        QCOMPARE(quint8(emulator->peek(b.first, 1).at(0)), b.second);

    QCOMPARE(probe.progress.last(), 8322);
    for (int i = 1; i < probe.progress.size(); ++i)
        QVERIFY(probe.progress[i] > probe.progress[i - 1]);
    const QVector<RequestLogEntry> log = emulator->requestLog();
    QCOMPARE(writeRequests(log), 68);
    QCOMPARE(log.size(), 1 + 68); // the version read first
    QCOMPARE(requestText(log.first()), QStringLiteral("R 0x0"));
    for (const RequestLogEntry &entry : log)
        QVERIFY(entry.length <= 128 && entry.violation.isEmpty());
}

void TestQUdpThread::verifyMatchAndMismatch()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    MemoryModule image;
    QVERIFY(design.download(&image));
    QVERIFY(emulator->poke(0x0004, image.read(0x0004, 140)));
    QVERIFY(emulator->poke(0x2000, image.read(0x2000, 0x2000)));
    emulator->clearLog();

    auto w = worker();
    w->setDesign(&design, true);
    WorkerProbe match(w.get());
    QVERIFY(match.run());
    QCOMPARE(match.events, QStringList({"html", "error", "closed:true"}));
    QCOMPARE(match.html, QString());
    QCOMPARE(match.errorText, QStringLiteral("Verify: The Register data is matched."));
    int readBytes = 0;
    for (const RequestLogEntry &entry : emulator->requestLog())
        readBytes += entry.isRead() ? entry.length : 0;
    QCOMPARE(readBytes, 1 + 140 + 4 * 2048);
    QCOMPARE(writeRequests(emulator->requestLog()), 0);

    // One byte of the function table differs; later areas are not read.
    QVERIFY(emulator->poke(0x2003, bytes({0xFF})));
    emulator->clearLog();
    w = worker();
    w->setDesign(&design, true);
    WorkerProbe mismatch(w.get());
    QVERIFY(mismatch.run());
    QCOMPARE(mismatch.events, QStringList({"html", "error", "closed:false"}));
    const QString diff = QStringLiteral("address 0x00002002\ncurrent:9001  register:90ff\n");
    QCOMPARE(mismatch.html, diff);
    QCOMPARE(mismatch.errorText,
             QStringLiteral("Verify: The Register data don't match.\n\nfirst mismatch at ") + diff);
    for (const RequestLogEntry &entry : emulator->requestLog())
        QVERIFY(entry.address < 0x2800);
}

void TestQUdpThread::informationReads_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<int>("size");
    QTest::newRow("mode 0") << 0 << true << 5;
    QTest::newRow("mode 5") << 5 << true << 6;
    QTest::newRow("mode 6") << 6 << true << 1798;
    QTest::newRow("mode 6, write-protected") << 6 << false << 5;
}

void TestQUdpThread::informationReads()
{
    QFETCH(int, mode);
    QFETCH(bool, writable);
    QFETCH(int, size);
    const QByteArray version = bytes({0x3A, 0x12, 0x34, 0x56});
    emulator->setVersion(version);
    emulator->poke(0xFFFFFF3Cu, bytes({writable ? 0x03 : 0x02}));
    emulator->poke(0xFFFFFC3Cu, bytes({0x81}));
    emulator->poke(0xFFFFFC3Eu, bytes({0x05}));
    QByteArray directory(1792, '\0');
    directory.replace(0, 5, "first");
    directory.replace(15 * 112, 112, QByteArray(112, 'z'));
    emulator->poke(0x0100, directory);

    auto w = worker();
    if (mode == 6)
        w->setReadDirectory(true);
    else
        w->setInfoMode(mode);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"readData", "closed:true"}));
    QCOMPARE(probe.data.size(), size);
    QCOMPARE(probe.data.left(4), version);
    QCOMPARE(quint8(probe.data.at(4)), quint8(writable ? 0x03 : 0x02));
    if (mode == 5)
        QCOMPARE(quint8(probe.data.at(5)), quint8(0x81));
    if (size == 1798) {
        QCOMPARE(quint8(probe.data.at(5)), quint8(0x05));
        QCOMPARE(probe.data.mid(6), directory);
    }
}

void TestQUdpThread::directoryReadComparesTheDesign()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    for (int expected : {1, 0}) {
        auto w = worker();
        w->setReadDirectory(true);
        w->setDesign(&design, false);
        WorkerProbe probe(w.get());
        QVERIFY(probe.run());
        QCOMPARE(probe.events, QStringList({QStringLiteral("result:%1").arg(expected), "readData",
                                            "closed:true"}));
        QCOMPARE(probe.data.size(), 1798);
        if (expected == 1) {
            auto load = worker();
            load->setDesign(&design, false);
            WorkerProbe loaded(load.get());
            QVERIFY(loaded.run() && loaded.ok);
        }
    }
}

void TestQUdpThread::versionRefusal_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0x2f") << 0x2F << false;
    QTest::newRow("0x3f") << 0x3F << true;
    QTest::newRow("0x40") << 0x40 << false;
}

void TestQUdpThread::versionRefusal()
{
    QFETCH(int, first);
    QFETCH(bool, accepted);
    emulator->setVersion(bytes({first, 0, 0, 0}));
    auto w = worker();
    w->addWrite(0x006E, bytes({0x00, 0x01}), false);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.ok, accepted);
    const QVector<RequestLogEntry> log = emulator->requestLog();
    if (accepted) {
        QCOMPARE(log.size(), 2);
    } else {
        QCOMPARE(probe.events, QStringList({"error", "closed:false"}));
        QCOMPARE(probe.errorText,
                 QStringLiteral("This application does not support the Hardware."));
        QCOMPARE(log.size(), 1);
    }
}

void TestQUdpThread::blockReads()
{
    auto w = worker();
    w->setRead(0xFFFFFC12u, 30);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"readData", "closed:true"}));
    QCOMPARE(probe.data, emulator->peek(0xFFFFFC12u, 30));

    // A short second request is accepted: readData has the asked size, the missing bytes zero.
    emulator->poke(0x2000, QByteArray(200, char(0x77)));
    FaultRule shortData(FaultRule::ShortReadData, FaultRule::ReadCommand, 0x2080, 0x2080);
    shortData.dataBytes = 3;
    emulator->addRule(shortData);
    w = worker();
    w->setRead(0x2000, 200);
    WorkerProbe partial(w.get());
    QVERIFY(partial.run());
    QVERIFY(partial.ok);
    QCOMPARE(partial.data.size(), 200);
    QCOMPARE(partial.data.left(128), QByteArray(128, char(0x77)));
    QCOMPARE(partial.data.mid(131), QByteArray(69, '\0'));

    // No data at all fails.
    shortData.first = shortData.last = 0x2000;
    shortData.dataBytes = 0;
    emulator->addRule(shortData);
    w = worker();
    w->setRead(0x2000, 8);
    WorkerProbe none(w.get());
    QVERIFY(none.run());
    QCOMPARE(none.events, QStringList({"error", "closed:false"}));
    QCOMPARE(none.errorText, QStringLiteral("REGX: Unable to read"));
}

void TestQUdpThread::plainWritesWithWriteEnable()
{
    auto w = worker();
    w->setRead(0x0000, 0); // no read: the writes follow
    w->addWrite(0x006E, bytes({0x02, 0x01}), false);
    w->addWrite(0xFFFFFC3Eu, bytes({0x07}), true);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"closed:true"}));
    QStringList trace;
    for (const RequestLogEntry &entry : emulator->requestLog())
        trace << requestText(entry);
    QCOMPARE(trace, QStringList({"R 0x0", "W 0xfffffcff 00", "W 0x6e 0201", "W 0xfffffc3e 07",
                                 "W 0xfffffcff ff"}));
    QCOMPARE(emulator->peek(0xFFFFFC3Eu, 1), bytes({0x07}));
    QVERIFY(!emulator->writeEnabled());
}

void TestQUdpThread::writeEnableClosedAfterFailure()
{
    emulator->addRule(
        FaultRule(FaultRule::BusError, FaultRule::WriteCommand, 0xFFFFFC3Eu, 0xFFFFFC3Eu));
    auto w = worker();
    w->addWrite(0xFFFFFC3Eu, bytes({0x07}), true);
    w->addWrite(0x006E, bytes({0x02, 0x01}), false);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"error", "closed:false"}));
    QCOMPARE(probe.errorText,
             QStringLiteral("write address: 0xfffffc3e\nlength: 1\n\nQRegx: Bus Error"));
    const QVector<RequestLogEntry> log = emulator->requestLog();
    QCOMPARE(requestText(log.last()), QStringLiteral("W 0xfffffcff ff"));
    QVERIFY(!emulator->writeEnabled());

    // The closing write failing too keeps the first failure's text.
    FaultRule failClose(FaultRule::BusError, FaultRule::WriteCommand, 0xFFFFFCFFu, 0xFFFFFCFFu);
    failClose.skip = 1; // the opening write goes through
    emulator->addRule(failClose);
    emulator->addRule(
        FaultRule(FaultRule::BusError, FaultRule::WriteCommand, 0xFFFFFC3Eu, 0xFFFFFC3Eu));
    w = worker();
    w->addWrite(0xFFFFFC3Eu, bytes({0x07}), true);
    WorkerProbe twice(w.get());
    QVERIFY(twice.run());
    QCOMPARE(twice.errorText,
             QStringLiteral("write address: 0xfffffc3e\nlength: 1\n\nQRegx: Bus Error"));

    // Cancelled while the EEPROM write waits for its reply: writes are still closed.
    emulator->clearRules();
    emulator->clearLog();
    emulator->addRule(
        FaultRule(FaultRule::DropReply, FaultRule::WriteCommand, 0xFFFFFC3Eu, 0xFFFFFC3Eu));
    w = worker();
    w->addWrite(0xFFFFFC3Eu, bytes({0x07}), true);
    WorkerProbe cancelled(w.get());
    w->start();
    QVERIFY(QTest::qWaitFor([this]() { return emulator->ruleCount() == 0; }, 5000));
    w->cancel();
    QVERIFY(QTest::qWaitFor([&cancelled]() { return cancelled.closed; }, 5000));
    QVERIFY(w->wait(5000));
    QCOMPARE(cancelled.errorText, QStringLiteral("QRegx: Aborted"));
    QCOMPARE(requestText(emulator->requestLog().last()), QStringLiteral("W 0xfffffcff ff"));
    QVERIFY(!emulator->writeEnabled());
}

void TestQUdpThread::networkSettings()
{
    SettingsBlock settings;
    settings.block = QByteArray(30, char(0x42));
    auto w = worker();
    w->setNetSetup(&settings);
    WorkerProbe probe(w.get());
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"closed:true"}));
    QVERIFY(settings.onWorkerThread);
    QCOMPARE(emulator->peek(0xFFFFFC12u, 30), settings.block);
    QVERIFY(!emulator->writeEnabled());

    settings.failure = QStringLiteral("bad address");
    w = worker();
    w->setNetSetup(&settings);
    WorkerProbe failed(w.get());
    QVERIFY(failed.run());
    QCOMPARE(failed.events, QStringList({"error", "closed:false"}));
    QCOMPARE(failed.errorText, settings.failure);

    // A transfer failure inside the writer, after it opened the settings memory: closed again.
    settings.failure.clear();
    emulator->addRule(
        FaultRule(FaultRule::BusError, FaultRule::WriteCommand, 0xFFFFFC12u, 0xFFFFFC12u));
    w = worker();
    w->setNetSetup(&settings);
    WorkerProbe refused(w.get());
    QVERIFY(refused.run());
    QCOMPARE(refused.events, QStringList({"error", "closed:false"}));
    QCOMPARE(refused.errorText,
             QStringLiteral("write address: 0xfffffc12\nlength: 30\n\nQRegx: Bus Error"));
    QCOMPARE(requestText(emulator->requestLog().last()), QStringLiteral("W 0xfffffcff ff"));
    QVERIFY(!emulator->writeEnabled());
}

void TestQUdpThread::cancelTexts()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);

    // Cancelled while a request waits for its reply.
    FaultRule drop(FaultRule::DropReply, FaultRule::WriteCommand, 0x2000, 0x3FFF);
    drop.skip = 10;
    emulator->addRule(drop);
    auto w = worker();
    w->setDesign(&design, false);
    WorkerProbe waiting(w.get());
    w->start();
    QVERIFY(QTest::qWaitFor([this]() { return emulator->ruleCount() == 0; }, 5000));
    w->cancel();
    QVERIFY(QTest::qWaitFor([&waiting]() { return waiting.closed; }, 5000));
    QVERIFY(w->wait(5000));
    QCOMPARE(waiting.events, QStringList({"progress", "error", "closed:false"}));
    QCOMPARE(waiting.errorText, QStringLiteral("QRegx: Aborted"));
    QVERIFY(emulator->designImage() != QByteArray(140 + 8192, '\0')); // partly written

    // Cancelled between two batches: the next one is not sent.
    emulator->clearLog();
    w = worker();
    w->setDesign(&design, false);
    WorkerProbe between(w.get());
    connect(w.get(), SIGNAL(setProgress(int)), w.get(), SLOT(cancel()), Qt::DirectConnection);
    QVERIFY(between.run());
    QCOMPARE(between.events, QStringList({"progress", "error", "closed:false"}));
    QCOMPARE(between.progress, QVector<int>({106}));
    QCOMPARE(between.errorText, QStringLiteral("REGX: Download Cancelled"));
    QCOMPARE(writeRequests(emulator->requestLog()), 1);

    // Cancelled before it started: the run ends at its first request, and the next run of the
    // same worker is not cancelled.
    emulator->clearLog();
    w = worker();
    w->setDesign(&design, false);
    w->cancel();
    WorkerProbe early(w.get());
    QVERIFY(early.run());
    QCOMPARE(early.errorText, QStringLiteral("QRegx: Aborted"));
    QCOMPARE(writeRequests(emulator->requestLog()), 0);
    WorkerProbe again(w.get());
    QVERIFY(again.run());
    QVERIFY(again.ok);
}

void TestQUdpThread::unusableHost_data()
{
    QTest::addColumn<bool>("nullHost");
    QTest::newRow("no address") << true;
    QTest::newRow("port 0") << false;
}

void TestQUdpThread::unusableHost()
{
    QFETCH(bool, nullHost);
    QUdpThread w;
    if (nullHost)
        w.setHost(QHostAddress(), emulator->udpPort());
    else
        w.setHost(QHostAddress(QHostAddress::LocalHost), 0);
    w.setInfoMode(0);
    WorkerProbe probe(&w);
    QVERIFY(probe.run());
    QCOMPARE(probe.events, QStringList({"error", "closed:false"}));
    QCOMPARE(probe.errorText, QStringLiteral("REGX: The module address or port is not usable."));
    QVERIFY(emulator->requestLog().isEmpty());
}

void TestQUdpThread::logStartsEmptyEachRun()
{
    emulator->addRule(FaultRule(FaultRule::BusError, FaultRule::ReadCommand, 0, 0, 2));
    auto w = worker();
    w->setInfoMode(0);
    const QString text = QStringLiteral("read address: 0x00000000\nlength: 1\n\nQRegx: Bus Error");
    for (int run = 0; run < 2; ++run) {
        WorkerProbe probe(w.get());
        QVERIFY(probe.run());
        QCOMPARE(probe.errorText, text);
    }
}

QTEST_MAIN(TestQUdpThread)
#include "tst_qudpthread.moc"
