#include "blockitem.h"
#include "dragsimulator.h"
#include "dragwidget.h"
#include "labelentry.h"
#include "labelwidget.h"
#include "programdata.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QtTest>

namespace {

const char *const on = ":/images/LabelON.png";
const char *const off = ":/images/LabelOFF.png";
const char *const fncOn = ":/images/FncLabelON.png";

QImage expected(const char *path, const QString &text)
{
    QPixmap pixmap(QString::fromLatin1(path));
    QPainter painter(&pixmap);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, text);
    painter.end();
    return pixmap.toImage();
}

QStringList names(const QVector<LabelEntry *> &entries)
{
    QStringList list;
    for (const LabelEntry *entry : entries)
        list << entry->name;
    return list;
}

// A sheet stand-in: a drop places a user of the dragged label.
class PlacingTarget : public QWidget
{
public:
    explicit PlacingTarget(LabelWidget *strip) : strip(strip) { setAcceptDrops(true); }
    QStringList received;
    QString shownText;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        QString kind;
        QPoint point;
        QVERIFY(DragWidget::readTextPayload(event->mimeData(), kind, point));
        received << kind;
        shownText = strip->setLabelUsed(QString(kind).remove(QStringLiteral("Pre")), true);
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

    void picturesAtTheirSize();
    void sortsByNumber();
    void ninthEntryOpensNewRow();
    void marksPerSheet();
    void offEntriesAndRightButtonStartNoDrag();
    void feedBackRow();
    void userNameShownNameDragged();
    void entriesWithoutSource();
    void removeLabelRelaysOut();
    void clearLabelsEmptiesBoth();

private:
    BlockItem *labelSource(const QString &name, const QString &kind, int sheet = 0);
    BlockItem *feedBackSource(const QString &name, int sheet = 0);
    LabelEntry *entry(const QString &name);
    QImage shown(const QString &name);
    void press(int x, int y, Qt::MouseButton button = Qt::LeftButton);

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

BlockItem *TestLabelWidget::labelSource(const QString &name, const QString &kind, int sheet)
{
    BlockItem *block = data->createLabelIN(nextId++, sheet, name);
    // The sheet sets the kind word right after the container made the block.
    block->setKind(kind);
    return block;
}

BlockItem *TestLabelWidget::feedBackSource(const QString &name, int sheet)
{
    BlockItem *block = data->createFeedBackIN(nextId++, sheet, name);
    block->setKind("FeedBack");
    return block;
}

LabelEntry *TestLabelWidget::entry(const QString &name)
{
    for (LabelEntry *candidate : strip->labels() + strip->feedBacks()) {
        if (candidate->name == name)
            return candidate;
    }
    return nullptr;
}

QImage TestLabelWidget::shown(const QString &name)
{
    return entry(name)->label->pixmap(Qt::ReturnByValue).toImage();
}

void TestLabelWidget::press(int x, int y, Qt::MouseButton button)
{
    QTest::mousePress(strip, button, {}, QPoint(x, y));
}

void TestLabelWidget::picturesAtTheirSize()
{
    for (const char *path : {on, off, fncOn})
        QCOMPARE(QPixmap(QString::fromLatin1(path)).size(), QSize(90, 25));
    QCOMPARE(QPixmap(":/images/settings_divider.png").isNull(), false);
    QCOMPARE(QPixmap(":/images/delbutton.png").isNull(), false);
    QCOMPARE(QPixmap(":/Zivra_icon/Zivra_paste.png").isNull(), false);
}

void TestLabelWidget::sortsByNumber()
{
    labelSource("Label1", "PreLabel");
    labelSource("Label10", "PreLabel");
    labelSource("Label2", "PreLabel");
    QCOMPARE(names(strip->labels()), QStringList({"Label1", "Label2", "Label10"}));
    int i = 0;
    for (const LabelEntry *e : strip->labels()) {
        QCOMPARE(QPoint(e->x, e->y), QPoint(95 * i, 30));
        QCOMPARE(e->label->geometry(), QRect(95 * i, 30, 90, 25));
        // Made on the shown sheet: OFF there.
        QCOMPARE(e->label->pixmap(Qt::ReturnByValue).toImage(), expected(off, e->name));
        ++i;
    }

    // Label2 moves one cell right when Label1 arrives after it.
    strip->clearLabels();
    labelSource("Label2", "Label");
    QCOMPARE(entry("Label2")->x, 0);
    QLabel *before = entry("Label2")->label;
    labelSource("Label1", "Label");
    QCOMPARE(names(strip->labels()), QStringList({"Label1", "Label2"}));
    QCOMPARE(entry("Label2")->x, 95);
    QCOMPARE(entry("Label2")->label->geometry().topLeft(), QPoint(95, 30));
    QVERIFY(entry("Label2")->label != before);

    // Equal numbers keep their order of arrival; plain "Label" counts 0.
    labelSource("Label03", "Label");
    labelSource("Label3", "Label");
    labelSource("Label", "Label");
    QCOMPARE(names(strip->labels()), QStringList({"Label", "Label1", "Label2", "Label03", "Label3"}));
    QVERIFY(!LabelWidget::labelLessThan("Label3", "Label03"));
    QVERIFY(!LabelWidget::labelLessThan("Label03", "Label3"));
    QVERIFY(LabelWidget::labelLessThan("FeedBack2", "FeedBack10"));
    QVERIFY(!LabelWidget::labelLessThan("FeedBack2", "Label10"));
    QVERIFY(!LabelWidget::labelLessThan("Label1", "FeedBack10"));
}

void TestLabelWidget::ninthEntryOpensNewRow()
{
    for (int i = 0; i < 9; ++i)
        labelSource(QStringLiteral("Label%1").arg(i), "PreLabel");
    QCOMPARE(entry("Label7")->label->geometry().topLeft(), QPoint(7 * 95, 30));
    QCOMPARE(QPoint(entry("Label8")->x, entry("Label8")->y), QPoint(0, 60));
    QCOMPARE(entry("Label8")->label->geometry(), QRect(0, 60, 90, 25));
    QCOMPARE(strip->minimumHeight(), 3 * 30);
    QCOMPARE(strip->minimumWidth(), 740);

    strip->setCurrentTab(1);
    DragSimulator drags;
    press(10, 65);
    press(10, 35);
    QCOMPARE(drags.drags.size(), 2);
    QCOMPARE(DragSimulator::kindText(drags.drags.at(0).payload), QString("PreLabel8"));
    QCOMPARE(DragSimulator::kindText(drags.drags.at(1).payload), QString("PreLabel0"));
    QCOMPARE(DragSimulator::textPoint(drags.drags.at(0).payload), QPoint(10, 5));
    QCOMPARE(drags.drags.at(0).hotSpot, QPoint(10, 5));
    QCOMPARE(drags.drags.at(0).source, strip);
    QCOMPARE(drags.drags.at(0).supported, Qt::CopyAction | Qt::MoveAction);
    QCOMPARE(drags.drags.at(0).defaultAction, Qt::CopyAction);
    // The pixel rows between two rows belong to no entry.
    press(10, 57);
    QCOMPARE(drags.drags.size(), 2);
}

void TestLabelWidget::marksPerSheet()
{
    labelSource("Label0", "PreLabel");
    labelSource("Label1", "Label");
    QCOMPARE(shown("Label0"), expected(off, "Label0"));
    QCOMPARE(shown("Label1"), expected(off, "Label1"));
    QVERIFY(!strip->isLabelInUse("Label0"));

    strip->setCurrentTab(1);
    QCOMPARE(strip->currentTab(), 1);
    QCOMPARE(shown("Label0"), expected(on, "Label0"));
    QCOMPARE(shown("Label1"), expected(fncOn, "Label1"));
    QVERIFY(!strip->isLabelPlaced("Label0"));

    DragSimulator drags;
    PlacingTarget sheet(strip);
    drags.dropOn(&sheet, QPoint(20, 20));
    press(40, 40);
    QCOMPARE(sheet.received, QStringList({"PreLabel0"}));
    QCOMPARE(sheet.shownText, QString("Label0"));
    QCOMPARE(shown("Label0"), expected(off, "Label0"));
    QVERIFY(entry("Label0")->label->isVisible());
    QVERIFY(strip->isLabelPlaced("Label0"));
    QVERIFY(strip->isLabelPlaced("Label0", 1));
    QVERIFY(strip->isLabelPlaced("Label0", 0));
    QVERIFY(!strip->isLabelPlaced("Label0", 2));
    QVERIFY(strip->isLabelInUse("Label0"));
    QVERIFY(!strip->isLabelInUse("Label1"));

    // A second press on the placed label starts nothing.
    press(40, 40);
    QCOMPARE(drags.drags.size(), 1);

    strip->setCurrentTab(2);
    QCOMPARE(shown("Label0"), expected(on, "Label0"));
    QCOMPARE(shown("Label1"), expected(fncOn, "Label1"));
    strip->setCurrentTab(0);
    QCOMPARE(shown("Label0"), expected(off, "Label0"));

    // Removing the user on sheet 1 makes it available there again.
    strip->setCurrentTab(1);
    QCOMPARE(strip->setLabelUsed("Label0", false), QString("Label0"));
    QCOMPARE(shown("Label0"), expected(on, "Label0"));
    QVERIFY(!strip->isLabelInUse("Label0"));

    // A drag that ends nowhere leaves the entry as it was.
    drags.dropNowhere();
    press(40, 40);
    QCOMPARE(drags.drags.size(), 2);
    QCOMPARE(drags.drags.last().result, Qt::IgnoreAction);
    QCOMPARE(shown("Label0"), expected(on, "Label0"));
    QVERIFY(entry("Label0")->label->isVisible());
}

void TestLabelWidget::offEntriesAndRightButtonStartNoDrag()
{
    labelSource("Label0", "PreLabel");
    feedBackSource("FeedBack0");
    DragSimulator drags;
    press(40, 40);                   // OFF on its source's sheet
    press(40, 10, Qt::RightButton);  // feedback ON, but the right button
    press(400, 10);                  // no child there
    QCOMPARE(drags.drags.size(), 0);
    press(40, 10);
    QCOMPARE(drags.drags.size(), 1);
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("FeedBack0"));
}

void TestLabelWidget::feedBackRow()
{
    feedBackSource("FeedBack9");
    feedBackSource("OUTFeedBack10");
    feedBackSource("FeedBack2");
    QCOMPARE(names(strip->feedBacks()), QStringList({"FeedBack2", "FeedBack9", "FeedBack10"}));
    QVERIFY(strip->labels().isEmpty());
    for (int i = 0; i < 3; ++i) {
        const LabelEntry *e = strip->feedBacks().at(i);
        QCOMPARE(e->label->geometry(), QRect(95 * i, 0, 90, 25));
        // A feedback label stays ON on its source's sheet.
        QCOMPARE(e->label->pixmap(Qt::ReturnByValue).toImage(), expected(on, e->name));
    }
    QCOMPARE(strip->minimumWidth(), 3 * 95);

    // A second source of the same name only takes over the entry.
    BlockItem *again = feedBackSource("FeedBack9");
    QCOMPARE(strip->feedBacks().size(), 3);
    QCOMPARE(entry("FeedBack9")->source, again);

    // Feedback names are never "in use" for column moves.
    strip->setLabelUsed("FeedBack2", true);
    strip->setCurrentTab(1);
    strip->setLabelUsed("FeedBack2", true);
    QVERIFY(!strip->isLabelInUse("FeedBack2"));
    QCOMPARE(shown("FeedBack2"), expected(off, "FeedBack2"));
}

void TestLabelWidget::userNameShownNameDragged()
{
    labelSource("Label3", "PreLabel");
    labelSource("Label4", "Label");
    strip->setLabelText("Label3", "Trigger");
    strip->setLabelText("Label99", "Nothing");
    QCOMPARE(entry("Label3")->name, QString("Label3"));
    QCOMPARE(shown("Label3"), expected(off, "Trigger"));
    strip->setCurrentTab(1);
    QCOMPARE(shown("Label3"), expected(on, "Trigger"));

    DragSimulator drags;
    PlacingTarget sheet(strip);
    drags.dropOn(&sheet, QPoint(1, 1));
    press(10, 40);
    press(100, 40);
    QCOMPARE(sheet.received, QStringList({"PreLabel3", "Label4"}));
    QCOMPARE(sheet.shownText, QString("Label4"));
    QCOMPARE(shown("Label3"), expected(off, "Trigger"));
    QCOMPARE(strip->setLabelUsed("Label3", true), QString("Trigger"));
}

void TestLabelWidget::entriesWithoutSource()
{
    QVERIFY(strip->isLabelPlaced("Label99"));
    QVERIFY(!strip->isLabelInUse("Label99"));

    strip->setCurrentTab(1);
    QCOMPARE(strip->setLabelUsed("Label7", true), QString("Label7"));
    QVERIFY(!entry("Label7")->source);
    QCOMPARE(shown("Label7"), expected(off, "Label7"));
    // Without a source it stays OFF and cannot be dragged.
    strip->setLabelUsed("Label7", false);
    QCOMPARE(shown("Label7"), expected(off, "Label7"));
    DragSimulator drags;
    press(10, 40);
    QCOMPARE(drags.drags.size(), 0);

    // Its source arrives on sheet 2: attached, and OFF there.
    strip->setCurrentTab(2);
    BlockItem *source = labelSource("Label7", "PreLabel", 2);
    QCOMPARE(strip->labels().size(), 1);
    QCOMPARE(entry("Label7")->source, source);
    QVERIFY(strip->isLabelPlaced("Label7", 2));
    strip->setCurrentTab(1);
    QCOMPARE(shown("Label7"), expected(on, "Label7"));
    press(10, 40);
    QCOMPARE(drags.drags.size(), 1);

    // A name that is neither a label nor a feedback is not registered.
    data->createLabelIN(nextId++, 0, "Other");
    QCOMPARE(strip->labels().size(), 1);
}

void TestLabelWidget::removeLabelRelaysOut()
{
    for (int i = 0; i < 10; ++i)
        labelSource(QStringLiteral("Label%1").arg(i), "Label");
    feedBackSource("FeedBack0");
    feedBackSource("FeedBack1");
    const int childrenBefore = strip->findChildren<QLabel *>().size();

    strip->removeLabel("Label3");
    strip->removeLabel("Label8");
    QCOMPARE(strip->findChildren<QLabel *>().size(), childrenBefore - 2);
    QCOMPARE(names(strip->labels()),
             QStringList({"Label0", "Label1", "Label2", "Label4", "Label5", "Label6", "Label7",
                          "Label9"}));
    for (int i = 0; i < strip->labels().size(); ++i) {
        const LabelEntry *e = strip->labels().at(i);
        QCOMPARE(e->label->geometry(), QRect(95 * (i % 8), 30 * (1 + i / 8), 90, 25));
        QCOMPARE(e->label->pixmap(Qt::ReturnByValue).toImage(), expected(off, e->name));
    }
    QCOMPARE(strip->minimumHeight(), (8 / 8 + 2) * 30);
    QCOMPARE(strip->minimumWidth(), 740);

    strip->removeLabel("FeedBack0");
    QCOMPARE(names(strip->feedBacks()), QStringList({"FeedBack1"}));
    QCOMPARE(entry("FeedBack1")->label->geometry(), QRect(0, 0, 90, 25));

    strip->removeLabel("Label77");
    QCOMPARE(strip->labels().size(), 8);

    for (const QString &name : names(strip->labels()))
        strip->removeLabel(name);
    strip->removeLabel("FeedBack1");
    QCOMPARE(strip->minimumSize(), QSize(0, 60));
    QCOMPARE(strip->findChildren<QLabel *>().size(), 0);
}

void TestLabelWidget::clearLabelsEmptiesBoth()
{
    labelSource("Label0", "PreLabel");
    feedBackSource("FeedBack0");
    strip->setCurrentTab(3);
    strip->clearLabels();
    QVERIFY(strip->labels().isEmpty());
    QVERIFY(strip->feedBacks().isEmpty());
    QCOMPARE(strip->findChildren<QLabel *>().size(), 0);
    QCOMPARE(strip->currentTab(), 3);
    // The strip works on after clearing.
    labelSource("Label5", "PreLabel", 3);
    QCOMPARE(shown("Label5"), expected(off, "Label5"));
    QCOMPARE(entry("Label5")->label->geometry(), QRect(0, 30, 90, 25));
}

QTEST_MAIN(TestLabelWidget)
#include "tst_labelwidget.moc"
