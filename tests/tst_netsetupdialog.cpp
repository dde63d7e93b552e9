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

// Fills the named fields; an empty text keeps what the dialog shows.
void fill(NetSetupDialog &dialog, const QStringList &names, const QStringList &texts)
{
    for (int i = 0; i < names.size(); ++i)
        if (texts.value(i) != QLatin1String("="))
            edit(dialog, qPrintable(names[i]))->setText(texts.value(i));
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
    void initTestCase() { isolateSettings(); }
    void init();
    void cleanup();
    void addresses_data();
    void addresses();
    void fieldChecks_data();
    void fieldChecks();
    void readShowsTheBlock();
    void writes_data();
    void writes();
    void failedWritesSwitchWritesOff_data();
    void failedWritesSwitchWritesOff();
    void closingWaitsForTheWrite();

private:
    void waitIdle(NetSetupDialog &dialog)
    {
        QVERIFY(QTest::qWaitFor([&dialog]() { return !dialog.isBusy(); }, 30000));
    }

    std::unique_ptr<ModuleEmulator> emulator;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<ScriptedAnswers> answers;
    std::unique_ptr<NetSetupDialog> d;
};

void TestNetSetupDialog::init()
{
    emulator.reset(new ModuleEmulator);
    QVERIFY(emulator->start());
    window = newWindow(true);
    window->connectionSettings.udpPort = emulator->udpPort();
    answers.reset(new ScriptedAnswers);
    d.reset(new NetSetupDialog(window.get()));
}

void TestNetSetupDialog::cleanup()
{
    d.reset();
    answers.reset();
    window.reset();
    emulator.reset();
}

void TestNetSetupDialog::addresses_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("loopback") << "127.0.0.1" << true;
    QTest::newRow("every part at its limit") << "127.255.0.255" << true;
    const char *const bad[] = {"127.0.1", "127.0.0.1.5", "127..0.1", "127.0.0.1.", "a.b.c.d", "127.0.0.256", "127.0.0.010", "127.0.0.0x1", "127.0.0. 1", "127.0.0.+1", "::ffff:127.0.0.1", "localhost", ""};
    for (const char *text : bad)
        QTest::newRow(*text ? text : "empty") << QString::fromLatin1(text) << false;
    // clang-format on
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

void TestNetSetupDialog::fieldChecks_data()
{
    // clang-format off
    // Target address and port, new address, TCP and UDP port ("=": as shown).
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("warning");
    const QStringList write{"pushButtonRenewal"};
    const QStringList both{"pushButtonRead", "pushButtonRenewal"};
    QTest::newRow("new address: three parts") << QStringList{"=", "=", "127.0.1", "24", "4660"} << write << "|127.0.1 is invalid address.";
    QTest::newRow("new address: letters") << QStringList{"=", "=", "a.b.c.d", "24", "4660"} << write << "|a.b.c.d is invalid address.";
    QTest::newRow("new address: doubled dot") << QStringList{"=", "=", "127..0.0.1", "24", "4660"} << write << "|127..0.0.1 is invalid address.";
    QTest::newRow("TCP 65536") << QStringList{"=", "=", "127.0.0.1", "65536", "4660"} << write << "|65536 is invalid port.";
    QTest::newRow("TCP -1") << QStringList{"=", "=", "127.0.0.1", "-1", "4660"} << write << "|-1 is invalid port.";
    QTest::newRow("TCP empty") << QStringList{"=", "=", "127.0.0.1", "", "4660"} << write << "| is invalid port.";
    QTest::newRow("TCP 0") << QStringList{"=", "=", "127.0.0.1", "0", "4660"} << write << "|0 is invalid port.";
    QTest::newRow("UDP 0") << QStringList{"=", "=", "127.0.0.1", "24", "0"} << write << "|0 is invalid port.";
    QTest::newRow("TCP before UDP") << QStringList{"=", "=", "127.0.0.1", "x", "y"} << write << "|x is invalid port.";
    QTest::newRow("UDP too big") << QStringList{"=", "=", "127.0.0.1", "24", "70000"} << write << "|70000 is invalid port.";
    QTest::newRow("target host name") << QStringList{"localhost", "4660", "127.0.0.1"} << both << "|localhost is invalid address.";
    QTest::newRow("target mapped form") << QStringList{"::ffff:127.0.0.1", "4660", "127.0.0.1"} << both << "|::ffff:127.0.0.1 is invalid address.";
    QTest::newRow("target port letters") << QStringList{"127.0.0.1", "udp", "127.0.0.1"} << both << "|udp is invalid port.";
    QTest::newRow("target port 0") << QStringList{"127.0.0.1", "0", "127.0.0.1"} << both << "|0 is invalid port.";
    // clang-format on
}

void TestNetSetupDialog::fieldChecks()
{
    QFETCH(QStringList, fields);
    QFETCH(QStringList, buttons);
    QFETCH(QString, warning);
    fill(*d, {"lineEditAddr", "lineEditUdp", "lineEditNewAddr", "lineEditNewTcp", "lineEditNewUdp"},
         fields + QStringList{"=", "="});
    for (const QString &name : buttons) {
        answers->warnings.clear();
        button(*d, qPrintable(name))->click();
        QVERIFY(!d->isBusy());
        QCOMPARE(answers->warnings, QStringList{warning});
        QVERIFY(button(*d, "pushButtonRead")->isEnabled());
    }
    QVERIFY(emulator->requestLog().isEmpty());
}

void TestNetSetupDialog::readShowsTheBlock()
{
    emulator->poke(Block, sampleBlock());
    QCOMPARE(edit(*d, "lineEditAddr")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(edit(*d, "lineEditUdp")->text(), QString::number(emulator->udpPort()));
    button(*d, "pushButtonRead")->click();
    QVERIFY(!button(*d, "pushButtonRenewal")->isEnabled());
    waitIdle(*d);
    QVERIFY(button(*d, "pushButtonRenewal")->isEnabled());
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QString::fromLatin1(SampleText));
    QVERIFY(answers->warnings.isEmpty());

    // A module that does not answer: the read's own text, the block shown stays.
    emulator->addRule(FaultRule(FaultRule::DropReply, FaultRule::ReadCommand, 0, 0xFFFFFFFFu, -1));
    button(*d, "pushButtonRead")->click();
    waitIdle(*d);
    QCOMPARE(answers->warnings,
             QStringList{QStringLiteral("|Can't access Vexon Module(127.0.0.1:%1).\nPlease check "
                                        "network connectivity.")
                             .arg(emulator->udpPort())});
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QString::fromLatin1(SampleText));

    // A short block changes nothing.
    QByteArray bytes = sampleBlock().left(29);
    QVERIFY(QMetaObject::invokeMethod(d.get(), "setStr", Q_ARG(QByteArray *, &bytes)));
    QCOMPARE(d->findChild<QTextEdit *>()->toPlainText(), QString::fromLatin1(SampleText));
}

void TestNetSetupDialog::writes_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("fields"); // new address, TCP, UDP ("=": the window's own)
    QTest::addColumn<QByteArray>("written"); // address, TCP, UDP in the module
    QTest::addColumn<bool>("adopted");
    QTest::newRow("new values") << QStringList{"127.0.0.9", "2400", "4700"} << QByteArray::fromHex("7f000009"
                                                       "0960"
                                                       "125c") << true;
    QTest::newRow("ports 1 and 65535") << QStringList{"127.0.0.1", "1", "65535"} << QByteArray::fromHex("7f000001"
                                                              "0001"
                                                              "ffff") << true;
    QTest::newRow("the values in use") << QStringList{"127.0.0.1", "=", "="} << QByteArray() << false;
    // clang-format on
}

void TestNetSetupDialog::writes()
{
    QFETCH(QStringList, fields);
    QFETCH(QByteArray, written);
    QFETCH(bool, adopted);
    const QByteArray before = emulator->networkInForce();
    const ConnectionSettings old = window->connectionSettings;
    d->show();
    fill(*d, {"lineEditNewAddr", "lineEditNewTcp", "lineEditNewUdp"},
         {fields[0], fields[1] == "=" ? QString::number(old.tcpPort) : fields[1],
          fields[2] == "=" ? QString::number(old.udpPort) : fields[2]});
    button(*d, "pushButtonRenewal")->click();
    QVERIFY(d->isBusy());
    waitIdle(*d); // the write, then the read it starts
    QVERIFY(QTest::qWaitFor([this]() { return !d->isBusy(); }));
    QCOMPARE(answers->warnings, QStringList{Succeeded});
    QVERIFY(!emulator->writeEnabled());
    if (!written.isEmpty()) {
        QCOMPARE(emulator->peek(0xFFFFFC18u, 6), written.left(6));
        QCOMPARE(emulator->peek(0xFFFFFC22u, 2), written.mid(6));
        QVERIFY(QTest::qWaitFor([this, &fields]() {
            return d->findChild<QTextEdit *>()->toPlainText().contains(fields[0]);
        }));
        // The module takes the values when it starts again.
        QCOMPARE(emulator->networkInForce(), before);
        emulator->boot();
        QCOMPARE(emulator->networkInForce().mid(6, 4), written.left(4));
    }
    // Text typed after the write is not what was written.
    edit(*d, "lineEditNewTcp")->setText(QStringLiteral("1"));
    QVERIFY(!window->isWindowModified());
    d->close();
    const ConnectionSettings &now = window->connectionSettings;
    QCOMPARE(window->isWindowModified(), adopted);
    QCOMPARE(window->currentUndoIndex(), adopted ? 0 : -1);
    if (adopted) {
        QCOMPARE(now.host, fields[0]);
        QCOMPARE(now.tcpPort, fields[1].toUShort());
        QCOMPARE(now.udpPort, fields[2].toUShort());
    } else {
        QVERIFY(now == old);
    }
}

void TestNetSetupDialog::failedWritesSwitchWritesOff_data()
{
    // clang-format off
    QTest::addColumn<int>("action");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<QString>("error");
    QTest::newRow("bus error at the address") << int(FaultRule::BusError) << 0xFFFFFC18u << "QRegx: Bus Error";
    QTest::newRow("bus error at the UDP port") << int(FaultRule::BusError) << 0xFFFFFC22u << "QRegx: Bus Error";
    QTest::newRow("no answer to the TCP port") << int(FaultRule::DropReply) << 0xFFFFFC1Cu << "QRegx: Socket operation timed out";
    // clang-format on
}

void TestNetSetupDialog::failedWritesSwitchWritesOff()
{
    QFETCH(int, action);
    QFETCH(quint32, address);
    QFETCH(QString, error);
    emulator->addRule(
        FaultRule(FaultRule::Action(action), FaultRule::WriteCommand, address, address, -1));
    const QByteArray before = emulator->peek(Block, 30);
    edit(*d, "lineEditNewAddr")->setText(QStringLiteral("127.0.0.9"));
    button(*d, "pushButtonRenewal")->click();
    waitIdle(*d);
    QCOMPARE(answers->warnings.size(), 1);
    QVERIFY2(answers->warnings.first().endsWith(error), qPrintable(answers->warnings.first()));
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

QTEST_MAIN(TestNetSetupDialog)
#include "tst_netsetupdialog.moc"
