#include "mainwindow.h"

#include "blockitem.h"
#include "dialoghooks.h"
#include "dottedaddress.h"
#include "drcdialog.h"
#include "modalhooks.h"
#include "moduleprogressdialog.h"
#include "moduleregisters.h"
#include "msrcntconfig.h"
#include "msrcntwidget.h"
#include "nim_in.h"
#include "programdata.h"
#include "propertydialog.h"
#include "qudpthread.h"
#include "ui_mainwindow.h"
#include "usercontroldialog.h"
#include "usercontrolrecord.h"
#include "versiondialog.h"
#include "writeprotectdialog.h"

#include <QHostAddress>
#include <QProgressDialog>
#include <QTextEdit>
#include <QThread>

#include <algorithm>
#include <memory>

namespace {

const int downloadProgressMaximum = 8256;

// The byte of the module information at index, or the writable state when it was not read.
quint8 infoByte(const QByteArray &info, int index)
{
    return index < info.size() ? quint8(info.at(index)) : ModuleRegisters::ControlWritable;
}

bool hasCounters(const MsrCntConfig &config)
{
    return std::any_of(config.mode, config.mode + MsrCntConfig::channels,
                       [](int mode) { return mode >= 0; });
}

} // namespace

// ---------------------------------------------------------------- shared steps

bool MainWindow::isSupported(const QByteArray &info)
{
    return !info.isEmpty() && qint8(info.at(0)) > 1;
}

bool MainWindow::isWritable(const QByteArray &info)
{
    return !isProtected(info, 4);
}

// Byte 4 is the live control byte, byte 5 its stored copy: bit 0 clear means protected.
bool MainWindow::isProtected(const QByteArray &info, int index)
{
    return info.size() > index && !(quint8(info.at(index)) & ModuleRegisters::ControlWritable);
}

// A host text that is no address would give a worker that cannot reach anything.
bool MainWindow::moduleAddress(QHostAddress *address)
{
    const QString &host = connectionSettings.host;
    if (DottedAddress::parse(host) && address->setAddress(host))
        return true;
    ModalHooks::warning(this, tr("Zivra"),
                        tr("\"%1\" is not a module address.\nEnter the module's IPv4 address "
                           "under Setup > Ethernet Setting.")
                            .arg(host));
    return false;
}

// Module actions stay off while an operation runs, so a second one can never replace the
// running thread.
void MainWindow::setModuleActionsEnabled(bool enabled)
{
    for (QAction *act : {ui->action_Download, ui->action_Verify, ui->action_Write_Protect,
                         ui->action_Save, ui->action_Restore, ui->action_Change_Boot_ROM_Page,
                         ui->action_Clear_ROM, ui->actionSync})
        act->setEnabled(enabled);
}

bool MainWindow::canStartModuleOperation()
{
    return udpThread == nullptr;
}

QUdpThread *MainWindow::newModuleThread(const char *closedSlot, const QString &label, int maximum)
{
    udpThread = new QUdpThread;
    connect(udpThread, SIGNAL(closed(bool)), this, closedSlot);
    connect(udpThread, SIGNAL(error(QString *)), this, SLOT(onError(QString *)));
    setModuleActionsEnabled(false);
    openProgressDialog(label, maximum);
    return udpThread;
}

QUdpThread *MainWindow::newCheckThread(const char *nextSlot, const QString &label)
{
    fpgaInfo.clear();
    QUdpThread *thread = newModuleThread(nextSlot, label, 0);
    connect(thread, SIGNAL(readData(QByteArray *)), this, SLOT(checkFPGA(QByteArray *)));
    return thread;
}

// Starts the configured thread in udpThread; with no usable address it is dropped, together
// with its progress dialog, and false returned.
bool MainWindow::startModuleThread()
{
    QHostAddress address;
    if (!moduleAddress(&address)) {
        stopModuleThread();
        finishProgressDialog();
        return false;
    }
    udpThread->setTimeout(connectionSettings.timeout);
    udpThread->setHost(address, connectionSettings.udpPort, 0);
    udpThread->start(QThread::InheritPriority);
    return true;
}

void MainWindow::stopModuleThread()
{
    if (!udpThread)
        return;
    disconnect(udpThread, nullptr, this, nullptr);
    udpThread->cancel();
    delete udpThread; // waits until its run has returned
    udpThread = nullptr;
    setModuleActionsEnabled(true);
}

// The first step of every next-step and end slot: deletes the thread that sent closed(bool) and
// closes its box. False when that is not the running operation's thread: its outcome is dropped.
bool MainWindow::takeFinishedThread()
{
    auto *finished = qobject_cast<QUdpThread *>(sender());
    if (finished && finished != udpThread) {
        delete finished;
        return false;
    }
    delete udpThread;
    udpThread = nullptr;
    finishProgressDialog();
    setModuleActionsEnabled(true);
    return true;
}

// Shows the text a thread reported, once; true when there was one.
bool MainWindow::reportError()
{
    if (errorText.isEmpty())
        return false;
    const QString text = errorText;
    errorText = QString();
    ModalHooks::warning(this, tr("Zivra"), text);
    return true;
}

// After a Cancel one message says what the module was left with; the worker's own text (an
// abort, or a failure the Cancel cut short) says less.
void MainWindow::reportCancel(const QString &outcome)
{
    errorText = QString();
    ModalHooks::warning(this, tr("Zivra"), outcome);
}

QString MainWindow::nothingWritten(const QString &operation)
{
    return tr("%1 cancelled: nothing was written to the module.").arg(operation);
}

// A Cancel that came after the check's last reply, before this slot ran, ends the operation too.
bool MainWindow::nextStepGoesOn(bool ok, const QString &operation)
{
    if (!takeFinishedThread())
        return false;
    if (cancelRequested()) {
        reportCancel(nothingWritten(operation));
        return false;
    }
    return !reportError() && ok;
}

// Modal, so that nothing edits, opens or saves the document while the thread in udpThread runs,
// also after Cancel. A closed dialog is not reused: each thread gets its own.
void MainWindow::openProgressDialog(const QString &label, int maximum)
{
    if (progressDialog)
        progressDialog->deleteLater();
    progressDialog = new ModuleProgressDialog(label, maximum, this);
    connect(progressDialog, SIGNAL(canceled()), udpThread, SLOT(cancel()));
    progressDialog->open();
    progressDialog->setValue(0);
}

void MainWindow::finishProgressDialog()
{
    if (progressDialog)
        progressDialog->finish();
}

QProgressDialog *MainWindow::progress() const
{
    return progressDialog;
}

// The user pressed Cancel in the box of the operation that ended last.
bool MainWindow::cancelRequested() const
{
    return progressDialog && progressDialog->cancelRequested();
}

// ---------------------------------------------------------------- what threads hand over

void MainWindow::checkFPGA(QByteArray *data)
{
    fpgaInfo = *data;
}

void MainWindow::onError(QString *text)
{
    errorText = *text;
}

void MainWindow::setHtml(QString *text)
{
    htmlText = *text;
}

void MainWindow::setResult(int result)
{
    operationResult = result;
}

void MainWindow::setProgress(int value)
{
    // A late report must not bring back a dialog that was cancelled or finished.
    if (progressDialog && progressDialog->isVisible())
        progressDialog->setValue(value);
}

// ---------------------------------------------------------------- design rule check

void MainWindow::showDrcReport()
{
    if (!drcDialog)
        drcDialog = new DrcDialog(false, this);
    drcDialog->textEdit->setDocument(&drcDocument);
    drcDialog->show();
    drcDialog->raise();
}

void MainWindow::on_action_DRC_triggered()
{
    programData->checkDesign(&drcDocument);
    showDrcReport();
}

// The report of a design with warnings only, run modally: true when the user chose Download.
bool MainWindow::confirmDrcWarnings()
{
    delete drcDialog;
    auto *dialog = new DrcDialog(true, this);
    drcDialog = dialog;
    drcAccepted = false;
    dialog->textEdit->setDocument(&drcDocument);
    DialogHooks::exec(dialog);
    if (drcDialog == dialog) {
        drcDialog = nullptr;
        dialog->deleteLater();
    }
    return drcAccepted;
}

void MainWindow::closedDrcDialog()
{
    forgetDialog(drcDialog);
}

void MainWindow::closedDrcDialog(bool go)
{
    drcAccepted = go;
    forgetDialog(drcDialog);
}

// ---------------------------------------------------------------- download

void MainWindow::on_action_Download_triggered()
{
    controlKeyHeld = false;
    if (!canStartModuleOperation())
        return;
    const int result = programData->checkDesign(&drcDocument);
    if (result > 0) {
        showDrcReport();
        return;
    }
    if (result < 0 && !confirmDrcWarnings())
        return;
    // Held from here on, so that what is downloaded is what was checked.
    newCheckThread(SLOT(download(bool)), tr("Download - REGX Access"))->setReadDirectory(false);
    startModuleThread();
}

void MainWindow::download(bool ok)
{
    if (!nextStepGoesOn(ok, tr("Download")))
        return;
    if (!isWritable(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"), tr("The Register is write-protected."));
        return;
    }
    // What a Download cancelled before its first write gives back.
    countersWereReceiving = msrCntWidget && msrCntWidget->connectionOpen();
    setDeviceActionsEnabled(false);
    if (msrCntWidget) {
        emit closeVexon();
        QThread::msleep(500);
    }
    QUdpThread *thread = newModuleThread(SLOT(downloadStopped(bool)), tr("Download - REGX Access"),
                                         downloadProgressMaximum);
    connect(thread, SIGNAL(setProgress(int)), this, SLOT(setProgress(int)));
    thread->setDesign(programData, false);
    startModuleThread();
}

void MainWindow::downloadStopped(bool ok)
{
    const bool partly = !ok && udpThread && udpThread->hasWrittenDesign();
    // The last write may have been carried out without its answer arriving.
    const bool allSent = partly && udpThread->allRequestsSent();
    if (!takeFinishedThread())
        return;
    // The module holds parts of this design: no snapshot is what it runs.
    if (partly)
        forgetDownload();
    if (cancelRequested() && !ok) {
        if (partly) {
            reportCancel(allSent
                             ? tr("Download cancelled: the module holds part or all of the design.")
                             : tr("Download cancelled: the module holds part of the design."));
            return;
        }
        // The module still runs what it ran: the window goes back to how it was.
        reportCancel(nothingWritten(tr("Download")));
        setDeviceActionsEnabled(undoIndex == downloadedIndex);
        if (msrCntWidget && countersWereReceiving)
            msrCntWidget->connectToServer();
        return;
    }
    reportError();
    if (!ok)
        return;
    afterDownload();
    if (cancelRequested())
        DialogHooks::information(this, tr("Zivra"),
                                 tr("Cancel came too late: the module holds the whole design."));
}

void MainWindow::forgetDownload()
{
    downloadedIndex = noDownload;
    setDeviceActionsEnabled(false);
}

// ---------------------------------------------------------------- verify

void MainWindow::on_action_Verify_triggered()
{
    if (!canStartModuleOperation())
        return;
    newCheckThread(SLOT(Verify(bool)), tr("Verify - REGX Access"))->setReadDirectory(false);
    startModuleThread();
}

void MainWindow::Verify(bool ok)
{
    if (!nextStepGoesOn(ok, tr("Verify")))
        return;
    if (!isWritable(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"), tr("The Register is write-protected."));
        return;
    }
    const DialogHooks::Question question{this,
                                         QString(),
                                         tr("The output may become unstable during verify."),
                                         QMessageBox::Yes | QMessageBox::Cancel,
                                         QMessageBox::Yes,
                                         tr("Do you want to continue?")};
    if (DialogHooks::question(question) != QMessageBox::Yes)
        return;
    QUdpThread *thread = newModuleThread(SLOT(verifyStopped(bool)), tr("Verify - REGX Access"), 0);
    connect(thread, SIGNAL(setHtml(QString *)), this, SLOT(setHtml(QString *)));
    thread->setDesign(programData, true);
    startModuleThread();
}

void MainWindow::verifyStopped(bool ok)
{
    if (!takeFinishedThread())
        return;
    if (errorText.isEmpty())
        return;
    const QString text = errorText;
    errorText = QString();
    if (ok)
        DialogHooks::information(this, tr("Zivra"), text);
    else
        ModalHooks::warning(this, tr("Zivra"), text);
}

// ---------------------------------------------------------------- write protection

void MainWindow::on_action_Write_Protect_triggered()
{
    if (!canStartModuleOperation())
        return;
    newCheckThread(SLOT(execProtect(bool)), tr("Write Protect"))->setInfoMode(5);
    startModuleThread();
}

void MainWindow::execProtect(bool ok)
{
    if (!nextStepGoesOn(ok, tr("Write Protect")))
        return;
    if (!isSupported(fpgaInfo)) {
        ModalHooks::warning(this, tr("Zivra"),
                            tr("This version of the FPGA doesn't support Write-Protect."));
        return;
    }
    WriteProtectDialog dialog(isProtected(fpgaInfo, 4), isProtected(fpgaInfo, 5), this);
    DialogHooks::exec(&dialog);
}

void MainWindow::writeProtect(bool current, bool boot)
{
    if (!canStartModuleOperation())
        return;
    const quint8 live = infoByte(fpgaInfo, 4);
    const quint8 stored = infoByte(fpgaInfo, 5);
    const bool currentNow = isProtected(fpgaInfo, 4);
    const bool bootNow = isProtected(fpgaInfo, 5);
    if (current == currentNow && boot == bootNow)
        return;
    // Only bit 0 changes; the other bits go back as they were read.
    auto changed = [](quint8 byte, bool protect) {
        return QByteArray(1, char(protect ? byte & ~ModuleRegisters::ControlWritable
                                          : byte | ModuleRegisters::ControlWritable));
    };
    transferPage = -1;
    protecting = true;
    protectCurrent = current;
    protectBoot = boot;
    QUdpThread *thread = newModuleThread(SLOT(end(bool)), tr("Write Protect"), 0);
    if (current != currentNow)
        thread->addWrite(ModuleRegisters::LiveControl, changed(live, current), false);
    if (boot != bootNow)
        thread->addWrite(ModuleRegisters::StoredControl, changed(stored, boot), true);
    if (!startModuleThread())
        protecting = false;
}

// A Cancel of Write Protect: each setting as the answers to its write show it. The live control
// byte's write goes out before the stored one's.
void MainWindow::reportProtectCancel(int sent, int answered)
{
    if (sent == 0) {
        reportCancel(nothingWritten(tr("Write Protect")));
        return;
    }
    const bool before[] = {isProtected(fpgaInfo, 4), isProtected(fpgaInfo, 5)};
    const bool wanted[] = {protectCurrent, protectBoot};
    QString states[2];
    int write = 0;
    for (int i = 0; i < 2; ++i) {
        bool now = before[i];
        if (wanted[i] != before[i]) {
            if (write < answered)
                now = wanted[i];
            else if (write < sent)
                states[i] = tr("write-protected or not");
            ++write;
        }
        if (states[i].isEmpty())
            states[i] = now ? tr("write-protected") : tr("not write-protected");
    }
    const QString settings = tr("current setting %1, boot setting %2.").arg(states[0], states[1]);
    if (answered == write) {
        errorText = QString();
        DialogHooks::information(this, tr("Zivra"), tr("Cancel came too late: ") + settings);
    } else if (answered < sent) {
        reportCancel(tr("Write Protect cancelled before the module confirmed its write: ") +
                     settings);
    } else {
        reportCancel(tr("Write Protect cancelled: ") + settings);
    }
}

// ---------------------------------------------------------------- device dialogs

void MainWindow::on_action_Property_triggered()
{
    PropertyDialog dialog(this, nullptr);
    DialogHooks::exec(&dialog);
}

void MainWindow::on_action_About_triggered()
{
    VersionDialog dialog(this);
    DialogHooks::exec(&dialog);
}

// ---------------------------------------------------------------- after a download

void MainWindow::afterDownload()
{
    rebuildCounterConfig();
    downloadedIndex = undoIndex;
    rebuildUserControl();
}

MsrCntConfig *MainWindow::newCounterConfig() const
{
    auto *config = new MsrCntConfig;
    config->host = connectionSettings.host;
    config->tcpPort = connectionSettings.tcpPort;
    config->udpPort = connectionSettings.udpPort;
    config->timeout = connectionSettings.timeout;
    config->autoConnect = connectionSettings.autoConnect;
    readMsrCntAttributes(programData, config->mode, config->path, config->name, config->unit);
    return config;
}

void MainWindow::rebuildCounterConfig()
{
    delete msrCntConfig;
    msrCntConfig = nullptr;
    MsrCntConfig *config = newCounterConfig();
    if (!hasCounters(*config)) {
        delete config;
        if (MsrCntWidget *window = msrCntWidget) {
            msrCntWidget = nullptr;
            window->close();
            window->deleteLater();
        }
        ui->actionVe_xon->setEnabled(false);
        return;
    }
    msrCntConfig = config;
    ui->actionVe_xon->setEnabled(true);
    if (msrCntWidget) {
        msrCntWidget->setConfig(*config);
    } else if (config->autoConnect) {
        msrCntWidget = new MsrCntWidget(*config, this);
        msrCntWidget->show();
    }
}

void MainWindow::on_actionVe_xon_triggered()
{
    const std::unique_ptr<MsrCntConfig> config(newCounterConfig());
    const bool asDownloaded =
        msrCntConfig &&
        std::equal(config->mode, config->mode + MsrCntConfig::channels, msrCntConfig->mode);
    if (!asDownloaded) {
        if (!hasCounters(*config)) {
            ModalHooks::warning(this, tr("Zivra"), tr("There is no MsrCnt."));
            return;
        }
        const DialogHooks::Question question{
            this,
            QString(),
            tr("It may be different that the downloaded data are displayed."),
            QMessageBox::Yes | QMessageBox::Cancel,
            QMessageBox::Yes,
            tr("Do you want to continue?")};
        if (DialogHooks::question(question) != QMessageBox::Yes)
            return;
    }
    if (msrCntWidget) {
        msrCntWidget->raise();
        msrCntWidget->activateWindow();
        return;
    }
    msrCntWidget = new MsrCntWidget(*config, this);
    msrCntWidget->show();
}

void MainWindow::rebuildUserControl()
{
    delete userControlRecord;
    userControlRecord = nullptr;
    auto *record = new UserControlRecord;
    const int inputs = qMin(int(UserControlRecord::inputCount), programData->inputNames.size());
    for (int i = 0; i < inputs; ++i) {
        // Only the first block of each name counts.
        for (BlockItem *block : qAsConst(programData->inputBlocks)) {
            if (block->name() != programData->inputNames.at(i))
                continue;
            auto *input = dynamic_cast<NIM_IN *>(block);
            if (input && input->isUserControl()) {
                record->names[i] = block->displayName();
                ++record->count;
            }
            break;
        }
    }
    if (record->count == 0) {
        delete record;
        if (UserControlDialog *dialog = userControlDialog) {
            userControlDialog = nullptr;
            dialog->close();
            dialog->deleteLater();
        }
        ui->action_User_Control->setEnabled(false);
        return;
    }
    record->host = connectionSettings.host;
    record->udpPort = connectionSettings.udpPort;
    record->timeout = connectionSettings.timeout;
    userControlRecord = record;
    if (userControlDialog) {
        userControlDialog->startRead(record);
    } else if (connectionSettings.autoConnect) {
        userControlDialog = new UserControlDialog(record, this);
        userControlDialog->show();
    }
    ui->action_User_Control->setEnabled(true);
}

void MainWindow::on_action_User_Control_triggered()
{
    if (!userControlRecord) {
        ModalHooks::warning(this, QString(),
                            tr("The displayed data have not been yet downloaded."));
        return;
    }
    if (userControlRecord->count < 1)
        return;
    if (userControlDialog) {
        userControlDialog->raise();
        userControlDialog->activateWindow();
        return;
    }
    userControlDialog = new UserControlDialog(userControlRecord, this);
    userControlDialog->show();
}

void MainWindow::closedUserControl()
{
    forgetDialog(userControlDialog);
}
