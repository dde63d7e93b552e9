// The REGX traffic of one design download and its verify, against the in-process emulator on
// 127.0.0.1: median wall time over repeated runs.

#include "moduleemulator.h"
#include "qregx.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTextStream>
#include <QVector>

#include <algorithm>

namespace {

class Engine : public QRegx
{
public:
    using QRegx::closeSocket;
    using QRegx::openSocket;
};

// The download's runs of contiguous bytes, each sent in batches of at most 254 bytes.
void download(Engine &engine, const QByteArray &image)
{
    struct Run {
        quint32 address;
        int offset;
        int length;
    };
    const Run runs[] = {{0x0004, 0, 106}, {0x0070, 108, 16}, {0x0088, 132, 8}, {0x2000, 140, 8192}};
    for (const Run &run : runs)
        for (int done = 0; done < run.length; done += 254) {
            const int n = std::min(254, run.length - done);
            engine.writeExact(run.address + quint32(done), image.constData() + run.offset + done,
                              n);
        }
}

bool verify(Engine &engine, const QByteArray &image)
{
    QByteArray config(140, '\0');
    QByteArray tables(8192, '\0');
    engine.readExact(0x0004, config.data(), 140);
    for (int t = 0; t < 4; ++t)
        engine.readExact(0x2000 + quint32(t) * 2048, tables.data() + t * 2048, 2048);
    return config.mid(0, 106) == image.mid(0, 106) && tables == image.mid(140);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 50;

    ModuleEmulator emulator;
    QString error;
    if (!emulator.start(0, 0, &error)) {
        out << "emulator: " << error << '\n';
        return 1;
    }
    QByteArray image(140 + 8192, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 31 + 7) & 0xFF);

    Engine engine;
    engine.setHost(QHostAddress(QHostAddress::LocalHost), emulator.udpPort());
    engine.openSocket();
    QVector<double> downloads, verifies;
    try {
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            download(engine, image);
            downloads.append(clock.nsecsElapsed() / 1e6);
            clock.restart();
            if (!verify(engine, image)) {
                out << "verify found a difference\n";
                return 1;
            }
            verifies.append(clock.nsecsElapsed() / 1e6);
        }
    } catch (const QRegx::ErrSts &e) {
        out << "REGX failure: " << engine.statusText(e.status) << '\n';
        return 1;
    }
    engine.closeSocket();
    std::sort(downloads.begin(), downloads.end());
    std::sort(verifies.begin(), verifies.end());
    out << "runs: " << runs << '\n'
        << "download median: " << downloads[runs / 2] << " ms\n"
        << "verify median: " << verifies[runs / 2] << " ms\n";
    return 0;
}
