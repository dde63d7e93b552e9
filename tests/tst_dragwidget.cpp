#include "dragsimulator.h"
#include "dragwidget.h"

#include <QDataStream>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

namespace {

QPixmap swatch(const QColor &color)
{
    QPixmap pixmap(40, 20);
    pixmap.fill(color);
    return pixmap;
}

QList<QLabel *> labelsOf(QWidget *surface)
{
    return surface->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

class TestDragWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void payloadForms();
    void truncatedPayloadIsRefused();
    void pressOnBackgroundStartsNothing();
    void dragOutsideRestoresLabel();
    void dropOnSameSurfaceMoves();
    void dropOnOtherSurfaceCopies();
    void foreignDataIsIgnored();

private:
    DragWidget *surface = nullptr;
    DragWidget *other = nullptr;
    QLabel *item = nullptr;
};

void TestDragWidget::init()
{
    surface = new DragWidget;
    surface->setAcceptDrops(true);
    surface->resize(300, 200);
    other = new DragWidget;
    other->setAcceptDrops(true);
    other->resize(300, 200);
    item = new QLabel(surface);
    item->setPixmap(swatch(Qt::red));
    item->setGeometry(50, 60, 40, 20);
    item->setAttribute(Qt::WA_DeleteOnClose);
    surface->show();
    other->show();
}

void TestDragWidget::cleanup()
{
    delete surface;
    delete other;
}

void TestDragWidget::payloadForms()
{
    QCOMPARE(QString(DragWidget::mimeType()), QString("application/x-dnditemdata"));

    QScopedPointer<QMimeData> text(DragWidget::textPayload("Zivramove", QPoint(7, -3)));
    // Stream layout: QString then QPoint, default version, big-endian.
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << QString("Zivramove") << QPoint(7, -3);
    QCOMPARE(text->data("application/x-dnditemdata"), bytes);
    QString kind;
    QPoint point;
    QVERIFY(DragWidget::readTextPayload(text.data(), kind, point));
    QCOMPARE(kind, QString("Zivramove"));
    QCOMPARE(point, QPoint(7, -3));

    QScopedPointer<QMimeData> picture(DragWidget::pixmapPayload(swatch(Qt::blue), QPoint(4, 5)));
    QPixmap pixmap;
    QPoint offset;
    QVERIFY(DragWidget::readPixmapPayload(picture.data(), pixmap, offset));
    QCOMPARE(pixmap.toImage(), swatch(Qt::blue).toImage());
    QCOMPARE(offset, QPoint(4, 5));
}

void TestDragWidget::truncatedPayloadIsRefused()
{
    QScopedPointer<QMimeData> text(DragWidget::textPayload("PreLogic", QPoint(1, 2)));
    QByteArray bytes = text->data("application/x-dnditemdata");
    QMimeData cut;
    cut.setData("application/x-dnditemdata", bytes.left(bytes.size() - 3));
    QString kind;
    QPoint point;
    QVERIFY(!DragWidget::readTextPayload(&cut, kind, point));

    QMimeData empty;
    QVERIFY(!DragWidget::readTextPayload(&empty, kind, point));
    QVERIFY(!DragWidget::readTextPayload(nullptr, kind, point));

    // A dropped text form is no picture: no label appears.
    DragSimulator drags;
    QScopedPointer<QMimeData> wrong(DragWidget::textPayload("PreLogic", QPoint(1, 2)));
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, wrong.data(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(other, &drop);
    QVERIFY(!drop.isAccepted());
    QVERIFY(labelsOf(other).isEmpty());
}

void TestDragWidget::pressOnBackgroundStartsNothing()
{
    DragSimulator drags;
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(drags.drags.size(), 0);
}

void TestDragWidget::dragOutsideRestoresLabel()
{
    DragSimulator drags;
    QImage during;
    drags.whileDragging = [&](QDrag *) { during = item->pixmap(Qt::ReturnByValue).toImage(); };
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.size(), 1);
    const DragSimulator::Record &drag = drags.drags.first();
    QCOMPARE(drag.result, Qt::IgnoreAction);
    QCOMPARE(drag.hotSpot, QPoint(5, 10));
    QCOMPARE(drag.pixmap.toImage(), swatch(Qt::red).toImage());
    QCOMPARE(drag.supported, Qt::CopyAction | Qt::MoveAction);
    QCOMPARE(drag.defaultAction, Qt::CopyAction);

    QPixmap veiled = swatch(Qt::red);
    QPainter painter(&veiled);
    painter.fillRect(veiled.rect(), QColor(127, 127, 127, 127));
    painter.end();
    QCOMPARE(during, veiled.toImage());

    QVERIFY(item->isVisible());
    QCOMPARE(item->pixmap(Qt::ReturnByValue).toImage(), swatch(Qt::red).toImage());
    QCOMPARE(labelsOf(surface).size(), 1);
}

void TestDragWidget::dropOnSameSurfaceMoves()
{
    DragSimulator drags;
    drags.dropOn(surface, QPoint(205, 110));
    QPointer<QLabel> old = item;
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.first().result, Qt::MoveAction);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());
    const QList<QLabel *> labels = labelsOf(surface);
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first()->pos(), QPoint(200, 100));
    QCOMPARE(labels.first()->pixmap(Qt::ReturnByValue).toImage(), swatch(Qt::red).toImage());
    QVERIFY(labels.first()->testAttribute(Qt::WA_DeleteOnClose));
}

void TestDragWidget::dropOnOtherSurfaceCopies()
{
    DragSimulator drags;
    drags.dropOn(other, QPoint(105, 110));
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(55, 70));
    QCOMPARE(drags.drags.first().result, Qt::CopyAction);
    QCOMPARE(labelsOf(surface).size(), 1);
    QVERIFY(item->isVisible());
    QCOMPARE(item->pixmap(Qt::ReturnByValue).toImage(), swatch(Qt::red).toImage());
    QCOMPARE(labelsOf(other).size(), 1);
    QCOMPARE(labelsOf(other).first()->pos(), QPoint(100, 100));
}

void TestDragWidget::foreignDataIsIgnored()
{
    QMimeData foreign;
    foreign.setText("hello");
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &foreign, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(other, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(other, &drop);
    QVERIFY(!drop.isAccepted());
    QVERIFY(labelsOf(other).isEmpty());
}

QTEST_MAIN(TestDragWidget)
#include "tst_dragwidget.moc"
