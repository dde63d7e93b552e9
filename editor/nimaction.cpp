#include "nimaction.h"

#include "programwidget.h"

#include <QHash>
#include <QIcon>

NIMAction::NIMAction(const QString &text, BlockItem *block, QObject *owner)
    : QAction(text, owner), block(block), owner(qobject_cast<ProgramWidget *>(owner))
{}

QIcon NIMAction::sharedIcon(const QString &path)
{
    static QHash<QString, QIcon> icons;
    auto it = icons.find(path);
    if (it == icons.end())
        it = icons.insert(path, QIcon(path));
    return it.value();
}
