#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "blockitem.h"
#include "designkit.h"
#include "programdata.h"

class TestDesignCheck : public QObject
{
    Q_OBJECT

private slots:
    void cleanDesigns();
    void logicBlocks();
    void functionAndSinkBlocks();
    void measurementCounters();
};

static int check(ProgramData &design, QString &text)
{
    QTextDocument report;
    report.setPlainText(QStringLiteral("old content"));
    const int result = design.checkDesign(&report);
    text = report.toPlainText();
    return result;
}

void TestDesignCheck::cleanDesigns()
{
    ProgramData design(nullptr);
    QString text;
    QCOMPARE(check(design, text), 0);
    QCOMPARE(text, QStringLiteral("No error detected."));

    DesignKit kit(design);
    BlockItem *logic = kit.preLogic(QStringLiteral("_A"), {kit.input(QStringLiteral("IN-CH0"))});
    kit.output(0, kit.postLogic(QStringLiteral("_A"), {kit.counter(QString(), logic)}));
    QCOMPARE(check(design, text), 0);
}

void TestDesignCheck::logicBlocks()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *in0 = kit.input(QStringLiteral("IN-CH0"));
    BlockItem *in1 = kit.input(QStringLiteral("IN-CH1"));
    kit.preLogic(QString(), {in0, in1}); // unconfigured: no port lines
    BlockItem *mixed = kit.preLogic(QStringLiteral("_A or _C"), {});
    mixed->connectInput(1, in1);
    mixed->setUserName(QStringLiteral("Mixed"));
    kit.counter(QString(), mixed);
    QString text;
    QCOMPARE(check(design, text), 3);
    QCOMPARE(text, QStringLiteral("error: PreLgc0 is unconfigured.\n"
                                  "error: Mixed: _A is not connected.\n"
                                  "error: Mixed: _C is not connected.\n"
                                  "warning: PreLgc0: Outport is not connected.\n"
                                  "warning: Mixed: _B is connected, but not used.\n"
                                  "warning: CntFnc0: Outport is not connected.\n"));

    // Only warnings: -1.
    ProgramData quiet(nullptr);
    DesignKit quietKit(quiet);
    quietKit.postLogic(QStringLiteral("_A and _K"), {});
    quiet.postLogicBlocks.first()->connectInput(0, quietKit.input(QStringLiteral("IN-CH0")));
    quiet.postLogicBlocks.first()->connectInput(10, quietKit.input(QStringLiteral("IN-CH1")));
    QCOMPARE(check(quiet, text), -1);
    QCOMPARE(text, QStringLiteral("warning: PstLgc0: Outport is not connected.\n"));
}

void TestDesignCheck::functionAndSinkBlocks()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *logic = kit.preLogic(QStringLiteral("_A"), {kit.input(QStringLiteral("IN-CH0"))});
    BlockItem *oscillator = kit.counter(QStringLiteral("Mode=9"), logic);
    kit.counter(QStringLiteral("Mode=9"), nullptr); // no input needed
    kit.counter(QStringLiteral("Mode=2"), nullptr);
    kit.counter(QStringLiteral("Mode=20"), logic)->setUserName(QStringLiteral("Far"));
    kit.counter(QStringLiteral("Mode=9x"), nullptr); // read as mode 0: needs its input
    kit.delay(QString(), nullptr);
    BlockItem *out = kit.output(5, nullptr);
    out->setUserName(QStringLiteral("Trigger"));
    kit.feedback(nullptr);
    kit.postLogic(QStringLiteral("_A"), {oscillator});
    QString text;
    QCOMPARE(check(design, text), 5);
    QCOMPARE(text, QStringLiteral("error: CntFnc2: InputPort is not connected.\n"
                                  "error: CntFnc4: InputPort is not connected.\n"
                                  "error: DlyFnc0: InputPort is not connected.\n"
                                  "error: OUT-CH5: InputPort is not connected.\n"
                                  "error: FeedBack0: InputPort is not connected.\n"
                                  "warning: CntFnc0: InputPort is connected, but not used.\n"
                                  "warning: CntFnc1: Outport is not connected.\n"
                                  "warning: CntFnc2: Outport is not connected.\n"
                                  "warning: Far: Outport is not connected.\n"
                                  "warning: Far: Mode 20 is out of range, mode 0 is used.\n"
                                  "warning: CntFnc4: Outport is not connected.\n"
                                  "warning: CntFnc4: Mode 9x is out of range, mode 0 is used.\n"
                                  "warning: DlyFnc0: Outport is not connected.\n"
                                  "warning: PstLgc0: Outport is not connected.\n"));
}

void TestDesignCheck::measurementCounters()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.path() + QStringLiteral("/absent");
    // Cut at the blank, the check would look for a folder "my".
    const QString blanks = dir.path() + QStringLiteral("/my logs");
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("my logs")));
    struct Case {
        QString settings;
        bool gate;
        bool source;
        int result;
        QString text;
    } cases[] = {
        {QString(), true, true, -1,
         "warning: MsrCnt0: GATE is connected, but not used.\n"
         "warning: MsrCnt0: SRC is connected, but not used.\n"},
        {"Mode=5 FileSave=true PATH=" + dir.path(), false, false, 2,
         "error: MsrCnt0: GATE is not connected.\nerror: MsrCnt0: SRC is not connected.\n"},
        {"Mode=1 FileSave=true PATH=" + missing, true, false, 1,
         "error: MsrCnt0: Save path does not exist.\n"},
        {"Mode=1 PATH=" + missing, true, false, 1, "error: MsrCnt0: Save path does not exist.\n"},
        {"Mode=1 FileSave=yes PATH=" + missing, true, false, 1,
         "error: MsrCnt0: Save path does not exist.\n"},
        {"Mode=1 FileSave=0 PATH=" + missing, true, false, 0, "No error detected."},
        {"Mode=1 FileSave=false PATH=" + missing, true, false, 0, "No error detected."},
        {"Mode=1 FileSave=true PATH=" + blanks, true, false, 0, "No error detected."},
        {"Mode=8 FileSave=false", false, true, 0, "No error detected."},
        {"Mode=2", false, false, 1, "error: MsrCnt0: GATE is not connected.\n"},
        {"Mode=4", false, false, 1, "error: MsrCnt0: SRC is not connected.\n"},
        // Read as mode 0, as everywhere else: neither GATE nor SRC is used.
        {"Mode=22", true, true, -1,
         "warning: MsrCnt0: Mode 22 is out of range, mode 0 is used.\n"
         "warning: MsrCnt0: GATE is connected, but not used.\n"
         "warning: MsrCnt0: SRC is connected, but not used.\n"},
        {"Mode=-3", false, false, -1,
         "warning: MsrCnt0: Mode -3 is out of range, mode 0 is used.\n"},
    };
    for (const Case &c : cases) {
        ProgramData design(nullptr);
        DesignKit kit(design);
        BlockItem *signal = kit.input(QStringLiteral("IN-CH0")); // inputs are not checked
        kit.msrCnt(0, c.gate ? signal : nullptr, c.source ? signal : nullptr, c.settings);
        QString text;
        QCOMPARE(check(design, text), c.result);
        QCOMPARE(text, c.text);
    }
}

QTEST_MAIN(TestDesignCheck)
#include "tst_designcheck.moc"
