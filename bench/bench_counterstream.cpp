// The counter stream at full rate: the in-process emulator floods its TCP stream on 127.0.0.1
// with records of all four channels as fast as the socket takes them; QVexonThread decodes them
// without logs and with four CSV logs, and the counter window receives them while its resident
// memory is sampled. Targets: 15.6 million records/s decoded (8-byte records at 1 GbE line
// rate), 2 million records/s with four logs, and memory flat while receiving.

#include "moduleemulator.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "qvexonthread.h"
#include "streamprobe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>

namespace {

const QString Host = QStringLiteral("127.0.0.1");

// Resident set size in KiB.
long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Records per second through one thread, counted from its reports, over `msecs` of flood.
double decodeRate(ModuleEmulator &emulator, const QString &logDir, int msecs, QTextStream &out)
{
    QString path[4], name[4], unit[4];
    const char *units[4] = {"nsec", "usec", "msec", "sec"};
    for (int n = 0; n < 4; ++n) {
        path[n] = logDir;
        name[n] = QStringLiteral("Bench%1").arg(n);
        unit[n] = QString::fromLatin1(units[n]);
    }
    StreamProbe probe;
    QVexonThread *thread =
        new QVexonThread(path, name, unit, Host, emulator.tcpPort(), 0, &probe, true);
    thread->start();
    if (!QTest::qWaitFor([&] { return probe.connections == 1; }, 20000)) {
        out << "no connection\n";
        return -1;
    }
    QElapsedTimer clock;
    clock.start();
    const qint64 sentBefore = emulator.streamRecordsSent();
    QTest::qWait(msecs);
    thread->stop();
    thread->wait();
    const double seconds = clock.nsecsElapsed() / 1e9;
    QCoreApplication::processEvents();
    quint64 rows = 0;
    if (!logDir.isEmpty()) {
        for (int n = 0; n < 4; ++n) {
            QFile log(thread->logFileName(n));
            if (log.open(QIODevice::ReadOnly))
                rows += quint64(std::max<qint64>(log.readAll().count('\n') - 1, 0));
        }
    }
    out << "  " << probe.total() << " records in " << QString::number(seconds, 'f', 2)
        << " s, sent " << emulator.streamRecordsSent() - sentBefore << ", reports "
        << probe.reports;
    if (!logDir.isEmpty())
        out << ", log rows " << rows;
    out << '\n';
    delete thread;
    return probe.total() / seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int msecs = argc > 1 ? std::max(200, QString::fromLocal8Bit(argv[1]).toInt()) : 3000;

    ModuleEmulator emulator;
    StreamPlan plan;
    plan.flood = true;
    emulator.setStreamPlan(plan);
    emulator.setStreamInterval(0);
    QString error;
    if (!emulator.start(0, 0, &error)) {
        out << "emulator: " << error << '\n';
        return 1;
    }
    QTemporaryDir logs;

    // The window at full rate: resident memory sampled while it receives.
    MsrCntConfig config;
    config.host = Host;
    config.tcpPort = emulator.tcpPort();
    config.udpPort = emulator.udpPort();
    config.autoConnect = true;
    for (int n = 0; n < 4; ++n) {
        config.mode[n] = 0;
        config.unit[n] = QStringLiteral("usec");
    }
    long first = -1;
    long peak = 0;
    long last = 0;
    {
        MsrCntWidget window(config, nullptr);
        window.show();
        if (!QTest::qWaitFor([&] { return window.statusText() == QLatin1String("Received"); },
                             20000))
            out << "the window received nothing\n";
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < msecs) {
            QTest::qWait(100);
            last = residentKiB();
            if (first < 0 && clock.elapsed() >= msecs / 4)
                first = last;
            peak = std::max(peak, last);
        }
        window.stopUpdate();
    }
    out << "window resident KiB: after a quarter " << first << ", peak " << peak << ", at end "
        << last << '\n';

    out << "decoding without logs:\n";
    const double decode = decodeRate(emulator, QString(), msecs, out);
    out << "decoding with four logs:\n";
    const double logged = decodeRate(emulator, logs.path(), msecs, out);
    emulator.stop();

    out << "decode records/s: " << qint64(decode) << '\n';
    out << "with four logs records/s: " << qint64(logged) << '\n';
    return 0;
}
