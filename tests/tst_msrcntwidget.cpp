#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "qvexonthread.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

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

QStringList fourTimes(const QString &text)
{
    return {text, text, text, text};
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
    void quickClicksEachReleased();
    void writeFailure();
    void serverClose();
    void totalsMatchLogs();
    void reconnectBeforeOldStreamEnded();
    void logFailure_data();
    void logFailure();
    void closeVexonStops();

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
    bool rowEnabled(MsrCntWidget &w, int n)
    {
        return field(w, "number%1", n)->isEnabled() &&
               field(w, "updateLineEdit%1", n)->isEnabled() &&
               field(w, "msrCnt%1LineEdit", n)->isEnabled() &&
               field(w, "integration%1", n)->isEnabled();
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
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<bool>>("startable");
    QTest::newRow("no counters") << QList<int>()
                                 << QStringList({"MsrCnt0", "MsrCnt1", "MsrCnt2", "MsrCnt3"})
                                 << QList<bool>({false, false, false, false});
    QTest::newRow("missing counters")
        << QList<int>({-1, 0, -1, 1})
        << QStringList({"MsrCnt0", "Counter 1", "MsrCnt2", "Counter 3"})
        << QList<bool>({false, true, false, false});
    QTest::newRow("user gates") << QList<int>({0, 4, 8, 12})
                                << QStringList({"Counter 0", "Counter 1", "Counter 2", "Counter 3"})
                                << QList<bool>({true, true, true, true});
    QTest::newRow("other gates") << QList<int>({1, 2, 3, 7})
                                 << QStringList(
                                        {"Counter 0", "Counter 1", "Counter 2", "Counter 3"})
                                 << QList<bool>({false, false, false, false});
}

// The rows as a configuration sets them up, then as a connection opens them.
void TestMsrCntWidget::setConfig()
{
    QFETCH(QList<int>, modes);
    QFETCH(QStringList, labels);
    QFETCH(QList<bool>, startable);
    MsrCntWidget w(config(modes), nullptr);
    QCOMPARE(w.windowTitle(), QStringLiteral("Measure Counter"));
    QVERIFY(!(w.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(w.statusText(), QStringLiteral("Ready"));
    QVERIFY(!w.connectionOpen() && !w.stream());
    QVERIFY(button(w, "connectButton")->isEnabled() && !button(w, "stopButton")->isEnabled());
    for (int n = 0; n < 4; ++n) {
        const QStringList texts = fourTimes(modes.value(n, -1) < 0 ? "-----" : QString());
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("msrCnt%1Label").arg(n))->text(), labels[n]);
        QVERIFY(!button(w, QStringLiteral("startButton%1").arg(n))->isEnabled());
        QVERIFY(!field(w, "number%1", n)->isEnabled());
        QCOMPARE(rowTexts(w, n), texts);
    }
    w.connected();
    QCOMPARE(w.statusText(), QStringLiteral("Waiting for data ..."));
    for (int n = 0; n < 4; ++n) {
        QCOMPARE(button(w, QStringLiteral("startButton%1").arg(n))->isEnabled(), startable[n]);
        QVERIFY(rowEnabled(w, n));
        QCOMPARE(rowTexts(w, n), fourTimes(modes.value(n, -1) < 0 ? "-----" : QString()));
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
    QCOMPARE(field(w, "number%1", 1)->text(), number);
    QCOMPARE(field(w, "integration%1", 1)->text(), integration);
    QCOMPARE(field(w, "msrCnt%1LineEdit", 1)->text(), QStringLiteral("42 ") + unit);
    QVERIFY(QRegExp(QStringLiteral(" \\d\\d:\\d\\d:\\d\\d "))
                .exactMatch(field(w, "updateLineEdit%1", 1)->text()));
    QCOMPARE(rowTexts(w, 0), fourTimes(QString()));
}

void TestMsrCntWidget::startStop_data()
{
    QTest::addColumn<int>("channel");
    for (int n = 0; n < 4; ++n)
        QTest::newRow(qPrintable(QStringLiteral("channel %1").arg(n))) << n;
}

// Start and Stop write the counter-enable register of the channel, and the module's records of
// that channel follow.
void TestMsrCntWidget::startStop()
{
    QFETCH(int, channel);
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
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Stop"));
    QTRY_COMPARE(module.peek(reg, 1), QByteArray(1, char(0x80)));
    QTRY_VERIFY_WITH_TIMEOUT(!field(w, "number%1", channel)->text().isEmpty(), 20000);
    QCOMPARE(module.runningChannels(), quint8(1 << channel));
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QTRY_COMPARE(module.peek(reg, 1), QByteArray(1, '\0'));
    QCOMPARE(module.runningChannels(), quint8(0));
    QTRY_COMPARE(w.pendingWrites(), 0);
    for (int n = 0; n < 4; ++n)
        if (n != channel)
            QVERIFY(field(w, "number%1", n)->text().isEmpty());
    w.stopUpdate();
    QCOMPARE(w.statusText(), QStringLiteral("Connection closed"));
}

// A second click before the first write has finished: both workers end and are released.
void TestMsrCntWidget::quickClicksEachReleased()
{
    ModuleEmulator module;
    QVERIFY(module.start());
    FaultRule slow(FaultRule::DelayReply, FaultRule::WriteCommand, 0x0064, 0x0064, 1);
    slow.delayMs = 300;
    module.addRule(slow);
    MsrCntWidget w(config({0}, &module), nullptr);
    w.msr0Clicked();
    w.msr0Clicked();
    w.msr0Clicked();
    QCOMPARE(w.pendingWrites(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(w.pendingWrites(), 0, 20000);
    QVERIFY(w.isRunning(0));
}

void TestMsrCntWidget::writeFailure()
{
    ScriptedAnswers answers;
    ModuleEmulator module;
    QVERIFY(module.start());
    module.addRule(FaultRule(FaultRule::BusError, FaultRule::WriteCommand, 0x0064, 0x0067, -1));
    MsrCntWidget w(config({-1, 0}, &module), nullptr);
    w.msr1Clicked();
    QTRY_COMPARE_WITH_TIMEOUT(answers.warnings.size(), 1, 20000);
    QVERIFY(answers.warnings[0].startsWith(QStringLiteral("Zivra|")));
    QVERIFY(answers.warnings[0].size() > 6);
    QCOMPARE(button(w, "startButton1")->text(), QStringLiteral("Stop"));
    QVERIFY(w.isRunning(1));
    QCOMPARE(w.pendingWrites(), 0);
    QCOMPARE(module.peek(0x0065, 1), QByteArray(1, '\0'));
}

// The module closing the stream leaves the window idle with the socket's reason.
void TestMsrCntWidget::serverClose()
{
    ModuleEmulator module;
    StreamPlan plan;
    plan.closeAfter = 12;
    module.setStreamPlan(plan);
    module.setStreamInterval(10);
    QVERIFY(module.start());
    MsrCntWidget w(config({1, 1, 1, 1}, &module, true), nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(w.statusText(),
                              QStringLiteral("The remote host closed the connection"), 20000);
    QVERIFY(!w.connectionOpen());
    QVERIFY(!w.stream());
    QVERIFY(button(w, "connectButton")->isEnabled());
    QVERIFY(!button(w, "stopButton")->isEnabled());
    int total = 0;
    for (int n = 0; n < 4; ++n)
        total += field(w, "number%1", n)->text().toInt();
    QCOMPARE(total, 12);
}

// Reports still queued when the user disconnects complete the totals: each count equals the
// rows of its log.
void TestMsrCntWidget::totalsMatchLogs()
{
    QTemporaryDir dir;
    ModuleEmulator module;
    module.setStreamInterval(5);
    QVERIFY(module.start());
    MsrCntConfig c = config({1, 1, 1, 1}, &module, true);
    for (int n = 0; n < 4; ++n)
        c.path[n] = dir.path();
    MsrCntWidget w(c, nullptr);
    QVERIFY(waitConnected(w));
    QTRY_COMPARE_WITH_TIMEOUT(w.statusText(), QStringLiteral("Received"), 20000);
    QThread::msleep(300); // reports pile up unread
    const QStringList logs = {w.stream()->logFileName(0), w.stream()->logFileName(1),
                              w.stream()->logFileName(2), w.stream()->logFileName(3)};
    w.stopUpdate();
    QCoreApplication::processEvents();
    QCOMPARE(w.statusText(), QStringLiteral("Connection closed"));
    for (int n = 0; n < 4; ++n) {
        QString text = WindowKit::readFile(logs[n]);
        QCOMPARE(field(w, "number%1", n)->text().toInt(), text.count(QLatin1Char('\n')) - 1);
    }
}

// Connect again while the earlier stream is still ending: the window follows the new stream
// and lets the old one finish on its own.
void TestMsrCntWidget::reconnectBeforeOldStreamEnded()
{
    ModuleEmulator module;
    module.setStreamInterval(10);
    QVERIFY(module.start());
    auto w = std::make_unique<MsrCntWidget>(config({1}, &module, true), nullptr);
    QVERIFY(waitConnected(*w));
    QPointer<QVexonThread> old = w->stream();
    w->connectionClosedByServer(); // as the socket reports it, before the thread's own error
    w->connectToServer();
    QVERIFY(w->stream() != old);
    QVERIFY(waitConnected(*w));
    QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), 20000); // ended and deleted itself
    QTRY_COMPARE_WITH_TIMEOUT(w->statusText(), QStringLiteral("Received"), 20000);
    QVERIFY(w->connectionOpen());
    w.reset(); // stops and waits for the stream it holds
    QTRY_COMPARE(module.streamClients(), 0);
}

void TestMsrCntWidget::logFailure_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("cancel") << int(QMessageBox::Cancel);
    QTest::newRow("go on") << int(QMessageBox::Yes);
}

void TestMsrCntWidget::logFailure()
{
    QFETCH(int, answer);
    ScriptedAnswers answers;
    answers.buttons.enqueue(QMessageBox::StandardButton(answer));
    QTemporaryDir dir;
    ModuleEmulator module;
    QVERIFY(module.start());
    MsrCntConfig c = config({0, 0}, &module);
    c.path[0] = dir.path();
    c.path[1] = dir.filePath(QStringLiteral("gone"));
    MsrCntWidget w(c, nullptr);
    w.connectToServer();
    QCOMPARE(answers.questions, QStringList("|" + c.path[1] + ":\nNo such directory."));
    if (answer == QMessageBox::Cancel) {
        QVERIFY(!w.stream());
        QVERIFY(!w.connectionOpen());
        QCOMPARE(w.statusText(), QStringLiteral("Ready"));
        QVERIFY(button(w, "connectButton")->isEnabled());
        return;
    }
    QVERIFY(w.connectionOpen());
    QCOMPARE(w.statusText(), QStringLiteral("Connecting ..."));
    QVERIFY(!w.stream()->logFileName(0).isEmpty());
    QVERIFY(waitConnected(w));
    w.stopUpdate();
    QCOMPARE(answers.unexpected, 0);
}

// The main window's closeVexon() closes the stream before a download.
void TestMsrCntWidget::closeVexonStops()
{
    ModuleEmulator module;
    QVERIFY(module.start());
    std::unique_ptr<MainWindow> window = newWindow(true);
    MsrCntWidget *w = new MsrCntWidget(config({0}, &module, true), window.get());
    QVERIFY(waitConnected(*w));
    QVERIFY(QMetaObject::invokeMethod(window.get(), "closeVexon"));
    QCOMPARE(w->statusText(), QStringLiteral("Connection closed"));
    QVERIFY(!w->connectionOpen());
    QVERIFY(!w->stream());
    QTRY_COMPARE(module.streamClients(), 0);
}

QTEST_MAIN(TestMsrCntWidget)
#include "tst_msrcntwidget.moc"
