#include "mainwindow.h"

#include "msrcntwidget.h"

// The window is a child of this one; it goes once its own signal has been handled.
void MainWindow::closedVexon()
{
    if (!msrCntWidget)
        return;
    msrCntWidget->deleteLater();
    msrCntWidget = nullptr;
}
