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
#include "usercontroldialog.h"
#include "usercontrolrecord.h"
#include "windowkit.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextEdit>
#include <QUdpSocket>

#include <memory>

// The module operations of the main window, end to end: the real window and its worker
// threads against the module emulator on 127.0.0.1, every box answered by script.
class TestModuleOps : public QObject, private WindowKit
{
    Q_OBJECT

private:
    std::unique_ptr<ModuleEmulator> emulator;

    // IN-CH0 through a PreLogic, a counter and a PostLogic to OUT-CH0; `extra` adds entries.
    static QByteArray cleanBody(const QByteArray &extra = QByteArray())
    {
        return entry("Input", 0, "IN-CH0") +
               entry("PreLogic", 0, "PreLgc0",
                     "<net port=\"0\">IN-CH0</net><property>_A</property>") +
               entry("CntFnc", 0, "CntFnc0",
                     "<net port=\"0\">PreLgc0</net>"
                     "<property>Mode=3 MainCnt=100nsec SubCnt=20nsec</property>") +
               entry("PostLogic", 0, "PstLgc0",
                     "<net port=\"0\">CntFnc0</net><property>_A</property>") +
               entry("OUT-CH0", 0, "OUT-CH0",
                     "<net port=\"0\">PstLgc0</net><property>bNIM=true bTTL=false </property>") +
               extra;
    }

    std::unique_ptr<MainWindow> openDesign(const QByteArray &body, quint16 udpPort,
                                           bool autoConnect = false, int timeout = 1)
    {
        const QByteArray root = "<Zivra3 addr=\"127.0.0.1\" tcpPort=\"" +
                                QByteArray::number(emulator->tcpPort()) + "\" udpPort=\"" +
                                QByteArray::number(udpPort) + "\" Timeout=\"" +
                                QByteArray::number(timeout) + "\" autoConnect=\"" +
                                (autoConnect ? "true" : "false") + "\">";
        std::unique_ptr<MainWindow> window = newWindow();
        QByteArray doc = document("<tab id=\"0\" name=\"Sheet1\">\n" + body + "</tab>\n", root);
        window->loadDiagram(doc, QStringLiteral("design.zvr3"), false);
        return window;
    }

    std::unique_ptr<MainWindow> openDesign(const QByteArray &body, bool autoConnect = false)
    {
        return openDesign(body, emulator->udpPort(), autoConnect);
    }

    static bool waitIdle(MainWindow *window)
    {
        return QTest::qWaitFor([window]() { return !window->isModuleBusy(); }, 60000);
    }

    static QByteArray compiled(MainWindow *window)
    {
        MemoryModule module;
        window->design()->download(&module);
        return module.image();
    }

    static bool enabled(MainWindow *window, const char *name)
    {
        return window->action(name)->isEnabled();
    }

    static bool moduleActionsEnabled(MainWindow *window)
    {
        for (const char *name : {"action_Download", "action_Verify", "action_Write_Protect",
                                 "action_Save", "action_Restore", "action_Clear_ROM", "actionSync"})
            if (!enabled(window, name))
                return false;
        return true;
    }

    // The action shows its dialog, a second time the same one; closed by the user, the dialog is
    // forgotten and deleted, and the action makes a new one.
    template <typename Dialog>
    static void reopens(MainWindow *window, const char *action, Dialog *(MainWindow::*held)() const)
    {
        window->action(action)->trigger();
        QPointer<Dialog> first = (window->*held)();
        QVERIFY(first && first->isVisible());
        window->action(action)->trigger();
        QCOMPARE((window->*held)(), first.data());
        first->close();
        QVERIFY(!(window->*held)());
        QVERIFY(QTest::qWaitFor([&]() { return first.isNull(); }, 10000));
        window->action(action)->trigger();
        QVERIFY((window->*held)());
    }

    // A UDP port on 127.0.0.1 where nothing listens.
    static quint16 deadPort()
    {
        QUdpSocket probe;
        probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
        return probe.localPort();
    }

    // Runs the download step as the check thread's success would, and waits for its end.
    static bool downloadNow(MainWindow *window)
    {
        window->download(true);
        return waitIdle(window);
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        emulator = std::make_unique<ModuleEmulator>();
        QString error;
        QVERIFY2(emulator->start(0, 0, &error), qPrintable(error));
    }

    void cleanup() { emulator.reset(); }

    void downloadWritesTheCompiledImage()
    {
        ScriptedAnswers answers;
        auto window = openDesign(cleanBody());
        QVERIFY(downloadNow(window.get()));
        QCOMPARE(answers.warnings, QStringList());
        QCOMPARE(emulator->designImage(), compiled(window.get()));
        QVERIFY(window->progress());
        QVERIFY(!window->progress()->isVisible());
        QCOMPARE(window->progress()->labelText(), QStringLiteral("Download - REGX Access"));
        QCOMPARE(window->progress()->maximum(), 8256);
        QCOMPARE(window->currentDownloadedIndex(), window->currentUndoIndex());
        QVERIFY(moduleActionsEnabled(window.get()));
    }

    void verifyReportsTheOutcome_data()
    {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("protect");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("information");
        QTest::addColumn<QString>("warning");
        QTest::newRow("match") << false << false << int(QMessageBox::Yes)
                               << "Zivra|Verify: The Register data is matched." << QString();
        QTest::newRow("mismatch")
            << true << false << int(QMessageBox::Yes) << QString()
            << "Zivra|Verify: The Register data don't match.\n\nfirst mismatch at ";
        QTest::newRow("declined") << true << false << int(QMessageBox::Cancel) << QString()
                                  << QString();
        QTest::newRow("write-protected")
            << false << true << -1 << QString() << "Zivra|The Register is write-protected.";
        QTest::newRow("write-protected, Download")
            << true << true << -1 << QString() << "Zivra|The Register is write-protected.";
    }

    void verifyReportsTheOutcome()
    {
        QFETCH(bool, change);
        QFETCH(bool, protect);
        QFETCH(int, answer);
        QFETCH(QString, information);
        QFETCH(QString, warning);
        ScriptedAnswers answers;
        if (answer >= 0)
            answers.buttons.enqueue(QMessageBox::StandardButton(answer));
        auto window = openDesign(cleanBody());
        QVERIFY(downloadNow(window.get()));
        if (change)
            emulator->poke(0x2000, QByteArray(1, char(0x5A)));
        emulator->setWriteProtected(protect, false);
        emulator->clearLog();

        const QByteArray image = emulator->designImage();
        // The last row asks for a download instead; its changed register must stay as it is.
        const bool download = QByteArray(QTest::currentDataTag()).endsWith("Download");
        window->action(download ? "action_Download" : "action_Verify")->trigger();
        QVERIFY(window->isModuleBusy());
        QVERIFY(!moduleActionsEnabled(window.get()));
        QVERIFY(waitIdle(window.get()));
        QCOMPARE(emulator->designImage(), image);

        QCOMPARE(answers.questions.size(), answer >= 0 ? 1 : 0);
        if (answer >= 0)
            QCOMPARE(answers.questions.first(),
                     QStringLiteral("|The output may become unstable during verify."));
        QCOMPARE(answers.informations,
                 information.isEmpty() ? QStringList() : QStringList{information});
        QCOMPARE(answers.warnings.size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QVERIFY2(answers.warnings.first().startsWith(warning),
                     qPrintable(answers.warnings.first()));
        // Only an accepted verify reads the tables back.
        bool tablesRead = false;
        for (const RequestLogEntry &request : emulator->requestLog())
            tablesRead = tablesRead || (!request.isWrite() && request.address >= 0x2000 &&
                                        request.address < 0x4000);
        QCOMPARE(tablesRead, answer == QMessageBox::Yes);
        QVERIFY(moduleActionsEnabled(window.get()));
    }

    void failuresEndWithTheirText_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("dead");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("started");
        // The worker's text ends in the engine's words for the failure.
        QTest::newRow("nothing listening, Download") << QByteArray("action_Download") << "127.0.0.1"
                                                     << true << "^Zivra\\|(.|\n)*Q?REGX: " << true;
        QTest::newRow("nothing listening, Verify") << QByteArray("action_Verify") << "127.0.0.1"
                                                   << true << "^Zivra\\|(.|\n)*Q?REGX: " << true;
        QTest::newRow("name, no address") << QByteArray("action_Verify") << "module" << false
                                          << "^Zivra\\|\"module\" is not a module address.\n"
                                          << false;
        QTest::newRow("three parts") << QByteArray("action_Download") << "127.0.1" << false
                                     << "^Zivra\\|\"127.0.1\" is not a module address." << false;
        QTest::newRow("leading zero") << QByteArray("action_Verify") << "127.0.0.01" << false
                                      << "^Zivra\\|\"127.0.0.01\" is not a module address." << false;
        QTest::newRow("empty") << QByteArray("action_Write_Protect") << "" << false
                               << "^Zivra\\|\"\" is not a module address." << false;
    }

    void failuresEndWithTheirText()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, host);
        QFETCH(bool, dead);
        QFETCH(QString, warning);
        QFETCH(bool, started);
        ScriptedAnswers answers;
        auto window = openDesign(cleanBody(), dead ? deadPort() : emulator->udpPort());
        window->connectionSettings.host = host;
        window->action(action)->trigger();
        QCOMPARE(window->isModuleBusy(), started);
        QVERIFY(waitIdle(window.get()));
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY2(answers.warnings.first().contains(
                     QRegularExpression(warning, QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(answers.warnings.first()));
        QCOMPARE(answers.questions, QStringList());
        QVERIFY(moduleActionsEnabled(window.get()));
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        QVERIFY(!enabled(window.get(), "action_User_Control"));
    }

    void aSecondOperationIsRefusedWhileOneRuns()
    {
        ScriptedAnswers answers;
        // The check thread's first request goes unanswered for a while.
        FaultRule slow(FaultRule::DelayReply, FaultRule::ReadCommand, 0, 3);
        slow.delayMs = 300;
        emulator->addRule(slow);
        auto window = openDesign(cleanBody());
        window->action("action_Verify")->trigger();
        QUdpThread *running = window->moduleThread();
        QVERIFY(running);
        window->action("action_Verify")->trigger();
        window->on_action_Verify_triggered();
        QCOMPARE(window->moduleThread(), running);

        // The end of a stray thread deletes that thread, never the running one.
        QPointer<QUdpThread> stray = new QUdpThread;
        connect(stray.data(), SIGNAL(closed(bool)), window.get(), SLOT(verifyStopped(bool)));
        emit stray->closed(true);
        QVERIFY(stray.isNull());
        QCOMPARE(window->moduleThread(), running);

        answers.buttons.enqueue(QMessageBox::Cancel);
        QVERIFY(waitIdle(window.get()));
        QCOMPARE(answers.questions.size(), 1);
        QCOMPARE(answers.warnings, QStringList());
    }

    void verifyHoldsEditsOffWhileItReads()
    {
        ScriptedAnswers answers;
        answers.buttons.enqueue(QMessageBox::Yes);
        auto window = openDesign(cleanBody());
        FaultRule slow(FaultRule::DelayReply, FaultRule::ReadCommand, 0x2000, 0x3FFF);
        slow.delayMs = 300;
        emulator->addRule(slow);
        window->action("action_Verify")->trigger();
        QVERIFY(QTest::qWaitFor(
            [&]() { return window->progress() && window->progress()->isVisible(); }, 30000));
        QProgressDialog *busy = window->progress();
        QCOMPARE(busy->labelText(), QStringLiteral("Verify - REGX Access"));
        QVERIFY(busy->isModal());
        QVERIFY(window->isModuleBusy());
        QVERIFY(!enabled(window.get(), "action_Download"));
        QVERIFY(waitIdle(window.get()));
        QVERIFY(!busy->isVisible());
        QCOMPARE(answers.warnings.size(), 1); // the mismatch, since the design was not downloaded
    }

    void cancelStopsTheDownload()
    {
        ScriptedAnswers answers;
        // Table writes get no reply: the worker waits, with a long timeout, until cancelled.
        FaultRule drop(FaultRule::DropReply, FaultRule::WriteCommand, 0x2000, 0x3FFF, -1);
        emulator->addRule(drop);
        auto window = openDesign(cleanBody(), emulator->udpPort(), false, 20);
        window->download(true);
        QProgressDialog *dialog = window->progress();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(QTest::qWaitFor(
            [this]() {
                for (const RequestLogEntry &request : emulator->requestLog())
                    if (request.isWrite() && request.address >= 0x2000)
                        return true;
                return false;
            },
            30000));
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&]() { return !window->isModuleBusy(); }, 10000));
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY2(answers.warnings.first() == QLatin1String("Zivra|QRegx: Aborted") ||
                     answers.warnings.first() == QLatin1String("Zivra|REGX: Download Cancelled"),
                 qPrintable(answers.warnings.first()));
        QVERIFY(!dialog->isVisible());
        QVERIFY(window->currentDownloadedIndex() != window->currentUndoIndex() ||
                window->currentUndoIndex() == -1);
        QVERIFY(moduleActionsEnabled(window.get()));
    }

    void closingTheWindowStopsTheWorker()
    {
        ScriptedAnswers answers;
        FaultRule drop(FaultRule::DropReply, FaultRule::WriteCommand, 0x2000, 0x3FFF, -1);
        emulator->addRule(drop);
        auto window = openDesign(cleanBody(), emulator->udpPort(), false, 20);
        window->download(true);
        QPointer<QUdpThread> worker = window->moduleThread();
        QVERIFY(worker);
        QVERIFY(QTest::qWaitFor([&]() { return worker->isRunning(); }, 10000));
        window.reset();
        QVERIFY(worker.isNull());
    }

    void writeProtectActionRunsTheDialog_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<int>("live"); // the control byte and its stored copy, before and after
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("current"); // the boxes as the user leaves them
        QTest::addColumn<bool>("boot");
        QTest::addColumn<int>("liveAfter");
        QTest::addColumn<int>("storedAfter");
        QTest::addColumn<QString>("warning");
        const QByteArray v = "3";
        QTest::newRow("protect current")
            << v << 0x01 << 0x01 << true << false << 0x00 << 0x01 << "";
        QTest::newRow("release current")
            << v << 0xF0 << 0x01 << false << false << 0xF1 << 0x01 << "";
        QTest::newRow("protect boot") << v << 0x01 << 0x81 << false << true << 0x01 << 0x80 << "";
        QTest::newRow("both") << v << 0x01 << 0x01 << true << true << 0x00 << 0x00 << "";
        QTest::newRow("nothing changed")
            << v << 0x01 << 0x00 << false << true << 0x01 << 0x00 << "";
        // The worker itself refuses a module it does not know.
        QTest::newRow("unknown module")
            << QByteArray("\x01") << 0x01 << 0x01 << true << true << 0x01 << 0x01
            << "Zivra|This application does not support the Hardware.";
    }

    void writeProtectActionRunsTheDialog()
    {
        QFETCH(QByteArray, version);
        QFETCH(int, live);
        QFETCH(int, stored);
        QFETCH(bool, current);
        QFETCH(bool, boot);
        QFETCH(int, liveAfter);
        QFETCH(int, storedAfter);
        QFETCH(QString, warning);
        ScriptedAnswers answers;
        emulator->setVersion(version + QByteArray("\x10\x05\x01"));
        emulator->poke(0xFFFFFF3Cu, QByteArray(1, char(live)));
        emulator->poke(0xFFFFFC3Cu, QByteArray(1, char(stored)));
        QPair<bool, bool> shown;
        answers.dialogs.enqueue([&](QDialog *dialog) {
            auto *currentBox = dialog->findChild<QCheckBox *>("currentCheckBox");
            auto *bootBox = dialog->findChild<QCheckBox *>("bootCheckBox");
            shown = qMakePair(currentBox->isChecked(), bootBox->isChecked());
            currentBox->setChecked(current);
            bootBox->setChecked(boot);
            dialog->findChild<QDialogButtonBox *>("buttonBox")
                ->button(QDialogButtonBox::Ok)
                ->click();
            return dialog->result();
        });
        auto window = openDesign(cleanBody());
        window->action("action_Write_Protect")->trigger();
        QVERIFY(waitIdle(window.get()));
        QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(answers.modals.size(), warning.isEmpty() ? 1 : 0);
        if (warning.isEmpty())
            QCOMPARE(shown, qMakePair(!(live & 1), !(stored & 1)));
        QCOMPARE(int(quint8(emulator->peek(0xFFFFFF3Cu, 1).at(0))), liveAfter);
        QCOMPARE(int(quint8(emulator->peek(0xFFFFFC3Cu, 1).at(0))), storedAfter);
        QVERIFY(!emulator->writeEnabled());
    }

    void downloadPassesTheDesignRuleCheck_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("answer"); // how the modal report is left
        QTest::addColumn<bool>("modal");
        QTest::addColumn<bool>("report");
        QTest::addColumn<bool>("downloaded");
        const QByteArray warning = entry("PostLogic", 1, "PstLgc1",
                                         "<net port=\"0\">CntFnc0</net><property>_A</property>");
        const QByteArray error = entry("PreLogic", 1, "PreLgc1");
        QTest::newRow("clean") << QByteArray() << QString() << false << false << true;
        QTest::newRow("warnings, Download") << warning << "download" << true << false << true;
        QTest::newRow("warnings, Cancel") << warning << "cancel" << true << false << false;
        QTest::newRow("warnings, closed") << warning << "close" << true << false << false;
        QTest::newRow("errors") << error + warning << QString() << false << true << false;
    }

    void downloadPassesTheDesignRuleCheck()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QString, answer);
        QFETCH(bool, modal);
        QFETCH(bool, report);
        QFETCH(bool, downloaded);
        ScriptedAnswers answers;
        QString shownReport;
        answers.dialogs.enqueue([&](QDialog *dialog) {
            auto *drc = qobject_cast<DrcDialog *>(dialog);
            shownReport = drc->textEdit->toPlainText();
            dialog->show();
            if (answer == QLatin1String("download"))
                QTest::mouseClick(dialog->findChild<QPushButton *>("downloadButton"),
                                  Qt::LeftButton);
            else if (answer == QLatin1String("cancel"))
                QTest::mouseClick(dialog->findChild<QPushButton *>("cancelButton"), Qt::LeftButton);
            else
                dialog->close();
            return dialog->result();
        });
        auto window = openDesign(cleanBody(extra));
        const QByteArray before = emulator->designImage();
        window->action("action_Download")->trigger();
        QVERIFY(waitIdle(window.get()));
        QCOMPARE(answers.modals, modal ? QStringList{"DrcDialog"} : QStringList());
        if (modal)
            QCOMPARE(shownReport, QStringLiteral("warning: PstLgc1: Outport is not connected.\n"));
        QCOMPARE(window->drcReport() != nullptr, report);
        if (report) {
            QVERIFY(window->drcReport()->isVisible());
            QVERIFY(window->drcReport()->textEdit->toPlainText().startsWith("error: PreLgc1"));
            QVERIFY(!window->drcReport()->findChild<QPushButton *>("downloadButton"));
            // A second attempt shows the same report window.
            DrcDialog *first = window->drcReport();
            window->action("action_Download")->trigger();
            QCOMPARE(window->drcReport(), first);
            QVERIFY(!window->isModuleBusy());
        }
        QCOMPARE(emulator->designImage() == compiled(window.get()), downloaded);
        if (!downloaded)
            QCOMPARE(emulator->designImage(), before);
        QCOMPARE(answers.warnings, QStringList());
        QCOMPARE(answers.unexpected, 0);
    }

    void closedReportsAreForgottenAndDeleted()
    {
        ScriptedAnswers answers;
        auto window = openDesign(cleanBody());
        reopens(window.get(), "action_DRC", &MainWindow::drcReport);
        QCOMPARE(window->drcReport()->textEdit->toPlainText(),
                 QStringLiteral("No error detected."));
    }

    void connectionSettingsAreEditedModally()
    {
        ScriptedAnswers answers;
        auto window = openDesign(cleanBody());
        answers.dialogs.enqueue([](QDialog *dialog) {
            dialog->findChild<QLineEdit *>("lineEditTcp")->setText("2525");
            dialog->findChild<QDialogButtonBox *>("buttonBox")
                ->button(QDialogButtonBox::Ok)
                ->click();
            return dialog->result();
        });
        window->action("action_Property")->trigger();
        QCOMPARE(answers.modals, QStringList{"PropertyDialog"});
        QCOMPARE(window->connectionSettings.tcpPort, quint16(2525));
        QCOMPARE(window->currentUndoIndex(), 0);
    }

    void afterDownloadOpensUpdatesAndClosesTheWindows()
    {
        ScriptedAnswers answers;
        emulator->poke(0x006E, QByteArray("\x01\x00", 2));
        const QByteArray extra =
            entry("MsrCnt2", 1, "MsrCnt2",
                  "<net port=\"1\">PstLgc0</net><property>Mode=8 FileSave=false</property>") +
            entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>");
        auto window = openDesign(cleanBody(extra), true);
        QVERIFY(downloadNow(window.get()));
        QPointer<MsrCntWidget> counters = window->counterWindow();
        QPointer<UserControlDialog> switches = window->userControl();
        QVERIFY(counters && counters->isVisible());
        QVERIFY(switches && switches->isVisible());
        QCOMPARE(window->counterConfig()->mode[2], 8);
        QCOMPARE(window->counterConfig()->mode[0], -1);
        QCOMPARE(window->counterConfig()->tcpPort, emulator->tcpPort());
        QVERIFY(enabled(window.get(), "actionVe_xon"));
        QVERIFY(enabled(window.get(), "action_User_Control"));
        auto *row8 = switches->findChild<QRadioButton *>("on8");
        QVERIFY(
            QTest::qWaitFor([row8]() { return row8->isEnabled() && row8->isChecked(); }, 10000));

        // A second download updates both in place; the switches are read again.
        emulator->poke(0x006E, QByteArray("\x00\x00", 2));
        QVERIFY(downloadNow(window.get()));
        QCOMPARE(window->counterWindow(), counters.data());
        QCOMPARE(window->userControl(), switches.data());
        QVERIFY(counters->isVisible());
        QVERIFY(
            QTest::qWaitFor([row8]() { return row8->isEnabled() && !row8->isChecked(); }, 10000));
        QVERIFY(enabled(window.get(), "action_User_Control"));

        // A design without counters or user-controlled inputs closes both and drops the records.
        QByteArray plain =
            document("<tab id=\"0\" name=\"Sheet1\">\n" + cleanBody() + "</tab>\n",
                     "<Zivra3 addr=\"127.0.0.1\" udpPort=\"" +
                         QByteArray::number(emulator->udpPort()) + "\" autoConnect=\"true\">");
        window->loadDiagram(plain, QStringLiteral("plain.zvr3"), false);
        QVERIFY(downloadNow(window.get()));
        QVERIFY(!window->counterWindow() && !window->userControl());
        QVERIFY(!window->counterConfig() && !window->userControlConfig());
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        QVERIFY(!enabled(window.get(), "action_User_Control"));
        QVERIFY(QTest::qWaitFor([&]() { return counters.isNull() && switches.isNull(); }, 10000));
        QCOMPARE(answers.warnings, QStringList());
    }

    void theUserControlActionOpensOrRaisesTheDialog()
    {
        ScriptedAnswers answers;
        const QByteArray optional =
            entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>");
        auto window = openDesign(cleanBody(optional), false);
        window->on_action_User_Control_triggered();
        QCOMPARE(answers.warnings,
                 QStringList{"|The displayed data have not been yet downloaded."});
        QVERIFY(!window->userControl());

        QVERIFY(downloadNow(window.get()));
        QVERIFY(!window->userControl());
        reopens(window.get(), "action_User_Control", &MainWindow::userControl);
        QVERIFY(!QTest::currentTestFailed());

        // A module that stops answering closes it and disables both device actions.
        QPointer<QRadioButton> row8 = window->userControl()->findChild<QRadioButton *>("on8");
        QVERIFY(QTest::qWaitFor([row8]() { return row8 && row8->isEnabled(); }, 10000));
        emulator->addRule(
            FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
        row8->click();
        QVERIFY(QTest::qWaitFor([&]() { return !window->userControl(); }, 30000));
        QVERIFY(!enabled(window.get(), "action_User_Control"));
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        QCOMPARE(answers.warnings.size(), 2);
    }

    void withoutAutoConnectOnlyTheActionsAreEnabled()
    {
        ScriptedAnswers answers;
        const QByteArray extra =
            entry("MsrCnt0", 1, "MsrCnt0",
                  "<net port=\"1\">PstLgc0</net><property>Mode=8 FileSave=false</property>") +
            entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>");
        auto window = openDesign(cleanBody(extra), false);
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        QVERIFY(!enabled(window.get(), "action_User_Control"));
        QVERIFY(downloadNow(window.get()));
        QVERIFY(!window->counterWindow());
        QVERIFY(!window->userControl());
        QVERIFY(enabled(window.get(), "actionVe_xon"));
        QVERIFY(enabled(window.get(), "action_User_Control"));

        // An edit leaves the downloaded state; undo returns to it.
        window->connectionSettings.tcpPort = 2525;
        window->recordUndo();
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        window->action("action_Undo")->trigger();
        QVERIFY(enabled(window.get(), "actionVe_xon"));
        QVERIFY(enabled(window.get(), "action_User_Control"));

        // A failed download leaves both disabled.
        window->connectionSettings.udpPort = deadPort();
        QVERIFY(downloadNow(window.get()));
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY(!enabled(window.get(), "actionVe_xon"));
        QVERIFY(!enabled(window.get(), "action_User_Control"));
    }

    void theCountersActionAsksWhenTheDesignDiffers_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("downloaded"); // counter settings; empty: no counter
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("opens");
        QTest::newRow("no counter")
            << true << QString() << QString() << -1 << "Zivra|There is no MsrCnt." << false;
        QTest::newRow("as downloaded") << true << "Mode=8"
                                       << "Mode=8" << -1 << QString() << true;
        QTest::newRow("never downloaded, Yes")
            << false << "Mode=8"
            << "Mode=8" << int(QMessageBox::Yes) << QString() << true;
        QTest::newRow("other modes, Cancel")
            << true << "Mode=8"
            << "Mode=9" << int(QMessageBox::Cancel) << QString() << false;
    }

    void theCountersActionAsksWhenTheDesignDiffers()
    {
        QFETCH(bool, download);
        QFETCH(QString, downloaded);
        QFETCH(QString, shown);
        QFETCH(int, answer);
        QFETCH(QString, warning);
        QFETCH(bool, opens);
        ScriptedAnswers answers;
        if (answer >= 0)
            answers.buttons.enqueue(QMessageBox::StandardButton(answer));
        const QByteArray counter =
            downloaded.isEmpty() ? QByteArray()
                                 : entry("MsrCnt0", 1, "MsrCnt0",
                                         "<net port=\"1\">PstLgc0</net><property>" +
                                             downloaded.toLatin1() + " FileSave=false</property>");
        auto window = openDesign(cleanBody(counter));
        if (download)
            QVERIFY(downloadNow(window.get()));
        // The design shown since may set the counter's mode otherwise.
        for (BlockItem *block : window->design()->sinkBlocks)
            if (block->name() == QLatin1String("MsrCnt0"))
                block->params() = shown + QStringLiteral(" FileSave=false");
        window->on_actionVe_xon_triggered();
        QCOMPARE(answers.questions,
                 answer >= 0
                     ? QStringList{"|It may be different that the downloaded data are displayed."}
                     : QStringList());
        QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(window->counterWindow() != nullptr, opens);
        if (opens) {
            // Once open it is raised, not opened again.
            MsrCntWidget *first = window->counterWindow();
            if (answer >= 0)
                answers.buttons.enqueue(QMessageBox::Yes);
            window->on_actionVe_xon_triggered();
            QCOMPARE(window->counterWindow(), first);
        }
    }

    void afterDownloadRecordsTheUserControlledInputs_data()
    {
        QTest::addColumn<QByteArray>("inputs");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("none") << QByteArray() << QStringList();
        QTest::newRow("IN-OPT only")
            << entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>")
            << QStringList{"", "", "", "", "", "", "", "", "IN-OPT", ""};
        QTest::newRow("IN-USER unset counts, IN-CH2 with a user name")
            << entry("Input", 1, "IN-USER") +
                   entry("Input", 2, "IN-CH2",
                         "<userName>Veto</userName><property>bUserControl=true</property>") +
                   entry("Input", 3, "IN-CH3", "<property>bUser=true bHigh=false Vth=10</property>")
            << QStringList{"", "", "Veto", "", "", "", "", "", "", "IN-USER"};
    }

    void afterDownloadRecordsTheUserControlledInputs()
    {
        QFETCH(QByteArray, inputs);
        QFETCH(QStringList, names);
        ScriptedAnswers answers;
        auto window = openDesign(cleanBody(inputs));
        QVERIFY(downloadNow(window.get()));
        const UserControlRecord *record = window->userControlConfig();
        QCOMPARE(record != nullptr, !names.isEmpty());
        QCOMPARE(enabled(window.get(), "action_User_Control"), !names.isEmpty());
        if (record) {
            QStringList got;
            for (const QString &name : record->names)
                got << name;
            QCOMPARE(got, names);
            QCOMPARE(record->count, names.size() - names.count(QString()));
            QCOMPARE(record->host, QStringLiteral("127.0.0.1"));
            QCOMPARE(record->udpPort, emulator->udpPort());
        }
        // A new document forgets the records of the download.
        window->newDiagram();
        QVERIFY(!window->userControlConfig());
        QVERIFY(!enabled(window.get(), "action_User_Control"));
    }
};

QTEST_MAIN(TestModuleOps)
#include "tst_moduleops.moc"
