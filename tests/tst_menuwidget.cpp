#include "dragsimulator.h"
#include "menuwidget.h"
#include "paletteentry.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QtTest>

namespace {

// What an entry must show: its picture, veiled when empty, with its text.
QImage expectedPicture(const PaletteEntry *entry)
{
    QPixmap pixmap = entry->image;
    QPainter painter(&pixmap);
    if (entry->remaining == 0)
        painter.fillRect(pixmap.rect(), QColor(127, 127, 127, 127));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, MenuWidget::entryText(entry));
    painter.end();
    return pixmap.toImage();
}

QImage shownPicture(const PaletteEntry *entry)
{
    return entry->label->pixmap(Qt::ReturnByValue).toImage();
}

} // namespace

class TestMenuWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutAndPictures();
    void newPaletteCaptions();
    void exhaustionGreysAndRefuses();
    void giveBackAtMaximumRefused();
    void unlimitedAndUnknownEntries();
    void functionBlocksShareElevenUnits();
    void postLogicUnitCoupledOnce_data();
    void postLogicUnitCoupledOnce();
    void refusalLeavesBothCountsAlone();
    void resetRefillsLimitedEntriesOnly();
    void setRemainingIsUnbounded();
    void kindAtBorders();
    void netOverlapRowBelongsAbove();
    void pressStartsDragsOfBlocksOnly();
    void pressRestoresEntryAfterDrag();
    void dropTakingUnitLeavesNewLabelOnTop();

private:
    MenuWidget *menu = nullptr;
    int count(const QString &kind) { return menu->entryOfKind(kind)->remaining; }
};

void TestMenuWidget::init()
{
    menu = new MenuWidget(nullptr);
    menu->show();
}

void TestMenuWidget::cleanup()
{
    delete menu;
    menu = nullptr;
}

void TestMenuWidget::layoutAndPictures()
{
    struct Row {
        const char *kind;
        int top;
        int height;
        int maximum;
    };
    const Row rows[] = {{"Input", 10, 30, 0},          {"PreLogic", 47, 25, 0},
                        {"PreLogicInfo", 71, 25, 8},   {"CntFnc", 103, 30, 8},
                        {"DlyFnc", 140, 30, 8},        {"NonFnc", 177, 30, 6},
                        {"PostLogic", 214, 25, 0},     {"PostLogicInfo", 238, 25, 11},
                        {"MsrCnt", 270, 30, 4},        {"OUT-CH", 307, 30, 8},
                        {"FeedBack", 344, 25, 8},      {"FeedBackInfo", 368, 25, 8},
                        {"Label", 400, 30, 0}};
    QCOMPARE(menu->paletteEntries().size(), 13);
    for (int i = 0; i < 13; ++i) {
        const PaletteEntry *entry = menu->paletteEntries().at(i);
        QCOMPARE(entry->kind, QString::fromLatin1(rows[i].kind));
        QCOMPARE(entry->left, 10);
        QCOMPARE(entry->right, 120);
        QCOMPARE(entry->top, rows[i].top);
        QCOMPARE(entry->bottom, rows[i].top + rows[i].height);
        QCOMPARE(entry->image.size(), QSize(110, rows[i].height));
        QCOMPARE(entry->maximum, rows[i].maximum);
        QCOMPARE(entry->remaining, rows[i].maximum);
        QCOMPARE(entry->label->geometry(), QRect(10, rows[i].top, 110, rows[i].height));
    }
    QCOMPARE(menu->minimumSize(), QSize(120, 437));
    QVERIFY(!menu->acceptDrops());
    QVERIFY(!menu->pressedEntry());
}

void TestMenuWidget::newPaletteCaptions()
{
    const QStringList expected = {"Input",     "PreLogic",   "NET(8/8)",    "CntFnc(8/8)",
                                  "DlyFnc(8/8)", "NonFnc(6/6)", "PostLogic", "NET(11/11)",
                                  "MsrCnt(4/4)", "Output(8/8)", "FeedBack(8/8)", "NET(8/8)",
                                  "Label"};
    for (int i = 0; i < 13; ++i) {
        const PaletteEntry *entry = menu->paletteEntries().at(i);
        QCOMPARE(MenuWidget::entryText(entry), expected.at(i));
        // Nothing is greyed, not even the unlimited entries that count 0.
        QPixmap plain = entry->image;
        QPainter painter(&plain);
        painter.drawText(plain.rect(), Qt::AlignCenter, expected.at(i));
        painter.end();
        QCOMPARE(shownPicture(entry), plain.toImage());
    }
}

void TestMenuWidget::exhaustionGreysAndRefuses()
{
    for (int i = 0; i < 4; ++i)
        QVERIFY(menu->adjustQuota(-1, "MsrCnt"));
    const PaletteEntry *entry = menu->entryOfKind("MsrCnt");
    QCOMPARE(MenuWidget::entryText(entry), QString("MsrCnt(0/4)"));
    QCOMPARE(shownPicture(entry), expectedPicture(entry));
    QVERIFY(shownPicture(entry) != entry->image.toImage());

    QVERIFY(!menu->adjustQuota(-1, "MsrCnt"));
    QCOMPARE(count("MsrCnt"), 0);

    QVERIFY(menu->adjustQuota(+1, "MsrCnt"));
    QCOMPARE(MenuWidget::entryText(entry), QString("MsrCnt(1/4)"));
    QCOMPARE(shownPicture(entry), expectedPicture(entry));
    QPixmap unveiled = entry->image;
    QPainter painter(&unveiled);
    painter.drawText(unveiled.rect(), Qt::AlignCenter, "MsrCnt(1/4)");
    painter.end();
    QCOMPARE(shownPicture(entry), unveiled.toImage());
}

void TestMenuWidget::giveBackAtMaximumRefused()
{
    QVERIFY(!menu->adjustQuota(+1, "OUT-CH"));
    QCOMPARE(count("OUT-CH"), 8);
    QCOMPARE(MenuWidget::entryText(menu->entryOfKind("OUT-CH")), QString("Output(8/8)"));
    // A full function entry also leaves the shared unit where it was.
    QVERIFY(!menu->adjustQuota(+1, "NonFnc"));
    QCOMPARE(count("NonFnc"), 6);
    QCOMPARE(count("PostLogicInfo"), 11);
}

void TestMenuWidget::unlimitedAndUnknownEntries()
{
    QVERIFY(!menu->adjustQuota(-1, "Input"));
    QCOMPARE(count("Input"), 0);
    QVERIFY(menu->adjustQuota(+1, "Input"));
    QCOMPARE(count("Input"), 1);
    const PaletteEntry *input = menu->entryOfKind("Input");
    QCOMPARE(MenuWidget::entryText(input), QString("Input"));
    QCOMPARE(shownPicture(input), expectedPicture(input));

    // The entry captioned "Output" is known by its kind word only.
    QVERIFY(!menu->adjustQuota(-1, "Output"));
    QVERIFY(!menu->adjustQuota(-1, "outputs"));
    // Nothing pressed yet: an empty kind names no entry.
    QVERIFY(!menu->adjustQuota(-1, QString()));
    QVERIFY(!menu->adjustEntryQuota(-1, nullptr));
    QCOMPARE(count("OUT-CH"), 8);
}

void TestMenuWidget::functionBlocksShareElevenUnits()
{
    const QStringList mix = {"CntFnc", "DlyFnc", "NonFnc", "CntFnc", "CntFnc", "DlyFnc",
                             "NonFnc", "CntFnc", "DlyFnc", "CntFnc", "NonFnc"};
    for (const QString &kind : mix)
        QVERIFY2(menu->adjustQuota(-1, kind), qPrintable(kind));
    QCOMPARE(count("PostLogicInfo"), 0);
    QCOMPARE(MenuWidget::entryText(menu->entryOfKind("PostLogicInfo")), QString("NET(0/11)"));
    QCOMPARE(count("CntFnc"), 3);
    QCOMPARE(count("DlyFnc"), 5);
    QCOMPARE(count("NonFnc"), 3);

    // The twelfth is refused although every function entry still has units.
    for (const QString kind : {"CntFnc", "DlyFnc", "NonFnc"}) {
        QVERIFY(!menu->adjustQuota(-1, kind));
    }
    QCOMPARE(count("CntFnc"), 3);
    QCOMPARE(count("DlyFnc"), 5);
    QCOMPARE(count("NonFnc"), 3);
    QCOMPARE(count("PostLogicInfo"), 0);

    // Giving one back frees the shared unit too.
    QVERIFY(menu->adjustQuota(+1, "DlyFnc"));
    QCOMPARE(count("PostLogicInfo"), 1);
    QVERIFY(menu->adjustQuota(-1, "NonFnc"));
    QCOMPARE(count("PostLogicInfo"), 0);
}

void TestMenuWidget::postLogicUnitCoupledOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("byPress");
    for (const char *kind : {"CntFnc", "DlyFnc", "NonFnc"}) {
        QTest::newRow(QByteArray(kind).append(" by kind word").constData()) << kind << false;
        QTest::newRow(QByteArray(kind).append(" by pressed entry").constData()) << kind << true;
    }
}

void TestMenuWidget::postLogicUnitCoupledOnce()
{
    QFETCH(QString, kind);
    QFETCH(bool, byPress);
    const PaletteEntry *entry = menu->entryOfKind(kind);
    const QString asked = byPress ? QString() : kind;
    if (byPress)
        QCOMPARE(menu->kindAt(entry->left + 5, entry->top + 5), kind);

    QVERIFY(menu->adjustQuota(-1, asked));
    QCOMPARE(count(kind), entry->maximum - 1);
    QCOMPARE(count("PostLogicInfo"), 10);
    QVERIFY(menu->adjustQuota(-1, asked));
    QCOMPARE(count("PostLogicInfo"), 9);
    QVERIFY(menu->adjustQuota(+1, asked));
    QVERIFY(menu->adjustQuota(+1, asked));
    QCOMPARE(count(kind), entry->maximum);
    QCOMPARE(count("PostLogicInfo"), 11);
}

void TestMenuWidget::refusalLeavesBothCountsAlone()
{
    // Shared unit exhausted, entry still has units.
    menu->setRemainingByKind(0, "PostLogicInfo");
    menu->setRemainingByKind(5, "CntFnc");
    QVERIFY(!menu->adjustQuota(-1, "CntFnc"));
    QCOMPARE(count("CntFnc"), 5);
    QCOMPARE(count("PostLogicInfo"), 0);

    // Entry exhausted, shared unit available: taken, then given back.
    for (bool byPress : {false, true}) {
        menu->setRemainingByKind(0, "CntFnc");
        menu->setRemainingByKind(4, "PostLogicInfo");
        const PaletteEntry *entry = menu->entryOfKind("CntFnc");
        if (byPress)
            menu->kindAt(entry->left + 1, entry->top + 1);
        QVERIFY(!menu->adjustQuota(-1, byPress ? QString() : QString("CntFnc")));
        QCOMPARE(count("CntFnc"), 0);
        QCOMPARE(count("PostLogicInfo"), 4);
        QCOMPARE(MenuWidget::entryText(menu->entryOfKind("PostLogicInfo")), QString("NET(4/11)"));
    }
}

void TestMenuWidget::resetRefillsLimitedEntriesOnly()
{
    menu->adjustQuota(+1, "Label");
    menu->adjustQuota(+1, "Label");
    for (const QString kind : {"CntFnc", "MsrCnt", "OUT-CH", "FeedBack", "FeedBackInfo",
                               "PreLogicInfo", "NonFnc", "DlyFnc"})
        QVERIFY(menu->adjustQuota(-1, kind));
    menu->resetQuotas();
    for (const PaletteEntry *entry : menu->paletteEntries()) {
        if (entry->maximum > 0) {
            QCOMPARE(entry->remaining, entry->maximum);
            QCOMPARE(shownPicture(entry), expectedPicture(entry));
        }
    }
    QCOMPARE(count("Label"), 2);
    QCOMPARE(count("Input"), 0);
}

void TestMenuWidget::setRemainingIsUnbounded()
{
    QVERIFY(menu->setRemainingByKind(12, "MsrCnt"));
    QCOMPARE(MenuWidget::entryText(menu->entryOfKind("MsrCnt")), QString("MsrCnt(12/4)"));
    QVERIFY(!menu->setRemainingByKind(1, "Output"));
    QVERIFY(!menu->setRemaining(1, nullptr));
    // Above its maximum an entry refuses every step until it is set again.
    QVERIFY(!menu->adjustQuota(+1, "MsrCnt"));
    QVERIFY(!menu->adjustQuota(-1, "MsrCnt"));
    QCOMPARE(count("MsrCnt"), 12);
    menu->resetQuotas();
    QVERIFY(menu->adjustQuota(-1, "MsrCnt"));
    QCOMPARE(count("MsrCnt"), 3);
}

void TestMenuWidget::kindAtBorders()
{
    const PaletteEntry *entry = menu->entryOfKind("DlyFnc"); // 10..120 x 140..170
    QCOMPARE(menu->kindAt(10, 150), QString());
    QCOMPARE(menu->kindAt(50, 140), QString());
    QVERIFY(!menu->pressedEntry());
    QCOMPARE(menu->kindAt(11, 141), QString("DlyFnc"));
    QCOMPARE(menu->pressedEntry(), entry);
    QCOMPARE(menu->kindAt(119, 169), QString("DlyFnc"));
    QCOMPARE(menu->kindAt(120, 150), QString());
    QCOMPARE(menu->kindAt(50, 170), QString());
    // A miss keeps the entry pressed before.
    QCOMPARE(menu->pressedEntry(), entry);
    QCOMPARE(menu->kindAt(5, 5), QString());
    QCOMPARE(menu->pressedEntry(), entry);
}

void TestMenuWidget::netOverlapRowBelongsAbove()
{
    // PreLogic covers rows 47..71, its NET 71..95: row 71 is the PreLogic entry's.
    QCOMPARE(menu->kindAt(60, 71), QString("PreLogic"));
    QCOMPARE(menu->kindAt(60, 72), QString("PreLogicInfo"));
    QCOMPARE(menu->kindAt(60, 95), QString("PreLogicInfo"));
    QCOMPARE(menu->kindAt(60, 238), QString("PostLogic"));
    QCOMPARE(menu->kindAt(60, 239), QString("PostLogicInfo"));
    QCOMPARE(menu->kindAt(60, 368), QString("FeedBack"));
    QCOMPARE(menu->kindAt(60, 369), QString("FeedBackInfo"));
    // The gap between two block entries belongs to none.
    QCOMPARE(menu->kindAt(60, 96), QString());
    QCOMPARE(menu->kindAt(60, 100), QString());
}

void TestMenuWidget::pressStartsDragsOfBlocksOnly()
{
    DragSimulator drags;
    auto press = [this](int x, int y) { QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(x, y)); };

    press(60, 80);   // NET under PreLogic
    press(60, 250);  // NET under PostLogic
    press(60, 380);  // NET under FeedBack
    press(10, 150);  // first pixel column of DlyFnc
    press(60, 140);  // first pixel row of DlyFnc
    press(125, 150); // beside every entry
    QCOMPARE(drags.drags.size(), 0);

    press(119, 169); // last column and row of DlyFnc
    QCOMPARE(drags.drags.size(), 1);
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("DlyFnc"));
    QCOMPARE(DragSimulator::textPoint(drags.drags.last().payload), QPoint(109, 29));
    QCOMPARE(drags.drags.last().hotSpot, QPoint(109, 29));
    QCOMPARE(drags.drags.last().source, menu);
    QCOMPARE(drags.drags.last().supported, Qt::CopyAction | Qt::MoveAction);
    QCOMPARE(drags.drags.last().defaultAction, Qt::CopyAction);

    press(60, 320); // Output
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("OUT-CH"));

    // A greyed entry still starts its drag: the drop is what refuses.
    for (int i = 0; i < 4; ++i)
        menu->adjustQuota(-1, "MsrCnt");
    press(60, 280);
    QCOMPARE(drags.drags.size(), 3);
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("MsrCnt"));
    QCOMPARE(drags.drags.last().pixmap.toImage(), expectedPicture(menu->entryOfKind("MsrCnt")));
    QCOMPARE(count("MsrCnt"), 0);
}

void TestMenuWidget::pressRestoresEntryAfterDrag()
{
    DragSimulator drags;
    const PaletteEntry *entry = menu->entryOfKind("CntFnc");
    QLabel *label = entry->label;
    const QImage before = shownPicture(entry);
    QImage during;
    drags.whileDragging = [&](QDrag *) { during = label->pixmap(Qt::ReturnByValue).toImage(); };

    for (Qt::DropAction result : {Qt::IgnoreAction, Qt::MoveAction}) {
        QWidget target;
        target.setAcceptDrops(result == Qt::MoveAction);
        if (result == Qt::MoveAction)
            drags.dropOn(&target, QPoint(5, 5));
        QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(60, 110));
        QImage veiled = before;
        QPainter painter(&veiled);
        painter.fillRect(veiled.rect(), QColor(127, 127, 127, 127));
        painter.end();
        QCOMPARE(during, veiled);
        // Never closed by a drag, whatever its end.
        QVERIFY(label->isVisible());
        QCOMPARE(shownPicture(entry), before);
        drags.dropNowhere();
    }
    QCOMPARE(count("CntFnc"), 8);
}

// A drop that takes the pressed entry's unit, as the sheet does.
class TakingTarget : public QWidget
{
public:
    explicit TakingTarget(MenuWidget *menu) : menu(menu) { setAcceptDrops(true); }
    bool taken = false;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override
    {
        taken = menu->adjustQuota(-1, QString());
        event->acceptProposedAction();
    }

private:
    MenuWidget *menu;
};

void TestMenuWidget::dropTakingUnitLeavesNewLabelOnTop()
{
    DragSimulator drags;
    TakingTarget target(menu);
    drags.dropOn(&target, QPoint(1, 1));
    QLabel *pressed = menu->entryOfKind("MsrCnt")->label;
    QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(60, 280));
    QVERIFY(target.taken);
    const PaletteEntry *entry = menu->entryOfKind("MsrCnt");
    QCOMPARE(entry->remaining, 3);
    QVERIFY(entry->label != pressed);
    QCOMPARE(menu->childAt(60, 280), entry->label);
    QCOMPARE(shownPicture(entry), expectedPicture(entry));
    QCOMPARE(MenuWidget::entryText(entry), QString("MsrCnt(3/4)"));

    // The next press finds the new label and drags it with the new count.
    target.taken = false;
    QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(60, 280));
    QVERIFY(target.taken);
    QCOMPARE(count("MsrCnt"), 2);
    QCOMPARE(count("PostLogicInfo"), 11);
}

QTEST_MAIN(TestMenuWidget)
#include "tst_menuwidget.moc"
