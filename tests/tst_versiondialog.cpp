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

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// Lets the tests see the worker of a running Load.
class OpenVersionDialog : public VersionDialog
{
public:
    using VersionDialog::VersionDialog;
    QUdpThread *worker() const { return thread; }
};

} // namespace

class TestVersionDialog : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void softwareVersion_data();
    void softwareVersion();
    void showsTheBuildsVersion();
    void load_data();
    void load();
    void closingDuringLoadStopsTheWorker();
    void hostThatIsNoAddress();

private:
    bool load(VersionDialog *dialog);
    ModuleEmulator emulator;
};

void TestVersionDialog::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
}

bool TestVersionDialog::load(VersionDialog *dialog)
{
    auto *button = dialog->findChild<QPushButton *>(QStringLiteral("pushButton"));
    button->click();
    return QTest::qWaitFor([button]() { return button->isEnabled(); }, 30000);
}

void TestVersionDialog::softwareVersion_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");

    QTest::newRow("v and a number") << QByteArray("v3.1\n") << "Software Version 3.1";
    QTest::newRow("digit and capital V skipped")
        << QByteArray("3.0\nV2.0\nv2.5\n") << "Software Version 2.5";
    QTest::newRow("first qualifying line only")
        << QByteArray("Zivra III\nv3.0 beta\nv4\n") << "Software Version 3.0 beta";
    QTest::newRow("Windows line ends") << QByteArray("v1.2\r\n") << "Software Version 1.2";
    QTest::newRow("no qualifying line") << QByteArray("V3.0\n1.0\n") << QString();
    QTest::newRow("leading blank") << QByteArray(" v1\n") << QString();
    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("no file") << QByteArray("-") << QString();
}

void TestVersionDialog::softwareVersion()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path = file == "-" ? dir.filePath(QStringLiteral("missing.txt"))
                                     : writeFile(dir, QStringLiteral("version.txt"), file);
    QCOMPARE(VersionDialog::softwareVersion(path), shown);
}

void TestVersionDialog::showsTheBuildsVersion()
{
    // The build writes version.txt next to the programs, the tests included.
    const QString written =
        VersionDialog::softwareVersion(QStringLiteral(ZIVRA_BUILD_DIR "/version.txt"));
    QVERIFY(written.startsWith(QLatin1String("Software Version 3.")));
    VersionDialog dialog(nullptr);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("labelVersion"))->text(), written);
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->isEnabled());
    QVERIFY(!dialog.findChild<QLabel *>(QStringLiteral("labelQrx"))->pixmap()->isNull());
}

void TestVersionDialog::load_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("busError");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("warning");

    QTest::newRow("bytes from 0x80 without sign")
        << bytes({0x31, 0x00, 0x0A, 0xFF}) << false << "31000aff" << QString();
    QTest::newRow("highest supported")
        << bytes({0x3F, 0x80, 0x7F, 0x00}) << false << "3f807f00" << QString();
    QTest::newRow("unsupported module keeps the text")
        << bytes({0x40, 0x01, 0x02, 0x03}) << false << "33100501"
        << "Zivra|This application does not support the Hardware.";
    QTest::newRow("bus error keeps the text")
        << bytes({0x31, 0x00, 0x0A, 0xFF}) << true << "33100501"
        << "Zivra|read address: 0x00000000\nlength: 1\n\nQRegx: Bus Error";
}

void TestVersionDialog::load()
{
    QFETCH(QByteArray, version);
    QFETCH(bool, busError);
    QFETCH(QString, shown);
    QFETCH(QString, warning);

    ScriptedAnswers answers;
    emulator.reset();
    emulator.clearRules();
    auto window = newWindow(true);
    window->connectionSettings.udpPort = emulator.udpPort();
    VersionDialog dialog(window.get());
    auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("lineEditVersion"));

    QVERIFY(load(&dialog));
    QCOMPARE(text->text(), QStringLiteral("33100501"));
    emulator.setVersion(version);
    if (busError)
        emulator.addRule(FaultRule(FaultRule::BusError, FaultRule::ReadCommand, 0, 3, -1));
    QVERIFY(load(&dialog));
    QCOMPARE(text->text(), shown);
    QCOMPARE(answers.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
    emulator.clearRules();
}

void TestVersionDialog::closingDuringLoadStopsTheWorker()
{
    ScriptedAnswers answers;
    emulator.reset();
    emulator.addRule(FaultRule(FaultRule::DropReply, FaultRule::AnyCommand, 0, 0xFFFFFFFFu, -1));
    auto window = newWindow(true);
    window->connectionSettings.udpPort = emulator.udpPort();
    auto *dialog = new OpenVersionDialog(window.get());
    dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    QPointer<QUdpThread> worker = dialog->worker();
    QVERIFY(worker);
    QVERIFY(worker->isRunning());
    delete dialog;
    // The worker is gone with the dialog, so nothing of it can reach a deleted receiver.
    QVERIFY(worker.isNull());
    QTest::qWait(50);
    QVERIFY(answers.warnings.isEmpty());
    emulator.clearRules();
}

void TestVersionDialog::hostThatIsNoAddress()
{
    ScriptedAnswers answers;
    auto window = newWindow(true);
    window->connectionSettings.host = QStringLiteral("module.local");
    VersionDialog dialog(window.get());
    QVERIFY(load(&dialog));
    QCOMPARE(answers.warnings,
             QStringList("Zivra|REGX: The module address or port is not usable."));
}

QTEST_MAIN(TestVersionDialog)
#include "tst_versiondialog.moc"
