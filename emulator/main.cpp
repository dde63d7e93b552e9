// zivra-emulator: serves the emulated logic module on 127.0.0.1 until terminated.

#include "moduleemulator.h"
#include "streamoptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QThread>

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

bool parsePort(const QString &text, quint16 *port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zivra-emulator"));
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulated Zivra logic module, serving REGX (UDP) and the counter stream (TCP) "
        "on 127.0.0.1 only. Prints \"udp=N tcp=M\" first, then runs until terminated."));
    parser.addHelpOption();
    const QCommandLineOption udpOption(QStringLiteral("udp-port"),
                                       QStringLiteral("REGX port (0 = any free port)."),
                                       QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption tcpOption(QStringLiteral("tcp-port"),
                                       QStringLiteral("Counter stream port (0 = any free port)."),
                                       QStringLiteral("M"), QStringLiteral("0"));
    const QCommandLineOption stateOption(
        QStringLiteral("state"),
        QStringLiteral("Module state file: loaded at start when it exists, written after every "
                       "change of the module's ROM and settings memory and on exit."),
        QStringLiteral("FILE"));
    parser.addOption(udpOption);
    parser.addOption(tcpOption);
    parser.addOption(stateOption);
    StreamOptions streamOptions(parser);
    parser.process(app);

    quint16 udpPort = 0;
    quint16 tcpPort = 0;
    if (!parsePort(parser.value(udpOption), &udpPort)) {
        err << "zivra-emulator: invalid UDP port: " << parser.value(udpOption) << '\n';
        return 2;
    }
    if (!parsePort(parser.value(tcpOption), &tcpPort)) {
        err << "zivra-emulator: invalid TCP port: " << parser.value(tcpOption) << '\n';
        return 2;
    }

    ModuleEmulator emulator;
    QString streamError;
    if (!streamOptions.apply(parser, &emulator, &streamError)) {
        err << "zivra-emulator: " << streamError << '\n';
        return 2;
    }
    const QString stateFile = parser.value(stateOption);
    QString error;
    // A damaged state file stops the start rather than being overwritten on exit.
    if (!stateFile.isEmpty() && QFile::exists(stateFile) &&
        !emulator.loadState(stateFile, &error)) {
        err << "zivra-emulator: " << error << '\n';
        return 1;
    }
    emulator.setStateFile(stateFile);
    if (!emulator.start(udpPort, tcpPort, &error)) {
        err << "zivra-emulator: " << error << '\n';
        return 1;
    }

    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    QTextStream out(stdout);
    out << "udp=" << emulator.udpPort() << " tcp=" << emulator.tcpPort() << '\n';
    out.flush();

    // The emulator serves from its own thread; this one only waits for the signal to stop.
    while (!stopRequested)
        QThread::msleep(50);

    emulator.stop();
    if (!stateFile.isEmpty() && !emulator.saveState(stateFile, &error)) {
        err << "zivra-emulator: " << error << '\n';
        return 1;
    }
    return 0;
}
