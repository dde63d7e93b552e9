// ProgramData: the design rule check.

#include "programdata.h"

#include "blockitem.h"
#include "blockmode.h"

#include <QDir>
#include <QTextDocument>

namespace {

const char *const portVariables[11] = {"_A", "_B", "_C", "_D", "_E", "_F",
                                       "_G", "_H", "_I", "_J", "_K"};

} // namespace

int ProgramData::checkDesign(QTextDocument *report)
{
    QString errors;
    QString warnings;
    int errorCount = 0;
    auto error = [&](const QString &line) {
        errors += QStringLiteral("error: ") + line;
        ++errorCount;
    };
    auto warning = [&](const QString &line) { warnings += QStringLiteral("warning: ") + line; };
    // A mode no dialog can show is read as mode 0, and said so.
    auto modeRead = [&](BlockItem *block, int (*read)(BlockItem *, bool *)) {
        bool valid = true;
        const int mode = read(block, &valid);
        if (!valid) {
            QString text;
            block->param(text, QStringLiteral("Mode"));
            warning(block->displayName() + QStringLiteral(": Mode ") + text +
                    QStringLiteral(" is out of range, mode 0 is used.\n"));
        }
        return mode;
    };
    auto outportUnused = [&](BlockItem *block) {
        if (block->outputs().isEmpty())
            warning(block->displayName() + QStringLiteral(": Outport is not connected.\n"));
    };

    auto checkLogic = [&](const QVector<BlockItem *> &blocks) {
        for (BlockItem *block : blocks) {
            if (!block->kind().contains(QLatin1String("Logic")))
                continue;
            const QString name = block->displayName();
            outportUnused(block);
            const QString &expression = block->params();
            if (expression.isEmpty()) {
                error(name + QStringLiteral(" is unconfigured.\n"));
                continue;
            }
            for (int port = 0; port < 11; ++port) {
                const QString variable = QLatin1String(portVariables[port]);
                const bool used = expression.contains(variable);
                const bool wired = block->inputAt(port) != nullptr;
                if (!used && wired)
                    warning(name + QStringLiteral(": ") + variable +
                            QStringLiteral(" is connected, but not used.\n"));
                else if (used && !wired)
                    error(name + QStringLiteral(": ") + variable +
                          QStringLiteral(" is not connected.\n"));
            }
        }
    };

    checkLogic(preLogicBlocks);

    for (BlockItem *block : functionBlocks) {
        outportUnused(block);
        const QString &kind = block->kind();
        if (kind.contains(QLatin1String("Label")))
            continue;
        if (kind == QLatin1String("CntFnc") && modeRead(block, &BlockMode::counterMode) == 9) {
            if (block->inputAt(0))
                warning(block->displayName() +
                        QStringLiteral(": InputPort is connected, but not used.\n"));
            continue;
        }
        if (!block->inputAt(0))
            error(block->displayName() + QStringLiteral(": InputPort is not connected.\n"));
    }

    checkLogic(postLogicBlocks);

    for (BlockItem *block : sinkBlocks) {
        const QString &kind = block->kind();
        if (kind.contains(QLatin1String("MsrCnt"))) {
            const QString name = block->displayName();
            if (!block->params().isEmpty()) {
                QString fileSave;
                block->param(fileSave, QStringLiteral("FileSave"));
                const bool saving =
                    fileSave != QLatin1String("0") && fileSave != QLatin1String("false");
                if (saving) {
                    QString path;
                    block->param(path, QStringLiteral("PATH"));
                    if (!QDir(path).exists())
                        error(name + QStringLiteral(": ") +
                              QStringLiteral("Save path does not exist.\n"));
                }
            }
            const int mode = modeRead(block, &BlockMode::measureMode);
            if ((mode & 0x3) == 0) {
                if (block->inputAt(0))
                    warning(name + QStringLiteral(": GATE is connected, but not used.\n"));
            } else if (!block->inputAt(0)) {
                error(name + QStringLiteral(": GATE is not connected.\n"));
            }
            if ((mode & 0xC) == 0) {
                if (block->inputAt(1))
                    warning(name + QStringLiteral(": SRC is connected, but not used.\n"));
            } else if (!block->inputAt(1)) {
                error(name + QStringLiteral(": SRC is not connected.\n"));
            }
        } else if (!block->inputAt(0)) {
            const QString name =
                kind.contains(QLatin1String("OUT-CH")) ? kind : block->displayName();
            error(name + QStringLiteral(": InputPort is not connected.\n"));
        }
    }

    for (BlockItem *block : labelBlocks)
        outportUnused(block);

    const QString text = errors + warnings;
    if (report)
        report->setPlainText(text.isEmpty() ? QStringLiteral("No error detected.") : text);
    if (text.isEmpty())
        return 0;
    return errorCount > 0 ? errorCount : -1;
}
