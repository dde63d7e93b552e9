#ifndef SCRIPTEDANSWERS_H
#define SCRIPTEDANSWERS_H

#include <QMessageBox>
#include <QPair>
#include <QQueue>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;

// Answers every dialog of the window from queues while it lives and records
// what was asked. A question without a queued answer is answered Cancel and
// recorded as unexpected.
class ScriptedAnswers
{
public:
    ScriptedAnswers();
    ~ScriptedAnswers();
    ScriptedAnswers(const ScriptedAnswers &) = delete;
    ScriptedAnswers &operator=(const ScriptedAnswers &) = delete;

    QQueue<QMessageBox::StandardButton> buttons;
    QQueue<QString> files; // empty text: the dialog is cancelled
    QQueue<QPair<bool, QString>> texts;
    // Each runs one modal dialog (filling its widgets, pressing its buttons) and returns its
    // result; a dialog without one is rejected and recorded as unexpected.
    QQueue<std::function<int(QDialog *)>> dialogs;

    QStringList warnings;     // "title|text"
    QStringList questions;    // "title|text"
    QStringList fileDialogs;  // dialog titles
    QStringList dialogTitles; // modal dialogs run, by window title
    QStringList modals;       // modal dialogs run, by object name
    QStringList menus;        // action texts of each menu shown, joined by ","
    QStringList informations; // "title|text"
    int unexpected = 0;
};

#endif // SCRIPTEDANSWERS_H
