#include "mainwindow.h"

#include "blockitem.h"
#include "customscroll.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "msrcntconfig.h"
#include "programdata.h"
#include "programwidget.h"
#include "ui_mainwindow.h"
#include "usercontrolrecord.h"
#include "zivraresources.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>

namespace {

const char copyHeader[] = "<Zivra_Copy_Items>\n";

// keyPressEvent is protected in QWidget; the window hands key events to the
// current sheet as if they had reached it.
struct KeyForwarder : QWidget {
    static void press(QWidget *target, QKeyEvent *event)
    {
        (target->*static_cast<void (QWidget::*)(QKeyEvent *)>(&KeyForwarder::keyPressEvent))(event);
    }
};

} // namespace

MainWindow::MainWindow(const QString &fileName, const ConnectionSettings *startup, QWidget *parent)
    : QMainWindow(parent)
{
    ZivraResources::ensureLoaded();
    ui = new Ui::MainWindow;
    ui->setupUi(this);

    // The stored rectangle is the client area; the frame stands 9 pixels left
    // of it and 36 above.
    setGeometry(9, 36, 950, 690);
    settings = new QSettings(QStringLiteral("Quorix"), QStringLiteral("Zivra"), this);
    settings->beginGroup(QStringLiteral("mainwindow"));
    const QRect stored = settings->value(QStringLiteral("geometry"), geometry()).toRect();
    settings->endGroup();
    QPoint frame(stored.x() - 9, stored.y() - 36);
    // Frames of other sizes than assumed (or none at all) shift the window a
    // little with every run; once its corner leaves the desktop it is pulled
    // back, so that the menu bar stays reachable.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableVirtualGeometry();
        if (!desktop.isEmpty() && !desktop.contains(frame)) {
            frame.setX(qBound(desktop.left(), frame.x(),
                              qMax(desktop.left(), desktop.right() + 1 - stored.width())));
            frame.setY(qBound(desktop.top(), frame.y(),
                              qMax(desktop.top(), desktop.bottom() + 1 - stored.height())));
        }
    }
    move(frame);
    resize(stored.width(), stored.height());

    auto *verticalSplitter = new QSplitter(Qt::Vertical);
    auto *labelScroll = new QScrollArea;
    labelScroll->setBackgroundRole(QPalette::Base);
    labelScroll->setWidgetResizable(true);
    labelWidget = new LabelWidget;
    labelScroll->setWidget(labelWidget);

    tabWidget = new QTabWidget(verticalSplitter);
    tabWidget->setTabShape(QTabWidget::Rounded);
    tabWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    tabWidget->setTabsClosable(true);
    tabWidget->setMovable(false);
    tabWidget->setMaximumWidth(820);
    tabWidget->setMinimumHeight(100);
    connect(tabWidget, SIGNAL(tabCloseRequested(int)), this, SLOT(tabDelete(int)));
    connect(tabWidget, SIGNAL(customContextMenuRequested(const QPoint &)), this,
            SLOT(showTabMenu(const QPoint &)));

    auto *firstPage = new QWidget;
    firstPage->setObjectName(QStringLiteral("tab0"));
    auto *firstLayout = new QHBoxLayout(firstPage);
    tabWidget->addTab(firstPage, tr("Sheet1"));
    addPlusTab();

    verticalSplitter->addWidget(tabWidget);
    verticalSplitter->addWidget(labelScroll);
    verticalSplitter->setStretchFactor(0, 1);
    verticalSplitter->setStretchFactor(1, 0);

    programData = new ProgramData(labelWidget);

    auto *horizontalSplitter = new QSplitter(Qt::Horizontal);
    auto *menuScroll = new QScrollArea;
    menuScroll->setWidgetResizable(true);
    menuWidget = new MenuWidget(programData);
    menuScroll->setWidget(menuWidget);
    horizontalSplitter->addWidget(verticalSplitter);
    horizontalSplitter->addWidget(menuScroll);
    horizontalSplitter->setStretchFactor(0, 1);
    horizontalSplitter->setStretchFactor(1, 1);
    setCentralWidget(horizontalSplitter);

    auto *scroll = new CustomScroll;
    scroll->setBackgroundRole(QPalette::Base);
    scroll->setWidgetResizable(true);
    auto *sheet = new ProgramWidget(0, programData, menuWidget, labelWidget, this, scroll);
    sheets.append(sheet);
    scroll->setWidget(sheet);
    firstLayout->addWidget(scroll);
    firstPage->show();
    currentSheetIndex = 0;

    connect(QApplication::clipboard(), SIGNAL(dataChanged()), this, SLOT(isCopyText()));
    connect(sheet, SIGNAL(itemSelect(bool)), this, SLOT(itemSelect(bool)));
    connect(tabWidget, SIGNAL(currentChanged(int)), this, SLOT(setCurrentTab(int)));
    connect(this, SIGNAL(currentTabChanged(int)), labelWidget, SLOT(setCurrentTab(int)));

    connect(ui->actionNew, SIGNAL(triggered()), this, SLOT(newDiagram()));
    connect(ui->actionOpen, SIGNAL(triggered()), this, SLOT(open()));
    connect(ui->actionSave, SIGNAL(triggered()), this, SLOT(save()));
    connect(ui->actionSaveAs, SIGNAL(triggered()), this, SLOT(saveAs()));
    connect(ui->actionTabNew, SIGNAL(triggered()), this, SLOT(tabNew()));
    connect(ui->actionRename, SIGNAL(triggered()), this, SLOT(tabRename()));
    topWindow = parent ? parent : this;
    connect(ui->actionQuit, SIGNAL(triggered()), topWindow, SLOT(close()));

    setTitle(tr("NewFile"));

    if (startup) {
        connectionSettings = *startup;
        startupSettings = *startup;
    } else {
        connectionSettings = ConnectionSettings();
        startupSettings.host.clear();
    }

    ui->toolBar->addAction(ui->actionNew);
    ui->toolBar->addAction(ui->actionOpen);
    ui->toolBar->addAction(ui->actionSave);
    ui->toolBar->addSeparator();
    ui->toolBar->addAction(ui->actionCut);
    ui->toolBar->addAction(ui->actionCopy);
    ui->toolBar->addAction(ui->actionPaste);
    ui->toolBar->addAction(ui->action_Delete);
    ui->toolBar->addSeparator();
    ui->toolBar->addAction(ui->action_Undo);
    ui->toolBar->addAction(ui->actionRe_do);
    ui->toolBar->addSeparator();
    ui->toolBar->addAction(ui->action_DRC);
    ui->toolBar->addAction(ui->action_Property);
    ui->toolBar->addAction(ui->action_Download);
    ui->toolBar->addAction(ui->actionVe_xon);
    ui->toolBar->addAction(ui->action_User_Control);
    setDeviceActionsEnabled(false);

    for (QAction *&act : recentFileActs) {
        act = new QAction(this);
        act->setVisible(false);
        connect(act, SIGNAL(triggered()), this, SLOT(openRecentFile()));
        ui->menu_Recent_Files->addAction(act);
    }
    updateRecentFileActions();

    if (!fileName.isEmpty())
        open(fileName);
}

MainWindow::~MainWindow()
{
    // A running operation reads the design and reports here: it ends before anything goes.
    stopModuleThread();
    delete emptyDesign;
    // Dialogs still open (or forgotten and not yet deleted) may show the report document or
    // run threads of their own.
    qDeleteAll(findChildren<QDialog *>(QString(), Qt::FindDirectChildrenOnly));
    settings->beginGroup(QStringLiteral("mainwindow"));
    settings->setValue(QStringLiteral("geometry"), geometry());
    settings->endGroup();
    delete settings;
    settings = nullptr;
    delete msrCntConfig;
    msrCntConfig = nullptr;
    delete userControlRecord;
    userControlRecord = nullptr;

    // The sheets go before the blocks, with the pictures and actions that point at them.
    qDeleteAll(sheets);
    sheets.clear();
    qDeleteAll(spareSheets);
    spareSheets.clear();
    delete menuWidget;
    delete programData;
    delete labelWidget;
    delete ui;
}

// ---------------------------------------------------------------- window state

QAction *MainWindow::action(const char *objectName) const
{
    return findChild<QAction *>(QString::fromLatin1(objectName));
}

ProgramWidget *MainWindow::sheetAt(int index) const
{
    return index >= 0 && index < sheets.size() ? sheets.at(index) : nullptr;
}

ProgramWidget *MainWindow::currentSheetWidget() const
{
    return sheetAt(currentSheetIndex);
}

// The tab bar reads "&" as a mnemonic marker: names are stored with it
// doubled, so that a sheet called "R&D" shows as written.
QString MainWindow::tabName(int index) const
{
    QString name = tabWidget->tabText(index);
    name.replace(QLatin1String("&&"), QLatin1String("&"));
    return name;
}

void MainWindow::setTabName(int index, const QString &name)
{
    QString text = name;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    // Each new text lays out the whole tab bar.
    if (tabWidget->tabText(index) != text)
        tabWidget->setTabText(index, text);
}

void MainWindow::setTitle(const QString &name)
{
    topWindow->setWindowTitle(tr("%1[*] - %2").arg(name, tr("Zivra")));
}

void MainWindow::setModified(bool modified)
{
    setWindowModified(modified);
    if (topWindow != this)
        topWindow->setWindowModified(modified);
}

void MainWindow::setDeviceActionsEnabled(bool enabled)
{
    ui->actionVe_xon->setEnabled(enabled && msrCntConfig);
    ui->action_User_Control->setEnabled(enabled && userControlRecord);
}

void MainWindow::itemSelect(bool selected)
{
    ui->actionCut->setEnabled(selected);
    ui->actionCopy->setEnabled(selected);
    ui->action_Delete->setEnabled(selected);
}

bool MainWindow::isPasteEnabled() const
{
    return ui->actionPaste->isEnabled();
}

void MainWindow::paste()
{
    on_actionPaste_triggered();
}

void MainWindow::passKeyToSheet(QEvent *event)
{
    if (ProgramWidget *sheet = sheetAt(tabWidget->currentIndex()))
        KeyForwarder::press(sheet, static_cast<QKeyEvent *>(event));
}

bool MainWindow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        // One physical press of Delete, Up or Down (a shortcut override, a
        // key press, then the repeats) reaches the sheet once.
        auto once = [this, event](bool &held) {
            if (held)
                return;
            held = true;
            passKeyToSheet(event);
        };
        switch (keyEvent->key()) {
        case Qt::Key_Tab:
            tabKeyHeld = true;
            break;
        case Qt::Key_Control:
            controlKeyHeld = true;
            passKeyToSheet(event);
            break;
        case Qt::Key_Shift:
            shiftKeyHeld = true;
            passKeyToSheet(event);
            break;
        case Qt::Key_Delete:
            once(deleteKeyHeld);
            break;
        case Qt::Key_Up:
            once(upKeyHeld);
            break;
        case Qt::Key_Down:
            once(downKeyHeld);
            break;
        default:
            passKeyToSheet(event);
            break;
        }
        return QMainWindow::event(event);
    }
    case QEvent::KeyRelease:
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Tab:
            tabKeyHeld = false;
            break;
        case Qt::Key_Control:
            controlKeyHeld = false;
            break;
        case Qt::Key_Shift:
            shiftKeyHeld = false;
            break;
        case Qt::Key_Delete:
            deleteKeyHeld = false;
            break;
        case Qt::Key_Up:
            upKeyHeld = false;
            break;
        case Qt::Key_Down:
            downKeyHeld = false;
            break;
        default:
            break;
        }
        return QMainWindow::event(event);
    case QEvent::Close:
        if (maybeSave() == QMessageBox::Cancel) {
            event->ignore();
            controlKeyHeld = false;
            return true;
        }
        return QMainWindow::event(event);
    default:
        return QMainWindow::event(event);
    }
}

// ---------------------------------------------------------------- edit commands

void MainWindow::on_actionSelect_All_triggered()
{
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->selectAll();
}

void MainWindow::on_action_Delete_triggered()
{
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->deleteSelection();
}

void MainWindow::on_actionCopy_triggered()
{
    controlKeyHeld = false;
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->copySelection(false);
}

void MainWindow::on_actionCut_triggered()
{
    controlKeyHeld = false;
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->copySelection(true);
}

void MainWindow::isCopyText()
{
    ui->actionPaste->setEnabled(
        QApplication::clipboard()->text().startsWith(QLatin1String(copyHeader)));
}

void MainWindow::on_actionPaste_triggered()
{
    // Copied text is UTF-8 like every document.
    QByteArray text = QApplication::clipboard()->text().toUtf8();
    controlKeyHeld = false;
    pasting = true;
    pasteRenames.clear();
    pasteNames.clear();
    readPasteData(&text);
    readXmlData(&text);
    pasteRenames.clear();
    pasteNames.clear();
    pasting = false;
    recordUndo();
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->update();
}
