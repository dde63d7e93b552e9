#include "scriptedanswers.h"

#include "dialoghooks.h"
#include "modalhooks.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

ScriptedAnswers::ScriptedAnswers()
{
    ModalHooks::setWarningRunner([this](QWidget *, const QString &title, const QString &text) {
        warnings.append(title + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    });
    ModalHooks::setMenuRunner([this](QMenu *menu, const QPoint &) -> QAction * {
        QStringList texts;
        for (QAction *action : menu->actions())
            texts.append(action->text());
        menus.append(texts.join(QLatin1Char(',')));
        return nullptr;
    });
    DialogHooks::setQuestionRunner([this](const DialogHooks::Question &question) {
        questions.append(question.title + QLatin1Char('|') + question.text);
        if (buttons.isEmpty()) {
            ++unexpected;
            return QMessageBox::Cancel;
        }
        return buttons.dequeue();
    });
    DialogHooks::setFileRunner(
        [this](DialogHooks::FileMode, const QString &title, const QString &, const QString &) {
            fileDialogs.append(title);
            if (files.isEmpty()) {
                ++unexpected;
                return QString();
            }
            return files.dequeue();
        });
    DialogHooks::setInformationRunner([this](QWidget *, const QString &title, const QString &text) {
        informations.append(title + QLatin1Char('|') + text);
    });
    DialogHooks::setDialogRunner([this](QDialog *dialog) {
        dialogTitles.append(dialog->windowTitle());
        modals.append(dialog->objectName());
        if (dialogs.isEmpty()) {
            ++unexpected;
            return int(QDialog::Rejected);
        }
        return dialogs.dequeue()(dialog);
    });
    ModalHooks::setTextRunner(
        [this](QWidget *, const QString &, const QString &, const QString &text, bool *ok) {
            if (texts.isEmpty()) {
                ++unexpected;
                *ok = false;
                return QString();
            }
            const QPair<bool, QString> answer = texts.dequeue();
            *ok = answer.first;
            return answer.first ? answer.second : text;
        });
}

ScriptedAnswers::~ScriptedAnswers()
{
    ModalHooks::setWarningRunner(nullptr);
    ModalHooks::setMenuRunner(nullptr);
    DialogHooks::setQuestionRunner(nullptr);
    DialogHooks::setFileRunner(nullptr);
    DialogHooks::setDialogRunner(nullptr);
    ModalHooks::setTextRunner(nullptr);
    DialogHooks::setInformationRunner(nullptr);
}
