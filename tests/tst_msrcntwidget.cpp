#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "qvexonthread.h"
#include "scriptedanswers.h"
#include "startupoptions.h"
#include "windowkit.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

#include <sys/resource.h>

namespace {

// Modes and names per channel; units default to "nsec".
MsrCntConfig config(const QList<int> &modes, const ModuleEmulator *module = nullptr,
                    bool autoConnect = false)
{
    MsrCntConfig c;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = module ? module->tcpPort() : 0;
    c.udpPort = module ? module->udpPort() : 0;
    c.timeout = 1;
    c.autoConnect = autoConnect;
    for (int n = 0; n < 4; ++n) {
        c.mode[n] = modes.value(n, -1);
        if (c.mode[n] >= 0) {
            c.unit[n] = QStringLiteral("nsec");
            c.name[n] = QStringLiteral("Counter %1").arg(n);
        }
    }
    return c;
}

// Presses `button` in the next modal box once it shows; notes "title|text|informative text".
void closeNextBox(QMessageBox::StandardButton button, QStringList *seen)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, button, seen]() {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen->append(box->windowTitle() + '|' + box->text() + '|' + box->informativeText());
            box->button(button)->click();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

} // namespace

class TestMsrCntWidget : public QObject, public WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void setConfig_data();
    void setConfig();
    void updateData_data();
    void updateData();
    void startStop_data();
    void startStop();
    void writeFaults_data();
    void writeFaults();
    void streamEnd_data();
    void streamEnd();
    void logFailure_data();
    void logFailure();
    void closing_data();
    void closing();

private:
    QLineEdit *field(MsrCntWidget &w, const char *pattern, int n)
    {
        return w.findChild<QLineEdit *>(QString::fromLatin1(pattern).arg(n));
    }
    QPushButton *button(MsrCntWidget &w, const QString &name)
    {
        return w.findChild<QPushButton *>(name);
    }
    QStringList rowTexts(MsrCntWidget &w, int n)
    {
        return {field(w, "number%1", n)->text(), field(w, "updateLineEdit%1", n)->text(),
                field(w, "msrCnt%1LineEdit", n)->text(), field(w, "integration%1", n)->text()};
    }
    bool waitConnected(MsrCntWidget &w)
    {
        return QTest::qWaitFor(
            [&] { return w.statusText() == QLatin1String("Waiting for data ..."); }, 20000);
    }
};

void TestMsrCntWidget::initTestCase()
{
    isolateSettings();
}

void TestMsrCntWidget::setConfig_data()
{
    QTest::addColumn<QList<int>>("modes");
    QTest::addColumn<QString>("startable");
    QTest::newRow("no counters") << QList<int>() << "0000";
    QTest::newRow("missing counters") << QList<int>({-1, 0, -1, 1}) << "0100";
    QTest::newRow("user gates") << QList<int>({0, 4, 8, 12}) << "1111";
    QTest::newRow("other gates") << QList<int>({1, 2, 3, 7}) << "0000";
}

// The rows as a configuration sets them up, then as a connection opens them.
void TestMsrCntWidget::setConfig()
{
    QFETCH(QList<int>, modes);
    QFETCH(QString, startable);
    MsrCntWidget w(config(modes), nullptr);
    QVERIFY(!w.connectionOpen() && !w.stream());
    QVERIFY(button(w, "connectButton")->isEnabled() && !button(w, "stopButton")->isEnabled());
    for (bool connected : {false, true}) {
        if (connected)
            w.connected();
        QCOMPARE(w.statusText(), QLatin1String(connected ? "Waiting for data ..." : "Ready"));
        for (int n = 0; n < 4; ++n) {
            const bool used = modes.value(n, -1) >= 0;
            const QString text = used ? QString() : QStringLiteral("-----");
            if (used)
                QCOMPARE(w.findChild<QLabel *>(QStringLiteral("msrCnt%1Label").arg(n))->text(),
                         QStringLiteral("Counter %1").arg(n));
            QCOMPARE(button(w, QStringLiteral("startButton%1").arg(n))->isEnabled(),
                     connected && startable[n] == '1');
            QCOMPARE(rowTexts(w, n), QStringList({text, text, text, text}));
            for (const char *name :
                 {"number%1", "updateLineEdit%1", "msrCnt%1LineEdit", "integration%1"})
                QCOMPARE(field(w, name, n)->isEnabled(), connected);
        }
    }
}

void TestMsrCntWidget::updateData_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QList<quint64>>("counts");
    QTest::addColumn<QList<double>>("sums");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("integration");
    QTest::newRow("nsec") << "nsec" << QList<quint64>({3, 2}) << QList<double>({3000, 2500}) << "5"
                          << "5500 nsec";
    QTest::newRow("a million records")
        << "nsec" << QList<quint64>({999999, 1}) << QList<double>({1, 1}) << "1e+06"
        << "2 nsec";
    QTest::newRow("six digits of a large count")
        << "nsec" << QList<quint64>({1234567}) << QList<double>({0.4}) << "1.23457e+06"
        << "0 nsec";
    QTest::newRow("usec") << "usec" << QList<quint64>({1, 1}) << QList<double>({12.3454, 0.0004})
                          << "2"
                          << "12.346 usec";
    QTest::newRow("sec") << "sec" << QList<quint64>({7}) << QList<double>({1.5}) << "7"
                         << "1.500000000 sec";
    QTest::newRow("a million seconds") << "sec" << QList<quint64>({7}) << QList<double>({1e6})
                                       << "7"
                                       << "1000000.000000000 sec";
    QTest::newRow("counting source") << "" << QList<quint64>({10}) << QList<double>({55}) << "10"
                                     << "55 ";
}

void TestMsrCntWidget::updateData()
{
    QFETCH(QString, unit);
    QFETCH(QList<quint64>, counts);
    QFETCH(QList<double>, sums);
    QFETCH(QString, number);
    QFETCH(QString, integration);
    MsrCntConfig c = config({0, 0, 0, 0});
    c.unit[1] = unit;
    MsrCntWidget w(c, nullptr);
    w.connected();
    for (int i = 0; i < counts.size(); ++i)
        w.updateData(1, QStringLiteral("42"), counts[i], sums[i]);
    w.updateData(4, QStringLiteral("9"), 1, 1); // no such channel
    w.updateData(-1, QStringLiteral("9"), 1, 1);
    QCOMPARE(w.statusText(), QStringLiteral("Received"));
    const QStringList row = rowTexts(w, 1);
    QCOMPARE(row[0], number);
    QCOMPARE(row[3], integration);
    QCOMPARE(row[2], QStringLiteral("42 ") + unit);
    QVERIFY(QRegExp(QStringLiteral(" \\d\\d:\\d\\d:\\d\\d ")).exactMatch(row[1]));
    // At the window's default size every field shows its whole text, first digit to unit.
    w.show();
    w.grab();
    for (const char *name : {"number%1", "updateLineEdit%1", "msrCnt%1LineEdit", "integration%1"}) {
        QLineEdit *shown = field(w, name, 1);
        const int middle = shown->height() / 2;
        QCOMPARE(shown->cursorPositionAt(QPoint(0, middle)), 0);
        QCOMPARE(shown->cursorPositionAt(QPoint(shown->width() - 1, middle)), shown->text().size());
    }
    QCOMPARE(rowTexts(w, 0), QStringList({"", "", "", ""}));
}

void TestMsrCntWidget::startStop_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("newConfig"); // given after Start: 1 after a disconnect, 2 connected
    for (int n = 0; n < 4; ++n)
        QTest::newRow(qPrintable(QStringLiteral("channel %1").arg(n))) << n << 0;
    QTest::newRow("new configuration after a disconnect") << 1 << 1;
    QTest::newRow("new configuration while connected") << 2 << 2;
}

// Start and Stop write the counter-enable register of the channel; its records follow.
// A new configuration offers Start (a download stops the counters) and reconnects for its units.
void TestMsrCntWidget::startStop()
{
    QFETCH(int, channel);
    QFETCH(int, newConfig);
    ModuleEmulator module;
    StreamPlan plan;
    plan.runningAtStart = 0;
    module.setStreamPlan(plan);
    module.setStreamInterval(20);
    QVERIFY(module.start());
    MsrCntWidget w(config({0, 0, 0, 0}, &module, true), nullptr);
    QVERIFY(waitConnected(w));
    const quint32 reg = 0x0064 + quint32(channel);
    QPushButton *start = button(w, QStringLiteral("startButton%1").arg(channel));
    if (newConfig) {
        start->click();
        QTRY_COMPARE(module.peek(reg, 1), QByteArray(1, char(0x80)));
        if (newConfig == 1)
            w.stopUpdate();
        const QPointer<QVexonThread> old = w.stream();
        MsrCntConfig c = config({0, 0, 0, 0}, &module);
        for (QString &unit : c.unit)
            unit = QStringLiteral("usec");
        w.setConfig(c);
        if (old) // its last report, in the old scale, comes late
            emit old->recived(channel, QStringLiteral("12345"), 1, 12345);
        QVERIFY(!field(w, "msrCnt%1LineEdit", channel)->text().endsWith(" usec"));
        QVERIFY(start->text() == QLatin1String("Start") && !w.isRunning(channel));
        QCOMPARE(w.connectionOpen() && w.stream() != old, newConfig == 2); // made again
        if (newConfig == 1)
            w.connectToServer();
        QVERIFY(waitConnected(w));
    }
    for (const char value : {char(0x80), '\0'}) {
        start->click();
        QCOMPARE(start->text(), QLatin1String(value ? "Stop" : "Start"));
        QTRY_COMPARE(module.peek(reg, 1), QByteArray(1, value));
        if (value)
            QTRY_VERIFY_WITH_TIMEOUT(!field(w, "number%1", channel)->text().isEmpty(), 20000);
        const QString unit = QLatin1String(newConfig ? " usec" : " nsec");
        QVERIFY(!value || field(w, "msrCnt%1LineEdit", channel)->text().endsWith(unit));
        QCOMPARE(module.runningChannels(), quint8(value ? 1 << channel : 0));
    }
    QTRY_COMPARE(w.pendingWrites(), 0);
    for (int n = 0; n < 4; ++n)
        QCOMPARE(field(w, "number%1", n)->text().isEmpty(), n != channel);
}

void TestMsrCntWidget::writeFaults_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("busError");
    QTest::newRow("quick clicks each released") << 0 << 3 << false;
    QTest::newRow("register write failure") << 1 << 1 << true;
}

// Every worker ends and is released, even while an earlier write is still under way; a failed
// write is reported in a box while the button keeps its new state.
void TestMsrCntWidget::writeFaults()
{
    QFETCH(int, channel);
    QFETCH(int, clicks);
    QFETCH(bool, busError);
    ScriptedAnswers answers;
    ModuleEmulator module;
    QVERIFY(module.start());
    FaultRule rule(busError ? FaultRule::BusError : FaultRule::DelayReply, FaultRule::WriteCommand,
                   0x0064, 0x0067, busError ? -1 : 1);
    rule.delayMs = 300;
    module.addRule(rule);
    MsrCntWidget w(config({0, 0}, &module), nullptr);
    for (int i = 0; i < clicks; ++i)
        channel ? w.msr1Clicked() : w.msr0Clicked();
    QCOMPARE(w.pendingWrites(), clicks);
    QTRY_COMPARE_WITH_TIMEOUT(w.pendingWrites(), 0, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(answers.warnings.size(), busError ? 1 : 0, 20000);
    if (busError) {
        QVERIFY(answers.warnings[0].startsWith("Zivra|") && answers.warnings[0].size() > 6);
        QCOMPARE(module.peek(0x0064 + quint32(channel), 1), QByteArray(1, '\0'));
    }
    QCOMPARE(button(w, QStringLiteral("startButton%1").arg(channel))->text(),
             QStringLiteral("Stop"));
    QVERIFY(w.isRunning(channel));
}

void TestMsrCntWidget::streamEnd_data()
{
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<bool>("reconnect");
    QTest::newRow("server closes") << 12 << false;
    QTest::newRow("user closes, totals match logs") << 0 << false;
    QTest::newRow("reconnect before old stream ended") << 0 << true;
    QTest::newRow("late error of a replaced stream") << 400 << true;
}

// However the stream ends, the counts add up: to the records the module sent, to the rows of
// each log; a late report of a replaced stream changes nothing.
void TestMsrCntWidget::streamEnd()
{
    QFETCH(int, closeAfter);
    QFETCH(bool, reconnect);
    QTemporaryDir dir;
    ModuleEmulator module;
    StreamPlan plan;
    plan.closeAfter = closeAfter;
    module.setStreamPlan(plan);
    module.setStreamInterval(closeAfter > 0 ? 10 : 5);
    QVERIFY(module.start());
    MsrCntConfig c = config({1, 1, 1, 1}, &module, true);
    for (int n = 0; n < 4 && !closeAfter; ++n)
        c.path[n] = dir.path();
    auto w = std::make_unique<MsrCntWidget>(c, nullptr);
    QPointer<QVexonThread> old;
    if (reconnect) {
        QVERIFY(waitConnected(*w));
        old = w->stream();
        w->connectionClosedByServer(); // as the socket reports it, before the thread's error
        QCOMPARE(w->statusText(), QStringLiteral("Connection closed by server"));
        w->connectToServer();
        QVERIFY(w->stream() != old);
        if (closeAfter > 0) // handled, it would wait for the new stream until the server closes
            emit old->error(QStringLiteral("late"));
    }
    if (closeAfter > 0) {
        QTRY_COMPARE_WITH_TIMEOUT(w->statusText(),
                                  QStringLiteral("The remote host closed the connection"), 20000);
        QVERIFY(!w->connectionOpen() && !w->stream());
        QVERIFY(button(*w, "connectButton")->isEnabled() && !button(*w, "stopButton")->isEnabled());
        int total = 0;
        for (int n = 0; n < 4; ++n)
            total += field(*w, "number%1", n)->text().toInt();
        QCOMPARE(total, closeAfter);
        return;
    }
    QVERIFY(waitConnected(*w));
    if (reconnect) {
        QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), 20000); // ended and deleted itself
        QVERIFY(w->connectionOpen());
    }
    QTRY_COMPARE_WITH_TIMEOUT(w->statusText(), QStringLiteral("Received"), 20000);
    QThread::msleep(300); // reports pile up unread
    QStringList logs;
    for (int n = 0; n < 4; ++n)
        logs << w->stream()->logFileName(n);
    w->stopUpdate();
    QCoreApplication::processEvents();
    QCOMPARE(w->statusText(), QStringLiteral("Connection closed"));
    for (int n = 0; n < 4; ++n)
        QCOMPARE(field(*w, "number%1", n)->text().toInt(),
                 WindowKit::readFile(logs[n]).count('\n') - 1);
    w.reset();
    QTRY_COMPARE(module.streamClients(), 0);
}

void TestMsrCntWidget::logFailure_data()
{
    QTest::addColumn<int>("answer");     // to the question at connect; -1: none asked
    QTest::addColumn<QString>("reason"); // of the log failure the row brings about
    QTest::newRow("no folder, cancel") << int(QMessageBox::Cancel) << "No such directory.";
    QTest::newRow("no folder, go on") << int(QMessageBox::Yes) << "No such directory.";
    QTest::newRow("name too long") << int(QMessageBox::Yes) << "FileError5 (File name too long)";
    QTest::newRow("write past the file-size limit") << -1 << "FileError2 (File too large)";
}

// Logs that cannot be made are asked about at connect, in a real box; a log that fails later is
// reported once in a warning, ends on its last whole row, and the window goes on counting.
void TestMsrCntWidget::logFailure()
{
    QFETCH(int, answer);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    ModuleEmulator module;
    module.setStreamInterval(2);
    QVERIFY(module.start());
    MsrCntConfig c = config({1, 1}, &module);
    c.path[0] = dir.path();
    c.path[1] = dir.filePath(QStringLiteral("gone"));
    if (!reason.startsWith(QLatin1String("No such")))
        c.path[1] = dir.path();
    if (reason.contains(QLatin1String("name too long")))
        c.name[1] = QString(300, QLatin1Char('n'));
    QStringList boxes;
    closeNextBox(QMessageBox::StandardButton(answer < 0 ? QMessageBox::Ok : answer), &boxes);
    MsrCntWidget w(c, nullptr);
    w.connectToServer();
    const bool goOn = answer != QMessageBox::Cancel;
    QCOMPARE(w.connectionOpen(), goOn);
    QCOMPARE(w.statusText(), QLatin1String(goOn ? "Connecting ..." : "Ready"));
    QCOMPARE(button(w, "connectButton")->isEnabled(), !goOn);
    QCOMPARE(bool(w.stream()), goOn);
    if (answer >= 0)
        QCOMPARE(boxes, QStringList("|" + c.path[1] + ":\n" + reason +
                                    "|The MsrCnt data cannot be saved, continue?"));
    if (!goOn)
        return;
    QVERIFY(!w.stream()->logFileName(0).isEmpty());
    QVERIFY(waitConnected(w));
    if (answer >= 0)
        return;
    const QStringList logs = {w.stream()->logFileName(0), w.stream()->logFileName(1)};
    // As under "ulimit -f" with the program's start-up setting: a write past the limit fails.
    rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit small = {2000, saved.rlim_max};
    StartupOptions::ignoreFileSizeSignal();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto restore = qScopeGuard([&saved] { setrlimit(RLIMIT_FSIZE, &saved); });
    QTRY_COMPARE_WITH_TIMEOUT(boxes.size(), 1, 20000); // of both logs, the first to fail
    const QString shown = QStringLiteral("Zivra|%1:\n") + reason + '|';
    QVERIFY2(boxes[0] == shown.arg(logs[0]) || boxes[0] == shown.arg(logs[1]),
             qPrintable(boxes[0]));
    const int counted = field(w, "number%1", 0)->text().toInt();
    QTRY_VERIFY_WITH_TIMEOUT(field(w, "number%1", 0)->text().toInt() > counted + 20, 20000);
    QCOMPARE(w.statusText(), QStringLiteral("Received"));
    w.stopUpdate();
    QCoreApplication::processEvents();
    QCOMPARE(boxes.size(), 1);
    const QString rows =
        QStringLiteral("Time\\[HH:MM:SS\\],Counter %1\\[nsec\\]\n(\\d\\d:\\d\\d:\\d\\d,\\d+\n)+");
    for (int n = 0; n < 2; ++n)
        QVERIFY(QRegExp(rows.arg(n)).exactMatch(QString::fromLatin1(readFile(logs[n]))));
}

void TestMsrCntWidget::closing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("closeVexon before a download") << "closeVexon";
    QTest::newRow("Quit") << "quit";
    QTest::newRow("Esc") << "escape";
}

// However the stream is closed, it ends; the window closed by the user is forgotten by the main
// window, which makes a new one the next time.
void TestMsrCntWidget::closing()
{
    QFETCH(QString, how);
    const bool byUser = how != QLatin1String("closeVexon");
    ModuleEmulator module;
    QVERIFY(module.start());
    ScriptedAnswers answers;
    answers.buttons.enqueue(QMessageBox::Yes); // shown before any download
    std::unique_ptr<MainWindow> window = newWindow(true);
    QByteArray doc = document(entry("MsrCnt0", 0, "MsrCnt0", "<property>Mode=1</property>"));
    QVERIFY(window->loadDiagram(doc, QStringLiteral("counter.zvr3"), false));
    window->connectionSettings.tcpPort = module.tcpPort();
    window->on_actionVe_xon_triggered();
    QPointer<MsrCntWidget> w = window->counterWindow();
    QVERIFY(w);
    w->connectToServer();
    QVERIFY(waitConnected(*w));
    if (!byUser)
        QVERIFY(QMetaObject::invokeMethod(window.get(), "closeVexon"));
    else if (how == QLatin1String("quit"))
        button(*w, "quitButton")->click();
    else
        QTest::keyClick(w.data(), Qt::Key_Escape);
    QCOMPARE(w->statusText(), QStringLiteral("Connection closed"));
    QVERIFY(!w->connectionOpen() && !w->stream());
    QTRY_COMPARE(module.streamClients(), 0);
    QCOMPARE(window->counterWindow() == nullptr, byUser);
    QTRY_COMPARE(w.isNull(), byUser);
    QCOMPARE(answers.unexpected, 0);
}

QTEST_MAIN(TestMsrCntWidget)
#include "tst_msrcntwidget.moc"
