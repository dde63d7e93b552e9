#include "customscroll.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWidget>

// Passes every key it gets on to its parent, as a sheet that did not use it does.
class PassingSheet : public QWidget
{
protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        ++seen;
        event->ignore();
    }

public:
    int seen = 0;
};

class Receiver : public QWidget
{
protected:
    void keyPressEvent(QKeyEvent *event) override { keys << event->key(); }

public:
    QList<int> keys;
};

class TestCustomScroll : public QObject
{
    Q_OBJECT

private slots:
    void upDownNeverScroll();
};

void TestCustomScroll::upDownNeverScroll()
{
    Receiver window;
    auto *scroll = new CustomScroll(&window);
    scroll->resize(300, 200);
    auto *sheet = new PassingSheet;
    sheet->setMinimumSize(750, 1030);
    scroll->setWidget(sheet);
    window.resize(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QScrollBar *bar = scroll->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(300);
    sheet->setFocus();

    for (int key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(sheet, Qt::Key(key));
        QCOMPARE(bar->value(), 300);
    }
    // The keys travelled on to the window.
    QCOMPARE(window.keys, QList<int>({Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}));

    // Sent to the scroll area itself, they are left to its parent too.
    QTest::keyClick(scroll, Qt::Key_Down);
    QCOMPARE(bar->value(), 300);
    QCOMPARE(window.keys.size(), 5);
    QCOMPARE(window.keys.last(), int(Qt::Key_Down));

    // Every other key keeps the standard scrolling.
    QTest::keyClick(sheet, Qt::Key_PageDown);
    QVERIFY(bar->value() > 300);
    const int afterPage = bar->value();
    QTest::keyClick(sheet, Qt::Key_PageUp);
    QVERIFY(bar->value() < afterPage);
    QCOMPARE(sheet->seen, 6);
}

QTEST_MAIN(TestCustomScroll)
#include "tst_customscroll.moc"
