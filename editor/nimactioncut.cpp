#include "nimactioncut.h"

#include "programwidget.h"

#include <QIcon>

NIMActionCut::NIMActionCut(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    connect(this, SIGNAL(triggered()), this, SLOT(cutItem()));
    setIcon(sharedIcon(QStringLiteral(":/Zivra_icon/Zivra_Cut.png")));
}

void NIMActionCut::cutItem()
{
    if (owner)
        owner->copySelection(true);
}
