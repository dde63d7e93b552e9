#include "mainwindow.h"
#include "moduleemulator.h"
#include "scriptedanswers.h"
#include "windowkit.h"
#include "workerprobe.h"
#include "writeprotectdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

namespace {

QCheckBox *box(QDialog *dialog, const char *name)
{
    return dialog->findChild<QCheckBox *>(QLatin1String(name));
}

QPushButton *okButton(QDialog *dialog)
{
    return dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

quint8 byteAt(const ModuleEmulator &emulator, quint32 address)
{
    return quint8(emulator.peek(address, 1).at(0));
}

} // namespace

class TestWriteProtectDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void okFollowsTheWishes_data();
    void okFollowsTheWishes();
    void writesTheWishes_data();
    void writesTheWishes();
    void cancelWritesNothing();

private:
    ModuleEmulator emulator;
};

void TestWriteProtectDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
}

void TestWriteProtectDialog::okFollowsTheWishes_data()
{
    QTest::addColumn<bool>("current");
    QTest::addColumn<bool>("boot");
    QTest::addColumn<QString>("clicks"); // c: current box, b: boot box
    QTest::addColumn<bool>("okEnabled");

    QTest::newRow("opened") << false << true << "" << false;
    QTest::newRow("current toggled twice") << false << false << "cc" << false;
    QTest::newRow("boot toggled twice") << true << true << "bb" << false;
    QTest::newRow("current once") << true << false << "c" << true;
    QTest::newRow("boot once") << false << false << "b" << true;
    QTest::newRow("both once") << true << true << "cb" << true;
    QTest::newRow("both, then current back") << false << false << "cbc" << true;
    QTest::newRow("both, then both back") << true << false << "cbbc" << false;
}

void TestWriteProtectDialog::okFollowsTheWishes()
{
    QFETCH(bool, current);
    QFETCH(bool, boot);
    QFETCH(QString, clicks);
    QFETCH(bool, okEnabled);

    WriteProtectDialog dialog(current, boot, nullptr);
    dialog.show();
    QCOMPARE(box(&dialog, "currentCheckBox")->isChecked(), current);
    QCOMPARE(box(&dialog, "bootCheckBox")->isChecked(), boot);
    for (QChar c : clicks)
        box(&dialog, c == QLatin1Char('c') ? "currentCheckBox" : "bootCheckBox")->click();
    QCOMPARE(okButton(&dialog)->isEnabled(), okEnabled);
}

void TestWriteProtectDialog::writesTheWishes_data()
{
    QTest::addColumn<int>("live");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<int>("liveAfter");
    QTest::addColumn<int>("storedAfter");

    // The other bits of both bytes go back as they were read.
    QTest::newRow("current off on a protected module")
        << 0xA4 << 0x40 << "c" << QStringList{"W 0xffffff3c a5"} << 0xA5 << 0x40;
    QTest::newRow("current on") << 0x13 << 0x41 << "c" << QStringList{"W 0xffffff3c 12"} << 0x12
                                << 0x41;
    QTest::newRow("boot only, with write enable")
        << 0x01 << 0xC3 << "b"
        << QStringList{"W 0xfffffcff 00", "W 0xfffffc3c c2", "W 0xfffffcff ff"} << 0x01 << 0xC2;
    QTest::newRow("both: current first, write enable around both")
        << 0x00 << 0x80 << "cb"
        << QStringList{"W 0xfffffcff 00", "W 0xffffff3c 01", "W 0xfffffc3c 81", "W 0xfffffcff ff"}
        << 0x01 << 0x81;
}

void TestWriteProtectDialog::writesTheWishes()
{
    QFETCH(int, live);
    QFETCH(int, stored);
    QFETCH(QString, clicks);
    QFETCH(QStringList, writes);
    QFETCH(int, liveAfter);
    QFETCH(int, storedAfter);

    ScriptedAnswers answers;
    emulator.reset();
    emulator.poke(0xFFFFFF3Cu, QByteArray(1, char(live)));
    emulator.poke(0xFFFFFC3Cu, QByteArray(1, char(stored)));
    auto window = newWindow(true);
    window->connectionSettings.udpPort = emulator.udpPort();
    // What the Write Protect action's information read hands the window.
    QByteArray info = emulator.peek(0x0000, 4);
    info.append(char(live)).append(char(stored));
    window->checkFPGA(&info);
    emulator.clearLog();

    WriteProtectDialog dialog(!(live & 1), !(stored & 1), window.get());
    dialog.show();
    for (QChar c : clicks)
        box(&dialog, c == QLatin1Char('c') ? "currentCheckBox" : "bootCheckBox")->click();
    okButton(&dialog)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(QTest::qWaitFor([&window]() { return !window->isModuleBusy(); }, 30000));

    QStringList trace;
    for (const RequestLogEntry &entry : emulator.requestLog())
        if (entry.isWrite())
            trace << requestText(entry);
    QCOMPARE(trace, writes);
    QCOMPARE(int(byteAt(emulator, 0xFFFFFF3Cu)), liveAfter);
    QCOMPARE(int(byteAt(emulator, 0xFFFFFC3Cu)), storedAfter);
    QVERIFY(answers.warnings.isEmpty());
}

void TestWriteProtectDialog::cancelWritesNothing()
{
    auto window = newWindow(true);
    window->connectionSettings.udpPort = emulator.udpPort();
    emulator.clearLog();
    WriteProtectDialog dialog(false, false, window.get());
    dialog.show();
    box(&dialog, "currentCheckBox")->click();
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!window->isModuleBusy());
    QVERIFY(emulator.requestLog().isEmpty());
}

QTEST_MAIN(TestWriteProtectDialog)
#include "tst_writeprotectdialog.moc"
