#include "labelregistry.h"
#include "nim_in.h"
#include "nimfeedbackin.h"
#include "nimlabelin.h"
#include "nimmsrcnt.h"
#include "nimnonfnc.h"
#include "nimout.h"
#include "programdata.h"

#include <QTest>

namespace {

class RecordingStrip : public LabelRegistry
{
public:
    void registerLabelSource(BlockItem *block) override { registered << block->name(); }
    QStringList registered;
};

QStringList namesOf(const QVector<BlockItem *> &list)
{
    QStringList names;
    for (BlockItem *b : list)
        names << b->name();
    return names;
}

} // namespace

class TestProgramData : public QObject
{
    Q_OBJECT

private slots:
    void defaultNamesTakeLowestFreeNumber();
    void userNamesBlockDefaultNames();
    void channelFactories();
    void nameChecks_data();
    void nameChecks();
    void findOrCreateInput();
    void candidateNames();
    void deletionKeepsOrderAndUnwires();
    void sheetRemovalAndClear();
    void labelSourcesAreRegistered();
};

void TestProgramData::defaultNamesTakeLowestFreeNumber()
{
    ProgramData design(nullptr);
    design.createPreLogic(0, 0, "PreLgc0");
    design.createPreLogic(1, 0, "PreLgc2");
    QCOMPARE(design.createDefaultPreLogic(2, 0)->name(), QString("PreLgc1"));
    for (int i = 3; i < 11; ++i)
        design.createDefaultPreLogic(i, i % 2);
    QCOMPARE(design.preLogicBlocks.last()->name(), QString("PreLgc10"));

    QCOMPARE(design.createDefaultPostLogic(0, 0)->name(), QString("PstLgc0"));
    // Counter and delay blocks share the function list but not their prefixes.
    QCOMPARE(design.createDefaultCntFnc(0, 0)->name(), QString("CntFnc0"));
    QCOMPARE(design.createDefaultDlyFnc(1, 0)->name(), QString("DlyFnc0"));
    QCOMPARE(design.createDefaultCntFnc(2, 0)->name(), QString("CntFnc1"));
    QCOMPARE(design.createDefaultFeedBackIN(0, 0)->name(), QString("FeedBack0"));
    QCOMPARE(design.createDefaultLabelIN(1, 0)->name(), QString("Label0"));
    QCOMPARE(design.createDefaultLabelIN(2, 0)->name(), QString("Label1"));
    QCOMPARE(namesOf(design.functionBlocks), (QStringList{"CntFnc0", "DlyFnc0", "CntFnc1"}));
    QVERIFY(dynamic_cast<NIMFeedBackIN *>(design.sinkBlocks.at(0)));
    QVERIFY(dynamic_cast<NIMLabelIN *>(design.sinkBlocks.at(1)));

    QString name;
    BlockItem *pass = design.createDefaultNonFnc(3, 0, name);
    QCOMPARE(name, QString("NonFnc0"));
    QVERIFY(dynamic_cast<NIMNonFnc *>(pass));
    QCOMPARE(design.functionBlocks.last(), pass);
    name = "Bypass";
    QCOMPARE(design.createDefaultNonFnc(4, 0, name)->name(), QString("Bypass"));
    name.clear();
    design.createDefaultNonFnc(5, 0, name);
    QCOMPARE(name, QString("NonFnc1"));
}

void TestProgramData::userNamesBlockDefaultNames()
{
    ProgramData design(nullptr);
    design.createPostLogic(0, 0, "PstLgc0")->setUserName("CntFnc0");
    QCOMPARE(design.createDefaultCntFnc(0, 0)->name(), QString("CntFnc1"));
    // A user name elsewhere in the design blocks it as well.
    design.createLabel(0, 3, "Label9")->setUserName("PreLgc0");
    QCOMPARE(design.createDefaultPreLogic(0, 0)->name(), QString("PreLgc1"));
}

void TestProgramData::channelFactories()
{
    ProgramData design(nullptr);
    QString name;
    for (int i = 0; i < 8; ++i) {
        if (i == 3)
            continue;
        name = QString("OUT-CH%1").arg(i);
        design.createDefaultOut(i, i % 2, name)->setKind(name);
    }
    name = "OUT-CH";
    BlockItem *third = design.createDefaultOut(9, 0, name);
    QVERIFY(third);
    QCOMPARE(name, QString("OUT-CH3"));
    QCOMPARE(third->name(), QString("OUT-CH3"));
    QVERIFY(dynamic_cast<NIMOut *>(third));
    name.clear();
    const int before = design.sinkBlocks.size();
    QCOMPARE(design.createDefaultOut(10, 0, name), nullptr);
    QCOMPARE(design.sinkBlocks.size(), before);

    name = "Counter";
    BlockItem *counter = design.createDefaultMsrCnt(0, 0, name);
    QCOMPARE(counter->name(), QString("Counter"));
    QVERIFY(dynamic_cast<NIMMsrCnt *>(counter));
    for (int i = 0; i < 4; ++i) {
        name = "MsrCnt";
        QCOMPARE(design.createDefaultMsrCnt(i, 0, name)->name(), QString("MsrCnt%1").arg(i));
        design.sinkBlocks.last()->setKind(name);
    }
    name.clear();
    QCOMPARE(design.createDefaultMsrCnt(5, 0, name), nullptr);
    // Used channel names are passed through unchecked.
    name = "MsrCnt1";
    QVERIFY(design.createDefaultMsrCnt(6, 0, name));

    design.sinkBlocks.last()->setKind("MsrCnt1");
    counter->setKind("Counter");
    QCOMPARE(namesOf(design.msrCntBlocks()),
             (QStringList{"MsrCnt0", "MsrCnt1", "MsrCnt2", "MsrCnt3", "MsrCnt1"}));
}

void TestProgramData::nameChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkNames");
    QTest::addColumn<bool>("free");
    QTest::newRow("channel prefix trimmed") << "  IN-CH9 " << false << false;
    QTest::newRow("output prefix") << "OUT-CH12" << false << false;
    QTest::newRow("counter prefix") << "MsrCnt" << false << false;
    QTest::newRow("prefix not at start") << "MyOUT-CH" << false << true;
    QTest::newRow("lower case channel") << "in-ch0" << false << true;
    QTest::newRow("display name") << "Trigger" << false << false;
    QTest::newRow("display name trimmed") << " Trigger  " << false << false;
    QTest::newRow("name behind a user name") << "PreLgc0" << false << true;
    QTest::newRow("name behind a user name, names checked") << "PreLgc0" << true << false;
    QTest::newRow("plain name") << "PstLgc0" << false << false;
    QTest::newRow("case differs") << "trigger" << false << true;
    QTest::newRow("other sheet counts") << "Far" << false << false;
    QTest::newRow("unused") << "Fresh" << true << true;
}

void TestProgramData::nameChecks()
{
    QFETCH(QString, name);
    QFETCH(bool, checkNames);
    QFETCH(bool, free);
    ProgramData design(nullptr);
    design.createPreLogic(0, 0, "PreLgc0")->setUserName("Trigger");
    design.createPostLogic(0, 0, "PstLgc0");
    design.createLabel(0, 5, "Label0")->setUserName("Far");
    QCOMPARE(design.isNameFree(name, checkNames), free);
}

void TestProgramData::findOrCreateInput()
{
    ProgramData design(nullptr);
    design.createInput(0, 0, "IN-CH0");
    design.createInput(1, 0, "IN-CH2");
    BlockItem *far = design.createInput(0, 1, "IN-CH1");
    far->setUserName("Trigger");
    far->params() = "bUser=false bHigh=true Vth=3194";

    // A channel standing on another sheet lends its name and its settings.
    NIM_IN *created = design.findOrCreateInput(5, 0);
    QVERIFY(created);
    QCOMPARE(created->name(), QString("IN-CH1"));
    QCOMPARE(created->displayName(), QString("Trigger"));
    QCOMPARE(created->params(), far->params());
    QCOMPARE(design.inputBlocks.last(), created);

    // A channel with no user name anywhere shows its own name.
    NIM_IN *next = design.findOrCreateInput(6, 0);
    QCOMPARE(next->name(), QString("IN-CH3"));
    QCOMPARE(next->displayName(), QString("IN-CH3"));

    // With a negative sheet a channel counts as present on any sheet.
    NIM_IN *anySheet = design.findOrCreateInput(0, -1);
    QCOMPARE(anySheet->name(), QString("IN-CH4"));

    // An empty name asks for the next free channel.
    BlockItem *byName = design.createInput(0, 1, "");
    QCOMPARE(byName->name(), QString("IN-CH0"));

    ProgramData full(nullptr);
    for (int i = 0; i < 10; ++i)
        QVERIFY(full.findOrCreateInput(i, 2));
    QCOMPARE(namesOf(full.inputBlocks), full.inputNames);
    QCOMPARE(full.findOrCreateInput(10, 2), nullptr);
    QCOMPARE(full.createInput(10, 2, ""), nullptr);
    QCOMPARE(full.inputBlocks.size(), 10);
    QVERIFY(full.findOrCreateInput(0, 3));
}

void TestProgramData::candidateNames()
{
    ProgramData design(nullptr);
    QStringList names;
    design.candidateNames("Input", names, 0);
    QCOMPARE(names, design.inputNames);
    for (int i = 0; i < 10; ++i)
        design.findOrCreateInput(i, 0);
    names.clear();
    design.candidateNames("Input", names, 0);
    QVERIFY(names.isEmpty());
    design.candidateNames("Input", names, 1);
    QCOMPARE(names.size(), 10);
    names.clear();
    design.candidateNames("Input", names, -1);
    QVERIFY(names.isEmpty());

    QString name = "OUT-CH";
    design.createDefaultOut(0, 4, name)->setKind(name);
    name = "OUT-CH";
    design.createDefaultOut(0, 4, name)->setKind(name);
    names.clear();
    design.candidateNames("OUT-CH", names, 0);
    QCOMPARE(names,
             (QStringList{"OUT-CH2", "OUT-CH3", "OUT-CH4", "OUT-CH5", "OUT-CH6", "OUT-CH7"}));
    name = "MsrCnt";
    design.createDefaultMsrCnt(0, 2, name)->setKind(name);
    names.clear();
    design.candidateNames("MsrCnt0", names, 0);
    QCOMPARE(names, (QStringList{"MsrCnt1", "MsrCnt2", "MsrCnt3"}));
    names.clear();
    design.candidateNames("PreLogic", names, 0);
    QVERIFY(names.isEmpty());
}

void TestProgramData::deletionKeepsOrderAndUnwires()
{
    ProgramData design(nullptr);
    NIM_IN *in = design.findOrCreateInput(0, 0);
    QVector<BlockItem *> sinks;
    for (int i = 0; i < 4; ++i) {
        QString name;
        sinks << design.createDefaultOut(i, 0, name);
        sinks.last()->connectInput(0, in);
    }
    design.unitSlots[3] = sinks[1];
    design.deleteBlock(sinks[1]);
    QCOMPARE(namesOf(design.sinkBlocks), (QStringList{"OUT-CH0", "OUT-CH2", "OUT-CH3"}));
    QCOMPARE(in->outputs(), (QVector<BlockItem *>{sinks[0], sinks[2], sinks[3]}));
    QCOMPARE(design.unitSlots[3], nullptr);

    // Unknown pointers are ignored and not destroyed.
    NIMOut stranger(0, 0, "OUT-CH9");
    stranger.connectInput(0, in);
    design.deleteBlock(&stranger);
    design.deleteBlock(nullptr);
    QCOMPARE(design.sinkBlocks.size(), 3);
    QCOMPARE(in->outputs().size(), 4);

    design.deleteBlock(in);
    QVERIFY(design.inputBlocks.isEmpty());
    QVERIFY(stranger.inputs().isEmpty());
    for (BlockItem *sink : design.sinkBlocks)
        QVERIFY(sink->inputs().isEmpty());
}

void TestProgramData::sheetRemovalAndClear()
{
    ProgramData design(nullptr);
    BlockItem *in0 = design.findOrCreateInput(0, 0);
    BlockItem *in1 = design.findOrCreateInput(0, 1);
    BlockItem *pre0 = design.createDefaultPreLogic(0, 0);
    BlockItem *pre1 = design.createDefaultPreLogic(0, 1);
    pre0->connectInput(-1, in0);
    pre1->connectInput(-1, in1);
    pre1->connectInput(-1, in0); // wired across sheets
    design.createDefaultCntFnc(0, 1)->connectInput(0, pre1);
    design.createDefaultLabelIN(0, 0);
    design.createDefaultLabelIN(1, 1);

    design.removeBlocksOfSheet(1);
    QCOMPARE(design.inputBlocks, QVector<BlockItem *>{in0});
    QCOMPARE(design.preLogicBlocks, QVector<BlockItem *>{pre0});
    QVERIFY(design.functionBlocks.isEmpty());
    QCOMPARE(namesOf(design.sinkBlocks), QStringList{"Label0"});
    QCOMPARE(in0->outputs(), QVector<BlockItem *>{pre0});

    design.createDefaultPostLogic(0, 0);
    design.createFncLabel(0, 0, "L");
    design.clear();
    QVERIFY(design.inputBlocks.isEmpty());
    QVERIFY(design.preLogicBlocks.isEmpty());
    QVERIFY(design.postLogicBlocks.isEmpty());
    QVERIFY(design.sinkBlocks.isEmpty());
    QVERIFY(design.labelBlocks.isEmpty());
    QCOMPARE(design.inputNames.size(), 10);
    QCOMPARE(design.findOrCreateInput(0, 0)->name(), QString("IN-CH0"));
}

void TestProgramData::labelSourcesAreRegistered()
{
    RecordingStrip strip;
    ProgramData design(&strip);
    design.createDefaultFeedBackIN(0, 0);
    design.createLabelIN(1, 0, "Label7");
    design.createLabel(0, 1, "Label7");
    design.createFncLabel(0, 1, "Label7");
    QCOMPARE(strip.registered, (QStringList{"FeedBack0", "Label7"}));

    design.setLabelStrip(nullptr);
    design.createDefaultFeedBackIN(0, 0);
    QCOMPARE(strip.registered.size(), 2);
}

QTEST_MAIN(TestProgramData)
#include "tst_programdata.moc"
