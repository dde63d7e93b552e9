#include "fittedtext.h"
#include "labelregistry.h"
#include "nim_in.h"
#include "nimfeedbackin.h"
#include "nimfunction.h"
#include "nimlabel.h"
#include "nimmsrcnt.h"
#include "nimnonfnc.h"
#include "nimout.h"
#include "postlogic.h"
#include "prelogic.h"
#include "programdata.h"
#include "zivraresources.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

namespace {

// The wiring invariant over a set of live blocks: every input entry is
// mirrored by exactly as many fan-out entries, and no list names a block
// outside the set.
QString wiringFault(const QVector<BlockItem *> &blocks)
{
    for (BlockItem *b : blocks) {
        for (BlockItem *s : b->inputs()) {
            if (!blocks.contains(s))
                return QString("%1 has a dead source").arg(b->name());
            int ports = 0;
            for (BlockItem *fed : b->inputs())
                ports += fed == s;
            if (s->outputs().count(b) != ports)
                return QString("%1 -> %2 fan-out count").arg(s->name(), b->name());
        }
        for (BlockItem *t : b->outputs()) {
            if (!blocks.contains(t))
                return QString("%1 feeds a dead block").arg(b->name());
            int ports = 0;
            for (BlockItem *fed : t->inputs())
                ports += fed == b;
            if (b->outputs().count(t) != ports)
                return QString("%1 -> %2 input count").arg(b->name(), t->name());
        }
    }
    return QString();
}

QImage labelled(const QString &icon, const QString &text)
{
    QPixmap picture(icon);
    drawFittedText(picture, text, BlockItem::labelFont());
    return picture.toImage();
}

QImage bare(const QString &icon)
{
    return QPixmap(icon).toImage();
}

} // namespace

class TestBlockItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ZivraResources::ensureLoaded(); }
    void replacingAndFanOut();
    void destructionLeavesNoReference();
    void randomWiringKeepsInvariant();
    void logicConnection();
    void wireEndPoints();
    void wireLookups();
    void hitTestAndNames();
    void plainKindLabels();
    void outputLabels();
    void feedbackLabels();
    void clearingUserNameRedrawsName();
};

void TestBlockItem::replacingAndFanOut()
{
    NIM_IN a(0, 0, "IN-CH0"), b(1, 0, "IN-CH1");
    NIMLabel other(1, 0, "o");
    {
        NIMLabel target(0, 0, "t");
        QCOMPARE(target.connectInput(4, &a), 4);
        QCOMPARE(target.connectInput(4, &b), 4);
        QCOMPARE(target.inputAt(4), &b);
        QVERIFY(a.outputs().isEmpty());
        QCOMPARE(target.connectInput(4, nullptr), -1);
        QCOMPARE(target.inputAt(9), nullptr);
        // One source on two ports of a base block is listed twice.
        target.connectInput(0, &a);
        other.connectInput(0, &a);
        target.connectInput(7, &a);
        QCOMPARE(a.outputs(), (QVector<BlockItem *>{&target, &other, &target}));
        b.removeOutput(&a); // absent: nothing happens
        QCOMPARE(wiringFault({&a, &b, &other, &target}), QString());
    }
    QCOMPARE(a.outputs(), QVector<BlockItem *>{&other});
    QVERIFY(b.outputs().isEmpty());
}

void TestBlockItem::destructionLeavesNoReference()
{
    NIM_IN in0(0, 0, "IN-CH0");
    PostLogic post(0, 0, "PstLgc0");
    NIMOut out(0, 0, "OUT-CH0");
    auto *pre = new PreLogic(0, 0, "PreLgc0");
    pre->connectInput(-1, &in0);
    post.connectInput(-1, pre);
    out.connectInput(0, pre);
    out.connectInput(1, &post);
    pre->connectInput(5, &post); // a loop back through the logic
    QCOMPARE(wiringFault({&in0, pre, &post, &out}), QString());
    delete pre;
    QCOMPARE(wiringFault({&in0, &post, &out}), QString());
    QVERIFY(in0.outputs().isEmpty());
    QVERIFY(post.inputs().isEmpty());
    QCOMPARE(out.inputs().keys(), QList<int>{1});

    // A block wired to itself is destroyed cleanly too.
    auto *self = new NIMLabel(0, 0, "self");
    self->connectInput(0, self);
    self->connectInput(1, &in0);
    delete self;
    QVERIFY(in0.outputs().isEmpty());
}

void TestBlockItem::randomWiringKeepsInvariant()
{
    QRandomGenerator rng(77);
    for (int round = 0; round < 40; ++round) {
        ProgramData design(nullptr);
        QVector<BlockItem *> live;
        for (int i = 0; i < 4; ++i) {
            live << design.findOrCreateInput(i, 0) << design.createDefaultPreLogic(i, 0)
                 << design.createDefaultCntFnc(i, 0) << design.createDefaultPostLogic(i, 0);
            QString name;
            live << design.createDefaultOut(i, 0, name);
            name.clear();
            live << design.createDefaultMsrCnt(i, 0, name);
        }
        for (int step = 0; step < 120 && live.size() > 1; ++step) {
            BlockItem *a = live.at(int(rng.bounded(live.size())));
            BlockItem *b = live.at(int(rng.bounded(live.size())));
            const int action = int(rng.bounded(10));
            if (action < 7) {
                b->connectInput(int(rng.bounded(13)) - 1, a);
            } else if (action < 9) {
                // Remove one wire of b, both sides.
                if (!b->inputs().isEmpty()) {
                    const int port = b->inputs().keys().at(int(rng.bounded(b->inputs().size())));
                    b->inputAt(port)->removeOutput(b);
                    b->removeInput(port);
                }
            } else {
                live.removeAll(a);
                design.deleteBlock(a);
            }
            const QString fault = wiringFault(live);
            if (!fault.isEmpty())
                QFAIL(qPrintable(QString("round %1 step %2: %3").arg(round).arg(step).arg(fault)));
        }
    }
}

void TestBlockItem::logicConnection()
{
    PreLogic logic(0, 0, "PreLgc0");
    QVector<NIM_IN *> sources;
    for (int i = 0; i < 12; ++i)
        sources << new NIM_IN(i, 0, QString("S%1").arg(i));

    QCOMPARE(logic.connectInput(3, sources[0]), 3);
    QCOMPARE(logic.connectInput(-1, sources[1]), 0);
    QCOMPARE(logic.connectInput(-1, sources[2]), 1);
    // A source already feeding the block is refused, on any port.
    QCOMPARE(logic.connectInput(5, sources[0]), -1);
    QCOMPARE(logic.connectInput(-1, sources[1]), -1);
    QCOMPARE(sources[0]->outputs().size(), 1);
    for (int i = 3; i < 11; ++i)
        QVERIFY(logic.connectInput(-1, sources[i]) >= 0);
    QCOMPARE(logic.inputs().size(), 11);
    QCOMPARE(logic.connectInput(-1, sources[11]), -1);
    QVERIFY(sources[11]->outputs().isEmpty());
    // An explicit port replaces its source.
    QCOMPARE(logic.connectInput(4, sources[11]), 4);
    QCOMPARE(logic.inputAt(4), sources[11]);
    QCOMPARE(wiringFault(QVector<BlockItem *>(sources.begin(), sources.end()) << &logic),
             QString());
    qDeleteAll(sources);
    QVERIFY(logic.inputs().isEmpty());
}

void TestBlockItem::wireEndPoints()
{
    NIM_IN src(0, 0, "IN-CH0");
    src.setPos(QPoint(10, 20));
    QCOMPARE(src.outputPoint(), QPoint(100, 32)); // 90 x 25

    PreLogic logic(0, 0, "PreLgc0");
    logic.setPos(QPoint(200, 100));
    logic.connectInput(0, &src);
    NIM_IN src2(1, 0, "IN-CH1");
    logic.connectInput(10, &src2);
    const QVector<QLine> lines = logic.inputLines();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QLine(QPoint(100, 32), QPoint(200, 103)));
    QCOMPARE(lines[1].p2(), QPoint(200, 153));
    QCOMPARE(logic.outputPoint(), QPoint(300, 128));

    NIMMsrCnt counter(0, 0, "MsrCnt0");
    counter.setPos(QPoint(50, 60));
    counter.connectInput(1, &logic);
    counter.connectInput(0, &src);
    const QVector<QLine> counterLines = counter.inputLines();
    QCOMPARE(counterLines[0].p2(), QPoint(50, 66));
    QCOMPARE(counterLines[1], QLine(QPoint(300, 128), QPoint(50, 82)));

    NIMFunction function(0, 0, "CntFnc0");
    function.setPos(QPoint(5, 5));
    function.connectInput(0, &logic);
    QCOMPARE(function.inputLines().at(0).p2(), QPoint(5, 5 + 29 / 2));
    QCOMPARE(function.outputPoint(), QPoint(105, 5 + 29 / 2));
}

void TestBlockItem::wireLookups()
{
    NIM_IN a(0, 0, "IN-CH0"), b(1, 0, "IN-CH1");
    a.setPos(QPoint(0, 0));
    b.setPos(QPoint(0, 100));
    NIMLabel base(0, 0, "base");
    base.setPos(QPoint(300, 0));
    base.connectInput(5, &a);
    base.connectInput(2, &b);
    QCOMPARE(base.sourceAt(b.outputPoint()), &b);
    QCOMPARE(base.sourceAt(QPoint(1, 1)), nullptr);
    // All wires of a base block end at one point: the lowest port goes.
    base.removeInputLine(QPoint(300, 12));
    QCOMPARE(base.inputs().keys(), QList<int>{5});
    base.removeInputLine(QPoint(300, 13));
    QCOMPARE(base.inputs().keys(), QList<int>{5});
    b.removeOutput(&base);

    PostLogic logic(0, 0, "PstLgc0");
    logic.setPos(QPoint(400, 0));
    logic.connectInput(1, &a);
    logic.connectInput(6, &b);
    logic.removeInputLine(QPoint(400, 6 * 5 + 3));
    QCOMPARE(logic.inputs().keys(), QList<int>{1});
    b.removeOutput(&logic);
    QCOMPARE(wiringFault({&a, &b, &base, &logic}), QString());
}

void TestBlockItem::hitTestAndNames()
{
    NIMLabel block(3, 2, "Label0");
    block.setPos(QPoint(10, 10)); // 100 x 25
    QVERIFY(block.contains(2, QPoint(10, 10)));
    QVERIFY(block.contains(2, QPoint(110, 35)));
    QVERIFY(!block.contains(2, QPoint(111, 35)));
    QVERIFY(!block.contains(2, QPoint(110, 36)));
    QVERIFY(!block.contains(1, QPoint(50, 20)));
    QVERIFY(block.contains(-1, QPoint(50, 20)));

    QCOMPARE(block.displayName(), QString("Label0"));
    block.setUserName("  Trigger ");
    QCOMPARE(block.displayName(), QString("Trigger"));
    QCOMPARE(block.name(), QString("Label0"));
    block.setUserName("   ");
    QCOMPARE(block.displayName(), QString());
}

void TestBlockItem::plainKindLabels()
{
    NIMFunction function(0, 0, "CntFnc0");
    QCOMPARE(function.basePixmap().toImage(), bare(":/images/Function.png"));
    QCOMPARE(function.pixmap().toImage(), labelled(":/images/Function.png", "CntFnc0"));
    function.setUserName("Gate");
    QCOMPARE(function.pixmap().toImage(), labelled(":/images/Function.png", "Gate"));

    PreLogic logic(0, 0, "PreLgc0");
    QCOMPARE(logic.pixmap().toImage(), labelled(":/images/PreLgc.png", "PreLgc0"));

    NIMNonFnc pass(0, 0, "NonFnc0");
    QCOMPARE(pass.pixmap().toImage(), bare(":/images/NonFnc.png"));
    QCOMPARE(pass.basePixmap().toImage(), bare(":/images/NonFnc.png"));
}

void TestBlockItem::outputLabels()
{
    const QString icon = ":/images/NIMout.png";
    NIMOut seven(0, 0, "OUT-CH0");
    QCOMPARE(seven.name(), QString("OUT-CH0"));
    QCOMPARE(seven.pixmap().toImage(), labelled(icon, "Delay 60ns       OUT-CH0"));
    QCOMPARE(seven.basePixmap().toImage(), bare(icon));

    seven.setUserName("X");
    QCOMPARE(seven.pixmap().toImage(), labelled(icon, "Delay 60ns       X" + QString(9, ' ')));
    QCOMPARE(seven.name(), QString("OUT-CH0"));
    QCOMPARE(seven.userName(), QString("X"));

    NIMOut six(0, 0, "OUT-CH");
    QCOMPARE(six.pixmap().toImage(), labelled(icon, "Delay 60ns       OUT-CH" + QString(4, ' ')));

    // A full label as copied: shown unchanged, named from the channel word on.
    NIMOut copied(0, 0, "Delay 60ns       OUT-CH3");
    QCOMPARE(copied.name(), QString("OUT-CH3"));
    QCOMPARE(copied.pixmap().toImage(), labelled(icon, "Delay 60ns       OUT-CH3"));
    NIMOut noChannel(0, 0, "Delay 5");
    QCOMPARE(noChannel.name(), QString("Delay 5"));

    NIMOut empty(0, 0, "");
    QCOMPARE(empty.name(), QString());
    QCOMPARE(empty.pixmap().toImage(), bare(icon));
}

void TestBlockItem::feedbackLabels()
{
    const QString icon = ":/images/FeedBack.png";
    NIMFeedBackIN nine(0, 0, "FeedBack1");
    QCOMPARE(nine.name(), QString("FeedBack1"));
    QCOMPARE(nine.pixmap().toImage(), labelled(icon, "Delay 24ns     FeedBack1"));
    nine.setUserName("ab");
    QCOMPARE(nine.pixmap().toImage(), labelled(icon, "Delay 24ns     ab" + QString(9, ' ')));
    QCOMPARE(nine.name(), QString("FeedBack1"));

    NIMFeedBackIN eight(0, 0, "FeedBack");
    QCOMPARE(eight.pixmap().toImage(), labelled(icon, "Delay 24ns     FeedBack" + QString(3, ' ')));

    NIMFeedBackIN copied(0, 0, "Delay 24ns     FeedBack2");
    QCOMPARE(copied.name(), QString("FeedBack2"));
    QCOMPARE(copied.pixmap().toImage(), labelled(icon, "Delay 24ns     FeedBack2"));

    // "Delay " counts only at the very start for feedback inputs.
    NIMFeedBackIN inner(0, 0, "x Delay FeedBack3");
    QCOMPARE(inner.name(), QString("x Delay FeedBack3"));
    QCOMPARE(inner.pixmap().toImage(), labelled(icon, "Delay 24ns     x Delay FeedBack3"));
}

void TestBlockItem::clearingUserNameRedrawsName()
{
    NIMLabel block(0, 0, "Label0");
    block.setUserName("Trigger");
    block.setUserName("");
    QCOMPARE(block.pixmap().toImage(), labelled(":/images/Label.png", "Label0"));
    QCOMPARE(block.basePixmap().toImage(), bare(":/images/Label.png"));
}

QTEST_MAIN(TestBlockItem)
#include "tst_blockitem.moc"
