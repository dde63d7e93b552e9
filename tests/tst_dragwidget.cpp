#include "dragsimulator.h"
#include "dragwidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
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

    // Foreign data, and a payload cut short, are refused without a label.
    QMimeData plain;
    plain.setText("Zivramove");
    QMimeData cut;
    QMimeData *whole = DragWidget::pixmapPayload(red, QPoint(5, 10));
    cut.setData(DragWidget::mimeType(), whole->data(DragWidget::mimeType()).left(12));
    delete whole;
    for (const QMimeData *data : {&plain, &cut}) {
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&other, &enter);
        QCOMPARE(enter.isAccepted(), data == &cut);
        QDropEvent drop(QPoint(20, 20), Qt::CopyAction, data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&other, &drop);
        QVERIFY(!drop.isAccepted());
    }
    QCOMPARE(other.findChildren<QLabel *>().size(), 1);
}

QTEST_MAIN(TestDragWidget)
#include "tst_dragwidget.moc"
