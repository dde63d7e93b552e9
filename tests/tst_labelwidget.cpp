#include "blockitem.h"
#include "dragsimulator.h"
#include "dragwidget.h"
#include "labelentry.h"
#include "labelwidget.h"
#include "programdata.h"
#include "programwidget.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QTest>

namespace {

QImage expected(const char *path, const QString &text)
{
    QPixmap pixmap(QString::fromLatin1(path));
    drawCentredText(pixmap, text);
    return pixmap.toImage();
}

const char *const on = ":/images/LabelON.png";
const char *const off = ":/images/LabelOFF.png";
const char *const fncOn = ":/images/FncLabelON.png";

// A sheet stand-in: a drop places a user of the dragged label.
class PlacingTarget : public QWidget
{
public:
    explicit PlacingTarget(LabelWidget *strip) : strip(strip) { setAcceptDrops(true); }
    QStringList received;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        QString kind;
        QPoint point;
        DragWidget::readTextPayload(event->mimeData(), kind, point);
        received << kind;
        strip->setLabelUsed(kind.remove(QStringLiteral("Pre")), true);
        event->acceptProposedAction();
    }

private:
    LabelWidget *strip;
};

} // namespace

class TestLabelWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sortedGridOfEntries();
    void marksPerSheetAndDrags();
    void entriesWithoutSource();
    void removeLabelRelaysOut();

private:
    BlockItem *source(const QString &name, const QString &kind, int sheet = 0)
    {
        BlockItem *block = kind == "FeedBack" ? data->createFeedBackIN(nextId++, sheet, name)
                                              : data->createLabelIN(nextId++, sheet, name);
        block->setKind(kind); // as the sheet does right after creating it
        return block;
    }
    LabelEntry *entry(const QString &name)
    {
        for (LabelEntry *e : strip->labels() + strip->feedBacks())
            if (e->name == name)
                return e;
        return nullptr;
    }
    QImage shown(const QString &name)
    {
        return entry(name)->label->pixmap(Qt::ReturnByValue).toImage();
    }
    QStringList names(const QVector<LabelEntry *> &list)
    {
        QStringList result;
        for (const LabelEntry *e : list)
            result << e->name;
        return result;
    }
    void press(int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(strip, button, {}, QPoint(x, y));
    }

    LabelWidget *strip = nullptr;
    ProgramData *data = nullptr;
    int nextId = 0;
};

void TestLabelWidget::init()
{
    strip = new LabelWidget;
    strip->resize(800, 200);
    strip->show();
    data = new ProgramData(strip);
}

void TestLabelWidget::cleanup()
{
    strip->clearLabels();
    delete data;
    delete strip;
}

void TestLabelWidget::sortedGridOfEntries()
{
    for (const char *path : {on, off, fncOn})
        QCOMPARE(QPixmap(path).size(), QSize(90, 25));

    source("Label2", "PreLabel");
    QLabel *first = entry("Label2")->label;
    source("Label10", "PreLabel");
    source("Label1", "PreLabel");
    QCOMPARE(names(strip->labels()), QStringList({"Label1", "Label2", "Label10"}));
    // Label2 moved one cell right when Label1 arrived; made anew there.
    QCOMPARE(entry("Label2")->label->geometry(), QRect(95, 30, 90, 25));
    QVERIFY(entry("Label2")->label != first);
    QCOMPARE(shown("Label10"), expected(off, "Label10")); // OFF on its source's sheet

    for (int i = 3; i < 9; ++i)
        source(QStringLiteral("Label%1").arg(i), "PreLabel");
    // The ninth entry opens the third row.
    QCOMPARE(entry("Label8")->label->geometry(), QRect(7 * 95, 30, 90, 25));
    QCOMPARE(entry("Label10")->label->geometry(), QRect(0, 60, 90, 25));
    QCOMPARE(strip->minimumHeight(), 90);
    QCOMPARE(strip->minimumWidth(), 740);
    strip->setCurrentTab(1);
    DragSimulator drags;
    press(10, 65);
    press(10, 35);
    press(10, 57); // between two rows
    QCOMPARE(drags.drags.size(), 2);
    QCOMPARE(DragSimulator::kindText(drags.drags[0].payload), QString("PreLabel10"));
    QCOMPARE(DragSimulator::kindText(drags.drags[1].payload), QString("PreLabel1"));
    QCOMPARE(drags.drags[0].hotSpot, QPoint(10, 5));

    // Feedback labels: first row, numbers compared, text before "FeedBack" dropped.
    source("FeedBack9", "FeedBack");
    source("OUTFeedBack10", "FeedBack");
    source("FeedBack2", "FeedBack");
    QCOMPARE(names(strip->feedBacks()), QStringList({"FeedBack2", "FeedBack9", "FeedBack10"}));
    QCOMPARE(entry("FeedBack10")->label->geometry(), QRect(190, 0, 90, 25));
    QVERIFY(strip->grab().save(QStringLiteral(ZIVRA_BUILD_DIR "/label_strip.png")));
    // Equal numbers keep their order of arrival.
    QVERIFY(!LabelWidget::labelLessThan("Label3", "Label03"));
    QVERIFY(!LabelWidget::labelLessThan("Label03", "Label3"));
    QVERIFY(!LabelWidget::labelLessThan("FeedBack1", "Label2"));
}

void TestLabelWidget::marksPerSheetAndDrags()
{
    source("Label0", "PreLabel");
    source("Label1", "Label");
    source("FeedBack0", "FeedBack");
    // On the source's sheet a label is OFF, a feedback label stays ON.
    QCOMPARE(shown("Label0"), expected(off, "Label0"));
    QCOMPARE(shown("FeedBack0"), expected(on, "FeedBack0"));
    DragSimulator drags;
    press(40, 40);                  // OFF: no drag
    press(40, 10, Qt::RightButton); // right button: no drag
    QCOMPARE(drags.drags.size(), 0);

    strip->setCurrentTab(1);
    QCOMPARE(shown("Label0"), expected(on, "Label0"));
    QCOMPARE(shown("Label1"), expected(fncOn, "Label1"));
    strip->setLabelText("Label0", "Trigger");
    QCOMPARE(shown("Label0"), expected(on, "Trigger"));

    PlacingTarget sheet(strip);
    drags.dropOn(&sheet, QPoint(20, 20));
    press(40, 40);
    press(130, 40);
    press(40, 10);
    // The name travels, not the user name; "Pre" marks a PreLabel source.
    QCOMPARE(sheet.received, QStringList({"PreLabel0", "Label1", "FeedBack0"}));
    QCOMPARE(shown("Label0"), expected(off, "Trigger"));
    QCOMPARE(shown("FeedBack0"), expected(off, "FeedBack0"));
    QVERIFY(strip->isLabelInUse("Label0"));
    QVERIFY(!strip->isLabelInUse("FeedBack0"));
    QVERIFY(strip->isLabelPlaced("Label0", 1));
    QVERIFY(!strip->isLabelPlaced("Label0", 2));

    strip->setCurrentTab(2);
    QCOMPARE(shown("Label0"), expected(on, "Trigger"));
    strip->setCurrentTab(0);
    QCOMPARE(shown("Label0"), expected(off, "Trigger"));
    strip->setCurrentTab(1);
    QCOMPARE(strip->setLabelUsed("Label0", false), QString("Trigger"));
    QCOMPARE(shown("Label0"), expected(on, "Trigger"));
    QVERIFY(!strip->isLabelInUse("Label0"));

    // A drag that ends nowhere leaves the entry shown as it was.
    drags.dropNowhere();
    press(40, 40);
    QCOMPARE(shown("Label0"), expected(on, "Trigger"));
    QVERIFY(entry("Label0")->label->isVisible());
}

void TestLabelWidget::entriesWithoutSource()
{
    QVERIFY(strip->isLabelPlaced("Label99"));
    strip->setCurrentTab(1);
    QCOMPARE(strip->setLabelUsed("Label7", true), QString("Label7"));
    QVERIFY(!entry("Label7")->source);
    strip->setLabelUsed("Label7", false);
    QCOMPARE(shown("Label7"), expected(off, "Label7")); // no source: OFF, not draggable
    DragSimulator drags;
    press(10, 40);
    QCOMPARE(drags.drags.size(), 0);

    strip->setCurrentTab(2);
    BlockItem *block = source("Label7", "PreLabel", 2);
    QCOMPARE(strip->labels().size(), 1);
    QCOMPARE(entry("Label7")->source, block);
    strip->setCurrentTab(1);
    QCOMPARE(shown("Label7"), expected(on, "Label7"));
    press(10, 40);
    QCOMPARE(drags.drags.size(), 1);
}

void TestLabelWidget::removeLabelRelaysOut()
{
    for (int i = 0; i < 10; ++i)
        source(QStringLiteral("Label%1").arg(i), "Label");
    source("FeedBack0", "FeedBack");
    source("FeedBack1", "FeedBack");
    strip->removeLabel("Label3");
    strip->removeLabel("FeedBack0");
    strip->removeLabel("Label77");
    QCOMPARE(names(strip->labels()), QStringList({"Label0", "Label1", "Label2", "Label4", "Label5",
                                                  "Label6", "Label7", "Label8", "Label9"}));
    for (int i = 0; i < 9; ++i)
        QCOMPARE(strip->labels()[i]->label->geometry(),
                 QRect(95 * (i % 8), 30 * (1 + i / 8), 90, 25));
    QCOMPARE(entry("FeedBack1")->label->geometry(), QRect(0, 0, 90, 25));
    QCOMPARE(strip->minimumSize(), QSize(740, 90));
    QCOMPARE(strip->findChildren<QLabel *>().size(), 10);

    strip->clearLabels();
    QVERIFY(strip->labels().isEmpty() && strip->feedBacks().isEmpty());
    QCOMPARE(strip->findChildren<QLabel *>().size(), 0);
}

QTEST_MAIN(TestLabelWidget)
#include "tst_labelwidget.moc"
