#include "deletionguard.h"
#include "faultrule.h"
#include "mainwindow.h"
#include "moduleemulator.h"
#include "msrcntwidget.h"
#include "usercontroldialog.h"
#include "windowkit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

class Owner : public QObject
{
public:
    DeletionGuard guard{this};

protected:
    bool event(QEvent *event) override { return guard.filter(event) || QObject::event(event); }
};

} // namespace

// A window that runs a box of its own outlives the box, even when a slot run by the box's event
// loop closes and forgets it; it is deleted once the box has returned.
class TestDeletionGuard : public QObject, private WindowKit
{
    Q_OBJECT

    ModuleEmulator emulator;

private slots:
    void initTestCase()
    {
        isolateSettings();
        QVERIFY(emulator.start());
    }

    // A box inside a box, and another event for the owner waiting as each returns.
    void heldUntilTheLastBox()
    {
        QPointer<Owner> owner = new Owner;
        auto outer = std::make_unique<DeletionGuard::Box>(owner->guard);
        auto inner = std::make_unique<DeletionGuard::Box>(owner->guard);
        owner->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (auto *box : {&inner, &outer}) {
            QVERIFY(owner);
            QCoreApplication::postEvent(owner, new QEvent(QEvent::User));
            box->reset();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QVERIFY(owner.isNull());
    }

    // Inside a real box of the window (a failure, or a question answered Yes), a download of a
    // design without user-controlled inputs or counters closes and forgets the window.
    void downloadInsideOwnBox_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        const QString busError = "write address: 0x%1\nlength: %2\n\nQRegx: Bus Error";
        // clang-format off
        QTest::newRow("user-control warning") << entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>") << "on8" << busError.arg("0000006e").arg(2);
        QTest::newRow("counter warning") << entry("MsrCnt2", 1, "MsrCnt2", "<property>Mode=8</property>") << "startButton2" << busError.arg("00000066").arg(1);
        QTest::newRow("counter log question, Yes") << entry("MsrCnt2", 1, "MsrCnt2", "<property>Mode=8 FileSave=true PATH=/nonexistent/zivra</property>") << "connectButton" << "/nonexistent/zivra:\nNo such directory.";
        // clang-format on
    }

    void downloadInsideOwnBox()
    {
        QFETCH(QByteArray, block);
        QFETCH(QString, button);
        emulator.reset();
        emulator.clearRules();
        const bool connects = button == "connectButton";
        auto window = newWindow();
        const auto load = [&](const QByteArray &body) {
            QByteArray doc = document("<tab id=\"0\" name=\"Sheet1\">\n" + body + "</tab>\n");
            window->loadDiagram(doc, QStringLiteral("design.zvr3"), false);
            window->connectionSettings.udpPort = emulator.udpPort();
            window->connectionSettings.tcpPort = emulator.tcpPort();
            window->connectionSettings.autoConnect = !connects;
        };
        load(block);
        window->download(true);
        QVERIFY(QTest::qWaitFor([&]() { return !window->isModuleBusy(); }, 30000));
        if (connects)
            window->action("actionVe_xon")->trigger();
        QPointer<QDialog> own = window->userControl();
        if (!own)
            own = window->counterWindow();
        QVERIFY(own);
        auto *clicked = own->findChild<QAbstractButton *>(button);
        QVERIFY(QTest::qWaitFor([&]() { return clicked->isEnabled(); }, 30000));
        load(QByteArray());
        const quint32 refused = button == "on8" ? 0x6E : 0x66;
        if (!connects)
            emulator.addRule(
                FaultRule(FaultRule::BusError, FaultRule::WriteCommand, refused, refused, 1));

        QStringList texts; // of the real boxes shown: no answers are scripted here
        bool aliveForgotten = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && texts.isEmpty()) {
                texts << box->text();
                window->download(true);
            } else if (box && !window->isModuleBusy()) {
                aliveForgotten = own && !window->userControl() && !window->counterWindow();
                box->button(connects ? QMessageBox::Yes : QMessageBox::Ok)->click();
            }
        });
        timer.start(20);
        clicked->click();
        QVERIFY(QTest::qWaitFor([&]() { return own.isNull(); }, 30000));
        QVERIFY(aliveForgotten);
        QTEST(texts.join("|"), "text");
        QVERIFY(QTest::qWaitFor([&]() { return emulator.streamClients() == 0; }, 10000));
    }
};

QTEST_MAIN(TestDeletionGuard)
#include "tst_deletionguard.moc"
