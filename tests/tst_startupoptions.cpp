#include "startupoptions.h"

#include <QTest>

#include <vector>

// The command line as main() sees it, parsed by getopt before Qt exists.
class TestStartupOptions : public QObject
{
    Q_OBJECT

private:
    static StartupOptions parse(const QStringList &words)
    {
        std::vector<QByteArray> storage;
        storage.push_back(QByteArrayLiteral("/usr/bin/zivra"));
        for (const QString &word : words)
            storage.push_back(word.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &bytes : storage)
            argv.push_back(bytes.data());
        argv.push_back(nullptr);
        return StartupOptions::parse(int(storage.size()), argv.data());
    }

private slots:
    void table_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("tcpPort");
        QTest::addColumn<int>("udpPort");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<bool>("autoConnect");
        QTest::addColumn<bool>("optionsGiven");
        QTest::addColumn<bool>("usage");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("applicationArgc");

        const QString factory = QString::fromLatin1(ConnectionSettings::factoryHost);
        QTest::newRow("no arguments") << QStringList() << factory << 24 << 4660 << 1 << true
                                      << false << false << QString() << 1;
        QTest::newRow("-a on counts as no option")
            << QStringList{"-a", "on"} << factory << 24 << 4660 << 1 << true << false << false
            << QString() << 3;
        QTest::newRow("-a off") << QStringList{"-aoff"} << factory << 24 << 4660 << 1 << false
                                << true << false << QString() << 2;
        QTest::newRow("-a offline is off") << QStringList{"-a", "offline"} << factory << 24 << 4660
                                           << 1 << false << true << false << QString() << 3;
        QTest::newRow("-a none holds on") << QStringList{"-a", "none"} << factory << 24 << 4660 << 1
                                          << true << false << false << QString() << 3;
        QTest::newRow("-a Off is case-sensitive")
            << QStringList{"-a", "Off"} << factory << 24 << 4660 << 1 << true << false << true
            << QString() << 3;
        QTest::newRow("-t 0") << QStringList{"-t", "0"} << factory << 0 << 4660 << 1 << true << true
                              << false << QString() << 3;
        QTest::newRow("-t 65536") << QStringList{"-t", "65536"} << factory << 24 << 4660 << 1
                                  << true << false << true << QString() << 3;
        QTest::newRow("-t 0x18") << QStringList{"-t", "0x18"} << factory << 24 << 4660 << 1 << true
                                 << false << true << QString() << 3;
        QTest::newRow("-u and -o") << QStringList{"-u", "5000", "-o3"} << factory << 24 << 5000 << 3
                                   << true << true << false << QString() << 4;
        QTest::newRow("-o 3600") << QStringList{"-o", "3600"} << factory << 24 << 4660 << 3600
                                 << true << true << false << QString() << 3;
        QTest::newRow("-o 3601") << QStringList{"-o", "3601"} << factory << 24 << 4660 << 1 << true
                                 << false << true << QString() << 3;
        QTest::newRow("-h canonical") << QStringList{"-h", "127.000.0.1"} << "127.0.0.1" << 24
                                      << 4660 << 1 << true << true << false << QString() << 3;
        QTest::newRow("bad -h, good -t") << QStringList{"-h", "nohost", "-t", "7"} << factory << 7
                                         << 4660 << 1 << true << true << true << QString() << 5;
        QTest::newRow("one file") << QStringList{"-h", "127.0.0.1", "design.zvr3"} << "127.0.0.1"
                                  << 24 << 4660 << 1 << true << true << false << "design.zvr3" << 3;
        QTest::newRow("file before the option")
            << QStringList{"design.zvr3", "-t", "100"} << factory << 100 << 4660 << 1 << true
            << true << false << "design.zvr3" << 3;
        QTest::newRow("two files") << QStringList{"-t", "100", "a.zvr3", "b.zvr3"} << factory << 100
                                   << 4660 << 1 << true << true << true << QString() << 4;
        QTest::newRow("missing argument") << QStringList{"-t"} << factory << 24 << 4660 << 1 << true
                                          << false << true << QString() << 2;
        QTest::newRow("unknown option ignored")
            << QStringList{"-x", "-u", "9"} << factory << 24 << 9 << 1 << true << true << false
            << QString() << 4;
        QTest::newRow("two bad options") << QStringList{"-t", "x", "-u", "y"} << factory << 24
                                         << 4660 << 1 << true << false << true << QString() << 5;
        QTest::newRow("double dash ends options")
            << QStringList{"--", "-t"} << factory << 24 << 4660 << 1 << true << false << false
            << "-t" << 2;
    }

    void table()
    {
        QFETCH(QStringList, words);
        const StartupOptions options = parse(words);
        QTEST(options.settings.host, "host");
        QTEST(int(options.settings.tcpPort), "tcpPort");
        QTEST(int(options.settings.udpPort), "udpPort");
        QTEST(options.settings.timeout, "timeout");
        QTEST(options.settings.autoConnect, "autoConnect");
        QTEST(options.optionsGiven, "optionsGiven");
        QFETCH(bool, usage);
        QCOMPARE(!options.usageText.isEmpty(), usage);
        QTEST(options.fileName, "fileName");
        QTEST(options.applicationArgc, "applicationArgc");
    }

    void usageText()
    {
        // Two bad options build the same single text.
        const StartupOptions options = parse({"-t", "x", "-o", "-1"});
        QCOMPARE(options.usageText,
                 QStringLiteral("Usage: /usr/bin/zivra [-t <TCP port>] [-u <UDP port>] "
                                "[-h <host address>] [-a <on/off>] [-o <timeout>] [fileName]"));
        QCOMPARE(StartupOptions::usageFor(QStringLiteral("C:\\bin\\zivra.exe")),
                 StartupOptions::usageFor(QStringLiteral("zivra.exe")));
    }

    void fileNameIsDecodedLocally()
    {
        // A UTF-8 file name survives (the locale of the tests is UTF-8).
        const QString name = QStringLiteral("Entwurf-\u00e4\u00f6.zvr3");
        QCOMPARE(parse({name}).fileName, name);
    }
};

QTEST_MAIN(TestStartupOptions)
#include "tst_startupoptions.moc"
