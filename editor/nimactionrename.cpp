#include "nimactionrename.h"

#include "blockitem.h"
#include "modalhooks.h"
#include "namerule.h"
#include "programwidget.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLabel>

NIMActionRename::NIMActionRename(const QString &text, BlockItem *block, QObject *owner)
    : NIMAction(text, block, owner)
{
    connect(this, SIGNAL(triggered()), this, SLOT(rename()));
    setIcon(sharedIcon(QStringLiteral(":/Zivra_icon/Zivra_rename2.png")));
}

void NIMActionRename::rename()
{
    if (!block || !owner)
        return;
    const QString oldName = block->displayName();
    const QString &ownName = block->name();
    const QString title =
        ownName.contains(QLatin1String("IN-")) || ownName.contains(QLatin1String("OUT-CH"))
            ? ownName
            : oldName;
    const QString label = QCoreApplication::translate("NIMActionRename", "Please enter new name.");
    QString offered = oldName;
    for (;;) {
        bool ok = false;
        const QString answer = ModalHooks::getText(owner, title, label, offered, &ok);
        if (!ok)
            return;
        const QString newName = answer.trimmed();
        offered = answer;
        if (newName == oldName)
            return;
        if (!NameRule::hasValidCharacters(newName)) {
            ModalHooks::warning(owner, oldName, NameRule::characterMessage());
            continue;
        }
        if (!NameRule::isFree(owner, newName, {block->name()})) {
            ModalHooks::warning(owner, oldName, NameRule::inUseMessage(newName));
            offered = newName;
            continue;
        }
        block->setUserName(newName);
        if (QLabel *shown = block->owner()) {
            shown->setPixmap(block->pixmap());
            shown->show();
        }
        owner->renameItem(block->name(), newName);
        return;
    }
}
