#include "mainwindow.h"

#include "dialoghooks.h"
#include "modalhooks.h"
#include "moduleregisters.h"
#include "netsetupdialog.h"
#include "programdata.h"
#include "qudpthread.h"
#include "romdialog.h"
#include "romfat.h"

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
    QUdpThread *thread = newCheckThread(SLOT(execROM(bool)), tr("Save to ROM"));
    if (romSaving) {
        // The check compares the module with the design.
        connect(thread, SIGNAL(setResult(int)), this, SLOT(setResult(int)));
        thread->setDesign(programData, false);
    }
    thread->setReadDirectory(true);
    startModuleThread();
}

void MainWindow::execROM(bool ok)
{
    const QString operation = romMode == RomDialog::Save      ? tr("Save to ROM")
                              : romMode == RomDialog::Restore ? tr("Restore from ROM")
                                                              : tr("Change Boot ROM Page");
    if (!nextStepGoesOn(ok, operation))
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
    QUdpThread *thread = newModuleThread(SLOT(end(bool)), tr("Save to ROM"), romProgressMaximum);
    connect(thread, SIGNAL(setProgress(int)), this, SLOT(setProgress(int)));
    connect(thread, SIGNAL(setXml(QByteArray *, QString)), this,
            SLOT(setXml(QByteArray *, QString)));
    transferPage = romMode == RomDialog::BootPage ? bootPage : page;
    pageDocumentArrived = false;

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
            // What a cancelled save puts back.
            thread->setPageBefore(
                fpgaInfo.mid(directoryIndex + page * RomDirectoryEntryLength,
                             RomDirectoryEntryLength),
                fpgaInfo.size() > bootPageIndex ? quint8(fpgaInfo.at(bootPageIndex)) : -1);
        }
        thread->setRomCommand(command, PageWaitTarget);
    }
    startModuleThread();
}

// A page's stored design (restore, Sync), kept for the end of the operation, or a save that
// found no room for it.
void MainWindow::setXml(QByteArray *data, QString name)
{
    if (romMode == RomDialog::Save) {
        transferPage = -1; // the page holds no design: nothing more to tell at the end
        ModalHooks::warning(this, tr("Zivra"),
                            tr("Memory Full: The GUI information could not be saved."));
        return;
    }
    pageDocument = *data;
    pageDocumentName = name.isEmpty() ? romPageName : name;
    pageDocumentArrived = true;
}

// The end of a restore or Sync: the page's design replaces the document only when the user did
// not cancel, whatever the worker managed before it saw the cancel.
bool MainWindow::takePageDocument(const QString &cancelled)
{
    const bool arrived = pageDocumentArrived;
    pageDocumentArrived = false;
    QByteArray document;
    document.swap(pageDocument);
    if (cancelRequested()) {
        reportCancel(cancelled);
        return false;
    }
    const bool loaded = arrived && loadPageDocument(document, pageDocumentName);
    reportError();
    return loaded;
}

bool MainWindow::loadPageDocument(const QByteArray &document, const QString &name)
{
    if (document.isEmpty()) {
        ModalHooks::warning(this, tr("Zivra"),
                            QStringLiteral("%1: There is no data to be displayed.").arg(name));
        newDiagram();
        return false;
    }
    // Read as a file is read: a damaged or hostile page ends in the reader's message.
    fileName = name;
    baseDocument = document;
    const bool loaded = loadDiagram(baseDocument, name, false);
    fileName = QString();
    if (loaded)
        afterDownload();
    return loaded;
}

void MainWindow::end(bool ok)
{
    const bool loaded = udpThread && udpThread->hasLoadedPage();
    const int sent = udpThread ? udpThread->writesSent() : 0;
    const int answered = udpThread ? udpThread->writesAnswered() : 0;
    if (!takeFinishedThread())
        return;
    const int page = transferPage;
    transferPage = -1;
    const bool protect = protecting;
    protecting = false;
    if (protect && cancelRequested()) {
        reportProtectCancel(sent, answered);
        return;
    }
    if (page >= 0 && romMode == RomDialog::Restore) {
        const bool taken = takePageDocument(
            loaded ? tr("Restore from ROM cancelled; the module had already loaded ROM page %1, "
                        "the editor keeps its design.")
                         .arg(page)
                   : tr("Restore from ROM cancelled; the editor keeps its design."));
        // Kept after a cancel or failure, the editor's design is not what the module runs.
        if (loaded && !taken)
            forgetDownload();
        return;
    }
    // The boot page is one write: not sent, answered, or sent without an answer.
    if (page >= 0 && romMode == RomDialog::BootPage && cancelRequested()) {
        const int before =
            fpgaInfo.size() > bootPageIndex ? quint8(fpgaInfo.at(bootPageIndex)) : -1;
        if (sent == 0) {
            reportCancel(nothingWritten(tr("Change Boot ROM Page")));
        } else if (answered == sent) {
            errorText = QString();
            DialogHooks::information(
                this, tr("Zivra"),
                tr("Cancel came too late: the module boots from ROM page %1.").arg(page));
        } else {
            reportCancel(tr("Change Boot ROM Page cancelled before the module confirmed ROM page "
                            "%1: it boots from ROM page %1 or %2.")
                             .arg(page)
                             .arg(before));
        }
        return;
    }
    if (reportError() || !ok || !cancelRequested() || page < 0)
        return;
    DialogHooks::information(this, tr("Zivra"),
                             tr("Cancel came too late: ROM page %1 holds the new register image "
                                "and design.")
                                 .arg(page));
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
    pageDocumentArrived = false;
    // The page's design replaces the document: edits are held off until then.
    QUdpThread *thread = newCheckThread(SLOT(execSync(bool)), tr("Sync"));
    connect(thread, SIGNAL(setXml(QByteArray *, QString)), this,
            SLOT(setXml(QByteArray *, QString)));
    thread->setInfoMode(7);
    startModuleThread();
}

void MainWindow::execSync(bool)
{
    if (takeFinishedThread())
        takePageDocument(tr("Sync cancelled; the editor keeps its design."));
}

// ---------------------------------------------------------------- Clear ROM

void MainWindow::on_action_Clear_ROM_triggered()
{
    controlKeyHeld = false;
    if (!canStartModuleOperation())
        return;
    newCheckThread(SLOT(initialize(bool)), tr("Initialize ROM area"))->setReadDirectory(true);
    startModuleThread();
}

void MainWindow::initialize(bool ok)
{
    if (!nextStepGoesOn(ok, tr("Clear ROM")))
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

    // Every page receives an empty design of its own: the document shown stays as it is.
    delete emptyDesign;
    emptyDesign = new ProgramData(nullptr);
    QUdpThread *thread = newModuleThread(SLOT(endInitialize(bool)), tr("Initialize ROM area"),
                                         initializeProgressMaximum);
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
    thread->setDesign(emptyDesign, false);
    startModuleThread();
}

void MainWindow::endInitialize(bool ok)
{
    const bool wrote = udpThread && udpThread->hasWrittenDesign();
    if (!takeFinishedThread())
        return;
    delete emptyDesign;
    emptyDesign = nullptr;
    // The module's registers now hold the empty design.
    if (wrote)
        forgetDownload();
    if (reportError() || !ok || !cancelRequested())
        return;
    DialogHooks::information(this, tr("Zivra"),
                             tr("Cancel came too late: the ROM area is cleared."));
}

// ---------------------------------------------------------------- network settings

void MainWindow::on_actionHardware_Setup_triggered()
{
    NetSetupDialog dialog(this);
    DialogHooks::exec(&dialog);
}
