#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "connectionsettings.h"
#include "rompagehost.h"
#include "sheethost.h"

#include <QByteArray>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QVector>

class BlockItem;
class DrcDialog;
class LabelWidget;
class MenuWidget;
class ModuleProgressDialog;
class MsrCntWidget;
class ProgramData;
class ProgramWidget;
class QAction;
class QEvent;
class QHostAddress;
class QPoint;
class QProgressDialog;
class QSettings;
class QTabWidget;
class QTextStream;
class QUdpThread;
class RomDialog;
class UserControlDialog;
struct MsrCntConfig;
struct UserControlRecord;

namespace Ui {
class MainWindow;
}

// The one top-level window: owner of the open design document, its sheets,
// palette and label strip, the undo snapshots and the file commands.
class MainWindow : public QMainWindow, public SheetHost, public RomPageHost
{
    Q_OBJECT

    friend class SaxHandler;

public:
    static const int maxRecentFiles = 7;

    explicit MainWindow(const QString &fileName, const ConnectionSettings *startup,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    // What the sheets ask of the window.
    void recordUndo() override;
    bool isUndoSuspended() const override { return undoSuspended; }
    void setUndoSuspended(bool suspended) override { undoSuspended = suspended; }
    bool isControlKeyHeld() const override { return controlKeyHeld; }
    bool isShiftKeyHeld() const override { return shiftKeyHeld; }
    QString hostAddress() const override { return connectionSettings.host; }
    quint16 tcpPort() const override { return connectionSettings.tcpPort; }
    quint16 udpPort() const override { return connectionSettings.udpPort; }
    bool isPasteEnabled() const override;
    void paste() override;
    int sheetCount() const override { return sheets.size(); }
    ProgramWidget *sheetAt(int index) const override;
    void setInputUserName(const QString &name, const QString &userName) override;
    void setLabelUserName(const QString &name, const QString &userName) override;
    void setInputName(BlockItem *block, const QString &newName) override;
    void removeLinkedLabels(const QString &name) override;

    void setDeviceActionsEnabled(bool enabled);

    // Module operations. writeProtect is the write-protect dialog's OK; afterDownload rebuilds
    // the counter and user-control records once the module runs the design shown.
    void writeProtect(bool current, bool boot);
    void afterDownload();
    // The module runs no snapshot of the undo history any more. The mark then holds
    // noDownload, which no undo position equals (-1 is the opened document).
    void forgetDownload();
    static constexpr int noDownload = -2;
    // A module operation runs (from its check thread to its end slot): the module actions are
    // refused until it ends.
    bool isModuleBusy() const { return udpThread != nullptr; }

    // ROM pages: what the page dialog asks of the window, and the common start of the three
    // page actions (romMode and romSaving set first).
    bool isDocumentModified() const override { return isWindowModified(); }
    bool saveDocument() override { return save(QString()); }
    void romTransfer(const QByteArray &entry, int bootPage, int page) override;
    void startRomOperation();

    // The design document.
    void writeXml(QTextStream *stream);
    bool readXmlData(QByteArray *data);
    bool readPasteData(QByteArray *data);
    void ensureTab(int index, const QString &name);
    bool restoreEntry(QString kind, int sheet, const QMap<QString, QString> &values, bool prePass);
    BlockItem *restoreBlock(QString &kind, int id, int sheet, const QString &name);

    // File commands and undo bookkeeping.
    QMessageBox::StandardButton maybeSave();
    bool loadDiagram(QByteArray &document, const QString &path, bool addToRecent);
    void clearDiagram();
    // Rebuilds the whole design from a document, reusing the sheets in place:
    // creating and removing tabs costs time in proportion to the tab count.
    bool rebuildDiagram(QByteArray *document);
    void clearDiagram(bool keepSheets);
    void dropSpareSheets();
    void addPlusTab();
    QString defaultSheetName(int count) const;
    bool ensureSuffix(QString &path);
    void clearUndoStack();
    void updateRecentFileActions();
    void addRecentFile(const QString &path);

    // Column of a kind word on a sheet (0 Input to 4 Output), -1 for none,
    // and the largest row a column holds.
    static int columnOfKind(const QString &kind);
    static int lastRowOfColumn(int column);

    ConnectionSettings connectionSettings;
    ConnectionSettings startupSettings;

    // State for the window's other services and for tests.
    ProgramData *design() const { return programData; }
    MenuWidget *palette() const { return menuWidget; }
    LabelWidget *labelStrip() const { return labelWidget; }
    QTabWidget *tabs() const { return tabWidget; }
    // The text of a sheet's tab as the user wrote it.
    QString tabName(int index) const;
    QAction *action(const char *objectName) const;
    QAction *recentFileAction(int index) const { return recentFileActs[index]; }
    QSettings *settingsStore() const { return settings; }
    QString currentFileName() const { return fileName; }
    const QByteArray &baseDocumentBytes() const { return baseDocument; }
    const QVector<QByteArray> &snapshots() const { return undoSnapshots; }
    int currentUndoIndex() const { return undoIndex; }
    int currentSavedIndex() const { return savedIndex; }
    int currentDownloadedIndex() const { return downloadedIndex; }
    int currentSheet() const { return currentSheetIndex; }
    bool settingsAllTaken() const { return allSettingsTaken; }
    bool rootElementMissing() const { return noRootElement; }
    bool isPasting() const { return pasting; }
    bool isTabKeyHeld() const { return tabKeyHeld; }
    bool isDeleteKeyHeld() const { return deleteKeyHeld; }
    bool isUpKeyHeld() const { return upKeyHeld; }
    bool isDownKeyHeld() const { return downKeyHeld; }
    // The whole document of the current design, as a snapshot would hold it.
    QByteArray documentText();
    // What the module operations left behind.
    QUdpThread *moduleThread() const { return udpThread; }
    QProgressDialog *progress() const;
    const QByteArray &moduleInformation() const { return fpgaInfo; }
    const QString &verifyReport() const { return htmlText; }
    DrcDialog *drcReport() const { return drcDialog; }
    UserControlDialog *userControl() const { return userControlDialog; }
    const UserControlRecord *userControlConfig() const { return userControlRecord; }
    const MsrCntConfig *counterConfig() const { return msrCntConfig; }
    MsrCntWidget *counterWindow() const { return msrCntWidget; }

signals:
    void closeVexon();
    void currentTabChanged(int index);

public slots:
    // Next steps (after a check thread) and ends (after the working thread) of the module
    // operations; the argument is the thread's success.
    void end(bool ok);
    void download(bool ok);
    void downloadStopped(bool ok);
    void Verify(bool ok);
    void verifyStopped(bool ok);
    void execProtect(bool ok);
    // What the threads and the device dialogs hand over.
    void checkFPGA(QByteArray *data);
    void onError(QString *text);
    void setHtml(QString *text);
    void setResult(int result);
    void setProgress(int value);
    void closedUserControl();
    void closedDrcDialog();
    void closedDrcDialog(bool go);
    // ROM pages, Sync and Clear ROM.
    void execROM(bool ok);
    void initialize(bool ok);
    void execSync(bool ok);
    void endInitialize(bool ok);
    void setXml(QByteArray *data, QString name);
    void on_action_Save_triggered();
    void on_action_Restore_triggered();
    void on_action_Change_Boot_ROM_Page_triggered();
    void on_action_Clear_ROM_triggered();
    void on_actionSync_triggered();
    void on_actionHardware_Setup_triggered();
    void on_action_Download_triggered();
    void on_action_Verify_triggered();
    void on_action_Write_Protect_triggered();
    void on_action_DRC_triggered();
    void on_action_Property_triggered();
    void on_action_About_triggered();
    void on_actionVe_xon_triggered();
    void on_action_User_Control_triggered();
    void itemSelect(bool selected);
    void newDiagram();
    void open(QString path);
    void open();
    void openRecentFile();
    bool save(QString path);
    bool save();
    void saveAs();
    void tabNew(bool record);
    void tabNew();
    void tabDelete(int index);
    void tabRename();
    void showTabMenu(const QPoint &pos);
    void setCurrentTab(int index);
    void isCopyText();
    void on_action_Undo_triggered();
    void on_actionRe_do_triggered();
    void on_actionCut_triggered();
    void on_actionCopy_triggered();
    void on_actionPaste_triggered();
    void on_action_Delete_triggered();
    void on_actionSelect_All_triggered();
    // The counter window has closed: forget it.
    void closedVexon();

protected:
    bool event(QEvent *event) override;

private:
    // Shared steps of the module operations.
    bool moduleAddress(QHostAddress *address);
    bool canStartModuleOperation();
    // Every thread runs under a modal box (a busy box for maximum 0) until its slot has run.
    QUdpThread *newModuleThread(const char *closedSlot, const QString &label, int maximum);
    QUdpThread *newCheckThread(const char *nextSlot, const QString &label);
    bool startModuleThread();
    bool takeFinishedThread();
    bool reportError();
    void reportCancel(const QString &outcome);
    static QString nothingWritten(const QString &operation);
    bool nextStepGoesOn(bool ok, const QString &operation);
    void setModuleActionsEnabled(bool enabled);
    void openProgressDialog(const QString &label, int maximum);
    void finishProgressDialog();
    bool cancelRequested() const;
    void stopModuleThread();
    static bool isSupported(const QByteArray &info);
    static bool isWritable(const QByteArray &info);
    void rebuildUserControl();
    void rebuildCounterConfig();
    MsrCntConfig *newCounterConfig() const;
    void showDrcReport();
    bool confirmDrcWarnings();
    static bool isProtected(const QByteArray &info, int index);
    void reportProtectCancel(int sent, int answered);
    bool takePageDocument(const QString &cancelled);
    bool loadPageDocument(const QByteArray &document, const QString &name);
    // Forgets a dialog that reported its end (the sender, or the one held when called
    // directly) and deletes it once its signal has returned.
    template <typename Dialog> void forgetDialog(Dialog *&held)
    {
        QObject *closed = sender() ? sender() : held;
        if (closed)
            closed->deleteLater();
        if (!sender() || sender() == held)
            held = nullptr;
    }

    bool parseDocument(QByteArray *data, bool prePass, bool *rootMissing);
    void setTabName(int index, const QString &name);
    void setTitle(const QString &name);
    void setModified(bool modified);
    void passKeyToSheet(QEvent *event);
    ProgramWidget *currentSheetWidget() const;
    // A block of the sheet and column already standing in the row.
    bool isRowTaken(int sheet, int column, int row) const;
    static int portLimit(const QString &kind);
    BlockItem *findSource(const QVector<BlockItem *> &list, const QString &name, int sheet) const;
    void connectSource(BlockItem *block, const QString &kind, int port, const QString &sourceName,
                       int sheet);

    MsrCntConfig *msrCntConfig = nullptr;
    MsrCntWidget *msrCntWidget = nullptr;
    UserControlRecord *userControlRecord = nullptr;
    QVector<ProgramWidget *> sheets;
    // Emptied sheets whose tabs follow the live ones while a document is read
    // into a cleared design; the read takes them back in order.
    QVector<ProgramWidget *> spareSheets;
    ProgramData *programData = nullptr;
    MenuWidget *menuWidget = nullptr;
    LabelWidget *labelWidget = nullptr;
    QString fileName;
    QStringList pasteNames;
    QMap<QString, QString> pasteRenames;
    bool pasting = false;
    bool noRootElement = false;
    bool allSettingsTaken = true;
    bool deleteKeyHeld = false;
    bool tabKeyHeld = false;
    bool controlKeyHeld = false;
    bool shiftKeyHeld = false;
    bool upKeyHeld = false;
    bool downKeyHeld = false;
    int currentSheetIndex = 0;
    QVector<QByteArray> undoSnapshots;
    QByteArray baseDocument;
    bool undoSuspended = false;
    int downloadedIndex = -1;
    int savedIndex = -1;
    int undoIndex = -1;
    Ui::MainWindow *ui = nullptr;
    QWidget *topWindow = nullptr;
    QTabWidget *tabWidget = nullptr;
    QSettings *settings = nullptr;
    QAction *recentFileActs[maxRecentFiles] = {};

    UserControlDialog *userControlDialog = nullptr;
    DrcDialog *drcDialog = nullptr;
    QTextDocument drcDocument;
    bool drcAccepted = false;
    QString errorText;
    QString htmlText;
    int operationResult = -1;
    QUdpThread *udpThread = nullptr;
    ModuleProgressDialog *progressDialog = nullptr;
    // The empty design that Clear ROM stores in every page, in place of the one shown.
    ProgramData *emptyDesign = nullptr;
    QByteArray fpgaInfo;
    // A Download's counter window was receiving when it began.
    bool countersWereReceiving = false;
    // A Write Protect run and the protection it asks for.
    bool protecting = false;
    bool protectCurrent = false;
    bool protectBoot = false;

    bool romSaving = false;
    int romMode = 0; // 0 save, 1 restore (and Sync), 2 boot page
    RomDialog *romDialog = nullptr;
    // A restore's page name and the buffer its worker fills; the editor takes both only when
    // the page's data arrive.
    QString romPageName;
    QByteArray romFile;
    // The page of the save or restore running, or the boot page being chosen (-1: none), and the
    // design a restore read, which the editor takes once the operation has ended uncancelled.
    int transferPage = -1;
    QByteArray pageDocument;
    QString pageDocumentName;
    bool pageDocumentArrived = false;
};

#endif // MAINWINDOW_H
