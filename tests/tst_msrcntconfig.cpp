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
    QTest::addColumn<QString>("block"); // kind|settings|user name
    QTest::addColumn<QString>("read");  // channel|mode|path|unit|name
    const QList<QPair<const char *, QPair<QString, QString>>> rows = {
        {"never edited", {"MsrCnt1||", "1|0||nsec|MsrCnt1"}},
        {"as the dialog writes it",
         {"MsrCnt0|Mode=5 Unit=usec FileSave=true PATH=/data/run|Beam", "0|5|/data/run|usec|Beam"}},
        {"logging off drops the path",
         {"MsrCnt2|Mode=1 Unit=msec FileSave=false PATH=/data|", "2|1||msec|MsrCnt2"}},
        {"logging off as 0", {"MsrCnt3|Mode=1 FileSave=0 PATH=/data|", "3|1||nsec|MsrCnt3"}},
        {"no unit key", {"MsrCnt0|Mode=4 FileSave=true PATH=/d|", "0|4|/d|nsec|MsrCnt0"}},
        {"counting source has no unit",
         {"MsrCnt0|Mode=9 Unit=usec FileSave=true PATH=/d|", "0|9|/d||MsrCnt0"}},
        {"no FileSave key: logging on",
         {"MsrCnt1|Mode=0 Unit=sec PATH=/log|", "1|0|/log|sec|MsrCnt1"}},
        {"other FileSave value is the unit",
         {"MsrCnt1|Mode=0 Unit=sec FileSave=msec PATH=/log|", "1|0|/log|msec|MsrCnt1"}},
        {"mode above 15 is mode 0", {"MsrCnt2|Mode=22 Unit=usec|", "2|0||usec|MsrCnt2"}},
        {"mode 8 in the low byte is mode 0 too",
         {"MsrCnt2|Mode=264 Unit=usec|", "2|0||usec|MsrCnt2"}},
        {"negative mode is mode 0", {"MsrCnt2|Mode=-8 Unit=usec|", "2|0||usec|MsrCnt2"}},
        {"kind without a number is channel 0", {"MsrCnt|Mode=3|", "0|3||nsec|MsrCnt0"}},
        {"user name trimmed", {"MsrCnt3||  Gate A  ", "3|0||nsec|Gate A"}},
        {"channel beyond the four is skipped", {"MsrCnt7|Mode=3|", "-1|0|||"}},
        {"folder with blanks",
         {"MsrCnt1|Mode=1 Unit=msec FileSave=true PATH=/data/my  logs |",
          "1|1|/data/my  logs |msec|MsrCnt1"}},
        {"a folder named like a key",
         {"MsrCnt2|Mode=0 FileSave=true PATH=/data/Unit=sec|", "2|0|/data/Unit=sec|nsec|MsrCnt2"}},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << row.second.first << row.second.second;
}

void TestMsrCntConfig::oneCounter()
{
    QFETCH(QString, block);
    QFETCH(QString, read);
    const QStringList in = block.split('|'), out = read.split('|');
    const int channel = out[0].toInt();

    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *item = kit.msrCnt(qMax(channel, 0), nullptr, nullptr, in[1]);
    item->setKind(in[0]);
    if (!in[2].isEmpty())
        item->setUserName(in[2]);

    MsrCntConfig config;
    for (int n = 0; n < 4; ++n)
        config.mode[n] = 99; // must be preset
    readMsrCntAttributes(&design, config.mode, config.path, config.name, config.unit);
    for (int n = 0; n < 4; ++n) {
        const bool read = n == channel;
        QCOMPARE(config.mode[n], read ? out[1].toInt() : -1);
        QCOMPARE(QStringList({config.path[n], config.unit[n], config.name[n]}),
                 read ? out.mid(2) : QStringList({"", "", ""}));
    }
}

QTEST_MAIN(TestMsrCntConfig)
#include "tst_msrcntconfig.moc"
