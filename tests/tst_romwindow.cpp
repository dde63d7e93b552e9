#include "dialoghooks.h"
#include "faultrule.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "moduleemulator.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "qudpthread.h"
#include "qvexonthread.h"
#include "requestlogentry.h"
#include "romfat.h"
#include "scriptedanswers.h"
#include "tablerow.h"
#include "usercontrolrecord.h"
#include "windowkit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

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

// Presses OK of a page dialog after choosing the page (and, for a save, the comment and boot).
std::function<int(QDialog *)> pageChoice(int page, const QString &comment = QString(),
                                         bool boot = false)
{
    return [page, comment, boot](QDialog *dialog) {
        child<QComboBox>(dialog, "comboBox")->setCurrentIndex(page);
        if (!comment.isNull())
            child<QLineEdit>(dialog, "lineEdit")->setText(comment);
        if (boot)
            child<QCheckBox>(dialog, "checkBox")->setChecked(true);
        child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
        return dialog->result();
    };
}

QByteArray directoryEntry(const QByteArray &comment)
{
    return comment + QByteArray(112 - comment.size(), '\0');
}

// The last command the module was given, while it still runs it.
quint32 runningCommand(const ModuleEmulator &emulator)
{
    const QVector<RequestLogEntry> log = emulator.requestLog();
    for (int i = log.size() - 1; i >= 0 && emulator.isBusy(); --i)
        if (log.at(i).isWrite())
            return log.at(i).address;
    return 0;
}

QStringList writesSeen(const ModuleEmulator &emulator)
{
    QStringList writes;
    for (const RequestLogEntry &entry : emulator.requestLog())
        if (entry.isWrite() && entry.address != WriteEnableRegister)
            writes << QStringLiteral("%1 %2")
                          .arg(entry.address, 0, 16)
                          .arg(QString::fromLatin1(entry.data.toHex()));
    return writes;
}

} // namespace

// ROM pages, Sync, Clear ROM and the network setup from the main window, against the module
// emulator on 127.0.0.1, every question and dialog answered by script.
class TestRomWindow : public QObject, private WindowKit
{
    Q_OBJECT

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<ScriptedAnswers> answers;
    std::unique_ptr<MainWindow> w;
    QByteArray design;

    std::unique_ptr<MainWindow> window()
    {
        ConnectionSettings startup;
        startup.host = QStringLiteral("127.0.0.1");
        startup.udpPort = emulator->udpPort();
        startup.tcpPort = emulator->tcpPort();
        startup.autoConnect = false;
        return std::make_unique<MainWindow>(QString(), &startup);
    }

    void trigger(const char *action, MainWindow *on = nullptr)
    {
        MainWindow *target = on ? on : w.get();
        QVERIFY2(target->action(action)->isEnabled(), action);
        target->action(action)->trigger();
        QVERIFY(QTest::qWaitFor([target]() { return !target->isModuleBusy(); }, 60000));
        QVERIFY2(answers->unexpected == 0,
                 qPrintable(answers->questions.join('\n') + answers->modals.join(',')));
    }

    // Saves the window's design to a page, answering Yes to both questions before the dialog.
    void saveTo(int page, const QString &comment = QString(), MainWindow *on = nullptr)
    {
        answers->buttons << QMessageBox::Yes << QMessageBox::Yes;
        answers->dialogs << pageChoice(page, comment);
        trigger("action_Save", on);
    }

    void loadDesign()
    {
        QByteArray doc = design;
        QVERIFY(w->loadDiagram(doc, QStringLiteral("/designs/every_kind.zvr3"), false));
    }

    // The root element the window's own connection settings write.
    QByteArray root() const
    {
        return "<Zivra3 addr=\"127.0.0.1\" tcpPort=\"" + QByteArray::number(emulator->tcpPort()) +
               "\" udpPort=\"" + QByteArray::number(emulator->udpPort()) +
               "\" Timeout=\"1\" autoConnect=\"false\">";
    }

    // The design under that root: loaded, it is not modified.
    void loadUnmodifiedDesign()
    {
        QByteArray doc = design;
        const int from = doc.indexOf("<Zivra3");
        doc.replace(from, doc.indexOf('>', from) - from + 1, root());
        QVERIFY(w->loadDiagram(doc, QStringLiteral("/designs/every_kind.zvr3"), false));
        QVERIFY(!w->isWindowModified());
    }

    // Runs `action` under real boxes, each left by a timer through Yes, else OK, pressing the real
    // Cancel while the module runs `cancelAt` (0: never), or in a row named "...arrived" once the
    // worker has ended after it. The window stays held, its box modal over the document shown,
    // until the end; then document and pictures are as before.
    void runHeld(const char *action, quint32 cancelAt, const QStringList &expected)
    {
        ModalHooks::setWarningRunner(nullptr);
        DialogHooks::setInformationRunner(nullptr);
        DialogHooks::setQuestionRunner(nullptr);
        QStringList seen;
        QTimer boxes;
        connect(&boxes, &QTimer::timeout, [&seen]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                seen << box->windowTitle() + QLatin1Char('|') + box->text();
                QAbstractButton *yes = box->button(QMessageBox::Yes);
                (yes ? yes : box->button(QMessageBox::Ok))->click();
            }
        });
        boxes.start(50);
        const QByteArray shown = w->documentText();
        w->action(action)->trigger();
        if (cancelAt) {
            QVERIFY(
                QTest::qWaitFor([&]() { return runningCommand(*emulator) == cancelAt; }, 60000));
            while (QByteArray(QTest::currentDataTag()).endsWith("arrived") &&
                   !w->moduleThread()->isFinished())
                QThread::msleep(1);
            QTest::mouseClick(w->progress()->findChild<QPushButton *>(), Qt::LeftButton);
        }
        bool held = true;
        QVERIFY(QTest::qWaitFor(
            [&]() {
                if (w->isModuleBusy())
                    held &= QApplication::activeModalWidget() == w->progress() &&
                            w->documentText() == shown;
                return !w->isModuleBusy();
            },
            60000));
        QVERIFY(held && w->progress() && !w->progress()->isVisible());
        QVERIFY(QTest::qWaitFor([&]() { return seen.size() >= expected.size(); }, 10000));
        QCOMPARE(seen, expected);
        QCOMPARE(w->documentText(), shown);
        QVERIFY2(picturesMismatch(w.get()).isEmpty(), qPrintable(picturesMismatch(w.get())));
    }

    // A file stored on page p as the editor stores it, with its comment.
    void presetPage(int page, const QByteArray &file, const QByteArray &comment)
    {
        QVERIFY(file.size() <= 4096);
        emulator->setCluster(page, file);
        emulator->setFatEntry(page, quint16(0x8000 | (file.size() - 1)));
        emulator->poke(0x0100 + quint32(page) * 112, directoryEntry(comment));
    }

    QByteArray pageFile(int page) const
    {
        QByteArray fat;
        for (int n = 0; n < 2048; ++n)
            fat.append(char(emulator->fatEntry(n) >> 8)).append(char(emulator->fatEntry(n)));
        QByteArray file;
        for (const RomFat::Link &link : RomFat::chain(fat, page))
            file += emulator->cluster(link.cluster).left(link.size);
        return file;
    }

    // One measurement counter in `unit` on a sheet of its own, addressed as the window is.
    QByteArray counterDesign(const QByteArray &unit) const
    {
        return document(
            "<tab id=\"0\" name=\"Sheet1\">\n" +
                entry("MsrCnt0", 0, "MsrCnt0", "<property>Mode=0 Unit=" + unit + "</property>") +
                "</tab>\n",
            root());
    }

    void noWarnings()
    {
        QVERIFY2(answers->warnings.isEmpty(), qPrintable(answers->warnings.join('\n')));
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        emulator.reset(new ModuleEmulator);
        QVERIFY(emulator->start());
        emulator->setBusyPolls(1, 0);
        answers.reset(new ScriptedAnswers);
        design = dataFile("every_kind.zvr3");
        QVERIFY(design.size() > 4096); // a file of two clusters
        w = window();
    }

    void cleanup()
    {
        w.reset();
        answers.reset();
        emulator.reset();
    }

    void saveAndRestoreRoundTrip()
    {
        loadDesign();
        const QByteArray shown = w->documentText();
        saveTo(3, QString::fromUtf8("Messung ä")); // not downloaded yet: both questions asked
        QCOMPARE(answers->questions, (QStringList{NotDownloaded, CannotBeSaved}));
        noWarnings();
        QCOMPARE(pageFile(3), shown);
        QCOMPARE(emulator->romDirectory().mid(3 * 112, 112), directoryEntry("Messung \xc3\xa4"));
        QCOMPARE(emulator->pageState(), quint8(3));
        QVERIFY(!w->progress()->isVisible());

        auto b = window();
        QString offered;
        answers->dialogs << [&offered](QDialog *dialog) {
            offered = child<QComboBox>(dialog, "comboBox")->itemText(3);
            return pageChoice(3)(dialog);
        };
        trigger("action_Restore", b.get());
        QCOMPARE(offered, QString::fromUtf8("3: Messung ä"));
        noWarnings();
        QCOMPARE(b->documentText(), shown);
        QCOMPARE(b->baseDocumentBytes(), shown);
        QCOMPARE(b->windowTitle(), QString::fromUtf8("ROM3-Messung ä[*] - Zivra"));
        QVERIFY(!b->isWindowModified());

        saveTo(3, QString(), b.get()); // saved again from the restored window: comment kept
        QCOMPARE(pageFile(3), shown);
        QCOMPARE(emulator->romDirectory().mid(3 * 112, 112), directoryEntry("Messung \xc3\xa4"));
    }

    void pageIntoWindow_data()
    {
        // clang-format off
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("pageState"); // the module's page byte: bit 7 set when registers changed
        QTest::addColumn<QByteArray>("comment"); // null: page 3 holds no design
        QTest::addColumn<QByteArray>("file"); // null: a valid design; "counting": see below
        QTest::addColumn<QString>("title"); // of the window after it
        QTest::addColumn<QString>("warning");
        const QString restore = QStringLiteral("action_Restore");
        const QByteArray valid;
        // A counter and a user-controlled input: the module now runs them.
        const QByteArray devices = document("<tab id=\"0\" name=\"Sheet1\">\n" +
            entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>") +
            entry("MsrCnt2", 1, "MsrCnt2", "<property>Mode=8 FileSave=false</property>") + "</tab>\n");
        QTest::newRow("restore of counters and switches") << restore << 3 << QByteArray("run") << devices << "ROM3-run" << "";
        QTest::newRow("sync of counters and switches") << "actionSync" << 3 << QByteArray("run") << devices << "ROM3-run" << "";
        QTest::newRow("no comment") << restore << 3 << QByteArray("") << valid << "ROM3" << "";
        QTest::newRow("comment") << restore << 3 << QByteArray("run") << valid << "ROM3-run" << "";
        QTest::newRow("prefix already there") << restore << 3 << QByteArray("ROM3-run") << valid << "ROM3-run" << "";
        QTest::newRow("another page's prefix") << restore << 3 << QByteArray("ROM12-run") << valid << "ROM3-ROM12-run" << "";
        QTest::newRow("Latin-1 comment") << restore << 3 << QByteArray("M\xe4rz") << valid << QString::fromLatin1("ROM3-M\xe4rz") << "";
        QTest::newRow("no design on the page") << restore << 3 << QByteArray() << valid << "NewFile" << "Zivra|ROM3: There is no data to be displayed.";
        QTest::newRow("sync of an unchanged module") << "actionSync" << 3 << QByteArray("run") << valid << "ROM3-run" << "";
        QTest::newRow("sync of a changed module") << "actionSync" << 0x83 << QByteArray("run") << valid << "/designs/every_kind.zvr3" << "Zivra|Register settings are already modified.";
        // The counter window is connected; the page's design has other units, and the window connects again for them.
        QTest::newRow("restore while counting") << restore << 3 << QByteArray("run") << QByteArray("counting") << "ROM3-run" << "";
        QTest::newRow("sync while counting") << "actionSync" << 3 << QByteArray("run") << QByteArray("counting") << "ROM3-run" << "";
        // Hostile pages: a warning, never a crash, and the window stays usable.
        const QString parseError = QStringLiteral("SAX Handler|Parse error at line %1, column %2:\n%3");
        const QString badElement = parseError.arg(1).arg(1).arg("error occurred while parsing element.");
        QByteArray deep = "<Zivra3 addr=\"127.0.0.1\">";
        for (int i = 0; i < 150; ++i)
            deep += "<tab id=\"0\" name=\"x\">";
        QTest::newRow("not XML") << restore << 3 << QByteArray("hostile") << QByteArray("\x01\x02garbage<<<") << "NewFile" << badElement;
        QTest::newRow("another root") << restore << 3 << QByteArray("hostile") << QByteArray("<?xml version=\"1.0\"?><Other/>") << "NewFile" << "Zivra|File specified in ROM3-hostile is not a valid XML file for Zivra3.";
        QTest::newRow("cut short") << restore << 3 << QByteArray("hostile") << QByteArray("<Zivra3 addr=\"127.0.0.1\">\n<tab id=\"0\" name=\"Sheet1\">\n<entry ") << "NewFile" << parseError.arg(3).arg(8).arg("unexpected end of file.");
        QTest::newRow("nested deeply") << restore << 3 << QByteArray("hostile") << deep << "NewFile" << parseError.arg(1).arg(697).arg("elements nested too deeply.");
        QTest::newRow("zero bytes") << restore << 3 << QByteArray("hostile") << QByteArray(300, '\0') << "NewFile" << badElement;
        // clang-format on
    }

    void pageIntoWindow()
    {
        QFETCH(QString, action);
        QFETCH(int, pageState);
        QFETCH(QByteArray, comment);
        QFETCH(QByteArray, file);
        QFETCH(QString, title);
        QFETCH(QString, warning);
        const bool counting = file == "counting";
        QPointer<QVexonThread> stream;
        if (counting) {
            QByteArray downloaded = counterDesign("nsec");
            QVERIFY(w->loadDiagram(downloaded, QStringLiteral("counting.zvr3"), false));
            trigger("action_Download");
            trigger("actionVe_xon");
            MsrCntWidget *c = w->counterWindow();
            QVERIFY(c);
            c->connectToServer();
            QVERIFY(QTest::qWaitFor(
                [c]() { return c->connectionOpen() && c->statusText() != "Connecting ..."; },
                20000));
            stream = c->stream();
            file = counterDesign("usec");
        } else {
            loadUnmodifiedDesign(); // whose pictures must all go
        }
        if (file.isNull())
            file = dataFile("two_empty_sheets.zvr3");
        if (!comment.isNull())
            presetPage(3, file, comment);
        emulator->setPageState(quint8(pageState));
        const QByteArray before = w->documentText(), beforeBase = w->baseDocumentBytes();
        answers->dialogs << pageChoice(3);
        trigger(qPrintable(action));
        QVERIFY2(picturesMismatch(w.get()).isEmpty(), qPrintable(picturesMismatch(w.get())));
        QCOMPARE(answers->warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
        // The counter and user-control records follow the design the module runs now.
        const bool devices = QByteArray(QTest::currentDataTag()).endsWith("switches");
        QCOMPARE(w->counterConfig() != nullptr, devices || counting);
        QCOMPARE(w->userControlConfig() != nullptr, devices);
        if (devices) {
            QCOMPARE(w->counterConfig()->mode[2], 8);
            QCOMPARE(w->userControlConfig()->names[8], QStringLiteral("IN-OPT"));
            QCOMPARE(w->currentDownloadedIndex(), w->currentUndoIndex());
        }
        QCOMPARE(w->windowTitle(), title + QStringLiteral("[*] - Zivra"));
        // Refused before anything was read, the editor keeps its design.
        const bool kept = title.startsWith(QLatin1Char('/'));
        QCOMPARE(w->currentFileName().isEmpty(), !kept);
        QCOMPARE(w->baseDocumentBytes(), warning.isEmpty() ? file
                                         : kept            ? beforeBase
                                                           : QByteArray());
        if (counting) {
            MsrCntWidget *counters = w->counterWindow();
            QVERIFY(counters && counters->connectionOpen() && counters->stream() != stream);
            auto *start = counters->findChild<QPushButton *>("startButton0");
            QVERIFY(QTest::qWaitFor([start]() { return start->isEnabled(); }, 20000));
            QCOMPARE(start->text(), QStringLiteral("Start"));
            start->click();
            auto *value = counters->findChild<QLineEdit *>("msrCnt0LineEdit");
            QVERIFY(QTest::qWaitFor([value]() { return value->text().endsWith(" usec"); }, 20000));
        }
        if (warning.isEmpty())
            return;
        if (kept) {
            QCOMPARE(w->documentText(), before);
            QVERIFY(!w->isWindowModified());
        } else {
            QCOMPARE(blockCount(w->design()), 0);
            QCOMPARE(w->sheetCount(), 1);
        }
        w->newDiagram();
        QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
    }

    void failedRestoreLeavesTheEditor_data()
    {
        QTest::addColumn<quint32>("address"); // a bus error here fails the restore
        QTest::newRow("page command") << 0x8073u;
        QTest::newRow("cluster read") << 0x8105u;
    }

    void failedRestoreLeavesTheEditor()
    {
        QFETCH(quint32, address);
        presetPage(3, dataFile("two_empty_sheets.zvr3"), "other");
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("mine.zvr3"), design);
        w->open(path);
        const QByteArray shown = w->documentText(), base = w->baseDocumentBytes();
        const QString title = w->windowTitle();
        answers->buttons << QMessageBox::Discard; // the start-up settings made it modified
        emulator->addRule(
            FaultRule(FaultRule::BusError, FaultRule::WriteCommand, address, address, -1));
        answers->dialogs << pageChoice(3);
        trigger("action_Restore");
        QCOMPARE(answers->warnings.size(), 1);
        QVERIFY2(answers->warnings.first().endsWith("QRegx: Bus Error"),
                 qPrintable(answers->warnings.first()));
        QCOMPARE(w->documentText(), shown);
        QCOMPARE(w->baseDocumentBytes(), base);
        QCOMPARE(w->currentFileName(), path);
        QCOMPARE(w->windowTitle(), title);
    }

    void bootPageOnly()
    {
        emulator->clearLog();
        const auto bootFrom = [](int page) {
            return [page](QDialog *dialog) {
                qobject_cast<QCheckBox *>(
                    child<QTableWidget>(dialog, "tableWidget")->cellWidget(page, 0))
                    ->click();
                child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
                return dialog->result();
            };
        };
        // Cancel while the module opens its settings memory, none, once the boot page's write was
        // answered, and while its answer is lost.
        const std::tuple<int, FaultRule::Action, quint32> steps[] = {
            {7, FaultRule::DelayReply, WriteEnableRegister},
            {7, FaultRule::DelayReply, 0},
            {9, FaultRule::DelayReply, BootPageRegister},
            {4, FaultRule::DropReply, BootPageRegister}};
        for (const auto &[page, fault, at] : steps) {
            answers->dialogs << bootFrom(page);
            FaultRule held(fault, FaultRule::WriteCommand, at, at);
            held.delayMs = 500;
            if (at)
                emulator->addRule(held);
            w->action("action_Change_Boot_ROM_Page")->trigger();
            if (at) {
                QVERIFY(QTest::qWaitFor([this]() { return emulator->ruleCount() == 0; }, 10000));
                while (at == BootPageRegister && fault == FaultRule::DelayReply &&
                       !w->moduleThread()->isFinished())
                    QThread::msleep(1);
                QTest::mouseClick(w->progress()->findChild<QPushButton *>(), Qt::LeftButton);
            }
            QVERIFY(QTest::qWaitFor([this]() { return !w->isModuleBusy(); }, 10000));
        }
        QCOMPARE(writesSeen(*emulator), (QStringList{"fffffc3e 07", "fffffc3e 09", "fffffc3e 04"}));
        QCOMPARE(emulator->peek(BootPageRegister, 1), QByteArray(1, 4));
        QVERIFY(!emulator->writeEnabled());
        const QString cancelled = "Zivra|Change Boot ROM Page cancelled";
        QCOMPARE(answers->warnings,
                 (QStringList{cancelled + ": nothing was written to the module.",
                              cancelled + " before the module confirmed ROM page 4: it boots from "
                                          "ROM page 4 or 9."}));
        QCOMPARE(answers->informations,
                 QStringList{"Zivra|Cancel came too late: the module boots from ROM page 9."});
    }

    void cancelLeavesThePageOrSavesAll_data()
    {
        QTest::addColumn<bool>("saving");      // else a restore, both of page 6
        QTest::addColumn<quint32>("cancelAt"); // the module command running when Cancel is pressed
        QTest::addColumn<QString>("message");
        const QString unchanged = QStringLiteral("Zivra|Save to ROM cancelled: ROM page 6 keeps "
                                                 "its previous register image and design.");
        row("save, directory", true, 0x8040u, unchanged);
        row("save, page command", true, 0x8056u, unchanged);
        row("save, file transfer", true, 0x8104u,
            "Zivra|Cancel came too late: ROM page 6 holds the new register image and design.");
        row("restore, page command", false, 0x8076u,
            "Zivra|Restore from ROM cancelled; the editor keeps its design.");
        const QString loaded = QStringLiteral("Zivra|Restore from ROM cancelled; the module had "
                                              "already loaded ROM page 6, the editor keeps its "
                                              "design.");
        row("restore, file read", false, 0x8105u, loaded);
        row("restore, page arrived", false, 0x8105u, loaded);
    }

    // The real Cancel while the module works: the editor keeps its document, and the page is
    // either as it was (comment and boot page too) or holds all that was saved, as the box says.
    void cancelLeavesThePageOrSavesAll()
    {
        QFETCH(bool, saving);
        QFETCH(quint32, cancelAt);
        QFETCH(QString, message);
        const QByteArray oldFile = dataFile("two_empty_sheets.zvr3");
        presetPage(6, oldFile, "old");
        const QByteArray oldImage = emulator->romImage(6);
        QVERIFY(emulator->poke(0x0004, QByteArray("\x12\x34", 2))); // registers unlike the page
        loadUnmodifiedDesign();
        const QByteArray shown = w->documentText();
        emulator->setBusyPolls(6, 3);
        answers->dialogs << pageChoice(6, saving ? "new" : QString(), saving); // boot from it
        w->afterDownload(); // as if the module ran the design shown
        runHeld(saving ? "action_Save" : "action_Restore", cancelAt,
                saving ? QStringList{NotDownloaded, CannotBeSaved, message} : QStringList{message});
        if (!saving) {
            // Once the module has loaded the page, the design shown is not what it runs.
            QCOMPARE(w->currentDownloadedIndex(),
                     cancelAt == 0x8105u ? MainWindow::noDownload : -1);
            return;
        }
        const bool stored = cancelAt == 0x8104u;
        const QByteArray entry = directoryEntry(stored ? "new" : "old");
        QCOMPARE(emulator->peek(0x0100 + 6 * 112, 112), entry);
        QCOMPARE(emulator->romDirectory().mid(6 * 112, 112), entry);
        QCOMPARE(emulator->peek(BootPageRegister, 1), QByteArray(1, char(stored ? 6 : 0)));
        QCOMPARE(pageFile(6), stored ? shown : oldFile);
        QCOMPARE(emulator->romImage(6), stored ? emulator->designImage() : oldImage);
    }

    void memoryFull()
    {
        for (int n = 16; n <= 2046; ++n)
            emulator->setFatEntry(n, 0x8FFF);
        loadDesign();
        saveTo(2, QStringLiteral("too big"));
        QCOMPARE(answers->warnings,
                 QStringList{"Zivra|Memory Full: The GUI information could not be saved."});
        QCOMPARE(emulator->fatEntry(2), quint16(0xFEFE));
        QCOMPARE(emulator->romImage(2), emulator->designImage()); // the registers were saved
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *action :
             {"action_Save", "action_Change_Boot_ROM_Page", "action_Clear_ROM"})
            QTest::newRow(action) << action;
    }

    void refusals()
    {
        QFETCH(QString, action);
        emulator->setWriteProtected(true, false);
        trigger(qPrintable(action));
        QCOMPARE(answers->warnings, QStringList{"Zivra|The Register is write-protected."});
        QVERIFY(answers->modals.isEmpty() && answers->questions.isEmpty());
        QVERIFY(writesSeen(*emulator).isEmpty());
    }

    void clearRom_data()
    {
        QTest::addColumn<int>("bootPage");
        QTest::addColumn<quint32>("failAt");   // the module refuses this command
        QTest::addColumn<bool>("lost");        // or carries it out, its answers lost
        QTest::addColumn<quint32>("cancelAt"); // Cancel is pressed while the module runs this one
        QTest::addColumn<QString>("message");  // at the end; empty: none
        row("boot page 4", 4, 0u, false, 0u, QString());
        row("boot page 0", 0, 0u, false, 0u, QString());
        row("page 5 refused", 4, 0x8055u, false, 0u,
            "Zivra|write address: 0x00008055\nlength: 1\n\nQRegx: Bus Error\nCleared: the "
            "directory and the register images of pages 0 to 4. Not cleared: the file table "
            "and the register images of pages 5 to 15.");
        row("page 5 unanswered", 4, 0x8055u, true, 0u,
            "Zivra|write address: 0x00008055\nlength: 1\n\nQRegx: Socket operation timed "
            "out\nCleared: the directory and the register images of pages 0 to 4. Not cleared: "
            "the file table and the register images of pages 6 to 15. Not confirmed (it may be "
            "cleared): the register image of page 5.");
        // Once a request of the directory left beyond a refused first one, it may be cleared.
        const QString bus = "\n\nQRegx: Bus Error\n",
                      late = "\n\nQRegx: Socket operation timed out\n";
        const QString dir = "Not cleared: the file table and the register images of all pages. Not "
                            "confirmed (it may be cleared): the directory.";
        row("directory, second request refused", 0, 0x0180u, false, 0u,
            "Zivra|write address: 0x00000180\nlength: 128" + bus + dir);
        row("directory store refused", 0, 0x8040u, false, 0u,
            "Zivra|write address: 0x00008040\nlength: 1" + bus + dir);
        row("directory poll refused", 0, 0x8001u, false, 0u,
            "Zivra|read address: 0x00008001\nlength: 7" + bus + dir);
        row("directory store unanswered", 0, 0x8040u, true, 0u,
            "Zivra|write address: 0x00008040\nlength: 1" + late + dir);
        row("file table unanswered", 4, 0x8104u, true, 0u,
            "Zivra|write address: 0x00008104\nlength: 1" + late +
                "Cleared: the directory and the register images of all pages. Not confirmed (it "
                "may be cleared): the file table.");
        row("cancelled", 4, 0u, false, 0x8052u,
            "Zivra|Clear ROM cancelled.\nCleared: the directory, the file table and the register "
            "images of pages 0 and 1. Not cleared: the register images of pages 2 to 15.");
    }

    // Clear ROM stores an empty design of its own in every page: the editor keeps its document
    // whatever the outcome, and a refused or cancelled run says what it cleared.
    void clearRom()
    {
        QFETCH(int, bootPage);
        QFETCH(quint32, failAt);
        QFETCH(bool, lost);
        QFETCH(quint32, cancelAt);
        QFETCH(QString, message);
        const QByteArray file = dataFile("two_empty_sheets.zvr3");
        presetPage(3, file, "run");
        presetPage(9, file, "nine");
        // The EEPROM takes the boot page only with writes enabled.
        QVERIFY(emulator->poke(WriteEnableRegister, QByteArray(1, '\0')));
        QVERIFY(emulator->poke(BootPageRegister, QByteArray(1, char(bootPage))));
        QVERIFY(emulator->poke(WriteEnableRegister, QByteArray(1, char(0xFF))));
        loadDesign();
        w->connectionSettings.timeout = lost ? 1 : 3;
        w->recordUndo();
        w->afterDownload(); // as if the module ran the design shown
        const QByteArray oldImage = emulator->romImage(5);
        const ConnectionSettings settings = w->connectionSettings;

        emulator->clearLog();
        answers->buttons << QMessageBox::No; // answered No: nothing is written
        trigger("action_Clear_ROM");
        QVERIFY(writesSeen(*emulator).isEmpty());
        QCOMPARE(w->currentDownloadedIndex(), w->currentUndoIndex());

        if (failAt)
            emulator->addRule(
                FaultRule(lost ? FaultRule::DropReply : FaultRule::BusError,
                          failAt == 0x8001u ? FaultRule::ReadCommand : FaultRule::WriteCommand,
                          failAt, failAt, -1));
        emulator->setBusyPolls(cancelAt ? 6 : lost ? 0 : 1, 0);
        QStringList boxes{QStringLiteral("Zivra|Are you sure you want to initialize ROM area?")};
        runHeld("action_Clear_ROM", cancelAt, message.isEmpty() ? boxes : boxes << message);
        QVERIFY(w->connectionSettings == settings);
        if (failAt && failAt < 0x8050u) { // stopped at the directory: no page, no table written
            QCOMPARE(w->currentDownloadedIndex(), w->currentUndoIndex());
            QCOMPARE(emulator->romImage(5), oldImage);
            QCOMPARE(emulator->fatEntry(3), quint16(0x8000 | (file.size() - 1)));
            return;
        }
        // The module runs the empty design now, not the one downloaded.
        QCOMPARE(w->currentDownloadedIndex(), MainWindow::noDownload);
        QCOMPARE(writesSeen(*emulator).filter(QRegularExpression("^fffffc3e ")),
                 bootPage ? QStringList{"fffffc3e 00"} : QStringList());
        QCOMPARE(emulator->peek(BootPageRegister, 1), QByteArray(1, '\0'));
        QCOMPARE(emulator->romDirectory(), QByteArray(16 * 112, '\0'));
        QCOMPARE(emulator->fatEntry(3),
                 quint16(failAt && failAt != 0x8104u ? 0x8000 | (file.size() - 1) : 0xFEFE));
        QCOMPARE(emulator->romImage(1), emulator->designImage());
        QCOMPARE(emulator->romImage(5) == oldImage, (failAt && !lost) || cancelAt);
    }
};

QTEST_MAIN(TestRomWindow)
#include "tst_romwindow.moc"
