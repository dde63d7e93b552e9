#include "mainwindow.h"

#include "dialoghooks.h"
#include "modalhooks.h"
#include "moduleregisters.h"
#include "netsetupdialog.h"
#include "programwidget.h"
#include "qudpthread.h"
#include "romdialog.h"
#include "romfat.h"

#include <QProgressDialog>
#include <QTextStream>

using namespace ModuleRegisters;

namespace {

const int romProgressMaximum = 16385;
const int initializeProgressMaximum = 18;
// Module information after a directory read: version (4), control byte, boot page, directory.
const int bootPageIndex = 5;
const int directoryIndex = 6;

QByteArray oneByte(int value)
{
    return QByteArray(1, char(value));
}

} // namespace

// ---------------------------------------------------------------- page actions

void MainWindow::on_action_Save_triggered()
{
    romSaving = true;
    romMode = RomDialog::Save;
    startRomOperation();
}

void MainWindow::on_action_Restore_triggered()
{
    romSaving = false;
    romMode = RomDialog::Restore;
    startRomOperation();
}

void MainWindow::on_action_Change_Boot_ROM_Page_triggered()
{
    romSaving = false;
    romMode = RomDialog::BootPage;
    startRomOperation();
}

void MainWindow::startRomOperation()
{
    controlKeyHeld = false;
    if (!canStartModuleOperation())
        return;
    operationResult = -1;
    QUdpThread *thread = newCheckThread(SLOT(execROM(bool)));
    if (romSaving) {
        // The check compares the module with the design: a modal busy dialog holds edits off.
        connect(thread, SIGNAL(setResult(int)), this, SLOT(setResult(int)));
        thread->setDesign(programData, false);
        QProgressDialog *dialog = openProgressDialog(tr("Save to ROM"), 0);
        connect(dialog, SIGNAL(canceled()), thread, SLOT(cancel()));
    }
    thread->setReadDirectory(true);
    startModuleThread();
}

void MainWindow::execROM(bool ok)
{
    if (!takeFinishedThread())
        return;
    if (romSaving)
        finishProgressDialog();
    if (reportError() || !ok)
        return;
    if (!isSupported(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"),
                            tr("This version of the FPGA doesn't support Save and Restore."));
        return;
    }
    if (!isWritable(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"), tr("The Register is write-protected."));
        return;
    }
    if (romSaving && operationResult != 0) {
        DialogHooks::Question question{this,
                                       QString(),
                                       tr("The displayed data have not been yet downloaded."),
                                       QMessageBox::Yes | QMessageBox::Cancel,
                                       QMessageBox::Cancel,
                                       tr("Do you want to continue?")};
        if (DialogHooks::question(question) != QMessageBox::Yes)
            return;
        question.text = tr("The GUI information cannot be saved.");
        if (DialogHooks::question(question) != QMessageBox::Yes)
            return;
    }
    RomDialog dialog(&fileName, fpgaInfo.mid(bootPageIndex), romMode, this);
    romDialog = &dialog;
    DialogHooks::exec(&dialog);
    romDialog = nullptr;
}

void MainWindow::romTransfer(const QByteArray &entry, int bootPage, int page)
{
    if (!canStartModuleOperation() || page < 0 || page >= RomPages)
        return;
    QUdpThread *thread = newModuleThread(SLOT(end(bool)));
    QProgressDialog *dialog = openProgressDialog(tr("Save to ROM"), romProgressMaximum);
    connect(dialog, SIGNAL(canceled()), thread, SLOT(cancel()));
    connect(thread, SIGNAL(setProgress(int)), this, SLOT(setProgress(int)));
    connect(thread, SIGNAL(setXml(QByteArray *, QString)), this,
            SLOT(setXml(QByteArray *, QString)));

    if (romMode == RomDialog::BootPage) {
        thread->addWrite(BootPage, oneByte(bootPage), true);
    } else {
        if (!entry.isEmpty())
            thread->addWrite(RomDirectory + quint32(page * RomDirectoryEntryLength), entry, false);
        if (bootPage >= 0)
            thread->addWrite(BootPage, oneByte(bootPage), true);
        int command;
        if (romMode == RomDialog::Restore) {
            romPageName =
                RomFat::pageName(page, fpgaInfo.mid(directoryIndex + page * RomDirectoryEntryLength,
                                                    RomDirectoryEntryLength));
            romFile.clear();
            thread->setRomFileOut(page, &romFile);
            command = int(RestorePageCommand) + page;
        } else {
            QTextStream stream(thread->romFileIn(page), QIODevice::WriteOnly);
            writeXml(&stream);
            stream.flush();
            command = int(SavePageCommand) + page;
        }
        thread->setRomCommand(command, PageWaitTarget);
    }
    startModuleThread();
}

// A page's stored design (restore, Sync), or a save that found no room for it.
void MainWindow::setXml(QByteArray *data, QString name)
{
    if (romMode == RomDialog::Save) {
        ModalHooks::warning(this, tr("Zivra"),
                            tr("Memory Full: The GUI information could not be saved."));
        return;
    }
    const QString pageName = name.isEmpty() ? romPageName : name;
    if (data->isEmpty()) {
        ModalHooks::warning(this, tr("Zivra"),
                            QStringLiteral("%1: There is no data to be displayed.").arg(pageName));
        newDiagram();
        return;
    }
    // Read as a file is read: a damaged or hostile page ends in the reader's message.
    fileName = pageName;
    baseDocument = *data;
    const bool loaded = loadDiagram(baseDocument, pageName, false);
    fileName = QString();
    if (loaded)
        afterDownload();
}

// ---------------------------------------------------------------- Sync

void MainWindow::on_actionSync_triggered()
{
    controlKeyHeld = false;
    if (!canStartModuleOperation())
        return;
    if (maybeSave() == QMessageBox::Cancel)
        return;
    romMode = RomDialog::Restore;
    operationResult = -1;
    QUdpThread *thread = newCheckThread(SLOT(execSync(bool)));
    connect(thread, SIGNAL(setXml(QByteArray *, QString)), this,
            SLOT(setXml(QByteArray *, QString)));
    thread->setInfoMode(7);
    startModuleThread();
}

void MainWindow::execSync(bool ok)
{
    nextStepGoesOn(ok);
}

// ---------------------------------------------------------------- Clear ROM

void MainWindow::on_action_Clear_ROM_triggered()
{
    controlKeyHeld = false;
    if (!canStartModuleOperation())
        return;
    newCheckThread(SLOT(initialize(bool)))->setReadDirectory(true);
    startModuleThread();
}

void MainWindow::initialize(bool ok)
{
    if (!nextStepGoesOn(ok))
        return;
    if (!isSupported(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"),
                            tr("This version of the FPGA doesn't support ROM access."));
        return;
    }
    if (!isWritable(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"), tr("The Register is write-protected."));
        return;
    }
    const DialogHooks::Question question{this, tr("Zivra"),
                                         tr("Are you sure you want to initialize ROM area?"),
                                         QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    if (DialogHooks::question(question) == QMessageBox::No)
        return;

    // Every page receives the empty design; the one shown comes back in endInitialize.
    const ConnectionSettings kept = connectionSettings;
    clearDiagram();
    connectionSettings = kept;

    QUdpThread *thread = newModuleThread(SLOT(endInitialize(bool)));
    connect(thread, SIGNAL(setProgress(int)), this, SLOT(setProgress(int)));
    thread->addWrite(RomDirectory, QByteArray(RomDirectoryLength, '\0'), false);
    if (fpgaInfo.size() > bootPageIndex && fpgaInfo.at(bootPageIndex) != 0)
        thread->addWrite(BootPage, oneByte(0), true);
    thread->setRomCommand(int(StoreDirectoryCommand), 0);
    thread->addWrite(ClusterWindow, RomFat::emptyImage(), false);
    QByteArray cluster;
    QUdpThread::append32(&cluster, FatCluster);
    thread->addWrite(ClusterNumber, cluster, false);
    thread->addWrite(ClusterWriteCommand, oneByte(CommandByte), false);
    QProgressDialog *dialog =
        openProgressDialog(tr("Initialize ROM area"), initializeProgressMaximum);
    connect(dialog, SIGNAL(canceled()), thread, SLOT(cancel()));
    thread->setDesign(programData, false);
    if (!startModuleThread())
        reloadShownDocument();
}

// The document is put back whatever the outcome.
void MainWindow::endInitialize(bool)
{
    if (!takeFinishedThread())
        return;
    finishProgressDialog();
    reloadShownDocument();
    reportError();
}

void MainWindow::reloadShownDocument()
{
    if (undoIndex >= 0)
        rebuildDiagram(&undoSnapshots[undoIndex]);
    else if (!baseDocument.isEmpty())
        rebuildDiagram(&baseDocument);
    else
        clearDiagram();
    if (ProgramWidget *sheet = currentSheetWidget())
        sheet->update();
}

// ---------------------------------------------------------------- network settings

void MainWindow::on_actionHardware_Setup_triggered()
{
    NetSetupDialog dialog(this);
    DialogHooks::exec(&dialog);
}
