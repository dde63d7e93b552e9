#include "dottedaddress.h"
#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "netsetupdialog.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace {

const quint32 Block = 0xFFFFFC12u;
const QString Succeeded =
    QStringLiteral("|Succeeded in Updating the Vexon module.\nPlease reboot the Zivra.");

QLineEdit *edit(NetSetupDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

QPushButton *button(NetSetupDialog &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

// A block with every field set apart, as the module would hold it.
QByteArray sampleBlock()
{
    return QByteArray::fromHex("021f3c4d5e6f" // MAC
                               "7f000105"     // address
                               "0018"
                               "0017"
                               "05b4"
                               "1234" // TCP data, command, MSS, UDP
                               "01f4"
                               "03e8"
                               "0bb8"
                               "0004"
                               "2710"
                               "00c8");
}

const char *const SampleText = "MAC ADDRESS : 02:1F:3C:4D:5E:6F\n"
                               "IP Address : 127.0.1.5\n"
                               "TCP Data Port : 24\n"
                               "TCP Command Port : 23\n"
                               "TCP Max Segment Size : 1460\n"
                               "UDP Port : 4660\n"
                               "TCP Keep Alive(buffer not empty) : 500msec\n"
                               "TCP Keep Alive(buffer empty) : 1000msec\n"
                               "TCP Timeout (Connecting) : 3000msec\n"
                               "TCP Timeout (Disconnect) : 1024msec\n"
                               "TCP Re-Connect Interval : 10000msec\n"
                               "TCP Re-transmition Timer : 200msec";

} // namespace

class TestNetSetupDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addresses_data();
    void addresses();
    void updateChecks_data();
    void updateChecks();
    void targetChecks_data();
    void targetChecks();
    void readShowsTheBlock();
    void shortBlockChangesNothing();
    void defaultRestoresTheTargetOnly();
    void writeChangesTheModuleAndTheSettings();
    void failedWritesSwitchWritesOff_data();
    void failedWritesSwitchWritesOff();
    void closingWaitsForTheWrite();
    void closingWithoutChangeRecordsNothing();

private:
    std::unique_ptr<NetSetupDialog> dialog();
    void waitIdle(NetSetupDialog &dialog);

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ScriptedAnswers> answers;
};

void TestNetSetupDialog::initTestCase()
{
    isolateSettings();
}

void TestNetSetupDialog::init()
{
    emulator.reset(new ModuleEmulator);
    QVERIFY(emulator->start());
    window = newWindow(true);
    window->connectionSettings.udpPort = emulator->udpPort();
    answers.reset(new ScriptedAnswers);
}

void TestNetSetupDialog::cleanup()
{
    answers.reset();
    window.reset();
    emulator.reset();
}

std::unique_ptr<NetSetupDialog> TestNetSetupDialog::dialog()
{
    return std::unique_ptr<NetSetupDialog>(new NetSetupDialog(window.get()));
}

void TestNetSetupDialog::waitIdle(NetSetupDialog &dialog)
{
    QVERIFY(QTest::qWaitFor([&dialog]() { return !dialog.isBusy(); }, 30000));
}

void TestNetSetupDialog::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("loopback") << "127.0.0.1" << true;
    QTest::newRow("every part at its limit") << "127.255.0.255" << true;
    QTest::newRow("three parts") << "127.0.1" << false;
    QTest::newRow("five parts") << "127.0.0.1.5" << false;
    QTest::newRow("doubled dot") << "127..0.1" << false;
    QTest::newRow("trailing dot") << "127.0.0.1." << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("part above 255") << "127.0.0.256" << false;
    QTest::newRow("octal-looking part") << "127.0.0.010" << false;
    QTest::newRow("hex part") << "127.0.0.0x1" << false;
    QTest::newRow("mapped IPv6") << "::ffff:127.0.0.1" << false;
    QTest::newRow("blank inside") << "127.0.0. 1" << false;
    QTest::newRow("sign") << "127.0.0.+1" << false;
    QTest::newRow("host name") << "localhost" << false;
    QTest::newRow("empty") << "" << false;
}

void TestNetSetupDialog::addresses()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    quint8 parts[4] = {};
    QCOMPARE(DottedAddress::parse(text, parts), valid);
    if (valid)
        QCOMPARE(
            QStringLiteral("%1.%2.%3.%4").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]),
            text);
}

void TestNetSetupDialog::updateChecks_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("tcp");
    QTest::addColumn<QString>("udp");
    QTest::addColumn<QString>("warning"); // empty: the write runs
    QTest::newRow("three parts") << "127.0.1"
                                 << "24"
                                 << "4660"
                                 << "|127.0.1 is invalid address.";
    QTest::newRow("letters") << "a.b.c.d"
                             << "24"
                             << "4660"
                             << "|a.b.c.d is invalid address.";
    QTest::newRow("doubled dot") << "127..0.0.1"
                                 << "24"
                                 << "4660"
                                 << "|127..0.0.1 is invalid address.";
    QTest::newRow("TCP 65536") << "127.0.0.1"
                               << "65536"
                               << "4660"
                               << "|65536 is invalid port.";
    QTest::newRow("TCP -1") << "127.0.0.1"
                            << "-1"
                            << "4660"
                            << "|-1 is invalid port.";
    QTest::newRow("TCP letters") << "127.0.0.1"
                                 << "abc"
                                 << "4660"
                                 << "|abc is invalid port.";
    QTest::newRow("TCP empty") << "127.0.0.1"
                               << ""
                               << "4660"
                               << "| is invalid port.";
    QTest::newRow("TCP before UDP") << "127.0.0.1"
                                    << "x"
                                    << "y"
                                    << "|x is invalid port.";
    QTest::newRow("UDP too big") << "127.0.0.1"
                                 << "24"
                                 << "70000"
                                 << "|70000 is invalid port.";
    QTest::newRow("ports 0 and 65535") << "127.0.0.1"
                                       << "0"
                                       << "65535"
                                       << "";
}

void TestNetSetupDialog::updateChecks()
{
    QFETCH(QString, address);
    QFETCH(QString, tcp);
    QFETCH(QString, udp);
    QFETCH(QString, warning);
    auto d = dialog();
    edit(*d, "lineEditNewAddr")->setText(address);
    edit(*d, "lineEditNewTcp")->setText(tcp);
    edit(*d, "lineEditNewUdp")->setText(udp);
    button(*d, "pushButtonRenewal")->click();
    if (!warning.isEmpty()) {
        QVERIFY(!d->isBusy());
        QCOMPARE(answers->warnings, QStringList{warning});
        return;
    }
    waitIdle(*d);
    QVERIFY(QTest::qWaitFor([this]() { return answers->warnings.size() == 1; }));
    QCOMPARE(answers->warnings, QStringList{Succeeded});
    QCOMPARE(emulator->peek(0xFFFFFC1Cu, 2), QByteArray::fromHex("0000"));
    QCOMPARE(emulator->peek(0xFFFFFC22u, 2), QByteArray::fromHex("ffff"));
}

void TestNetSetupDialog::targetChecks_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("warning");
    QTest::newRow("host name") << "localhost"
                               << "4660"
                               << "|localhost is invalid address.";
    QTest::newRow("mapped form") << "::ffff:127.0.0.1"
                                 << "4660"
                                 << "|::ffff:127.0.0.1 is invalid address.";
    QTest::newRow("port letters") << "127.0.0.1"
                                  << "udp"
                                  << "|udp is invalid port.";
    QTest::newRow("port 0") << "127.0.0.1"
                            << "0"
                            << "|0 is invalid port.";
}

void TestNetSetupDialog::targetChecks()
{
    QFETCH(QString, target);
    QFETCH(QString, port);
    QFETCH(QString, warning);
    for (const char *action : {"pushButtonRead", "pushButtonRenewal"}) {
        auto d = dialog();
        edit(*d, "lineEditAddr")->setText(target);
        edit(*d, "lineEditUdp")->setText(port);
        edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.1"));
        answers->warnings.clear();
        button(*d, action)->click();
        QVERIFY(!d->isBusy());
        QCOMPARE(answers->warnings, QStringList{warning});
        QVERIFY(button(*d, "pushButtonRead")->isEnabled());
    }
}

void TestNetSetupDialog::readShowsTheBlock()
{
    emulator->poke(Block, sampleBlock());
    auto d = dialog();
    QCOMPARE(d->windowTitle(), QStringLiteral("Hardware Setup"));
    QCOMPARE(edit(*d, "lineEditAddr")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(edit(*d, "lineEditUdp")->text(), QString::number(emulator->udpPort()));
    button(*d, "pushButtonRead")->click();
    QVERIFY(!button(*d, "pushButtonRenewal")->isEnabled());
    QVERIFY(edit(*d, "lineEditAddr")->isEnabled());
    waitIdle(*d);
    QVERIFY(button(*d, "pushButtonRenewal")->isEnabled());
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QString::fromLatin1(SampleText));
    QVERIFY(answers->warnings.isEmpty());

    // A module that does not answer: the read's own text.
    emulator->addRule(FaultRule(FaultRule::DropReply, FaultRule::ReadCommand, 0, 0xFFFFFFFFu, -1));
    button(*d, "pushButtonRead")->click();
    waitIdle(*d);
    QCOMPARE(answers->warnings,
             QStringList{QStringLiteral("|Can't access Vexon Module(127.0.0.1:%1).\nPlease check "
                                        "network connectivity.")
                             .arg(emulator->udpPort())});
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QString::fromLatin1(SampleText));
}

void TestNetSetupDialog::shortBlockChangesNothing()
{
    auto d = dialog();
    d->findChild<QTextEdit *>()->setPlainText(QStringLiteral("before"));
    QByteArray bytes = sampleBlock().left(29);
    QVERIFY(QMetaObject::invokeMethod(d.get(), "setStr", Q_ARG(QByteArray *, &bytes)));
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QStringLiteral("before"));
}

void TestNetSetupDialog::defaultRestoresTheTargetOnly()
{
    auto d = dialog();
    edit(*d, "lineEditAddr")->setText(QStringLiteral("127.0.0.9"));
    edit(*d, "lineEditUdp")->setText(QStringLiteral("9"));
    edit(*d, "lineEditNewTcp")->setText(QStringLiteral("2424"));
    button(*d, "pushButtonDefault")->click();
    QCOMPARE(edit(*d, "lineEditAddr")->text(),
             QString::fromLatin1(ConnectionSettings::factoryHost));
    QCOMPARE(edit(*d, "lineEditUdp")->text(), QStringLiteral("4660"));
    QCOMPARE(edit(*d, "lineEditNewTcp")->text(), QStringLiteral("2424"));
}

void TestNetSetupDialog::writeChangesTheModuleAndTheSettings()
{
    const QByteArray before = emulator->networkInForce();
    auto d = dialog();
    d->show();
    edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.9"));
    edit(*d, "lineEditNewTcp")->setText(QStringLiteral("2400"));
    edit(*d, "lineEditNewUdp")->setText(QStringLiteral("4700"));
    button(*d, "pushButtonRenewal")->click();
    QVERIFY(d->isBusy());
    waitIdle(*d); // the write, then the read it starts
    QVERIFY(QTest::qWaitFor([&d]() { return !d->isBusy(); }));
    QCOMPARE(answers->warnings, QStringList{Succeeded});
    QCOMPARE(emulator->peek(0xFFFFFC18u, 4), QByteArray::fromHex("7f000009"));
    QCOMPARE(emulator->peek(0xFFFFFC1Cu, 2), QByteArray::fromHex("0960"));
    QCOMPARE(emulator->peek(0xFFFFFC22u, 2), QByteArray::fromHex("125c"));
    QVERIFY(!emulator->writeEnabled());
    QVERIFY(QTest::qWaitFor(
        [&d]() { return d->findChild<QTextEdit *>()->toPlainText().contains("127.0.0.9"); }));
    // The module takes the values when it starts again.
    QCOMPARE(emulator->networkInForce(), before);
    emulator->boot();
    QCOMPARE(emulator->networkInForce().mid(6, 4), QByteArray::fromHex("7f000009"));

    // Text typed after the write is not what was written.
    edit(*d, "lineEditNewTcp")->setText(QStringLiteral("1"));
    QVERIFY(!window->isWindowModified());
    d->close();
    QCOMPARE(window->connectionSettings.host, QStringLiteral("127.0.0.9"));
    QCOMPARE(window->connectionSettings.tcpPort, quint16(2400));
    QCOMPARE(window->connectionSettings.udpPort, quint16(4700));
    QVERIFY(window->isWindowModified());
    QCOMPARE(window->currentUndoIndex(), 0);
}

void TestNetSetupDialog::failedWritesSwitchWritesOff_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QString>("error");
    QTest::newRow("bus error at the address")
        << int(FaultRule::BusError) << 0xFFFFFC18u << "|QRegx: Bus Error";
    QTest::newRow("bus error at the UDP port")
        << int(FaultRule::BusError) << 0xFFFFFC22u << "|QRegx: Bus Error";
    QTest::newRow("no answer to the TCP port")
        << int(FaultRule::DropReply) << 0xFFFFFC1Cu << "|QRegx: Socket operation timed out";
}

void TestNetSetupDialog::failedWritesSwitchWritesOff()
{
    QFETCH(int, action);
    QFETCH(quint32, address);
    QFETCH(QString, error);
    FaultRule rule(FaultRule::Action(action), FaultRule::WriteCommand, address, address, -1);
    emulator->addRule(rule);
    const QByteArray before = emulator->peek(Block, 30);
    auto d = dialog();
    edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.9"));
    button(*d, "pushButtonRenewal")->click();
    waitIdle(*d);
    QCOMPARE(answers->warnings.size(), 1);
    QVERIFY2(answers->warnings.first().endsWith(error.mid(1)), qPrintable(answers->warnings.first()));
    QVERIFY(!emulator->writeEnabled());
    d->close();
    QCOMPARE(window->connectionSettings.host, QStringLiteral("127.0.0.1"));
    QVERIFY(!window->isWindowModified());
    if (address == 0xFFFFFC18u)
        QCOMPARE(emulator->peek(Block, 30), before);
}

void TestNetSetupDialog::closingWaitsForTheWrite()
{
    FaultRule slow(FaultRule::DelayReply, FaultRule::WriteCommand, 0xFFFFFC18u, 0xFFFFFC18u, 1);
    slow.delayMs = 300;
    emulator->addRule(slow);
    auto d = dialog();
    d->show();
    edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.9"));
    button(*d, "pushButtonRenewal")->click();
    QVERIFY(d->isBusy());
    d->close(); // refused while the module is half-written
    QVERIFY(d->isVisible());
    waitIdle(*d);
    QVERIFY(!emulator->writeEnabled());
    // Destroyed with a read in flight: the read is waited for.
    button(*d, "pushButtonRead")->click();
    d.reset();
    QVERIFY(!emulator->writeEnabled());
}

void TestNetSetupDialog::closingWithoutChangeRecordsNothing()
{
    auto d = dialog();
    d->show();
    edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.1"));
    edit(*d, "lineEditNewTcp")->setText(QString::number(window->connectionSettings.tcpPort));
    edit(*d, "lineEditNewUdp")->setText(QString::number(window->connectionSettings.udpPort));
    button(*d, "pushButtonRenewal")->click();
    waitIdle(*d);
    QVERIFY(QTest::qWaitFor([&d]() { return !d->isBusy(); }));
    QCOMPARE(answers->warnings, QStringList{Succeeded});
    d->close();
    QVERIFY(!window->isWindowModified());
    QCOMPARE(window->currentUndoIndex(), -1);
}

QTEST_MAIN(TestNetSetupDialog)
#include "tst_netsetupdialog.moc"
