// A full download of a compiled design and its verify, each a complete module operation of the
// worker on its own thread, against the in-process emulator on 127.0.0.1: median wall time over
// repeated runs. Target: under 50 ms per download.

#include "designkit.h"
#include "moduleemulator.h"
#include "programdata.h"
#include "qudpthread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTextStream>
#include <QVector>

#include <algorithm>

// Takes the outcome on the worker's thread, so no event loop is needed while timing.
class Outcome : public QObject
{
    Q_OBJECT
public:
    bool ok = false;
    QString text;

public slots:
    void onClosed(bool succeeded) { ok = succeeded; }
    void onError(QString *message) { text = *message; }
};

namespace {

// One operation from start to the end of its thread, in milliseconds; -1 on failure.
double timedRun(ModuleEmulator &emulator, ProgramData &design, bool verify, QTextStream &out)
{
    QUdpThread worker;
    worker.setHost(QHostAddress(QHostAddress::LocalHost), emulator.udpPort());
    worker.setTimeout(1);
    worker.setDesign(&design, verify);
    Outcome outcome;
    QObject::connect(&worker, SIGNAL(closed(bool)), &outcome, SLOT(onClosed(bool)),
                     Qt::DirectConnection);
    QObject::connect(&worker, SIGNAL(error(QString *)), &outcome, SLOT(onError(QString *)),
                     Qt::DirectConnection);
    QElapsedTimer clock;
    clock.start();
    worker.start();
    worker.wait();
    const double msecs = clock.nsecsElapsed() / 1e6;
    if (!outcome.ok) {
        out << (verify ? "verify" : "download") << " failed: " << outcome.text << '\n';
        return -1;
    }
    return msecs;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 50;

    ModuleEmulator emulator;
    QString error;
    if (!emulator.start(0, 0, &error)) {
        out << "emulator: " << error << '\n';
        return 1;
    }
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);

    QVector<double> downloads, verifies;
    for (int i = 0; i < runs; ++i) {
        const double download = timedRun(emulator, design, false, out);
        const double verify = timedRun(emulator, design, true, out);
        if (download < 0 || verify < 0)
            return 1;
        downloads.append(download);
        verifies.append(verify);
        emulator.clearLog();
    }
    const double downloadMedian = median(downloads);
    out << "runs: " << runs << '\n'
        << "download median: " << downloadMedian << " ms (target < 50 ms)\n"
        << "verify median: " << median(verifies) << " ms\n"
        << "download plus verify median: " << downloadMedian + median(verifies) << " ms\n";
    return downloadMedian < 50.0 ? 0 : 2;
}

#include "bench_download.moc"
