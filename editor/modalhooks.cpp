#include "modalhooks.h"

#include <QMenu>
#include <QPoint>
#include <QString>
#include <QWidget>

ModalHooks::MenuRunner &ModalHooks::menuRunner()
{
    static MenuRunner runner;
    return runner;
}

ModalHooks::WarningRunner &ModalHooks::warningRunner()
{
    static WarningRunner runner;
    return runner;
}

void ModalHooks::setMenuRunner(MenuRunner runner)
{
    menuRunner() = std::move(runner);
}

void ModalHooks::setWarningRunner(WarningRunner runner)
{
    warningRunner() = std::move(runner);
}

QAction *ModalHooks::execMenu(QMenu *menu, const QPoint &globalPos)
{
    if (menuRunner())
        return menuRunner()(menu, globalPos);
    return menu->exec(globalPos);
}

QMessageBox::StandardButton ModalHooks::warning(QWidget *parent, const QString &title,
                                                const QString &text)
{
    if (warningRunner())
        return warningRunner()(parent, title, text);
    return QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}
