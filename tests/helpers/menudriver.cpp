#include "menudriver.h"

#include "modalhooks.h"

#include <QAction>
#include <QMenu>

MenuDriver::MenuDriver()
{
    ModalHooks::setMenuRunner([this](QMenu *menu, const QPoint &) -> QAction * {
        QVector<Entry> offered;
        QAction *chosen = nullptr;
        for (QAction *action : menu->actions()) {
            offered.append({action->text(), action->isEnabled(), !action->icon().isNull()});
            if (!chosen && action->text() == choose && action->isEnabled())
                chosen = action;
        }
        menus.append(offered);
        if (chosen)
            chosen->trigger();
        return chosen;
    });
}

MenuDriver::~MenuDriver()
{
    ModalHooks::setMenuRunner(ModalHooks::MenuRunner());
}
