#ifndef MENUWIDGET_H
#define MENUWIDGET_H

#include "dragwidget.h"

#include <QVector>

class ProgramData;
class QLabel;
class QPaintEvent;
struct PaletteEntry;

// The block palette: thirteen entries, ten dragged onto sheets as new blocks
// and three ("NET") that only count wires. Limited entries carry a quota that
// mirrors what the module holds; the sheets take and give back units.
//
// Every function block ("CntFnc", "DlyFnc", "NonFnc") also holds one unit of
// "PostLogicInfo", so at most eleven function blocks exist in all.
class MenuWidget : public DragWidget
{
    Q_OBJECT

public:
    explicit MenuWidget(ProgramData *programData, QWidget *parent = nullptr);
    ~MenuWidget() override;

    // delta -1 takes a unit, +1 gives one back; an empty kind names the entry
    // pressed last. False when refused; the counts are then unchanged.
    bool adjustQuota(int delta, const QString &kind);
    bool adjustEntryQuota(int delta, PaletteEntry *entry);
    void resetQuotas();
    bool setRemaining(int count, PaletteEntry *entry);
    bool setRemainingByKind(int count, const QString &kind);
    // Kind of the entry strictly inside whose picture the point lies; it
    // becomes the current entry. Empty when none.
    QString kindAt(int x, int y);
    void addEntry(const QString &kind, int x, int y, const QString &caption, const QPixmap &picture,
                  int remaining, int maximum);

    const QVector<PaletteEntry *> &paletteEntries() const { return entries; }
    PaletteEntry *entryOfKind(const QString &kind) const;
    PaletteEntry *pressedEntry() const { return currentEntry; }
    // The text an entry shows on its picture: "%1(%2/%3)" for a limited one.
    static QString entryText(const PaletteEntry *entry);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    static bool isFunctionKind(const QString &kind);
    static bool isWireCounter(const QString &kind);
    void redrawEntry(PaletteEntry *entry);

    ProgramData *programData;
    QVector<PaletteEntry *> entries;
    PaletteEntry *currentEntry = nullptr;
    QLabel *draggedLabel = nullptr;
};

#endif // MENUWIDGET_H
