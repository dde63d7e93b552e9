#include "blockitem.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "programdata.h"
#include "programwidget.h"
#include "sheetbench.h"

#include <QAction>
#include <QLabel>
#include <QTest>

namespace {

// "E" for an Edit action, "R" for a Rename action; Cut, Copy and Delete always.
QString actionCode(BlockItem *block)
{
    QString code;
    for (QAction *action : block->owner()->actions()) {
        if (action->text() == "&Edit")
            code += 'E';
        else if (action->text() == "&Rename")
            code += 'R';
        else if (action->text() != "Cu&t" && action->text() != "&Copy" &&
                 action->text() != "&Delete")
            code += '?';
    }
    return block->owner()->actions().size() == code.size() + 3 ? code : "broken";
}

} // namespace

class TestSheetDrop : public QObject
{
    Q_OBJECT

private slots:
    void creationRows_data();
    void creationRows();
    void refusedCreationsAreSilent();
    void wireWindows();
    void netUnits();
    void functionTargetsByKind();
    void foreignMoveAndFreeRows();
};

void TestSheetDrop::creationRows_data()
{
    QTest::addColumn<QStringList>("row");
    // clang-format off
    // Texts ending in a digit come from the label strip, the others from the palette.
    // Actions: E for Edit, R for Rename (Cut, Copy and Delete always); units taken.
    const char *const rows[] = {
        // text     drop x  x    y    kind      name       actions units
        "Input      600     0    106  Input     IN-CH0     ER      -",
        "PreLogic   20      142  90   PreLogic  PreLgc0    ER      -",
        "PostLogic  20      425  90   PostLogic PstLgc0    ER      -",
        "Label      424     284  106  PreLabel  Label0     R       -",
        "Label      425     425  106  Label     Label0     R       -",
        "PreLabel3  600     142  106  PreLabel3 Label3     -       -",
        "Label3     20      284  106  Label3    Label3     -       -",
        "CntFnc     20      284  104  CntFnc    CntFnc0    ER      CntFnc,PostLogicInfo",
        "DlyFnc     20      284  104  DlyFnc    DlyFnc0    ER      DlyFnc,PostLogicInfo",
        "NonFnc     20      284  116  NonFnc    NonFnc0    -       NonFnc,PostLogicInfo",
        "MsrCnt     20      567  104  MsrCnt0   MsrCnt0    ER      MsrCnt",
        "OUT-CH     20      567  106  OUT-CH0   OUT-CH0    ER      OUT-CH",
        "FeedBack   20      567  106  FeedBack  FeedBack0  R       FeedBack",
        "FeedBack2  600     142  106  FeedBack2 FeedBack2  -       -",
    };
    // clang-format on
    for (const char *row : rows) {
        const QStringList fields = QString(row).split(' ', Qt::SkipEmptyParts);
        QTest::newRow(qPrintable(fields[0] + " at " + fields[1])) << fields;
    }
}

void TestSheetDrop::creationRows()
{
    QFETCH(QStringList, row);
    const QString text = row[0];
    const QPoint pos(row[2].toInt(), row[3].toInt());
    const QString kind = row[4], name = row[5], actions = row[6] == "-" ? QString() : row[6];
    const QStringList units = row[7] == "-" ? QStringList() : row[7].split(',');
    const int dropX = row[1].toInt();
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    QMap<QString, int> expected = bench.quota();
    for (const QString &unit : units)
        --expected[unit];
    const bool fromStrip = text.back().isDigit();
    // The drop position plays no part beyond the bare Label's x.
    if (fromStrip)
        QVERIFY(bench.dropText(sheet, text, {dropX, 900}));
    else
        bench.paletteDrop(text, sheet, {dropX, 900});

    BlockItem *block = bench.at(sheet, ProgramWidget::columnAt(pos.x()), 0);
    QVERIFY(block);
    QCOMPARE(block->pos(), pos);
    QCOMPARE(block->owner()->pos(), pos);
    QVERIFY(block->kind() == kind && block->name() == name);
    QCOMPARE(actionCode(block), actions);
    QCOMPARE(bench.quota(), expected);
    QCOMPARE(bench.host.snapshots, 1);
    QCOMPARE(sheet->current(), block);
    // Shown tinted as the current block.
    QVERIFY(block->owner()->pixmap(Qt::ReturnByValue).toImage() != block->pixmap().toImage());
    if (kind.endsWith("Logic"))
        QCOMPARE(block->pixmap().toImage(),
                 captionedPixmap(block->basePixmap(), name, true).toImage());
    // A label user shows the strip's text and marks its label placed here.
    if (fromStrip)
        QVERIFY(block->userName() == name && bench.strip->isLabelPlaced(name));
}

void TestSheetDrop::refusedCreationsAreSilent()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    // A full PreLogic column: rows 0 to 13, never row 14 (14 x 68 = 952).
    for (int i = 0; i < 14; ++i)
        bench.paletteDrop("PreLogic", sheet, {150, 300});
    QCOMPARE(sheet->columnItems(ProgramWidget::PreLogicColumn).lastKey(), 13);
    const int labels = sheet->findChildren<QLabel *>().size();
    bench.paletteDrop("PreLogic", sheet, {150, 300});
    QCOMPARE(bench.data->preLogicBlocks.size(), 14);
    QCOMPARE(bench.host.snapshots, 14);
    // A feedback user that finds no row leaves its label available.
    QVERIFY(bench.dropText(sheet, "FeedBack5", {150, 300}));
    QVERIFY(!bench.strip->isLabelPlaced("FeedBack5"));
    QCOMPARE(sheet->findChildren<QLabel *>().size(), labels);

    // An exhausted entry: no block and the shared unit stays.
    bench.palette->setRemainingByKind(0, "CntFnc");
    bench.paletteDrop("CntFnc", sheet, {300, 300});
    QVERIFY(bench.data->functionBlocks.isEmpty());
    QCOMPARE(bench.quota().value("PostLogicInfo"), 11);

    // No channel name left: the drop is ignored, no label stays, the unit comes back.
    for (int i = 0; i < 4; ++i) {
        QString counter;
        bench.data->createDefaultMsrCnt(20 + i, 1, counter)->setKind(counter);
    }
    bench.paletteDrop("MsrCnt", sheet, {600, 300});
    QCOMPARE(bench.drags.drags.last().result, Qt::IgnoreAction);
    QCOMPARE(bench.quota().value("MsrCnt"), 4);
    for (int i = 0; i < 10; ++i)
        bench.paletteDrop("Input", sheet, {20, 300});
    QCOMPARE(sheet->columnItems(ProgramWidget::InputColumn).size(), 10);
    const int withInputs = sheet->findChildren<QLabel *>().size();
    bench.paletteDrop("Input", sheet, {20, 300});
    QCOMPARE(bench.drags.drags.last().result, Qt::IgnoreAction);
    QCOMPARE(sheet->findChildren<QLabel *>().size(), withInputs);
    QCOMPARE(bench.host.snapshots, 24);
    QVERIFY(bench.warnings.isEmpty());
}

void TestSheetDrop::wireWindows()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind :
         {"Input", "Input", "PreLogic", "CntFnc", "PostLogic", "OUT-CH", "MsrCnt"})
        bench.paletteDrop(kind, sheet, {20, 300});
    BlockItem *in0 = bench.at(sheet, ProgramWidget::InputColumn, 0);
    BlockItem *in1 = bench.at(sheet, ProgramWidget::InputColumn, 1);
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);   // y 90
    BlockItem *cnt = bench.at(sheet, ProgramWidget::FunctionColumn, 0);   // y 104
    BlockItem *post = bench.at(sheet, ProgramWidget::PostLogicColumn, 0); // (425,90) 100 x 57
    BlockItem *out = bench.at(sheet, ProgramWidget::OutputColumn, 0);     // y 106
    BlockItem *msr = bench.at(sheet, ProgramWidget::OutputColumn, 1);     // y 144, 29 high
    int snapshots = bench.host.snapshots;

    // PreLogic: y < dropY <= y + 67.
    bench.wire(sheet, in0, {150, 90});
    bench.wire(sheet, in0, {150, 158});
    QVERIFY(pre->inputs().isEmpty());
    bench.wire(sheet, in0, {150, 157});
    bench.wire(sheet, in1, {150, 91});
    QCOMPARE(pre->inputs().values(), QList<BlockItem *>({in0, in1}));
    bench.wire(sheet, in1, {150, 100}); // already fed by it: refused, no snapshot
    QCOMPARE(bench.host.snapshots, snapshots += 2);

    // Function: within 29 pixels either side, both included.
    bench.wire(sheet, pre, {300, 74});
    bench.wire(sheet, pre, {300, 134});
    QVERIFY(!cnt->inputAt(0));
    bench.wire(sheet, pre, {300, 75});
    QCOMPARE(cnt->inputAt(0), pre);
    bench.wire(sheet, pre, {421, 133});
    QCOMPARE(bench.host.snapshots, snapshots += 2);

    // PostLogic: the block's picture, edges included.
    bench.wire(sheet, cnt, {526, 100});
    QVERIFY(post->inputs().isEmpty());
    bench.wire(sheet, cnt, {525, 147});
    QCOMPARE(post->inputs().value(0), cnt);

    // Output: y < dropY <= y + 39; a counter's upper half is port 0.
    bench.wire(sheet, post, {600, 106});
    QVERIFY(out->inputs().isEmpty());
    bench.wire(sheet, post, {600, 145});
    QCOMPARE(out->inputs().value(0), post);
    bench.wire(sheet, post, {600, 157});
    QCOMPARE(msr->inputs().keys(), QList<int>({0}));
    msr->inputs().clear();
    post->outputs().removeAll(msr);
    bench.wire(sheet, post, {600, 158});
    QCOMPARE(msr->inputs().keys(), QList<int>({1}));
    // Left of the PreLogic column nothing is a target.
    bench.wire(sheet, in0, {141, 100});
    QCOMPARE(bench.host.snapshots, snapshots + 4);
}

void TestSheetDrop::netUnits()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"PreLogic", "PreLogic", "FeedBack", "FeedBack", "CntFnc", "DlyFnc"})
        bench.paletteDrop(kind, sheet, {20, 300});
    QVERIFY(bench.dropText(sheet, "FeedBack0", {150, 300}));
    QVERIFY(bench.dropText(sheet, "FeedBack1", {150, 300}));
    BlockItem *p0 = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *p1 = bench.at(sheet, ProgramWidget::PreLogicColumn, 1);
    BlockItem *f0 = bench.at(sheet, ProgramWidget::PreLogicColumn, 2);
    BlockItem *f1 = bench.at(sheet, ProgramWidget::PreLogicColumn, 3);
    BlockItem *cnt = bench.at(sheet, ProgramWidget::FunctionColumn, 0); // y 104
    BlockItem *dly = bench.at(sheet, ProgramWidget::FunctionColumn, 1); // y 144
    QCOMPARE(bench.drags.drags.size(), 6);
    auto units = [&bench]() {
        return qMakePair(bench.quota().value("PreLogicInfo"), bench.quota().value("FeedBackInfo"));
    };
    const QPoint onCnt(300, 104);
    const QPoint onDly(300, 160);

    bench.wire(sheet, f0, onCnt); // none -> FeedBack
    QCOMPARE(units(), qMakePair(8, 7));
    bench.wire(sheet, f1, onCnt); // FeedBack -> FeedBack
    QCOMPARE(units(), qMakePair(8, 7));
    QCOMPARE(cnt->inputAt(0), f1);
    bench.wire(sheet, p0, onCnt); // FeedBack -> other
    QCOMPARE(units(), qMakePair(7, 8));
    bench.wire(sheet, p1, onCnt); // other -> other
    QCOMPARE(units(), qMakePair(7, 8));
    bench.wire(sheet, f0, onCnt); // other -> FeedBack
    QCOMPARE(units(), qMakePair(8, 7));
    bench.wire(sheet, p0, onDly); // none -> other
    QCOMPARE(units(), qMakePair(7, 7));
    QCOMPARE(dly->inputAt(0), p0);
    QCOMPARE(bench.host.snapshots, 8 + 6);
    QVERIFY(f1->outputs().isEmpty() && p1->outputs().isEmpty());

    // Without a FeedBackInfo unit the old wire stays.
    bench.wire(sheet, p1, onCnt);
    bench.palette->setRemainingByKind(0, "FeedBackInfo");
    const int snapshots = bench.host.snapshots;
    bench.wire(sheet, f1, onCnt);
    QCOMPARE(cnt->inputAt(0), p1);
    QCOMPARE(units(), qMakePair(6, 0));
    QCOMPARE(bench.host.snapshots, snapshots);
}

void TestSheetDrop::functionTargetsByKind()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"PreLogic", "FeedBack", "NonFnc"})
        bench.paletteDrop(kind, sheet, {20, 300});
    bench.paletteDrop("Label", sheet, {300, 300}); // a PreLabel source in row 1, y 146
    QVERIFY(bench.dropText(sheet, "FeedBack0", {150, 300}));
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *feed = bench.at(sheet, ProgramWidget::PreLogicColumn, 1);
    BlockItem *non = bench.at(sheet, ProgramWidget::FunctionColumn, 0); // y 116
    BlockItem *source = bench.at(sheet, ProgramWidget::FunctionColumn, 1);
    const QMap<QString, int> units = bench.quota();
    const int snapshots = bench.host.snapshots;

    bench.wire(sheet, feed, {300, 116});
    QCOMPARE(
        bench.warnings,
        QStringList("|Cannot connect FeedBack and NonFnc. Please use DlyFnc with delay value 0."));
    QVERIFY(!non->inputAt(0));
    bench.wire(sheet, feed, {300, 170}); // a label source takes PreLogic blocks only
    QVERIFY(!source->inputAt(0));
    QCOMPARE(bench.host.snapshots, snapshots);
    bench.wire(sheet, pre, {300, 116});
    bench.wire(sheet, pre, {300, 170});
    QCOMPARE(non->inputAt(0), pre);
    QCOMPARE(source->inputAt(0), pre);
    QCOMPARE(bench.quota(), units); // neither holds a net unit
    QCOMPARE(bench.host.snapshots, snapshots + 2);
}

void TestSheetDrop::foreignMoveAndFreeRows()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    bench.paletteDrop("PreLogic", sheet, {20, 300});
    BlockItem *pre = sheet->current();
    const int snapshots = bench.host.snapshots;
    // A move payload that this sheet did not start moves nothing, current block or not.
    QVERIFY(!bench.dropText(sheet, "Zivramove", {150, 600}));
    sheet->clearSelection(true);
    QVERIFY(!bench.dropText(sheet, "Zivramove", {150, 600}));
    QCOMPARE(pre->pos(), QPoint(142, 90));
    QCOMPARE(bench.host.snapshots, snapshots);

    // Unique names: the last digit is the stem's end; taken names are skipped.
    QString name = "PreLgc0";
    sheet->makeUniqueName(name, {});
    QCOMPARE(name, QString("PreLgc1"));
    name = "PreLgc0";
    sheet->makeUniqueName(name, {"PreLgc1"});
    QCOMPARE(name, QString("PreLgc2"));
    pre->setUserName("PreLgc1"); // one block holding two candidates
    name = "PreLgc0";
    sheet->makeUniqueName(name, {});
    QCOMPARE(name, QString("PreLgc2"));
    name = "IN-USER";
    sheet->makeUniqueName(name, {});
    QCOMPARE(name, QString()); // every IN-CH name is reserved
    name = "OUT-CH5";          // reserved stem: no endless search
    sheet->makeUniqueName(name, {});
    QCOMPARE(name, QString());
}

QTEST_MAIN(TestSheetDrop)
#include "tst_sheetdrop.moc"
