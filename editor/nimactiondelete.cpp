#include "nimactiondelete.h"

#include "programwidget.h"

#include <QIcon>

NIMActionDelete::NIMActionDelete(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    connect(this, SIGNAL(triggered()), this, SLOT(deleteItem()));
    setIcon(sharedIcon(QStringLiteral(":/images/delbutton.png")));
}

void NIMActionDelete::deleteItem()
{
    if (owner)
        owner->deleteItem(block);
}
