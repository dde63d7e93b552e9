#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "qudpthread.h"
#include "scriptedanswers.h"
#include "versiondialog.h"
#include "windowkit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Lets the tests see the worker of a running Load.
class OpenVersionDialog : public VersionDialog
{
public:
    using VersionDialog::VersionDialog;
    QUdpThread *worker() const { return thread; }
};

QPushButton *loadButton(VersionDialog *dialog)
{
    return dialog->findChild<QPushButton *>(QStringLiteral("pushButton"));
}

} // namespace

class TestVersionDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init()
    {
        emulator.reset();
        emulator.clearRules();
    }
    void softwareVersion_data();
    void softwareVersion();
    void showsTheBuildsVersion();
    void load_data();
    void load();
    void closingDuringLoadStopsTheWorker();

private:
    ModuleEmulator emulator;
};

void TestVersionDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
}

void TestVersionDialog::softwareVersion_data()
{
    QTest::addColumn<QByteArray>("file"); // "-": no file
    QTest::addColumn<QString>("shown");

    QTest::newRow("v and a number") << QByteArray("v3.1\n") << "Software Version 3.1";
    QTest::newRow("first line with a small v")
        << QByteArray("3.0\nV2.0\nv2.5 beta\nv4\n") << "Software Version 2.5 beta";
    QTest::newRow("Windows line ends") << QByteArray("v1.2\r\n") << "Software Version 1.2";
    QTest::newRow("no line begins with v") << QByteArray(" v1\nV3.0\n1.0\n") << QString();
    QTest::newRow("no file") << QByteArray("-") << QString();
}

void TestVersionDialog::softwareVersion()
{
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = file == "-" ? dir.filePath(QStringLiteral("missing.txt"))
                                     : writeFile(dir, QStringLiteral("version.txt"), file);
    QTEST(VersionDialog::softwareVersion(path), "shown");
}

void TestVersionDialog::showsTheBuildsVersion()
{
    // The build writes version.txt next to the programs, the tests included.
    const QString written =
        VersionDialog::softwareVersion(QStringLiteral(ZIVRA_BUILD_DIR "/version.txt"));
    QVERIFY(written.startsWith(QLatin1String("Software Version 3.")));
    VersionDialog dialog(nullptr);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("labelVersion"))->text(), written);
    QVERIFY(!loadButton(&dialog)->isEnabled());
    QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("labelQrx"))->pixmap()->isNull());
}

void TestVersionDialog::load_data()
{
    QTest::addColumn<QString>("version"); // "bus error": the read is refused
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("warning"); // a failed Load keeps the text of the one before

    // clang-format off
    QTest::newRow("highest supported, bytes from 0x80 unsigned") << "3f000aff" << "127.0.0.1" << "";
    QTest::newRow("unsupported module") << "40010203" << "127.0.0.1" << "Zivra|This application does not support the Hardware.";
    QTest::newRow("bus error") << "bus error" << "127.0.0.1" << "Zivra|read address: 0x00000000\nlength: 1\n\nQRegx: Bus Error";
    QTest::newRow("host that is no address") << "31000aff" << "module.local" << "Zivra|REGX: The module address or port is not usable.";
    // clang-format on
}

void TestVersionDialog::load()
{
    QFETCH(QString, version);
    QFETCH(QString, host);
    QFETCH(QString, warning);

    ScriptedAnswers answers;
    auto main = newWindow(true);
    main->connectionSettings.udpPort = emulator.udpPort();
    VersionDialog dialog(main.get());
    auto *button = loadButton(&dialog);
    auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditVersion"));
    const auto load = [button]() {
        button->click();
        return QTest::qWaitFor([button]() { return button->isEnabled(); }, 30000);
    };
    QVERIFY(load());
    QCOMPARE(text->text(), QStringLiteral("33100501"));
    if (version == QLatin1String("bus error"))
        emulator.addRule(FaultRule(FaultRule::BusError, FaultRule::ReadCommand, 0, 3, -1));
    else
        emulator.setVersion(QByteArray::fromHex(version.toLatin1()));
    main->connectionSettings.host = host;
    QVERIFY(load());
    QCOMPARE(text->text(), warning.isEmpty() ? version : QStringLiteral("33100501"));
    QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
}

void TestVersionDialog::closingDuringLoadStopsTheWorker()
{
    ScriptedAnswers answers;
    auto main = newWindow(true);
    main->connectionSettings.udpPort = emulator.udpPort();
    emulator.addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    auto *dialog = new OpenVersionDialog(main.get());
    loadButton(dialog)->click();
    QPointer<QUdpThread> worker = dialog->worker();
    QVERIFY(worker && worker->isRunning());
    delete dialog;
    // The worker is gone with the dialog, so nothing of it can reach a deleted receiver.
    QVERIFY(worker.isNull());
    QTest::qWait(50);
    QVERIFY(answers.warnings.isEmpty());
}

QTEST_MAIN(TestVersionDialog)
#include "tst_versiondialog.moc"
