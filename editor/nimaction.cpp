#include "nimaction.h"

#include "programwidget.h"

NIMAction::NIMAction(const QString &text, BlockItem *block, QObject *owner)
    : QAction(text, owner), block(block), owner(qobject_cast<ProgramWidget *>(owner))
{
}
