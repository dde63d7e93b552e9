#ifndef NIMACTION_H
#define NIMACTION_H

#include <QAction>

class BlockItem;
class QIcon;
class ProgramWidget;

// Base of the context actions of one block label: bound to the block and to
// the sheet that owns the label, which is also the action's parent.
class NIMAction : public QAction
{
public:
    NIMAction(const QString &text, BlockItem *block, QObject *owner);

    BlockItem *item() const { return block; }
    ProgramWidget *sheet() const { return owner; }

protected:
    // Every block carries five actions: their icons are loaded once and shared.
    static QIcon sharedIcon(const QString &path);

    BlockItem *block;
    ProgramWidget *owner;
};

#endif // NIMACTION_H
