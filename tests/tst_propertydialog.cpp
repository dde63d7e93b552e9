#include "mainwindow.h"
#include "propertydialog.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const QString Start = QStringLiteral("127.0.0.1 24 4660 1 0");
} // namespace

// The connection settings dialog, filled and confirmed as a user would, against a real window
// that starts at 127.0.0.1, TCP 24, UDP 4660, time-out 1 s, auto-start off.
class TestPropertyDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void confirm_data();
    void confirm();
};

void TestPropertyDialog::confirm_data()
{
    // Fields and stored settings as "address tcp udp timeout auto"; two blanks enclose an empty
    // field.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok"); // false: Cancel
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("warning");

    const QString port = QStringLiteral("|%1 is invalid: a port is a number from 0 to 65535.");
    const QString timeout = QStringLiteral(
        "|Timeout \"%1\" is invalid: a time-out is a whole number of seconds up to 3600.");
    // clang-format off
    QTest::newRow("nothing changed") << Start << true << Start << "";
    QTest::newRow("only auto-start") << "127.0.0.1 24 4660 1 1" << true << "127.0.0.1 24 4660 1 1" << "";
    QTest::newRow("everything, ports at their limits, negative time-out") << "127.0.0.2 65535 0 -3 1" << true << "127.0.0.2 65535 0 -3 1" << "";
    QTest::newRow("time-out of an hour") << "127.0.0.1 24 4660 3600 0" << true << "127.0.0.1 24 4660 3600 0" << "";
    QTest::newRow("time-out above an hour") << "127.0.0.1 24 4660 3601 0" << true << Start << timeout.arg("3601");
    QTest::newRow("time-out that overflowed the polls") << "127.0.0.1 24 4660 214748365 0" << true << Start << timeout.arg("214748365");
    QTest::newRow("time-out letters") << "127.0.0.1 24 4660 soon 0" << true << Start << timeout.arg("soon");
    QTest::newRow("time-out past an int") << "127.0.0.1 24 4660 4294967296 0" << true << Start << timeout.arg("4294967296");
    QTest::newRow("Cancel") << "127.0.0.2 24 99 1 1" << false << Start << "";
    QTest::newRow("trailing dot") << "127.0.0. 24 4660 1 1" << true << Start << "|127.0.0. is invalid address.";
    QTest::newRow("five parts") << "127.0.0.1.1 24 4660 1 1" << true << Start << "|127.0.0.1.1 is invalid address.";
    QTest::newRow("part above 255") << "127.0.0.256 24 4660 1 1" << true << Start << "|127.0.0.256 is invalid address.";
    QTest::newRow("tcp letters") << "127.0.0.1 abc 4660 1 1" << true << Start << port.arg("TCP Port \"abc\"");
    QTest::newRow("tcp 65536") << "127.0.0.1 65536 4660 1 1" << true << Start << port.arg("TCP Port \"65536\"");
    QTest::newRow("udp negative") << "127.0.0.1 24 -1 1 1" << true << Start << port.arg("UDP Port \"-1\"");
    QTest::newRow("udp empty") << "127.0.0.1 24  1 1" << true << Start << port.arg("UDP Port \"\"");
    QTest::newRow("leading zero") << "127.0.0.01 24 4660 1 1" << true << Start << "|127.0.0.01 is invalid address.";
    // clang-format on
}

void TestPropertyDialog::confirm()
{
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    QFETCH(QString, stored);
    QFETCH(QString, warning);

    const QStringList fields = typed.split(QLatin1Char(' '));
    ScriptedAnswers answers;
    auto window = newWindow(true);
    PropertyDialog dialog(window.get(), nullptr);
    dialog.show();
    const char *edits[] = {"lineEditAddress", "lineEditTcp", "lineEditUdp", "lineEditTimeout"};
    for (int i = 0; i < 4; ++i)
        dialog.findChild<QLineEdit *>(QLatin1String(edits[i]))->setText(fields.at(i));
    dialog.findChild<QCheckBox *>(QStringLiteral("checkBox"))->setChecked(fields.at(4) == "1");
    dialog.findChild<QDialogButtonBox *>()
        ->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
        ->click();

    // A refused field keeps the dialog open; anything else closes it, accepted only by OK.
    QCOMPARE(dialog.isVisible(), !warning.isEmpty());
    QCOMPARE(dialog.result(), ok && warning.isEmpty() ? int(QDialog::Accepted) : 0);
    const ConnectionSettings &s = window->connectionSettings;
    QCOMPARE(QString::asprintf("%s %d %d %d %d", qPrintable(s.host), s.tcpPort, s.udpPort,
                               s.timeout, int(s.autoConnect)),
             stored);
    // One undo step for a change, none otherwise.
    QCOMPARE(window->snapshots().size(), stored == Start ? 0 : 1);
    QCOMPARE(window->isWindowModified(), stored != Start);
    QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
}

QTEST_MAIN(TestPropertyDialog)
#include "tst_propertydialog.moc"
