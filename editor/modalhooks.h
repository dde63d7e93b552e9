#ifndef MODALHOOKS_H
#define MODALHOOKS_H

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class BlockItem;
class ProgramWidget;
class QAction;
class QMenu;
class QWidget;

// Every modal menu, message box, input dialogue and settings dialog of the
// editor runs through here, so that tests can answer them without a nested
// event loop.
class ModalHooks
{
public:
    // Returns the chosen action (triggered), or null when the menu was dismissed.
    using MenuRunner = std::function<QAction *(QMenu *menu, const QPoint &globalPos)>;
    using WarningRunner = std::function<QMessageBox::StandardButton(
        QWidget *parent, const QString &title, const QString &text)>;
    // Returns the answer; *ok tells whether the dialogue was accepted.
    using TextRunner = std::function<QString(QWidget *parent, const QString &title,
                                             const QString &label, const QString &text, bool *ok)>;
    using ItemRunner =
        std::function<QString(QWidget *parent, const QString &title, const QString &label,
                              const QStringList &items, int current, bool editable, bool *ok)>;

    // The block settings dialogs that the Edit action opens.
    enum SettingsDialog { LogicDialog, CntFncDialog, DlyFncDialog, MsrCntDialog, InputDialog };

    // Where and how the Edit action shows a settings dialog. For the logic
    // dialog `geometry` is the whole frame (shown without waiting); for the
    // others only its top-left corner counts (run modally).
    struct SettingsRequest {
        SettingsDialog dialog;
        ProgramWidget *sheet;
        BlockItem *block;
        QRect geometry;
        QString title;
    };
    using SettingsRunner = std::function<void(const SettingsRequest &request)>;

    // An empty runner restores the real modal behaviour.
    static void setMenuRunner(MenuRunner runner);
    static void setWarningRunner(WarningRunner runner);
    static void setTextRunner(TextRunner runner);
    static void setItemRunner(ItemRunner runner);
    static void setSettingsRunner(SettingsRunner runner);

    static QAction *execMenu(QMenu *menu, const QPoint &globalPos);
    // A warning with one OK button.
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &title,
                                               const QString &text);
    // QInputDialog::getText with normal echo.
    static QString getText(QWidget *parent, const QString &title, const QString &label,
                           const QString &text, bool *ok);
    // QInputDialog::getItem.
    static QString getItem(QWidget *parent, const QString &title, const QString &label,
                           const QStringList &items, int current, bool editable, bool *ok);
    // Opens the settings dialog of a block (SettingsDialogs::run).
    static void openSettingsDialog(const SettingsRequest &request);

private:
    static MenuRunner &menuRunner();
    static WarningRunner &warningRunner();
    static TextRunner &textRunner();
    static ItemRunner &itemRunner();
    static SettingsRunner &settingsRunner();
};

#endif // MODALHOOKS_H
