#include "mainwindow.h"

#include "blockitem.h"
#include "customscroll.h"
#include "dialoghooks.h"
#include "labelwidget.h"
#include "linkednames.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "programdata.h"
#include "programwidget.h"
#include "saxhandler.h"
#include "ui_mainwindow.h"
#include "zivraresources.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <QXmlInputSource>
#include <QXmlSimpleReader>
#pragma GCC diagnostic pop

namespace {

const char copyHeader[] = "<Zivra_Copy_Items>\n";
const char fileFilter[] = QT_TRANSLATE_NOOP(
    "MainWindow", "Zivra3 Files (*.zvr3);;Zivra Files (*.zvr);;XML Files (*.xml)");

// keyPressEvent is protected in QWidget; the window hands key events to the
// current sheet as if they had reached it.
struct KeyForwarder : QWidget {
    static void press(QWidget *target, QKeyEvent *event)
    {
        (target->*static_cast<void (QWidget::*)(QKeyEvent *)>(&KeyForwarder::keyPressEvent))(event);
    }
};

bool isOutputName(const QString &name, const QString &prefix, int count)
{
    if (name.isEmpty() || name == prefix)
        return true;
    for (int n = 0; n < count; ++n) {
        if (name == prefix + QString::number(n))
            return true;
    }
    return false;
}

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
    tabWidget->addTab(new QWidget, QStringLiteral("+"));
    tabWidget->tabBar()->setTabButton(1, QTabBar::LeftSide, nullptr);
    tabWidget->tabBar()->setTabButton(1, QTabBar::RightSide, nullptr);

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
    settings->beginGroup(QStringLiteral("mainwindow"));
    settings->setValue(QStringLiteral("geometry"), geometry());
    settings->endGroup();
    delete settings;
    settings = nullptr;

    for (ProgramWidget *sheet : qAsConst(sheets))
        sheet->forgetAllBlocks();
    delete menuWidget;
    delete programData;
    delete labelWidget;
    delete ui;
    qDeleteAll(sheets);
    sheets.clear();
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

// ---------------------------------------------------------------- document

QByteArray MainWindow::documentText()
{
    QByteArray bytes;
    {
        QTextStream stream(&bytes, QIODevice::WriteOnly);
        writeXml(&stream);
    }
    return bytes;
}

void MainWindow::writeXml(QTextStream *stream)
{
    stream->setCodec("UTF-8");
    *stream << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    *stream << "<Zivra3 addr=\"" << BlockItem::escapeAttribute(connectionSettings.host)
            << "\" tcpPort=\"" << connectionSettings.tcpPort << "\" udpPort=\""
            << connectionSettings.udpPort << "\" Timeout=\"" << connectionSettings.timeout
            << "\" autoConnect=\"" << (connectionSettings.autoConnect ? "true" : "false")
            << "\">\n";
    for (int i = 0; i < sheets.size(); ++i) {
        *stream << "    <tab id=\"" << i << "\" name=\"" << BlockItem::escapeAttribute(tabName(i))
                << "\">\n";
        sheets.at(i)->writeItems(stream, 2);
        *stream << "    </tab>\n";
    }
    *stream << "</Zivra3>\n";
    stream->flush();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
bool MainWindow::parseDocument(QByteArray *data, bool prePass, bool *rootMissing)
{
    QXmlInputSource source;
    source.setData(*data);
    QXmlSimpleReader reader;
    SaxHandler handler(this);
    handler.setPrePass(prePass);
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    const bool ok = reader.parse(&source);
    *rootMissing = handler.isRootMissing();
    return ok;
}
#pragma GCC diagnostic pop

bool MainWindow::readXmlData(QByteArray *data)
{
    allSettingsTaken = true;
    bool rootMissing = true;
    if (!parseDocument(data, false, &rootMissing)) {
        noRootElement = false;
        return false;
    }
    noRootElement = rootMissing;
    return !rootMissing;
}

bool MainWindow::readPasteData(QByteArray *data)
{
    bool rootMissing = true;
    return parseDocument(data, true, &rootMissing) && !rootMissing;
}

int MainWindow::columnOfKind(const QString &kind)
{
    if (kind == QLatin1String("Input"))
        return 0;
    if (kind == QLatin1String("PostLogic") || kind == QLatin1String("Label"))
        return 3;
    if (kind.startsWith(QLatin1String("OUT-CH")) || kind.startsWith(QLatin1String("MsrCnt")) ||
        kind == QLatin1String("FeedBack"))
        return 4;
    if (kind == QLatin1String("PreLogic") || kind.startsWith(QLatin1String("FeedBack")) ||
        (kind.startsWith(QLatin1String("PreLabel")) && kind != QLatin1String("PreLabel")))
        return 1;
    if (kind == QLatin1String("PreLabel") || kind == QLatin1String("CntFnc") ||
        kind == QLatin1String("DlyFnc") || kind == QLatin1String("NonFnc") ||
        kind.startsWith(QLatin1String("Label")))
        return 2;
    return -1;
}

int MainWindow::lastRowOfColumn(int column)
{
    // A row is usable while row x pitch stays within 924 pixels.
    if (column < 0 || column > 4)
        return -1;
    return 924 / ProgramWidget::columnPitch[column];
}

bool MainWindow::isRowTaken(int sheet, int column, int row) const
{
    return sheets.at(sheet)->columnItems(ProgramWidget::Column(column)).contains(row);
}

int MainWindow::portLimit(const QString &kind)
{
    // Highest input port of a kind; -1 for blocks without inputs.
    if (kind == QLatin1String("PreLogic") || kind == QLatin1String("PostLogic"))
        return 10;
    if (kind.startsWith(QLatin1String("MsrCnt")))
        return 1;
    if (kind == QLatin1String("Input"))
        return -1;
    return 0;
}

void MainWindow::ensureTab(int index, const QString &name)
{
    while (sheets.size() <= index)
        tabNew(false);
    setTabName(index, name);
}

BlockItem *MainWindow::findSource(const QVector<BlockItem *> &list, const QString &name,
                                  int sheet) const
{
    for (BlockItem *block : list) {
        if (block->name() == name && (sheet < 0 || block->sheet() == sheet))
            return block;
    }
    return nullptr;
}

BlockItem *MainWindow::restoreBlock(QString &kind, int id, int sheet, const QString &name)
{
    auto takeUnit = [this](const QString &unit) {
        if (menuWidget->adjustQuota(-1, unit))
            return true;
        allSettingsTaken = false;
        return false;
    };

    BlockItem *block = nullptr;
    if (kind == QLatin1String("PreLogic")) {
        block = programData->createPreLogic(id, sheet, name);
    } else if (kind == QLatin1String("PostLogic")) {
        block = programData->createPostLogic(id, sheet, name);
    } else if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc")) {
        if (!takeUnit(kind))
            return nullptr;
        block = programData->createFunction(id, sheet, name);
    } else if (kind == QLatin1String("NonFnc")) {
        if (!takeUnit(kind))
            return nullptr;
        QString given = name;
        block = programData->createDefaultNonFnc(id, sheet, given);
    } else if (kind == QLatin1String("PreLabel") || kind == QLatin1String("Label")) {
        block = programData->createLabelIN(id, sheet, name);
    } else if (kind.startsWith(QLatin1String("OUT-CH"))) {
        const QString unit = QStringLiteral("OUT-CH");
        if (!takeUnit(unit))
            return nullptr;
        QString given = name;
        block = programData->createDefaultOut(id, sheet, given);
        if (!block) {
            menuWidget->adjustQuota(1, unit);
            allSettingsTaken = false;
            return nullptr;
        }
        kind = block->name();
    } else if (kind.startsWith(QLatin1String("MsrCnt"))) {
        const QString unit = QStringLiteral("MsrCnt");
        if (!takeUnit(unit))
            return nullptr;
        QString given = name.trimmed();
        block = programData->createDefaultMsrCnt(id, sheet, given);
        if (!block) {
            menuWidget->adjustQuota(1, unit);
            allSettingsTaken = false;
            return nullptr;
        }
        kind = block->name();
    } else if (kind == QLatin1String("FeedBack")) {
        if (!takeUnit(kind))
            return nullptr;
        block = programData->createFeedBackIN(id, sheet, name);
    } else if (kind.startsWith(QLatin1String("FeedBack"))) {
        if (pasting && labelWidget->isLabelPlaced(name, sheet) && !pasteNames.contains(kind))
            return nullptr;
        block = programData->createLabel(id, sheet, name);
    } else if (kind.contains(QLatin1String("Label"))) {
        if (pasting && labelWidget->isLabelPlaced(name, sheet))
            return nullptr;
        if (kind.contains(QLatin1String("PreLabel")))
            block = programData->createLabel(id, sheet, name);
        else
            block = programData->createFncLabel(id, sheet, name);
    } else if (kind == QLatin1String("Input")) {
        block = programData->createInput(id, sheet, name);
        if (!block) {
            ModalHooks::warning(this, tr("Zivra"), tr("There is no more Input resource."));
            return nullptr;
        }
    } else {
        return nullptr;
    }
    block->setKind(kind);
    return block;
}

void MainWindow::connectSource(BlockItem *block, const QString &kind, int port,
                               const QString &sourceName, int sheet)
{
    if (port < 0 || port > portLimit(kind)) {
        allSettingsTaken = false;
        return;
    }
    if (kind == QLatin1String("PreLogic")) {
        BlockItem *source = findSource(programData->inputBlocks, sourceName, sheet);
        if (!source) {
            QString inputName = sourceName;
            source = sheets.at(sheet)->addInputItem(inputName);
            if (!source) {
                // No row or no channel left for the input: the wire is lost.
                allSettingsTaken = false;
                return;
            }
        }
        block->connectInput(port, source);
    } else if (kind == QLatin1String("PostLogic") || kind == QLatin1String("Label")) {
        BlockItem *source = findSource(programData->functionBlocks, sourceName, sheet);
        if (!source)
            source = findSource(programData->labelBlocks, sourceName, sheet);
        if (source)
            block->connectInput(port, source);
    } else if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc") ||
               kind == QLatin1String("NonFnc") || kind == QLatin1String("PreLabel")) {
        BlockItem *source = findSource(programData->preLogicBlocks, sourceName, sheet);
        if (!source)
            source = findSource(programData->labelBlocks, sourceName, sheet);
        if (!source)
            return;
        QString unit;
        const QString &sourceKind = source->kind();
        if (sourceKind == QLatin1String("PreLogic") ||
            sourceKind.contains(QLatin1String("Label"))) {
            if (kind == QLatin1String("CntFnc") || kind == QLatin1String("DlyFnc"))
                unit = QStringLiteral("PreLogicInfo");
        } else if (sourceKind.startsWith(QLatin1String("FeedBack"))) {
            unit = QStringLiteral("FeedBackInfo");
        }
        if (!unit.isEmpty() && !menuWidget->adjustQuota(-1, unit)) {
            allSettingsTaken = false;
            return;
        }
        block->connectInput(0, source);
    } else {
        BlockItem *source = findSource(programData->postLogicBlocks, sourceName, sheet);
        if (source)
            block->connectInput(kind.startsWith(QLatin1String("MsrCnt")) ? port : 0, source);
    }
}

bool MainWindow::restoreEntry(QString kind, int sheet, const QMap<QString, QString> &values,
                              bool prePass)
{
    int id = -1;
    QString name;
    QString userName;
    QString settingsText;
    QVector<QPair<int, QString>> ports;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString &key = it.key();
        if (key == QLatin1String("id")) {
            id = it.value().toInt();
        } else if (key == QLatin1String("name")) {
            name = it.value().trimmed();
        } else if (key == QLatin1String("userName")) {
            userName = it.value();
        } else if (key == QLatin1String("property") || key == QLatin1String("logic")) {
            settingsText = it.value();
        } else {
            bool isNumber = false;
            const int port = key.toInt(&isNumber);
            if (isNumber)
                ports.append(qMakePair(port, it.value()));
        }
    }
    if (id < 0 || kind.isEmpty())
        return false;

    if (prePass) {
        const QString before = name;
        QString renamed = name;
        const int row = currentSheetWidget()->freeRowForItem(kind, renamed, pasteNames);
        if (row >= 0 && (renamed != before || kind == QLatin1String("FeedBack"))) {
            pasteNames.append(renamed);
            pasteRenames.insert(before, renamed);
        }
        return true;
    }

    if (!pasting) {
        if (sheet < 0 || sheet >= sheets.size())
            return false;
        // Rows come from the document: each must lie on the sheet and be free,
        // or the block would hide another one.
        const int column = columnOfKind(kind);
        if (column < 0) {
            // Made but never shown on a sheet, a label would haunt the design;
            // other unknown kinds are dropped silently.
            if (kind.contains(QLatin1String("Label")))
                allSettingsTaken = false;
            return true;
        }
        if (id > lastRowOfColumn(column) || isRowTaken(sheet, column, id)) {
            allSettingsTaken = false;
            return true;
        }
        tabWidget->setCurrentIndex(sheet);
    } else {
        if (pasteRenames.contains(name)) {
            if (!userName.isEmpty()) {
                if (name != userName && !name.startsWith(QLatin1String("IN-")))
                    currentSheetWidget()->makeUniqueName(userName, pasteNames);
                else
                    userName.clear();
            }
            name = pasteRenames.value(name);
        }
        const QString entryName = values.value(QStringLiteral("name")).trimmed();
        const QString kept = name;
        id = currentSheetWidget()->freeRowForItem(kind, name, pasteNames);
        if (id < 0) {
            ModalHooks::warning(this, tr("Zivra"), tr("There's not enough space."));
            return true;
        }
        sheet = currentSheetIndex;
        if (kind.startsWith(QLatin1String("FeedBack")) && pasteNames.contains(kept)) {
            name = pasteRenames.value(entryName);
            if (kind != QLatin1String("FeedBack"))
                kind = name;
        }
    }

    if (kind.startsWith(QLatin1String("OUT-CH")) &&
        !isOutputName(name, QStringLiteral("OUT-CH"), 8)) {
        allSettingsTaken = false;
        return true;
    }
    if (kind.startsWith(QLatin1String("MsrCnt")) &&
        !isOutputName(name.trimmed(), QStringLiteral("MsrCnt"), 4)) {
        allSettingsTaken = false;
        return true;
    }
    BlockItem *block = restoreBlock(kind, id, sheet, name);
    if (!block)
        return true;
    if (!userName.isEmpty()) {
        block->setUserName(userName);
        if (kind.contains(QLatin1String("FeedBack")) || kind.contains(QLatin1String("Label")))
            labelWidget->setLabelText(name, userName);
    }
    if (!settingsText.isEmpty())
        block->params() = settingsText;
    for (const auto &port : qAsConst(ports)) {
        QString sourceName = port.second;
        if (pasting && pasteRenames.contains(sourceName)) {
            sourceName = pasteRenames.value(sourceName);
            if (sourceName.isEmpty())
                continue;
        }
        connectSource(block, kind, port.first, sourceName, sheet);
    }
    sheets.at(sheet)->placeLoadedItem(kind, block);
    return true;
}

// ---------------------------------------------------------------- linked names

void MainWindow::setInputUserName(const QString &name, const QString &userName)
{
    LinkedNames::setInputUserName(*programData, name, userName);
}

void MainWindow::setLabelUserName(const QString &name, const QString &userName)
{
    LinkedNames::setLabelUserName(*programData, name, userName);
}

void MainWindow::setInputName(BlockItem *block, const QString &newName)
{
    LinkedNames::setInputName(*programData, block, newName);
}

void MainWindow::removeLinkedLabels(const QString &name)
{
    LinkedNames::removeLinkedLabels(*programData, *this, name);
}

// ---------------------------------------------------------------- undo and redo

void MainWindow::recordUndo()
{
    if (undoSuspended)
        return;
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
    clearDiagram();
    ui->actionRe_do->setEnabled(true);
    --undoIndex;
    setModified(undoIndex != savedIndex);
    setDeviceActionsEnabled(undoIndex == downloadedIndex);
    if (undoIndex == -1) {
        ui->action_Undo->setEnabled(false);
        if (baseDocument.isEmpty())
            return;
        readXmlData(&baseDocument);
    } else {
        readXmlData(&undoSnapshots[undoIndex]);
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
    clearDiagram();
    readXmlData(&undoSnapshots[undoIndex]);
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
    msrCntConfig = nullptr;
    userControlRecord = nullptr;
    setDeviceActionsEnabled(false);
}

// ---------------------------------------------------------------- sheet tabs

void MainWindow::tabNew(bool record)
{
    const int n = sheets.size();
    QWidget *plus = tabWidget->widget(n);
    tabWidget->removeTab(n);
    delete plus;

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

    int m = 1;
    QString text;
    for (;;) {
        text = QStringLiteral("Sheet%1").arg(m);
        int count = 0;
        for (int i = 0; i < n; ++i) {
            if (tabName(i) == text)
                ++count;
        }
        if (count == 0)
            break;
        m += count;
    }
    tabWidget->addTab(page, text);
    page->setLayout(layout);
    page->show();

    if (record)
        recordUndo();

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
        clearDiagram();
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

// ---------------------------------------------------------------- file commands

void MainWindow::clearDiagram()
{
    const bool blocked = tabWidget->blockSignals(true);
    QVector<QWidget *> pages;
    for (int i = 0; i < tabWidget->count(); ++i)
        pages.append(tabWidget->widget(i));
    tabWidget->clear();

    for (ProgramWidget *sheet : qAsConst(sheets))
        sheet->forgetAllBlocks();
    labelWidget->clearLabels();
    menuWidget->resetQuotas();
    programData->clear();

    // Each page owns its scroll area and sheet.
    qDeleteAll(pages);
    sheets.clear();

    tabWidget->addTab(new QWidget, QStringLiteral("+"));
    tabNew(false);
    tabWidget->setCurrentIndex(0);
    tabWidget->blockSignals(blocked);
    currentSheetIndex = 0;
    connect(sheets.at(0), SIGNAL(itemSelect(bool)), this, SLOT(itemSelect(bool)));
    setTabName(0, tr("Sheet1"));
    itemSelect(false);
    emit currentTabChanged(0);

    if (!startupSettings.host.isEmpty()) {
        connectionSettings = startupSettings;
    } else {
        connectionSettings = ConnectionSettings();
        connectionSettings.autoConnect = false;
    }
}

void MainWindow::newDiagram()
{
    controlKeyHeld = false;
    if (maybeSave() == QMessageBox::Cancel)
        return;
    clearDiagram();
    fileName.clear();
    setTitle(tr("NewFile"));
    clearUndoStack();
    baseDocument.clear();
}

void MainWindow::open()
{
    open(QString());
}

void MainWindow::open(QString path)
{
    controlKeyHeld = false;
    if (maybeSave() == QMessageBox::Cancel)
        return;
    if (path.isEmpty()) {
        path = DialogHooks::fileName(this, DialogHooks::OpenFile, tr("Open Zivra File"),
                                     QDir::currentPath(), tr(fileFilter));
        if (path.isEmpty())
            return;
    } else if (!QFile::exists(path)) {
        ModalHooks::warning(this, tr("Zivra"),
                            QStringLiteral("%1: No such file or directory.").arg(path));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ModalHooks::warning(this, tr("Zivra"),
                            tr("Cannot read file %1:\n%2.").arg(path, file.errorString()));
        return;
    }
    baseDocument = file.readAll();
    ui->actionSave->setEnabled(true);
    loadDiagram(baseDocument, path, true);
}

bool MainWindow::loadDiagram(QByteArray &document, const QString &path, bool addToRecent)
{
    clearDiagram();
    clearUndoStack();
    if (readXmlData(&document)) {
        if (!allSettingsTaken)
            ModalHooks::warning(this, tr("Zivra"),
                                tr("The loaded file is not correct. Some setting is ignored."));
        setTitle(path);
        if (sheets.size() >= 2) {
            tabWidget->setCurrentIndex(1);
            tabWidget->setCurrentIndex(0);
        }
        sheets.at(0)->update();
        fileName = path;
        if (addToRecent)
            addRecentFile(path);
        if (!startupSettings.host.isEmpty() && startupSettings != connectionSettings) {
            connectionSettings = startupSettings;
            recordUndo();
        }
        return true;
    }
    clearDiagram();
    document.clear();
    fileName.clear();
    setTitle(tr("NewFile"));
    if (noRootElement)
        ModalHooks::warning(
            this, tr("Zivra"),
            QStringLiteral("File specified in %1 is not a valid XML file for Zivra3.").arg(path));
    return false;
}

QMessageBox::StandardButton MainWindow::maybeSave()
{
    if (!isWindowModified())
        return QMessageBox::Discard;
    const DialogHooks::Question question{
        this, tr(""), tr("The document has been modified.\nDo you want to save your changes?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save};
    const QMessageBox::StandardButton answer = DialogHooks::question(question);
    // Work is dropped only once it is safely written.
    if (answer == QMessageBox::Save && !save())
        return QMessageBox::Cancel;
    return answer;
}

bool MainWindow::ensureSuffix(QString &path)
{
    if (path.endsWith(QLatin1String(".zvr3")) || path.endsWith(QLatin1String(".zvr")) ||
        path.endsWith(QLatin1String(".xml")))
        return true;
    path += QLatin1String(".zvr3");
    if (!QFile::exists(path))
        return true;
    const DialogHooks::Question question{
        this, tr("Zivra"),
        QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(path),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    return DialogHooks::question(question) == QMessageBox::Yes;
}

bool MainWindow::save()
{
    return save(QString());
}

bool MainWindow::save(QString path)
{
    controlKeyHeld = false;
    const QString previousName = fileName;
    bool named = false;
    if (path.isEmpty()) {
        if (fileName.isEmpty()) {
            for (;;) {
                fileName = DialogHooks::fileName(this, DialogHooks::SaveFile, tr("Save Zivra File"),
                                                 QDir::currentPath(), tr(fileFilter));
                if (fileName.isEmpty())
                    return false;
                if (ensureSuffix(fileName)) {
                    setTitle(fileName);
                    named = true;
                    break;
                }
                fileName.clear();
            }
        }
        path = fileName;
    }

    // Written beside the old file and renamed over it on success, so that a
    // failed save never costs the previous version.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (written) {
        QTextStream stream(&file);
        writeXml(&stream);
        written = stream.status() == QTextStream::Ok && file.commit();
    }
    if (!written) {
        ModalHooks::warning(this, tr("file save"),
                            tr("Cannot write file %1:\n%2.").arg(path, file.errorString()));
        if (named) {
            fileName = previousName;
            setTitle(fileName.isEmpty() ? tr("NewFile") : fileName);
        }
        return false;
    }
    addRecentFile(path);
    savedIndex = undoIndex;
    setModified(false);
    return true;
}

void MainWindow::saveAs()
{
    QString path;
    for (;;) {
        path = DialogHooks::fileName(this, DialogHooks::SaveFile, tr("Save Zivra File"),
                                     QDir::currentPath(), tr(fileFilter));
        if (path.isEmpty())
            return;
        if (ensureSuffix(path))
            break;
    }
    if (save(path)) {
        fileName = path;
        setTitle(path);
        ui->actionSave->setEnabled(true);
    }
}

// ---------------------------------------------------------------- recent files

void MainWindow::updateRecentFileActions()
{
    const QStringList files = settings->value(QStringLiteral("recentFileList")).toStringList();
    const int n = qMin(files.size(), int(maxRecentFiles));
    for (int i = 0; i < n; ++i) {
        // Doubled, an "&" in a path is shown rather than taken for a mnemonic.
        QString text = tr("%1").arg(files.at(i));
        recentFileActs[i]->setText(text.replace(QLatin1Char('&'), QLatin1String("&&")));
        recentFileActs[i]->setData(files.at(i));
        recentFileActs[i]->setVisible(true);
    }
    for (int i = n; i < maxRecentFiles; ++i)
        recentFileActs[i]->setVisible(false);
    ui->menu_Recent_Files->setEnabled(n > 0);
}

void MainWindow::addRecentFile(const QString &path)
{
    QStringList files = settings->value(QStringLiteral("recentFileList")).toStringList();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > maxRecentFiles)
        files.removeLast();
    settings->setValue(QStringLiteral("recentFileList"), files);
    updateRecentFileActions();
}

void MainWindow::openRecentFile()
{
    if (auto *act = qobject_cast<QAction *>(sender()))
        open(act->data().toString());
}
