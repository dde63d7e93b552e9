#include "dragsimulator.h"
#include "menuwidget.h"
#include "paletteentry.h"
#include "programwidget.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTest>

class TestMenuWidget : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        menu = new MenuWidget(nullptr);
        menu->show();
    }
    void cleanup() { delete menu; }

    void entriesCaptionsAndPictures();
    void exhaustionGreysAndRefuses();
    void giveBackAtMaximumRefused();
    void functionBlocksShareElevenUnits();
    void postLogicUnitCoupledOnce();
    void kindAtBordersAndNetOverlap();
    void pressStartsDragsOfBlocksOnly();

private:
    int count(const QString &kind) { return menu->entryOfKind(kind)->remaining; }
    // What the entry must show: its picture, veiled when empty, with its text.
    static QImage expected(const PaletteEntry *entry);
    static QImage shown(const PaletteEntry *entry)
    {
        return entry->label->pixmap(Qt::ReturnByValue).toImage();
    }

    MenuWidget *menu = nullptr;
};

QImage TestMenuWidget::expected(const PaletteEntry *entry)
{
    QPixmap pixmap = entry->image;
    if (entry->remaining == 0) {
        QPainter painter(&pixmap);
        painter.fillRect(pixmap.rect(), QColor(127, 127, 127, 127));
    }
    drawCentredText(pixmap, MenuWidget::entryText(entry));
    return pixmap.toImage();
}

void TestMenuWidget::entriesCaptionsAndPictures()
{
    struct Row {
        const char *kind;
        const char *text;
        int top;
        int height;
    };
    const Row rows[] = {{"Input", "Input", 10, 30},
                        {"PreLogic", "PreLogic", 47, 25},
                        {"PreLogicInfo", "NET(8/8)", 71, 25},
                        {"CntFnc", "CntFnc(8/8)", 103, 30},
                        {"DlyFnc", "DlyFnc(8/8)", 140, 30},
                        {"NonFnc", "NonFnc(6/6)", 177, 30},
                        {"PostLogic", "PostLogic", 214, 25},
                        {"PostLogicInfo", "NET(11/11)", 238, 25},
                        {"MsrCnt", "MsrCnt(4/4)", 270, 30},
                        {"OUT-CH", "Output(8/8)", 307, 30},
                        {"FeedBack", "FeedBack(8/8)", 344, 25},
                        {"FeedBackInfo", "NET(8/8)", 368, 25},
                        {"Label", "Label", 400, 30}};
    QCOMPARE(menu->paletteEntries().size(), 13);
    for (int i = 0; i < 13; ++i) {
        const PaletteEntry *entry = menu->paletteEntries().at(i);
        QCOMPARE(entry->kind, QString(rows[i].kind));
        QCOMPARE(MenuWidget::entryText(entry), QString(rows[i].text));
        QCOMPARE(entry->image.size(), QSize(110, rows[i].height));
        QCOMPARE(entry->label->geometry(), QRect(10, rows[i].top, 110, rows[i].height));
        QCOMPARE(QRect(QPoint(entry->left, entry->top), QPoint(entry->right, entry->bottom)),
                 QRect(10, rows[i].top, 111, rows[i].height + 1));
        // Nothing is greyed on a new palette, not even the unlimited entries at 0.
        QPixmap plain = entry->image;
        drawCentredText(plain, rows[i].text);
        QCOMPARE(shown(entry), plain.toImage());
    }
    QCOMPARE(menu->minimumSize(), QSize(120, 437));
}

void TestMenuWidget::exhaustionGreysAndRefuses()
{
    const PaletteEntry *entry = menu->entryOfKind("MsrCnt");
    for (int i = 0; i < 4; ++i)
        QVERIFY(menu->adjustQuota(-1, "MsrCnt"));
    QCOMPARE(MenuWidget::entryText(entry), QString("MsrCnt(0/4)"));
    QCOMPARE(shown(entry), expected(entry));
    QVERIFY(!menu->adjustQuota(-1, "MsrCnt"));
    QCOMPARE(count("MsrCnt"), 0);
    // For a look at the captions and the veil.
    QVERIFY(menu->grab().save(QStringLiteral(ZIVRA_BUILD_DIR "/palette.png")));
    // The newest label lies on top of the emptied older ones.
    QCOMPARE(menu->childAt(60, 280), entry->label);

    QVERIFY(menu->adjustQuota(+1, "MsrCnt"));
    QCOMPARE(MenuWidget::entryText(entry), QString("MsrCnt(1/4)"));
    QCOMPARE(shown(entry), expected(entry)); // without the veil now

    menu->resetQuotas();
    QCOMPARE(count("MsrCnt"), 4);
    QCOMPARE(shown(entry), expected(entry));
}

void TestMenuWidget::giveBackAtMaximumRefused()
{
    QVERIFY(!menu->adjustQuota(+1, "OUT-CH"));
    QCOMPARE(count("OUT-CH"), 8);
    QVERIFY(!menu->adjustQuota(+1, "NonFnc"));
    QCOMPARE(count("PostLogicInfo"), 11);
    // Kind words only: the Output entry is "OUT-CH"; nothing pressed yet.
    QVERIFY(!menu->adjustQuota(-1, "Output"));
    QVERIFY(!menu->adjustQuota(-1, QString()));
    // Unlimited: a take at 0 is refused, give-backs are not.
    QVERIFY(!menu->adjustQuota(-1, "Input"));
    QVERIFY(menu->adjustQuota(+1, "Input"));
    QCOMPARE(MenuWidget::entryText(menu->entryOfKind("Input")), QString("Input"));

    // Redraws release the label they replace: many changes leave one label per entry.
    for (int i = 0; i < 200; ++i) {
        QVERIFY(menu->adjustQuota(-1, "CntFnc"));
        QVERIFY(menu->adjustQuota(+1, "CntFnc"));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(menu->findChildren<QLabel *>().size(), menu->paletteEntries().size());
}

void TestMenuWidget::functionBlocksShareElevenUnits()
{
    for (const QString kind : {"CntFnc", "DlyFnc", "NonFnc", "CntFnc", "CntFnc", "DlyFnc", "NonFnc",
                               "CntFnc", "DlyFnc", "CntFnc", "NonFnc"})
        QVERIFY(menu->adjustQuota(-1, kind));
    QCOMPARE(count("PostLogicInfo"), 0);
    // The twelfth is refused although each function entry has units left.
    for (const QString kind : {"CntFnc", "DlyFnc", "NonFnc"})
        QVERIFY(!menu->adjustQuota(-1, kind));
    QCOMPARE(count("CntFnc") + count("DlyFnc") + count("NonFnc"), 22 - 11);
    QCOMPARE(count("PostLogicInfo"), 0);
    QVERIFY(menu->adjustQuota(+1, "DlyFnc"));
    QCOMPARE(count("PostLogicInfo"), 1);
}

void TestMenuWidget::postLogicUnitCoupledOnce()
{
    for (bool byPress : {false, true}) {
        menu->resetQuotas();
        const PaletteEntry *entry = menu->entryOfKind("CntFnc");
        if (byPress)
            QCOMPARE(menu->kindAt(entry->left + 5, entry->top + 5), QString("CntFnc"));
        const QString asked = byPress ? QString() : QString("CntFnc");

        QVERIFY(menu->adjustQuota(-1, asked));
        QVERIFY(menu->adjustQuota(-1, asked));
        QCOMPARE(count("CntFnc"), 6);
        QCOMPARE(count("PostLogicInfo"), 9);

        // Either side refusing leaves both counts as they were.
        menu->setRemainingByKind(0, "PostLogicInfo");
        QVERIFY(!menu->adjustQuota(-1, asked));
        QCOMPARE(count("CntFnc"), 6);
        QCOMPARE(count("PostLogicInfo"), 0);
        menu->setRemainingByKind(4, "PostLogicInfo");
        menu->setRemainingByKind(0, "CntFnc");
        QVERIFY(!menu->adjustQuota(-1, asked));
        QCOMPARE(count("PostLogicInfo"), 4);
        QCOMPARE(MenuWidget::entryText(menu->entryOfKind("PostLogicInfo")), QString("NET(4/11)"));
    }
}

void TestMenuWidget::kindAtBordersAndNetOverlap()
{
    // DlyFnc: x 10..120, y 140..170, all four bounds exclusive.
    QCOMPARE(menu->kindAt(10, 150), QString());
    QCOMPARE(menu->kindAt(50, 140), QString());
    QVERIFY(!menu->pressedEntry());
    QCOMPARE(menu->kindAt(119, 169), QString("DlyFnc"));
    const PaletteEntry *dly = menu->pressedEntry();
    QCOMPARE(menu->kindAt(120, 150), QString());
    QCOMPARE(menu->kindAt(50, 170), QString());
    QCOMPARE(menu->pressedEntry(), dly); // a miss keeps the last entry

    // The one overlapping pixel row belongs to the entry above the counter.
    QCOMPARE(menu->kindAt(60, 71), QString("PreLogic"));
    QCOMPARE(menu->kindAt(60, 72), QString("PreLogicInfo"));
    QCOMPARE(menu->kindAt(60, 238), QString("PostLogic"));
    QCOMPARE(menu->kindAt(60, 239), QString("PostLogicInfo"));
    QCOMPARE(menu->kindAt(60, 368), QString("FeedBack"));
    QCOMPARE(menu->kindAt(60, 369), QString("FeedBackInfo"));
}

void TestMenuWidget::pressStartsDragsOfBlocksOnly()
{
    DragSimulator drags;
    for (const QPoint &p : {QPoint(60, 80), QPoint(60, 250), QPoint(60, 380), // the NETs
                            QPoint(10, 150), QPoint(60, 140), QPoint(125, 150)})
        QTest::mousePress(menu, Qt::LeftButton, {}, p);
    QCOMPARE(drags.drags.size(), 0);

    QLabel *pressed = menu->entryOfKind("DlyFnc")->label;
    const QImage before = pressed->pixmap(Qt::ReturnByValue).toImage();
    QImage during;
    drags.whileDragging = [&](QDrag *) { during = pressed->pixmap(Qt::ReturnByValue).toImage(); };
    QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(119, 169));
    QCOMPARE(drags.drags.size(), 1);
    QCOMPARE(DragSimulator::kindText(drags.drags[0].payload), QString("DlyFnc"));
    QCOMPARE(DragSimulator::textPoint(drags.drags[0].payload), QPoint(109, 29));
    QCOMPARE(drags.drags[0].hotSpot, QPoint(109, 29));
    QCOMPARE(drags.drags[0].supported, Qt::CopyAction | Qt::MoveAction);
    QCOMPARE(drags.drags[0].defaultAction, Qt::CopyAction);
    QVERIFY(during != before); // veiled while dragged
    QCOMPARE(pressed->pixmap(Qt::ReturnByValue).toImage(), before);
    QVERIFY(pressed->isVisible());

    drags.whileDragging = nullptr;
    QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(60, 320));
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("OUT-CH"));
    // A greyed entry still starts its drag; no unit is taken at the press.
    for (int i = 0; i < 4; ++i)
        menu->adjustQuota(-1, "MsrCnt");
    QTest::mousePress(menu, Qt::LeftButton, {}, QPoint(60, 280));
    QCOMPARE(DragSimulator::kindText(drags.drags.last().payload), QString("MsrCnt"));
    QCOMPARE(count("MsrCnt"), 0);
}

QTEST_MAIN(TestMenuWidget)
#include "tst_menuwidget.moc"
