#include "blockitem.h"
#include "dragwidget.h"
#include "labelwidget.h"
#include "menudriver.h"
#include "nim_in.h"
#include "programdata.h"
#include "programwidget.h"
#include "testsheethost.h"

#include <QContextMenuEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

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
    {
    }

    // Puts the block at row `id` of the column its kind word belongs to.
    BlockItem *place(BlockItem *block, const QString &kind)
    {
        const int r = block->id();
        QMap<int, BlockItem *> *map = nullptr;
        QPoint pos;
        bool bold = false;
        if (kind == "Input") {
            map = &inputItems;
            pos = QPoint(0, 106 + 40 * r);
        } else if (kind == "PreLogic") {
            map = &preLogicItems;
            pos = QPoint(142, 90 + 68 * r);
            bold = true;
        } else if (kind.startsWith("FeedBack") && kind != "FeedBack") {
            map = &preLogicItems;
            pos = QPoint(142, 106 + 68 * r);
        } else if (kind.startsWith("PreLabel") && kind != "PreLabel") {
            map = &preLogicItems;
            pos = QPoint(142, 106 + 68 * r);
        } else if (kind == "CntFnc" || kind == "DlyFnc") {
            map = &functionItems;
            pos = QPoint(284, 104 + 40 * r);
        } else if (kind == "NonFnc") {
            map = &functionItems;
            pos = QPoint(284, 116 + 40 * r);
        } else if (kind == "PreLabel" || (kind.startsWith("Label") && kind != "Label")) {
            map = &functionItems;
            pos = QPoint(284, 106 + 40 * r);
        } else if (kind == "PostLogic") {
            map = &postLogicItems;
            pos = QPoint(425, 90 + 68 * r);
            bold = true;
        } else if (kind == "Label") {
            map = &postLogicItems;
            pos = QPoint(425, 106 + 68 * r);
        } else if (kind.startsWith("MsrCnt")) {
            map = &outputItems;
            pos = QPoint(567, 104 + 40 * r);
        } else {
            map = &outputItems;
            pos = QPoint(567, 106 + 40 * r);
        }
        if (bold) {
            QPixmap named = block->basePixmap();
            QPainter painter(&named);
            QFont font = painter.font();
            font.setWeight(75);
            painter.setFont(font);
            painter.drawText(named.rect(), Qt::AlignCenter, block->displayName());
            painter.end();
            block->setPixmap(named);
        }
        block->setKind(kind);
        block->setPos(pos);
        QPixmap shown = block->pixmap();
        block->setOwner(createPixmapLabel(this, pos.x(), pos.y(), QString(), shown));
        map->insert(r, block);
        return block;
    }

    using ProgramWidget::dragPos;
    using ProgramWidget::drawingLine;
    using ProgramWidget::lineEndPos;
    using ProgramWidget::lineSelected;
    using ProgramWidget::movingItems;
    using ProgramWidget::pressPos;
    using ProgramWidget::rubberBand;
    using ProgramWidget::selectionColor;
    using ProgramWidget::anchorItem;
    using ProgramWidget::currentItem;
    using ProgramWidget::functionItems;
};

class TestProgramWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshSheet();
    void currentSheetNeverDangles();
    void statusLineFollowsSettings();
    void wireCacheFromLastPaint();
    void deletedBlockLeavesNoTrace();
    void selectionHelpers();
    void wireHitTest();
    void backgroundMenu();
    void doubleClickTarget();
    void dragFeedback();
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

void TestProgramWidget::freshSheet()
{
    QCOMPARE(sheet->minimumSize(), QSize(750, 1030));
    QVERIFY(sheet->acceptDrops());
    QCOMPARE(sheet->contextMenuPolicy(), Qt::CustomContextMenu);
    struct Header {
        const char *name;
        const char *text;
        QRect geometry;
    };
    const Header headers[] = {
        {"label_0", "Input", QRect(20, 37, 56, 16)},
        {"label_1", "PreLogic\nFeedBack", QRect(142, 37, 63, 30)},
        {"label_2", "Function\n", QRect(284, 37, 56, 30)},
        {"label_3", "PostLogic", QRect(425, 37, 63, 16)},
        {"label_4", "Output\nFeedBack\nMeasure Counter", QRect(567, 37, 111, 45)},
    };
    for (const Header &header : headers) {
        auto *label = sheet->findChild<QLabel *>(header.name);
        QVERIFY2(label, header.name);
        QCOMPARE(label->text(), QString(header.text));
        QCOMPARE(label->geometry(), header.geometry);
        // The header strip ends at y 81.
        QVERIFY(label->geometry().bottom() <= ProgramWidget::headerBottom);
    }
    QCOMPARE(sheet->statusLine()->geometry(), QRect(10, 0, 600, 30));
    QVERIFY(sheet->statusLine()->objectName().isEmpty());
    QCOMPARE(sheet->statusLine()->text(), QString());
    QVERIFY(sheet->selectedItems().isEmpty());
    QVERIFY(!sheet->current());

    const QImage image = paint(sheet);
    QVERIFY(sheet->cachedLines().isEmpty());
    // Five bands from y 30 down: red, yellow, green, cyan, blue tints.
    const int y = 900;
    const QColor input = at(image, 50, y), pre = at(image, 200, y), fn = at(image, 330, y),
                 post = at(image, 480, y), out = at(image, 700, y), none = at(image, 700, 20);
    QVERIFY(input.red() > input.green() && input.red() > input.blue());
    QVERIFY(pre.red() > pre.blue() && pre.green() > pre.blue());
    QVERIFY(fn.green() > fn.red() && fn.green() > fn.blue());
    QVERIFY(post.green() > post.red() && post.blue() > post.red());
    QVERIFY(out.blue() > out.red() && out.blue() > out.green());
    QCOMPARE(none.red(), none.blue());
    // Band borders, corners inclusive: 117|118, 259|260, 400|401, 542|543, bottom 1030.
    QVERIFY(at(image, 117, y) == input && at(image, 118, y) == pre);
    QVERIFY(at(image, 259, y) == pre && at(image, 260, y) == fn);
    QVERIFY(at(image, 400, y) == fn && at(image, 401, y) == post);
    QVERIFY(at(image, 542, y) == post && at(image, 543, y) == out);
    QVERIFY(at(image, 770, y) == out && at(image, 771, y) != out);
    QVERIFY(at(image, 700, 1030) == out && at(image, 700, 1031) != out);
    QVERIFY(at(image, 700, 29) != out && at(image, 700, 30) == out);
}

void TestProgramWidget::currentSheetNeverDangles()
{
    QCOMPARE(currentProgramWidget, sheet);
    TestSheet *second = newSheet(1);
    TestSheet *third = newSheet(2);
    QCOMPARE(currentProgramWidget, third);
    // A sheet other than the newest goes: the newest stays current.
    delete second;
    QCOMPARE(currentProgramWidget, third);
    TestSheet *fourth = newSheet(1);
    QCOMPARE(currentProgramWidget, fourth);
    // The newest goes: the newest survivor takes over.
    delete fourth;
    QCOMPARE(currentProgramWidget, third);
    delete third;
    QCOMPARE(currentProgramWidget, sheet);
    delete sheet;
    QCOMPARE(currentProgramWidget, static_cast<ProgramWidget *>(nullptr));
    sheet = newSheet();
    QCOMPARE(currentProgramWidget, sheet);
}

void TestProgramWidget::statusLineFollowsSettings()
{
    paint(sheet);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: 127.0.0.1   TCP port: 24   UDP port: 4660"));
    host.host = "192.168.10.16";
    host.tcp = 65535;
    host.udp = 0;
    paint(sheet);
    QCOMPARE(sheet->statusLine()->text(),
             QString("IP address: 192.168.10.16   TCP port: 65535   UDP port: 0"));
}

void TestProgramWidget::wireCacheFromLastPaint()
{
    BlockItem *a = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *b = sheet->place(data->createDefaultPreLogic(1, 0), "PreLogic");
    BlockItem *post = sheet->place(data->createDefaultPostLogic(0, 0), "PostLogic");
    QVERIFY(post->connectInput(-1, a) >= 0);
    QVERIFY(post->connectInput(-1, b) >= 0);
    QVERIFY(sheet->cachedLines().isEmpty());
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 2);
    const QVector<QLine> lines = post->inputLines();
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(sheet->cachedLines().at(i).first, lines.at(i));
        QCOMPARE(sheet->cachedLines().at(i).second, post);
    }
    // Repainting rebuilds rather than grows the cache.
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 2);
    // Wires of blocks on another sheet's canvas are not this sheet's.
    TestSheet *other = newSheet(1);
    paint(other);
    QVERIFY(other->cachedLines().isEmpty());
    delete other;
}

void TestProgramWidget::deletedBlockLeavesNoTrace()
{
    QString outName;
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    BlockItem *post = sheet->place(data->createDefaultPostLogic(0, 0), "PostLogic");
    BlockItem *out = sheet->place(data->createDefaultOut(0, 0, outName), "OUT-CH0");
    cnt->connectInput(0, pre);   // (242,118) to (284,118)
    post->connectInput(-1, cnt); // (384,118) to (425,93)
    out->connectInput(0, post);  // (525,118) to (567,118)
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 3);
    sheet->addToSelection(cnt);
    sheet->anchorItem = cnt;
    QVERIFY(sheet->selectLineAt(QPoint(270, 117)));
    QCOMPARE(sheet->current(), cnt);

    // The block goes: its wires in and out leave the cache at once, not at
    // the next paint.
    sheet->forgetBlock(cnt);
    data->deleteBlock(cnt);
    QCOMPARE(sheet->cachedLines().size(), 1);
    QCOMPARE(sheet->cachedLines().first().second, out);
    QVERIFY(sheet->selectedItems().isEmpty());
    QVERIFY(!sheet->current());
    QVERIFY(!sheet->anchorItem);
    QVERIFY(!sheet->lineSelected);
    QVERIFY(!sheet->functionItems.contains(0));
    // Nothing freed is reached by the hit test or the next paint.
    QVERIFY(!sheet->selectLineAt(QPoint(270, 117)));
    QVERIFY(!sheet->selectLineAt(QPoint(400, 110)));
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 1);

    // Clearing the design: the sheet lets go of every block first.
    sheet->forgetAllBlocks();
    QVERIFY(sheet->cachedLines().isEmpty());
    data->clear();
    paint(sheet);
    QVERIFY(sheet->cachedLines().isEmpty());
}

void TestProgramWidget::selectionHelpers()
{
    BlockItem *in0 = sheet->place(data->findOrCreateInput(0, 0), "Input");
    BlockItem *in3 = sheet->place(data->findOrCreateInput(3, 0), "Input");
    BlockItem *pre1 = sheet->place(data->createDefaultPreLogic(1, 0), "PreLogic");
    QString msrName;
    BlockItem *out2 = sheet->place(data->createDefaultMsrCnt(2, 0, msrName), "MsrCnt");
    BlockItem *cnt0 = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    QSignalSpy selected(sheet, SIGNAL(itemSelect(bool)));

    // Ordered by column x, then by row, whatever the order of adding.
    sheet->addToSelection(out2);
    sheet->addToSelection(in3);
    sheet->addToSelection(cnt0);
    sheet->addToSelection(in0);
    sheet->addToSelection(pre1);
    sheet->addToSelection(in3);
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({in0, in3, pre1, cnt0, out2}));
    sheet->addToSelection(nullptr); // no current block: nothing
    QCOMPARE(sheet->selectedItems().size(), 5);

    // Clearing gives every label its own picture back.
    for (BlockItem *block : sheet->selectedItems())
        block->owner()->setPixmap(tintedPixmap(block->pixmap(), sheet->selectionColor));
    sheet->clearSelection(false);
    QVERIFY(sheet->selectedItems().isEmpty());
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.last().first().toBool(), false);
    QCOMPARE(in0->owner()->pixmap(Qt::ReturnByValue).toImage(), in0->pixmap().toImage());

    // Positions on the rectangle's edges count as inside.
    QMap<int, BlockItem *> inputs;
    inputs.insert(0, in0);
    inputs.insert(3, in3);
    sheet->selectInMap(QRect(QPoint(0, 106), QPoint(10, 226)), inputs);
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({in0, in3}));
    QCOMPARE(in3->owner()->pixmap(Qt::ReturnByValue).toImage(),
             tintedPixmap(in3->pixmap(), QColor(0, 0, 255, 70)).toImage());
    sheet->clearSelection(false);
    sheet->selectInMap(QRect(QPoint(1, 106), QPoint(10, 225)), inputs);
    QVERIFY(sheet->selectedItems().isEmpty());

    // With nothing selected, dropping the current block restores its picture.
    sheet->currentItem = pre1;
    pre1->owner()->setPixmap(tintedPixmap(pre1->pixmap(), sheet->selectionColor));
    sheet->addToSelection(nullptr);
    QCOMPARE(sheet->selectedItems(), QVector<BlockItem *>({pre1}));
    sheet->clearSelection(false);
    QCOMPARE(sheet->current(), pre1);
    pre1->owner()->setPixmap(tintedPixmap(pre1->pixmap(), sheet->selectionColor));
    sheet->clearSelection(true);
    QVERIFY(!sheet->current());
    QCOMPARE(pre1->owner()->pixmap(Qt::ReturnByValue).toImage(), pre1->pixmap().toImage());
}

void TestProgramWidget::wireHitTest()
{
    QVERIFY(!sheet->selectLineAt(QPoint(300, 300))); // empty cache
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    BlockItem *cnt1 = sheet->place(data->createDefaultCntFnc(1, 0), "CntFnc");
    cnt->connectInput(0, pre);  // (242,118) to (284,118): flat
    cnt1->connectInput(0, pre); // (242,118) to (284,158)
    paint(sheet);
    QCOMPARE(sheet->cachedLines().size(), 2);
    QVERIFY(!sheet->selectLineAt(QPoint(0, 0)));

    QVERIFY(!sheet->selectLineAt(QPoint(270, 115)));
    QVERIFY(!sheet->lineSelected);
    QVERIFY(sheet->selectLineAt(QPoint(270, 116)));
    QCOMPARE(sheet->current(), cnt);
    QCOMPARE(sheet->pressPos, QPoint(242, 118));
    QCOMPARE(sheet->dragPos, QPoint(284, 118));
    QCOMPARE(sheet->lineEndPos, QPoint(284, 118));
    QVERIFY(sheet->lineSelected);
    QVERIFY(!sheet->drawingLine);
    QVERIFY(sheet->selectLineAt(QPoint(250, 120)));
    QCOMPARE(sheet->current(), cnt);
    // Where both wires' rectangles hold the point, the nearer one wins.
    QVERIFY(sheet->selectLineAt(QPoint(280, 150)));
    QCOMPARE(sheet->current(), cnt1);
    QVERIFY(sheet->selectLineAt(QPoint(250, 126)));
    QCOMPARE(sheet->current(), cnt1);

    QCOMPARE(ProgramWidget::distanceToSegment(QLine(0, 0, 10, 0), QPoint(5, 3)), 3.0);
    QCOMPARE(ProgramWidget::distanceToSegment(QLine(0, 0, 10, 0), QPoint(14, 3)), 5.0);
    QCOMPARE(ProgramWidget::distanceToSegment(QLine(0, 0, 10, 0), QPoint(-3, -4)), 5.0);
    QCOMPARE(ProgramWidget::distanceToSegment(QLine(5, 5, 5, 5), QPoint(8, 9)), 5.0);
}

void TestProgramWidget::backgroundMenu()
{
    MenuDriver menus;
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    BlockItem *dly = sheet->place(data->createDefaultDlyFnc(0, 0), "DlyFnc");
    dly->connectInput(0, pre); // flat wire at y 118 from x 242 to 284
    paint(sheet);

    auto rightClick = [this](const QPoint &pos) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, sheet->mapToGlobal(pos));
        QCoreApplication::sendEvent(sheet, &event);
    };

    rightClick(QPoint(300, 600));
    QCOMPARE(menus.menus.size(), 1);
    QCOMPARE(menus.menus.last().size(), 1);
    QCOMPARE(menus.menus.last().first().text, QString("Paste"));
    QVERIFY(!menus.menus.last().first().enabled);
    QVERIFY(menus.menus.last().first().hasIcon);

    host.pasteEnabled = true;
    menus.choose = "Paste";
    rightClick(QPoint(300, 600));
    QVERIFY(menus.menus.last().first().enabled);
    QCOMPARE(host.pastes, 1);

    // Two pixels beside a flat wire is on it; three is not.
    for (int dy : {-2, 2}) {
        rightClick(QPoint(260, 118 + dy));
        QCOMPARE(menus.menus.last().first().text, QString("Delete"));
        QVERIFY(menus.menus.last().first().hasIcon);
    }
    QVERIFY(sheet->lineSelected);
    rightClick(QPoint(260, 121));
    QCOMPARE(menus.menus.last().first().text, QString("Paste"));
    QCOMPARE(host.pastes, 2);
}

void TestProgramWidget::doubleClickTarget()
{
    QString outName = "OUT-CH";
    QString msrName = "MsrCnt";
    BlockItem *in = sheet->place(data->findOrCreateInput(0, 0), "Input");
    BlockItem *cnt = sheet->place(data->createDefaultCntFnc(0, 0), "CntFnc");
    BlockItem *dly = sheet->place(data->createDefaultDlyFnc(1, 0), "DlyFnc");
    QString nonName;
    sheet->place(data->createDefaultNonFnc(2, 0, nonName), "NonFnc");
    sheet->place(data->createFncLabel(3, 0, "Label4"), "Label4");
    BlockItem *pre = sheet->place(data->createDefaultPreLogic(0, 0), "PreLogic");
    sheet->place(data->createLabel(1, 0, "FeedBack0"), "FeedBack0");
    BlockItem *post = sheet->place(data->createDefaultPostLogic(0, 0), "PostLogic");
    sheet->place(data->createLabelIN(1, 0, "Label9"), "Label");
    BlockItem *out = sheet->place(data->createDefaultOut(0, 0, outName), "OUT-CH0");
    BlockItem *msr = sheet->place(data->createDefaultMsrCnt(1, 0, msrName), "MsrCnt0");
    sheet->place(data->createDefaultFeedBackIN(2, 0), "FeedBack");

    QCOMPARE(sheet->blockToEdit(QPoint(10, 110)), in);
    QCOMPARE(sheet->blockToEdit(QPoint(150, 100)), pre);
    QCOMPARE(sheet->blockToEdit(QPoint(300, 110)), cnt);
    QCOMPARE(sheet->blockToEdit(QPoint(300, 150)), dly);
    QCOMPARE(sheet->blockToEdit(QPoint(300, 198)), static_cast<BlockItem *>(nullptr)); // NonFnc
    QCOMPARE(sheet->blockToEdit(QPoint(300, 230)), static_cast<BlockItem *>(nullptr)); // label
    QCOMPARE(sheet->blockToEdit(QPoint(150, 180)), static_cast<BlockItem *>(nullptr)); // FeedBack user
    QCOMPARE(sheet->blockToEdit(QPoint(450, 100)), post);
    QCOMPARE(sheet->blockToEdit(QPoint(450, 180)), static_cast<BlockItem *>(nullptr)); // source
    QCOMPARE(sheet->blockToEdit(QPoint(600, 110)), out);
    QCOMPARE(sheet->blockToEdit(QPoint(600, 150)), msr);
    // The FeedBack sink under the pointer opens nothing, not the output above it.
    QCOMPARE(sheet->blockToEdit(QPoint(600, 190)), static_cast<BlockItem *>(nullptr));
    QCOMPARE(sheet->blockToEdit(QPoint(600, 400)), static_cast<BlockItem *>(nullptr));

    // The header strip ends at 81; only presses on a child label count.
    sheet->pressPos = QPoint(1, 1);
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(30, 81));
    QCOMPARE(sheet->pressPos, QPoint(1, 1));
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(60, 600));
    QCOMPARE(sheet->pressPos, QPoint(1, 1));
    QTest::mouseDClick(sheet, Qt::LeftButton, {}, QPoint(300, 110));
    QCOMPARE(sheet->pressPos, QPoint(300, 110));
}

void TestProgramWidget::dragFeedback()
{
    const QImage plain = paint(sheet);

    // A band dragged up and to the left covers the same rectangle.
    sheet->rubberBand = true;
    sheet->pressPos = QPoint(350, 600);
    sheet->dragPos = QPoint(300, 500);
    const QImage band = paint(sheet);
    QVERIFY(at(band, 325, 550) != at(plain, 325, 550));
    QVERIFY(at(band, 325, 550).blue() > at(plain, 325, 550).blue());
    QVERIFY(at(band, 325, 610) == at(plain, 325, 610));
    QVERIFY(at(band, 290, 550) == at(plain, 290, 550));
    sheet->rubberBand = false;

    // The wire being drawn is cyan.
    sheet->drawingLine = true;
    sheet->pressPos = QPoint(100, 700);
    sheet->dragPos = QPoint(300, 700);
    QCOMPARE(at(paint(sheet), 200, 700), QColor(Qt::cyan));
    sheet->drawingLine = false;

    // Moving outlines have the size of each selected block's picture.
    QString msrName;
    BlockItem *msr = sheet->place(data->createDefaultMsrCnt(0, 0, msrName), "MsrCnt");
    BlockItem *in = sheet->place(data->findOrCreateInput(2, 0), "Input");
    sheet->addToSelection(msr);
    sheet->addToSelection(in);
    sheet->movingItems = true;
    sheet->pressPos = QPoint(0, 0);
    sheet->dragPos = QPoint(-500, 400);
    const QImage moving = paint(sheet);
    // MsrCnt 180 x 29 at (567, 104) moved to (67, 504).
    QCOMPARE(at(moving, 67, 504), QColor(Qt::cyan));
    QCOMPARE(at(moving, 67 + 180, 504 + 29), QColor(Qt::cyan));
    QVERIFY(at(moving, 67 + 181, 504 + 10) != QColor(Qt::cyan));
    // Input 90 x 25 at (0, 186) moved to (-500, 586): outside, nothing drawn there.
    sheet->dragPos = QPoint(10, 10);
    const QImage near = paint(sheet);
    QCOMPARE(at(near, 10 + 90, 196 + 25), QColor(Qt::cyan));
    QCOMPARE(at(near, 577 + 180, 114), QColor(Qt::cyan));
    sheet->movingItems = false;

    // Drag events keep the drag point; leaving puts it back to the press point.
    QScopedPointer<QMimeData> payload(DragWidget::textPayload("PreLogic", QPoint(3, 3)));
    sheet->pressPos = QPoint(5, 6);
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction | Qt::MoveAction, payload.data(),
                          Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sheet, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(QPoint(400, 300), Qt::CopyAction | Qt::MoveAction, payload.data(),
                        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sheet, &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(sheet->dragPos, QPoint(400, 300));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(sheet, &leave);
    QCOMPARE(sheet->dragPos, QPoint(5, 6));
}

void TestProgramWidget::rendersEveryKindWired()
{
    host.host = "10.0.0.2";
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
             QString("IP address: 10.0.0.2   TCP port: 24   UDP port: 4660"));
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
    const QVector<BlockItem *> blocks = {in0, in1, in2, pre0, pre1, labelUser, feedUser,
                                         cnt, dly, non, preSource, fncUser, post0, post1,
                                         postSource, out0, out1, msr, feedSource};
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
                    QCOMPARE(at(image, block->pos().x() + x, block->pos().y() + y).rgb(), own.rgb());
                    ++compared;
                }
            }
        }
        QVERIFY(compared > 0);
    }
}

QTEST_MAIN(TestProgramWidget)
#include "tst_programwidget.moc"
