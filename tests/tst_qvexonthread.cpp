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

QByteArray word(quint64 value)
{
    QByteArray bytes(8, '\0');
    qToBigEndian<quint64>(value, bytes.data());
    return bytes;
}

QByteArray record(int channel, quint64 value)
{
    return word((quint64(1) << 60) | (quint64(channel) << 56) | (value & 0x00FFFFFFFFFFFFFFull));
}

QStringList lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The value texts of the last `count` rows of a log (all rows: -1).
QStringList rowValues(const QString &path, int count = -1)
{
    QStringList values;
    const QRegularExpression row(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d,(.*)$"));
    const QStringList all = lines(path).mid(1);
    for (const QString &line : all.mid(count < 0 ? 0 : qMax(0, all.size() - count))) {
        const QRegularExpressionMatch match = row.match(line);
        values.append(match.hasMatch() ? match.captured(1) : QStringLiteral("bad row: ") + line);
    }
    return values;
}

QStringList fourTimes(const QString &text)
{
    return {text, text, text, text};
}

QString logName(const QString &name, int k)
{
    return name + "_" + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
           QString::number(k) + ".csv";
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
    void failures_data();
    void failures();

private:
    QVexonThread *newThread(const QStringList &paths, const QStringList &names,
                            const QStringList &units, bool continueWithoutLog = false);
    bool connectThread();
    // A connected thread logging every channel, kept for the next rows of the same test with
    // the same units: each row starts from a reset probe and aligned stream.
    bool stream(const QStringList &units, const StreamPlan &plan = StreamPlan());
    void drop();
    bool finish();

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<StreamProbe> probe;
    QVexonThread *thread = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
    QString sharedBy;
};

void TestQVexonThread::init()
{
    if (!probe || !sharedBy.startsWith(QTest::currentTestFunction() + QStringLiteral("|")))
        drop();
    probe->reset();
}

void TestQVexonThread::cleanup()
{
    if (sharedBy.isEmpty() || QTest::currentTestFailed())
        drop();
}

void TestQVexonThread::drop()
{
    if (thread) {
        thread->stop();
        thread->wait();
    }
    thread = nullptr;
    sharedBy.clear();
    probe.reset(new StreamProbe); // deletes the thread, its child
    emulator.reset(new ModuleEmulator);
    emulator->setStreamInterval(0);
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
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

bool TestQVexonThread::stream(const QStringList &units, const StreamPlan &plan)
{
    const QString key = QTest::currentTestFunction() + QStringLiteral("|") + units.join(',');
    emulator->setStreamPlan(plan);
    if (thread && key == sharedBy)
        return true;
    drop();
    emulator->setStreamPlan(plan);
    sharedBy = key;
    if (!emulator->start())
        return false;
    thread = newThread(fourTimes(dir->path()), {}, units);
    return connectThread();
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
    QVERIFY(stream({QStringLiteral("usec")}, plan));
    QByteArray bytes;
    QStringList expected;
    const quint64 first = quint64(piece) * 1000;
    for (int i = 0; i < 48; ++i) {
        bytes += record(i % 4, first + quint64(i));
        if (i % 4 == 0)
            expected.append(QVexonThread::valueText(first + quint64(i), 3));
    }
    emulator->sendStreamBytes(bytes);
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(48), 30000);
    QVERIFY(probe->errors.isEmpty());
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(probe->count[ch], quint64(12));
        QCOMPARE(probe->last[ch], ch == 0 ? expected.last() : QString::number(first + 44 + ch));
    }
    QCOMPARE(rowValues(thread->logFileName(0), 12), expected);
}

void TestQVexonThread::invalidRecord_data()
{
    QTest::addColumn<quint64>("invalid");
    QTest::newRow("tag 2") << Q_UINT64_C(0x2000000000000007);
    QTest::newRow("tag 0") << Q_UINT64_C(0x0100000000abcdef);
    QTest::newRow("channel 4") << Q_UINT64_C(0x1400000000000001);
    QTest::newRow("channel 15") << Q_UINT64_C(0x1fffffffffffffff);
}

// An invalid record drops the rest of its chunk and what that call counted, keeps the rows
// already written, and the partial record behind it still completes in place.
void TestQVexonThread::invalidRecord()
{
    QFETCH(quint64, invalid);
    QVERIFY(stream({}));
    const QString log = thread->logFileName(0);
    const int before = lines(log).size();
    // Its first bytes differ from those of the chunk's first record.
    const quint64 splitValue = Q_UINT64_C(0xAB000000000064);
    const QByteArray split = record(0, splitValue);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Vexon error: invalid data=0x%1")
                                                    .arg(invalid, 16, 16, QLatin1Char('0'))));
    emulator->sendStreamBytes(record(0, 1) + record(0, 2) + record(0, 3) + word(invalid) +
                              record(0, 10) + record(0, 11) + split.left(3));
    QTRY_COMPARE_WITH_TIMEOUT(lines(log).size(), before + 3, 20000);
    emulator->sendStreamBytes(split.mid(3) + record(1, 200));
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(2), 20000);
    QCOMPARE(probe->count[0], quint64(1));
    QCOMPARE(probe->last[0], QString::number(splitValue));
    QCOMPARE(probe->last[1], QStringLiteral("200"));
    QCOMPARE(rowValues(log, 4), QStringList({"1", "2", "3", QString::number(splitValue)}));
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

// One counter k names the logs of all channels of a connection; separators in a name become
// '_' in the file name only.
void TestQVexonThread::logNames()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, existing);
    QFETCH(int, k);
    QFETCH(int, nextK);
    const auto fileName = [&](int ch, int tag) {
        QString safe = names[ch];
        safe.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), '_');
        return dir->path() + QDir::separator() + logName(safe, tag);
    };
    for (const QString &item : existing) {
        QFile file(fileName(item.section(':', 0, 0).toInt(), item.section(':', 1).toInt()));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    thread = newThread(fourTimes(dir->path()), names, {});
    std::unique_ptr<QVexonThread> next(newThread(fourTimes(dir->path()), names, {}));
    for (int ch = 0; ch < 4; ++ch) {
        QCOMPARE(thread->logFileName(ch), fileName(ch, k));
        QCOMPARE(lines(fileName(ch, k)), QStringList("Time[HH:MM:SS]," + names[ch] + "[nsec]"));
        QCOMPARE(next->logFileName(ch), fileName(ch, nextK));
    }
}

void TestQVexonThread::logText_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<QStringList>("texts"); // header unit, then row text, per channel

    const QStringList timeUnits = {"nsec", "usec", "msec", "sec"};
    QTest::newRow("time units") << timeUnits << Q_UINT64_C(1234567890123)
                                << QStringList({"[nsec]", "1234567890123", "[usec]",
                                                "1234567890.123", "[msec]", "1234567.890123",
                                                "[sec]", "1234.567890123"});
    QTest::newRow("largest value")
        << timeUnits << Q_UINT64_C(0x00FFFFFFFFFFFFFF)
        << QStringList({"[nsec]", "72057594037927935", "[usec]", "72057594037927.935", "[msec]",
                        "72057594037.927935", "[sec]", "72057594.037927935"});
    QTest::newRow("small values and other units")
        << QStringList({"", "Hz", "usec", "sec"}) << Q_UINT64_C(5)
        << QStringList({"", "5", "[Hz]", "5", "[usec]", "0.005", "[sec]", "0.000000005"});
}

// Header, row and report texts per unit.
void TestQVexonThread::logText()
{
    QFETCH(QStringList, units);
    QFETCH(quint64, value);
    QFETCH(QStringList, texts);
    QVERIFY(stream(units));
    emulator->sendStreamBytes(record(0, value) + record(1, value) + record(2, value) +
                              record(3, value));
    QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(4), 20000);
    for (int ch = 0; ch < 4; ++ch) {
        const QString text = texts[2 * ch + 1];
        QCOMPARE(lines(thread->logFileName(ch)).value(0),
                 QStringLiteral("Time[HH:MM:SS],C%1").arg(ch) + texts[2 * ch]);
        QCOMPARE(rowValues(thread->logFileName(ch), 1), QStringList(text));
        QCOMPARE(probe->last[ch], text);
        QVERIFY2(qAbs(probe->sum[ch] - text.toDouble()) <= text.toDouble() * 1e-12,
                 qPrintable(QString::number(probe->sum[ch], 'g', 17)));
    }
}

// At full rate every record received has its row on disk once the thread has ended, and the
// window hears of the totals in a few reports rather than one per read.
void TestQVexonThread::everyRowOnDisk()
{
    StreamPlan plan;
    plan.flood = true;
    QVERIFY(stream({"nsec", "usec", "msec", "sec"}, plan));
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

void TestQVexonThread::failures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("error");      // reported by the thread
    QTest::addColumn<QStringList>("values"); // rows of channel 0 / reports on channel 3
    QTest::newRow("missing directory") << "missing" << QString() << QStringList();
    QTest::newRow("missing directory, go on") << "go on" << QString() << QStringList({"7", "9"});
    // Reported at once with the socket's reason, not after endless retries.
    QTest::newRow("refused connection") << "refused"
                                        << "Connection refused" << QStringList();
    // After every record the module sent has been reported.
    QTest::newRow("closed by the module")
        << "closed"
        << "The remote host closed the connection" << QStringList({"9"});
}

void TestQVexonThread::failures()
{
    QFETCH(QString, failure);
    QFETCH(QString, error);
    QFETCH(QStringList, values);
    const QString missing = dir->filePath(QStringLiteral("missing"));
    const QStringList paths = {dir->path(), missing, QString(), dir->path()};
    if (failure == "refused") {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress(QHostAddress::LocalHost)));
        const quint16 port = server.serverPort();
        server.close();
        QString none[4];
        thread = new QVexonThread(none, none, none, Host, port, 0, probe.get(), false);
        thread->start();
    } else if (failure == "closed") {
        StreamPlan plan;
        plan.closeAfter = 10;
        emulator->setStreamPlan(plan);
        QVERIFY(emulator->start());
        thread = newThread({dir->path()}, {}, {});
        QVERIFY(connectThread());
        QByteArray bytes;
        for (int i = 0; i < 16; ++i)
            bytes += record(0, quint64(i));
        emulator->sendStreamBytes(bytes);
    } else {
        QString thrown;
        try {
            thread = newThread(paths, {}, {});
        } catch (const QString &text) {
            thrown = text;
        }
        QVERIFY(!thread);
        QCOMPARE(thrown, missing + QStringLiteral(":\nNo such directory."));
        // The channel before the failing one already has its header-only log.
        QCOMPARE(lines(dir->filePath(logName("C0", 0))).size(), 1);
        QVERIFY(!QFile::exists(dir->filePath(logName("C3", 0))));
        if (failure == "missing")
            return;
        QVERIFY(emulator->start());
        thread = newThread(paths, {}, {}, true);
        QCOMPARE(thread->logFileName(0), dir->path() + QDir::separator() + logName("C0", 1));
        QVERIFY(connectThread());
        emulator->sendStreamBytes(record(0, 7) + record(1, 8) + record(3, 9));
        QTRY_COMPARE_WITH_TIMEOUT(probe->total(), quint64(3), 20000);
        thread->stop();
        QVERIFY(!QDir(missing).exists());
    }
    QVERIFY(thread->wait(30000));
    QCoreApplication::processEvents();
    QCOMPARE(probe->errors, error.isEmpty() ? QStringList() : QStringList(error));
    QCOMPARE(probe->closedByServer, int(failure == "closed"));
    if (failure == "refused") {
        QCOMPARE(probe->connections, 0);
        return;
    }
    QCOMPARE(rowValues(thread->logFileName(0)).size(), failure == "closed" ? 10 : 1);
    QCOMPARE(rowValues(thread->logFileName(0)).value(0), failure == "closed" ? "0" : "7");
    QCOMPARE(probe->last[failure == "closed" ? 0 : 3], values.last());
    QCOMPARE(probe->total(), quint64(failure == "closed" ? 10 : 3));
}

QTEST_MAIN(TestQVexonThread)
#include "tst_qvexonthread.moc"
