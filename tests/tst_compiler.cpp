#include <QFile>
#include <QTest>

#include "blockitem.h"
#include "designkit.h"
#include "memorymodule.h"
#include "programdata.h"

// Unit assignment and the download of the register image.
class TestCompiler : public QObject
{
    Q_OBJECT

private slots:
    void assignment_data();
    void assignment();
    void assignmentBeyondPaletteLimits();
    void emptyDesignImage();
    void fullDesignImage();
    void configurationRegisters();
    void badExpressionStopsBeforeAnyWrite();
    void cancelDuringTables();
};

namespace {

QString slotText(ProgramData &design)
{
    QStringList names;
    for (BlockItem *block : design.unitSlots)
        names << (block ? block->name() : QStringLiteral("-"));
    return names.join(QLatin1Char(' '));
}

// Golden images are hex dumps of the configuration area and the tables;
// ZIVRA_UPDATE_GOLDEN=1 rewrites them.
QString hexDump(const MemoryModule &module)
{
    QString text;
    const struct {
        quint32 address;
        int length;
    } areas[] = {{0x0004, 0x008C}, {0x2000, 0x2000}};
    for (const auto &area : areas) {
        for (int offset = 0; offset < area.length; offset += 16) {
            const quint32 address = area.address + quint32(offset);
            text += QStringLiteral("%1:").arg(address, 4, 16, QLatin1Char('0'));
            for (int i = offset; i < qMin(offset + 16, area.length); ++i)
                text += QStringLiteral(" %1").arg(quint8(module.memory.at(int(area.address) + i)),
                                                  2, 16, QLatin1Char('0'));
            text += QLatin1Char('\n');
        }
    }
    return text;
}

void compareGolden(const MemoryModule &module, const QString &file)
{
    const QString path = QStringLiteral(ZIVRA_TEST_DATA "/") + file;
    const QStringList actual = hexDump(module).split(QLatin1Char('\n'));
    if (qEnvironmentVariableIntValue("ZIVRA_UPDATE_GOLDEN")) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(actual.join(QLatin1Char('\n')).toLatin1());
    }
    QFile in(path);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(path));
    const QStringList expected = QString::fromLatin1(in.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i)
        QCOMPARE(actual.at(i), expected.at(i));
}

void checkTraffic(const MemoryModule &module)
{
    for (const MemoryModule::Request &request : module.requests)
        QVERIFY(request.data.size() >= 1 && request.data.size() <= 128);
    for (const MemoryModule::Batch &batch : module.batches)
        QVERIFY(batch.length <= 255);
    QCOMPARE(module.progress.last(), 8322);
    QCOMPARE(module.bytesSent(), 8322);
    for (quint32 a = 0x006E; a <= 0x006F; ++a)
        QVERIFY(!module.written.at(int(a)));
    for (quint32 a = 0x0080; a <= 0x0087; ++a)
        QVERIFY(!module.written.at(int(a)));
    QCOMPARE(module.written.count(true), 8322);
}

quint32 valueAt(const MemoryModule &module, quint32 address, int width)
{
    quint32 v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | quint8(module.memory.at(int(address) + i));
    return v;
}

} // namespace

void TestCompiler::assignment_data()
{
    // counters / delays / pass-through units by source: "L" logic, "F"
    // feedback label, "P" function-column label, "9" oscillator, "-" none.
    QTest::addColumn<QString>("counters");
    QTest::addColumn<QString>("delays");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QString>("placement");
    QTest::addColumn<int>("modeMask");
    QTest::addColumn<int>("counterFeedback");
    QTest::addColumn<int>("delayFeedback");

    QTest::newRow("empty") << ""
                           << "" << 0 << "- - - - - - - - - - -" << 0x0700 << 0 << 0;
    QTest::newRow("two counters, one delay")
        << "LL"
        << "L" << 0 << "- - - DlyFnc0 CntFnc0 CntFnc1 - - - - -" << 0x0708 << 0 << 0;
    QTest::newRow("two delays") << ""
                                << "LL" << 0 << "- - - - - - DlyFnc1 DlyFnc0 - - -" << 0x07C0 << 0
                                << 0;
    QTest::newRow("counter, delay, pass")
        << "L"
        << "L" << 1 << "NonFnc0 - - - - - DlyFnc0 CntFnc0 - - -" << 0x0740 << 0 << 0;
    QTest::newRow("eight counters, three delays")
        << "L9FLLFLL"
        << "LFP" << 0
        << "DlyFnc0 DlyFnc2 DlyFnc1 CntFnc7 CntFnc6 CntFnc4 CntFnc3 CntFnc0 CntFnc5 CntFnc2 CntFnc1"
        << 0x0007 << 0x60 << 0x80;
    // "X": a source whose kind holds "FeedBack" after its start groups the
    // counter with the fed-back ones but sets no flag.
    QTest::newRow("eight counters, one fed through an inner FeedBack kind")
        << "L9XLLFLL"
        << "LFP" << 0
        << "DlyFnc0 DlyFnc2 DlyFnc1 CntFnc7 CntFnc6 CntFnc4 CntFnc3 CntFnc0 CntFnc5 CntFnc2 CntFnc1"
        << 0x0007 << 0x20 << 0x80;
    QTest::newRow("five delays, four counters")
        << "9FLL"
        << "LPLFL" << 0
        << "DlyFnc0 DlyFnc2 DlyFnc4 DlyFnc1 DlyFnc3 CntFnc2 CntFnc3 CntFnc1 CntFnc0 - -" << 0x061F
        << 0x10 << 0x02;
    // The boundaries between the orders: eight blocks in all, and a tie beyond eight.
    QTest::newRow("five counters, three delays")
        << "LLLLL"
        << "LLL" << 0 << "- - - DlyFnc0 DlyFnc1 DlyFnc2 CntFnc0 CntFnc1 CntFnc2 CntFnc3 CntFnc4"
        << 0x0038 << 0 << 0;
    QTest::newRow("five counters, five delays")
        << "LLLL9"
        << "LFLFL" << 0
        << "DlyFnc0 DlyFnc2 DlyFnc4 DlyFnc1 DlyFnc3 CntFnc0 CntFnc1 CntFnc2 CntFnc3 CntFnc4 -"
        << 0x041F << 0 << 0x03;
    QTest::newRow("three counters, six passes")
        << "LLL"
        << "" << 6 << "NonFnc0 NonFnc1 NonFnc2 CntFnc0 CntFnc1 CntFnc2 - - NonFnc3 NonFnc4 NonFnc5"
        << 0x0700 << 0 << 0;
}

void TestCompiler::assignment()
{
    QFETCH(QString, counters);
    QFETCH(QString, delays);
    QFETCH(int, passes);
    QFETCH(QString, placement);
    QFETCH(int, modeMask);
    QFETCH(int, counterFeedback);
    QFETCH(int, delayFeedback);

    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *in = kit.input(QStringLiteral("IN-CH0"));
    BlockItem *logic = kit.preLogic(QStringLiteral("_A"), {in});
    BlockItem *fb = kit.feedback(nullptr);
    BlockItem *fbUser = kit.feedbackUser(fb);
    BlockItem *labelUser = kit.labelUser(kit.preLabel(logic));
    BlockItem *innerFb = kit.feedbackUser(kit.feedback(nullptr));
    innerFb->setKind(QStringLiteral("PreFeedBack1"));
    auto source = [&](QChar c) -> BlockItem * {
        switch (c.toLatin1()) {
        case 'L':
            return logic;
        case 'F':
            return fbUser;
        case 'P':
            return labelUser;
        case 'X':
            return innerFb;
        default:
            return nullptr;
        }
    };
    for (QChar c : counters) {
        const QString settings = c == QLatin1Char('9') ? QStringLiteral("Mode=9") : QString();
        kit.counter(settings, source(c));
    }
    for (QChar c : delays)
        kit.delay(QString(), source(c));
    for (int i = 0; i < passes; ++i)
        kit.pass(logic);

    design.assignResources();
    QCOMPARE(slotText(design), placement);
    QCOMPARE(design.cntFncCount, counters.size());
    QCOMPARE(design.dlyFncCount, delays.size());
    QCOMPARE(design.nonFncCount, passes);
    QCOMPARE(int(design.unitModeMask), modeMask);
    QCOMPARE(int(design.counterFeedbackMask), counterFeedback);
    QCOMPARE(int(design.delayFeedbackMask), delayFeedback);
}

void TestCompiler::assignmentBeyondPaletteLimits()
{
    // Twelve connected counter and delay blocks and seven pass-through blocks:
    // what fits is placed, the index never leaves the slot range.
    for (const bool moreDelays : {false, true}) {
        ProgramData design(nullptr);
        DesignKit kit(design);
        BlockItem *logic =
            kit.preLogic(QStringLiteral("_A"), {kit.input(QStringLiteral("IN-CH0"))});
        for (int i = 0; i < 6; ++i)
            kit.counter(QString(), logic);
        for (int i = 0; i < 6 + (moreDelays ? 1 : -1); ++i)
            kit.delay(QString(), logic);
        for (int i = 0; i < 7; ++i)
            kit.pass(logic);
        design.assignResources();
        QVERIFY(!slotText(design).contains(QLatin1Char('-')));
        QVERIFY(!slotText(design).contains(QStringLiteral("NonFnc")));
    }
    ProgramData design(nullptr);
    DesignKit kit(design);
    for (int i = 0; i < 7; ++i)
        kit.pass(nullptr);
    design.assignResources();
    QCOMPARE(slotText(design),
             QStringLiteral("NonFnc0 NonFnc1 NonFnc2 - - - - - NonFnc3 NonFnc4 NonFnc5"));
}

void TestCompiler::emptyDesignImage()
{
    ProgramData design(nullptr);
    MemoryModule module;
    QVERIFY(design.download(&module));
    checkTraffic(module);
    QVERIFY(module.batches.size() > 3);
    QCOMPARE(module.batches[0].address, quint32(0x0004));
    QCOMPARE(module.batches[0].length, 106);
    QCOMPARE(module.batches[1].address, quint32(0x0070));
    QCOMPARE(module.batches[1].length, 16);
    QCOMPARE(module.batches[2].address, quint32(0x0088));
    QCOMPARE(module.batches[2].length, 8);
    QCOMPARE(module.batches[3].address, quint32(0x2000));
    QCOMPARE(module.batches[3].length, 254);
    QCOMPARE(module.read(0x0004, 4), QByteArray("\x00\x00\x07\x00", 4));
    QCOMPARE(module.image().count('\0'), module.image().size() - 1);
    compareGolden(module, QStringLiteral("image_empty.hex"));
}

void TestCompiler::fullDesignImage()
{
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    MemoryModule module;
    QVERIFY(design.download(&module));
    checkTraffic(module);
    QCOMPARE(slotText(design), QStringLiteral("NonFnc0 NonFnc1 DlyFnc1 DlyFnc0 DlyFnc2 CntFnc4 "
                                              "CntFnc3 CntFnc2 CntFnc1 CntFnc5 CntFnc0"));
    QCOMPARE(valueAt(module, 0x0004, 1), quint32(0x00)); // no delay fed back
    QCOMPARE(valueAt(module, 0x0005, 1), quint32(0x40)); // CntFnc5 in slot 9
    QCOMPARE(valueAt(module, 0x0006, 2), quint32(0x001C));
    QCOMPARE(valueAt(module, 0x000F, 1), quint32(9));          // oscillator in slot 10
    QCOMPARE(valueAt(module, 0x0012, 2), quint32(250));        // DlyFnc2 in slot 4
    QCOMPARE(valueAt(module, 0x001E, 2), quint32(20));         // DlyFnc1 in slot 2
    QCOMPARE(valueAt(module, 0x0040, 4), quint32(2000000));    // CntFnc2 main 2msec
    QCOMPARE(valueAt(module, 0x0044, 4), quint32(1000000000)); // its sub, mode 3
    QCOMPARE(valueAt(module, 0x0060, 4), quint32(0x0501040F));
    QCOMPARE(valueAt(module, 0x0068, 2), quint32(0xFD03)); // OUT-CH1 TTL only
    QCOMPARE(valueAt(module, 0x006B, 1), quint32(0x55));   // even channels low
    QCOMPARE(valueAt(module, 0x006C, 2), quint32(0x0100)); // IN-OPT user control
    QCOMPARE(valueAt(module, 0x0070, 2), quint32(40000));
    QCOMPARE(valueAt(module, 0x007E, 2), quint32(40700));
    QCOMPARE(valueAt(module, 0x0088, 4), quint32(1500));
    QCOMPARE(valueAt(module, 0x008C, 4), quint32(19));
    compareGolden(module, QStringLiteral("image_full.hex"));
}

void TestCompiler::configurationRegisters()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    // Three counters take slots 3, 4, 5: the third is counter unit 2.
    kit.counter(QStringLiteral("Mode=4"), nullptr);
    kit.counter(QStringLiteral("Mode=x"), nullptr);
    kit.counter(QString(), nullptr);
    kit.input(QStringLiteral("IN-CH1"));
    kit.input(QStringLiteral("IN-CH3"), QStringLiteral("bUser=false bHigh=true Vth=1000"));
    kit.setSheet(1);
    kit.input(QStringLiteral("IN-CH3"), QStringLiteral("bUser=false bHigh=false Vth=2000"));
    kit.input(QStringLiteral("IN-USER"));
    kit.output(4, nullptr);
    kit.msrCnt(1, nullptr, nullptr, QStringLiteral("Mode=6"));
    design.sinkBlocks.last()->setKind(QStringLiteral("MsrCnt1"));
    QString name = QStringLiteral("Second");
    design.createDefaultMsrCnt(99, 1, name)->setKind(QStringLiteral("MsrCnt1"));
    design.sinkBlocks.last()->params() = QStringLiteral("Mode=7");

    MemoryModule module;
    design.download(&module);
    QCOMPARE(valueAt(module, 0x0008, 1), quint32(4));
    QCOMPARE(valueAt(module, 0x0009, 1), quint32(0)); // not a number
    QCOMPARE(valueAt(module, 0x000A, 1), quint32(0));
    QCOMPARE(valueAt(module, 0x0030, 4), quint32(5));
    QCOMPARE(valueAt(module, 0x0034, 4), quint32(4));
    QCOMPARE(valueAt(module, 0x0061, 1), quint32(6)); // the first MsrCnt1 only
    QCOMPARE(valueAt(module, 0x0068, 2), quint32(0x1000));
    QCOMPARE(valueAt(module, 0x006B, 1), quint32(0x0A)); // IN-CH1 unset is low too
    QCOMPARE(valueAt(module, 0x006C, 2), quint32(0x0200));
    QCOMPARE(valueAt(module, 0x0070, 2), quint32(0));    // IN-CH0 absent
    QCOMPARE(valueAt(module, 0x0072, 2), quint32(1720)); // IN-CH1 without settings
    QCOMPARE(valueAt(module, 0x0076, 2), quint32(1000)); // the first IN-CH3

    // A delay block in slot 0 is delay unit 5.
    ProgramData delays(nullptr);
    DesignKit delayKit(delays);
    for (int i = 0; i < 4; ++i)
        delayKit.counter(QString(), nullptr);
    for (int i = 0; i < 4; ++i)
        delayKit.delay(QStringLiteral("Delay=%1ns").arg(100 + i), nullptr);
    MemoryModule delayModule;
    delays.download(&delayModule);
    QCOMPARE(valueAt(delayModule, 0x001A, 2), quint32(103));
    QCOMPARE(valueAt(delayModule, 0x0010, 2), quint32(100));
}

void TestCompiler::badExpressionStopsBeforeAnyWrite()
{
    // A bad expression fails the download before the first write exactly when
    // a table evaluates it; one that feeds no table is never evaluated.
    enum Use { Unused, Counter, Output, Gate };
    struct Case {
        const char *pre;
        bool preUsed;
        const char *post;
        Use postUse;
        const char *message;
    } cases[] = {
        {"_A and", true, "_A", Output, "PreLgc0: invalid at EOF"},
        {"_A", true, "( _A", Output, "PstLgc0: invalid --- ')' is missimg."},
        {"_A", true, "_A _B", Gate, "PstLgc0: invalid at '_B'"},
        {"_A", true, "_A _B", Unused, nullptr},
        {"_A and", false, "_A", Output, nullptr},
        {"_A and", false, "_A _B", Unused, nullptr},
        {"   ", true, "_A", Output, nullptr}, // blank: false, no error
    };
    for (const Case &c : cases) {
        ProgramData design(nullptr);
        DesignKit kit(design);
        BlockItem *pre = kit.preLogic(QLatin1String(c.pre), {kit.input(QStringLiteral("IN-CH0"))});
        BlockItem *counter = kit.counter(QString(), c.preUsed ? pre : nullptr);
        BlockItem *post = kit.postLogic(QLatin1String(c.post), {counter});
        if (c.postUse == Output)
            kit.output(0, post);
        else if (c.postUse == Gate)
            kit.msrCnt(2, post, nullptr);
        MemoryModule module;
        try {
            design.download(&module);
            QVERIFY2(!c.message, c.message);
            QCOMPARE(module.progress.last(), 8322);
        } catch (const QString &text) {
            QCOMPARE(text, QString::fromLatin1(c.message));
            QVERIFY(module.requests.isEmpty());
        }
    }
}

void TestCompiler::cancelDuringTables()
{
    ProgramData design(nullptr);
    MemoryModule module;
    module.cancelAfterRequests = 10;
    try {
        design.download(&module);
        QFAIL("download not cancelled");
    } catch (const QString &text) {
        QCOMPARE(text, QStringLiteral("REGX: Download Cancelled"));
    }
    QVERIFY(module.progress.last() < 8322);
    QVERIFY(!module.written.at(0x3FFF));
}

QTEST_MAIN(TestCompiler)
#include "tst_compiler.moc"
