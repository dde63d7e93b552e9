#include "designkit.h"

#include "blockitem.h"
#include "programdata.h"

DesignKit::DesignKit(ProgramData &design, int sheet) : m_design(design), m_sheet(sheet) {}

BlockItem *DesignKit::input(const QString &name, const QString &settings)
{
    BlockItem *block = m_design.createInput(nextId(), m_sheet, name);
    block->setKind(QStringLiteral("Input"));
    block->params() = settings;
    return block;
}

static BlockItem *wireLogic(BlockItem *block, const QString &kind, const QString &expression,
                            const QList<BlockItem *> &sources)
{
    block->setKind(kind);
    block->params() = expression;
    for (BlockItem *source : sources)
        block->connectInput(-1, source);
    return block;
}

BlockItem *DesignKit::preLogic(const QString &expression, const QList<BlockItem *> &sources)
{
    return wireLogic(m_design.createDefaultPreLogic(nextId(), m_sheet), QStringLiteral("PreLogic"),
                     expression, sources);
}

BlockItem *DesignKit::postLogic(const QString &expression, const QList<BlockItem *> &sources)
{
    return wireLogic(m_design.createDefaultPostLogic(nextId(), m_sheet),
                     QStringLiteral("PostLogic"), expression, sources);
}

BlockItem *DesignKit::counter(const QString &settings, BlockItem *source)
{
    BlockItem *block = m_design.createDefaultCntFnc(nextId(), m_sheet);
    block->setKind(QStringLiteral("CntFnc"));
    block->params() = settings;
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::delay(const QString &settings, BlockItem *source)
{
    BlockItem *block = m_design.createDefaultDlyFnc(nextId(), m_sheet);
    block->setKind(QStringLiteral("DlyFnc"));
    block->params() = settings;
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::pass(BlockItem *source)
{
    QString name;
    BlockItem *block = m_design.createDefaultNonFnc(nextId(), m_sheet, name);
    block->setKind(QStringLiteral("NonFnc"));
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::output(int channel, BlockItem *source, const QString &settings)
{
    QString name = QStringLiteral("OUT-CH") + QString::number(channel);
    BlockItem *block = m_design.createDefaultOut(nextId(), m_sheet, name);
    block->setKind(name);
    block->params() = settings;
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::msrCnt(int channel, BlockItem *gate, BlockItem *source,
                             const QString &settings)
{
    QString name = QStringLiteral("MsrCnt") + QString::number(channel);
    BlockItem *block = m_design.createDefaultMsrCnt(nextId(), m_sheet, name);
    block->setKind(name);
    block->params() = settings;
    if (gate)
        block->connectInput(0, gate);
    if (source)
        block->connectInput(1, source);
    return block;
}

BlockItem *DesignKit::feedback(BlockItem *source)
{
    BlockItem *block = m_design.createDefaultFeedBackIN(nextId(), m_sheet);
    block->setKind(QStringLiteral("FeedBack"));
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::feedbackUser(BlockItem *feedback)
{
    BlockItem *block = m_design.createLabel(nextId(), m_sheet, feedback->name());
    block->setKind(feedback->name());
    return block;
}

BlockItem *DesignKit::preLabel(BlockItem *source)
{
    BlockItem *block = m_design.createDefaultLabelIN(nextId(), m_sheet);
    block->setKind(QStringLiteral("PreLabel"));
    if (source)
        block->connectInput(0, source);
    return block;
}

BlockItem *DesignKit::labelUser(BlockItem *labelSource)
{
    BlockItem *block = m_design.createLabel(nextId(), m_sheet, labelSource->name());
    block->setKind(QStringLiteral("Pre") + labelSource->name());
    return block;
}

void DesignKit::buildFullDesign(ProgramData &design)
{
    DesignKit kit(design);
    QList<BlockItem *> in;
    for (int n = 0; n < 8; ++n) {
        const QString settings = QStringLiteral("bUser=%1 bHigh=%2 Vth=%3")
                                     .arg(n % 3 == 0 ? "true" : "false", n % 2 ? "true" : "false")
                                     .arg(100 * n + 40000);
        in << kit.input(QStringLiteral("IN-CH") + QString::number(n), settings);
    }
    BlockItem *opt = kit.input(QStringLiteral("IN-OPT"));
    opt->params() = QStringLiteral("bUserControl=true");
    in << opt;
    BlockItem *user = kit.input(QStringLiteral("IN-USER"));
    user->params() = QStringLiteral("MainCnt=1.5usec SubCnt=20nsec Disp=x");
    in << user;

    // PreLogic blocks, one with all ten channels.
    BlockItem *all = kit.preLogic(
        QStringLiteral("(_A and _B) or (_C xor _D) or not (_E and _F and _G) and _H or _I xor _J"),
        in);
    BlockItem *p1 = kit.preLogic(QStringLiteral("_A or _B"), {in[0], in[9]});
    BlockItem *p2 = kit.preLogic(QStringLiteral("_A and not _B"), {in[1], in[2]});
    BlockItem *p3 = kit.preLogic(QStringLiteral("_A xor _B xor _C"), {in[3], in[4], in[8]});
    BlockItem *p4 = kit.preLogic(QStringLiteral("not _A"), {in[5]});
    BlockItem *p5 = kit.preLogic(QStringLiteral("_A and _B or _C"), {in[6], in[7], in[9]});

    BlockItem *labelSource = kit.preLabel(p5);
    kit.setSheet(1);
    BlockItem *labelUser = kit.labelUser(labelSource);
    kit.setSheet(0);

    // Function units: six counters (one oscillator, one fed back), three
    // delays, two pass-through units: eleven in all.
    BlockItem *c0 = kit.counter(QStringLiteral("Mode=9 MainCnt=100nsec SubCnt=40nsec"), nullptr);
    BlockItem *c1 = kit.counter(QStringLiteral("Mode=0 MainCnt=1usec SubCnt=10nsec"), all);
    BlockItem *c2 = kit.counter(QStringLiteral("Mode=3 MainCnt=2msec SubCnt=1sec Disp=d"), p1);
    BlockItem *c3 = kit.counter(QString(), p2);
    BlockItem *c4 = kit.counter(QStringLiteral("Mode=10 MainCnt=7 SubCnt=3"), labelUser);
    BlockItem *d0 = kit.delay(QStringLiteral("Delay=1.5us"), p3);
    BlockItem *d1 = kit.delay(QStringLiteral("Delay=20ns"), p4);
    BlockItem *d2 = kit.delay(QStringLiteral("Delay=250"), labelUser);
    BlockItem *n0 = kit.pass(p1);
    BlockItem *n1 = kit.pass(labelUser);

    // PostLogic: one block over all eleven units, others for outputs,
    // feedback and counters.
    const QList<BlockItem *> units = {c0, c1, c2, c3, c4, d0, d1, d2, n0, n1};
    BlockItem *fb = kit.feedback(nullptr);
    BlockItem *fbUser = kit.feedbackUser(fb);
    BlockItem *c5 = kit.counter(QStringLiteral("Mode=5 MainCnt=50nsec SubCnt=30nsec"), fbUser);
    BlockItem *wide = kit.postLogic(
        QStringLiteral("_A and _B or _C and _D or _E xor _F or _G and not _H or _I and _J or _K"),
        units + QList<BlockItem *>{c5});
    BlockItem *q1 = kit.postLogic(QStringLiteral("_A or _B"), {c1, d0});
    BlockItem *q2 = kit.postLogic(QStringLiteral("_A and _B"), {c2, n0});
    BlockItem *q3 = kit.postLogic(QStringLiteral("not _A"), {c5});
    fb->connectInput(0, q3);

    kit.output(0, wide, QStringLiteral("bNIM=true bTTL=true "));
    kit.output(1, q1, QStringLiteral("bNIM=false bTTL=true "));
    kit.output(2, q2);
    kit.output(3, q3, QStringLiteral("bNIM=true bTTL=false "));
    for (int n = 4; n < 8; ++n)
        kit.output(n, n % 2 ? q1 : wide);
    kit.msrCnt(0, q1, q2, QStringLiteral("Mode=5 FileSave=false PATH=/tmp"));
    kit.msrCnt(1, wide, nullptr, QStringLiteral("Mode=1 FileSave=false PATH=/tmp"));
    kit.msrCnt(2, nullptr, q3, QStringLiteral("Mode=4 Unit=kHz FileSave=false PATH=/tmp"));
    kit.msrCnt(3, q2, wide, QStringLiteral("Mode=15 FileSave=false PATH=/tmp"));
}
