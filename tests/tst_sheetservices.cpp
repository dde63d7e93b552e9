#include "blockitem.h"
#include "labelentry.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "nimactionedit.h"
#include "programdata.h"
#include "programwidget.h"
#include "sheetbench.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QTextStream>

namespace {

void trigger(BlockItem *block, const QString &text)
{
    for (QAction *action : block->owner()->actions()) {
        if (action->text() == text) {
            action->trigger();
            return;
        }
    }
    QFAIL(qPrintable("no action " + text));
}

QString xmlOf(BlockItem *block)
{
    QString text;
    QTextStream stream(&text);
    block->writeXml(stream, block->kind(), 1);
    stream.flush();
    return text;
}

// Answers the rename dialogue from a list (a null answer cancels) and records what it offered.
struct RenameDriver {
    RenameDriver()
    {
        ModalHooks::setTextRunner([this](QWidget *, const QString &title, const QString &label,
                                         const QString &text, bool *ok) {
            offered.append(title + '|' + label + '|' + text);
            const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
            *ok = !answer.isNull();
            return answer;
        });
    }
    ~RenameDriver() { ModalHooks::setTextRunner(ModalHooks::TextRunner()); }
    QStringList answers;
    QStringList offered;
};

const QString charRule = "A name can consist only of the following characters:\n"
                         "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";

} // namespace

class TestSheetServices : public QObject
{
    Q_OBJECT

private slots:
    void renameRulesAndTexts();
    void renamesFollowLinkedNames();
    void clipboardText();
    void placementTable_data();
    void placementTable();
    void restoredPicturesAndNames();
    void settingsViewsAndSnapshots();
    void editDispatch();
};

void TestSheetServices::renameRulesAndTexts()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"PreLogic", "CntFnc", "MsrCnt"})
        bench.paletteDrop(kind, sheet, {20, 600});
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *cnt = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
    BlockItem *msr = bench.at(sheet, ProgramWidget::OutputColumn, 0);
    RenameDriver dialogue;
    int snapshots = bench.host.snapshots;

    dialogue.answers = QStringList{"my name", "   ", " Good_1-x "};
    trigger(pre, "&Rename");
    QCOMPARE(dialogue.offered, QStringList({"PreLgc0|Please enter new name.|PreLgc0",
                                            "PreLgc0|Please enter new name.|my name",
                                            "PreLgc0|Please enter new name.|   "}));
    QCOMPARE(bench.warnings, QStringList({"PreLgc0|" + charRule, "PreLgc0|" + charRule}));
    QCOMPARE(pre->userName(), QString("Good_1-x"));
    QCOMPARE(pre->name(), QString("PreLgc0"));
    QCOMPARE(pre->owner()->pixmap(Qt::ReturnByValue).toImage(), pre->pixmap().toImage());
    QCOMPARE(bench.host.snapshots, ++snapshots);
    QVERIFY(bench.host.calls.isEmpty()); // neither labels nor inputs are touched

    // The same name closes silently; a name in use is quoted trimmed and offered again.
    dialogue.offered.clear();
    bench.warnings.clear();
    dialogue.answers = QStringList{"Good_1-x"};
    trigger(pre, "&Rename");
    dialogue.answers = QStringList{" Good_1-x ", "MsrCnt7", QString()};
    trigger(cnt, "&Rename");
    QCOMPARE(dialogue.offered.mid(1), QStringList({"CntFnc0|Please enter new name.|CntFnc0",
                                                   "CntFnc0|Please enter new name.|Good_1-x",
                                                   "CntFnc0|Please enter new name.|MsrCnt7"}));
    QCOMPARE(bench.warnings,
             QStringList({"CntFnc0|\"Good_1-x\" cannot be used or it is already in use.",
                          "CntFnc0|\"MsrCnt7\" cannot be used or it is already in use."}));
    QCOMPARE(bench.host.snapshots, snapshots);

    // Channel-like names only give a channel back its own name.
    bench.warnings.clear();
    msr->setUserName("Rate");
    dialogue.answers = QStringList{"OUT-CH3", "MsrCnt0"};
    trigger(msr, "&Rename");
    QCOMPARE(bench.warnings,
             QStringList("Rate|\"OUT-CH3\" cannot be used or it is already in use."));
    QCOMPARE(msr->userName(), QString("MsrCnt0"));
    QCOMPARE(dialogue.offered.last().section('|', 0, 0), QString("Rate"));

    // Cased letters of any script and letter numbers pass; letters without case do not.
    bench.warnings.clear();
    dialogue.answers = QStringList{"名前", "Zürich_É-Ⅻ"};
    trigger(cnt, "&Rename");
    QCOMPARE(bench.warnings, QStringList("CntFnc0|" + charRule));
    QCOMPARE(cnt->userName(), QString("Zürich_É-Ⅻ"));
}

void TestSheetServices::renamesFollowLinkedNames()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    ProgramWidget *other = bench.addSheet();
    bench.paletteDrop("Input", sheet, {20, 600});
    bench.paletteDrop("Input", other, {20, 600});
    bench.paletteDrop("Label", sheet, {430, 600});
    bench.strip->setCurrentTab(1);
    QVERIFY(bench.dropText(other, "Label0", {300, 600}));
    bench.strip->setCurrentTab(0);
    BlockItem *in = bench.at(sheet, ProgramWidget::InputColumn, 0);
    BlockItem *otherIn = bench.at(other, ProgramWidget::InputColumn, 0);
    BlockItem *source = bench.at(sheet, ProgramWidget::PostLogicColumn, 0);
    BlockItem *user = bench.at(other, ProgramWidget::FunctionColumn, 0);
    RenameDriver dialogue;
    const int snapshots = bench.host.snapshots;

    dialogue.answers = QStringList{"Trigger"};
    trigger(in, "&Rename");
    QCOMPARE(otherIn->userName(), QString("Trigger"));
    QCOMPARE(otherIn->owner()->pixmap(Qt::ReturnByValue).toImage(), otherIn->pixmap().toImage());
    dialogue.answers = QStringList{"IN-CH0"}; // back to the channel's own name, titled by it
    trigger(otherIn, "&Rename");
    QCOMPARE(dialogue.offered.last(), QString("IN-CH0|Please enter new name.|Trigger"));
    QCOMPARE(in->displayName(), QString("IN-CH0"));

    dialogue.answers = QStringList{"Sig"};
    trigger(source, "&Rename");
    QCOMPARE(user->userName(), QString("Sig"));
    QCOMPARE(bench.strip->labels().first()->text, QString("Sig"));
    QCOMPARE(bench.host.calls,
             QStringList({"setInputUserName(IN-CH0,Trigger)", "setInputUserName(IN-CH0,IN-CH0)",
                          "setLabelUserName(Label0,Sig)"}));
    QCOMPARE(bench.host.snapshots, snapshots + 3);
}

void TestSheetServices::clipboardText()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    QClipboard *clipboard = QGuiApplication::clipboard();
    sheet->copySelection(false);
    QCOMPARE(clipboard->text(), QString("<Zivra_Copy_Items>\n</Zivra_Copy_Items>\n"));

    for (const char *kind : {"PostLogic", "Input", "PreLogic", "PreLogic"})
        bench.paletteDrop(kind, sheet, {20, 600});
    BlockItem *post = bench.at(sheet, ProgramWidget::PostLogicColumn, 0);
    BlockItem *in = bench.at(sheet, ProgramWidget::InputColumn, 0);
    BlockItem *pre = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
    BlockItem *spare = bench.at(sheet, ProgramWidget::PreLogicColumn, 1);
    bench.wire(sheet, in, {150, 100});
    sheet->copySelection(false); // the current block alone: the one pressed last
    QCOMPARE(clipboard->text(), "<Zivra_Copy_Items>\n" + xmlOf(in) + "</Zivra_Copy_Items>\n");

    bench.press(sheet, {300, 700});
    bench.host.controlKeyHeld = true;
    for (BlockItem *block : {post, in, pre})
        bench.press(sheet, block->pos() + QPoint(3, 3));
    bench.host.controlKeyHeld = false;
    // Copy from an unselected block's menu copies the selection, by column.
    trigger(spare, "&Copy");
    const QString expected = "<Zivra_Copy_Items>\n"
                             "    <entry term=\"Input\">\n"
                             "        <id>0</id>\n"
                             "        <name>IN-CH0</name>\n"
                             "        <userName>IN-CH0</userName>\n"
                             "    </entry>\n" +
                             xmlOf(pre) + xmlOf(post) + "</Zivra_Copy_Items>\n";
    QCOMPARE(clipboard->text(), expected);
    QVERIFY(xmlOf(pre).contains("<net port=\"0\">IN-CH0</net>"));

    const int snapshots = bench.host.snapshots;
    trigger(spare, "Cu&t");
    QCOMPARE(clipboard->text(), expected);
    QCOMPARE(bench.data->preLogicBlocks.size(), 1);
    QVERIFY(bench.data->inputBlocks.isEmpty() && bench.data->postLogicBlocks.isEmpty());
    QCOMPARE(bench.host.snapshots, snapshots + 1);
}

void TestSheetServices::placementTable_data()
{
    QTest::addColumn<QStringList>("row");
    // clang-format off
    // Actions: E for Edit, R for Rename (Cut, Copy and Delete always).
    const char *const rows[] = {
        // kind     name       x    y    actions
        "Input      IN-CH0     0    104  ER",
        "PreLogic   PreLgc0    142  90   ER",
        "PostLogic  PstLgc0    425  90   ER",
        "PreLabel   Label0     284  106  R",
        "Label      Label0     425  106  R",
        "CntFnc     CntFnc0    284  104  ER",
        "DlyFnc     DlyFnc0    284  104  ER",
        "NonFnc     NonFnc0    284  116  -",
        "PreLabel3  Label3     142  106  -",
        "Label3     Label3     284  106  -",
        "MsrCnt1    MsrCnt1    567  104  ER",
        "OUT-CH2    OUT-CH2    567  106  ER",
        "FeedBack   FeedBack0  567  106  R",
        "FeedBack4  FeedBack4  142  106  -",
    };
    // clang-format on
    for (const char *row : rows) {
        const QStringList fields = QString(row).split(' ', Qt::SkipEmptyParts);
        QTest::newRow(qPrintable(fields[0])) << fields;
    }
}

void TestSheetServices::placementTable()
{
    QFETCH(QStringList, row);
    const QString kind = row[0], name = row[1];
    const QPoint pos(row[2].toInt(), row[3].toInt());
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    // Where a restored block goes depends on its kind word only.
    BlockItem *block = bench.data->createPreLogic(0, 0, name);
    block->setKind(kind);
    block->params() = "_A";
    sheet->placeLoadedItem(kind, block);

    QCOMPARE(block->pos(), pos);
    QCOMPARE(block->owner()->pos(), pos);
    QCOMPARE(block->owner()->contextMenuPolicy(), Qt::ActionsContextMenu);
    QString actions;
    for (QAction *action : block->owner()->actions())
        actions += action->text() == "&Edit" ? "E" : action->text() == "&Rename" ? "R" : "";
    QCOMPARE(actions, row[4] == "-" ? QString() : row[4]);
    QCOMPARE(block->owner()->actions().size(), 3 + actions.size());
    // A pasted block of the kind is given a row of the same column.
    QString next = name;
    QCOMPARE(sheet->freeRowForItem(kind, next, {}), 1);
}

void TestSheetServices::restoredPicturesAndNames()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    ProgramData *data = bench.data;
    auto place = [&](BlockItem *block, const QString &kind, const QString &settings) {
        block->setKind(kind);
        block->params() = settings;
        sheet->placeLoadedItem(kind, block);
        return block;
    };
    BlockItem *mode9 = place(data->createFunction(0, 0, "CntFnc0"), "CntFnc", "Mode=9 MainCnt=1");
    QCOMPARE(mode9->basePixmap().toImage(), QPixmap(":/images/Function0.png").toImage());
    BlockItem *bold = place(data->createPreLogic(0, 0, "PreLgc0"), "PreLogic", "");
    QCOMPARE(bold->pixmap().toImage(),
             captionedPixmap(bold->basePixmap(), "PreLgc0", true).toImage());
    // A second entry claiming row 0 takes a free row rather than hide the first.
    BlockItem *logic = place(data->createPreLogic(0, 0, "PreLgc1"), "PreLogic", "_A");
    QCOMPARE(logic->pos(), QPoint(142, 158));
    QCOMPARE(sheet->columnItems(ProgramWidget::PreLogicColumn).keys(), QList<int>({0, 1}));

    QString name = "OUT-CH5";
    QCOMPARE(sheet->freeRowForItem("OUT-CH5", name, {}), 0);
    QVERIFY(name.isNull()); // the container numbers the channel
    name = "PreLgc0";
    QCOMPARE(sheet->freeRowForItem("PreLogic", name, {"PreLgc2"}), 2);
    QCOMPARE(name, QString("PreLgc3"));
    name = "FeedBack0";
    sheet->freeRowForItem("FeedBack0", name, {});
    QCOMPARE(name, QString("FeedBack0")); // a label user keeps its label's name
    QCOMPARE(sheet->freeRowForItem("Bogus", name, {}), -1);

    // Inputs for the document reader, while a channel is left.
    for (int i = 0; i < 10; ++i) {
        name.clear();
        QVERIFY(sheet->addInputItem(name));
    }
    QCOMPARE(name, QString("Input"));
    name.clear();
    QVERIFY(!sheet->addInputItem(name));
}

void TestSheetServices::settingsViewsAndSnapshots()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"CntFnc", "MsrCnt", "OUT-CH", "Input"})
        bench.paletteDrop(kind, sheet, {20, 600});
    BlockItem *cnt = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
    BlockItem *msr = bench.at(sheet, ProgramWidget::OutputColumn, 0);
    BlockItem *out = bench.at(sheet, ProgramWidget::OutputColumn, 1);
    BlockItem *in = bench.at(sheet, ProgramWidget::InputColumn, 0);
    const int snapshots = bench.host.snapshots;

    // Every call is an edit, even without a block.
    sheet->updateItemView(nullptr, QString());
    QCOMPARE(bench.host.snapshots, snapshots + 1);
    cnt->params() = "Mode=9";
    sheet->updateItemView(cnt, QString());
    QCOMPARE(cnt->basePixmap().toImage(), QPixmap(":/images/Function0.png").toImage());
    QCOMPARE(cnt->owner()->pixmap(Qt::ReturnByValue).toImage(), cnt->pixmap().toImage());
    msr->params() = "Mode=5 FileSave=false PATH=";
    sheet->updateItemView(msr, QString());
    QCOMPARE(msr->basePixmap().toImage(), QPixmap(":/images/MsrCnt.png").toImage());
    sheet->updateItemView(out, "OUT-CH6");
    QVERIFY(out->kind() == "OUT-CH6" && out->name() == "OUT-CH6");
    sheet->updateItemView(in, "IN-CH4");
    QCOMPARE(in->name(), QString("IN-CH4"));
    QCOMPARE(bench.host.calls, QStringList("setInputName(IN-CH0,IN-CH4)"));
    QCOMPARE(bench.host.snapshots, snapshots + 5);
}

void TestSheetServices::editDispatch()
{
    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    for (const char *kind : {"PreLogic", "CntFnc", "NonFnc", "OUT-CH"})
        bench.paletteDrop(kind, sheet, {20, 600});
    QVector<ModalHooks::SettingsRequest> opened;
    ModalHooks::setSettingsRunner(
        [&opened](const ModalHooks::SettingsRequest &request) { opened.append(request); });
    auto near = [sheet](int x, int y) {
        QPoint p = sheet->mapToGlobal(QPoint(x, y));
        return QPoint(qMax(p.x(), 20), qMax(p.y(), 50));
    };

    QTest::mouseDClick(sheet, Qt::LeftButton, {}, {300, 158}); // a NonFnc block opens nothing
    QVERIFY(opened.isEmpty());
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, {300, 110});
    trigger(bench.at(sheet, ProgramWidget::PreLogicColumn, 0), "&Edit");
    trigger(bench.at(sheet, ProgramWidget::OutputColumn, 0), "&Edit");
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());

    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0].dialog, ModalHooks::CntFncDialog);
    QCOMPARE(opened[0].block, bench.at(sheet, ProgramWidget::FunctionColumn, 0));
    QCOMPARE(opened[0].title, QString("CntFnc0"));
    QCOMPARE(opened[0].geometry.topLeft(), near(184, 104));
    QCOMPARE(opened[1].dialog, ModalHooks::LogicDialog);
    QCOMPARE(opened[1].geometry, QRect(near(0, 200), QSize(800, 330)));
    QCOMPARE(opened[2].dialog, ModalHooks::InputDialog);
    QCOMPARE(opened[2].title, QString("OUT-CH"));
    QCOMPARE(opened[2].geometry.topLeft(), near(467, 106));
}

QTEST_MAIN(TestSheetServices)
#include "tst_sheetservices.moc"
