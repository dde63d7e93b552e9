#ifndef DIALOGHOOKS_H
#define DIALOGHOOKS_H

#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QPoint;
class QWidget;

// Every question and file dialog of the window runs through here, so that
// tests can script the answers. An empty runner restores the real modal
// dialog. (Warnings, menus and text input go through ModalHooks.)
class DialogHooks
{
public:
    struct Question {
        QWidget *parent;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton;
        QString informativeText = QString();
    };
    enum FileMode { OpenFile, SaveFile };

    using QuestionRunner = std::function<QMessageBox::StandardButton(const Question &)>;
    // Returns the chosen path, or an empty text for a cancelled dialog.
    using FileRunner = std::function<QString(FileMode mode, const QString &title,
                                             const QString &directory, const QString &filter)>;

    // Runs a modal dialog of the window (device dialogs, the design-rule report before a
    // download) and returns its result; the runner fills its widgets and presses its buttons.
    using ModalRunner = std::function<int(QDialog *dialog)>;
    using InformationRunner =
        std::function<void(QWidget *parent, const QString &title, const QString &text)>;

    static void setQuestionRunner(QuestionRunner runner);
    static void setFileRunner(FileRunner runner);
    static void setModalRunner(ModalRunner runner);
    static void setInformationRunner(InformationRunner runner);

    // A warning box with the given buttons; with a position (not null) the
    // box is moved there first.
    static QMessageBox::StandardButton question(const Question &question,
                                                const QPoint *position = nullptr);
    static QString fileName(QWidget *parent, FileMode mode, const QString &title,
                            const QString &directory, const QString &filter);
    static int exec(QDialog *dialog);
    // An information box with one OK button.
    static void information(QWidget *parent, const QString &title, const QString &text);

private:
    static QuestionRunner &questionRunner();
    static FileRunner &fileRunner();
    static ModalRunner &modalRunner();
    static InformationRunner &informationRunner();
};

#endif // DIALOGHOOKS_H
