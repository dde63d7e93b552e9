#ifndef LABELWIDGET_H
#define LABELWIDGET_H

#include "dragwidget.h"
#include "labelregistry.h"

#include <QPixmap>
#include <QVector>

class QPaintEvent;
struct LabelEntry;

// The label strip: one entry per label of the design. Feedback labels fill the
// first row, the others follow eight to a row. For the sheet shown, an entry
// is ON (may be dragged onto the sheet to place a user) or OFF (already there).
class LabelWidget : public DragWidget, public LabelRegistry
{
    Q_OBJECT

public:
    explicit LabelWidget(QWidget *parent = nullptr);
    ~LabelWidget() override;

    void registerLabelSource(BlockItem *block) override;
    // Marks the label placed or not on the current sheet; returns its text.
    QString setLabelUsed(const QString &name, bool used);
    void removeLabel(const QString &name);
    void setLabelText(const QString &name, const QString &text);
    bool isLabelPlaced(const QString &name, int sheet = -1);
    bool isLabelInUse(const QString &name);
    void clearLabels();
    void addLabelEntry(LabelEntry *entry);
    void addFeedBackEntry(LabelEntry *entry);
    static bool labelLessThan(QString a, QString b);

    const QVector<LabelEntry *> &labels() const { return labelEntries; }
    const QVector<LabelEntry *> &feedBacks() const { return feedBackEntries; }
    int currentTab() const { return currentSheet; }

public slots:
    void setCurrentTab(int sheet);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;

private:
    static bool isFeedBackName(const QString &name);
    QVector<LabelEntry *> &listFor(const QString &name);
    LabelEntry *find(const QString &name);
    bool isFeedBackEntry(const LabelEntry *entry) const;
    // The picture of the entry's mark on the sheet, without text.
    QPixmap statePicture(LabelEntry *entry, int sheet);
    QPixmap textPicture(LabelEntry *entry);
    void placeInGrid(LabelEntry *entry, int index, bool feedBack);
    // Destroys the entry's label and shows it anew at its grid position.
    void relabel(LabelEntry *entry);
    void insertSorted(QVector<LabelEntry *> &list, LabelEntry *entry, bool feedBack);
    void updateMinimumWidth();
    QSize cellSize() const;

    QVector<LabelEntry *> feedBackEntries;
    QVector<LabelEntry *> labelEntries;
    LabelEntry *pressedEntry = nullptr;
    int currentSheet = 0;
};

#endif // LABELWIDGET_H
