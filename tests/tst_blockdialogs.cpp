#include "blockitem.h"
#include "editlogicdialog.h"
#include "memorymodule.h"
#include "msrcntconfig.h"
#include "programdata.h"
#include "programwidget.h"
#include "scriptedanswers.h"
#include "settingsdialogs.h"
#include "sheetbench.h"
#include "tablerow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// A delay block, a measurement counter and a logic block on a real sheet; the dialogs are
// opened as the Edit action opens them, and shown.
struct DialogBench {
    DialogBench()
    {
        for (const char *kind : {"DlyFnc", "MsrCnt", "PreLogic", "PostLogic"})
            bench.paletteDrop(kind, sheet, {20, 600});
        delay = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
        counter = bench.at(sheet, ProgramWidget::OutputColumn, 0);
        snapshots = bench.host.snapshots;
    }
    ~DialogBench() { delete dialog; }

    void open(ModalHooks::SettingsDialog kind, BlockItem *block, const QString &settings)
    {
        block->params() = settings;
        delete dialog;
        dialog = SettingsDialogs::create({kind, sheet, block, QRect(30, 70, 0, 0), "Title"});
        dialog->show();
    }
    void openDelay(const QString &settings) { open(ModalHooks::DlyFncDialog, delay, settings); }
    void openCounter(const QString &settings) { open(ModalHooks::MsrCntDialog, counter, settings); }

    template <class T> T *child(const char *name) const
    {
        T *found = dialog->findChild<T *>(name);
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QLineEdit *field() const
    {
        return child<QLineEdit>(dialog->inherits("EditDlyFncDialog") ? "delayEdit" : "lineEdit");
    }
    void pressOk() const
    {
        child<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok)->click();
    }
    int newSnapshots() const { return bench.host.snapshots - snapshots; }

    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    BlockItem *delay, *counter;
    QPointer<QWidget> dialog;
    int snapshots;
};

const QString rangeWarning =
    "Invalid Setting|Please set a delay time between 0 and 32.767us (step: 1ns)";

// Unit and typed text empty: as opened; stored empty: refused.
struct DelayCase {
    QString settings, unit, typed, stored, warning, field;
};

// Mode stored on OK, unchanged; -1: OK not pressed. Icon empty: as dropped.
struct CounterCase {
    QString settings, unit, path, icon;
    int gate, source, mode;
    bool fileSave;
};

// The answer to the question whether to create the folder.
struct FolderCase {
    QString folder, warning;
    int answer;
    bool stored, created;
};

// Cap: the lowest top on the sheet; 0: the logic window's place.
struct OpenCase {
    QString window, title;
    int column, cap;
    bool byEdit;      // else by a double click
    int rowsDown = 0; // the block first moved down so many rows
};

} // namespace

Q_DECLARE_METATYPE(DelayCase)
Q_DECLARE_METATYPE(CounterCase)
Q_DECLARE_METATYPE(FolderCase)
Q_DECLARE_METATYPE(OpenCase)

class TestBlockDialogs : public QObject
{
    Q_OBJECT

private slots:
    void delay_data();
    void delay();
    void counterModes_data();
    void counterModes();
    void counterLogFolder_data();
    void counterLogFolder();
    void counterFolderChooser();
    void counterRename_data();
    void counterRename();
    void editOpens_data();
    void editOpens();
};

void TestBlockDialogs::delay_data()
{
    const Table<DelayCase> add("c");
    const QString none, range = rangeWarning;
    add("new block", {"", "", "", "Delay=0ns", none, "0"});
    add("stored in us", {"Delay=1.5us", "", "", "Delay=1.5us", none, "1.5"});
    add("stored in ns", {"Delay=100ns", "", "", "Delay=100ns", none, "100"});
    add("no unit", {"Delay=100", "", "", "Delay=100ns", none, "100"});
    add("fraction without unit", {"Delay=12.5", "", "", "Delay=0ns", none, "0"});
    add("other settings", {"Mode=3", "", "", "Delay=0ns", none, "0"});
    add("unit switched", {"Delay=1.5us", "ns", "", "Delay=1500ns", none, "1500"});
    add("0 us", {"Delay=7ns", "us", "0", "Delay=0us", none, "0"});
    add("1 ns in us", {"Delay=7ns", "us", "0.001", "Delay=0.001us", none, "0.001"});
    add("limit in us", {"Delay=7ns", "us", "32.767", "Delay=32.767us", none, "32.767"});
    add("limit in ns", {"Delay=7ns", "ns", "32767", "Delay=32767ns", none, "32767"});
    add("step above in us", {"Delay=7ns", "us", "32.768", none, range, "32.767"});
    add("step above in ns", {"Delay=7ns", "ns", "32768", none, range, "32767"});
    add("fraction above", {"Delay=7ns", "ns", "32767.4", none, range, "32767"});
    add("negative", {"Delay=7ns", "us", "-1", none, range, "0"});
    add("nan", {"Delay=7ns", "ns", "nan", none, range, "nan"});
    add("infinity", {"Delay=7ns", "us", "inf", none, range, "inf"});
    add("exact thousandths", {"Delay=7ns", "us", "1.001", "Delay=1.001us", none, "1.001"});
    add("trailing zero", {"Delay=7ns", "us", "1.50", "Delay=1.5us", none, "1.50"});
    add("below a ns",
        {"Delay=7ns", "us", "1.0004", none,
         "Invalid Setting|Because it is necessary to set Delay time by a unit for 1ns,\n"
         " \"1.0004\" is rounded off and becomes \"1\"",
         "1"});
}

void TestBlockDialogs::delay()
{
    QFETCH(DelayCase, c);
    DialogBench bench;
    bench.openDelay(c.settings);
    if (!c.unit.isEmpty())
        bench.child<QComboBox>("unitComboBox")->setCurrentText(c.unit);
    if (!c.typed.isEmpty())
        bench.field()->setText(c.typed);
    bench.pressOk();

    QCOMPARE(bench.bench.warnings, c.warning.isEmpty() ? QStringList() : QStringList(c.warning));
    QCOMPARE(bench.delay->params(), c.stored.isEmpty() ? c.settings : c.stored);
    QCOMPARE(bench.field()->text(), c.field);
    QCOMPARE(bench.newSnapshots(), c.stored.isEmpty() || c.stored == c.settings ? 0 : 1);
    QCOMPARE(bench.dialog->isVisible(), c.stored.isEmpty());
    if (c.warning.contains("rounded off")) {
        bench.pressOk(); // the rounded value, confirmed
        QCOMPARE(bench.delay->params(), QString("Delay=1us"));
    }
}

void TestBlockDialogs::counterModes_data()
{
    const Table<CounterCase> add("c");
    add("new block", {"", "nsec", "log", "MsrCnt3", 0, 0, 0, false});
    add("gate only", {"Mode=1 FileSave=0", "nsec", "log", "MsrCnt1", 1, 0, 1, false});
    add("source only",
        {"Mode=8 Unit=usec FileSave=0 PATH=out", "usec", "out", "MsrCnt2", 0, 2, 8, false});
    add("both, unchanged",
        {"Mode=13 Unit=msec FileSave=false PATH=out", "msec", "out", "", 1, 3, 13, false});
    add("largest", {"Mode=15 Unit=sec FileSave=0 PATH=a", "sec", "a", "MsrCnt", 3, 3, 15, false});
    add("mode beyond the lists",
        {"Mode=99 Unit=sec FileSave=0 PATH=a", "sec", "a", "MsrCnt3", 0, 0, 0, false});
    add("negative mode", {"Mode=-1 FileSave=0", "nsec", "log", "MsrCnt3", 0, 0, 0, false});
    add("low byte mode 8", {"Mode=264 FileSave=0", "nsec", "log", "MsrCnt3", 0, 0, 0, false});
    add("mode 16", {"Mode=16 Unit=usec FileSave=0", "usec", "log", "MsrCnt3", 0, 0, 0, false});
    add("unit in the file flag", {"Mode=2 FileSave=usec PATH=", "usec", "log", "", 2, 0, -1, true});
    add("no file flag", {"Mode=4", "nsec", "log", "", 0, 1, -1, true});
    add("folder with blanks",
        {"Mode=8 Unit=usec FileSave=0 PATH=my  logs ", "usec", "my  logs ", "", 0, 2, 8, false});
}

void TestBlockDialogs::counterModes()
{
    QFETCH(CounterCase, c);
    DialogBench bench;
    bench.openCounter(c.settings);
    QCOMPARE(bench.child<QComboBox>("m_areaComboBox")->currentIndex(), c.gate);
    QCOMPARE(bench.child<QComboBox>("m_enbComboBox")->currentIndex(), c.source);
    // The module and the counter window read the mode the dialog shows.
    MemoryModule module;
    bench.bench.data->download(&module);
    QCOMPARE(int(module.read(0x0060, 1).at(0)), c.gate + 4 * c.source);
    MsrCntConfig config;
    readMsrCntAttributes(bench.bench.data, config.mode, config.path, config.name, config.unit);
    QCOMPARE(config.mode[0], c.gate + 4 * c.source);
    QString checked;
    for (QRadioButton *button : bench.dialog->findChildren<QRadioButton *>()) {
        if (button->isChecked())
            checked += button->text().remove('&');
        QCOMPARE(button->isEnabled(), c.source < 2); // event counts have no unit
    }
    QCOMPARE(checked, c.unit);
    QCOMPARE(bench.child<QGroupBox>("groupBox")->isChecked(), c.fileSave);
    QCOMPARE(bench.field()->text(), c.path);
    if (c.mode < 0)
        return;
    bench.pressOk();
    const QString stored =
        QString("Mode=%1 Unit=%2 FileSave=false PATH=%3").arg(c.mode).arg(c.unit, c.path);
    QCOMPARE(bench.counter->params(), stored);
    if (!c.icon.isEmpty())
        QCOMPARE(bench.counter->basePixmap().toImage(),
                 QPixmap(":/images/" + c.icon + ".png").toImage());
    QCOMPARE(bench.newSnapshots(), stored == c.settings ? 0 : 1);
    QVERIFY(!bench.dialog->isVisible());
}

void TestBlockDialogs::counterLogFolder_data()
{
    const Table<FolderCase> add("c");
    add("existing", {".", "", 0, true, true});
    add("create", {"new", "", QMessageBox::Yes, true, true});
    add("store without", {"new", "", QMessageBox::No, true, false});
    add("cancel", {"new", "", QMessageBox::Cancel, false, false});
    add("cannot create",
        {"a/b", "QDir::mkdir()|%1: cannot create", QMessageBox::Yes, false, false});
    add("empty", {"", "|Please set PATH.", 0, false, false});
}

void TestBlockDialogs::counterLogFolder()
{
    QFETCH(FolderCase, c);
    QTemporaryDir base;
    const QString path = c.folder.isEmpty() ? c.folder : base.path() + "/" + c.folder;
    DialogBench bench;
    ScriptedAnswers answers;
    if (c.answer)
        answers.buttons.enqueue(QMessageBox::StandardButton(c.answer));
    bench.openCounter("Mode=0");
    bench.child<QGroupBox>("groupBox")->setChecked(true);
    bench.field()->setText(path);
    bench.pressOk();

    const QString question = "|" + path + ": The named directory does not exist, create it?";
    const QString warning =
        c.warning.isEmpty() ? QString()
                            : QString(c.warning).replace("%1", QFileInfo(path).absoluteFilePath());
    QCOMPARE(answers.questions, c.answer ? QStringList(question) : QStringList());
    QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
    QCOMPARE(bench.counter->params(),
             c.stored ? "Mode=0 Unit=nsec FileSave=true PATH=" + path : QString("Mode=0"));
    QCOMPARE(QDir(path).exists() && !path.isEmpty(), c.created);
    QCOMPARE(bench.dialog->isVisible(), !c.stored);
}

void TestBlockDialogs::counterFolderChooser()
{
    DialogBench bench;
    ScriptedAnswers answers;
    answers.files << QDir::current().absoluteFilePath("logs/run1") << "";
    bench.openCounter("");
    bench.child<QGroupBox>("groupBox")->setChecked(true);
    for (int i = 0; i < 2; ++i) { // the second is cancelled: unchanged
        bench.child<QToolButton>("toolButton")->click();
        QCOMPARE(bench.field()->text(), QDir::toNativeSeparators("logs/run1")); // relative
    }
    QCOMPARE(answers.fileDialogs, QStringList({"Open Directory", "Open Directory"}));
}

void TestBlockDialogs::counterRename_data()
{
    QTest::addColumn<QString>("userName"); // empty: none of the user's own
    row("named after the counter", QString());
    row("named by the user", QString("Beam"));
}

void TestBlockDialogs::counterRename()
{
    QFETCH(QString, userName);
    DialogBench bench;
    for (int i = 0; i < 2; ++i)
        bench.bench.paletteDrop("MsrCnt", bench.sheet, {20, 600});
    BlockItem *second = bench.bench.at(bench.sheet, ProgramWidget::OutputColumn, 2);
    QCOMPARE(second->name(), QString("MsrCnt2"));
    if (!userName.isEmpty())
        second->setUserName(userName);
    bench.sheet->deleteItem(bench.bench.at(bench.sheet, ProgramWidget::OutputColumn, 1));
    bench.snapshots = bench.bench.host.snapshots;
    bench.open(ModalHooks::MsrCntDialog, second, "");
    auto *names = bench.child<QComboBox>("m_counterComboBox");
    QStringList offered;
    for (int i = 0; i < names->count(); ++i)
        offered << names->itemText(i);
    QCOMPARE(offered, (QStringList{"MsrCnt2", "MsrCnt1", "MsrCnt3"}));
    names->setCurrentText("MsrCnt3");
    bench.pressOk();
    QCOMPARE(second->name(), QString("MsrCnt3"));
    QCOMPARE(second->kind(), QString("MsrCnt3"));
    QCOMPARE(second->displayName(), userName.isEmpty() ? QString("MsrCnt3") : userName);
    QCOMPARE(bench.newSnapshots(), 1);
}

void TestBlockDialogs::editOpens_data()
{
    const Table<OpenCase> add("c");
    add("delay by Edit", {"EditDlyFncDialog", "DlyFnc0", ProgramWidget::FunctionColumn, 400, true});
    add("delay low on the sheet",
        {"EditDlyFncDialog", "DlyFnc0", ProgramWidget::FunctionColumn, 400, true, 9});
    add("counter by double click",
        {"EditMsrCntDialog", "MsrCnt0", ProgramWidget::OutputColumn, 300, false});
    add("counter low on the sheet",
        {"EditMsrCntDialog", "MsrCnt0", ProgramWidget::OutputColumn, 300, true, 6});
    add("logic by Edit", {"QScrollArea", "PreLgc0", ProgramWidget::PreLogicColumn, 0, true});
    add("PostLogic by double click",
        {"QScrollArea", "PstLgc0", ProgramWidget::PostLogicColumn, 0, false});
}

void TestBlockDialogs::editOpens()
{
    QFETCH(OpenCase, c);
    DialogBench bench;
    BlockItem *block = bench.bench.at(bench.sheet, c.column, 0);
    for (int i = 0; i < c.rowsDown; ++i)
        QVERIFY(bench.sheet->moveItemRows(block, 1, nullptr));
    QVector<QPointer<QWidget>> opened;
    ModalHooks::setSettingsRunner([&opened](const ModalHooks::SettingsRequest &request) {
        opened.append(SettingsDialogs::create(request));
    });
    for (QAction *action : block->owner()->actions()) {
        if (action->text() == "&Edit" && c.byEdit)
            action->trigger();
    }
    if (!c.byEdit)
        QTest::mouseDClick(bench.sheet, Qt::LeftButton, {}, block->pos() + QPoint(5, 5));
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());

    QCOMPARE(opened.size(), 1);
    const QPoint p = bench.sheet->mapToGlobal(
        c.cap ? QPoint(block->pos().x() - 100, qMin(block->pos().y(), c.cap)) : QPoint(0, 200));
    QCOMPARE(QString(opened[0]->metaObject()->className()), c.window);
    QCOMPARE(opened[0]->windowTitle(), c.title);
    QCOMPARE(opened[0]->pos(), QPoint(qMax(p.x(), 20), qMax(p.y(), 50)));
    QVERIFY(!(opened[0]->windowFlags() & Qt::WindowContextHelpButtonHint));
    delete opened[0];
    if (c.cap)
        return;

    // Without a runner the logic window opens for real and does not wait.
    QTest::mouseDClick(bench.sheet, Qt::LeftButton, {}, block->pos() + QPoint(5, 5));
    QScrollArea *shown = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QScrollArea *>(top) && top->isVisible())
            shown = static_cast<QScrollArea *>(top);
    }
    QVERIFY(shown);
    QVERIFY(qobject_cast<EditLogicDialog *>(shown->widget()));
    QCOMPARE(shown->size(), QSize(800, 330));
    QCOMPARE(shown->windowModality(), Qt::ApplicationModal);
    shown->close();
}

QTEST_MAIN(TestBlockDialogs)
#include "tst_blockdialogs.moc"
