#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "scriptedanswers.h"
#include "usercontroldialog.h"
#include "windowkit.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using Names = QMap<int, QString>;

QRadioButton *switchButton(QDialog *dialog, int row, bool on)
{
    return dialog->findChild<QRadioButton *>(
        QStringLiteral("%1%2").arg(on ? "on" : "off").arg(row));
}

// Rows switched ON, as "0,9".
QString onRows(QDialog *dialog)
{
    QStringList rows;
    for (int i = 0; i < 10; ++i)
        if (switchButton(dialog, i, true)->isChecked())
            rows << QString::number(i);
    return rows.join(QLatin1Char(','));
}

// The user-control reads and writes the module saw, as "R W0209".
QString traffic(const ModuleEmulator &emulator)
{
    QStringList trace;
    for (const RequestLogEntry &entry : emulator.requestLog())
        if (entry.address == 0x6E)
            trace << (entry.isRead() ? "R" : "W" + entry.data.toHex());
    return trace.join(QLatin1Char(' '));
}

UserControlConfig config(const Names &names, const ModuleEmulator &module)
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

// Waits until the running operation has ended and the switches are enabled again.
bool idle(QDialog *dialog)
{
    return QTest::qWaitFor([dialog]() { return switchButton(dialog, 0, true)->isEnabled(); },
                           30000);
}

} // namespace

class TestUserControlDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void operate_data();
    void operate();

private:
    ModuleEmulator emulator;
    ModuleEmulator other; // at another UDP port, its register at 0x0010
};

void TestUserControlDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
    QVERIFY(other.start());
}

void TestUserControlDialog::operate_data()
{
    QTest::addColumn<Names>("names");
    QTest::addColumn<int>("value");       // of the register when the dialog opens
    QTest::addColumn<QString>("refused"); // "read" or "write": the module answers Bus Error
    // Steps, each followed by waiting for the dialog to be idle: "3+" switches row 3 ON, "9-"
    // row 9 OFF; "r" refreshes with a row 4 added, "o" the same at the other module.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("on"); // rows ON at the end
    QTest::addColumn<QString>("traffic");
    QTest::addColumn<QString>("otherTraffic");

    Names all;
    for (int i = 0; i < 10; ++i)
        all[i] = QStringLiteral("input %1").arg(i);
    const Names two{{3, "Veto"}, {9, "Gate in"}};
    const Names gate{{9, "Gate"}};
    // clang-format off
    QTest::newRow("row 3 on, then row 9 off") << two << 0x0201 << "" << "3+ 9-" << "0,3" << "R W0209 W0009" << "";
    QTest::newRow("bits 10 to 15 not shown but written back") << Names{{0, "IN-CH0"}} << 0xFC00 << "" << "0+ 0-" << "" << "R Wfc01 Wfc00" << "";
    QTest::newRow("IN-OPT and IN-USER") << Names{{8, "Trigger"}, {9, "Gate"}} << 0x0100 << "" << "9+ 8-" << "9" << "R W0300 W0200" << "";
    QTest::newRow("all ten read, nothing written") << all << 0x03FF << "" << "" << "0,1,2,3,4,5,6,7,8,9" << "R" << "";
    QTest::newRow("read refused") << gate << 0x0200 << "read" << "" << "" << "R" << "";
    QTest::newRow("write refused") << gate << 0 << "write" << "9+" << "9" << "R W0200" << "";
    QTest::newRow("refresh") << two << 0x0201 << "" << "r" << "0,9" << "R R" << "";
    QTest::newRow("refresh at another module") << two << 0x0201 << "" << "o" << "4" << "R" << "R";
    // A refresh during a write waits for its end; a replaced worker's signals are ignored.
    QTest::newRow("refresh during a write") << two << 0x0201 << "" << "3+r" << "0,3,9" << "R W0209 R" << "";
    QTest::newRow("new module during a write") << two << 0x0201 << "" << "3+o" << "4" << "R W0209" << "R";
    // clang-format on
}

void TestUserControlDialog::operate()
{
    QFETCH(Names, names);
    QFETCH(int, value);
    QFETCH(QString, refused);
    QFETCH(QString, steps);

    ScriptedAnswers answers;
    for (ModuleEmulator *module : {&emulator, &other}) {
        module->reset();
        module->clearRules();
        module->clearLog();
        // The register is the user's to switch even on a write-protected module.
        module->setWriteProtected(true, false);
    }
    emulator.poke(0x6E, QByteArray(1, char(value >> 8)) + char(value));
    other.poke(0x6E, QByteArray("\x00\x10", 2));
    if (!refused.isEmpty())
        emulator.addRule(FaultRule(
            FaultRule::BusError,
            refused == "read" ? FaultRule::ReadCommand : FaultRule::WriteCommand, 0x6E, 0x6F, -1));
    auto window = newWindow(true);
    QAction *actions[] = {window->action("action_User_Control"), window->action("actionVe_xon")};
    for (QAction *action : actions)
        action->setEnabled(true);
    const UserControlConfig first = config(names, emulator);
    UserControlDialog dialog(&first, window.get());
    // The window deletes the dialogs it opened itself; this one lives on the stack.
    QObject::disconnect(&dialog, SIGNAL(rejected()), window.get(), SLOT(closedUserControl()));
    QSignalSpy rejected(&dialog, SIGNAL(rejected()));
    dialog.show();
    // Until the first read has arrived every switch is OFF and none can be used.
    for (int i = 0; i < 10; ++i) {
        QVERIFY(switchButton(&dialog, i, false)->isChecked());
        QVERIFY(!switchButton(&dialog, i, true)->isEnabled());
        QVERIFY(!switchButton(&dialog, i, false)->isEnabled());
    }
    QVERIFY(idle(&dialog));

    UserControlConfig refresh;
    for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (int i = 0; i < step.size(); ++i) {
            if (step.at(i).isDigit()) {
                const int row = step.at(i).digitValue();
                switchButton(&dialog, row, step.at(++i) == QLatin1Char('+'))->click();
                // The switches stay disabled until the write has ended.
                QVERIFY(!switchButton(&dialog, row, true)->isEnabled());
            } else {
                names[4] = QStringLiteral("C");
                refresh = config(names, step.at(i) == QLatin1Char('o') ? other : emulator);
                dialog.startRead(&refresh);
            }
        }
        QVERIFY(idle(&dialog));
    }
    QTEST(onRows(&dialog), "on");
    QTEST(traffic(emulator), "traffic");
    QTEST(traffic(other), "otherTraffic");
    // One row of 40 pixels for each named input.
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(dialog.findChild<QGroupBox *>(QStringLiteral("in%1").arg(i))->isVisibleTo(&dialog),
                 names.contains(i));
        if (names.contains(i))
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label%1").arg(i))->text(),
                     names[i]);
    }
    QCOMPARE(dialog.maximumHeight(), 40 * names.size());

    // A refused access is reported, closes the dialog and disables the module's actions.
    const QString error = "|" + refused + " address: 0x0000006e\nlength: 2\n\nQRegx: Bus Error";
    QCOMPARE(answers.warnings, refused.isEmpty() ? QStringList() : QStringList(error));
    QCOMPARE(dialog.isVisible(), refused.isEmpty());
    QCOMPARE(rejected.size(), refused.isEmpty() ? 0 : 1);
    for (QAction *action : actions)
        QCOMPARE(action->isEnabled(), refused.isEmpty());
}

QTEST_MAIN(TestUserControlDialog)
#include "tst_usercontroldialog.moc"
