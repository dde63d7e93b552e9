#include "blockitem.h"
#include "dragwidget.h"
#include "labelwidget.h"
#include "menudriver.h"
#include "modalhooks.h"
#include "nim_in.h"
#include "programdata.h"
#include "programwidget.h"
#include "testsheethost.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {

QColor at(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

} // namespace

// A sheet whose blocks the test places directly, as the drop handling would.
class TestSheet : public ProgramWidget
{
public:
    TestSheet(int sheet, ProgramData *data, LabelWidget *strip, SheetHost *host)
        : ProgramWidget(sheet, data, nullptr, strip, host)
    {}

    // Puts the block at row `id` of the column its kind word belongs to, as the
    // drop handling would (column, then y = base + pitch * row).
    BlockItem *place(BlockItem *block, const QString &kind)
    {
        struct Slot {
            QMap<int, BlockItem *> *map;
            int x, y, pitch;
        };
        const bool user = kind != "FeedBack" && kind != "PreLabel" && kind != "Label";
        Slot slot{&outputItems, 567, 106, 40}; // OUT-CH, FeedBack sources
        if (kind == "Input")
            slot = {&inputItems, 0, 106, 40};
        else if (kind.endsWith("Logic"))
            slot = {kind == "PreLogic" ? &preLogicItems : &postLogicItems,
                    kind == "PreLogic" ? 142 : 425, 90, 68};
        else if (user && (kind.startsWith("FeedBack") || kind.startsWith("PreLabel")))
            slot = {&preLogicItems, 142, 106, 68};
        else if (kind == "CntFnc" || kind == "DlyFnc" || kind == "NonFnc")
            slot = {&functionItems, 284, kind == "NonFnc" ? 116 : 104, 40};
        else if (kind == "PreLabel" || (user && kind.startsWith("Label")))
            slot = {&functionItems, 284, 106, 40};
        else if (kind == "Label")
            slot = {&postLogicItems, 425, 106, 68};
        else if (kind.startsWith("MsrCnt"))
            slot.y = 104;
        const QPoint pos(slot.x, slot.y + slot.pitch * block->id());
        block->setKind(kind);
        block->setPos(pos);
        QPixmap shown = block->pixmap();
        block->setOwner(createPixmapLabel(this, pos.x(), pos.y(), QString(), shown));
        slot.map->insert(block->id(), block);
        return block;
    }

    using ProgramWidget::anchorItem;
    using ProgramWidget::dragPos;
    using ProgramWidget::functionItems;
    using ProgramWidget::lineEndPos;
    using ProgramWidget::lineSelected;
    using ProgramWidget::movingItems;
    using ProgramWidget::pressPos;
    using ProgramWidget::rubberBand;
};

class TestProgramWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshSheetBandsAndHeaders();
    void currentSheetNeverDangles();
    void wireCacheNeverHoldsDeletedBlock();
    void backgroundMenuAndWireHitTest();
    void doubleClickTarget();
    void dragFeedback();
    void pixmapLabelTextFits();
    void rendersEveryKindWired();

private:
    TestSheet *newSheet(int index = 0);
    QImage paint(QWidget *widget) { return widget->grab().toImage(); }

    TestSheetHost host;
    LabelWidget *strip = nullptr;
    ProgramData *data = nullptr;
    TestSheet *sheet = nullptr;
};

void TestProgramWidget::init()
{
    host = TestSheetHost();
    strip = new LabelWidget;
    data = new ProgramData(strip);
    sheet = newSheet();
}

void TestProgramWidget::cleanup()
{
    delete sheet;
    strip->clearLabels();
    delete data;
    delete strip;
}

TestSheet *TestProgramWidget::newSheet(int index)
{
    auto *created = new TestSheet(index, data, strip, &host);
    created->resize(780, 1040);
    created->show();
    return created;
}

void TestProgramWidget::freshSheetBandsAndHeaders()
{
    QCOMPARE(sheet->minimumSize(), QSize(750, 1030));
    QVERIFY(sheet->acceptDrops());
    const QStringList texts = {"Input", "PreLogic\nFeedBack", "Function\n", "PostLogic",
                               "Output\nFeedBack\nMeasure Counter"};
    const QRect boxes[] = {QRect(20, 37, 56, 16), QRect(142, 37, 63, 30), QRect(284, 37, 56, 30),
                           QRect(425, 37, 63, 16), QRect(567, 37, 111, 45)};
    for (int i = 0; i < 5; ++i) {
        auto *label = sheet->findChild<QLabel *>(QStringLiteral("label_%1").arg(i));
        QVERIFY(label);
        QCOMPARE(label->text(), texts.at(i));
        QCOMPARE(label->geometry(), boxes[i]);
    }
    QCOMPARE(sheet->statusLine()->geometry(), QRect(10, 0, 600, 30));
    QCOMPARE(sheet->statusLine()->text(), QString());

    const QImage image = paint(sheet);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: 127.0.0.1   TCP port: 24   UDP port: 4660"));
    QVERIFY(sheet->cachedLines().isEmpty());
    // Red, yellow, green, cyan and blue tints, corners inclusive.
    const int y = 900;
    const QColor input = at(image, 50, y), pre = at(image, 200, y), fn = at(image, 330, y),
                 post = at(image, 480, y), out = at(image, 700, y);
    QVERIFY(input.red() > input.green() && input.red() > input.blue());
    QVERIFY(pre.red() > pre.blue() && pre.green() > pre.blue());
    QVERIFY(fn.green() > fn.red() && fn.green() > fn.blue());
    QVERIFY(post.green() > post.red() && post.blue() > post.red());
    QVERIFY(out.blue() > out.red() && out.blue() > out.green());
    QVERIFY(at(image, 117, y) == input && at(image, 118, y) == pre);
    QVERIFY(at(image, 259, y) == pre && at(image, 260, y) == fn);
    QVERIFY(at(image, 400, y) == fn && at(image, 401, y) == post);
    QVERIFY(at(image, 542, y) == post && at(image, 543, y) == out);
    QVERIFY(at(image, 770, y) == out && at(image, 771, y) != out);
    QVERIFY(at(image, 700, 29) != out && at(image, 700, 30) == out);
    QVERIFY(at(image, 700, 1030) == out && at(image, 700, 1031) != out);

    host.host = "127.0.10.16";
    host.tcp = 65535;
    host.udp = 0;
    paint(sheet);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: 127.0.10.16   TCP port: 65535   UDP port: 0"));
    host.host = "::1%3"; // a scope is no place marker
    paint(sheet);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: ::1%3   TCP port: 65535   UDP port: 0"));
}

void TestProgramWidget::currentSheetNeverDangles()
{
    TestSheet *second = newSheet(1);
    TestSheet *third = newSheet(2);
    QCOMPARE(currentProgramWidget, third);
    delete second; // not the newest: the newest stays
    QCOMPARE(currentProgramWidget, third);
    TestSheet *fourth = newSheet(1);
    delete fourth; // the newest: the newest survivor takes over
    QCOMPARE(currentProgramWidget, third);
    delete third;
    QCOMPARE(currentProgramWidget, sheet);
    delete sheet;
    QCOMPARE(currentProgramWidget, static_cast<ProgramWidget *>(nullptr));
    sheet = newSheet();
    QCOMPARE(currentProgramWidget, sheet);
}

void TestProgramWidget::wireCacheNeverHoldsDeletedBlock()
{
    QString outName;
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *pre1 = sheet->place(data->createDefaultPreLogic(1, 0), "PreLogic");
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    BlockItem *post = sheet->place(data->createDefaultPostLogic(0, 0), "PostLogic");
    BlockItem *out = sheet->place(data->createDefaultOut(0, 0, outName), "OUT-CH0");
    cnt->connectInput(0, pre);   // (242,118) to (284,118)
    post->connectInput(-1, cnt); // (384,118) to (425,93)
    out->connectInput(0, post);  // (525,118) to (567,118)
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 3);
    QCOMPARE(sheet->cachedLines().at(1), qMakePair(post->inputLines().first(), post));
    sheet->addToSelection(pre1);
    sheet->addToSelection(cnt);
    sheet->addToSelection(cnt); // listed once: it must not be deleted twice later
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({pre1, cnt}));
    sheet->anchorItem = cnt;
    QVERIFY(sheet->selectLineAt(QPoint(270, 117)));
    QCOMPARE(sheet->current(), cnt);

    // Its wires in and out leave the cache when the block goes, not at the next paint.
    sheet->forgetBlock(cnt);
    data->deleteBlock(cnt);
    QCOMPARE(sheet->cachedLines().size(), 1);
    QCOMPARE(sheet->cachedLines().first().second, out);
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({pre1}));
    QVERIFY(!sheet->current() && !sheet->anchorItem && !sheet->lineSelected);
    QVERIFY(!sheet->functionItems.contains(0));
    QVERIFY(!sheet->selectLineAt(QPoint(270, 117)));
    QVERIFY(!sheet->selectLineAt(QPoint(400, 110)));
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 1);

    // Clearing the design: the sheet lets go of every block first.
    sheet->forgetAllBlocks();
    QVERIFY(sheet->cachedLines().isEmpty() && sheet->selectedItems().isEmpty());
    data->clear();
    paint(sheet);
    QVERIFY(sheet->cachedLines().isEmpty());
}

void TestProgramWidget::backgroundMenuAndWireHitTest()
{
    MenuDriver menus;
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *dly = sheet->place(data->createDefaultDlyFnc(0, 0), "DlyFnc");
    BlockItem *dly1 = sheet->place(data->createDefaultDlyFnc(1, 0), "DlyFnc");
    dly->connectInput(0, pre);  // flat: y 118, x 242 to 284
    dly1->connectInput(0, pre); // (242,118) to (284,158)
    paint(sheet);
    auto rightClick = [this](const QPoint &pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, sheet->mapToGlobal(pos));
        QCoreApplication::sendEvent(sheet, &event);
    };

    rightClick(QPoint(300, 600));
    QCOMPARE(menus.menus.last().size(), 1);
    QCOMPARE(menus.menus.last()[0].text, QString("Paste"));
    QVERIFY(!menus.menus.last()[0].enabled);
    host.pasteEnabled = true;
    menus.choose = "Paste";
    rightClick(QPoint(300, 600));
    QCOMPARE(host.pastes, 1);

    // Two pixels beside a flat wire are on it; three are not.
    rightClick(QPoint(260, 116));
    QCOMPARE(menus.menus.last()[0].text, QString("Delete"));
    QVERIFY(menus.menus.last()[0].hasIcon);
    QCOMPARE(sheet->current(), dly);
    QCOMPARE(sheet->pressPos, QPoint(242, 118));
    QCOMPARE(sheet->lineEndPos, QPoint(284, 118));
    rightClick(QPoint(260, 120));
    QCOMPARE(menus.menus.last()[0].text, QString("Delete"));
    rightClick(QPoint(260, 115));
    QCOMPARE(menus.menus.last()[0].text, QString("Paste"));
    // Where two wires' rectangles hold the point, the nearer wire is taken.
    QVERIFY(sheet->selectLineAt(QPoint(280, 150)));
    QCOMPARE(sheet->current(), dly1);
    QCOMPARE(ProgramWidget::distanceToSegment(QLine(0, 0, 10, 0), QPoint(14, 3)), 5.0);
    QCOMPARE(ProgramWidget::distanceToSegment(QLine(5, 5, 5, 5), QPoint(8, 9)), 5.0);
}

void TestProgramWidget::doubleClickTarget()
{
    QString outName, msrName, nonName;
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    sheet->place(data->createDefaultNonFnc(1, 0, nonName), "NonFnc");
    sheet->place(data->createLabel(1, 0, "FeedBack0"), "FeedBack0");
    BlockItem *out = sheet->place(data->createDefaultOut(0, 0, outName), "OUT-CH0");
    BlockItem *msr = sheet->place(data->createDefaultMsrCnt(1, 0, msrName), "MsrCnt0");
    sheet->place(data->createDefaultFeedBackIN(2, 0), "FeedBack");

    QCOMPARE(sheet->blockToEdit(QPoint(300, 110)), cnt);
    QCOMPARE(sheet->blockToEdit(QPoint(300, 158)), static_cast<BlockItem *>(nullptr));
    QCOMPARE(sheet->blockToEdit(QPoint(150, 180)), static_cast<BlockItem *>(nullptr));
    QCOMPARE(sheet->blockToEdit(QPoint(600, 110)), out);
    QCOMPARE(sheet->blockToEdit(QPoint(600, 150)), msr);
    // The FeedBack sink under the pointer opens nothing, not the output above it.
    QCOMPARE(sheet->blockToEdit(QPoint(600, 190)), static_cast<BlockItem *>(nullptr));

    // Only presses below the header strip and on a block label count.
    sheet->pressPos = QPoint(1, 1);
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(30, 81));
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(60, 600));
    QCOMPARE(sheet->pressPos, QPoint(1, 1));
    // The dialog is only asked for: a real one would wait for an answer.
    int asked = 0;
    ModalHooks::setSettingsRunner([&asked](const ModalHooks::SettingsRequest &) { ++asked; });
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(300, 110));
    ModalHooks::setSettingsRunner(ModalHooks::SettingsRunner());
    QCOMPARE(sheet->pressPos, QPoint(300, 110));
    QCOMPARE(asked, 1);
}

void TestProgramWidget::dragFeedback()
{
    const QImage plain = paint(sheet);
    // A band dragged up and to the left covers the rectangle between the corners.
    sheet->rubberBand = true;
    sheet->pressPos = QPoint(350, 600);
    sheet->dragPos = QPoint(300, 500);
    const QImage band = paint(sheet);
    QVERIFY(at(band, 325, 550).blue() > at(plain, 325, 550).blue());
    QVERIFY(at(band, 325, 610) == at(plain, 325, 610));
    QVERIFY(at(band, 290, 550) == at(plain, 290, 550));
    sheet->rubberBand = false;

    // Moving outlines: cyan, the size of each selected block's picture.
    QString msrName;
    BlockItem *msr = sheet->place(data->createDefaultMsrCnt(0, 0, msrName), "MsrCnt");
    sheet->addToSelection(msr);
    sheet->movingItems = true;
    sheet->pressPos = QPoint(0, 0);
    sheet->dragPos = QPoint(-500, 400); // (567,104) to (67,504), 180 x 29
    const QImage moving = paint(sheet);
    QCOMPARE(at(moving, 67, 504), QColor(Qt::cyan));
    QCOMPARE(at(moving, 67 + 180, 504 + 29), QColor(Qt::cyan));
    QVERIFY(at(moving, 67 + 181, 504 + 10) != QColor(Qt::cyan));
    sheet->movingItems = false;
}

void TestProgramWidget::pixmapLabelTextFits()
{
    const QPixmap picture(":/images/MenuFeedBack.png");
    // A text that fits is drawn in the default font as it is.
    QPixmap byHand = picture;
    QPainter painter(&byHand);
    painter.drawText(byHand.rect(), Qt::AlignCenter, "NET");
    painter.end();
    QPixmap shown = picture;
    QLabel *label = createPixmapLabel(sheet, 30, 900, "NET", shown);
    QCOMPARE(label->pixmap(Qt::ReturnByValue).toImage(), byHand.toImage());
    QCOMPARE(label->geometry(), QRect(30, 900, 110, 25));
    QVERIFY(label->isVisible() && label->testAttribute(Qt::WA_DeleteOnClose));

    // Wider texts are drawn smaller rather than cut at the picture's sides.
    for (const QString text : {"FeedBack(8/8)", "TriggerLongName"}) {
        QPixmap cell(text.startsWith("Feed") ? ":/images/MenuFeedBack.png"
                                             : ":/images/LabelON.png");
        const QImage plain = cell.toImage();
        drawCentredText(cell, text);
        const QImage drawn = cell.toImage();
        int first = drawn.width(), last = -1;
        for (int x = 0; x < drawn.width(); ++x)
            for (int y = 0; y < drawn.height(); ++y)
                if (drawn.pixel(x, y) != plain.pixel(x, y)) {
                    first = qMin(first, x);
                    last = qMax(last, x);
                }
        QVERIFY2(first >= 2 && last <= drawn.width() - 3 && last - first > 20,
                 qPrintable(QStringLiteral("%1: ink %2..%3").arg(text).arg(first).arg(last)));
    }
}

void TestProgramWidget::rendersEveryKindWired()
{
    host.host = "127.0.0.2";
    QString name;
    // Input column.
    BlockItem *in0 = sheet->place(data->findOrCreateInput(0, 0), "Input");
    BlockItem *in1 = sheet->place(data->findOrCreateInput(1, 0), "Input");
    BlockItem *in2 = data->findOrCreateInput(2, 0);
    in2->setUserName("Trigger");
    sheet->place(in2, "Input");
    // PreLogic column: two logic blocks, a label user and a feedback user.
    BlockItem *pre0 = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *pre1 = sheet->place(data->createDefaultPreLogic(1, 0), "PreLogic");
    BlockItem *labelUser = sheet->place(data->createLabel(2, 0, "Label7"), "PreLabel7");
    BlockItem *feedUser = sheet->place(data->createLabel(3, 0, "FeedBack0"), "FeedBack0");
    // Function column: every function kind, a label source and a label user.
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    BlockItem *dly = sheet->place(data->createDefaultDlyFnc(1, 0), "DlyFnc");
    BlockItem *non = sheet->place(data->createDefaultNonFnc(2, 0, name), "NonFnc");
    BlockItem *preSource = sheet->place(data->createDefaultLabelIN(3, 0), "PreLabel");
    BlockItem *fncUser = sheet->place(data->createFncLabel(4, 0, "Label8"), "Label8");
    // PostLogic column: two logic blocks and a label source.
    BlockItem *post0 = sheet->place(data->createDefaultPostLogic(0, 0), "PostLogic");
    BlockItem *post1 = sheet->place(data->createDefaultPostLogic(1, 0), "PostLogic");
    BlockItem *postSource = sheet->place(data->createDefaultLabelIN(2, 0), "Label");
    // Output column: outputs, a counter and a feedback source.
    name.clear();
    BlockItem *out0 = sheet->place(data->createDefaultOut(0, 0, name), name);
    name.clear();
    BlockItem *out1 = sheet->place(data->createDefaultOut(1, 0, name), name);
    name.clear();
    BlockItem *msr = sheet->place(data->createDefaultMsrCnt(2, 0, name), name);
    BlockItem *feedSource = sheet->place(data->createDefaultFeedBackIN(3, 0), "FeedBack");

    QVERIFY(pre0->connectInput(-1, in0) >= 0);
    QVERIFY(pre0->connectInput(-1, in1) >= 0);
    QVERIFY(pre1->connectInput(-1, in1) >= 0);
    QVERIFY(pre1->connectInput(-1, in2) >= 0);
    cnt->connectInput(0, pre0);
    dly->connectInput(0, feedUser);
    non->connectInput(0, pre1);
    preSource->connectInput(0, pre1);
    QVERIFY(post0->connectInput(-1, cnt) >= 0);
    QVERIFY(post0->connectInput(-1, dly) >= 0);
    QVERIFY(post1->connectInput(-1, non) >= 0);
    QVERIFY(post1->connectInput(-1, fncUser) >= 0);
    postSource->connectInput(0, fncUser);
    out0->connectInput(0, post0);
    out1->connectInput(0, post1);
    msr->connectInput(0, post0);
    msr->connectInput(1, post1);
    feedSource->connectInput(0, post1);
    Q_UNUSED(labelUser)

    const QImage image = paint(sheet);
    const QString file = QStringLiteral(ZIVRA_BUILD_DIR "/sheet_every_kind.png");
    QVERIFY(image.save(file));
    QCOMPARE(image.size(), QSize(780, 1040));

    QCOMPARE(sheet->cachedLines().size(), 18);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: 127.0.0.2   TCP port: 24   UDP port: 4660"));
    // Every wire is drawn in black: probe the middle of each.
    for (const auto &entry : sheet->cachedLines()) {
        const QLine &line = entry.first;
        const QPoint middle = (line.p1() + line.p2()) / 2;
        int darkest = 255;
        QColor pixel;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const QColor candidate = at(image, middle.x() + dx, middle.y() + dy);
                if (candidate.lightness() < darkest) {
                    darkest = candidate.lightness();
                    pixel = candidate;
                }
            }
        }
        QVERIFY2(darkest < 60, qPrintable(QStringLiteral("wire at %1,%2 is %3")
                                              .arg(middle.x())
                                              .arg(middle.y())
                                              .arg(pixel.name())));
    }
    // Every block shows its picture at its place.
    const QVector<BlockItem *> blocks = {
        in0,       in1,     in2,   pre0,  pre1,       labelUser, feedUser, cnt, dly,       non,
        preSource, fncUser, post0, post1, postSource, out0,      out1,     msr, feedSource};
    for (BlockItem *block : blocks) {
        QCOMPARE(block->owner()->geometry(), QRect(block->pos(), block->pixmap().size()));
        QCOMPARE(block->owner()->pixmap(Qt::ReturnByValue).toImage(), block->pixmap().toImage());
        // Opaque pixels of the picture show unchanged on the sheet.
        const QImage picture = block->pixmap().toImage();
        int compared = 0;
        for (int y = 0; y < picture.height(); y += 2) {
            for (int x = 0; x < picture.width(); x += 3) {
                const QColor own = picture.pixelColor(x, y);
                if (own.alpha() == 255) {
                    QCOMPARE(at(image, block->pos().x() + x, block->pos().y() + y).rgb(),
                             own.rgb());
                    ++compared;
                }
            }
        }
        QVERIFY(compared > 0);
    }
}

QTEST_MAIN(TestProgramWidget)
#include "tst_programwidget.moc"
