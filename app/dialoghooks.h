#ifndef DIALOGHOOKS_H
#define DIALOGHOOKS_H

#include <QMessageBox>
#include <QString>
#include <functional>

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
    };
    // Directory: an existing directory, only directories shown.
    enum FileMode { OpenFile, SaveFile, Directory };

    using QuestionRunner = std::function<QMessageBox::StandardButton(const Question &)>;
    // Returns the chosen path, or an empty text for a cancelled dialog.
    using FileRunner = std::function<QString(FileMode mode, const QString &title,
                                             const QString &directory, const QString &filter)>;

    static void setQuestionRunner(QuestionRunner runner);
    static void setFileRunner(FileRunner runner);

    // A warning box with the given buttons; with a position (not null) the
    // box is moved there first.
    static QMessageBox::StandardButton question(const Question &question,
                                                const QPoint *position = nullptr);
    static QString fileName(QWidget *parent, FileMode mode, const QString &title,
                            const QString &directory, const QString &filter);

private:
    static QuestionRunner &questionRunner();
    static FileRunner &fileRunner();
};

#endif // DIALOGHOOKS_H
