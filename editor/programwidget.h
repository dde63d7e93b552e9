#ifndef PROGRAMWIDGET_H
#define PROGRAMWIDGET_H

#include "dragwidget.h"

#include <QColor>
#include <QLine>
#include <QMap>
#include <QPair>
#include <QPoint>
#include <QVector>

class BlockItem;
class LabelWidget;
class MenuWidget;
class ProgramData;
class QLabel;
class QPixmap;
class QRect;
class QStringList;
class QTextStream;
class SheetHost;

// Draws the text centred on the pixmap (when not empty), then shows the pixmap
// in a new delete-on-close QLabel child of the parent at (x, y).
QLabel *createPixmapLabel(QWidget *parent, int x, int y, const QString &text, QPixmap &pixmap);

// Draws the text centred on the pixmap in the painter's default font, made
// smaller only when the text would otherwise be cut at the picture's sides.
void drawCentredText(QPixmap &pixmap, const QString &text);

// A copy of the picture with the text drawn centred in the block caption font.
QPixmap captionedPixmap(const QPixmap &base, const QString &text, bool bold);

// A copy of the pixmap with its whole rectangle filled with the colour.
QPixmap tintedPixmap(const QPixmap &pixmap, const QColor &color);

// The drawing surface of one sheet: block labels in five fixed columns, the
// wires between them, the selection and the feedback of a drag in progress.
class ProgramWidget : public DragWidget
{
    Q_OBJECT

public:
    // Grid of the sheet: label x of each column, row pitch, and the x bounds by
    // which presses and double clicks pick a column.
    enum Column { InputColumn, PreLogicColumn, FunctionColumn, PostLogicColumn, OutputColumn };
    static const int columnX[5];
    static const int columnPitch[5];
    static const int headerBottom = 81; // y of the last row of the header strip
    static Column columnAt(int x);

    ProgramWidget(int sheet, ProgramData *programData, MenuWidget *menuWidget,
                  LabelWidget *labelWidget, SheetHost *mainWindow, QWidget *parent = nullptr);
    ~ProgramWidget() override;

    int sheet() const { return sheetIndex; }

    void selectInMap(const QRect &rect, QMap<int, BlockItem *> &map);
    void clearSelection(bool dropCurrent);
    void addToSelection(BlockItem *block);

    // Wire hit test: selects the cached wire nearest the point.
    bool selectLineAt(const QPoint &point);
    static double distanceToSegment(const QLine &segment, const QPoint &point);

    // The block whose settings a double click at the point opens, or null.
    BlockItem *blockToEdit(const QPoint &point);

    // Must run before the design container destroys a block of this sheet:
    // nothing of the sheet may keep pointing at it afterwards.
    void forgetBlock(BlockItem *block);
    // The same for every block of the sheet at once (the design is cleared): their pictures
    // and context actions go too.
    void forgetAllBlocks();

    // ---- Placing blocks ----
    // First row from `start` on, walking by `step`, that the map leaves free;
    // -1 (or any negative value) when the column has none.
    static int findFreeRow(const QMap<int, BlockItem *> &map, int pitch, int start, int step);
    // The free row, walking from `row` by `step`, whose band holds the target;
    // without a target simply the next free row.
    static int findFreeRowNear(const QMap<int, BlockItem *> &map, int pitch, int row, int step,
                               int y, const QPoint *target);
    void attachItemActions(QLabel *label, BlockItem *block, bool withEdit, bool withRename);
    void makeUniqueName(QString &name, const QStringList &taken);

    // ---- Pointer and keys ----
    bool moveItemRows(BlockItem *block, int step, const QPoint *target);
    void moveItemColumn(BlockItem *block, bool left);
    // Takes ownership of the rectangle; null means from the anchor to the current block.
    void selectInRect(QRect *rect);
    void selectAll();

    // ---- Deletion ----
    void deleteItem(BlockItem *block);
    void deleteSelection();
    // Removes the wire into one input port of the block: one undo step.
    void deleteInput(BlockItem *block, int port);

    // ---- Services for dialogs, the main window and the document reader ----
    void lookupItem(const QString &kind, QStringList &out);
    bool checkName(const QString &name, bool checkNames);
    BlockItem *findBlock(const QString &name, int sheet);
    // The block's settings become those of every block of the channel, on
    // every sheet.
    void shareChannelSettings(BlockItem *block, const QString &channel);
    void updateItemView(BlockItem *block, const QString &text);
    void renameItem(const QString &oldName, const QString &newName);
    void writeItems(QTextStream *stream, int indent);
    BlockItem *addInputItem(QString &name);
    void clearSheet();
    // One undo snapshot through the window.
    void recordUndo();

    // ---- Clipboard and restored blocks ----
    void copySelection(bool cut);
    int freeRowForItem(const QString &kind, QString &name, const QStringList &used);
    void uniqueChannel(QString &name, const QStringList &used);
    void placeLoadedItem(const QString &kind, BlockItem *block);

    const QVector<BlockItem *> &selectedItems() const { return selection; }
    BlockItem *current() const { return currentItem; }
    // Wire segments of the last paint, in paint order, with the block each feeds.
    const QVector<QPair<QLine, BlockItem *>> &cachedLines() const { return lineCache; }
    QLabel *statusLine() const { return statusLabel; }
    // The column map of a column; the row of a block is its id.
    const QMap<int, BlockItem *> &columnItems(Column column) const;

signals:
    void itemSelect(bool selected);

public slots:
    void showMenu(const QPoint &pos);
    void deleteLine();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Opens the settings dialog of a block.
    void openEditor(BlockItem *block);
    // Shows the block's own picture on its label, or that picture tinted.
    static void showPlain(BlockItem *block);
    void showSelected(BlockItem *block);
    // The hit rectangle of a wire segment; flat segments get 2 pixels either side.
    static QRect segmentRect(const QLine &segment);

    // Palette units; without a palette nothing is counted.
    bool takeUnit(const QString &kind);
    void giveUnit(const QString &kind);
    // The palette unit a wire from the source into the target took comes back.
    void giveWireUnit(BlockItem *source, BlockItem *target);
    // The creation and wire drops.
    // False when the drop was refused and has ended (event ignored).
    bool dropNewBlock(const QString &text);
    void dropWireEnd(const QString &text);
    void connectFunctionInput(BlockItem *target, BlockItem *source, const QString &sourceText);
    void dropMove();
    // The block under a press, searched by the column of the press x.
    BlockItem *blockAtPress(const QPoint &point);
    // The label of a deleted block goes, with the actions it carried.
    void releaseLabel(QLabel *label);
    // Label sources take their users on every sheet and their strip entry along.
    void removeLabelSource(BlockItem *block);
    QMap<int, BlockItem *> *mapOf(Column column);
    // The palette entry that counts a block of the Output column.
    static QString unitOfOutput(const QString &kind);

    int sheetIndex;
    SheetHost *mainWindow;
    ProgramData *programData;
    MenuWidget *menuWidget;
    LabelWidget *labelWidget;
    QMap<int, BlockItem *> inputItems;
    QMap<int, BlockItem *> preLogicItems;
    QMap<int, BlockItem *> postLogicItems;
    QMap<int, BlockItem *> functionItems;
    QMap<int, BlockItem *> outputItems;
    QVector<QPair<QLine, BlockItem *>> lineCache;
    BlockItem *currentItem = nullptr;
    BlockItem *anchorItem = nullptr;
    QVector<BlockItem *> selection;
    QColor selectionColor;
    bool lineSelected = false;
    bool rebuildLines = true;
    bool drawingLine = false;
    bool movingItems = false;
    bool rubberBand = false;
    QPoint pressPos;
    QPoint dragPos;
    QPoint lineEndPos;
    QLabel *statusLabel = nullptr;

private slots:
    void pasteFromMenu();
};

// The most recently created sheet that still exists; the settings dialogs reach
// the sheet services through it. Null when no sheet exists.
extern ProgramWidget *currentProgramWidget;

#endif // PROGRAMWIDGET_H
