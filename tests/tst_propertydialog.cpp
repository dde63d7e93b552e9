#include "mainwindow.h"
#include "propertydialog.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

// The connection settings dialog, filled and confirmed as a user would, against a real window
// that starts at 127.0.0.1, TCP 24, UDP 4660, time-out 1 s, auto-start off.
class TestPropertyDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void confirm_data();
    void confirm();
    void cancelChangesNothing();
};

void TestPropertyDialog::confirm_data()
{
    // Fields and stored settings as "address tcp udp timeout auto"; "_" is an empty field.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("undoSteps");
    QTest::addColumn<QString>("warning");

    const QString start = QStringLiteral("127.0.0.1 24 4660 1 0");
    const QString port = QStringLiteral("|%1 is invalid: a port is a number from 0 to 65535.");
    // clang-format off
    QTest::newRow("nothing changed") << start << true << start << 0 << "";
    QTest::newRow("only auto-start") << "127.0.0.1 24 4660 1 1" << true << "127.0.0.1 24 4660 1 1" << 1 << "";
    QTest::newRow("everything") << "127.0.0.2 2400 5000 3 1" << true << "127.0.0.2 2400 5000 3 1" << 1 << "";
    QTest::newRow("highest port") << "127.0.0.1 65535 0 1 0" << true << "127.0.0.1 65535 0 1 0" << 1 << "";
    QTest::newRow("time-out 0 kept") << "127.0.0.1 24 4660 0 0" << true << "127.0.0.1 24 4660 0 0" << 1 << "";
    QTest::newRow("negative time-out kept") << "127.0.0.1 24 4660 -3 0" << true << "127.0.0.1 24 4660 -3 0" << 1 << "";
    QTest::newRow("time-out letters are 0") << "127.0.0.1 24 4660 soon 0" << true << "127.0.0.1 24 4660 0 0" << 1 << "";
    QTest::newRow("trailing dot") << "127.0.0. 24 4660 1 1" << false << start << 0 << "|127.0.0. is invalid address.";
    QTest::newRow("five parts") << "127.0.0.1.1 24 4660 1 1" << false << start << 0 << "|127.0.0.1.1 is invalid address.";
    QTest::newRow("four words") << "a.b.c.d 24 4660 1 1" << false << start << 0 << "|a.b.c.d is invalid address.";
    QTest::newRow("part above 255") << "127.0.0.256 24 4660 1 1" << false << start << 0 << "|127.0.0.256 is invalid address.";
    QTest::newRow("leading zero") << "127.0.0.01 24 4660 1 1" << false << start << 0 << "|127.0.0.01 is invalid address.";
    QTest::newRow("tcp letters") << "127.0.0.1 abc 4660 1 1" << false << start << 0 << port.arg("TCP Port \"abc\"");
    QTest::newRow("tcp 65537") << "127.0.0.1 65537 4660 1 1" << false << start << 0 << port.arg("TCP Port \"65537\"");
    QTest::newRow("udp negative") << "127.0.0.1 24 -1 1 1" << false << start << 0 << port.arg("UDP Port \"-1\"");
    QTest::newRow("udp empty") << "127.0.0.1 24 _ 1 1" << false << start << 0 << port.arg("UDP Port \"\"");
    // clang-format on
}

void TestPropertyDialog::confirm()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, stored);
    QFETCH(int, undoSteps);
    QFETCH(QString, warning);

    QStringList fields = typed.split(QLatin1Char(' '));
    fields.replaceInStrings(QRegularExpression(QStringLiteral("^_$")), QString());
    ScriptedAnswers answers;
    auto window = newWindow(true);
    PropertyDialog dialog(window.get(), nullptr);
    dialog.show();
    const char *edits[] = {"lineEditAddress", "lineEditTcp", "lineEditUdp", "lineEditTimeout"};
    for (int i = 0; i < 4; ++i)
        dialog.findChild<QLineEdit *>(QLatin1String(edits[i]))->setText(fields.at(i));
    dialog.findChild<QCheckBox *>(QStringLiteral("checkBox"))->setChecked(fields.at(4) == "1");
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();

    QCOMPARE(dialog.isVisible(), !accepted);
    QCOMPARE(dialog.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    const ConnectionSettings &s = window->connectionSettings;
    QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(s.host)
                 .arg(s.tcpPort)
                 .arg(s.udpPort)
                 .arg(s.timeout)
                 .arg(s.autoConnect ? 1 : 0),
             stored);
    QCOMPARE(window->snapshots().size(), undoSteps);
    QCOMPARE(window->isWindowModified(), undoSteps > 0);
    QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
}

void TestPropertyDialog::cancelChangesNothing()
{
    ScriptedAnswers answers;
    auto window = newWindow(true);
    PropertyDialog dialog(window.get(), nullptr);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("lineEditUdp"))->setText(QStringLiteral("99"));
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(window->connectionSettings.udpPort, quint16(4660));
    QVERIFY(window->snapshots().isEmpty());
}

QTEST_MAIN(TestPropertyDialog)
#include "tst_propertydialog.moc"
