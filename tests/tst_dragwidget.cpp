#include "dragsimulator.h"
#include "dragwidget.h"

#include <QLabel>
#include <QTest>

class TestDragWidget : public QObject
{
    Q_OBJECT

private slots:
    void dragsMoveWithinAndCopyAcross();
};

void TestDragWidget::dragsMoveWithinAndCopyAcross()
{
    DragWidget surface, other;
    for (DragWidget *w : {&surface, &other}) {
        w->setAcceptDrops(true);
        w->resize(300, 200);
        w->show();
    }
    QPixmap red(40, 20);
    red.fill(Qt::red);
    auto *item = new QLabel(&surface);
    item->setPixmap(red);
    item->setGeometry(50, 60, 40, 20);
    item->setAttribute(Qt::WA_DeleteOnClose);
    item->show();

    DragSimulator drags;
    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(200, 150)); // background
    QCOMPARE(drags.drags.size(), 0);

    // Ending outside any window: the label is back, unveiled.
    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.size(), 1);
    QCOMPARE(drags.drags.last().result, Qt::IgnoreAction);
    QCOMPARE(drags.drags.last().hotSpot, QPoint(5, 10));
    QCOMPARE(item->pixmap(Qt::ReturnByValue).toImage(), red.toImage());

    drags.dropOn(&other, QPoint(105, 110));
    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.last().result, Qt::CopyAction);
    QCOMPARE(other.findChildren<QLabel *>().size(), 1);
    QCOMPARE(other.findChildren<QLabel *>().first()->pos(), QPoint(100, 100));
    QVERIFY(item->isVisible());

    drags.dropOn(&surface, QPoint(205, 110));
    QPointer<QLabel> old = item;
    QTest::mousePress(&surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.last().result, Qt::MoveAction);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());
    QCOMPARE(surface.findChildren<QLabel *>().size(), 1);
    QCOMPARE(surface.findChildren<QLabel *>().first()->pos(), QPoint(200, 100));
}

QTEST_MAIN(TestDragWidget)
#include "tst_dragwidget.moc"
