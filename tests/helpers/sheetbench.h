#ifndef SHEETBENCH_H
#define SHEETBENCH_H

#include "dragsimulator.h"
#include "testsheethost.h"

#include <QMap>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

class BlockItem;
class LabelWidget;
class MenuWidget;
class ProgramData;
class ProgramWidget;

// A design as the main window holds it: label strip, container, palette and
// sheets, all shown offscreen, driven by the events a user would cause. Drags
// run through a DragSimulator; warnings are recorded instead of shown.
class SheetBench
{
public:
    SheetBench();
    ~SheetBench();
    SheetBench(const SheetBench &) = delete;
    SheetBench &operator=(const SheetBench &) = delete;

    ProgramWidget *addSheet();

    // A press on the palette entry of the kind, its drag dropped on the sheet.
    void paletteDrop(const QString &kind, ProgramWidget *sheet, const QPoint &at);
    // A text-form drop that no widget of this process started (label strip
    // texts reach the sheet the same way). Returns whether it was accepted.
    bool dropText(ProgramWidget *sheet, const QString &text, const QPoint &at);
    // A left press on the sheet; the drag it starts is dropped on the sheet at `at`.
    void pressAndDrop(ProgramWidget *sheet, const QPoint &press, const QPoint &at);
    // A press whose drag (if any) ends outside every window.
    void press(ProgramWidget *sheet, const QPoint &point, Qt::MouseButton button = Qt::LeftButton);
    // A wire from the block's output side to the point.
    void wire(ProgramWidget *sheet, BlockItem *source, const QPoint &at);
    void key(ProgramWidget *sheet, int key);

    // Remaining units of every limited palette entry.
    QMap<QString, int> quota() const;
    // The block in that row of the column (Column enum of ProgramWidget).
    BlockItem *at(ProgramWidget *sheet, int column, int row) const;

    LabelWidget *strip = nullptr;
    ProgramData *data = nullptr;
    MenuWidget *palette = nullptr;
    TestSheetHost host;
    DragSimulator drags;
    QVector<ProgramWidget *> sheets;
    QStringList warnings; // "title|text" of every warning
};

#endif // SHEETBENCH_H
