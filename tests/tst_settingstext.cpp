#include "nim_in.h"
#include "nimfunction.h"
#include "nimlabel.h"
#include "nimmsrcnt.h"
#include "nimout.h"

#include <QTest>

class TestSettingsText : public QObject
{
    Q_OBJECT

private slots:
    void valueReader_data();
    void valueReader();
    void timeText_data();
    void timeText();
    void timeTextStripsUnit();
    void counterValues_data();
    void counterValues();
    void delay_data();
    void delay();
    void inputThreshold_data();
    void inputThreshold();
    void inputWriters();
    void outputLevels_data();
    void outputLevels();
    void measurementCounter();
};

void TestSettingsText::valueReader_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("isNull");
    QTest::newRow("first token") << "Mode=3 Unit=kHz"
                                 << "Mode"
                                 << "3" << false;
    QTest::newRow("last token") << "Mode=3 Unit=kHz"
                                << "Unit"
                                << "kHz" << false;
    // clang-format off
    QTest::newRow("path with blanks to the end") << "Mode=1 PATH=C:/my logs/a b" << "PATH" << "C:/my logs/a b" << false;
    QTest::newRow("empty path") << "Mode=1 PATH=" << "PATH" << "" << false;
    QTest::newRow("key inside the path") << "Mode=1 FileSave=true PATH=/d/Unit=usec x" << "Unit" << "" << true;
    QTest::newRow("key before the path") << "Mode=1 Unit=sec PATH=/d/Unit=usec" << "Unit" << "sec" << false;
    QTest::newRow("path ends at the next key") << "Mode=5 PATH=/data/my logs Unit=usec FileSave=true" << "PATH" << "/data/my logs" << false;
    QTest::newRow("key after the path") << "Mode=5 PATH=/data/logs Unit=usec FileSave=true" << "FileSave" << "true" << false;
    QTest::newRow("path ends at FileSave") << "Mode=1 PATH=/d/logs FileSave=true" << "PATH" << "/d/logs" << false;
    // As this program writes it, the path runs to the end whatever the folder's name holds.
    QTest::newRow("key word in the folder") << "Mode=8 Unit=usec FileSave=true PATH=/d/run Unit=2" << "PATH" << "/d/run Unit=2" << false;
    QTest::newRow("no unit, one in the folder") << "Mode=8 FileSave=true PATH=/d/run Unit=2" << "Unit" << "" << true;
    QTest::newRow("keys in another order") << "FileSave=true Mode=8 PATH=/data/logs Unit=usec" << "Unit" << "usec" << false;
    QTest::newRow("path, keys in another order") << "FileSave=false Mode=0 PATH=/d/logs Unit=sec" << "PATH" << "/d/logs" << false;
    // clang-format on
    QTest::newRow("absent key") << "Mode=3"
                                << "Unit"
                                << "" << true;
    QTest::newRow("empty text") << ""
                                << "Mode"
                                << "" << true;
    QTest::newRow("no token boundary") << "SubMode=4 Mode=7"
                                       << "Mode"
                                       << "4" << false;
    QTest::newRow("case sensitive") << "mode=4"
                                    << "Mode"
                                    << "" << true;
    QTest::newRow("empty value") << "Disp= Mode=2"
                                 << "Disp"
                                 << "" << false;
    QTest::newRow("key without =") << "Mode Mode=5"
                                   << "Mode"
                                   << "5" << false;
}

void TestSettingsText::valueReader()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, isNull);
    NIMLabel block(0, 0, "x");
    block.params() = text;
    QString got = "stale";
    block.param(got, key);
    QCOMPARE(got, value);
    if (isNull)
        QVERIFY(got.isNull());
}

void TestSettingsText::timeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("ns");
    QTest::newRow("nsec") << "100nsec" << 100u;
    QTest::newRow("usec") << "1.5usec" << 1500u;
    QTest::newRow("msec") << "2msec" << 2000000u;
    QTest::newRow("sec") << "1sec" << 1000000000u;
    QTest::newRow("no unit") << "100" << 100u;
    QTest::newRow("half rounds up") << "2.5nsec" << 3u;
    QTest::newRow("below half") << "2.49nsec" << 2u;
    QTest::newRow("not a number") << "abc" << 0u;
    QTest::newRow("empty") << "" << 0u;
    // usec and msec are found before the sec they contain.
    QTest::newRow("usec before sec") << "3usec" << 3000u;
    QTest::newRow("msec before sec") << "3msec" << 3000000u;
    QTest::newRow("blank before unit") << "7 usec" << 7000u;
    // A unit word at position 0 does not count.
    QTest::newRow("unit at start") << "usec5" << 0u;
    QTest::newRow("nsec at start") << "nsec5" << 0u;
    // Beyond 32 bits the value wraps.
    QTest::newRow("2^32 wraps to 0") << "4.294967296sec" << 0u;
    QTest::newRow("2^32+1") << "4294967297" << 1u;
    QTest::newRow("5 sec wraps") << "5sec" << 705032704u;
    QTest::newRow("within 64 bits") << "3e18" << 4130078720u;
    QTest::newRow("beyond 64 bits") << "1e19" << 2313682944u;
    QTest::newRow("far beyond 64 bits") << "1e20nsec" << 1661992960u;
    QTest::newRow("negative small") << "-0.4" << 0u;
    QTest::newRow("negative wraps") << "-2" << 4294967295u;
    QTest::newRow("negative beyond 64 bits") << "-1e19" << 1981284352u;
    QTest::newRow("nan") << "nan" << 0u;
    QTest::newRow("inf") << "inf" << 0u;
    QTest::newRow("inf usec") << "infusec" << 0u;
    QTest::newRow("overflow to inf") << "1e308sec" << 0u;
}

void TestSettingsText::timeText()
{
    QFETCH(QString, text);
    QFETCH(uint, ns);
    NIMLabel block(0, 0, "x");
    QCOMPARE(block.timeToNs(text), ns);
}

void TestSettingsText::timeTextStripsUnit()
{
    NIMLabel block(0, 0, "x");
    QString text = "1.5usec";
    block.timeToNs(text);
    QCOMPARE(text, QString("1.5"));
    // Every occurrence of the chosen word goes.
    text = "1usec2usec";
    QCOMPARE(block.timeToNs(text), 12000u);
    QCOMPARE(text, QString("12"));
    text = "42";
    block.timeToNs(text);
    QCOMPARE(text, QString("42"));
}

void TestSettingsText::counterValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("main");
    QTest::addColumn<uint>("sub");
    QTest::newRow("defaults") << "" << 5u << 4u;
    QTest::newRow("mode 2") << "Mode=2 MainCnt=10nsec SubCnt=10nsec" << 10u << 10u;
    QTest::newRow("mode 8") << "Mode=8 MainCnt=10nsec SubCnt=10nsec" << 10u << 9u;
    QTest::newRow("mode 8 zero sub") << "Mode=8 MainCnt=10nsec SubCnt=0nsec" << 10u << 0u;
    QTest::newRow("mode 0") << "Mode=0 MainCnt=1usec SubCnt=2usec" << 1000u << 1999u;
    QTest::newRow("mode 10") << "Mode=10 MainCnt=1 SubCnt=3" << 1u << 2u;
    QTest::newRow("mode 7") << "Mode=7 MainCnt=1 SubCnt=3" << 1u << 3u;
    QTest::newRow("mode absent") << "MainCnt=1 SubCnt=3" << 1u << 2u;
    QTest::newRow("mode not a number") << "Mode=x MainCnt=1 SubCnt=3" << 1u << 2u;
    QTest::newRow("values absent") << "Mode=3" << 0u << 0u;
    QTest::newRow("display text") << "Mode=4 MainCnt=2msec SubCnt=5usec Disp=kHz" << 2000000u
                                  << 5000u;
}

void TestSettingsText::counterValues()
{
    QFETCH(QString, text);
    QFETCH(uint, main);
    QFETCH(uint, sub);
    NIMFunction block(0, 0, "CntFnc0");
    block.params() = text;
    QCOMPARE(block.cntMainValue(), main);
    QCOMPARE(block.cntSubValue(), sub);
}

void TestSettingsText::delay_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ns");
    QTest::newRow("microseconds") << "Delay=1.5us" << 1500;
    QTest::newRow("nanoseconds") << "Delay=20ns" << 20;
    QTest::newRow("no unit") << "Delay=20" << 20;
    QTest::newRow("fraction of ns") << "Delay=12.5ns" << 0;
    QTest::newRow("blank before key") << " Delay=5us" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("other key") << "Mode=1" << 0;
    // Rounded to the nearest nanosecond, not truncated.
    QTest::newRow("rounds up") << "Delay=1.005us" << 1005;
    QTest::newRow("rounds half") << "Delay=0.0625us" << 63;
    QTest::newRow("rounds down") << "Delay=0.0014us" << 1;
    QTest::newRow("us at start") << "Delay=us" << 0;
    QTest::newRow("not a number us") << "Delay=xus" << 0;
    QTest::newRow("nan us") << "Delay=nanus" << 0;
    QTest::newRow("inf us") << "Delay=infus" << 0;
    QTest::newRow("value runs to end") << "Delay=3us trailing" << 0;
}

void TestSettingsText::delay()
{
    QFETCH(QString, text);
    QFETCH(int, ns);
    NIMFunction block(0, 0, "DlyFnc0");
    block.params() = text;
    QCOMPARE(block.delayNs(), ns);
}

void TestSettingsText::inputThreshold_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("userControl");
    QTest::addColumn<bool>("user");
    QTest::addColumn<bool>("high");
    QTest::addColumn<int>("vth");
    QTest::newRow("dialog text") << "IN-CH0"
                                 << "bUser=false bHigh=true Vth=1720" << false << false << true
                                 << 1720;
    QTest::newRow("empty") << "IN-CH0"
                           << "" << false << false << false << 1720;
    QTest::newRow("no Vth") << "IN-CH1"
                            << "bUser=true bHigh=false " << false << true << false << 0;
    QTest::newRow("token after Vth")
        << "IN-CH1"
        << "bUser=true Vth=100 bHigh=true" << false << true << true << 0;
    QTest::newRow("largest") << "IN-CH2"
                             << "bUser=false bHigh=false Vth=65535" << false << false << false
                             << 65535;
    QTest::newRow("beyond 16 bits") << "IN-CH2"
                                    << "Vth=65536" << false << false << false << 0;
    QTest::newRow("user control") << "IN-CH3"
                                  << "bUserControl=true" << true << false << false << 1720;
    QTest::newRow("IN-USER empty") << "IN-USER"
                                   << "" << true << false << false << 1720;
    QTest::newRow("IN-USER edited") << "IN-USER"
                                    << "bUser=true bHigh=true Vth=5" << false << true << true << 5;
    QTest::newRow("IN-USER counter")
        << "IN-USER"
        << "MainCnt=1usec SubCnt=2usec" << false << false << false << 0;
}

void TestSettingsText::inputThreshold()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, userControl);
    QFETCH(bool, user);
    QFETCH(bool, high);
    QFETCH(int, vth);
    NIM_IN block(0, 0, name);
    block.params() = text;
    QCOMPARE(block.isUserControl(), userControl);
    bool u = !user, h = !high;
    quint16 v = 12345;
    block.inputSettings(u, h, v);
    QCOMPARE(u, user);
    QCOMPARE(h, high);
    QCOMPARE(int(v), vth);
    QCOMPARE(block.isHigh(), high);
    QCOMPARE(int(block.vth()), vth);
}

void TestSettingsText::inputWriters()
{
    NIM_IN block(0, 0, "IN-USER");
    block.params() = "bUser=true bHigh=true Vth=5";
    block.setUserControl();
    QCOMPARE(block.params(), QString("bUserControl=true"));
    QVERIFY(block.isUserControl());

    block.setCounterParams("1usec", "2usec", "");
    QCOMPARE(block.params(), QString("MainCnt=1usec SubCnt=2usec"));
    QCOMPARE(block.mainCntNs(), 1000u);
    QCOMPARE(block.subCntValue(), 1999u);
    block.setCounterParams("1msec", "0nsec", "Hz");
    QCOMPARE(block.params(), QString("MainCnt=1msec SubCnt=0nsec Disp=Hz"));
    QString d;
    block.disp(d);
    QCOMPARE(d, QString("Hz"));
    QCOMPARE(block.subCntValue(), 0u);
    // A '%' typed into a value is kept as it is.
    block.setCounterParams("5%2", "x%1", "");
    QCOMPARE(block.params(), QString("MainCnt=5%2 SubCnt=x%1"));

    block.params().clear();
    QCOMPARE(block.mainCntNs(), 0u);
    QCOMPARE(block.subCntValue(), 0u);
}

void TestSettingsText::outputLevels_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("nim");
    QTest::addColumn<bool>("ttl");
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("ttl only") << "bNIM=false bTTL=true " << false << true;
    QTest::newRow("both") << "bNIM=true bTTL=true " << true << true;
    QTest::newRow("neither") << "bNIM=false bTTL=false " << false << false;
}

void TestSettingsText::outputLevels()
{
    QFETCH(QString, text);
    QFETCH(bool, nim);
    QFETCH(bool, ttl);
    NIMOut block(0, 0, "OUT-CH0");
    block.params() = text;
    bool n = !nim, t = !ttl;
    block.outputLevels(n, t);
    QCOMPARE(n, nim);
    QCOMPARE(t, ttl);
}

void TestSettingsText::measurementCounter()
{
    NIMMsrCnt block(0, 0, "MsrCnt0");
    QCOMPARE(int(block.mode()), 0);
    block.setSettings(2, "true", "C:/log", "");
    QCOMPARE(block.params(), QString("Mode=2 FileSave=true PATH=C:/log"));
    QCOMPARE(int(block.mode()), 2);
    block.setSettings(13, "false", "/tmp/a%1b", "kHz");
    QCOMPARE(block.params(), QString("Mode=13 Unit=kHz FileSave=false PATH=/tmp/a%1b"));
    QCOMPARE(int(block.mode()), 13);
    QString v;
    block.param(v, "PATH");
    QCOMPARE(v, QString("/tmp/a%1b"));
    block.params() = "Mode=300"; // beyond the modes the dialog shows
    QCOMPARE(int(block.mode()), 0);
    block.params() = "Mode=abc";
    QCOMPARE(int(block.mode()), 0);
}

QTEST_MAIN(TestSettingsText)
#include "tst_settingstext.moc"
