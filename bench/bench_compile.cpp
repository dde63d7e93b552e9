// Compiles a fully populated design into its register image, repeatedly, and
// reports the time per compile. Not a test: run it by hand.

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QVector>

#include <algorithm>

#include "blockitem.h"
#include "programdata.h"
#include "registerwriter.h"

namespace {

// Keeps the image in memory; nothing leaves the process.
class ImageWriter : public RegisterWriter
{
public:
    QByteArray image = QByteArray(0x10000, '\0');

protected:
    int sendWriteRequest(quint32 address, const QByteArray &data) override
    {
        std::copy(data.cbegin(), data.cend(), image.begin() + int(address));
        return data.size();
    }
    bool writeAborted() const override { return false; }
    QString moduleHostText() const override { return QStringLiteral("127.0.0.1"); }
    void reportWriteProgress(int) override {}
};

// Eleven function units; every PreLogic and PostLogic block with all eleven
// ports wired; outputs, feedback paths and measurement counters fill the
// three unit-indexed tables.
void buildDesign(ProgramData &design)
{
    int id = 0;
    QVector<BlockItem *> inputs;
    for (const QString &name : design.inputNames) {
        BlockItem *in = design.createInput(id++, 0, name);
        in->setKind(QStringLiteral("Input"));
        inputs << in;
    }
    BlockItem *extra = design.createInput(id++, 1, QStringLiteral("IN-CH0"));
    extra->setKind(QStringLiteral("Input"));
    inputs << extra;

    // Each block gets its own expression over all eleven ports.
    int variant = 0;
    auto expression = [&variant]() {
        static const char *const ops[] = {" and ", " or ", " xor "};
        QString text = QStringLiteral("(");
        for (int q = 0; q < 11; ++q) {
            if (q > 0)
                text += QLatin1String(ops[(q + variant) % 3]);
            if ((q + variant) % 4 == 0)
                text += QLatin1String("not ");
            text += QLatin1Char('_') + QChar('A' + q);
            if (q == 4)
                text += QLatin1Char(')');
        }
        ++variant;
        return text;
    };
    auto logic = [&](bool pre, const QVector<BlockItem *> &sources) {
        const QString expr = expression();
        BlockItem *block =
            pre ? design.createDefaultPreLogic(id++, 0) : design.createDefaultPostLogic(id++, 0);
        block->setKind(pre ? QStringLiteral("PreLogic") : QStringLiteral("PostLogic"));
        block->params() = expr;
        for (BlockItem *source : sources)
            block->connectInput(-1, source);
        return block;
    };

    // Feedback paths into two counters.
    BlockItem *fb[2];
    BlockItem *fbUser[2];
    for (int i = 0; i < 2; ++i) {
        fb[i] = design.createDefaultFeedBackIN(id++, 0);
        fb[i]->setKind(QStringLiteral("FeedBack"));
        fbUser[i] = design.createLabel(id++, 0, fb[i]->name());
        fbUser[i]->setKind(fb[i]->name());
    }

    QVector<BlockItem *> units;
    for (int c = 0; c < 8; ++c) {
        BlockItem *counter = design.createDefaultCntFnc(id++, 0);
        counter->setKind(QStringLiteral("CntFnc"));
        counter->params() = QStringLiteral("Mode=%1 MainCnt=%2usec SubCnt=%3nsec")
                                .arg(c == 7 ? 9 : c)
                                .arg(c + 1)
                                .arg(10 * c + 5);
        if (c < 2)
            counter->connectInput(0, fbUser[c]);
        else if (c < 7)
            counter->connectInput(0, logic(true, inputs));
        units << counter;
    }
    for (int d = 0; d < 3; ++d) {
        BlockItem *delay = design.createDefaultDlyFnc(id++, 0);
        delay->setKind(QStringLiteral("DlyFnc"));
        delay->params() = QStringLiteral("Delay=%1ns").arg(100 * d + 20);
        delay->connectInput(0, logic(true, inputs));
        units << delay;
    }

    for (int i = 0; i < 2; ++i)
        fb[i]->connectInput(0, logic(false, units));
    for (int n = 0; n < 8; ++n) {
        QString name = QStringLiteral("OUT-CH%1").arg(n);
        BlockItem *out = design.createDefaultOut(id++, 0, name);
        out->setKind(name);
        out->connectInput(0, logic(false, units));
    }
    for (int n = 0; n < 4; ++n) {
        QString name = QStringLiteral("MsrCnt%1").arg(n);
        BlockItem *counter = design.createDefaultMsrCnt(id++, 0, name);
        counter->setKind(name);
        counter->params() = QStringLiteral("Mode=5 FileSave=false PATH=/tmp");
        counter->connectInput(0, logic(false, units));
        counter->connectInput(1, logic(false, units));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv); // block pictures need the GUI application
    QTextStream out(stdout);

    ProgramData design(nullptr);
    buildDesign(design);
    design.assignResources();
    int used = 0;
    for (BlockItem *slot : design.unitSlots)
        used += slot ? 1 : 0;
    out << "design: " << design.functionBlocks.size() << " function blocks on " << used
        << " of 11 units, " << design.preLogicBlocks.size() << " PreLogic and "
        << design.postLogicBlocks.size() << " PostLogic blocks\n";

    const int rounds = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 500;
    QVector<qint64> times;
    times.reserve(rounds);
    QByteArray first;
    for (int i = 0; i < rounds; ++i) {
        ImageWriter writer;
        QElapsedTimer timer;
        timer.start();
        design.download(&writer);
        times << timer.nsecsElapsed();
        if (i == 0)
            first = writer.image;
        else if (writer.image != first)
            out << "image differs in round " << i << "\n";
    }
    std::sort(times.begin(), times.end());
    qint64 total = 0;
    for (qint64 t : times)
        total += t;
    out << "compiles: " << rounds << "\n"
        << "mean: " << QString::number(total / 1000.0 / rounds, 'f', 1) << " us per compile\n"
        << "median: " << QString::number(times.at(rounds / 2) / 1000.0, 'f', 1) << " us\n"
        << "worst: " << QString::number(times.last() / 1000.0, 'f', 1) << " us\n";
    return 0;
}
