#include "mainwindow.h"

#include "blockitem.h"
#include "msrcntconfig.h"
#include "programwidget.h"
#include "ui_mainwindow.h"
#include "usercontrolrecord.h"

// ---------------------------------------------------------------- undo and redo

void MainWindow::recordUndo()
{
    if (undoSuspended)
        return;
    // A downloaded snapshot about to be dropped: its index will name another document.
    if (downloadedIndex > undoIndex)
        downloadedIndex = noDownload;
    while (undoSnapshots.size() > undoIndex + 1)
        undoSnapshots.removeLast();
    undoSnapshots.append(documentText());
    setModified(true);
    setDeviceActionsEnabled(false);
    ++undoIndex;
    ui->action_Undo->setEnabled(true);
    ui->actionRe_do->setEnabled(false);
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->update();
}

void MainWindow::on_action_Undo_triggered()
{
    if (undoIndex < 0)
        return;
    controlKeyHeld = false;
    const int tab = tabWidget->currentIndex();
    ui->actionRe_do->setEnabled(true);
    --undoIndex;
    setModified(undoIndex != savedIndex);
    setDeviceActionsEnabled(undoIndex == downloadedIndex);
    if (undoIndex == -1) {
        ui->action_Undo->setEnabled(false);
        if (baseDocument.isEmpty()) {
            clearDiagram();
            return;
        }
        rebuildDiagram(&baseDocument);
    } else {
        rebuildDiagram(&undoSnapshots[undoIndex]);
    }
    if (tab >= 0 && tab < sheets.size())
        tabWidget->setCurrentIndex(tab);
}

void MainWindow::on_actionRe_do_triggered()
{
    if (undoIndex + 1 >= undoSnapshots.size())
        return;
    controlKeyHeld = false;
    const int tab = tabWidget->currentIndex();
    ui->action_Undo->setEnabled(true);
    ++undoIndex;
    setModified(undoIndex != savedIndex);
    setDeviceActionsEnabled(undoIndex == downloadedIndex);
    if (undoIndex == undoSnapshots.size() - 1)
        ui->actionRe_do->setEnabled(false);
    rebuildDiagram(&undoSnapshots[undoIndex]);
    if (tab >= 0 && tab < sheets.size())
        tabWidget->setCurrentIndex(tab);
}

void MainWindow::clearUndoStack()
{
    undoSnapshots.clear();
    setModified(false);
    undoIndex = -1;
    savedIndex = -1;
    downloadedIndex = -1;
    ui->actionRe_do->setEnabled(false);
    ui->action_Undo->setEnabled(false);
    // The counter and user-control records of a download belong to the
    // snapshots just forgotten.
    delete msrCntConfig;
    msrCntConfig = nullptr;
    delete userControlRecord;
    userControlRecord = nullptr;
    setDeviceActionsEnabled(false);
}
