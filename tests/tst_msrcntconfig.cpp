#include "blockitem.h"
#include "designkit.h"
#include "msrcntconfig.h"
#include "programdata.h"

#include <QTest>

class TestMsrCntConfig : public QObject
{
    Q_OBJECT

private slots:
    void oneCounter_data();
    void oneCounter();
};

void TestMsrCntConfig::oneCounter_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("name");

    QTest::newRow("never edited") << "MsrCnt1"
                                  << ""
                                  << "" << 1 << 0 << ""
                                  << "nsec"
                                  << "MsrCnt1";
    QTest::newRow("as the dialog writes it") << "MsrCnt0"
                                             << "Mode=5 Unit=usec FileSave=true PATH=/data/run"
                                             << "Beam" << 0 << 5 << "/data/run"
                                             << "usec"
                                             << "Beam";
    QTest::newRow("logging off drops the path") << "MsrCnt2"
                                                << "Mode=1 Unit=msec FileSave=false PATH=/data"
                                                << "" << 2 << 1 << ""
                                                << "msec"
                                                << "MsrCnt2";
    QTest::newRow("logging off as 0") << "MsrCnt3"
                                      << "Mode=1 FileSave=0 PATH=/data"
                                      << "" << 3 << 1 << ""
                                      << "nsec"
                                      << "MsrCnt3";
    QTest::newRow("no unit key") << "MsrCnt0"
                                 << "Mode=4 FileSave=true PATH=/d"
                                 << "" << 0 << 4 << "/d"
                                 << "nsec"
                                 << "MsrCnt0";
    QTest::newRow("counting source has no unit") << "MsrCnt0"
                                                 << "Mode=9 Unit=usec FileSave=true PATH=/d"
                                                 << "" << 0 << 9 << "/d"
                                                 << ""
                                                 << "MsrCnt0";
    QTest::newRow("no FileSave key: logging on") << "MsrCnt1"
                                                 << "Mode=0 Unit=sec PATH=/log"
                                                 << "" << 1 << 0 << "/log"
                                                 << "sec"
                                                 << "MsrCnt1";
    QTest::newRow("other FileSave value is the unit") << "MsrCnt1"
                                                      << "Mode=0 Unit=sec FileSave=msec PATH=/log"
                                                      << "" << 1 << 0 << "/log"
                                                      << "msec"
                                                      << "MsrCnt1";
    QTest::newRow("mode above 15 keeps its low bits") << "MsrCnt2"
                                                      << "Mode=22 Unit=usec"
                                                      << "" << 2 << 6 << ""
                                                      << "usec"
                                                      << "MsrCnt2";
    QTest::newRow("bit 3 tested on the low byte") << "MsrCnt2"
                                                  << "Mode=264 Unit=usec"
                                                  << "" << 2 << 8 << ""
                                                  << ""
                                                  << "MsrCnt2";
    QTest::newRow("kind without a number is channel 0") << "MsrCnt"
                                                        << "Mode=3"
                                                        << "" << 0 << 3 << ""
                                                        << "nsec"
                                                        << "MsrCnt0";
    QTest::newRow("user name trimmed") << "MsrCnt3"
                                       << ""
                                       << "  Gate A  " << 3 << 0 << ""
                                       << "nsec"
                                       << "Gate A";
    QTest::newRow("channel beyond the four is skipped") << "MsrCnt7"
                                                        << "Mode=3"
                                                        << "" << -1 << 0 << ""
                                                        << ""
                                                        << "";
}

void TestMsrCntConfig::oneCounter()
{
    QFETCH(QString, kind);
    QFETCH(QString, settings);
    QFETCH(QString, userName);
    QFETCH(int, channel);
    QFETCH(int, mode);
    QFETCH(QString, path);
    QFETCH(QString, unit);
    QFETCH(QString, name);

    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *block = kit.msrCnt(qMax(channel, 0), nullptr, nullptr, settings);
    block->setKind(kind);
    if (!userName.isEmpty())
        block->setUserName(userName);

    MsrCntConfig config;
    for (int n = 0; n < 4; ++n)
        config.mode[n] = 99; // must be preset
    readMsrCntAttributes(&design, config.mode, config.path, config.name, config.unit);
    for (int n = 0; n < 4; ++n) {
        if (n == channel)
            continue;
        QCOMPARE(config.mode[n], -1);
        QVERIFY(config.path[n].isEmpty() && config.unit[n].isEmpty() && config.name[n].isEmpty());
    }
    if (channel < 0)
        return;
    QCOMPARE(config.mode[channel], mode);
    QCOMPARE(config.path[channel], path);
    QCOMPARE(config.unit[channel], unit);
    QCOMPARE(config.name[channel], name);
}

QTEST_MAIN(TestMsrCntConfig)
#include "tst_msrcntconfig.moc"
