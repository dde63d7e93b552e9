#include "startupoptions.h"

#include <QFile>
#include <QHostAddress>

#include <csignal>
#include <cstring>
#include <getopt.h>

namespace {
const char optionString[] = "h:t:u:a:o:";
}

QString StartupOptions::usageFor(const QString &programPath)
{
    const int slash = programPath.lastIndexOf(QLatin1Char('\\'));
    const QString program = slash < 0 ? programPath : programPath.mid(slash + 1);
    return QStringLiteral("Usage: ") + program +
           QStringLiteral(" [-t <TCP port>] [-u <UDP port>] [-h <host address>] [-a <on/off>]"
                          " [-o <timeout>] [fileName]");
}

StartupOptions StartupOptions::parse(int argc, char **argv)
{
    StartupOptions result;
    result.applicationArgc = argc;
    const QString programPath = argc > 0 ? QString::fromLatin1(argv[0]) : QString();
    auto wrong = [&result, &programPath]() { result.usageText = usageFor(programPath); };

    opterr = 0;
    optind = 0; // full re-initialisation, so that repeated parses start afresh
    int c;
    while ((c = getopt(argc, argv, optionString)) != -1) {
        if (c == '?') {
            // An option letter of ours without its argument is a usage error;
            // an unknown letter is ignored.
            if (optopt != 0 && std::strchr(optionString, optopt) && optopt != ':')
                wrong();
            continue;
        }
        const QString value = QString::fromLatin1(optarg);
        bool ok = false;
        switch (c) {
        case 'h': {
            QHostAddress address;
            if (address.setAddress(value)) {
                result.settings.host = address.toString();
                result.optionsGiven = true;
            } else {
                wrong();
            }
            break;
        }
        case 't': {
            const quint16 port = value.toUShort(&ok, 10);
            if (ok) {
                result.settings.tcpPort = port;
                result.optionsGiven = true;
            } else {
                wrong();
            }
            break;
        }
        case 'u': {
            const quint16 port = value.toUShort(&ok, 10);
            if (ok) {
                result.settings.udpPort = port;
                result.optionsGiven = true;
            } else {
                wrong();
            }
            break;
        }
        case 'o': {
            const uint seconds = value.toUInt(&ok, 10);
            if (ok && seconds <= uint(ConnectionSettings::maxTimeout)) {
                result.settings.timeout = static_cast<int>(seconds);
                result.optionsGiven = true;
            } else {
                wrong();
            }
            break;
        }
        case 'a':
            if (value.contains(QLatin1String("off"))) {
                result.settings.autoConnect = false;
                result.optionsGiven = true;
            } else if (!value.contains(QLatin1String("on"))) {
                wrong();
            }
            break;
        default:
            break;
        }
    }

    const int words = argc - optind;
    if (words == 1)
        result.fileName = QFile::decodeName(argv[optind]);
    else if (words > 1)
        wrong();
    if (words > 0)
        result.applicationArgc = argc - 1;
    return result;
}

void StartupOptions::ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}
