#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "requestlogentry.h"
#include "romfat.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

const quint32 BootPageRegister = 0xFFFFFC3Eu;
const quint32 WriteEnableRegister = 0xFFFFFCFFu;
const QString NotDownloaded = QStringLiteral("|The displayed data have not been yet downloaded.");
const QString CannotBeSaved = QStringLiteral("|The GUI information cannot be saved.");

template <typename T> T *child(QDialog *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

// Presses OK of a page dialog after choosing the page (and, for a save, the comment).
std::function<int(QDialog *)> pageChoice(int page, const QString &comment = QString())
{
    return [page, comment](QDialog *dialog) {
        child<QComboBox>(dialog, "comboBox")->setCurrentIndex(page);
        if (!comment.isNull())
            child<QLineEdit>(dialog, "lineEdit")->setText(comment);
        child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
        return dialog->result();
    };
}

QByteArray directoryEntry(const QByteArray &comment)
{
    return comment + QByteArray(112 - comment.size(), '\0');
}

} // namespace

// ROM pages, Sync, Clear ROM and the network setup from the main window, against the module
// emulator on 127.0.0.1, every question and dialog answered by script.
class TestRomWindow : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void init();
    void cleanup();
    void saveAndRestoreRoundTrip();
    void restoreNames_data();
    void restoreNames();
    void restoreOfAnEmptyPage();
    void failedRestoreLeavesTheEditor_data();
    void failedRestoreLeavesTheEditor();
    void untrustedPages_data();
    void untrustedPages();
    void bootPageOnly();
    void cancelStopsThePageCommandOnly();
    void memoryFull();
    void refusals_data();
    void refusals();
    void syncOfAChangedModule();
    void syncLoadsThePage();
    void clearRom();
    void networkSetup();

private:
    std::unique_ptr<MainWindow> window();
    void trigger(MainWindow *w, const char *action);
    // A file stored on page p as the editor stores it, with its comment.
    void presetPage(int page, const QByteArray &file, const QByteArray &comment);
    QByteArray pageFile(int page) const;

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<ScriptedAnswers> answers;
    QByteArray design;
};

void TestRomWindow::init()
{
    emulator.reset(new ModuleEmulator);
    QVERIFY(emulator->start());
    emulator->setBusyPolls(1, 0);
    answers.reset(new ScriptedAnswers);
    design = dataFile("every_kind.zvr3");
    QVERIFY(design.size() > 4096); // a file of two clusters
}

void TestRomWindow::cleanup()
{
    answers.reset();
    emulator.reset();
}

std::unique_ptr<MainWindow> TestRomWindow::window()
{
    ConnectionSettings startup;
    startup.host = QStringLiteral("127.0.0.1");
    startup.udpPort = emulator->udpPort();
    startup.autoConnect = false;
    return std::make_unique<MainWindow>(QString(), &startup);
}

void TestRomWindow::trigger(MainWindow *w, const char *action)
{
    QVERIFY2(w->action(action)->isEnabled(), action);
    w->action(action)->trigger();
    QVERIFY(QTest::qWaitFor([w]() { return !w->isModuleBusy(); }, 60000));
    QVERIFY2(answers->unexpected == 0,
             qPrintable(answers->questions.join('\n') + answers->modals.join(',')));
}

void TestRomWindow::presetPage(int page, const QByteArray &file, const QByteArray &comment)
{
    QVERIFY(file.size() <= 4096);
    emulator->setCluster(page, file);
    emulator->setFatEntry(page, quint16(0x8000 | (file.size() - 1)));
    emulator->poke(0x0100 + quint32(page) * 112, directoryEntry(comment));
}

QByteArray TestRomWindow::pageFile(int page) const
{
    QByteArray fat;
    for (int n = 0; n < 2048; ++n) {
        const quint16 e = emulator->fatEntry(n);
        fat.append(char(e >> 8));
        fat.append(char(e & 0xFF));
    }
    QByteArray file;
    for (const RomFat::Link &link : RomFat::chain(fat, page))
        file += emulator->cluster(link.cluster).left(link.size);
    return file;
}

void TestRomWindow::saveAndRestoreRoundTrip()
{
    auto a = window();
    QByteArray doc = design;
    QVERIFY(a->loadDiagram(doc, QStringLiteral("/designs/every_kind.zvr3"), false));
    const QByteArray shown = a->documentText();

    // Not downloaded yet: both questions, then the page dialog.
    answers->buttons << QMessageBox::Yes << QMessageBox::Yes;
    answers->dialogs << pageChoice(3, QString::fromUtf8("Messung ä"));
    trigger(a.get(), "action_Save");
    QCOMPARE(answers->questions, (QStringList{NotDownloaded, CannotBeSaved}));
    QCOMPARE(answers->modals, QStringList{"RomDialog"});
    QVERIFY2(answers->warnings.isEmpty(), qPrintable(answers->warnings.join('\n')));
    QCOMPARE(pageFile(3), shown);
    QCOMPARE(emulator->romDirectory().mid(3 * 112, 112), directoryEntry("Messung \xc3\xa4"));
    QCOMPARE(emulator->pageState(), quint8(3));
    QVERIFY(!a->progress()->isVisible());

    auto b = window();
    answers->questions.clear();
    QString offered;
    answers->dialogs << [&offered](QDialog *dialog) {
        offered = child<QComboBox>(dialog, "comboBox")->itemText(3);
        return pageChoice(3)(dialog);
    };
    trigger(b.get(), "action_Restore");
    QCOMPARE(offered, QString::fromUtf8("3: Messung ä"));
    QVERIFY2(answers->warnings.isEmpty(), qPrintable(answers->warnings.join('\n')));
    QCOMPARE(b->documentText(), shown);
    QCOMPARE(b->baseDocumentBytes(), shown);
    QCOMPARE(b->windowTitle(), QString::fromUtf8("ROM3-Messung ä[*] - Zivra"));
    QVERIFY(b->currentFileName().isEmpty());
    QVERIFY(!b->isWindowModified());

    // Saved again from the restored window, to a page whose comment is kept.
    answers->buttons << QMessageBox::Yes << QMessageBox::Yes;
    answers->dialogs << pageChoice(3);
    trigger(b.get(), "action_Save");
    QCOMPARE(pageFile(3), shown);
    QCOMPARE(emulator->romDirectory().mid(3 * 112, 112), directoryEntry("Messung \xc3\xa4"));
}

void TestRomWindow::restoreNames_data()
{
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<QString>("title");
    QTest::newRow("no comment") << QByteArray() << "ROM3";
    QTest::newRow("comment") << QByteArray("run") << "ROM3-run";
    QTest::newRow("prefix already there") << QByteArray("ROM3-run") << "ROM3-run";
    QTest::newRow("another page's prefix") << QByteArray("ROM12-run") << "ROM3-ROM12-run";
    QTest::newRow("Latin-1 comment")
        << QByteArray("M\xe4rz") << QString::fromLatin1("ROM3-M\xe4rz");
}

void TestRomWindow::restoreNames()
{
    QFETCH(QByteArray, comment);
    QFETCH(QString, title);
    presetPage(3, dataFile("two_empty_sheets.zvr3"), comment);
    auto w = window();
    answers->dialogs << pageChoice(3);
    trigger(w.get(), "action_Restore");
    QCOMPARE(w->windowTitle(), title + QStringLiteral("[*] - Zivra"));
    QVERIFY(w->currentFileName().isEmpty());
    QCOMPARE(w->tabName(1), QStringLiteral("Main"));
}

void TestRomWindow::restoreOfAnEmptyPage()
{
    auto w = window();
    answers->dialogs << pageChoice(5);
    trigger(w.get(), "action_Restore");
    QCOMPARE(answers->warnings, QStringList{"Zivra|ROM5: There is no data to be displayed."});
    QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
    QVERIFY(w->baseDocumentBytes().isEmpty());
}

void TestRomWindow::failedRestoreLeavesTheEditor_data()
{
    QTest::addColumn<quint32>("address"); // a bus error here fails the restore
    QTest::addColumn<QString>("error");
    QTest::newRow("page command") << 0x8073u << "QRegx: Bus Error";
    QTest::newRow("cluster read") << 0x8105u << "QRegx: Bus Error";
}

void TestRomWindow::failedRestoreLeavesTheEditor()
{
    QFETCH(quint32, address);
    QFETCH(QString, error);
    presetPage(3, dataFile("two_empty_sheets.zvr3"), "other");
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("mine.zvr3"), design);
    auto w = window();
    w->open(path);
    const QByteArray shown = w->documentText();
    const QByteArray base = w->baseDocumentBytes();
    const QString title = w->windowTitle();
    answers->buttons << QMessageBox::Discard; // the start-up settings made it modified
    emulator->addRule(
        FaultRule(FaultRule::BusError, FaultRule::WriteCommand, address, address, -1));
    answers->dialogs << pageChoice(3);
    trigger(w.get(), "action_Restore");
    QCOMPARE(answers->warnings.size(), 1);
    QVERIFY2(answers->warnings.first().endsWith(error), qPrintable(answers->warnings.first()));
    QCOMPARE(w->documentText(), shown);
    QCOMPARE(w->baseDocumentBytes(), base);
    QCOMPARE(w->currentFileName(), path);
    QCOMPARE(w->windowTitle(), title);
}

void TestRomWindow::untrustedPages_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("warning");
    const QString parseError = QStringLiteral("SAX Handler|Parse error at line %1, column %2:\n%3");
    QTest::newRow("not XML") << QByteArray("\x01\x02garbage<<<")
                             << parseError.arg(1).arg(1).arg(
                                    "error occurred while parsing element.");
    QTest::newRow("another root")
        << QByteArray("<?xml version=\"1.0\"?><Other/>")
        << "Zivra|File specified in ROM7-hostile is not a valid XML file for Zivra3.";
    QTest::newRow("cut short")
        << QByteArray("<Zivra3 addr=\"127.0.0.1\">\n<tab id=\"0\" name=\"Sheet1\">\n<entry ")
        << parseError.arg(3).arg(8).arg("unexpected end of file.");
    QByteArray deep = "<Zivra3 addr=\"127.0.0.1\">";
    for (int i = 0; i < 150; ++i)
        deep += "<tab id=\"0\" name=\"x\">";
    QTest::newRow("nested deeply")
        << deep << parseError.arg(1).arg(697).arg("elements nested too deeply.");
    QTest::newRow("zero bytes") << QByteArray(300, '\0')
                                << parseError.arg(1).arg(1).arg(
                                       "error occurred while parsing element.");
}

void TestRomWindow::untrustedPages()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, warning);
    presetPage(7, file, "hostile");
    auto w = window();
    answers->dialogs << pageChoice(7);
    trigger(w.get(), "action_Restore");
    QCOMPARE(answers->warnings, QStringList{warning});
    QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
    // Read as any file: whatever the reader says, the window stays usable.
    QVERIFY(w->sheetCount() >= 1);
    w->newDiagram();
    QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
}

void TestRomWindow::bootPageOnly()
{
    auto w = window();
    emulator->clearLog();
    answers->dialogs << [](QDialog *dialog) {
        qobject_cast<QCheckBox *>(child<QTableWidget>(dialog, "tableWidget")->cellWidget(7, 0))
            ->click();
        child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
        return dialog->result();
    };
    trigger(w.get(), "action_Change_Boot_ROM_Page");
    QCOMPARE(answers->modals, QStringList{"RomDialog"});
    QCOMPARE(emulator->peek(BootPageRegister, 1), QByteArray(1, 7));
    QStringList writes;
    for (const RequestLogEntry &entry : emulator->requestLog())
        if (entry.isWrite() && entry.address != WriteEnableRegister)
            writes << QStringLiteral("%1 %2")
                          .arg(entry.address, 0, 16)
                          .arg(QString::fromLatin1(entry.data.toHex()));
    QCOMPARE(writes, QStringList{"fffffc3e 07"});
    QVERIFY(!emulator->writeEnabled());
    QVERIFY(!w->progress()->isVisible());
    QCOMPARE(w->progress()->labelText(), QStringLiteral("Save to ROM"));
    QVERIFY(answers->warnings.isEmpty());
}

void TestRomWindow::cancelStopsThePageCommandOnly()
{
    emulator->setBusyPolls(100000, 0); // the page command would not end by itself
    auto w = window();
    answers->buttons << QMessageBox::Yes << QMessageBox::Yes;
    answers->dialogs << pageChoice(6, QStringLiteral("cancelled"));
    w->action("action_Save")->trigger();
    QVERIFY(QTest::qWaitFor(
        [this, &w]() {
            return w->progress() && w->progress()->maximum() == 16385 && emulator->isBusy();
        },
        60000));
    w->progress()->findChild<QPushButton *>()->click();
    QVERIFY(QTest::qWaitFor([&w]() { return !w->isModuleBusy(); }, 60000));
    bool aborted = false;
    for (const RequestLogEntry &entry : emulator->requestLog())
        aborted = aborted || (entry.isWrite() && entry.address == 0x8000);
    QVERIFY(aborted);
    QVERIFY2(answers->warnings.isEmpty(), qPrintable(answers->warnings.join('\n')));
    // The design still went to the page's file; the register image did not.
    QCOMPARE(pageFile(6), w->documentText());
    QCOMPARE(emulator->romImage(6), QByteArray(140 + 8192, '\0'));
}

void TestRomWindow::memoryFull()
{
    for (int n = 16; n <= 2046; ++n)
        emulator->setFatEntry(n, 0x8FFF);
    auto w = window();
    QByteArray doc = design;
    QVERIFY(w->loadDiagram(doc, QStringLiteral("every_kind.zvr3"), false));
    answers->buttons << QMessageBox::Yes << QMessageBox::Yes;
    answers->dialogs << pageChoice(2, QStringLiteral("too big"));
    trigger(w.get(), "action_Save");
    QCOMPARE(answers->warnings,
             QStringList{"Zivra|Memory Full: The GUI information could not be saved."});
    QCOMPARE(emulator->fatEntry(2), quint16(0xFEFE));
    QCOMPARE(emulator->romImage(2), emulator->designImage()); // the registers were saved
}

void TestRomWindow::refusals_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("protect");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("warning");
    const QString protectedText = QStringLiteral("Zivra|The Register is write-protected.");
    QTest::newRow("save, protected") << "action_Save" << true << QByteArray("3") << protectedText;
    QTest::newRow("boot page, protected")
        << "action_Change_Boot_ROM_Page" << true << QByteArray("3") << protectedText;
    QTest::newRow("clear, protected")
        << "action_Clear_ROM" << true << QByteArray("3") << protectedText;
}

void TestRomWindow::refusals()
{
    QFETCH(QString, action);
    QFETCH(bool, protect);
    QFETCH(QByteArray, version);
    QFETCH(QString, warning);
    emulator->setWriteProtected(protect, false);
    emulator->setVersion(version);
    auto w = window();
    trigger(w.get(), action.toLatin1().constData());
    QCOMPARE(answers->warnings, QStringList{warning});
    QVERIFY(answers->modals.isEmpty());
    QVERIFY(answers->questions.isEmpty());
}

void TestRomWindow::syncOfAChangedModule()
{
    presetPage(3, dataFile("two_empty_sheets.zvr3"), "run");
    emulator->setPageState(0x83);
    auto w = window();
    QByteArray doc = design;
    QVERIFY(w->loadDiagram(doc, QStringLiteral("/designs/every_kind.zvr3"), false));
    const QByteArray shown = w->documentText();
    const QString title = w->windowTitle();
    answers->buttons << QMessageBox::Discard; // the start-up settings made it modified
    trigger(w.get(), "actionSync");
    QCOMPARE(answers->warnings, QStringList{"Zivra|Register settings are already modified."});
    QCOMPARE(w->documentText(), shown);
    QCOMPARE(w->windowTitle(), title);
}

void TestRomWindow::syncLoadsThePage()
{
    presetPage(3, dataFile("two_empty_sheets.zvr3"), "run");
    emulator->setPageState(3);
    auto w = window();
    trigger(w.get(), "actionSync");
    QVERIFY(answers->warnings.isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("ROM3-run[*] - Zivra"));
    QCOMPARE(w->tabName(1), QStringLiteral("Main"));
    QCOMPARE(w->baseDocumentBytes(), dataFile("two_empty_sheets.zvr3"));
}

void TestRomWindow::clearRom()
{
    presetPage(3, dataFile("two_empty_sheets.zvr3"), "run");
    presetPage(9, dataFile("two_empty_sheets.zvr3"), "nine");
    emulator->setWriteProtected(false, false);
    {
        // Boot page 4: the EEPROM takes it only with writes enabled.
        QVERIFY(emulator->poke(WriteEnableRegister, QByteArray(1, '\0')));
        QVERIFY(emulator->poke(BootPageRegister, QByteArray(1, 4)));
        QVERIFY(emulator->poke(WriteEnableRegister, QByteArray(1, char(0xFF))));
    }
    auto w = window();
    QByteArray doc = design;
    QVERIFY(w->loadDiagram(doc, QStringLiteral("/designs/every_kind.zvr3"), false));
    w->connectionSettings.timeout = 3;
    w->recordUndo();
    const QByteArray shown = w->documentText();
    const ConnectionSettings settings = w->connectionSettings;

    answers->buttons << QMessageBox::Yes;
    trigger(w.get(), "action_Clear_ROM");
    QCOMPARE(answers->questions,
             QStringList{"Zivra|Are you sure you want to initialize ROM area?"});
    QVERIFY2(answers->warnings.isEmpty(), qPrintable(answers->warnings.join('\n')));
    for (int p = 0; p < 16; ++p)
        QCOMPARE(emulator->fatEntry(p), quint16(0xFEFE));
    QCOMPARE(emulator->fatEntry(16), quint16(0xFFFF));
    QCOMPARE(emulator->romDirectory(), QByteArray(16 * 112, '\0'));
    QCOMPARE(emulator->peek(BootPageRegister, 1), QByteArray(1, '\0'));
    QCOMPARE(w->documentText(), shown);
    QVERIFY(w->connectionSettings == settings);
    QCOMPARE(w->progress()->labelText(), QStringLiteral("Initialize ROM area"));
    QCOMPARE(w->progress()->maximum(), 18);
    QVERIFY(!w->progress()->isVisible());

    // Answered No: nothing is written.
    emulator->clearLog();
    answers->questions.clear();
    answers->buttons << QMessageBox::No;
    trigger(w.get(), "action_Clear_ROM");
    for (const RequestLogEntry &entry : emulator->requestLog())
        QVERIFY(!entry.isWrite());
}

void TestRomWindow::networkSetup()
{
    auto w = window();
    QString shown;
    answers->dialogs << [&shown](QDialog *dialog) {
        child<QPushButton>(dialog, "pushButtonRead")->click();
        auto *write = child<QPushButton>(dialog, "pushButtonRenewal");
        if (!QTest::qWaitFor([write]() { return write->isEnabled(); }, 30000))
            return int(QDialog::Accepted);
        shown = dialog->findChild<QTextEdit *>()->toPlainText();
        child<QLineEdit>(dialog, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.7"));
        child<QLineEdit>(dialog, "lineEditNewTcp")->setText(QStringLiteral("2500"));
        child<QLineEdit>(dialog, "lineEditNewUdp")->setText(QStringLiteral("4800"));
        write->click();
        if (!QTest::qWaitFor([write]() { return write->isEnabled(); }, 30000))
            return int(QDialog::Accepted);
        (void)QTest::qWaitFor([dialog]() {
            return dialog->findChild<QTextEdit *>()->toPlainText().contains("127.0.0.7");
        });
        dialog->reject();
        return dialog->result();
    };
    w->action("actionHardware_Setup")->trigger();
    QCOMPARE(answers->modals, QStringList{"NetSetupDialog"});
    QVERIFY2(shown.contains("IP Address : 127.0.0.1\nTCP Data Port : 24\n"), qPrintable(shown));
    QCOMPARE(emulator->peek(0xFFFFFC18u, 4), QByteArray::fromHex("7f000007"));
    QCOMPARE(emulator->peek(0xFFFFFC1Cu, 2), QByteArray::fromHex("09c4"));
    QCOMPARE(emulator->peek(0xFFFFFC22u, 2), QByteArray::fromHex("12c0"));
    QCOMPARE(w->connectionSettings.host, QStringLiteral("127.0.0.7"));
    QCOMPARE(w->connectionSettings.udpPort, quint16(4800));
    QVERIFY(w->isWindowModified());
}

QTEST_MAIN(TestRomWindow)
#include "tst_romwindow.moc"
