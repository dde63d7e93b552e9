#include "mainwindow.h"

#include "blockitem.h"
#include "customscroll.h"
#include "dialoghooks.h"
#include "modalhooks.h"
#include "programwidget.h"
#include "ui_mainwindow.h"

#include <QHBoxLayout>
#include <QHash>
#include <QMenu>
#include <QTabBar>

// ---------------------------------------------------------------- sheet tabs

void MainWindow::tabNew(bool record)
{
    const int n = sheets.size();
    if (!spareSheets.isEmpty()) {
        // A sheet of the design just cleared: its tab stands at n already.
        sheets.append(spareSheets.takeFirst());
        setTabName(n, defaultSheetName(n));
        if (record)
            recordUndo();
        return;
    }

    auto *layout = new QHBoxLayout;
    auto *scroll = new CustomScroll;
    scroll->setBackgroundRole(QPalette::Base);
    scroll->setWidgetResizable(true);
    auto *sheet = new ProgramWidget(n, programData, menuWidget, labelWidget, this, scroll);
    sheets.append(sheet);
    scroll->setWidget(sheet);
    layout->addWidget(scroll);
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tab%1").arg(n));

    // Every change to the tab bar lays out all its tabs: the new one goes in
    // before the "+" tab, which stays.
    tabWidget->insertTab(n, page, defaultSheetName(n));
    page->setLayout(layout);
    page->show();
    // Chosen, the "+" tab gives way to the last sheet before the new one.
    if (tabWidget->currentIndex() == n + 1)
        tabWidget->setCurrentIndex(qMax(n - 1, 0));

    if (record)
        recordUndo();
}

QString MainWindow::defaultSheetName(int count) const
{
    QHash<QString, int> taken;
    for (int i = 0; i < count; ++i)
        ++taken[tabName(i)];
    // A name borne by k tabs moves the candidate number on by k.
    for (int m = 1;;) {
        const QString text = QStringLiteral("Sheet%1").arg(m);
        const int k = taken.value(text);
        if (k == 0)
            return text;
        m += k;
    }
}

void MainWindow::addPlusTab()
{
    const int plusIndex = tabWidget->addTab(new QWidget, QStringLiteral("+"));
    tabWidget->tabBar()->setTabButton(plusIndex, QTabBar::LeftSide, nullptr);
    tabWidget->tabBar()->setTabButton(plusIndex, QTabBar::RightSide, nullptr);
}

void MainWindow::tabNew()
{
    tabNew(true);
}

void MainWindow::setCurrentTab(int index)
{
    if (index < 0 || index == currentSheetIndex)
        return;
    if (index >= sheets.size()) {
        if (tabKeyHeld)
            tabWidget->setCurrentIndex(0);
        else
            tabNew(true);
        return;
    }
    emit currentTabChanged(index);
    ProgramWidget *sheet = sheets.at(index);
    sheet->clearSelection(true);
    if (ProgramWidget *previous = currentSheetWidget())
        disconnect(previous, SIGNAL(itemSelect(bool)), this, SLOT(itemSelect(bool)));
    connect(sheet, SIGNAL(itemSelect(bool)), this, SLOT(itemSelect(bool)));
    currentSheetIndex = index;
    itemSelect(false);
}

void MainWindow::tabRename()
{
    const int index = tabWidget->currentIndex();
    if (index < 0 || index >= sheets.size())
        return;
    bool accepted = false;
    const QString text = ModalHooks::getText(this, tr("Tab Rename"), tr("Please enter a new name."),
                                             tabName(index), &accepted);
    if (!accepted)
        return;
    if (text.trimmed().isEmpty())
        return;
    setTabName(index, text);
    recordUndo();
}

void MainWindow::tabDelete(int index)
{
    if (index < 0 || index >= sheets.size())
        return;
    const QPoint where = mapToGlobal(QPoint(100, 100));
    const DialogHooks::Question question{nullptr, tabName(index),
                                         tr("Are you sure you want to remove this sheet?"),
                                         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes};
    if (DialogHooks::question(question, &where) != QMessageBox::Yes)
        return;
    if (sheets.size() == 1) {
        // As for any other sheet: one undo step, and the connection settings stay.
        const ConnectionSettings kept = connectionSettings;
        clearDiagram();
        connectionSettings = kept;
        recordUndo();
        return;
    }
    tabWidget->setCurrentIndex(index == 0 ? 1 : 0);
    sheets.at(index)->clearSheet();
    QWidget *page = tabWidget->widget(index);
    // The tab widget must not announce the shifted tabs while the sheet list
    // still holds the doomed one.
    const bool blocked = tabWidget->blockSignals(true);
    tabWidget->removeTab(index);
    tabWidget->blockSignals(blocked);
    ProgramWidget *doomed = sheets.takeAt(index);
    if (currentSheetIndex > index)
        --currentSheetIndex;
    delete doomed;
    delete page;
    recordUndo();
    // Fresh sheets: every sheet after the deleted one has a new index.
    clearDiagram();
    readXmlData(&undoSnapshots[undoIndex]);
}

void MainWindow::showTabMenu(const QPoint &pos)
{
    QTabBar *bar = tabWidget->tabBar();
    const int index = bar->tabAt(bar->mapFrom(tabWidget, pos));
    if (index < 0)
        return;
    tabWidget->setCurrentIndex(index);
    QMenu menu(this);
    menu.addAction(ui->actionTabNew);
    menu.addAction(ui->actionRename);
    ModalHooks::execMenu(&menu, tabWidget->mapToGlobal(pos));
}
