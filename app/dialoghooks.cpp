#include "dialoghooks.h"

#include <QDialog>
#include <QFileDialog>
#include <QPoint>

DialogHooks::QuestionRunner &DialogHooks::questionRunner()
{
    static QuestionRunner runner;
    return runner;
}

DialogHooks::FileRunner &DialogHooks::fileRunner()
{
    static FileRunner runner;
    return runner;
}

DialogHooks::InformationRunner &DialogHooks::informationRunner()
{
    static InformationRunner runner;
    return runner;
}

void DialogHooks::setInformationRunner(InformationRunner runner)
{
    informationRunner() = std::move(runner);
}

void DialogHooks::information(QWidget *parent, const QString &title, const QString &text)
{
    if (informationRunner())
        informationRunner()(parent, title, text);
    else
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

DialogHooks::DialogRunner &DialogHooks::dialogRunner()
{
    static DialogRunner runner;
    return runner;
}

void DialogHooks::setDialogRunner(DialogRunner runner)
{
    dialogRunner() = std::move(runner);
}

int DialogHooks::exec(QDialog *dialog)
{
    if (dialogRunner())
        return dialogRunner()(dialog);
    return dialog->exec();
}

void DialogHooks::setQuestionRunner(QuestionRunner runner)
{
    questionRunner() = std::move(runner);
}

void DialogHooks::setFileRunner(FileRunner runner)
{
    fileRunner() = std::move(runner);
}

QMessageBox::StandardButton DialogHooks::question(const Question &question, const QPoint *position)
{
    if (questionRunner())
        return questionRunner()(question);
    QMessageBox box(QMessageBox::Warning, question.title, question.text, question.buttons,
                    question.parent);
    box.setDefaultButton(question.defaultButton);
    if (!question.informativeText.isEmpty())
        box.setInformativeText(question.informativeText);
    if (position)
        box.move(*position);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString DialogHooks::fileName(QWidget *parent, FileMode mode, const QString &title,
                              const QString &directory, const QString &filter)
{
    if (fileRunner())
        return fileRunner()(mode, title, directory, filter);
    if (mode == OpenFile)
        return QFileDialog::getOpenFileName(parent, title, directory, filter);
    if (mode == Directory)
        return QFileDialog::getExistingDirectory(parent, title, directory,
                                                 QFileDialog::ShowDirsOnly);
    return QFileDialog::getSaveFileName(parent, title, directory, filter);
}
