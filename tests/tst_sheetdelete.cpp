#include "blockitem.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "programdata.h"
#include "programwidget.h"
#include "sheetbench.h"
#include "windowkit.h"

#include <QAction>
#include <QLabel>
#include <QTest>

namespace {

void triggerDelete(BlockItem *block)
{
    for (QAction *action : block->owner()->actions()) {
        if (action->text() == QLatin1String("&Delete")) {
            action->trigger();
            return;
        }
    }
    QFAIL("no Delete action");
}

// The first block of the sheet, walking the columns left to right or right to left.
BlockItem *firstBlock(ProgramWidget *sheet, bool leftToRight)
{
    for (int i = 0; i < 5; ++i) {
        const int column = leftToRight ? i : 4 - i;
        const QMap<int, BlockItem *> &map = sheet->columnItems(ProgramWidget::Column(column));
        if (!map.isEmpty())
            return map.first();
    }
    return nullptr;
}

// Every kind of block, every kind of wire and a label user on a second sheet,
// made by palette drops, label drops and wire drags.
void buildDesign(SheetBench &bench)
{
    ProgramWidget *sheet = bench.sheets.at(0);
    ProgramWidget *other = bench.sheets.at(1);
    for (const char *kind :
         {"Input", "Input", "PreLogic", "PreLogic", "FeedBack", "CntFnc", "DlyFnc", "NonFnc",
          "PostLogic", "PostLogic", "OUT-CH", "OUT-CH", "MsrCnt"})
        bench.paletteDrop(kind, sheet, {20, 600});
    bench.paletteDrop("Label", sheet, {300, 600}); // a label source in the Function column
    QVERIFY(bench.dropText(sheet, "FeedBack0", {150, 600}));
    auto at = [&bench](ProgramWidget *on, ProgramWidget::Column column, int row) {
        return bench.at(on, column, row);
    };
    BlockItem *in0 = at(sheet, ProgramWidget::InputColumn, 0);
    BlockItem *in1 = at(sheet, ProgramWidget::InputColumn, 1);
    BlockItem *p0 = at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *p1 = at(sheet, ProgramWidget::PreLogicColumn, 1);
    BlockItem *feedUser = at(sheet, ProgramWidget::PreLogicColumn, 2);
    BlockItem *cnt = at(sheet, ProgramWidget::FunctionColumn, 0); // y 104
    BlockItem *dly = at(sheet, ProgramWidget::FunctionColumn, 1); // y 144
    BlockItem *non = at(sheet, ProgramWidget::FunctionColumn, 2); // y 196
    BlockItem *post0 = at(sheet, ProgramWidget::PostLogicColumn, 0);
    BlockItem *post1 = at(sheet, ProgramWidget::PostLogicColumn, 1);
    bench.wire(sheet, in0, {150, 100});
    bench.wire(sheet, in1, {150, 100});
    bench.wire(sheet, in1, {150, 170});
    bench.wire(sheet, p0, {300, 104});
    bench.wire(sheet, feedUser, {300, 160});
    bench.wire(sheet, p1, {300, 200});
    bench.wire(sheet, p0, {300, 240}); // into the label source
    bench.wire(sheet, cnt, {430, 100});
    bench.wire(sheet, dly, {430, 110});
    bench.wire(sheet, non, {430, 170});
    bench.wire(sheet, post1, {600, 120}); // the FeedBack source
    bench.wire(sheet, post0, {600, 150});
    bench.wire(sheet, post1, {600, 200});
    bench.wire(sheet, post0, {600, 230}); // counter port 0
    bench.wire(sheet, post1, {600, 250}); // counter port 1
    QCOMPARE(in1->outputs().size(), 2);
    QVERIFY(dly->inputAt(0) == feedUser && non->inputAt(0) == p1);
    QCOMPARE(post0->outputs().size(), 2);

    bench.strip->setCurrentTab(1);
    QVERIFY(bench.dropText(other, "PreLabel0", {150, 600}));
    bench.paletteDrop("CntFnc", other, {20, 600});
    bench.wire(other, at(other, ProgramWidget::PreLogicColumn, 0), {300, 104});
    QCOMPARE(at(other, ProgramWidget::FunctionColumn, 0)->inputs().size(), 1);
}

} // namespace

class TestSheetDelete : public QObject
{
    Q_OBJECT

private slots:
    void quotaRoundTrip_data();
    void quotaRoundTrip();
    void labelSourceTakesUsersInOneStep();
    void clearSheetUnmarksLabelUsersOnly();
};

void TestSheetDelete::quotaRoundTrip_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Delete actions, left to right") << "actions";
    QTest::newRow("Delete key, right to left") << "keys";
    QTest::newRow("all selected, Delete key") << "selection";
    QTest::newRow("clear each sheet") << "clear";
}

void TestSheetDelete::quotaRoundTrip()
{
    QFETCH(QString, how);
    SheetBench bench;
    bench.addSheet();
    const QMap<QString, int> start = bench.quota();
    buildDesign(bench);
    QVERIFY(bench.quota() != start);
    QCOMPARE(bench.quota().value("PostLogicInfo"), 7);
    QCOMPARE(bench.quota().value("PreLogicInfo"), 6);
    QCOMPARE(bench.quota().value("FeedBackInfo"), 7);

    for (int index : {0, 1}) {
        ProgramWidget *sheet = bench.sheets.at(index);
        bench.strip->setCurrentTab(index);
        const int snapshots = bench.host.snapshots;
        if (how == "clear") {
            sheet->clearSheet();
        } else if (how == "selection") {
            sheet->selectAll();
            bench.key(sheet, Qt::Key_Delete);
            QCOMPARE(bench.host.snapshots, snapshots + 1);
        } else {
            while (BlockItem *block = firstBlock(sheet, how == "actions")) {
                if (how == "actions") {
                    triggerDelete(block);
                } else {
                    bench.press(sheet, block->pos() + QPoint(3, 3));
                    QCOMPARE(sheet->current(), block);
                    bench.key(sheet, Qt::Key_Delete);
                }
            }
        }
        QVERIFY(!firstBlock(sheet, true) || how == "clear");
    }
    QCOMPARE(bench.quota(), start);
    // Clearing a sheet keeps its input channels, which are shared by name.
    QCOMPARE(WindowKit::blockCount(bench.data), how == "clear" ? 2 : 0);
    QVERIFY(bench.strip->labels().isEmpty() && bench.strip->feedBacks().isEmpty());
}

void TestSheetDelete::labelSourceTakesUsersInOneStep()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    bench.paletteDrop("Label", sheet, {300, 600});
    BlockItem *source = sheet->current();
    for (int index : {1, 2}) {
        ProgramWidget *other = bench.addSheet();
        bench.strip->setCurrentTab(index);
        QVERIFY(bench.dropText(other, "PreLabel0", {150, 600}));
        bench.paletteDrop("CntFnc", other, {20, 600});
        bench.wire(other, bench.at(other, ProgramWidget::PreLogicColumn, 0), {300, 104});
    }
    bench.strip->setCurrentTab(0);
    // Users that no sheet shows: one never placed, one on a sheet that is gone.
    bench.data->createLabel(5, 1, "Label0");
    bench.data->createLabel(5, 9, "Label0");
    QCOMPARE(bench.data->labelBlocks.size(), 4);
    QCOMPARE(bench.quota().value("PreLogicInfo"), 6);
    const int snapshots = bench.host.snapshots;

    triggerDelete(source);
    QVERIFY(bench.data->labelBlocks.isEmpty() && bench.data->sinkBlocks.isEmpty());
    QVERIFY(!bench.at(bench.sheets.at(1), ProgramWidget::PreLogicColumn, 0));
    QVERIFY(!bench.at(bench.sheets.at(2), ProgramWidget::PreLogicColumn, 0));
    QVERIFY(bench.strip->labels().isEmpty());
    QCOMPARE(bench.quota().value("PreLogicInfo"), 8);
    QCOMPARE(bench.host.snapshots, snapshots + 1);
    QVERIFY(!bench.host.undoSuspended);
    QCOMPARE(bench.host.calls, QStringList("removeLinkedLabels(Label0)"));
}

void TestSheetDelete::clearSheetUnmarksLabelUsersOnly()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    ProgramWidget *users = bench.addSheet();
    ProgramWidget *more = bench.addSheet();
    bench.paletteDrop("Label", sheet,
                      {430, 600}); // a source of kind "Label": users in the Function column
    bench.strip->setCurrentTab(1);
    QVERIFY(bench.dropText(users, "Label0", {300, 600}));
    bench.strip->setCurrentTab(2);
    QVERIFY(bench.dropText(more, "Label0", {300, 600}));
    QCOMPARE(bench.at(more, ProgramWidget::FunctionColumn, 0)->kind(), QString("Label0"));

    // The sheet of one user goes: the source and the other users stay.
    bench.strip->setCurrentTab(1);
    users->clearSheet();
    QCOMPARE(bench.data->labelBlocks.size(), 1);
    QCOMPARE(bench.data->sinkBlocks.size(), 1);
    QCOMPARE(bench.strip->labels().size(), 1);
    QVERIFY(!bench.strip->isLabelPlaced("Label0", 1));
    QVERIFY(bench.strip->isLabelPlaced("Label0", 2));
    QVERIFY(bench.host.calls.isEmpty());

    // The sheet of the source goes: its users on every sheet go with it.
    bench.strip->setCurrentTab(0);
    sheet->clearSheet();
    QVERIFY(bench.data->labelBlocks.isEmpty() && bench.data->sinkBlocks.isEmpty());
    QVERIFY(bench.strip->labels().isEmpty());
}

QTEST_MAIN(TestSheetDelete)
#include "tst_sheetdelete.moc"
