#include "blockitem.h"
#include "editdlyfncdialog.h"
#include "editlogicdialog.h"
#include "editmsrcntdialog.h"
#include "programdata.h"
#include "programwidget.h"
#include "scriptedanswers.h"
#include "settingsdialogs.h"
#include "sheetbench.h"

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

// A delay block and a measurement counter on a real sheet; the dialogs are
// opened as the Edit action opens them, and shown.
struct DialogBench {
    DialogBench()
    {
        sheet = bench.sheets.first();
        for (const char *kind : {"DlyFnc", "MsrCnt"})
            bench.paletteDrop(kind, sheet, {20, 600});
        delay = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
        counter = bench.at(sheet, ProgramWidget::OutputColumn, 0);
        snapshots = bench.host.snapshots;
    }

    template <class Dialog> Dialog *open(ModalHooks::SettingsDialog kind, BlockItem *block)
    {
        window = SettingsDialogs::create({kind, sheet, block, QRect(30, 70, 0, 0), "Title"});
        window->show();
        return qobject_cast<Dialog *>(window.data());
    }

    int newSnapshots() const { return bench.host.snapshots - snapshots; }

    SheetBench bench;
    ProgramWidget *sheet;
    BlockItem *delay, *counter;
    QPointer<QWidget> window;
    int snapshots;
};

template <class T> T *child(QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(name);
    if (!found)
        qFatal("no child %s", name);
    return found;
}

void pressOk(QWidget *dialog)
{
    child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
}

void trigger(BlockItem *block, const QString &text)
{
    for (QAction *action : block->owner()->actions()) {
        if (action->text() == text)
            action->trigger();
    }
}

const QString rangeWarning =
    "Invalid Setting|Please set a delay time between 0 and 32.767us (step: 1ns)";

} // namespace

class TestBlockDialogs : public QObject
{
    Q_OBJECT

private slots:
    void delayOpens_data();
    void delayOpens();
    void delayLimits_data();
    void delayLimits();
    void delayUnitSwitch();
    void counterOpens_data();
    void counterOpens();
    void counterModeAndIcon_data();
    void counterModeAndIcon();
    void counterLogFolder_data();
    void counterLogFolder();
    void counterFolderChooser();
    void counterRename();
    void editOpensEachKind();
};

void TestBlockDialogs::delayOpens_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("unit");
    QTest::newRow("new block") << ""
                               << "0"
                               << "ns";
    QTest::newRow("us") << "Delay=1.5us"
                        << "1.5"
                        << "us";
    QTest::newRow("ns") << "Delay=100ns"
                        << "100"
                        << "ns";
    QTest::newRow("no unit") << "Delay=100"
                             << "100"
                             << "ns";
    QTest::newRow("fraction without unit") << "Delay=12.5"
                                           << "0"
                                           << "ns";
    QTest::newRow("other settings") << "Mode=3"
                                    << "0"
                                    << "ns";
}

void TestBlockDialogs::delayOpens()
{
    QFETCH(QString, settings);
    QFETCH(QString, field);
    QFETCH(QString, unit);
    DialogBench bench;
    bench.delay->params() = settings;
    auto *dialog = bench.open<EditDlyFncDialog>(ModalHooks::DlyFncDialog, bench.delay);
    QCOMPARE(child<QLineEdit>(dialog, "delayEdit")->text(), field);
    QCOMPARE(child<QComboBox>(dialog, "unitComboBox")->currentText(), unit);
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    delete dialog;
}

void TestBlockDialogs::delayLimits_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("field");
    const QString none;
    QTest::newRow("0 us") << "us"
                          << "0"
                          << "Delay=0us" << none << "0";
    QTest::newRow("0 ns") << "ns"
                          << "0"
                          << "Delay=0ns" << none << "0";
    QTest::newRow("1 ns in us") << "us"
                                << "0.001"
                                << "Delay=0.001us" << none << "0.001";
    QTest::newRow("1 ns") << "ns"
                          << "1"
                          << "Delay=1ns" << none << "1";
    QTest::newRow("limit in us") << "us"
                                 << "32.767"
                                 << "Delay=32.767us" << none << "32.767";
    QTest::newRow("limit in ns") << "ns"
                                 << "32767"
                                 << "Delay=32767ns" << none << "32767";
    QTest::newRow("step above in us") << "us"
                                      << "32.768" << none << rangeWarning << "32.767";
    QTest::newRow("step above in ns") << "ns"
                                      << "32768" << none << rangeWarning << "32767";
    QTest::newRow("fraction above") << "ns"
                                    << "32767.4" << none << rangeWarning << "32767";
    QTest::newRow("negative") << "us"
                              << "-1" << none << rangeWarning << "0";
    QTest::newRow("not a number") << "us"
                                  << "abc" << none << rangeWarning << "abc";
    QTest::newRow("nan") << "ns"
                         << "nan" << none << rangeWarning << "nan";
    QTest::newRow("infinity") << "us"
                              << "inf" << none << rangeWarning << "inf";
    QTest::newRow("exact thousandths") << "us"
                                       << "1.001"
                                       << "Delay=1.001us" << none << "1.001";
    QTest::newRow("trailing zero") << "us"
                                   << "1.50"
                                   << "Delay=1.5us" << none << "1.50";
    QTest::newRow("below a ns")
        << "us"
        << "1.0004" << none
        << "Invalid Setting|Because it is necessary to set Delay time by a unit for 1ns,\n"
           " \"1.0004\" is rounded off and becomes \"1\""
        << "1";
}

void TestBlockDialogs::delayLimits()
{
    QFETCH(QString, unit);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, warning);
    QFETCH(QString, field);
    DialogBench bench;
    bench.delay->params() = "Delay=7ns";
    auto *dialog = bench.open<EditDlyFncDialog>(ModalHooks::DlyFncDialog, bench.delay);
    child<QComboBox>(dialog, "unitComboBox")->setCurrentText(unit);
    child<QLineEdit>(dialog, "delayEdit")->setText(typed);
    pressOk(dialog);

    QCOMPARE(bench.bench.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
    QCOMPARE(bench.delay->params(), stored.isEmpty() ? QString("Delay=7ns") : stored);
    QCOMPARE(child<QLineEdit>(dialog, "delayEdit")->text(), field);
    QCOMPARE(bench.newSnapshots(), stored.isEmpty() ? 0 : 1);
    QCOMPARE(dialog->isVisible(), stored.isEmpty());
    if (warning.startsWith("Invalid Setting|Because")) {
        pressOk(dialog); // the rounded value, confirmed
        QCOMPARE(bench.delay->params(), QString("Delay=1us"));
    }
    delete dialog;
}

void TestBlockDialogs::delayUnitSwitch()
{
    DialogBench bench;
    bench.delay->params() = "Delay=1.5us";
    auto *dialog = bench.open<EditDlyFncDialog>(ModalHooks::DlyFncDialog, bench.delay);
    auto *units = child<QComboBox>(dialog, "unitComboBox");
    units->setCurrentText("ns");
    QCOMPARE(child<QLineEdit>(dialog, "delayEdit")->text(), QString("1500"));
    units->setCurrentText("us");
    QCOMPARE(child<QLineEdit>(dialog, "delayEdit")->text(), QString("1.5"));
    pressOk(dialog); // the value already stored: no undo step
    QCOMPARE(bench.newSnapshots(), 0);
    QVERIFY(!dialog->isVisible());
    delete dialog;
}

void TestBlockDialogs::counterOpens_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("gate");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("fileSave");
    QTest::addColumn<QString>("path");
    QTest::newRow("new block") << "" << 0 << 0 << "&nsec" << false << "log";
    QTest::newRow("counting mode")
        << "Mode=13 Unit=msec FileSave=false PATH=out" << 1 << 3 << "&msec" << false << "out";
    QTest::newRow("unit in the file flag")
        << "Mode=2 FileSave=usec PATH=" << 2 << 0 << "&usec" << true << "log";
    QTest::newRow("no file flag") << "Mode=4" << 0 << 1 << "&nsec" << true << "log";
    QTest::newRow("mode beyond the lists")
        << "Mode=99 Unit=sec FileSave=1 PATH=a" << 0 << 0 << "&sec" << true << "a";
    QTest::newRow("negative mode") << "Mode=-1 FileSave=0" << 0 << 0 << "&nsec" << false << "log";
}

void TestBlockDialogs::counterOpens()
{
    QFETCH(QString, settings);
    QFETCH(int, gate);
    QFETCH(int, source);
    QFETCH(QString, unit);
    QFETCH(bool, fileSave);
    QFETCH(QString, path);
    DialogBench bench;
    bench.counter->params() = settings;
    auto *dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, bench.counter);
    QCOMPARE(child<QComboBox>(dialog, "m_areaComboBox")->currentIndex(), gate);
    QCOMPARE(child<QComboBox>(dialog, "m_enbComboBox")->currentIndex(), source);
    QString checked;
    for (QRadioButton *button : dialog->findChildren<QRadioButton *>()) {
        if (button->isChecked())
            checked += button->text();
        QCOMPARE(button->isEnabled(), source < 2);
    }
    QCOMPARE(checked, unit);
    QCOMPARE(child<QGroupBox>(dialog, "groupBox")->isChecked(), fileSave);
    QCOMPARE(child<QLineEdit>(dialog, "lineEdit")->text(), path);
    delete dialog;
}

void TestBlockDialogs::counterModeAndIcon_data()
{
    QTest::addColumn<int>("gate");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("icon");
    QTest::newRow("user gate, gate time") << 0 << 0 << "Mode=0 Unit=nsec FileSave=false PATH=log"
                                          << ":/images/MsrCnt3.png";
    QTest::newRow("gate only") << 1 << 0 << "Mode=1 Unit=nsec FileSave=false PATH=log"
                               << ":/images/MsrCnt1.png";
    QTest::newRow("source only") << 0 << 2 << "Mode=8 Unit=nsec FileSave=false PATH=log"
                                 << ":/images/MsrCnt2.png";
    QTest::newRow("both") << 1 << 3 << "Mode=13 Unit=nsec FileSave=false PATH=log"
                          << ":/images/MsrCnt.png";
    QTest::newRow("largest") << 3 << 3 << "Mode=15 Unit=nsec FileSave=false PATH=log"
                             << ":/images/MsrCnt.png";
}

void TestBlockDialogs::counterModeAndIcon()
{
    QFETCH(int, gate);
    QFETCH(int, source);
    QFETCH(QString, stored);
    QFETCH(QString, icon);
    DialogBench bench;
    auto *dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, bench.counter);
    child<QComboBox>(dialog, "m_areaComboBox")->setCurrentIndex(gate);
    child<QComboBox>(dialog, "m_enbComboBox")->setCurrentIndex(source);
    pressOk(dialog);
    QCOMPARE(bench.counter->params(), stored);
    QCOMPARE(bench.counter->basePixmap().toImage(), QPixmap(icon).toImage());
    QCOMPARE(bench.newSnapshots(), 1);
    QVERIFY(!dialog->isVisible());
    delete dialog;

    // Reopened and confirmed unchanged: nothing to record.
    dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, bench.counter);
    pressOk(dialog);
    QCOMPARE(bench.newSnapshots(), 1);
    delete dialog;
}

void TestBlockDialogs::counterLogFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("created");
    QTest::addColumn<QString>("warning");
    QTest::newRow("existing") << "." << 0 << true << true << "";
    QTest::newRow("create") << "new" << int(QMessageBox::Yes) << true << true << "";
    QTest::newRow("store without") << "new" << int(QMessageBox::No) << true << false << "";
    QTest::newRow("cancel") << "new" << int(QMessageBox::Cancel) << false << false << "";
    QTest::newRow("cannot create")
        << "a/b" << int(QMessageBox::Yes) << false << false << "QDir::mkdir()|%1: cannot create";
    QTest::newRow("empty") << "" << 0 << false << false << "|Please set PATH.";
}

void TestBlockDialogs::counterLogFolder()
{
    QFETCH(QString, folder);
    QFETCH(int, answer);
    QFETCH(bool, stored);
    QFETCH(bool, created);
    QFETCH(QString, warning);
    QTemporaryDir base;
    const QString path = folder.isEmpty() ? folder : base.path() + "/" + folder;
    DialogBench bench;
    ScriptedAnswers answers;
    if (answer)
        answers.buttons.enqueue(QMessageBox::StandardButton(answer));
    auto *dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, bench.counter);
    child<QGroupBox>(dialog, "groupBox")->setChecked(true);
    child<QLineEdit>(dialog, "lineEdit")->setText(path);
    pressOk(dialog);

    QCOMPARE(answers.questions, answer ? QStringList("|" + path +
                                                     ": The named directory does "
                                                     "not exist, create it?")
                                       : QStringList());
    QCOMPARE(answers.warnings, warning.isEmpty()
                                   ? QStringList()
                                   : QStringList(warning.arg(QFileInfo(path).absoluteFilePath())));
    QCOMPARE(bench.counter->params(),
             stored ? "Mode=0 Unit=nsec FileSave=true PATH=" + path : QString());
    QCOMPARE(QDir(path).exists() && !path.isEmpty(), created);
    QCOMPARE(dialog->isVisible(), !stored);
    delete dialog;
}

void TestBlockDialogs::counterFolderChooser()
{
    DialogBench bench;
    ScriptedAnswers answers;
    answers.files << QDir::current().absoluteFilePath("logs/run1") << "";
    auto *dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, bench.counter);
    auto *path = child<QLineEdit>(dialog, "lineEdit");
    child<QGroupBox>(dialog, "groupBox")->setChecked(true);
    child<QToolButton>(dialog, "toolButton")->click();
    QCOMPARE(path->text(), QDir::toNativeSeparators("logs/run1")); // relative to the work folder
    child<QToolButton>(dialog, "toolButton")->click();             // cancelled: unchanged
    QCOMPARE(path->text(), QDir::toNativeSeparators("logs/run1"));
    QCOMPARE(answers.fileDialogs, QStringList({"Open Directory", "Open Directory"}));
    delete dialog;
}

void TestBlockDialogs::counterRename()
{
    DialogBench bench;
    for (int i = 0; i < 2; ++i)
        bench.bench.paletteDrop("MsrCnt", bench.sheet, {20, 600});
    BlockItem *named = bench.bench.at(bench.sheet, ProgramWidget::OutputColumn, 1);
    BlockItem *second = bench.bench.at(bench.sheet, ProgramWidget::OutputColumn, 2);
    QCOMPARE(second->name(), QString("MsrCnt2"));
    bench.sheet->deleteItem(named); // leaves MsrCnt0 and MsrCnt2
    bench.snapshots = bench.bench.host.snapshots;
    auto *dialog = bench.open<EditMsrCntDialog>(ModalHooks::MsrCntDialog, second);
    auto *names = child<QComboBox>(dialog, "m_counterComboBox");
    QStringList offered;
    for (int i = 0; i < names->count(); ++i)
        offered << names->itemText(i);
    QCOMPARE(offered, (QStringList{"MsrCnt2", "MsrCnt1", "MsrCnt3"}));
    names->setCurrentText("MsrCnt3");
    pressOk(dialog);
    QCOMPARE(second->name(), QString("MsrCnt3"));
    QCOMPARE(second->kind(), QString("MsrCnt3"));
    QCOMPARE(second->displayName(), QString("MsrCnt3"));
    QCOMPARE(bench.newSnapshots(), 1);
    delete dialog;
}

void TestBlockDialogs::editOpensEachKind()
{
    DialogBench bench;
    bench.bench.paletteDrop("PreLogic", bench.sheet, {20, 600});
    BlockItem *logic = bench.bench.at(bench.sheet, ProgramWidget::PreLogicColumn, 0);
    QVector<QPointer<QWidget>> opened;
    ModalHooks::setSettingsRunner([&opened](const ModalHooks::SettingsRequest &request) {
        opened.append(SettingsDialogs::create(request));
    });
    trigger(bench.delay, "&Edit");
    QTest::mouseDClick(bench.sheet, Qt::LeftButton, {}, bench.counter->pos() + QPoint(5, 5));
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());

    QCOMPARE(opened.size(), 2);
    auto at = [&bench](BlockItem *block, int cap) {
        const QPoint p =
            bench.sheet->mapToGlobal(QPoint(block->pos().x() - 100, qMin(block->pos().y(), cap)));
        return QPoint(qMax(p.x(), 20), qMax(p.y(), 50));
    };
    QVERIFY(qobject_cast<EditDlyFncDialog *>(opened[0]));
    QCOMPARE(opened[0]->windowTitle(), QString("DlyFnc0"));
    QCOMPARE(opened[0]->pos(), at(bench.delay, 400));
    QVERIFY(qobject_cast<EditMsrCntDialog *>(opened[1]));
    QCOMPARE(opened[1]->windowTitle(), QString("MsrCnt0"));
    QCOMPARE(opened[1]->pos(), at(bench.counter, 300));
    qDeleteAll(opened);

    // Without a runner the logic window opens for real and does not wait.
    QTest::mouseDClick(bench.sheet, Qt::LeftButton, {}, logic->pos() + QPoint(5, 5));
    QScrollArea *window = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QScrollArea *>(top) && top->isVisible())
            window = static_cast<QScrollArea *>(top);
    }
    QVERIFY(window);
    QVERIFY(qobject_cast<EditLogicDialog *>(window->widget()));
    QCOMPARE(window->windowTitle(), logic->displayName());
    QCOMPARE(window->size(), QSize(800, 330));
    QCOMPARE(window->windowModality(), Qt::ApplicationModal);
    window->close();
}

QTEST_MAIN(TestBlockDialogs)
#include "tst_blockdialogs.moc"
