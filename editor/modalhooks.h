#ifndef MODALHOOKS_H
#define MODALHOOKS_H

#include <QMessageBox>
#include <functional>

class QAction;
class QMenu;
class QPoint;
class QString;
class QWidget;

// Every modal menu and message box of the editor runs through here, so that
// tests can answer them without a nested event loop.
class ModalHooks
{
public:
    // Returns the chosen action (triggered), or null when the menu was dismissed.
    using MenuRunner = std::function<QAction *(QMenu *menu, const QPoint &globalPos)>;
    using WarningRunner = std::function<QMessageBox::StandardButton(
        QWidget *parent, const QString &title, const QString &text)>;

    // An empty runner restores the real modal behaviour.
    static void setMenuRunner(MenuRunner runner);
    static void setWarningRunner(WarningRunner runner);

    static QAction *execMenu(QMenu *menu, const QPoint &globalPos);
    // A warning with one OK button.
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title,
                                               const QString &text);

private:
    static MenuRunner &menuRunner();
    static WarningRunner &warningRunner();
};

#endif // MODALHOOKS_H
