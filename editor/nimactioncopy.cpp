#include "nimactioncopy.h"

#include "programwidget.h"

#include <QIcon>

NIMActionCopy::NIMActionCopy(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    connect(this, SIGNAL(triggered()), this, SLOT(copyItem()));
    setIcon(sharedIcon(QStringLiteral(":/Zivra_icon/Zivra_copy.png")));
}

void NIMActionCopy::copyItem()
{
    if (owner)
        owner->copySelection(false);
}
