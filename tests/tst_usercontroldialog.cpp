#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "scriptedanswers.h"
#include "usercontroldialog.h"
#include "windowkit.h"
#include "workerprobe.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using Names = QMap<int, QString>;

QRadioButton *onButton(QDialog *dialog, int row)
{
    return dialog->findChild<QRadioButton *>(QStringLiteral("on%1").arg(row));
}

QRadioButton *offButton(QDialog *dialog, int row)
{
    return dialog->findChild<QRadioButton *>(QStringLiteral("off%1").arg(row));
}

// Rows switched ON, as "0,9".
QString onRows(QDialog *dialog)
{
    QStringList rows;
    for (int i = 0; i < 10; ++i)
        if (onButton(dialog, i)->isChecked())
            rows << QString::number(i);
    return rows.join(QLatin1Char(','));
}

// The user-control writes and reads the module saw, as "W 0x6e 0209" and "R 0x6e".
QStringList userControlTraffic(const ModuleEmulator &emulator)
{
    QStringList trace;
    for (const RequestLogEntry &entry : emulator.requestLog())
        if (entry.address == 0x6E)
            trace << requestText(entry);
    return trace;
}

} // namespace

class TestUserControlDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void rows_data();
    void rows();
    void readShowsTheSwitches_data();
    void readShowsTheSwitches();
    void switchesWriteTheRegister_data();
    void switchesWriteTheRegister();
    void failureClosesTheDialog_data();
    void failureClosesTheDialog();
    void refreshFollowsTheConnection();
    void readDuringWriteWaitsForIt_data();
    void readDuringWriteWaitsForIt();

private:
    UserControlConfig config(const Names &names, const ModuleEmulator &module) const;
    // Waits until the running operation has ended and the switches are enabled again.
    static bool idle(QDialog *dialog);

    ModuleEmulator emulator;
    ModuleEmulator other;
};

void TestUserControlDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
    QVERIFY(other.start());
}

void TestUserControlDialog::init()
{
    emulator.reset();
    emulator.clearRules();
    emulator.clearLog();
    other.reset();
    other.clearLog();
}

UserControlConfig TestUserControlDialog::config(const Names &names,
                                                const ModuleEmulator &module) const
{
    UserControlConfig c;
    c.host = QStringLiteral("127.0.0.1");
    c.udpPort = module.udpPort();
    c.timeout = 1;
    for (auto it = names.begin(); it != names.end(); ++it)
        c.names[it.key()] = it.value();
    c.count = names.size();
    return c;
}

bool TestUserControlDialog::idle(QDialog *dialog)
{
    return QTest::qWaitFor([dialog]() { return onButton(dialog, 0)->isEnabled(); }, 30000);
}

void TestUserControlDialog::rows_data()
{
    QTest::addColumn<Names>("names");
    QTest::addColumn<QString>("labels"); // visible rows as "row:label"
    QTest::addColumn<int>("maximumHeight");

    QTest::newRow("IN-CH2 and IN-USER")
        << Names{{2, "Veto"}, {9, "Gate in"}} << "2:Veto 9:Gate in" << 80;
    QTest::newRow("IN-CH0 only") << Names{{0, "IN-CH0"}} << "0:IN-CH0" << 40;
    QTest::newRow("IN-OPT") << Names{{8, "Trigger"}} << "8:Trigger" << 40;
}

void TestUserControlDialog::rows()
{
    QFETCH(Names, names);
    QFETCH(QString, labels);
    QFETCH(int, maximumHeight);

    ScriptedAnswers answers;
    auto window = newWindow(true);
    const UserControlConfig c = config(names, emulator);
    auto *dialog = new UserControlDialog(&c, window.get());
    dialog->show();
    // Until the first read has arrived every switch is OFF and none can be used.
    for (int i = 0; i < 10; ++i) {
        QVERIFY(offButton(dialog, i)->isChecked());
        QVERIFY(!onButton(dialog, i)->isEnabled());
        QVERIFY(!offButton(dialog, i)->isEnabled());
    }
    QStringList shown;
    for (int i = 0; i < 10; ++i) {
        auto *box = dialog->findChild<QGroupBox *>(QStringLiteral("in%1").arg(i));
        if (box->isVisible())
            shown << QStringLiteral("%1:%2").arg(i).arg(
                dialog->findChild<QLabel *>(QStringLiteral("label%1").arg(i))->text());
    }
    QCOMPARE(shown.join(QLatin1Char(' ')), labels);
    QCOMPARE(dialog->maximumHeight(), maximumHeight);
    QVERIFY(idle(dialog));
    QVERIFY(answers.warnings.isEmpty());
}

void TestUserControlDialog::readShowsTheSwitches_data()
{
    QTest::addColumn<QByteArray>("registerBytes");
    QTest::addColumn<QString>("on");

    QTest::newRow("0x0201") << QByteArray("\x02\x01", 2) << "0,9";
    QTest::newRow("only bits 10 to 15") << QByteArray("\xFC\x00", 2) << "";
    QTest::newRow("all ten") << QByteArray("\x03\xFF", 2) << "0,1,2,3,4,5,6,7,8,9";
    QTest::newRow("IN-OPT") << QByteArray("\x01\x00", 2) << "8";
}

void TestUserControlDialog::readShowsTheSwitches()
{
    QFETCH(QByteArray, registerBytes);
    QFETCH(QString, on);

    ScriptedAnswers answers;
    emulator.poke(0x6E, registerBytes);
    auto window = newWindow(true);
    const UserControlConfig c = config(Names{{2, "Veto"}, {9, "Gate"}}, emulator);
    UserControlDialog dialog(&c, window.get());
    QVERIFY(idle(&dialog));
    QCOMPARE(onRows(&dialog), on);
    // Showing what was read writes nothing back.
    QCOMPARE(userControlTraffic(emulator), QStringList{"R 0x6e"});
}

void TestUserControlDialog::switchesWriteTheRegister_data()
{
    QTest::addColumn<QByteArray>("registerBytes");
    QTest::addColumn<bool>("writeProtected");
    QTest::addColumn<QString>("switches"); // "3+" switches row 3 ON, "9-" row 9 OFF
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("row 3 on, then row 9 off")
        << QByteArray("\x02\x01", 2) << false << "3+ 9-"
        << QStringList{"W 0x6e 0209", "W 0x6e 0009"} << QByteArray("\x00\x09", 2);
    QTest::newRow("bits 10 to 15 written back")
        << QByteArray("\xFC\x00", 2) << false << "0+ 0-"
        << QStringList{"W 0x6e fc01", "W 0x6e fc00"} << QByteArray("\xFC\x00", 2);
    QTest::newRow("IN-OPT and IN-USER bits")
        << QByteArray("\x00\x00", 2) << false << "8+ 9+"
        << QStringList{"W 0x6e 0100", "W 0x6e 0300"} << QByteArray("\x03\x00", 2);
    QTest::newRow("switches work on a write-protected module")
        << QByteArray("\x00\x00", 2) << true << "2+" << QStringList{"W 0x6e 0004"}
        << QByteArray("\x00\x04", 2);
}

void TestUserControlDialog::switchesWriteTheRegister()
{
    QFETCH(QByteArray, registerBytes);
    QFETCH(bool, writeProtected);
    QFETCH(QString, switches);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, after);

    ScriptedAnswers answers;
    emulator.poke(0x6E, registerBytes);
    emulator.setWriteProtected(writeProtected, false);
    auto window = newWindow(true);
    Names names;
    for (int i = 0; i < 10; ++i)
        names[i] = QStringLiteral("input %1").arg(i);
    const UserControlConfig c = config(names, emulator);
    UserControlDialog dialog(&c, window.get());
    dialog.show();
    QVERIFY(idle(&dialog));
    emulator.clearLog();
    for (const QString &step : switches.split(QLatin1Char(' '))) {
        const int row = step.chopped(1).toInt();
        if (step.endsWith(QLatin1Char('+')))
            onButton(&dialog, row)->click();
        else
            offButton(&dialog, row)->click();
        // The switches stay disabled until the write has ended.
        QVERIFY(!onButton(&dialog, row)->isEnabled());
        QVERIFY(idle(&dialog));
    }
    QCOMPARE(userControlTraffic(emulator), writes);
    QCOMPARE(emulator.peek(0x6E, 2), after);
    QVERIFY(dialog.isVisible());
    QVERIFY(answers.warnings.isEmpty());
}

void TestUserControlDialog::failureClosesTheDialog_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("read refused") << int(FaultRule::ReadCommand);
    QTest::newRow("write refused") << int(FaultRule::WriteCommand);
}

void TestUserControlDialog::failureClosesTheDialog()
{
    QFETCH(int, command);

    ScriptedAnswers answers;
    auto window = newWindow(true);
    window->action("action_User_Control")->setEnabled(true);
    window->action("actionVe_xon")->setEnabled(true);
    emulator.addRule(FaultRule(FaultRule::BusError, command, 0x6E, 0x6F, -1));
    const UserControlConfig c = config(Names{{9, "Gate"}}, emulator);
    auto *dialog = new UserControlDialog(&c, window.get());
    QSignalSpy rejected(dialog, SIGNAL(rejected()));
    dialog->show();
    if (command == FaultRule::WriteCommand) {
        QVERIFY(idle(dialog));
        onButton(dialog, 9)->click();
    }
    QVERIFY(QTest::qWaitFor([dialog]() { return !dialog->isVisible(); }, 30000));
    const QString address = command == FaultRule::ReadCommand ? "read" : "write";
    QCOMPARE(answers.warnings,
             QStringList("|" + address + " address: 0x0000006e\nlength: 2\n\nQRegx: Bus Error"));
    QCOMPARE(rejected.size(), 1);
    QVERIFY(!window->action("action_User_Control")->isEnabled());
    QVERIFY(!window->action("actionVe_xon")->isEnabled());
    // Nothing more reaches the module.
    QCOMPARE(emulator.peek(0x6E, 2), QByteArray(2, '\0'));
}

void TestUserControlDialog::refreshFollowsTheConnection()
{
    ScriptedAnswers answers;
    other.poke(0x6E, QByteArray("\x00\x02", 2));
    auto window = newWindow(true);
    const UserControlConfig first = config(Names{{1, "A"}}, emulator);
    UserControlDialog dialog(&first, window.get());
    QVERIFY(idle(&dialog));
    QCOMPARE(onRows(&dialog), QString());

    // Another UDP port: the register is read there.
    const UserControlConfig second = config(Names{{1, "A"}, {4, "B"}}, other);
    dialog.startRead(&second);
    QVERIFY(idle(&dialog));
    QCOMPARE(onRows(&dialog), QStringLiteral("1"));
    QCOMPARE(userControlTraffic(emulator), QStringList{"R 0x6e"});
    QCOMPARE(userControlTraffic(other), QStringList{"R 0x6e"});

    // The same connection again reads the same module.
    dialog.startRead(&second);
    QVERIFY(idle(&dialog));
    QCOMPARE(userControlTraffic(other), (QStringList{"R 0x6e", "R 0x6e"}));
    QCOMPARE(userControlTraffic(emulator), QStringList{"R 0x6e"});
    QVERIFY(answers.warnings.isEmpty());
}

void TestUserControlDialog::readDuringWriteWaitsForIt_data()
{
    QTest::addColumn<bool>("otherModule");
    QTest::newRow("same connection") << false;
    QTest::newRow("new connection") << true;
}

void TestUserControlDialog::readDuringWriteWaitsForIt()
{
    QFETCH(bool, otherModule);

    ScriptedAnswers answers;
    emulator.poke(0x6E, QByteArray("\x02\x01", 2));
    other.poke(0x6E, QByteArray("\x00\x10", 2));
    auto window = newWindow(true);
    const UserControlConfig first = config(Names{{3, "A"}, {9, "B"}}, emulator);
    UserControlDialog dialog(&first, window.get());
    dialog.show();
    QVERIFY(idle(&dialog));

    // A download ends while the switch is being written: the refresh waits for the write.
    onButton(&dialog, 3)->click();
    const UserControlConfig refresh =
        config(Names{{3, "A"}, {4, "C"}, {9, "B"}}, otherModule ? other : emulator);
    dialog.startRead(&refresh);
    QVERIFY(idle(&dialog));
    QVERIFY(QTest::qWaitFor(
        [&dialog]() { return dialog.findChild<QGroupBox *>(QStringLiteral("in4"))->isVisible(); },
        30000));
    QVERIFY(idle(&dialog));

    QCOMPARE(emulator.peek(0x6E, 2), QByteArray("\x02\x09", 2));
    if (otherModule) {
        QCOMPARE(userControlTraffic(emulator), (QStringList{"R 0x6e", "W 0x6e 0209"}));
        QCOMPARE(userControlTraffic(other), QStringList{"R 0x6e"});
        QCOMPARE(onRows(&dialog), QStringLiteral("4"));
    } else {
        QCOMPARE(userControlTraffic(emulator), (QStringList{"R 0x6e", "W 0x6e 0209", "R 0x6e"}));
        QCOMPARE(onRows(&dialog), QStringLiteral("0,3,9"));
    }
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label4"))->text(), QStringLiteral("C"));
    QVERIFY(answers.warnings.isEmpty());
}

QTEST_MAIN(TestUserControlDialog)
#include "tst_usercontroldialog.moc"
