#include "modalhooks.h"

#include "settingsdialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
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

ModalHooks::TextRunner &ModalHooks::textRunner()
{
    static TextRunner runner;
    return runner;
}

ModalHooks::ItemRunner &ModalHooks::itemRunner()
{
    static ItemRunner runner;
    return runner;
}

ModalHooks::SettingsRunner &ModalHooks::settingsRunner()
{
    static SettingsRunner runner;
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

void ModalHooks::setTextRunner(TextRunner runner)
{
    textRunner() = std::move(runner);
}

void ModalHooks::setItemRunner(ItemRunner runner)
{
    itemRunner() = std::move(runner);
}

void ModalHooks::setSettingsRunner(SettingsRunner runner)
{
    settingsRunner() = std::move(runner);
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

QString ModalHooks::getText(QWidget *parent, const QString &title, const QString &label,
                            const QString &text, bool *ok)
{
    if (textRunner())
        return textRunner()(parent, title, label, text, ok);
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

QString ModalHooks::getItem(QWidget *parent, const QString &title, const QString &label,
                            const QStringList &items, int current, bool editable, bool *ok)
{
    if (itemRunner())
        return itemRunner()(parent, title, label, items, current, editable, ok);
    return QInputDialog::getItem(parent, title, label, items, current, editable, ok);
}

void ModalHooks::openSettingsDialog(const SettingsRequest &request)
{
    if (settingsRunner())
        settingsRunner()(request);
    else
        SettingsDialogs::run(request);
}
