#include "moduleemulator.h"
#include "streamfeeder.h"
#include "streamoptions.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {

QByteArray header(quint8 command, quint8 id, int length, quint32 address)
{
    QByteArray h;
    h.append(char(0xFF)).append(char(command)).append(char(id)).append(char(quint8(length)));
    h.append(char(address >> 24)).append(char(address >> 16)).append(char(address >> 8));
    h.append(char(address));
    return h;
}

QByteArray readRequest(quint32 address, int length, quint8 id = 1)
{
    return header(0xC0, id, length, address);
}

QByteArray writeRequest(quint32 address, const QByteArray &data, quint8 id = 1)
{
    return header(0x80, id, data.size(), address) + data;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// The one immediate reply to a request, or an empty array.
QByteArray exchange(ModuleEmulator &emulator, const QByteArray &request)
{
    const QVector<ModuleEmulator::Reply> replies = emulator.handleRequest(request);
    return replies.isEmpty() ? QByteArray() : replies.first().datagram;
}

bool busError(const QByteArray &reply)
{
    return reply.size() >= 2 && (quint8(reply[1]) & 0x01);
}

// Reads through the protocol; false on a bus error.
bool readRegs(ModuleEmulator &emulator, quint32 address, int length, QByteArray *data = nullptr)
{
    const QByteArray reply = exchange(emulator, readRequest(address, length));
    if (data)
        *data = reply.mid(8);
    return !busError(reply);
}

bool writeRegs(ModuleEmulator &emulator, quint32 address, const QByteArray &data)
{
    return !busError(exchange(emulator, writeRequest(address, data)));
}

// Byte 0 busy, progress from bytes 3..6.
QPair<bool, quint32> pollStatus(ModuleEmulator &emulator)
{
    QByteArray status;
    if (!readRegs(emulator, 0x8001, 7, &status) || status.size() != 7)
        return qMakePair(false, 0xFFFFFFFFu);
    const quint32 progress = (quint32(quint8(status[3])) << 24) |
                             (quint32(quint8(status[4])) << 16) |
                             (quint32(quint8(status[5])) << 8) | quint32(quint8(status[6]));
    return qMakePair(status.at(0) != char(0), progress);
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

void writeDesign(ModuleEmulator &emulator, int seed)
{
    QVERIFY(writeRegs(emulator, 0x0004, pattern(96, seed)));
    for (int a = 0x2000; a < 0x4000; a += 128)
        QVERIFY(writeRegs(emulator, quint32(a), pattern(128, seed + a)));
}

} // namespace

class TestModuleEmulator : public QObject
{
    Q_OBJECT

private slots:
    void protocolViolations_data();
    void protocolViolations();
    void repliesEchoHeader();
    void accessRules();
    void designWritesAndProtection();
    void eepromWriteEnable();
    void pageSaveAndRestore();
    void busyForeverAndAbort();
    void directoryAndBoot();
    void clusterStore();
    void ruleSkipAndCount();
    void stateFile();
    void stateKeptAtEachChange_data();
    void stateKeptAtEachChange();
    void udpService();
    void counterStream_data();
    void counterStream();
    void streamBacklogIsBounded();
    void streamInputIsDropped();
    void oversizedDatagramsKeepAPrefix_data();
    void oversizedDatagramsKeepAPrefix();
    void junkKeepsTheLogBounded();
    void program_data();
    void program();
};

void TestModuleEmulator::protocolViolations_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("violation");

    QTest::newRow("bad mark") << (bytes({0xFE, 0xC0, 1, 4}) + QByteArray(4, '\0'))
                              << "bad protocol mark 0xfe";
    QTest::newRow("bad command") << (bytes({0xFF, 0x40, 1, 4}) + QByteArray(4, '\0'))
                                 << "bad command 0x40";
    QTest::newRow("read length 0") << readRequest(0x10, 0) << "bad length 0";
    QTest::newRow("write length 129")
        << (header(0x80, 1, 129, 0x2000) + QByteArray(129, 'x')) << "bad length 129";
    QTest::newRow("write data short")
        << (header(0x80, 1, 4, 0x10) + QByteArray(2, 'x')) << "write of 2 data bytes with length 4";
    QTest::newRow("write data long")
        << (header(0x80, 1, 2, 0x10) + QByteArray(4, 'x')) << "write of 4 data bytes with length 2";
    QTest::newRow("read with data") << (readRequest(0x10, 2) + "xy") << "read request of 10 bytes";
    QTest::newRow("short datagram") << bytes({0xFF, 0xC0, 1, 4, 0}) << "short request of 5 bytes";
}

void TestModuleEmulator::protocolViolations()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, violation);

    ModuleEmulator emulator;
    const QByteArray before = emulator.designImage();
    const QVector<ModuleEmulator::Reply> replies = emulator.handleRequest(request);
    QCOMPARE(replies.size(), 1);
    const QByteArray reply = replies.first().datagram;
    QCOMPARE(reply.size(), 8);
    QVERIFY(busError(reply));
    QByteArray echoed = request.left(8);
    echoed.append(QByteArray(8 - echoed.size(), '\0'));
    echoed[1] = char(quint8(echoed[1]) | 0x01);
    QCOMPARE(reply, echoed);
    QCOMPARE(emulator.designImage(), before);

    const QVector<RequestLogEntry> log = emulator.requestLog();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().violation, violation);
    QCOMPARE(log.first().datagram, request);
    QCOMPARE(emulator.violationCount(), 1);
}

void TestModuleEmulator::repliesEchoHeader()
{
    ModuleEmulator emulator;
    QCOMPARE(exchange(emulator, readRequest(0x0000, 4, 0x55)),
             bytes({0xFF, 0xC0, 0x55, 4, 0, 0, 0, 0}) + emulator.peek(0, 4));
    const QByteArray data = pattern(128, 3);
    QCOMPARE(exchange(emulator, writeRequest(0x2000, data, 0x7F)),
             bytes({0xFF, 0x80, 0x7F, 0x80, 0, 0, 0x20, 0}));
    QCOMPARE(emulator.peek(0x2000, 128), data);
    const RequestLogEntry entry = emulator.requestLog().last();
    QVERIFY(entry.isWrite());
    QCOMPARE(entry.length, 128);
    QCOMPARE(entry.address, 0x2000u);
    QCOMPARE(entry.data, data);
    QVERIFY(entry.violation.isEmpty() && !entry.busError);
}

void TestModuleEmulator::accessRules()
{
    ModuleEmulator emulator;
    QByteArray data;
    QVERIFY(readRegs(emulator, 0, 4, &data));
    QVERIFY(quint8(data[0]) >= 0x30 && quint8(data[0]) <= 0x3F);
    emulator.setVersion("?abc");
    QVERIFY(readRegs(emulator, 0, 4, &data));
    QCOMPARE(data, QByteArray("?abc"));

    QVERIFY(!writeRegs(emulator, 0x0002, "zz")); // version is read-only
    QCOMPARE(emulator.requestLog().last().note, QStringLiteral("read-only register at 0x2"));
    QVERIFY(!readRegs(emulator, 0x008E, 4));       // runs past the configuration
    QVERIFY(!readRegs(emulator, 0x1000, 1));       // unmapped
    QVERIFY(!readRegs(emulator, 0x8040, 1));       // commands are write-only
    QVERIFY(!writeRegs(emulator, 0x8001, "\x01")); // status is read-only
    QVERIFY(!writeRegs(emulator, 0x8008, "\x01"));
    QVERIFY(!readRegs(emulator, 0xFFFFFC3D, 1));
    QVERIFY(readRegs(emulator, 0x0000, 128)); // version and configuration
    QVERIFY(readRegs(emulator, 0x0080, 16));
    QVERIFY(readRegs(emulator, 0x0100, 128));
    QVERIFY(readRegs(emulator, 0x3F80, 128));
    QVERIFY(readRegs(emulator, 0xC000 + 4096 - 128, 128));
    QCOMPARE(emulator.peek(0x0002, 2), QByteArray("bc"));
}

void TestModuleEmulator::designWritesAndProtection()
{
    ModuleEmulator emulator;
    QCOMPARE(emulator.pageState(), quint8(0));
    QVERIFY(writeRegs(emulator, 0x006E, bytes({0x02, 0x01}))); // user control
    QVERIFY(writeRegs(emulator, 0x0064, bytes({0x80})));       // counter enable
    QCOMPARE(emulator.pageState(), quint8(0));
    QVERIFY(writeRegs(emulator, 0x0010, "\x05"));
    QCOMPARE(emulator.pageState(), quint8(0x80));
    QByteArray state;
    QVERIFY(readRegs(emulator, 0x8008, 1, &state));
    QCOMPARE(state, bytes({0x80}));

    emulator.setPageState(0x03);
    emulator.setWriteProtected(true, false);
    QVERIFY(readRegs(emulator, 0xFFFFFF3C, 1, &state));
    QCOMPARE(quint8(state[0]) & 0x01, 0);
    QVERIFY(!writeRegs(emulator, 0x2000, "\x01"));
    QVERIFY(!writeRegs(emulator, 0x0004, "\x01"));
    QVERIFY(!writeRegs(emulator, 0x8073, "\xff")); // restore would change them
    QVERIFY(writeRegs(emulator, 0x006E, bytes({0x00, 0x01})));
    QVERIFY(writeRegs(emulator, 0x0100, "comment")); // directory is not protected
    QCOMPARE(emulator.pageState(), quint8(0x03));
    QVERIFY(writeRegs(emulator, 0xFFFFFF3C, "\x01")); // unprotect through the module
    QVERIFY(writeRegs(emulator, 0x2000, "\x01"));
    QCOMPARE(emulator.pageState(), quint8(0x83));
}

void TestModuleEmulator::eepromWriteEnable()
{
    ModuleEmulator emulator;
    QVERIFY(!emulator.writeEnabled());
    QVERIFY(!writeRegs(emulator, 0xFFFFFC3E, "\x02"));
    QCOMPARE(emulator.requestLog().last().note,
             QStringLiteral("EEPROM write disabled at 0xfffffc3e"));
    QVERIFY(writeRegs(emulator, 0xFFFFFCFF, bytes({0x00})));
    QVERIFY(emulator.writeEnabled());
    QVERIFY(writeRegs(emulator, 0xFFFFFC3E, "\x02"));
    QVERIFY(writeRegs(emulator, 0xFFFFFC18, bytes({127, 0, 0, 9})));
    QVERIFY(writeRegs(emulator, 0xFFFFFC3C, "\x03"));
    QVERIFY(writeRegs(emulator, 0xFFFFFCFF, "\xff"));
    QVERIFY(!writeRegs(emulator, 0xFFFFFC22, bytes({0x12, 0x34})));

    QByteArray block;
    QVERIFY(readRegs(emulator, 0xFFFFFC12, 30, &block));
    QCOMPARE(block.mid(6, 4), bytes({127, 0, 0, 9}));
    QCOMPARE(block.mid(16, 2), bytes({0x12, 0x34})); // UDP port 4660 unchanged
    QCOMPARE(emulator.peek(0xFFFFFC3C, 1), bytes({0x03}));
    QCOMPARE(emulator.peek(0xFFFFFC3E, 1), bytes({0x02}));
    QCOMPARE(emulator.peek(0xFFFFFF3C, 1), bytes({0x01})); // live byte is separate
}

void TestModuleEmulator::pageSaveAndRestore()
{
    ModuleEmulator emulator;
    emulator.setBusyPolls(3);
    writeDesign(emulator, 1);
    const QByteArray saved = emulator.designImage();
    QCOMPARE(saved.size(), 140 + 8192);
    QVERIFY(emulator.pageState() & 0x80);

    QVERIFY(writeRegs(emulator, 0x8052, "\xff"));
    QVERIFY(emulator.isBusy());
    QCOMPARE(pollStatus(emulator), qMakePair(true, quint32(0x1000)));
    QCOMPARE(pollStatus(emulator), qMakePair(true, quint32(0x2000)));
    QCOMPARE(pollStatus(emulator), qMakePair(true, quint32(0x3000)));
    QCOMPARE(pollStatus(emulator).first, false);
    QCOMPARE(emulator.romImage(2), saved);
    QCOMPARE(emulator.pageState(), quint8(2));

    writeDesign(emulator, 9);
    QVERIFY(emulator.designImage() != saved);
    emulator.setBusyPolls(0);
    QVERIFY(writeRegs(emulator, 0x8072, "\xff"));
    QVERIFY(!emulator.isBusy());
    QCOMPARE(emulator.designImage(), saved);
    QCOMPARE(emulator.pageState(), quint8(2));
    QVERIFY(writeRegs(emulator, 0x8075, "\xff")); // a never saved page is empty
    QCOMPARE(emulator.designImage(), QByteArray(140 + 8192, '\0'));
    QCOMPARE(emulator.pageState(), quint8(5));
}

void TestModuleEmulator::busyForeverAndAbort()
{
    ModuleEmulator emulator;
    emulator.setBusyPolls(1, 0);
    emulator.setBusyForever(true);
    writeDesign(emulator, 4);
    QVERIFY(writeRegs(emulator, 0x8053, "\xff"));
    quint32 last = 0;
    for (int i = 0; i < 5; ++i) {
        const QPair<bool, quint32> status = pollStatus(emulator);
        QVERIFY(status.first);
        QVERIFY(status.second >= last && status.second < 0x4000);
        last = status.second;
    }
    QVERIFY(writeRegs(emulator, 0x8104, "\xff"));
    QVERIFY(emulator.requestLog().last().note.contains(QStringLiteral("ignored")));
    QVERIFY(writeRegs(emulator, 0x8000, "\xff"));
    QCOMPARE(emulator.requestLog().last().note, QStringLiteral("command 0x8053 aborted"));
    QVERIFY(!emulator.isBusy());
    QCOMPARE(pollStatus(emulator).first, false);
    QCOMPARE(emulator.romImage(3), QByteArray(140 + 8192, '\0')); // the save never completed
    QCOMPARE(emulator.pageState(), quint8(0x80));
}

void TestModuleEmulator::directoryAndBoot()
{
    ModuleEmulator emulator;
    emulator.setBusyPolls(0);
    QVERIFY(writeRegs(emulator, 0x0100 + 2 * 112, "second page"));
    QVERIFY(writeRegs(emulator, 0x8040, "\xff"));
    QCOMPARE(emulator.romDirectory().mid(2 * 112, 12), QByteArray("second page\0", 12));
    writeDesign(emulator, 7);
    QVERIFY(writeRegs(emulator, 0x8052, "\xff"));
    const QByteArray page2 = emulator.designImage();
    QVERIFY(writeRegs(emulator, 0xFFFFFCFF, bytes({0x00})));
    QVERIFY(writeRegs(emulator, 0xFFFFFC3E, "\x02"));

    writeDesign(emulator, 8);
    QVERIFY(writeRegs(emulator, 0x0100, "unsaved"));
    QVERIFY(writeRegs(emulator, 0xFFFFFF3C, "\x03"));
    emulator.boot();
    QCOMPARE(emulator.designImage(), page2);
    QCOMPARE(emulator.pageState(), quint8(2));
    QCOMPARE(emulator.peek(0x0100, 7), QByteArray(7, '\0'));
    QCOMPARE(emulator.peek(0xFFFFFF3C, 1), bytes({0x01}));
    QVERIFY(!emulator.writeEnabled());
}

void TestModuleEmulator::clusterStore()
{
    ModuleEmulator emulator;
    emulator.setBusyPolls(2, 1);
    QByteArray emptyFat(4096, char(0xFF));
    emptyFat.replace(0, 32, QByteArray(32, char(0xFE)));
    emptyFat.replace(4094, 2, QByteArray(2, char(0xFE)));
    QCOMPARE(emulator.cluster(2047), emptyFat);

    const QByteArray data = pattern(4096, 11);
    for (int i = 0; i < 4096; i += 128)
        QVERIFY(writeRegs(emulator, 0xC000 + quint32(i), data.mid(i, 128)));
    QVERIFY(writeRegs(emulator, 0x8100, bytes({0, 0, 0, 100})));
    QVERIFY(writeRegs(emulator, 0x8104, "\xff"));
    QCOMPARE(emulator.cluster(100), QByteArray(4096, '\0')); // not before the command ends
    QCOMPARE(pollStatus(emulator), qMakePair(true, quint32(2048)));
    QCOMPARE(pollStatus(emulator), qMakePair(false, quint32(4096)));
    QCOMPARE(emulator.cluster(100), data);

    QVERIFY(writeRegs(emulator, 0xC000, QByteArray(128, 'z')));
    QVERIFY(writeRegs(emulator, 0x8105, "\xff"));
    QVERIFY(writeRegs(emulator, 0x8100, bytes({0, 0, 0, 5}))); // the command latched 100
    pollStatus(emulator);
    pollStatus(emulator);
    QByteArray window;
    QVERIFY(readRegs(emulator, 0xC000, 128, &window));
    QCOMPARE(window, data.left(128));

    QVERIFY(writeRegs(emulator, 0x8100, bytes({0, 0, 0x08, 0x00})));
    QVERIFY(!writeRegs(emulator, 0x8104, "\xff"));
    QCOMPARE(emulator.requestLog().last().note,
             QStringLiteral("cluster number out of range at 0x8104"));
}

void TestModuleEmulator::ruleSkipAndCount()
{
    ModuleEmulator emulator;
    FaultRule busy(FaultRule::BusError, FaultRule::WriteCommand, 0x2000, 0x2FFF, 2);
    busy.skip = 1;
    emulator.addRule(busy);
    emulator.addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0x3000, 0x3000, -1));

    QVERIFY(readRegs(emulator, 0x2000, 4));    // reads do not match
    QVERIFY(writeRegs(emulator, 0x2000, "1")); // skipped
    QVERIFY(!writeRegs(emulator, 0x2001, "2"));
    QVERIFY(!writeRegs(emulator, 0x2FFF, "3"));
    QVERIFY(writeRegs(emulator, 0x2002, "4"));
    QCOMPARE(emulator.peek(0x2000, 3), QByteArray("1\0"
                                                  "4",
                                                  3)); // bus errors wrote nothing
    QCOMPARE(emulator.peek(0x2FFF, 1), QByteArray(1, '\0'));

    // A request that only overlaps the range still matches; dropped writes still happen.
    for (int i = 0; i < 3; ++i)
        QVERIFY(emulator.handleRequest(writeRequest(0x2FFE, QByteArray(4, 'q'))).isEmpty());
    QCOMPARE(emulator.peek(0x2FFE, 4), QByteArray(4, 'q'));
    QCOMPARE(emulator.ruleCount(), 1);
    emulator.clearRules();
    QVERIFY(writeRegs(emulator, 0x3000, "x"));
}

void TestModuleEmulator::stateFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("module.state"));
    {
        ModuleEmulator emulator;
        emulator.setBusyPolls(0);
        writeDesign(emulator, 5);
        QVERIFY(writeRegs(emulator, 0x8054, "\xff"));
        QVERIFY(writeRegs(emulator, 0x0100 + 4 * 112, "kept"));
        QVERIFY(writeRegs(emulator, 0x8040, "\xff"));
        QVERIFY(writeRegs(emulator, 0xFFFFFCFF, bytes({0x00})));
        QVERIFY(writeRegs(emulator, 0xFFFFFC3E, "\x04"));
        QVERIFY(writeRegs(emulator, 0xFFFFFC3C, bytes({0x00})));
        emulator.setVersion("1xyz");
        emulator.setCluster(50, "file data");
        emulator.setFatEntry(4, 0x8008);
        QVERIFY(emulator.saveState(file));
    }
    ModuleEmulator restarted;
    QString error;
    QVERIFY2(restarted.loadState(file, &error), qPrintable(error));
    QCOMPARE(restarted.romImage(4), restarted.designImage());
    QCOMPARE(restarted.romImage(4).left(96), pattern(96, 5));
    QCOMPARE(restarted.pageState(), quint8(4));
    QCOMPARE(restarted.peek(0x0100 + 4 * 112, 4), QByteArray("kept"));
    QCOMPARE(restarted.peek(0x0000, 4), QByteArray("1xyz"));
    QCOMPARE(restarted.peek(0xFFFFFF3C, 1), bytes({0x00})); // booted write-protected
    QCOMPARE(restarted.cluster(50).left(9), QByteArray("file data"));
    QCOMPARE(restarted.fatEntry(4), quint16(0x8008));

    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    damaged.resize(damaged.size() / 2);
    damaged.close();
    QVERIFY(!restarted.loadState(file, &error));
    QVERIFY(error.endsWith(QStringLiteral("the module state file is damaged")));
    QCOMPARE(restarted.pageState(), quint8(4)); // nothing was taken
    QVERIFY(!restarted.loadState(dir.filePath(QStringLiteral("absent")), &error));
    QFile junk(dir.filePath(QStringLiteral("junk")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a state file at all");
    junk.close();
    QVERIFY(!restarted.loadState(junk.fileName(), &error));
    QVERIFY(error.endsWith(QStringLiteral("not a module state file")));
}

void TestModuleEmulator::stateKeptAtEachChange_data()
{
    QTest::addColumn<QStringList>("writes"); // "address data" in hexadecimal
    // clang-format off
    QTest::newRow("ROM page") << QStringList{"00000004 0102030405", "00008050 ff"};
    QTest::newRow("directory") << QStringList{"000001c0 6b657074", "00008040 ff"};
    QTest::newRow("file table") << QStringList{"00008100 000007ff", "0000c000 0009fffe", "00008104 ff"};
    QTest::newRow("network block") << QStringList{"fffffcff 00", "fffffc18 7f000009", "fffffc22 1234"};
    QTest::newRow("boot page") << QStringList{"fffffcff 00", "fffffc3e 04"};
    // clang-format on
}

// Each change of what the module keeps without power is in the state file before it is
// answered (commands end on a status poll): the file is always what a clean exit would write.
void TestModuleEmulator::stateKeptAtEachChange()
{
    QFETCH(QStringList, writes);
    QTemporaryDir dir;
    const auto contents = [&dir](const char *name) {
        QFile f(dir.filePath(QLatin1String(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    ModuleEmulator emulator;
    emulator.setBusyPolls(1, 1);
    emulator.setStateFile(dir.filePath(QStringLiteral("module.state")));
    for (const QString &write : writes) {
        QVERIFY(writeRegs(emulator, write.left(8).toUInt(nullptr, 16),
                          QByteArray::fromHex(write.mid(9).toLatin1())));
        while (pollStatus(emulator).first) {
        }
        QVERIFY(emulator.saveState(dir.filePath(QStringLiteral("clean"))));
        QVERIFY(contents("module.state") == contents("clean"));
    }
}

void TestModuleEmulator::udpService()
{
    ModuleEmulator emulator;
    QString error;
    QVERIFY2(emulator.start(0, 0, &error), qPrintable(error));
    QVERIFY(emulator.udpPort() != 0);
    QVERIFY(emulator.tcpPort() != 0);

    QUdpSocket client;
    QVERIFY(client.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const QHostAddress module(QHostAddress::LocalHost);
    client.writeDatagram(readRequest(0, 4, 9), module, emulator.udpPort());
    QVERIFY(client.waitForReadyRead(2000));
    const QNetworkDatagram reply = client.receiveDatagram();
    QCOMPARE(quint16(reply.senderPort()), emulator.udpPort());
    QCOMPARE(reply.data(), readRequest(0, 4, 9) + emulator.peek(0, 4));

    FaultRule delay(FaultRule::DelayReply);
    delay.delayMs = 300;
    emulator.addRule(delay);
    QElapsedTimer clock;
    clock.start();
    client.writeDatagram(readRequest(0, 4, 10), module, emulator.udpPort());
    client.writeDatagram(readRequest(0, 4, 11), module, emulator.udpPort());
    QVERIFY(client.waitForReadyRead(2000));
    QCOMPARE(quint8(client.receiveDatagram().data()[2]), quint8(11));
    QVERIFY(client.waitForReadyRead(2000));
    QCOMPARE(quint8(client.receiveDatagram().data()[2]), quint8(10));
    QVERIFY(clock.elapsed() >= 250);
    QCOMPARE(emulator.requestLog().size(), 3);

    emulator.stop();
    QVERIFY(!emulator.isRunning());
    QVERIFY2(emulator.start(0, 0, &error), qPrintable(error)); // restartable
}

void TestModuleEmulator::counterStream_data()
{
    QTest::addColumn<QStringList>("options"); // of the emulator program
    QTest::addColumn<int>("gated");           // channel set to gate mode 2; -1: none
    QTest::addColumn<QString>("pattern");     // channel (tag 2: 'x') of the first 12 records
    QTest::newRow("every channel in turn") << QStringList() << -1 << "012301230123";
    QTest::newRow("gate mode 2 counts while not enabled")
        << QStringList({"--channels", "0x1"}) << 2 << "020202020202";
    QTest::newRow("an invalid record after every three")
        << QStringList({"--invalid-every", "3"}) << -1 << "012x301x230x";
}

void TestModuleEmulator::counterStream()
{
    QFETCH(QStringList, options);
    QFETCH(int, gated);
    QFETCH(QString, pattern);
    ModuleEmulator emulator;
    QCommandLineParser parser;
    const StreamOptions streamOptions(parser);
    QVERIFY(parser.parse(QStringList({"zivra-emulator", "--stream-interval", "20"}) + options));
    QString error;
    QVERIFY2(streamOptions.apply(parser, &emulator, &error), qPrintable(error));
    if (gated >= 0)
        QVERIFY(writeRegs(emulator, 0x0060 + quint32(gated), QByteArray(1, '\x02')));
    QVERIFY(emulator.start());
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), emulator.tcpPort());
    QVERIFY(client.waitForConnected(2000));
    QByteArray received;
    while (received.size() < 3 * 32 && client.waitForReadyRead(2000))
        received += client.readAll();
    QVERIFY(received.size() >= 3 * 32);
    QCOMPARE(emulator.streamClients(), 1);

    QString seen;
    quint64 last[4] = {0, 0, 0, 0};
    for (int offset = 0; offset + 8 <= 3 * 32; offset += 8) {
        quint64 word = 0;
        for (int i = 0; i < 8; ++i)
            word = (word << 8) | quint8(received[offset + i]);
        seen += word >> 60 == 2 ? QStringLiteral("x") : QString::number((word >> 56) & 0x0F);
        if (word >> 60 == 2)
            continue;
        QCOMPARE(int(word >> 60), 1);
        const int channel = int((word >> 56) & 0x0F);
        const quint64 value = word & 0x00FFFFFFFFFFFFFFull;
        QVERIFY(value > last[channel]);
        last[channel] = value;
    }
    QCOMPARE(seen, pattern);

    emulator.setStreamInterval(0);
    QTest::qWait(100);
    client.readAll();
    const QByteArray raw = bytes({0x24, 0, 0, 0, 0, 0, 0, 1});
    emulator.sendStreamBytes(raw);
    QVERIFY(client.waitForReadyRead(2000));
    QCOMPARE(client.readAll(), raw);
    client.disconnectFromHost();
    QTRY_COMPARE(emulator.streamClients(), 0);
}

// A client that never reads holds at most a megabyte of records; the rest are dropped.
void TestModuleEmulator::streamBacklogIsBounded()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QHostAddress::LocalHost)));
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.serverPort());
    QVERIFY(server.waitForNewConnection(2000));
    QTcpSocket *peer = server.nextPendingConnection();
    StreamFeeder feeder([](void *) -> quint8 { return 0x0F; }, nullptr, nullptr);
    feeder.addClient(peer);
    // Without the event loop nothing leaves the socket.
    for (int tick = 0; tick < (2 << 20) / 32; ++tick)
        feeder.tick();
    QVERIFY(peer->bytesToWrite() >= 1 << 20 && peer->bytesToWrite() < (1 << 20) + 32);
    QCOMPARE(feeder.recordsMade(), peer->bytesToWrite() / 8);
}

void TestModuleEmulator::streamInputIsDropped()
{
    ModuleEmulator emulator;
    emulator.setStreamInterval(0);
    QVERIFY(emulator.start());
    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), emulator.tcpPort());
    QVERIFY(client.waitForConnected(2000));
    const QByteArray junk(1 << 20, 'j');
    for (int i = 0; i < 4; ++i)
        client.write(junk);
    while (client.bytesToWrite() > 0 && client.waitForBytesWritten(2000)) {
    }
    QTRY_COMPARE_WITH_TIMEOUT(emulator.streamBytesDiscarded(), qint64(4 * junk.size()), 10000);
    // The stream still serves the client.
    const QByteArray raw = bytes({0x24, 0, 0, 0, 0, 0, 0, 1});
    emulator.sendStreamBytes(raw);
    QVERIFY(client.waitForReadyRead(2000));
    QCOMPARE(client.readAll(), raw);
}

void TestModuleEmulator::oversizedDatagramsKeepAPrefix_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("violation");

    QTest::newRow("largest valid write") << 136 << 136 << QString();
    QTest::newRow("largest length announced")
        << 263 << 263 << "write of 255 data bytes with length 128";
    QTest::newRow("one byte over") << 264 << 263 << "write of 256 data bytes with length 128";
    QTest::newRow("65000 bytes") << 65000 << 263 << "write of 64992 data bytes with length 128";
}

void TestModuleEmulator::oversizedDatagramsKeepAPrefix()
{
    QFETCH(int, size);
    QFETCH(int, kept);
    QFETCH(QString, violation);

    ModuleEmulator emulator;
    QByteArray request = writeRequest(0x0004, QByteArray(128, 'd'));
    request.append(QByteArray(size - request.size(), 'x'));
    emulator.handleRequest(request);
    const RequestLogEntry entry = emulator.requestLog().last();
    QCOMPARE(entry.size, size);
    QCOMPARE(entry.datagram, request.left(kept));
    QCOMPARE(entry.data, request.mid(8, kept - 8));
    QCOMPARE(entry.violation, violation);
}

void TestModuleEmulator::junkKeepsTheLogBounded()
{
    ModuleEmulator emulator;
    const QByteArray junk(65000, char(0xFF));
    for (int i = 0; i < 1500; ++i)
        emulator.handleRequest(junk);
    QVERIFY(emulator.requestLogBytes() < 1 << 20);
    QCOMPARE(emulator.requestLog().size(), 1500);

    // Past the budget the older half goes; the newest requests stay.
    const QByteArray read = readRequest(0x10, 2);
    for (int i = 0; i < 200000; ++i)
        emulator.handleRequest(read);
    QVERIFY(emulator.requestLogBytes() <= qint64(32) << 20);
    const QVector<RequestLogEntry> log = emulator.requestLog();
    QVERIFY(log.size() < 200000);
    QCOMPARE(log.last().datagram, read);
    QCOMPARE(emulator.violationCount(), 0);
}

void TestModuleEmulator::program_data()
{
    QTest::addColumn<bool>("killed"); // ends without a chance to save
    QTest::newRow("terminated") << false;
    QTest::newRow("killed") << true;
}

void TestModuleEmulator::program()
{
    QFETCH(bool, killed);
    const QString binary = QStringLiteral(ZIVRA_BUILD_DIR "/zivra-emulator");
    if (!QFile::exists(binary))
        QSKIP("zivra-emulator is not built");
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("state"));

    const auto launch = [&](QProcess &process, quint16 *udp) {
        process.start(binary, {QStringLiteral("--udp-port"), QStringLiteral("0"),
                               QStringLiteral("--tcp-port"), QStringLiteral("0"),
                               QStringLiteral("--state"), state});
        QVERIFY(process.waitForStarted(5000));
        QVERIFY(process.waitForReadyRead(5000));
        const QString line = QString::fromLatin1(process.readLine()).trimmed();
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^udp=(\\d+) tcp=(\\d+)$")).match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        *udp = quint16(m.captured(1).toUInt());
        QVERIFY(*udp != 0 && m.captured(2).toUInt() != 0);
    };
    const auto ask = [](QUdpSocket &socket, quint16 udp, const QByteArray &request) {
        socket.writeDatagram(request, QHostAddress(QHostAddress::LocalHost), udp);
        return socket.waitForReadyRead(2000) ? socket.receiveDatagram().data() : QByteArray();
    };

    quint16 udp = 0;
    QProcess first;
    launch(first, &udp);
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress(QHostAddress::LocalHost), 0));
    QCOMPARE(ask(socket, udp, writeRequest(0x2000, "saved design", 1)).size(), 8);
    QCOMPARE(ask(socket, udp, writeRequest(0x8056, "\xff", 2)).size(), 8);
    bool busy = true;
    for (int poll = 0; busy && poll < 20; ++poll)
        busy = ask(socket, udp, readRequest(0x8001, 7, quint8(3 + poll))).at(8) != 0;
    QVERIFY(!busy);
    killed ? first.kill() : first.terminate();
    QVERIFY(first.waitForFinished(5000));
    QCOMPARE(first.exitStatus(), killed ? QProcess::CrashExit : QProcess::NormalExit);
    QVERIFY(killed || first.exitCode() == 0);
    QVERIFY(QFile::exists(state));

    QProcess second;
    launch(second, &udp);
    QCOMPARE(ask(socket, udp, writeRequest(0x8076, "\xff", 30)).size(), 8);
    busy = true;
    for (int poll = 0; busy && poll < 20; ++poll)
        busy = ask(socket, udp, readRequest(0x8001, 7, quint8(31 + poll))).at(8) != 0;
    QCOMPARE(ask(socket, udp, readRequest(0x2000, 12, 60)).mid(8), QByteArray("saved design"));
    second.terminate();
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);
}

QTEST_MAIN(TestModuleEmulator)
#include "tst_moduleemulator.moc"
