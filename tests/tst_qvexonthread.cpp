#include "moduleemulator.h"
#include "qvexonthread.h"
#include "streamprobe.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

namespace {

const QString Host = QStringLiteral("127.0.0.1");

QByteArray record(int tag, int channel, quint64 value)
{
    QByteArray bytes(8, '\0');
    qToBigEndian<quint64>((quint64(tag) << 60) | (quint64(channel) << 56) |
                              (value & 0x00FFFFFFFFFFFFFFull),
                          bytes.data());
    return bytes;
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList result = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

// The value texts of a log's rows.
QStringList rowValues(const QString &path)
{
    QStringList values;
    const QRegularExpression row(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d,(.*)$"));
    const QStringList all = lines(path);
    for (int i = 1; i < all.size(); ++i) {
        const QRegularExpressionMatch match = row.match(all[i]);
        values.append(match.hasMatch() ? match.captured(1) : QStringLiteral("bad row: ") + all[i]);
    }
    return values;
}

QStringList fourTimes(const QString &text)
{
    return {text, text, text, text};
}

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

class TestQVexonThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void splitRecords_data();
    void splitRecords();
    void invalidRecord_data();
    void invalidRecord();
    void logNames_data();
    void logNames();
    void logText_data();
    void logText();
    void everyRowOnDisk();
    void missingDirectory_data();
    void missingDirectory();
    void refusedConnection();
    void serverClose();

private:
    // A thread on the emulator's stream with one path, name and unit per channel.
    QVexonThread *newThread(const QStringList &paths, const QStringList &names,
                            const QStringList &units, bool continueWithoutLog = false);
    bool connectThread();
    bool finish();

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<StreamProbe> probe;
    QVexonThread *thread = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
};

void TestQVexonThread::init()
{
    emulator.reset(new ModuleEmulator);
    emulator->setStreamInterval(0);
    probe.reset(new StreamProbe);
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void TestQVexonThread::cleanup()
{
    if (thread) {
        thread->stop();
        thread->wait();
    }
    thread = nullptr;
    probe.reset(); // deletes the thread, its child
    emulator.reset();
}

QVexonThread *TestQVexonThread::newThread(const QStringList &paths, const QStringList &names,
                                          const QStringList &units, bool continueWithoutLog)
{
    QString path[4], name[4], unit[4];
    for (int n = 0; n < 4; ++n) {
        path[n] = paths.value(n);
        name[n] = names.value(n, QStringLiteral("C%1").arg(n));
        unit[n] = units.value(n, QStringLiteral("nsec"));
    }
    const quint16 port = emulator->isRunning() ? emulator->tcpPort() : 0;
    return new QVexonThread(path, name, unit, Host, port, 0, probe.get(), continueWithoutLog);
}

bool TestQVexonThread::connectThread()
{
    if (!emulator->isRunning() && !emulator->start())
        return false;
    thread->start();
    return QTest::qWaitFor([&] { return probe->connections == 1; }, 20000) &&
           QTest::qWaitFor([&] { return emulator->streamClients() == 1; }, 20000);
}

bool TestQVexonThread::finish()
{
    thread->stop();
    const bool ended = thread->wait(30000);
    QCoreApplication::processEvents();
    return ended;
}

void TestQVexonThread::splitRecords_data()
{
    QTest::addColumn<int>("piece");
    for (int piece = 1; piece <= 15; ++piece)
        QTest::newRow(qPrintable(QStringLiteral("pieces of %1").arg(piece))) << piece;
}

// Records cut anywhere by the network still decode whole, in order, with nothing lost.
void TestQVexonThread::splitRecords()
{
    QFETCH(int, piece);
    StreamPlan plan;
    plan.segmentBytes = piece;
    emulator->setStreamPlan(plan);
    QVERIFY(emulator->start());
    thread = newThread({dir->path()}, {}, {QStringLiteral("usec")});
    QVERIFY(connectThread());

    QByteArray stream;
    const int records = 48;
    for (int i = 0; i < records; ++i)
        stream += record(1, i % 4, quint64(1000 + i));
    emulator->sendStreamBytes(stream);
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(records), 30000);
    QVERIFY(probe->errors.isEmpty());
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(probe->count[ch], quint64(records / 4));
        const quint64 lastValue = quint64(1000 + records - 4 + ch);
        QCOMPARE(probe->last[ch],
                 ch == 0 ? QVexonThread::valueText(lastValue, 3) : QString::number(lastValue));
    }
    QVERIFY(finish());
    QStringList expected;
    for (int i = 0; i < records; i += 4)
        expected.append(QVexonThread::valueText(quint64(1000 + i), 3));
    QCOMPARE(rowValues(thread->logFileName(0)), expected);
}

void TestQVexonThread::invalidRecord_data()
{
    QTest::addColumn<quint64>("word");
    QTest::addColumn<QString>("message");
    QTest::newRow("tag 2") << Q_UINT64_C(0x2000000000000007)
                           << "Vexon error: invalid data=0x2000000000000007";
    QTest::newRow("tag 0") << Q_UINT64_C(0x0100000000abcdef)
                           << "Vexon error: invalid data=0x0100000000abcdef";
    QTest::newRow("channel 4") << Q_UINT64_C(0x1400000000000001)
                               << "Vexon error: invalid data=0x1400000000000001";
    QTest::newRow("channel 15") << Q_UINT64_C(0x1fffffffffffffff)
                                << "Vexon error: invalid data=0x1fffffffffffffff";
}

// An invalid record drops the rest of its chunk and what that call counted, keeps the rows
// already written, and the partial record behind it still completes in place.
void TestQVexonThread::invalidRecord()
{
    QFETCH(quint64, word);
    QFETCH(QString, message);
    QVERIFY(emulator->start());
    thread = newThread({dir->path()}, {}, {});
    QVERIFY(connectThread());

    QByteArray invalid(8, '\0');
    qToBigEndian<quint64>(word, invalid.data());
    const QByteArray split = record(1, 0, 100);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    emulator->sendStreamBytes(record(1, 0, 1) + record(1, 0, 2) + record(1, 0, 3) + invalid +
                              record(1, 0, 10) + record(1, 0, 11) + split.left(3));
    const QString log = thread->logFileName(0);
    QTRY_COMPARE_WITH_TIMEOUT(lines(log).size(), 4, 20000);
    emulator->sendStreamBytes(split.mid(3) + record(1, 1, 200));
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(2), 20000);
    QCOMPARE(probe->count[0], quint64(1));
    QCOMPARE(probe->last[0], QStringLiteral("100"));
    QCOMPARE(probe->last[1], QStringLiteral("200"));
    QVERIFY(finish());
    QCOMPARE(rowValues(log), QStringList({"1", "2", "3", "100"}));
    QVERIFY(probe->errors.isEmpty());
}

void TestQVexonThread::logNames_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("existing"); // "channel:k" of files already there
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("nextK");

    const QStringList plain = {"A", "B", "C", "D"};
    QTest::newRow("nothing there") << plain << QStringList() << 0 << 1;
    QTest::newRow("one channel's name taken") << plain << QStringList({"2:0"}) << 1 << 2;
    QTest::newRow("taken on different channels") << plain << QStringList({"0:0", "3:1"}) << 2 << 3;
    QTest::newRow("the first free k") << plain << QStringList({"1:1"}) << 0 << 2;
    QTest::newRow("separators in names")
        << QStringList({"up/down", "left\\right", "C", "D"}) << QStringList() << 0 << 1;
}

// One counter k names the logs of all channels of a connection.
void TestQVexonThread::logNames()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, existing);
    QFETCH(int, k);
    QFETCH(int, nextK);
    const auto fileName = [&](int ch, int tag) {
        QString safe = names[ch];
        safe.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), '_');
        return dir->path() + QDir::separator() + safe + "_" + today() + QString::number(tag) +
               ".csv";
    };
    for (const QString &item : existing) {
        QFile file(fileName(item.section(':', 0, 0).toInt(), item.section(':', 1).toInt()));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList paths = fourTimes(dir->path());
    thread = newThread(paths, names, {});
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(thread->logFileName(ch), fileName(ch, k));
        QCOMPARE(lines(fileName(ch, k)),
                 QStringList(QStringLiteral("Time[HH:MM:SS],%1[nsec]").arg(names[ch])));
    }
    // The next connection moves on for all of them.
    std::unique_ptr<QVexonThread> next(newThread(paths, names, {}));
    for (int ch = 0; ch < 4; ++ch)
        QCOMPARE(next->logFileName(ch), fileName(ch, nextK));
}

void TestQVexonThread::logText_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("time units")
        << QStringList({"nsec", "usec", "msec", "sec"}) << Q_UINT64_C(1234567890123)
        << QStringList({"Time[HH:MM:SS],C0[nsec]", "Time[HH:MM:SS],C1[usec]",
                        "Time[HH:MM:SS],C2[msec]", "Time[HH:MM:SS],C3[sec]"})
        << QStringList({"1234567890123", "1234567890.123", "1234567.890123", "1234.567890123"});
    QTest::newRow("small values and other units")
        << QStringList({"", "Hz", "usec", "sec"}) << Q_UINT64_C(5)
        << QStringList({"Time[HH:MM:SS],C0", "Time[HH:MM:SS],C1[Hz]", "Time[HH:MM:SS],C2[usec]",
                        "Time[HH:MM:SS],C3[sec]"})
        << QStringList({"5", "5", "0.005", "0.000000005"});
    QTest::newRow("largest value")
        << QStringList({"nsec", "usec", "msec", "sec"}) << Q_UINT64_C(0x00FFFFFFFFFFFFFF)
        << QStringList({"Time[HH:MM:SS],C0[nsec]", "Time[HH:MM:SS],C1[usec]",
                        "Time[HH:MM:SS],C2[msec]", "Time[HH:MM:SS],C3[sec]"})
        << QStringList({"72057594037927935", "72057594037927.935", "72057594037.927935",
                        "72057594.037927935"});
}

// Header, row and report texts per unit.
void TestQVexonThread::logText()
{
    QFETCH(QStringList, units);
    QFETCH(quint64, value);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, texts);
    QVERIFY(emulator->start());
    thread = newThread(fourTimes(dir->path()), {}, units);
    QVERIFY(connectThread());
    QByteArray stream;
    for (int ch = 0; ch < 4; ++ch)
        stream += record(1, ch, value);
    emulator->sendStreamBytes(stream);
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(4), 20000);
    QVERIFY(finish());
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(lines(thread->logFileName(ch)).value(0), headers[ch]);
        QCOMPARE(rowValues(thread->logFileName(ch)), QStringList(texts[ch]));
        QCOMPARE(probe->last[ch], texts[ch]);
        const double sum = texts[ch].toDouble();
        QVERIFY2(qAbs(probe->sum[ch] - sum) <= sum * 1e-12,
                 qPrintable(QString::number(probe->sum[ch], 'g', 17)));
    }
}

// At full rate every record received has its row on disk once the thread has ended, and the
// window hears of the totals in a few reports rather than one per read.
void TestQVexonThread::everyRowOnDisk()
{
    StreamPlan plan;
    plan.flood = true;
    emulator->setStreamPlan(plan);
    QVERIFY(emulator->start());
    thread = newThread(fourTimes(dir->path()), {}, {"nsec", "usec", "msec", "sec"});
    QVERIFY(connectThread());
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(probe->total() >= 200000, 30000);
    QVERIFY(finish());
    const qint64 elapsed = clock.elapsed();
    QVERIFY(probe->errors.isEmpty());
    for (int ch = 0; ch < 4; ++ch)
        QCOMPARE(quint64(lines(thread->logFileName(ch)).size() - 1), probe->count[ch]);
    QVERIFY2(probe->reports <= 4 * (elapsed / QVexonThread::reportIntervalMs + 2),
             qPrintable(QStringLiteral("%1 reports in %2 ms").arg(probe->reports).arg(elapsed)));
}

void TestQVexonThread::missingDirectory_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("stop") << false;
    QTest::newRow("go on without that log") << true;
}

void TestQVexonThread::missingDirectory()
{
    QFETCH(bool, goOn);
    const QString missing = dir->filePath(QStringLiteral("missing"));
    const QStringList paths = {dir->path(), missing, QString(), dir->path()};
    QString thrown;
    try {
        thread = newThread(paths, {}, {});
    } catch (const QString &text) {
        thrown = text;
    }
    QVERIFY(!thread);
    QCOMPARE(thrown, missing + QStringLiteral(":\nNo such directory."));
    // The channel before the failing one already has its header-only log.
    QVERIFY(QFile::exists(dir->filePath("C0_" + today() + "0.csv")));
    QVERIFY(!QFile::exists(dir->filePath("C3_" + today() + "0.csv")));
    if (!goOn)
        return;

    QVERIFY(emulator->start());
    thread = newThread(paths, {}, {}, true);
    QCOMPARE(thread->logFileName(0), dir->path() + QDir::separator() + "C0_" + today() + "1.csv");
    QVERIFY(connectThread());
    emulator->sendStreamBytes(record(1, 0, 7) + record(1, 1, 8) + record(1, 3, 9));
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(3), 20000);
    QVERIFY(finish());
    QCOMPARE(rowValues(thread->logFileName(0)), QStringList("7"));
    QCOMPARE(rowValues(thread->logFileName(3)), QStringList("9"));
    QVERIFY(!QDir(missing).exists());
}

// A refused connection is reported with the socket's reason at once, not after endless retries.
void TestQVexonThread::refusedConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QHostAddress::LocalHost)));
    const quint16 port = server.serverPort();
    server.close();
    QString none[4];
    thread = new QVexonThread(none, none, none, Host, port, 0, probe.get(), false);
    thread->start();
    QVERIFY(thread->wait(30000));
    QCoreApplication::processEvents();
    QCOMPARE(probe->errors.size(), 1);
    QVERIFY(probe->errors[0] != QStringLiteral("Connection timed out"));
    QVERIFY(!probe->errors[0].isEmpty());
    QCOMPARE(probe->connections, 0);
}

// The module closing the connection ends the thread with the socket's text, after every record
// it sent has been reported.
void TestQVexonThread::serverClose()
{
    StreamPlan plan;
    plan.closeAfter = 10;
    emulator->setStreamPlan(plan);
    QVERIFY(emulator->start());
    thread = newThread({dir->path()}, {}, {});
    QVERIFY(connectThread());
    QByteArray stream;
    for (int i = 0; i < 16; ++i)
        stream += record(1, 0, quint64(i));
    emulator->sendStreamBytes(stream);
    QVERIFY(thread->wait(30000));
    QTRY_COMPARE(probe->errors.size(), 1);
    QCOMPARE(probe->total(), quint64(10));
    QCOMPARE(probe->last[0], QStringLiteral("9"));
    QCOMPARE(probe->closedByServer, 1);
    QCOMPARE(probe->errors[0], QStringLiteral("The remote host closed the connection"));
    QCOMPARE(rowValues(thread->logFileName(0)).size(), 10);
}

QTEST_MAIN(TestQVexonThread)
#include "tst_qvexonthread.moc"
