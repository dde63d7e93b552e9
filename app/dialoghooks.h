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
    // Directory: an existing directory, only directories shown.
    enum FileMode { OpenFile, SaveFile, Directory };

    using QuestionRunner = std::function<QMessageBox::StandardButton(const Question &)>;
    // Returns the chosen path, or an empty text for a cancelled dialog.
    using FileRunner = std::function<QString(FileMode mode, const QString &title,
                                             const QString &directory, const QString &filter)>;

    // Runs a modal dialog in place of exec(); returns its result code.
    using DialogRunner = std::function<int(QDialog *dialog)>;
    using InformationRunner =
        std::function<void(QWidget *parent, const QString &title, const QString &text)>;

    static void setQuestionRunner(QuestionRunner runner);
    static void setDialogRunner(DialogRunner runner);
    static void setFileRunner(FileRunner runner);
    static void setInformationRunner(InformationRunner runner);

    // A warning box with the given buttons; with a position (not null) the
    // box is moved there first.
    static QMessageBox::StandardButton question(const Question &question,
                                                const QPoint *position = nullptr);
    static QString fileName(QWidget *parent, FileMode mode, const QString &title,
                            const QString &directory, const QString &filter);
    // The dialog run modally, as exec() runs it.
    static int exec(QDialog *dialog);
    // An information box with one OK button.
    static void information(QWidget *parent, const QString &title, const QString &text);

private:
    static QuestionRunner &questionRunner();
    static FileRunner &fileRunner();
    static DialogRunner &dialogRunner();
    static InformationRunner &informationRunner();
};

#endif // DIALOGHOOKS_H
