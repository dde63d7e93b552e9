#include "blockitem.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "programdata.h"
#include "programwidget.h"
#include "sheetbench.h"

#include <QLabel>
#include <QTest>

namespace {

QStringList dragTexts(const SheetBench &bench)
{
    QStringList texts;
    for (const DragSimulator::Record &record : bench.drags.drags)
        texts.append(DragSimulator::kindText(record.payload));
    return texts;
}

QPoint body(BlockItem *block)
{
    return block->pos() + QPoint(8, 12);
}

} // namespace

class TestSheetInput : public QObject
{
    Q_OBJECT

private slots:
    void pressClassification();
    void rowMovesNearestFirst();
    void labelSourceChangesColumn();
    void rubberBandAndWireDeletion();
};

void TestSheetInput::pressClassification()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    bench.paletteDrop("PreLogic", sheet, {20, 300});
    bench.paletteDrop("Label", sheet, {430, 300});
    QVERIFY(bench.dropText(sheet, "FeedBack2", {150, 300}));
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);  // output x 242
    BlockItem *user = bench.at(sheet, ProgramWidget::PreLogicColumn, 1); // FeedBack2
    BlockItem *source = bench.at(sheet, ProgramWidget::PostLogicColumn, 0);
    bench.drags.drags.clear();

    bench.press(sheet, {150, 81}); // header strip
    QVERIFY(bench.drags.drags.isEmpty());
    QVERIFY(!sheet->current());
    bench.press(sheet, {231, 110}); // 11 pixels left of the output point: the body
    QCOMPARE(sheet->current(), pre);
    bench.press(sheet, {232, 110}); // 10 pixels: a wire
    bench.press(sheet, user->outputPoint() - QPoint(2, 0));
    bench.press(sheet, body(source));
    QCOMPARE(dragTexts(bench), QStringList({"Zivramove", "PreLgc0", "OUTFeedBack2", "Zivramove"}));
    QCOMPARE(bench.drags.drags.at(0).pixmap.toImage(), pre->pixmap().toImage());
    QCOMPARE(bench.drags.drags.at(0).hotSpot, QPoint(231, 110) - pre->pos());
    // A label in the PostLogic column starts no wire.
    bench.press(sheet, source->outputPoint() - QPoint(2, 0));
    QCOMPARE(bench.drags.drags.size(), 4);
    QVERIFY(!sheet->current());
}

void TestSheetInput::rowMovesNearestFirst()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (int i = 0; i < 5; ++i)
        bench.paletteDrop("PreLogic", sheet, {20, 300});
    BlockItem *row0 = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *row3 = bench.at(sheet, ProgramWidget::PreLogicColumn, 3);
    BlockItem *row4 = bench.at(sheet, ProgramWidget::PreLogicColumn, 4);
    bench.press(sheet, {300, 700}); // empty space: no current block to add
    bench.host.controlKeyHeld = true;
    bench.press(sheet, body(row4));
    bench.press(sheet, body(row0));
    bench.press(sheet, body(row3));
    bench.press(sheet, body(row0)); // a second Control press deselects
    bench.host.controlKeyHeld = false;
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({row3, row4}));
    int snapshots = bench.host.snapshots;

    bench.key(sheet, Qt::Key_Down);
    QCOMPARE(row3->id(), 4);
    QCOMPARE(row4->id(), 5);
    QCOMPARE(row4->owner()->pos(), QPoint(142, 90 + 5 * 68));
    QCOMPARE(bench.host.snapshots, ++snapshots);
    bench.key(sheet, Qt::Key_Up);
    QVERIFY(row3->id() == 3 && row4->id() == 4);
    QCOMPARE(bench.host.snapshots, ++snapshots);
    // One row down by drop: the lower block makes room first.
    bench.pressAndDrop(sheet, body(row4), body(row4) + QPoint(0, 68));
    QVERIFY(row3->id() == 4 && row4->id() == 5);
    QCOMPARE(bench.host.snapshots, ++snapshots);

    bench.press(sheet, body(row0)); // the selection goes, row 0 is current
    bench.key(sheet, Qt::Key_Up);
    QCOMPARE(bench.host.snapshots, snapshots);
    bench.key(sheet, Qt::Key_Down); // past the taken rows to the first free one
    QCOMPARE(row0->id(), 3);
    QCOMPARE(bench.host.snapshots, snapshots + 1);

    // Shift selects what lies between the previous block, (142, 362), and this one, (425, 90).
    bench.paletteDrop("PostLogic", sheet, {20, 300});
    BlockItem *post = bench.at(sheet, ProgramWidget::PostLogicColumn, 0);
    bench.press(sheet, body(row3));
    bench.host.shiftKeyHeld = true;
    bench.press(sheet, body(post));
    QCOMPARE(sheet->selectedItems().size(), 5); // PreLogic rows 1 to 4 and the PostLogic block
    QVERIFY(sheet->selectedItems().contains(post) && !sheet->selectedItems().contains(row4));
}

void TestSheetInput::labelSourceChangesColumn()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    ProgramWidget *other = bench.addSheet();
    bench.paletteDrop("Label", sheet, {430, 300});
    bench.paletteDrop("PostLogic", sheet, {20, 300});
    BlockItem *source = bench.at(sheet, ProgramWidget::PostLogicColumn, 0);
    BlockItem *post = bench.at(sheet, ProgramWidget::PostLogicColumn, 1);
    source->setUserName("Trig");
    int snapshots = bench.host.snapshots;

    bench.press(sheet, body(post));
    bench.key(sheet, Qt::Key_Left); // only label sources change columns
    QCOMPARE(post->pos().x(), 425);
    bench.press(sheet, body(source));
    bench.key(sheet, Qt::Key_Left);
    QVERIFY(!bench.at(sheet, ProgramWidget::PostLogicColumn, 0));
    QCOMPARE(bench.data->sinkBlocks.size(), 1);
    BlockItem *moved = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
    QVERIFY(moved);
    QCOMPARE(moved->kind(), QString("PreLabel"));
    QCOMPARE(moved->name(), QString("Label0"));
    QCOMPARE(moved->userName(), QString("Trig"));
    QCOMPARE(moved->pos(), QPoint(284, 106));
    QCOMPARE(sheet->current(), moved);
    QCOMPARE(bench.strip->labels().size(), 1);
    QCOMPARE(bench.host.snapshots, ++snapshots);

    // Placed on a second sheet the label is in use and stays where it is.
    bench.strip->setCurrentTab(1);
    QVERIFY(bench.dropText(other, "PreLabel0", {150, 300}));
    bench.strip->setCurrentTab(0);
    bench.key(sheet, Qt::Key_Right);
    QCOMPARE(bench.at(sheet, ProgramWidget::FunctionColumn, 0), moved);
    bench.strip->setCurrentTab(1);
    other->deleteItem(bench.at(other, ProgramWidget::PreLogicColumn, 0));
    bench.strip->setCurrentTab(0);
    snapshots = bench.host.snapshots;

    // A connected source stays too.
    bench.paletteDrop("PreLogic", sheet, {20, 300});
    bench.wire(sheet, bench.at(sheet, ProgramWidget::PreLogicColumn, 0), {300, 106});
    QCOMPARE(moved->inputs().size(), 1);
    bench.press(sheet, body(moved));
    bench.key(sheet, Qt::Key_Right);
    QCOMPARE(bench.at(sheet, ProgramWidget::FunctionColumn, 0), moved);
    QCOMPARE(bench.host.snapshots, snapshots + 2);
}

void TestSheetInput::rubberBandAndWireDeletion()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"PreLogic", "CntFnc", "OUT-CH"})
        bench.paletteDrop(kind, sheet, {20, 300});
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *cnt = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
    bench.wire(sheet, pre, {300, 110}); // (242,118) to (284,118)
    QCOMPARE(bench.quota().value("PreLogicInfo"), 7);

    // The band from the lower right to the upper left holds the two left blocks.
    bench.pressAndDrop(sheet, {420, 160}, {135, 85});
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({pre, cnt}));

    sheet->grab(); // a paint fills the wire cache
    const int snapshots = bench.host.snapshots;
    bench.press(sheet, {260, 120}); // two pixels below the flat wire
    QCOMPARE(sheet->current(), cnt);
    QVERIFY(sheet->selectedItems().isEmpty());
    bench.key(sheet, Qt::Key_Delete);
    QVERIFY(cnt->inputs().isEmpty() && pre->outputs().isEmpty());
    QCOMPARE(bench.quota().value("PreLogicInfo"), 8);
    QCOMPARE(bench.host.snapshots, snapshots + 1);
    QCOMPARE(bench.data->functionBlocks.size(), 1); // the wire went, not its block
}

QTEST_MAIN(TestSheetInput)
#include "tst_sheetinput.moc"
