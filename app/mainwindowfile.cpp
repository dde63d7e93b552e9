#include "mainwindow.h"

#include "blockitem.h"
#include "dialoghooks.h"
#include "labelwidget.h"
#include "menuwidget.h"
#include "modalhooks.h"
#include "programdata.h"
#include "programwidget.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>

namespace {

const char fileFilter[] = QT_TRANSLATE_NOOP(
    "MainWindow", "Zivra3 Files (*.zvr3);;Zivra Files (*.zvr);;XML Files (*.xml)");

} // namespace

// ---------------------------------------------------------------- file commands

void MainWindow::clearDiagram()
{
    clearDiagram(false);
}

void MainWindow::clearDiagram(bool keepSheets)
{
    const bool blocked = tabWidget->blockSignals(true);
    for (ProgramWidget *sheet : qAsConst(sheets)) {
        sheet->forgetAllBlocks();
        disconnect(sheet, SIGNAL(itemSelect(bool)), this, SLOT(itemSelect(bool)));
    }
    labelWidget->clearLabels();
    menuWidget->resetQuotas();
    programData->clear();

    if (keepSheets) {
        spareSheets = sheets.mid(1) + spareSheets;
        sheets.resize(1);
    } else {
        QVector<QWidget *> pages;
        for (int i = 0; i < tabWidget->count(); ++i)
            pages.append(tabWidget->widget(i));
        tabWidget->clear();
        // Each page owns its scroll area and sheet.
        qDeleteAll(pages);
        sheets.clear();
        spareSheets.clear();
        addPlusTab();
        tabNew(false);
    }
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

bool MainWindow::rebuildDiagram(QByteArray *document)
{
    clearDiagram(true);
    const bool read = readXmlData(document);
    dropSpareSheets();
    // A reused sheet still shows the wires of its last paint.
    for (ProgramWidget *sheet : qAsConst(sheets))
        sheet->update();
    return read;
}

void MainWindow::dropSpareSheets()
{
    if (spareSheets.isEmpty())
        return;
    const bool blocked = tabWidget->blockSignals(true);
    // From the last one, so that no tab moves.
    for (int i = sheets.size() + spareSheets.size() - 1; i >= sheets.size(); --i) {
        QWidget *page = tabWidget->widget(i);
        tabWidget->removeTab(i);
        delete page;
    }
    spareSheets.clear();
    tabWidget->blockSignals(blocked);
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
    clearUndoStack();
    if (rebuildDiagram(&document)) {
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

namespace {

// Writes unbuffered and retries the rest after a short write, so that the call
// that fails writes nothing and leaves the system's reason ("No space left on
// device") in the file's error text; a short write alone carries none.
bool writeWhole(QSaveFile &file, const QByteArray &bytes)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered))
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 count = file.write(bytes.constData() + done, bytes.size() - done);
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}

} // namespace

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
    bool written = writeWhole(file, documentText());
    if (written)
        written = file.commit();
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
