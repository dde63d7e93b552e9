// Save, load and one undo snapshot of a large design: four sheets, every
// palette quota used, every column filled. Prints the median of each.
#include "dialoghooks.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "programdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

QByteArray entry(const QString &term, int id, const QString &name, const QStringList &nets,
                 const QString &property = QString())
{
    QString text;
    QTextStream out(&text);
    out << "        <entry term=\"" << term << "\">\n            <id>" << id
        << "</id>\n            <name>" << name << "</name>\n";
    for (int port = 0; port < nets.size(); ++port)
        out << "            <net port=\"" << port << "\">" << nets.at(port) << "</net>\n";
    if (!property.isEmpty())
        out << "            <property>" << property << "</property>\n";
    out << "        </entry>\n";
    out.flush();
    return text.toUtf8();
}

QByteArray largeDesign()
{
    const QStringList inputs = {"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4",
                                "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT", "IN-USER"};
    // Eleven function blocks in all (the shared unit), spread over the sheets.
    const QStringList functionKinds = {"CntFnc", "CntFnc", "CntFnc", "CntFnc", "DlyFnc", "DlyFnc",
                                       "DlyFnc", "DlyFnc", "NonFnc", "NonFnc", "NonFnc"};
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Zivra3 addr=\"127.0.0.1\" "
                     "tcpPort=\"24\" udpPort=\"4660\" Timeout=\"1\" autoConnect=\"false\">\n";
    int function = 0;
    int out = 0;
    int msr = 0;
    int feedBack = 0;
    for (int sheet = 0; sheet < 4; ++sheet) {
        doc += "    <tab id=\"" + QByteArray::number(sheet) + "\" name=\"Sheet" +
               QByteArray::number(sheet + 1) + "\">\n";
        for (int i = 0; i < inputs.size(); ++i)
            doc += entry("Input", i, inputs.at(i), {});
        for (int row = 0; row <= 13; ++row)
            doc += entry("PreLogic", row, QStringLiteral("PreLgc%1_%2").arg(sheet).arg(row), inputs,
                         "(_A &amp; _B) | (_C &amp; !_D) | _E ^ _F | _G &amp; _H");
        QStringList functions;
        for (int row = 0; row < 3 && function < functionKinds.size(); ++row, ++function) {
            const QString name = QStringLiteral("Fnc%1").arg(function);
            functions.append(name);
            doc += entry(functionKinds.at(function), row, name,
                         {QStringLiteral("PreLgc%1_%2").arg(sheet).arg(row)},
                         functionKinds.at(function) == QLatin1String("CntFnc")
                             ? QStringLiteral("Mode=3 MainCnt=100nsec SubCnt=20nsec")
                             : QString());
        }
        for (int row = 0; row <= 13; ++row)
            doc += entry("PostLogic", row, QStringLiteral("PstLgc%1_%2").arg(sheet).arg(row),
                         functions, "_A | _B");
        int row = 0;
        for (int i = 0; i < 2 && out < 8; ++i, ++out)
            doc += entry(
                QStringLiteral("OUT-CH%1").arg(out), row++, QStringLiteral("OUT-CH%1").arg(out),
                {QStringLiteral("PstLgc%1_%2").arg(sheet).arg(i)}, "bNIM=true bTTL=false ");
        if (msr < 4) {
            doc += entry(
                QStringLiteral("MsrCnt%1").arg(msr), row++, QStringLiteral("MsrCnt%1").arg(msr),
                {QStringLiteral("PstLgc%1_2").arg(sheet), QStringLiteral("PstLgc%1_3").arg(sheet)},
                "Mode=5 Unit=usec FileSave=false PATH=");
            ++msr;
        }
        for (int i = 0; i < 2 && feedBack < 8; ++i, ++feedBack)
            doc += entry("FeedBack", row++, QStringLiteral("FeedBack%1").arg(feedBack),
                         {QStringLiteral("PstLgc%1_%2").arg(sheet).arg(4 + i)});
        doc += "    </tab>\n";
    }
    doc += "</Zivra3>\n";
    return doc;
}

// Many small sheets: an input wired through a PreLogic block on each.
QByteArray manySheets(int sheets)
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Zivra3 addr=\"127.0.0.1\" "
                     "tcpPort=\"24\" udpPort=\"4660\" Timeout=\"1\" autoConnect=\"false\">\n";
    for (int sheet = 0; sheet < sheets; ++sheet) {
        doc += "    <tab id=\"" + QByteArray::number(sheet) + "\" name=\"Sheet" +
               QByteArray::number(sheet + 1) + "\">\n";
        doc += entry("Input", 0, QStringLiteral("IN-CH0"), {});
        doc += entry("PreLogic", 0, QStringLiteral("PreLgc%1").arg(sheet), {"IN-CH0"}, "_A");
        doc += "    </tab>\n";
    }
    doc += "</Zivra3>\n";
    return doc;
}

double medianMs(int runs, const std::function<void()> &operation)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        operation();
        // What the operation posted (old pictures to delete, new ones to polish) the event
        // loop handles before the user sees the result.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window remembers its geometry; keep that away from the user's settings.
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    // Nobody answers a dialog here: report it and go on.
    ModalHooks::setWarningRunner([](QWidget *, const QString &title, const QString &text) {
        std::fprintf(stderr, "warning: %s: %s\n", qPrintable(title), qPrintable(text));
        return QMessageBox::Ok;
    });
    DialogHooks::setQuestionRunner([](const DialogHooks::Question &question) {
        std::fprintf(stderr, "question: %s\n", qPrintable(question.text));
        return QMessageBox::Cancel;
    });

    MainWindow window(QString(), nullptr);
    const QByteArray design = largeDesign();
    QByteArray document = design;
    if (!window.loadDiagram(document, QStringLiteral("large.zvr3"), false) ||
        !window.settingsAllTaken()) {
        std::fprintf(stderr, "the large design did not load whole\n");
        return 1;
    }
    ProgramData *data = window.design();
    const int blocks = data->inputBlocks.size() + data->preLogicBlocks.size() +
                       data->functionBlocks.size() + data->postLogicBlocks.size() +
                       data->sinkBlocks.size() + data->labelBlocks.size();

    const int runs = 21;
    const QString path = dir.filePath(QStringLiteral("large.zvr3"));
    const double save = medianMs(runs, [&] { window.save(path); });
    const double load = medianMs(runs, [&] {
        document = design;
        window.loadDiagram(document, QStringLiteral("large.zvr3"), false);
    });
    const double snapshot = medianMs(runs, [&] { window.recordUndo(); });

    std::printf("design: %d sheets, %d blocks, %d bytes\n", window.sheetCount(), blocks,
                int(design.size()));
    std::printf("save      median %8.3f ms\n", save);
    std::printf("load      median %8.3f ms   (target < 20 ms)\n", load);
    std::printf("snapshot  median %8.3f ms   (target < 2 ms)\n", snapshot);

    // Load and undo time against the sheet count: growth should be linear.
    for (const int sheets : {32, 64, 128, 256}) {
        const QByteArray many = manySheets(sheets);
        const double manyLoad = medianMs(5, [&] {
            document = many;
            window.loadDiagram(document, QStringLiteral("sheets.zvr3"), false);
        });
        if (window.sheetCount() != sheets) {
            std::fprintf(stderr, "the %d-sheet design did not load whole\n", sheets);
            return 1;
        }
        // Two snapshots of the design: undo and redo go between them.
        window.recordUndo();
        window.recordUndo();
        const double undo = medianMs(5, [&] {
            window.on_action_Undo_triggered();
            window.on_actionRe_do_triggered();
        });
        // Into a new window, every tab is made anew.
        const double fresh = medianMs(3, [&] {
            MainWindow other(QString(), nullptr);
            QByteArray text = many;
            other.loadDiagram(text, QStringLiteral("sheets.zvr3"), false);
        });
        std::printf("%3d sheets: load median %8.3f ms, undo+redo median %8.3f ms, "
                    "new window + load median %8.3f ms%s\n",
                    sheets, manyLoad, undo, fresh,
                    sheets == 256 ? "   (target < 100 ms load)" : "");
    }
    return 0;
}
