// Copy and cut to the clipboard, and the placing of blocks restored from a
// document or pasted from the clipboard.

#include "programwidget.h"

#include "blockitem.h"
#include "blockmode.h"
#include "labelwidget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QStringList>
#include <QTextStream>

void ProgramWidget::copySelection(bool cut)
{
    QString text;
    QTextStream stream(&text, QIODevice::WriteOnly);
    stream << "<Zivra_Copy_Items>\n";
    if (selection.isEmpty()) {
        if (currentItem)
            currentItem->writeXml(stream, currentItem->kind(), 1);
    } else {
        for (BlockItem *block : qAsConst(selection))
            block->writeXml(stream, block->kind(), 1);
    }
    stream << "</Zivra_Copy_Items>\n";
    stream.flush();
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
    if (cut) {
        // A cut removes what it copied: a selected wire is not part of it.
        lineSelected = false;
        deleteSelection();
    }
}

int ProgramWidget::freeRowForItem(const QString &kind, QString &name, const QStringList &used)
{
    Column column;
    if (kind == QLatin1String("Input"))
        column = InputColumn;
    else if (kind == QLatin1String("PostLogic") || kind == QLatin1String("Label"))
        column = PostLogicColumn;
    else if (kind.startsWith(QLatin1String("OUT-CH")) || kind.startsWith(QLatin1String("MsrCnt")) ||
             kind == QLatin1String("FeedBack"))
        column = OutputColumn;
    else if (kind == QLatin1String("PreLogic") || kind.startsWith(QLatin1String("FeedBack")) ||
             (kind.startsWith(QLatin1String("PreLabel")) && kind != QLatin1String("PreLabel")))
        column = PreLogicColumn;
    else if (kind == QLatin1String("PreLabel") || kind == QLatin1String("CntFnc") ||
             kind == QLatin1String("DlyFnc") || kind == QLatin1String("NonFnc") ||
             kind.startsWith(QLatin1String("Label")))
        column = FunctionColumn;
    else
        return -1;

    const int row = findFreeRow(*mapOf(column), columnPitch[column], 0, 1);
    if (kind.startsWith(QLatin1String("OUT-CH")) || kind.startsWith(QLatin1String("MsrCnt"))) {
        name = QString(); // the design container numbers the channel itself
        return row;
    }
    if (kind == QLatin1String("Input")) {
        uniqueChannel(name, used);
        return row;
    }
    const bool labelKind =
        kind.contains(QLatin1String("Label")) || kind.startsWith(QLatin1String("FeedBack"));
    if (!labelKind || kind == QLatin1String("FeedBack") || kind == QLatin1String("Label") ||
        kind == QLatin1String("PreLabel"))
        makeUniqueName(name, used);
    return row;
}

void ProgramWidget::uniqueChannel(QString &name, const QStringList &used)
{
    // Channel names are unique per sheet only, and every design name check
    // refuses them: a pasted input keeps its channel where this sheet lacks
    // it, else takes the first channel neither here nor given to this paste.
    QStringList free;
    lookupItem(QStringLiteral("Input"), free);
    if (free.contains(name) && !used.contains(name))
        return;
    for (const QString &channel : qAsConst(free)) {
        if (!used.contains(channel)) {
            name = channel;
            return;
        }
    }
    name.clear();
}

void ProgramWidget::placeLoadedItem(const QString &kind, BlockItem *block)
{
    if (!block)
        return;
    enum Extra { None, BoldName, ModeNine, MeasureMode, LabelUsed, FeedBackMarks };
    Column column;
    int top;
    Extra extra = None;
    if (kind == QLatin1String("PostLogic")) {
        column = PostLogicColumn, top = 90, extra = BoldName;
    } else if (kind == QLatin1String("PreLogic")) {
        column = PreLogicColumn, top = 90, extra = BoldName;
    } else if (kind == QLatin1String("PreLabel")) {
        column = FunctionColumn, top = 106;
    } else if (kind == QLatin1String("Label")) {
        column = PostLogicColumn, top = 106;
    } else if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc")) {
        column = FunctionColumn, top = 104, extra = ModeNine;
    } else if (kind == QLatin1String("NonFnc")) {
        column = FunctionColumn, top = 116;
    } else if (kind.startsWith(QLatin1String("PreLabel"))) {
        column = PreLogicColumn, top = 106, extra = LabelUsed;
    } else if (kind.startsWith(QLatin1String("Label"))) {
        column = FunctionColumn, top = 106, extra = LabelUsed;
    } else if (kind.startsWith(QLatin1String("MsrCnt"))) {
        column = OutputColumn, top = 104, extra = MeasureMode;
    } else if (kind.startsWith(QLatin1String("OUT-CH")) || kind == QLatin1String("FeedBack")) {
        column = OutputColumn, top = 106;
        if (kind == QLatin1String("FeedBack"))
            extra = FeedBackMarks;
    } else if (kind.startsWith(QLatin1String("FeedBack"))) {
        column = PreLogicColumn, top = 106, extra = LabelUsed;
    } else if (kind == QLatin1String("Input")) {
        column = InputColumn, top = 104;
    } else {
        return;
    }

    QMap<int, BlockItem *> *map = mapOf(column);
    const int pitch = columnPitch[column];
    int row = block->id();
    if (map->contains(row) && map->value(row) != block) {
        // Two entries of a document claim one row: the later one moves to a
        // free row rather than hide the other from the sheet (and the file).
        row = findFreeRow(*map, pitch, 0, 1);
        if (row < 0)
            row = map->lastKey() + 1;
        block->setId(row);
    }
    map->insert(row, block);
    block->setPos(QPoint(columnX[column], top + pitch * row));

    switch (extra) {
    case None:
        break;
    case BoldName:
        if (block->params().isEmpty())
            block->setPixmap(captionedPixmap(block->basePixmap(), block->displayName(), true));
        break;
    case ModeNine:
        if (kind == QLatin1String("CntFnc") && BlockMode::counterMode(block) == 9) {
            block->setBasePixmap(QPixmap(QStringLiteral(":/images/Function0.png")));
            block->setPixmap(captionedPixmap(block->basePixmap(), block->displayName(), false));
        }
        break;
    case MeasureMode: {
        const int mode = BlockMode::measureMode(block);
        if (mode != 0) {
            const char *picture = (mode & 0x3) == 0   ? ":/images/MsrCnt2.png"
                                  : (mode & 0xC) == 0 ? ":/images/MsrCnt1.png"
                                                      : ":/images/MsrCnt.png";
            block->setBasePixmap(QPixmap(QString::fromLatin1(picture)));
            block->setPixmap(captionedPixmap(block->basePixmap(), block->displayName(), false));
        }
        break;
    }
    case LabelUsed:
        if (labelWidget)
            labelWidget->setLabelUsed(block->name(), true);
        break;
    case FeedBackMarks:
        if (labelWidget) {
            const QString &name = block->name();
            const int at = name.indexOf(QLatin1String("FeedBack"));
            const QString label = at < 0 ? name : name.mid(at);
            bool used = false;
            for (BlockItem *user : qAsConst(preLogicItems))
                used = used || user->kind() == label;
            labelWidget->setLabelUsed(label, used);
        }
        break;
    }

    QPixmap shown = block->pixmap();
    QLabel *label = createPixmapLabel(this, block->pos().x(), block->pos().y(), QString(), shown);
    block->setOwner(label);
    label->setContextMenuPolicy(Qt::ActionsContextMenu);

    const bool editable =
        kind == QLatin1String("PreLogic") || kind == QLatin1String("PostLogic") ||
        kind == QLatin1String("Input") || kind.contains(QLatin1String("CntFnc")) ||
        kind.contains(QLatin1String("DlyFnc")) || kind.contains(QLatin1String("OUT-CH")) ||
        kind.contains(QLatin1String("MsrCnt"));
    const bool renameOnly = kind == QLatin1String("FeedBack") || kind == QLatin1String("Label") ||
                            kind == QLatin1String("PreLabel");
    attachItemActions(label, block, editable, editable || renameOnly);
}
