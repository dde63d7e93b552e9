#include <QTest>

#include "blockitem.h"
#include "designkit.h"
#include "logicevaluator.h"
#include "programdata.h"

class TestLookupTables : public QObject
{
    Q_OBJECT

private slots:
    void functionInputLines();
    void feedbackPath();
    void sharedLines();
    void passThroughUnits();
    void functionTableBitOfSlot_data();
    void functionTableBitOfSlot();
    void unitIndexedTables();
    void fullDesignAgreesWithEvaluator();
    void expressionErrorsNameTheBlock();
};

static bool bit(int value, int n)
{
    return (value >> n) & 1;
}

void TestLookupTables::functionInputLines()
{
    for (const QString &channel : {QStringLiteral("IN-CH0"), QStringLiteral("IN-USER")}) {
        ProgramData design(nullptr);
        DesignKit kit(design);
        kit.counter(QString(), kit.preLogic(QStringLiteral("_A"), {kit.input(channel)}));
        design.assignResources();
        const int inputBit = channel == QLatin1String("IN-CH0") ? 0 : 9;
        for (int i = 0; i < 1024; ++i)
            QCOMPARE(bit(design.functionTableEntry(quint16(2 * i)), 8), bit(i, inputBit));
    }

    // A channel drives only the first port it feeds: IN-CH0 of a second sheet
    // on port 1 stays false.
    ProgramData twice(nullptr);
    DesignKit twiceKit(twice);
    BlockItem *first = twiceKit.input(QStringLiteral("IN-CH0"));
    twiceKit.setSheet(1);
    BlockItem *second = twiceKit.input(QStringLiteral("IN-CH0"));
    twiceKit.counter(QString(), twiceKit.preLogic(QStringLiteral("_B"), {first, second}));
    twice.assignResources();
    QCOMPARE(int(twice.functionTableEntry(0x7FE)), 0);
}

void TestLookupTables::feedbackPath()
{
    // A counter in slot 3 fed back through FeedBack0, whose sink takes the
    // negated output of the counter itself.
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *fb = kit.feedback(nullptr);
    BlockItem *counter = kit.counter(QString(), kit.feedbackUser(fb));
    fb->connectInput(0, kit.postLogic(QStringLiteral("not _A"), {counter}));
    design.assignResources();
    QCOMPARE(design.unitSlots[3], counter);
    QCOMPARE(int(design.counterFeedbackMask), 1);
    for (int i = 0; i < 1024; ++i)
        QCOMPARE(bit(design.functionTableEntry(quint16(2 * i)), 8), false);
    for (int i = 0; i < 2048; ++i)
        QCOMPARE(int(design.delayTableEntry(i)), bit(i, 3) ? 0 : 1);

    // "FeedBack" further into the kind word: the feedback table still takes the
    // source in (containment), the flag and the input line do not (prefix), so
    // the line carries the source's own value.
    counter->inputAt(0)->setKind(QStringLiteral("PreFeedBack0"));
    counter->inputAt(0)->params() = QStringLiteral("true");
    design.assignResources();
    QCOMPARE(int(design.counterFeedbackMask), 0);
    QCOMPARE(bit(design.functionTableEntry(0), 8), true);
    for (int i = 0; i < 2048; i += 8)
        QCOMPARE(int(design.delayTableEntry(i)), bit(i, 3) ? 0 : 1);

    // FeedBack1 also takes in the sink FeedBack10 (the names are matched as substrings).
    ProgramData many(nullptr);
    DesignKit manyKit(many);
    QVector<BlockItem *> sinks;
    for (int n = 0; n <= 10; ++n)
        sinks << manyKit.feedback(nullptr);
    BlockItem *c = manyKit.counter(QString(), manyKit.feedbackUser(sinks[1]));
    BlockItem *other =
        manyKit.counter(QString(), manyKit.preLogic(QStringLiteral("_A"),
                                                    {manyKit.input(QStringLiteral("IN-CH0"))}));
    sinks[1]->connectInput(0, manyKit.postLogic(QStringLiteral("_A"), {c}));
    sinks[10]->connectInput(0, manyKit.postLogic(QStringLiteral("_A"), {other}));
    many.assignResources();
    for (int i : {0, 8, 16, 24})
        QCOMPARE(int(many.delayTableEntry(i)), (bit(i, 3) || bit(i, 4)) ? 1 : 0);

    // Lines 5 to 7 carry the feedback of the delay in slots 0 to 2: with slot 8
    // empty (4 counters, 4 delays: the last delay in slot 0), and with slot 8
    // holding a counter that is not fed back (5 fed-back delays in slots 0-4,
    // 4 counters in 5-8; lines 0, 1, 6 and 7 carry delays too).
    for (const bool overflow : {false, true}) {
        ProgramData shared(nullptr);
        DesignKit sharedKit(shared);
        BlockItem *sink = sharedKit.feedback(nullptr);
        BlockItem *user = sharedKit.feedbackUser(sink);
        BlockItem *logic =
            sharedKit.preLogic(QStringLiteral("_A"), {sharedKit.input(QStringLiteral("IN-CH0"))});
        BlockItem *first = sharedKit.counter(QString(), logic);
        for (int i = 0; i < 3; ++i)
            sharedKit.counter(QString(), logic);
        for (int i = 0; i < (overflow ? 5 : 4); ++i)
            sharedKit.delay(QString(), overflow || i == 3 ? user : logic);
        sink->connectInput(0, sharedKit.postLogic(QStringLiteral("_A"), {first}));
        shared.assignResources();
        const int firstSlot = overflow ? 5 : 7;
        QCOMPARE(shared.unitSlots[firstSlot], first);
        const int lines = overflow ? 0xE3 : 0x20;
        QCOMPARE(int(shared.delayFeedbackMask), lines);
        for (int i = 0; i < 2048; i += 32)
            QCOMPARE(int(shared.delayTableEntry(i)), bit(i, firstSlot) ? lines : 0);
    }
}

void TestLookupTables::sharedLines()
{
    // Five delays (slots 0-4) and four counters (5-8): the counter in slot 8
    // has a logic source, so line 5 serves it and not the delay in slot 0.
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *in0 = kit.input(QStringLiteral("IN-CH0"));
    BlockItem *in1 = kit.input(QStringLiteral("IN-CH1"));
    BlockItem *delaySource = kit.preLogic(QStringLiteral("_A"), {in0});
    BlockItem *counterSource = kit.preLogic(QStringLiteral("_A"), {in1});
    for (int i = 0; i < 5; ++i)
        kit.delay(QString(), delaySource);
    for (int i = 0; i < 4; ++i)
        kit.counter(QString(), counterSource);
    design.assignResources();
    QCOMPARE(design.unitSlots[8]->kind(), QStringLiteral("CntFnc"));
    QCOMPARE(design.unitSlots[0]->kind(), QStringLiteral("DlyFnc"));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(bit(design.functionTableEntry(quint16(2 * i)), 13), bit(i, 1));

    // Four counters and four delays: slot 8 is empty, line 5 serves the delay in slot 0.
    ProgramData other(nullptr);
    DesignKit otherKit(other);
    BlockItem *source =
        otherKit.preLogic(QStringLiteral("_A"), {otherKit.input(QStringLiteral("IN-CH2"))});
    for (int i = 0; i < 4; ++i)
        otherKit.counter(QString(), nullptr);
    for (int i = 0; i < 4; ++i)
        otherKit.delay(QString(), i == 3 ? source : nullptr);
    other.assignResources();
    QVERIFY(!other.unitSlots[8]);
    QCOMPARE(other.unitSlots[0], other.functionBlocks.last());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(bit(other.functionTableEntry(quint16(2 * i)), 13), bit(i, 2));
}

void TestLookupTables::passThroughUnits()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *in = kit.input(QStringLiteral("IN-CH7"));
    BlockItem *logic = kit.preLogic(QStringLiteral("not _A"), {in});
    kit.pass(nullptr); // slot 0: no source
    kit.pass(logic);   // slot 1
    // A label resolves to the sink of exactly its name, not to an earlier
    // sink whose name merely contains it.
    BlockItem *decoy = kit.preLabel(kit.preLogic(QStringLiteral("true"), {}));
    BlockItem *label = kit.preLabel(logic);
    decoy->setName(label->name() + QLatin1Char('0'));
    kit.pass(kit.labelUser(label)); // slot 2, through the label
    design.assignResources();
    for (int i : {0, 0x80, 0x3FF}) {
        const int entry = design.functionTableEntry(quint16(2 * i));
        QCOMPARE(bit(entry, 0), false);
        QCOMPARE(bit(entry, 1), !bit(i, 7));
        QCOMPARE(bit(entry, 2), !bit(i, 7));
        QCOMPARE(entry & 0xC0, 0);
    }
}

void TestLookupTables::functionTableBitOfSlot_data()
{
    QTest::addColumn<int>("delays");
    QTest::addColumn<int>("passes");
    QTest::addColumn<int>("slot"); // the unit fed by IN-CH1
    QTest::addColumn<int>("bit");  // the one function-table bit it drives

    // Eight delays fill slots 3-7 and 0-2, the pass-through goes to slot 8:
    // line 5 still serves the delay in slot 0.
    QTest::newRow("delay in slot 0 beside a pass-through") << 8 << 1 << 0 << 13;
    QTest::newRow("pass-through in slot 8 beside delays") << 8 << 1 << 8 << 3;
    QTest::newRow("delay in slot 2") << 8 << 1 << 2 << 15;
    QTest::newRow("first pass-through") << 0 << 6 << 0 << 0;
    QTest::newRow("fourth pass-through") << 0 << 6 << 8 << 3;
    QTest::newRow("sixth pass-through") << 0 << 6 << 10 << 5;
}

void TestLookupTables::functionTableBitOfSlot()
{
    QFETCH(int, delays);
    QFETCH(int, passes);
    QFETCH(int, slot);
    QFETCH(int, bit);

    ProgramData design(nullptr);
    DesignKit kit(design);
    for (int i = 0; i < delays; ++i)
        kit.delay(QString(), nullptr);
    for (int i = 0; i < passes; ++i)
        kit.pass(nullptr);
    design.assignResources();
    BlockItem *unit = design.unitSlots[slot];
    QVERIFY(unit);
    unit->connectInput(0,
                       kit.preLogic(QStringLiteral("_A"), {kit.input(QStringLiteral("IN-CH1"))}));
    design.assignResources();
    QCOMPARE(design.unitSlots[slot], unit);
    for (int i = 0; i < 1024; ++i)
        QCOMPARE(int(design.functionTableEntry(quint16(2 * i))), ((i >> 1) & 1) << bit);
}

void TestLookupTables::unitIndexedTables()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    BlockItem *counters[4];
    for (BlockItem *&c : counters)
        c = kit.counter(QString(), nullptr); // slots 3, 4, 5, 6
    BlockItem *both = kit.postLogic(QStringLiteral("_A and _B"), {counters[0], counters[1]});
    kit.output(0, both);
    // A label in the PostLogic column carries slot 6 to another sheet.
    BlockItem *labelIn = design.createDefaultLabelIN(50, 0);
    labelIn->setKind(QStringLiteral("Label"));
    labelIn->connectInput(0, counters[3]);
    kit.setSheet(1);
    BlockItem *user = design.createFncLabel(51, 1, labelIn->name());
    user->setKind(labelIn->name());
    BlockItem *viaLabel = kit.postLogic(QStringLiteral("_A"), {user});
    kit.output(1, viaLabel);
    // Two outputs of channel 2 on two sheets.
    kit.output(2, kit.postLogic(QStringLiteral("_A"), {counters[0]}));
    kit.setSheet(0);
    QString name = QStringLiteral("OUT-CH2 again");
    BlockItem *second = design.createDefaultOut(52, 0, name);
    second->setKind(QStringLiteral("OUT-CH2"));
    second->connectInput(0, kit.postLogic(QStringLiteral("_A"), {counters[2]}));
    BlockItem *gate = kit.postLogic(QStringLiteral("_A"), {counters[1]});
    kit.msrCnt(3, gate, viaLabel);

    design.assignResources();
    for (int i = 0; i < 2048; ++i) {
        const int out = design.outputTableEntry(i);
        QCOMPARE(bit(out, 0), bit(i, 3) && bit(i, 4));
        QCOMPARE(bit(out, 1), bit(i, 6));
        QCOMPARE(bit(out, 2), bit(i, 3) || bit(i, 5));
        QCOMPARE(out & 0xF8, 0);
        QCOMPARE(int(design.msrCntTableEntry(i)), (bit(i, 4) ? 0x40 : 0) | (bit(i, 6) ? 0x80 : 0));
        QCOMPARE(design.labelTableEntry(i, both), bit(i, 3) && bit(i, 4));
    }
}

void TestLookupTables::fullDesignAgreesWithEvaluator()
{
    // Entries of the full design recomputed entry by entry with the evaluator.
    ProgramData design(nullptr);
    DesignKit::buildFullDesign(design);
    design.assignResources();
    BlockItem *all = design.preLogicBlocks.first();
    BlockItem *wide = design.postLogicBlocks.first();
    for (int i = 0; i < 1024; ++i) {
        const bool expected = LogicEvaluator::logicTruthBit(all, quint16(2 * i));
        QCOMPARE(bit(design.functionTableEntry(quint16(2 * i)), 13), expected); // slot 8
    }
    for (int i = 0; i < 2048; i += 7) {
        bool values[11] = {};
        for (int q = 0; q < 11; ++q) {
            for (int k = 0; k < 11; ++k) {
                if (design.unitSlots[k] == wide->inputAt(q))
                    values[q] = bit(i, k);
            }
        }
        QCOMPARE(bit(design.outputTableEntry(i), 0), LogicEvaluator::labelTruthBit(wide, values));
    }
}

void TestLookupTables::expressionErrorsNameTheBlock()
{
    ProgramData design(nullptr);
    DesignKit kit(design);
    kit.preLogic(QStringLiteral("_A"), {});
    BlockItem *bad = kit.preLogic(QStringLiteral("_A and"), {kit.input(QStringLiteral("IN-CH0"))});
    QCOMPARE(bad->name(), QStringLiteral("PreLgc1"));
    BlockItem *counter = kit.counter(QString(), bad);
    BlockItem *post = kit.postLogic(QStringLiteral("_A xor"), {counter});
    design.assignResources();
    try {
        design.functionTableEntry(0);
        QFAIL("no error");
    } catch (const QString &text) {
        QCOMPARE(text, QStringLiteral("PreLgc1: invalid at EOF"));
    }
    // A table that does not use the block is not affected by it.
    QCOMPARE(int(design.outputTableEntry(5)), 0);
    try {
        design.labelTableEntry(8, post);
        QFAIL("no error");
    } catch (const QString &text) {
        QCOMPARE(text, QStringLiteral("PstLgc0: invalid at EOF"));
    }
}

QTEST_MAIN(TestLookupTables)
#include "tst_lookuptables.moc"
