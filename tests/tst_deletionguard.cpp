#include "deletionguard.h"
#include "dialoghooks.h"
#include "faultrule.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "moduleemulator.h"
#include "msrcntwidget.h"
#include "usercontroldialog.h"
#include "windowkit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace {

// Lets the window's boxes run for real, each in its own nested event loop. Inside the first box
// it runs `inside`; once `done` holds it answers that box with `answer`. Any other box is
// recorded and rejected.
class RealBox
{
public:
    RealBox(std::function<void()> inside, std::function<bool()> done,
            QMessageBox::StandardButton answer)
        : inside(std::move(inside)), done(std::move(done)), answer(answer)
    {
        ModalHooks::setWarningRunner(nullptr);
        DialogHooks::setQuestionRunner(nullptr);
        QObject::connect(&timer, &QTimer::timeout, [this]() { tick(); });
        timer.start(20);
    }

    QStringList texts;

private:
    void tick()
    {
        auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (shown && shown != first) {
            texts << shown->text();
            if (first) {
                shown->reject();
                return;
            }
            first = shown;
            inside();
        } else if (first && done()) {
            timer.stop();
            first->button(answer)->click();
        }
    }

    std::function<void()> inside;
    std::function<bool()> done;
    QMessageBox::StandardButton answer;
    QTimer timer;
    QPointer<QMessageBox> first;
};

// A plain object that routes its events through its guard, as the windows do.
class Owner : public QObject
{
public:
    DeletionGuard guard{this};

protected:
    bool event(QEvent *event) override { return guard.filter(event) || QObject::event(event); }
};

} // namespace

// A window that runs a box of its own outlives the box, although a download ending inside the
// box's event loop closes and forgets it; it is deleted once the box has returned.
class TestDeletionGuard : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase();
    void heldUntilTheLastBox_data();
    void heldUntilTheLastBox();
    void downloadInsideOwnBox_data();
    void downloadInsideOwnBox();

private:
    QByteArray design(const QByteArray &body, bool autoConnect) const
    {
        return document("<tab id=\"0\" name=\"Sheet1\">\n" + body + "</tab>\n",
                        "<Zivra3 addr=\"127.0.0.1\" tcpPort=\"" +
                            QByteArray::number(emulator.tcpPort()) + "\" udpPort=\"" +
                            QByteArray::number(emulator.udpPort()) + "\" Timeout=\"1\" " +
                            "autoConnect=\"" + (autoConnect ? "true" : "false") + "\">");
    }

    ModuleEmulator emulator;
};

void TestDeletionGuard::initTestCase()
{
    isolateSettings();
    QVERIFY(emulator.start());
}

void TestDeletionGuard::heldUntilTheLastBox_data()
{
    QTest::addColumn<int>("boxes");
    QTest::addColumn<bool>("otherEvent"); // another event for the owner waits meanwhile
    QTest::newRow("no box") << 0 << false;
    QTest::newRow("one box") << 1 << false;
    QTest::newRow("one box, another event waiting") << 1 << true;
    QTest::newRow("box inside a box") << 2 << true;
}

void TestDeletionGuard::heldUntilTheLastBox()
{
    QFETCH(int, boxes);
    QFETCH(bool, otherEvent);
    QPointer<Owner> owner = new Owner;
    std::vector<std::unique_ptr<DeletionGuard::Box>> open;
    for (int i = 0; i < boxes; ++i)
        open.push_back(std::make_unique<DeletionGuard::Box>(owner->guard));
    owner->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    while (!open.empty()) {
        QVERIFY(owner);
        if (otherEvent)
            QCoreApplication::postEvent(owner, new QEvent(QEvent::User));
        open.pop_back();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QVERIFY(owner.isNull());
}

void TestDeletionGuard::downloadInsideOwnBox_data()
{
    QTest::addColumn<QByteArray>("block");
    // "switch": a refused user-control write; "start": a refused counter start; "connect": logs
    // that cannot be written.
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("text");

    const QByteArray user = entry("Input", 1, "IN-OPT", "<property>bUserControl=true</property>");
    const QByteArray counter = entry("MsrCnt2", 1, "MsrCnt2", "<property>Mode=8</property>");
    const QByteArray logged =
        entry("MsrCnt2", 1, "MsrCnt2",
              "<property>Mode=8 FileSave=true PATH=/nonexistent/zivra</property>");
    const QString busError = "write address: 0x%1\nlength: %2\n\nQRegx: Bus Error";
    // clang-format off
    QTest::newRow("user-control warning") << user << "switch" << int(QMessageBox::Ok) << busError.arg("0000006e").arg(2);
    QTest::newRow("counter warning") << counter << "start" << int(QMessageBox::Ok) << busError.arg("00000066").arg(1);
    QTest::newRow("counter log question, Yes") << logged << "connect" << int(QMessageBox::Yes) << "/nonexistent/zivra:\nNo such directory.";
    // clang-format on
}

void TestDeletionGuard::downloadInsideOwnBox()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, trigger);
    QFETCH(int, answer);
    emulator.reset();
    emulator.clearRules();
    const bool switches = trigger == "switch";
    const bool connects = trigger == "connect";

    auto window = newWindow();
    QByteArray first = design(block, !connects);
    QVERIFY(window->loadDiagram(first, QStringLiteral("first.zvr3"), false));
    window->download(true);
    QVERIFY(QTest::qWaitFor([&]() { return !window->isModuleBusy(); }, 30000));
    if (connects)
        window->action("actionVe_xon")->trigger();
    QPointer<QDialog> own = switches ? static_cast<QDialog *>(window->userControl())
                                     : static_cast<QDialog *>(window->counterWindow());
    QVERIFY(own);
    QAbstractButton *button = own->findChild<QAbstractButton *>(
        switches ? "on8" : (connects ? "connectButton" : "startButton2"));
    QVERIFY(QTest::qWaitFor([&]() { return button->isEnabled(); }, 30000));

    // The next design has neither user-controlled inputs nor counters.
    QByteArray next = design(QByteArray(), false);
    QVERIFY(window->loadDiagram(next, QStringLiteral("next.zvr3"), false));
    if (!connects) {
        // The window's own write is refused, the download after it is not.
        const quint32 refused = switches ? 0x6E : 0x66;
        emulator.addRule(
            FaultRule(FaultRule::BusError, FaultRule::WriteCommand, refused, refused, 1));
    }
    bool forgottenInBox = false;
    bool aliveInBox = false;
    RealBox box([&]() { window->download(true); },
                [&]() {
                    if (window->isModuleBusy())
                        return false;
                    forgottenInBox = !window->userControl() && !window->counterWindow();
                    aliveInBox = !own.isNull();
                    return true;
                },
                QMessageBox::StandardButton(answer));
    button->click();

    QVERIFY(QTest::qWaitFor([&]() { return own.isNull(); }, 30000));
    QVERIFY(forgottenInBox && aliveInBox);
    QFETCH(QString, text);
    QCOMPARE(box.texts, QStringList(text));
    QVERIFY(!window->action("action_User_Control")->isEnabled());
    QVERIFY(!window->action("actionVe_xon")->isEnabled());
    QVERIFY(QTest::qWaitFor([&]() { return emulator.streamClients() == 0; }, 10000));
}

QTEST_MAIN(TestDeletionGuard)
#include "tst_deletionguard.moc"
