#include "blockitem.h"
#include "drcdialog.h"
#include "mainwindow.h"
#include "memorymodule.h"
#include "moduleemulator.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "programdata.h"
#include "qudpthread.h"
#include "scriptedanswers.h"
#include "tablerow.h"
#include "usercontroldialog.h"
#include "usercontrolrecord.h"
#include "windowkit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <memory>

// The module operations of the main window, end to end: the real window and its worker
// threads against the module emulator on 127.0.0.1, every box answered by script.
class TestModuleOps : public QObject, private WindowKit
{
    Q_OBJECT

private:
    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<ScriptedAnswers> answers;
    std::unique_ptr<MainWindow> window;

    const QByteArray counter =
        entry("MsrCnt2", 1, "MsrCnt2",
              "<net port=\"1\">PstLgc0</net><property>Mode=8 FileSave=false</property>");
    const QByteArray userInput =
        entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>");

    // IN-CH0 through a PreLogic, a counter and a PostLogic to OUT-CH0, then `extra`.
    QByteArray design(const QByteArray &extra, bool autoConnect, quint16 udpPort = 0,
                      int timeout = 1) const
    {
        const QByteArray body =
            entry("Input", 0, "IN-CH0") +
            entry("PreLogic", 0, "PreLgc0", "<net port=\"0\">IN-CH0</net><property>_A</property>") +
            entry("CntFnc", 0, "CntFnc0",
                  "<net port=\"0\">PreLgc0</net>"
                  "<property>Mode=3 MainCnt=100nsec SubCnt=20nsec</property>") +
            entry("PostLogic", 0, "PstLgc0",
                  "<net port=\"0\">CntFnc0</net><property>_A</property>") +
            entry("OUT-CH0", 0, "OUT-CH0",
                  "<net port=\"0\">PstLgc0</net><property>bNIM=true bTTL=false </property>") +
            extra;
        const QByteArray root = "<Zivra3 addr=\"127.0.0.1\" tcpPort=\"" +
                                QByteArray::number(emulator->tcpPort()) + "\" udpPort=\"" +
                                QByteArray::number(udpPort ? udpPort : emulator->udpPort()) +
                                "\" Timeout=\"" + QByteArray::number(timeout) +
                                "\" autoConnect=\"" + (autoConnect ? "true" : "false") + "\">";
        return document("<tab id=\"0\" name=\"Sheet1\">\n" + body + "</tab>\n", root);
    }

    MainWindow *open(const QByteArray &extra = QByteArray(), bool autoConnect = false,
                     quint16 udpPort = 0, int timeout = 1)
    {
        window = newWindow();
        QByteArray doc = design(extra, autoConnect, udpPort, timeout);
        window->loadDiagram(doc, QStringLiteral("design.zvr3"), false);
        return window.get();
    }

    bool waitIdle() const
    {
        return QTest::qWaitFor([this]() { return !window->isModuleBusy(); }, 60000);
    }

    // The download step as the check thread's success runs it.
    bool downloadNow() const
    {
        window->download(true);
        return waitIdle();
    }

    QByteArray compiled() const
    {
        MemoryModule module;
        window->design()->download(&module);
        return module.image();
    }

    bool enabled(const char *name) const { return window->action(name)->isEnabled(); }

    bool moduleActionsEnabled() const
    {
        for (const char *name : {"action_Download", "action_Verify", "action_Write_Protect",
                                 "action_Save", "action_Restore", "action_Clear_ROM", "actionSync"})
            if (!enabled(name))
                return false;
        return true;
    }

    bool deviceActions(bool counters, bool switches) const
    {
        return enabled("actionVe_xon") == counters && enabled("action_User_Control") == switches;
    }

    // Exactly one warning, matching `pattern`; none when it is empty.
    bool warned(const QString &pattern) const
    {
        if (pattern.isEmpty())
            return answers->warnings.isEmpty();
        return answers->warnings.size() == 1 &&
               answers->warnings.first().contains(QRegularExpression(pattern));
    }

    bool readsTables() const
    {
        for (const RequestLogEntry &request : emulator->requestLog())
            if (!request.isWrite() && request.address >= 0x2000 && request.address < 0x4000)
                return true;
        return false;
    }

    // The action shows its dialog, a second time the same one; closed by the user, the dialog is
    // forgotten and deleted, and the action makes a new one.
    template <typename Dialog> void reopens(const char *action, Dialog *(MainWindow::*held)() const)
    {
        window->action(action)->trigger();
        QPointer<Dialog> first = (window.get()->*held)();
        QVERIFY(first && first->isVisible());
        window->action(action)->trigger();
        QCOMPARE((window.get()->*held)(), first.data());
        first->close();
        QVERIFY(!(window.get()->*held)());
        QVERIFY(QTest::qWaitFor([&]() { return first.isNull(); }, 10000));
        window->action(action)->trigger();
        QVERIFY((window.get()->*held)());
    }

    // A UDP port on 127.0.0.1 where nothing listens.
    static quint16 deadPort()
    {
        QUdpSocket probe;
        probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
        return probe.localPort();
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        emulator = std::make_unique<ModuleEmulator>();
        QString error;
        QVERIFY2(emulator->start(0, 0, &error), qPrintable(error));
        answers = std::make_unique<ScriptedAnswers>();
    }

    void cleanup()
    {
        window.reset();
        answers.reset();
        emulator.reset();
    }

    void downloadPassesTheDesignRuleCheck_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("button"); // how the modal report is left; empty: none shown
        QTest::addColumn<bool>("report");
        QTest::addColumn<bool>("downloaded");
        QTest::addColumn<int>("edits"); // recorded before the download
        const QByteArray warning = entry("PostLogic", 1, "PstLgc1",
                                         "<net port=\"0\">CntFnc0</net><property>_A</property>");
        const QByteArray error = entry("PreLogic", 1, "PreLgc1");
        QTest::newRow("clean") << QByteArray() << QString() << false << true << 0;
        QTest::newRow("clean, after two edits") << QByteArray() << QString() << false << true << 2;
        QTest::newRow("warnings, Download") << warning << "downloadButton" << false << true << 0;
        QTest::newRow("warnings, Download, after an edit")
            << warning << "downloadButton" << false << true << 1;
        QTest::newRow("warnings, Cancel") << warning << "cancelButton" << false << false << 0;
        QTest::newRow("warnings, closed") << warning << "close" << false << false << 0;
        QTest::newRow("errors") << error + warning << QString() << true << false << 0;
    }

    void downloadPassesTheDesignRuleCheck()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, button);
        QFETCH(bool, report);
        QFETCH(bool, downloaded);
        QFETCH(int, edits);
        QString shown;
        answers->dialogs.enqueue([&](QDialog *dialog) {
            shown = qobject_cast<DrcDialog *>(dialog)->textEdit->toPlainText();
            dialog->show();
            if (auto *push = dialog->findChild<QPushButton *>(button))
                QTest::mouseClick(push, Qt::LeftButton);
            else
                dialog->close();
            return dialog->result();
        });
        open(extra);
        for (int i = 0; i < edits; ++i)
            window->recordUndo();
        const QByteArray before = emulator->designImage();
        window->action("action_Download")->trigger();
        QVERIFY(waitIdle());
        QCOMPARE(answers->modals, button.isEmpty() ? QStringList() : QStringList{"DrcDialog"});
        if (!button.isEmpty())
            QCOMPARE(shown, QStringLiteral("warning: PstLgc1: Outport is not connected.\n"));
        QCOMPARE(window->drcReport() != nullptr, report);
        if (report) {
            QVERIFY(window->drcReport()->isVisible());
            QVERIFY(window->drcReport()->textEdit->toPlainText().startsWith("error: PreLgc1"));
            QVERIFY(!window->drcReport()->findChild<QPushButton *>("downloadButton"));
            DrcDialog *first = window->drcReport();
            window->action("action_Download")->trigger();
            QCOMPARE(window->drcReport(), first);
            QVERIFY(!window->isModuleBusy());
        }
        QCOMPARE(emulator->designImage(), downloaded ? compiled() : before);
        QCOMPARE(emulator->designImage() == before, !downloaded);
        QVERIFY(warned(QString()));
        QCOMPARE(answers->unexpected, 0);
        if (downloaded) {
            QCOMPARE(window->currentUndoIndex(), edits - 1);
            QCOMPARE(window->currentDownloadedIndex(), window->currentUndoIndex());
            QCOMPARE(window->progress()->labelText(), QStringLiteral("Download - REGX Access"));
            QCOMPARE(window->progress()->maximum(), 8256);
            QVERIFY(!window->progress()->isVisible());
        }
        QVERIFY(moduleActionsEnabled());
    }

    void verifyReportsTheOutcome_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("protect");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("information");
        QTest::addColumn<QString>("warning");
        const int yes = QMessageBox::Yes;
        const QString wp = "^Zivra\\|The Register is write-protected.$";
        QTest::newRow("match") << false << false << yes
                               << "Zivra|Verify: The Register data is matched." << QString();
        QTest::newRow("mismatch") << true << false << yes << QString()
                                  << "^Zivra\\|Verify: The Register data don't match.\n\n"
                                     "first mismatch at address 0x0*2000\\b";
        QTest::newRow("declined") << true << false << int(QMessageBox::Cancel) << QString()
                                  << QString();
        QTest::newRow("write-protected") << false << true << -1 << QString() << wp;
        // Asks for a download instead; the changed register must stay as it is.
        QTest::newRow("write-protected, Download") << true << true << -1 << QString() << wp;
    }

    void verifyReportsTheOutcome()
    {
        QFETCH(bool, change);
        QFETCH(bool, protect);
        QFETCH(int, answer);
        QFETCH(QString, information);
        QFETCH(QString, warning);
        if (answer >= 0)
            answers->buttons.enqueue(QMessageBox::StandardButton(answer));
        open();
        QVERIFY(downloadNow());
        if (change)
            emulator->poke(0x2000, QByteArray(1, char(0x5A)));
        emulator->setWriteProtected(protect, false);
        emulator->clearLog();
        const QByteArray image = emulator->designImage();
        const bool download = QByteArray(QTest::currentDataTag()).endsWith("Download");
        window->action(download ? "action_Download" : "action_Verify")->trigger();
        QVERIFY(window->isModuleBusy());
        QVERIFY(!moduleActionsEnabled());
        QVERIFY(waitIdle());
        QCOMPARE(emulator->designImage(), image);
        QCOMPARE(answers->questions,
                 answer >= 0 ? QStringList{"|The output may become unstable during verify."}
                             : QStringList());
        QCOMPARE(answers->informations,
                 information.isEmpty() ? QStringList() : QStringList{information});
        QVERIFY2(warned(warning), qPrintable(answers->warnings.join('\n')));
        QCOMPARE(readsTables(), answer == QMessageBox::Yes); // only an accepted verify reads
        QVERIFY(moduleActionsEnabled());
    }

    void failuresEndWithTheirText_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("warning"); // empty host text: a dead module at 127.0.0.1
        const QString dead =
            "^Zivra\\|read address: 0x00000000\nlength: 1\n\nQRegx: Socket operation timed out$";
        QTest::newRow("dead, Download") << QByteArray("action_Download") << "127.0.0.1" << dead;
        QTest::newRow("dead, Verify") << QByteArray("action_Verify") << "127.0.0.1" << dead;
        QTest::newRow("name") << QByteArray("action_Verify") << "module"
                              << "^Zivra\\|\"module\" is not a module address.\n";
        QTest::newRow("three parts") << QByteArray("action_Download") << "127.0.1"
                                     << "^Zivra\\|\"127.0.1\" is not a module address.";
        QTest::newRow("empty") << QByteArray("action_Write_Protect") << ""
                               << "^Zivra\\|\"\" is not a module address.";
        QTest::newRow("leading zero") << QByteArray("action_Verify") << "127.0.0.01"
                                      << "^Zivra\\|\"127.0.0.01\" is not a module address.";
    }

    void failuresEndWithTheirText()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, host);
        QFETCH(QString, warning);
        const bool dead = QByteArray(QTest::currentDataTag()).startsWith("dead");
        open(QByteArray(), false, dead ? deadPort() : 0);
        window->connectionSettings.host = host;
        window->action(action)->trigger();
        QCOMPARE(window->isModuleBusy(), dead); // a bad address is refused before any worker
        QVERIFY(waitIdle());
        QVERIFY2(warned(warning), qPrintable(answers->warnings.join('\n')));
        QCOMPARE(answers->questions, QStringList());
        QVERIFY(moduleActionsEnabled());
        QVERIFY(deviceActions(false, false));
    }

    void oneOperationAtATimeAndEditsHeldOff_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("label");   // of the box held from the check thread on
        QTest::addColumn<QString>("cancel");  // pressed while "checking" or once the check "ended"
        QTest::addColumn<QString>("warning"); // at the end
        const QByteArray download = "action_Download", verify = "action_Verify",
                         sync = "actionSync";
        const QString nothing = "^Zivra\\|%1 cancelled: nothing was written to the module.$";
        const QString kept = "^Zivra\\|Sync cancelled; the editor keeps its design.$";
        // clang-format off
        QTest::newRow("Verify") << verify << "Verify - REGX Access" << "" << "^Zivra\\|Verify: The Register data don't match.";
        // What is downloaded is what the design rule check saw.
        QTest::newRow("Download") << download << "Download - REGX Access" << "" << QString();
        // The page's design replaces the document shown.
        QTest::newRow("Sync") << sync << "Sync" << "" << "^Zivra\\|ROM0: There is no data to be displayed.$";
        // A Cancel after the check's last reply still ends the operation before its next step.
        QTest::newRow("Download, Cancel after the check") << download << "Download - REGX Access" << "ended" << nothing.arg("Download");
        QTest::newRow("Verify, Cancel after the check") << verify << "Verify - REGX Access" << "ended" << nothing.arg("Verify");
        QTest::newRow("Sync, Cancel while checking") << sync << "Sync" << "checking" << kept;
        QTest::newRow("Sync, Cancel after the page arrived") << sync << "Sync" << "ended" << kept;
        QTest::newRow("Download, Cancel while checking") << download << "Download - REGX Access" << "checking" << nothing.arg("Download");
        QTest::newRow("Restore, Cancel after the check") << QByteArray("action_Restore") << "Save to ROM" << "ended" << nothing.arg("Restore from ROM");
        QTest::newRow("Boot page, Cancel after the check") << QByteArray("action_Change_Boot_ROM_Page") << "Save to ROM" << "ended" << nothing.arg("Change Boot ROM Page");
        // clang-format on
    }

    void oneOperationAtATimeAndEditsHeldOff()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, label);
        QFETCH(QString, cancel);
        QFETCH(QString, warning);
        const bool verify = action == "action_Verify" && cancel.isEmpty();
        if (verify)
            answers->buttons.enqueue(QMessageBox::Yes);
        // The check thread's first request and the table reads go unanswered for a while.
        for (auto range : {qMakePair(0u, 3u), qMakePair(0x2000u, 0x3FFFu)}) {
            FaultRule slow(FaultRule::DelayReply, FaultRule::ReadCommand, range.first,
                           range.second);
            slow.delayMs = 300;
            emulator->addRule(slow);
        }
        open();
        window->action(action)->trigger();
        QUdpThread *running = window->moduleThread();
        QVERIFY(running);
        // The check thread already runs under a modal box.
        QVERIFY(window->progress());
        QCOMPARE(QApplication::activeModalWidget(), window->progress());
        QCOMPARE(window->progress()->labelText(), label);
        window->action("action_Verify")->trigger();
        window->on_action_Verify_triggered();
        window->on_action_Download_triggered();
        QCOMPARE(window->moduleThread(), running);

        // The end of a stray thread deletes that thread, never the running one.
        QPointer<QUdpThread> stray = new QUdpThread;
        connect(stray.data(), SIGNAL(closed(bool)), window.get(), SLOT(verifyStopped(bool)));
        emit stray->closed(true);
        QVERIFY(stray.isNull());
        QCOMPARE(window->moduleThread(), running);
        if (cancel == "ended") // the slot of the check's end has not run yet
            while (!running->isFinished())
                QThread::msleep(1);
        if (!cancel.isEmpty()) {
            emulator->clearLog();
            QTest::mouseClick(window->progress()->findChild<QPushButton *>(), Qt::LeftButton);
        }

        QVERIFY(waitIdle());
        for (const RequestLogEntry &request : emulator->requestLog())
            QVERIFY(cancel.isEmpty() || !request.isWrite()); // nothing sent after the Cancel
        QProgressDialog *busy = window->progress();
        QVERIFY(busy->labelText().startsWith(label));
        QVERIFY(busy->isModal());
        QVERIFY(!busy->isVisible());
        QCOMPARE(answers->questions.size(), verify ? 1 : 0);
        QVERIFY2(warned(warning), qPrintable(answers->warnings.join('\n')));
    }

    void cancelOrClosingStopsTheDownload_data()
    {
        QTest::addColumn<QString>("end");   // Cancel (early, on the last write, too late), failure
                                            // or the window closed
        QTest::addColumn<int>("earlier");   // undo position of a download before; -2 none
        QTest::addColumn<bool>("counting"); // the counter window streams when it starts
        QTest::newRow("Cancel") << "Cancel" << -2 << false;
        QTest::newRow("window closed") << "close" << -2 << false;
        QTest::newRow("failure after a download") << "failure" << 0 << false;
        QTest::newRow("failure after a download of the file") << "failure" << -1 << false;
        QTest::newRow("Cancel, counters streaming") << "Cancel" << 0 << true;
        QTest::newRow("Cancel after the last write") << "late" << 0 << false;
        QTest::newRow("Cancel on the last write") << "last" << 0 << false;
        QTest::newRow("Cancel before the first write") << "early" << -2 << false;
        QTest::newRow("Cancel before the first write, counters streaming") << "early" << 0 << true;
        QTest::newRow("design edited") << "early, edited" << 0 << true;
        QTest::newRow("counters stopped") << "early, stopped" << 0 << true;
    }

    void cancelOrClosingStopsTheDownload()
    {
        QFETCH(QString, end);
        QFETCH(int, earlier);
        QFETCH(bool, counting);
        const bool failure = end == QLatin1String("failure");
        const bool late = end == QLatin1String("late");
        const bool early = end.startsWith(QLatin1String("early"));
        open(counting ? counter : QByteArray(), counting, 0, failure ? 1 : 20);
        QPointer<MsrCntWidget> counters;
        if (earlier > -2) {
            if (earlier == 0)
                window->recordUndo();
            QVERIFY(downloadNow());
            QCOMPARE(window->currentDownloadedIndex(), earlier);
            counters = window->counterWindow();
            if (counting)
                QVERIFY(QTest::qWaitFor(
                    [&]() { return counters->connectionOpen() && emulator->streamClients() == 1; },
                    10000));
            if (!early || end.endsWith(QLatin1String("edited")))
                window->recordUndo(); // the design shown is no longer the one downloaded
            if (end.endsWith(QLatin1String("stopped")))
                counters->findChild<QPushButton *>("stopButton")->click();
        }
        const int downloaded = window->currentDownloadedIndex();
        // The version read, the last write or every table write gets no reply: the worker waits
        // until stopped or timed out.
        if (!late)
            emulator->addRule(
                early ? FaultRule(FaultRule::DropReply, FaultRule::ReadCommand, 0, 0, -1)
                      : FaultRule(FaultRule::DropReply, FaultRule::WriteCommand,
                                  end == "last" ? 0x3FFF : 0x2000, 0x3FFF, -1));
        emulator->clearLog();
        window->download(true);
        if (counting) {
            // The stream stops before the design changes under it.
            QVERIFY(!counters->connectionOpen());
            QVERIFY(QTest::qWaitFor([this]() { return emulator->streamClients() == 0; }, 10000));
        }
        QPointer<QUdpThread> worker = window->moduleThread();
        QProgressDialog *dialog = window->progress();
        QVERIFY(worker && dialog && dialog->isVisible());
        while (late && !worker->isFinished()) // the end slot has not run yet
            QThread::msleep(1);
        if (!late)
            QVERIFY(QTest::qWaitFor(
                [this]() {
                    for (const RequestLogEntry &request : emulator->requestLog())
                        if (!request.fault.isEmpty())
                            return true;
                    return false;
                },
                30000));
        if (end == QLatin1String("close")) {
            window.reset(); // the destructor stops and deletes the worker first
            QVERIFY(worker.isNull());
            return;
        }
        if (!failure)
            QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this]() { return !window->isModuleBusy(); }, 20000));
        const QString held = "^Zivra\\|Download cancelled: the module holds part %1of the design.$";
        QVERIFY2(warned(failure ? "^Zivra\\|(.|\n)*QRegx: Socket operation timed out$"
                        : late  ? ""
                        : early ? "^Zivra\\|Download cancelled: nothing was written to the module.$"
                                : held.arg(end == "last" ? "or all " : "")),
                 qPrintable(answers->warnings.join('\n')));
        QVERIFY(!dialog->isVisible());
        if (early) { // the module runs what it ran: the window is as it was, counters receive
            QCOMPARE(window->currentDownloadedIndex(), downloaded);
            QVERIFY(deviceActions(counting && !end.endsWith(QLatin1String("edited")), false));
            if (end.endsWith(QLatin1String("stopped")))
                QVERIFY(!counters->stream());
            else
                QVERIFY(!counting ||
                        QTest::qWaitFor([this]() { return emulator->streamClients() == 1; }));
            return;
        }
        if (late) {
            QCOMPARE(answers->informations,
                     QStringList{"Zivra|Cancel came too late: the module holds the whole design."});
            QCOMPARE(window->currentDownloadedIndex(), window->currentUndoIndex());
            return;
        }
        // The module holds parts of the new design: no undo position is what it runs.
        QCOMPARE(window->currentDownloadedIndex(), MainWindow::noDownload);
        QVERIFY(moduleActionsEnabled());
        if (earlier > -2) {
            window->action("action_Undo")->trigger();
            QCOMPARE(window->currentUndoIndex(), earlier);
            QVERIFY(deviceActions(false, false));
        }
    }

    void writeProtectActionRunsTheDialog_data()
    {
        QTest::addColumn<bool>("current"); // the settings the dialog changes
        QTest::addColumn<bool>("boot");
        QTest::addColumn<int>("fault"); // on the skip+1-th write to `at`; Cancel once it fired
        QTest::addColumn<quint32>("at");
        QTest::addColumn<int>("skip");
        QTest::addColumn<QString>("box");      // at the end; empty: none
        QTest::addColumn<QByteArray>("bytes"); // the live and stored control bytes afterwards
        const int lost = FaultRule::DropReply, late = FaultRule::DelayReply;
        const quint32 live = 0xFFFFFF3Cu, stored = 0xFFFFFC3Cu, enable = 0xFFFFFCFFu;
        const QString unsure = "Zivra|Write Protect cancelled before the module confirmed its "
                               "write: current setting ";
        row("uncancelled", true, true, -1, 0u, 0, QString(), QByteArray("\xF1\x00", 2));
        row("live write lost", true, true, lost, live, 0,
            unsure + "write-protected or not, boot setting not write-protected.",
            QByteArray("\xF1\x01", 2));
        row("boot only, lost", false, true, lost, stored, 0,
            unsure + "write-protected, boot setting write-protected or not.",
            QByteArray("\xF0\x00", 2));
        row("Cancel after the answers", true, true, late, enable, 1,
            "Zivra|Cancel came too late: current setting not write-protected, boot setting "
            "write-protected.",
            QByteArray("\xF1\x00", 2));
        // The answer before a write comes late; Cancel stops that write before it leaves.
        row("late answer, before the first write", true, true, late, enable, 0,
            "Zivra|Write Protect cancelled: nothing was written to the module.",
            QByteArray("\xF0\x01", 2));
        row("late answer, before the boot write", true, true, late, live, 0,
            "Zivra|Write Protect cancelled: current setting not write-protected, boot setting not "
            "write-protected.",
            QByteArray("\xF1\x01", 2));
    }

    void writeProtectActionRunsTheDialog()
    {
        QFETCH(bool, current);
        QFETCH(bool, boot);
        QFETCH(int, fault);
        QFETCH(quint32, at);
        QFETCH(int, skip);
        QFETCH(QString, box);
        QFETCH(QByteArray, bytes);
        emulator->poke(0xFFFFFF3Cu, QByteArray(1, char(0xF0))); // current protected, boot not
        emulator->poke(0xFFFFFC3Cu, QByteArray(1, char(0x01)));
        bool shown = false;
        answers->dialogs.enqueue([&](QDialog *dialog) {
            auto *currentBox = dialog->findChild<QCheckBox *>("currentCheckBox");
            auto *bootBox = dialog->findChild<QCheckBox *>("bootCheckBox");
            shown = currentBox->isChecked() && !bootBox->isChecked();
            currentBox->setChecked(currentBox->isChecked() != current);
            bootBox->setChecked(bootBox->isChecked() != boot);
            dialog->findChild<QDialogButtonBox *>("buttonBox")
                ->button(QDialogButtonBox::Ok)
                ->click();
            return dialog->result();
        });
        // A held answer comes 500 ms late after the answers, 50 ms late before a write.
        const auto cancelWhenHeld = [this](const char *action, FaultRule rule) {
            rule.delayMs = rule.skip ? 500 : 50;
            emulator->addRule(rule);
            window->action(action)->trigger();
            QVERIFY(QTest::qWaitFor([this]() { return emulator->ruleCount() == 0; }, 10000));
            QTest::mouseClick(window->progress()->findChild<QPushButton *>(), Qt::LeftButton);
        };
        open();
        FaultRule rule(FaultRule::Action(qMax(fault, 0)), FaultRule::WriteCommand, at, at);
        rule.skip = skip;
        if (fault < 0)
            window->action("action_Write_Protect")->trigger();
        else
            cancelWhenHeld("action_Write_Protect", rule);
        QVERIFY(waitIdle() && shown);
        const QByteArray held = emulator->peek(0xFFFFFF3Cu, 1) + emulator->peek(0xFFFFFC3Cu, 1);
        if (fault == FaultRule::DelayReply && !skip && held != bytes)
            QSKIP("Cancel came after the next write had left");
        QCOMPARE(held, bytes);
        QCOMPARE(answers->warnings + answers->informations,
                 box.isEmpty() ? QStringList() : QStringList{box});
        QVERIFY(!emulator->writeEnabled());

        // Then a boot-page change, cancelled while its write enable's answer comes late.
        answers->warnings.clear();
        answers->informations.clear();
        emulator->poke(0xFFFFFF3Cu, QByteArray(1, char(0xF1)));
        answers->dialogs.enqueue([](QDialog *dialog) {
            auto *pages = dialog->findChild<QTableWidget *>("tableWidget");
            qobject_cast<QCheckBox *>(pages->cellWidget(3, 0))->click();
            dialog->findChild<QDialogButtonBox *>("buttonBox")
                ->button(QDialogButtonBox::Ok)
                ->click();
            return dialog->result();
        });
        cancelWhenHeld(
            "action_Change_Boot_ROM_Page",
            FaultRule(FaultRule::DelayReply, FaultRule::WriteCommand, 0xFFFFFCFFu, 0xFFFFFCFFu));
        QVERIFY(waitIdle());
        if (emulator->peek(0xFFFFFC3Eu, 1) != QByteArray(1, '\0'))
            QSKIP("Cancel came after the boot page's write had left");
        QVERIFY(warned("^Zivra\\|Change Boot ROM Page cancelled: nothing was written to the "
                       "module.$"));
        answers->warnings.clear();
        // The worker itself refuses a module it does not know.
        emulator->setVersion(QByteArray("\x01\x10\x05\x01", 4));
        window->action("action_Write_Protect")->trigger();
        QVERIFY(waitIdle());
        QVERIFY(warned("^Zivra\\|This application does not support the Hardware.$"));
        QCOMPARE(answers->modals.size(), 2);
    }

    void settingsAndReportDialogs()
    {
        open();
        answers->dialogs.enqueue([](QDialog *dialog) {
            dialog->findChild<QLineEdit *>("lineEditTcp")->setText("2525");
            dialog->findChild<QDialogButtonBox *>("buttonBox")
                ->button(QDialogButtonBox::Ok)
                ->click();
            return dialog->result();
        });
        window->action("action_Property")->trigger();
        QCOMPARE(answers->modals, QStringList{"PropertyDialog"});
        QCOMPARE(window->connectionSettings.tcpPort, quint16(2525));
        QCOMPARE(window->currentUndoIndex(), 0); // not an edit of the design
        reopens("action_DRC", &MainWindow::drcReport);
        QCOMPARE(window->drcReport()->textEdit->toPlainText(),
                 QStringLiteral("No error detected."));
    }

    void afterDownloadOpensUpdatesAndClosesTheWindows()
    {
        emulator->poke(0x006E, QByteArray("\x01\x00", 2));
        open(counter + userInput, true);
        QVERIFY(downloadNow());
        QPointer<MsrCntWidget> counters = window->counterWindow();
        QPointer<UserControlDialog> switches = window->userControl();
        QVERIFY(counters && counters->isVisible());
        QVERIFY(switches && switches->isVisible());
        QCOMPARE(window->counterConfig()->mode[2], 8);
        QCOMPARE(window->counterConfig()->mode[0], -1);
        QCOMPARE(window->counterConfig()->tcpPort, emulator->tcpPort());
        QVERIFY(deviceActions(true, true));
        auto *row8 = switches->findChild<QRadioButton *>("on8");
        QVERIFY(
            QTest::qWaitFor([row8]() { return row8->isEnabled() && row8->isChecked(); }, 10000));

        // A second download updates both in place; the switches are read again. It stopped the
        // counter started before it, so the button offers Start again.
        auto *start = counters->findChild<QPushButton *>("startButton2");
        QVERIFY(QTest::qWaitFor([start]() { return start->isEnabled(); }, 20000));
        start->click();
        QVERIFY(QTest::qWaitFor([this]() { return emulator->peek(0x0066, 1) == "\x80"; }, 10000));
        emulator->poke(0x006E, QByteArray("\x00\x00", 2));
        QVERIFY(downloadNow());
        QCOMPARE(emulator->peek(0x0066, 1), QByteArray(1, '\0'));
        QCOMPARE(window->counterWindow(), counters.data());
        QCOMPARE(window->userControl(), switches.data());
        QVERIFY(counters->isVisible());
        QCOMPARE(start->text(), QStringLiteral("Start"));
        QVERIFY(
            QTest::qWaitFor([row8]() { return row8->isEnabled() && !row8->isChecked(); }, 10000));

        // A design without counters or user-controlled inputs closes both and drops the records.
        QByteArray plain = design(QByteArray(), true);
        window->loadDiagram(plain, QStringLiteral("plain.zvr3"), false);
        QVERIFY(downloadNow());
        QVERIFY(!window->counterWindow() && !window->userControl());
        QVERIFY(!window->counterConfig() && !window->userControlConfig());
        QVERIFY(deviceActions(false, false));
        QVERIFY(QTest::qWaitFor([&]() { return counters.isNull() && switches.isNull(); }, 10000));
        QVERIFY(warned(QString()));
    }

    void countersLogIntoTheirFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("decoy"); // an existing folder named by its first word
        row("a blank, first word taken", "my logs", "my");
        row("blanks", "run  1 of 2", "");
        row("a key word", "run Unit=2", "run");
    }

    // Downloaded, the counter window connects by itself; a started counter logs into the folder
    // the design names and nowhere else.
    void countersLogIntoTheirFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, decoy);
        QTemporaryDir dir;
        const QString logs = dir.filePath(folder);
        QVERIFY(QDir(dir.path()).mkdir(folder) &&
                (decoy.isEmpty() || QDir(dir.path()).mkdir(decoy)));
        const QByteArray settings = "Mode=0 Unit=usec FileSave=true PATH=" + logs.toUtf8();
        open(entry("MsrCnt0", 1, "MsrCnt0", "<property>" + settings + "</property>"), true);
        window->action("action_Download")->trigger();
        QVERIFY(waitIdle() && warned(QString()) && window->counterWindow());
        auto *start = window->counterWindow()->findChild<QPushButton *>("startButton0");
        QVERIFY(QTest::qWaitFor([start]() { return start->isEnabled(); }, 20000));
        start->click();
        auto *number = window->counterWindow()->findChild<QLineEdit *>("number0");
        QVERIFY(QTest::qWaitFor([number]() { return number->text().toInt() >= 3; }, 20000));
        window->counterWindow()->findChild<QPushButton *>("quitButton")->click();

        QStringList found;
        for (QDirIterator files(dir.path(), QDir::Files, QDirIterator::Subdirectories);
             files.hasNext();)
            found << files.next();
        const QString log = logs + "/MsrCnt0_" +
                            QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + "0.csv";
        QCOMPARE(found, QStringList(log));
        QVERIFY(QString::fromUtf8(readFile(log))
                    .contains(QRegularExpression("^Time\\[HH:MM:SS\\],MsrCnt0\\[usec\\]\n(\\d\\d:"
                                                 "\\d\\d:\\d\\d,\\d+\\.\\d{3}\n){3,}$")));
    }

    void withoutAutoConnectOnlyTheActionsAreEnabled()
    {
        // IN-USER counts even unset; a user name stands for the input's own.
        open(counter + userInput + entry("Input", 4, "IN-USER") +
             entry("Input", 2, "IN-CH2",
                   "<userName>Veto</userName><property>bUserControl=true</property>") +
             entry("Input", 3, "IN-CH3", "<property>bUser=true bHigh=false Vth=10</property>"));
        window->on_action_User_Control_triggered();
        QCOMPARE(answers->warnings.join("#"),
                 QString("|The displayed data have not been yet downloaded."));
        QVERIFY(!window->userControl());
        QVERIFY(deviceActions(false, false));
        QVERIFY(downloadNow());
        QVERIFY(!window->counterWindow() && !window->userControl());
        QVERIFY(deviceActions(true, true));
        const UserControlRecord *record = window->userControlConfig();
        QCOMPARE(QStringList(record->names, record->names + 10),
                 (QStringList{"", "", "Veto", "", "", "", "", "", "IN-OPT", "IN-USER"}));
        QCOMPARE(record->count, 3);
        QCOMPARE(record->host, QStringLiteral("127.0.0.1"));
        QCOMPARE(record->udpPort, emulator->udpPort());

        // An edit leaves the downloaded state; undo returns to it.
        window->connectionSettings.tcpPort = 2525;
        window->recordUndo();
        QVERIFY(!enabled("actionVe_xon"));
        window->action("action_Undo")->trigger();
        QVERIFY(deviceActions(true, true));

        reopens("action_User_Control", &MainWindow::userControl);
        QVERIFY(!QTest::currentTestFailed());
        // A module that stops answering closes the dialog and disables both device actions.
        QPointer<QRadioButton> row8 = window->userControl()->findChild<QRadioButton *>("on8");
        QVERIFY(QTest::qWaitFor([row8]() { return row8 && row8->isEnabled(); }, 10000));
        emulator->addRule(
            FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
        row8->click();
        QVERIFY(QTest::qWaitFor([this]() { return !window->userControl(); }, 30000));
        QVERIFY(deviceActions(false, false));
        QCOMPARE(answers->warnings.size(), 2);
        // A new document forgets the records of the download.
        window->newDiagram();
        QVERIFY(!window->userControlConfig() && !window->counterConfig());
    }

    void channelSettingsReachTheModule_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QStringList>("fields"); // texts, or checked for a radio button
        QTest::addColumn<QString>("registers");
        row("threshold", "IN-CH0", QStringList{"user", "high", "vth=1.25"}, "70/2=3071 6b/1&1=0");
        row("oscillator", "IN-USER", QStringList{"mainComboBox=usec", "mainLineEdit=1.5"},
            "88/4=1500 8c/4=899 6c/2&200=0");
    }

    // A channel on two sheets, set through the real dialog of the second sheet's
    // block: saved, reopened and downloaded, every copy and the module hold it.
    void channelSettingsReachTheModule()
    {
        QFETCH(QString, channel);
        QFETCH(QStringList, fields);
        QFETCH(QString, registers);
        const QByteArray copies =
            entry("Input", 1, "IN-CH0") +
            entry("Input", 2, "IN-USER", "<property>MainCnt=1nsec SubCnt=900nsec</property>");
        QByteArray doc = design(copies, false)
                             .replace("</Zivra3>", "<tab id=\"1\" name=\"Sheet2\">" + copies +
                                                       "</tab></Zivra3>");
        window = newWindow();
        window->loadDiagram(doc, QStringLiteral("design.zvr3"), false);
        QTimer::singleShot(0, [&fields]() {
            QWidget *dialog = QApplication::activeModalWidget();
            for (const QString &field : fields) {
                QWidget *widget = dialog->findChild<QWidget *>(field.section('=', 0, 0));
                widget->metaObject()->userProperty().write(
                    widget, field.contains('=') ? QVariant(field.section('=', 1)) : true);
            }
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        const int undoIndex = window->currentUndoIndex();
        for (QAction *action : find(window->design()->inputBlocks, channel, 1)->owner()->actions())
            if (action->text() == "&Edit")
                action->trigger();
        QCOMPARE(window->currentUndoIndex(), undoIndex + 1); // one undo step

        QTemporaryDir dir;
        QVERIFY(window->save(dir.filePath("two sheets.zvr3")));
        window = newWindow();
        window->open(dir.filePath("two sheets.zvr3"));
        QCOMPARE(find(window->design()->inputBlocks, channel, 0)->params(),
                 find(window->design()->inputBlocks, channel, 1)->params());
        window->action("action_Download")->trigger();
        QVERIFY(waitIdle());
        QCOMPARE(MemoryModule::words(registers,
                                     [this](quint32 a, int n) { return emulator->peek(a, n); }),
                 registers);
    }

    void theCountersActionAsksWhenTheDesignDiffers_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("downloaded"); // counter mode; empty: no counter
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("opens");
        QTest::newRow("no counter") << true << ""
                                    << "" << -1 << "^Zivra\\|There is no MsrCnt.$" << false;
        QTest::newRow("as downloaded") << true << "Mode=8"
                                       << "Mode=8" << -1 << "" << true;
        QTest::newRow("never downloaded, Yes") << false << "Mode=8"
                                               << "Mode=8" << int(QMessageBox::Yes) << "" << true;
        QTest::newRow("other modes, Cancel") << true << "Mode=8"
                                             << "Mode=9" << int(QMessageBox::Cancel) << "" << false;
    }

    void theCountersActionAsksWhenTheDesignDiffers()
    {
        QFETCH(bool, download);
        QFETCH(QString, downloaded);
        QFETCH(QString, shown);
        QFETCH(int, answer);
        QFETCH(QString, warning);
        QFETCH(bool, opens);
        if (answer >= 0)
            answers->buttons.enqueue(QMessageBox::StandardButton(answer));
        open(downloaded.isEmpty() ? QByteArray()
                                  : QByteArray(counter).replace("Mode=8", downloaded.toLatin1()));
        if (download)
            QVERIFY(downloadNow());
        for (BlockItem *block : window->design()->sinkBlocks)
            if (block->name() == QLatin1String("MsrCnt2"))
                block->params() = shown + QStringLiteral(" FileSave=false");
        window->on_actionVe_xon_triggered();
        QCOMPARE(answers->questions,
                 answer >= 0
                     ? QStringList{"|It may be different that the downloaded data are displayed."}
                     : QStringList());
        QVERIFY2(warned(warning), qPrintable(answers->warnings.join('\n')));
        QCOMPARE(window->counterWindow() != nullptr, opens);
        if (opens) {
            // Once open it is raised, not opened again.
            MsrCntWidget *first = window->counterWindow();
            if (answer >= 0)
                answers->buttons.enqueue(QMessageBox::Yes);
            window->on_actionVe_xon_triggered();
            QCOMPARE(window->counterWindow(), first);
        }
    }
};

QTEST_MAIN(TestModuleOps)
#include "tst_moduleops.moc"
