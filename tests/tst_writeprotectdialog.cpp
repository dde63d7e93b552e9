#include "mainwindow.h"
#include "moduleemulator.h"
#include "scriptedanswers.h"
#include "windowkit.h"
#include "writeprotectdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMap>
#include <QPushButton>
#include <QTest>

namespace {

const quint32 Live = 0xFFFFFF3Cu;
const quint32 Stored = 0xFFFFFC3Cu;
const quint32 WriteEnable = 0xFFFFFCFFu;

} // namespace

class TestWriteProtectDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void wishes_data();
    void wishes();

private:
    ModuleEmulator emulator;
};

void TestWriteProtectDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
}

void TestWriteProtectDialog::wishes_data()
{
    // The control bytes; bit 0 set means writable, so a box opens checked where it is clear.
    QTest::addColumn<int>("live");
    QTest::addColumn<int>("stored");
    // c: current box, b: boot box, x: Cancel; then OK when it is offered, else Cancel.
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<bool>("okEnabled");
    QTest::addColumn<QString>("writes");

    // clang-format off
    QTest::newRow("opened") << 0x01 << 0x00 << "" << false << "";
    QTest::newRow("current toggled twice") << 0x01 << 0x01 << "cc" << false << "";
    QTest::newRow("boot toggled twice") << 0x00 << 0x00 << "bb" << false << "";
    QTest::newRow("both, then both back") << 0x00 << 0x01 << "cbbc" << false << "";
    QTest::newRow("Cancel after a change") << 0x01 << 0x01 << "cx" << true << "";
    // Only bit 0 changes: the other bits go back as they were read.
    QTest::newRow("current off on a protected module") << 0xA4 << 0x40 << "c" << true << "live=a5";
    QTest::newRow("current on") << 0x13 << 0x41 << "c" << true << "live=12";
    // The stored byte is written only with write enable around it.
    QTest::newRow("boot only") << 0x01 << 0xC3 << "b" << true << "enable=00 stored=c2 enable=ff";
    QTest::newRow("both, then current back") << 0x00 << 0x80 << "cbc" << true << "enable=00 stored=81 enable=ff";
    QTest::newRow("both, current first") << 0x00 << 0x80 << "cb" << true << "enable=00 live=01 stored=81 enable=ff";
    // clang-format on
}

void TestWriteProtectDialog::wishes()
{
    QFETCH(int, live);
    QFETCH(int, stored);
    QFETCH(QString, clicks);
    QFETCH(bool, okEnabled);

    ScriptedAnswers answers;
    emulator.reset();
    emulator.poke(Live, QByteArray(1, char(live)));
    emulator.poke(Stored, QByteArray(1, char(stored)));
    auto window = newWindow(true);
    window->connectionSettings.udpPort = emulator.udpPort();
    // What the Write Protect action's information read hands the window.
    QByteArray info = emulator.peek(0x0000, 4);
    info.append(char(live)).append(char(stored));
    window->checkFPGA(&info);
    emulator.clearLog();

    WriteProtectDialog dialog(!(live & 1), !(stored & 1), window.get());
    dialog.show();
    auto *current = dialog.findChild<QCheckBox *>(QStringLiteral("currentCheckBox"));
    auto *boot = dialog.findChild<QCheckBox *>(QStringLiteral("bootCheckBox"));
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    QCOMPARE(current->isChecked(), !(live & 1));
    QCOMPARE(boot->isChecked(), !(stored & 1));
    for (QChar c : clicks)
        if (c != QLatin1Char('x'))
            (c == QLatin1Char('c') ? current : boot)->click();
    QCOMPARE(buttons->button(QDialogButtonBox::Ok)->isEnabled(), okEnabled);
    const bool ok = okEnabled && !clicks.endsWith(QLatin1Char('x'));
    buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QVERIFY(QTest::qWaitFor([&window]() { return !window->isModuleBusy(); }, 30000));

    const QMap<quint32, QString> names{{Live, "live"}, {Stored, "stored"}, {WriteEnable, "enable"}};
    QStringList trace;
    for (const RequestLogEntry &entry : emulator.requestLog())
        if (entry.isWrite())
            trace << names.value(entry.address, QString::number(entry.address, 16)) + "=" +
                         entry.data.toHex();
    QTEST(trace.join(QLatin1Char(' ')), "writes");
    QVERIFY(answers.warnings.isEmpty());
}

QTEST_MAIN(TestWriteProtectDialog)
#include "tst_writeprotectdialog.moc"
