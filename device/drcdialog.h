#ifndef DRCDIALOG_H
#define DRCDIALOG_H

#include <QDialog>

class QSplitter;
class QTextEdit;
class QVBoxLayout;

namespace Ui {
class DrcDialog;
}

// Shows the design rule check report, a document that belongs to the main window. Report mode
// (withDownload false): the report alone, filling the window. Download mode: the report above
// Download and Cancel; Download tells the parent to go on through drcClosed(true).
class DrcDialog : public QDialog
{
    Q_OBJECT

public:
    DrcDialog(bool withDownload, QWidget *parent);
    ~DrcDialog() override;

    // The read-only view whose document the main window sets.
    QTextEdit *textEdit = nullptr;

signals:
    void drcClosed(bool go);

private slots:
    void on_downloadButton_clicked();

private:
    Ui::DrcDialog *ui;
    QSplitter *splitter = nullptr;
    QVBoxLayout *layout = nullptr;
};

#endif // DRCDIALOG_H
