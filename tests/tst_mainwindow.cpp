#include "blockitem.h"
#include "labelwidget.h"
#include "mainwindow.h"
#include "menuwidget.h"
#include "paletteentry.h"
#include "programdata.h"
#include "programwidget.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <csignal>
#include <sys/resource.h>

// The main window: form, geometry, keys, undo and redo, sheet tabs, file
// commands and recent files, with every question answered by script.
class TestMainWindow : public QObject, private WindowKit
{
    Q_OBJECT

private:
    static bool enabled(MainWindow *window, const char *name)
    {
        return window->action(name)->isEnabled();
    }

    static QStringList tabTexts(MainWindow *window)
    {
        QStringList texts;
        for (int i = 0; i < window->tabs()->count(); ++i)
            texts.append(window->tabs()->tabText(i));
        return texts;
    }

    static QByteArray sheetsDocument()
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<Zivra3 addr=\"127.0.0.1\" tcpPort=\"24\" udpPort=\"4660\" Timeout=\"1\" "
               "autoConnect=\"false\">\n"
               "<tab id=\"0\" name=\"First\"><entry term=\"PreLogic\"><id>0</id><name>P0</name>"
               "</entry></tab>\n"
               "<tab id=\"1\" name=\"Second\"><entry term=\"PreLogic\"><id>0</id><name>P1</name>"
               "</entry><entry term=\"CntFnc\"><id>0</id><name>C1</name><net port=\"0\">P1</net>"
               "</entry></tab>\n"
               "<tab id=\"2\" name=\"Third\"><entry term=\"PostLogic\"><id>3</id><name>Q2</name>"
               "</entry></tab>\n"
               "</Zivra3>\n";
    }

    // A recorded edit that goes through no sheet: the connection settings
    // changed as the settings dialog changes them.
    static void edit(MainWindow *window, int tcpPort)
    {
        window->connectionSettings.tcpPort = quint16(tcpPort);
        window->recordUndo();
    }

    static void sendKey(MainWindow *window, QEvent::Type type, int key)
    {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void init()
    {
        QSettings(QStringLiteral("Quorix"), QStringLiteral("Zivra")).clear();
        QApplication::clipboard()->clear();
    }

    void formAndInitialState()
    {
        auto window = newWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
        QVERIFY(!window->isWindowModified());
        QCOMPARE(tabTexts(window.get()), (QStringList{"Sheet1", "+"}));
        QVERIFY(!window->tabs()->tabBar()->tabButton(1, QTabBar::RightSide));
        QVERIFY(!window->tabs()->tabBar()->tabButton(1, QTabBar::LeftSide));
        for (const char *name :
             {"action_Undo", "actionRe_do", "actionCut", "actionCopy", "actionPaste",
              "action_Delete", "actionVe_xon", "action_User_Control"})
            QVERIFY2(!enabled(window.get(), name), name);
        for (const char *name : {"actionNew", "actionOpen", "actionSave", "actionSaveAs",
                                 "action_Download", "action_Save", "action_Verify", "actionSync"})
            QVERIFY2(enabled(window.get(), name), name);
        QCOMPARE(window->action("action_Save")->text(), QStringLiteral("&Save to ROM"));
        QCOMPARE(window->action("actionSave")->text(), QStringLiteral("&Save"));
        QCOMPARE(window->action("actionSave")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(window->action("action_Delete")->shortcut(), QKeySequence(QStringLiteral("Del")));
        QVERIFY(!window->action("action_Undo")->icon().isNull());
        QVERIFY(window->action("actionSaveAs")->icon().isNull());

        QStringList menus;
        for (QAction *menu : window->menuBar()->actions())
            menus.append(menu->text());
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Setup", "&Help"}));
        auto *toolBar = window->findChild<QToolBar *>(QStringLiteral("toolBar"));
        QCOMPARE(toolBar->actions().size(), 17);
        auto *recent = window->findChild<QMenu *>(QStringLiteral("menu_Recent_Files"));
        QVERIFY(!recent->isEnabled());
        QCOMPARE(recent->actions().size(), 7);
        QCOMPARE(window->sheetAt(0)->sheet(), 0);
    }

    void pasteFollowsTheClipboard()
    {
        QApplication::clipboard()->setText(
            QStringLiteral("<Zivra_Copy_Items>\n</Zivra_Copy_Items>\n"));
        auto window = newWindow();
        QVERIFY(!enabled(window.get(), "actionPaste"));
        QApplication::clipboard()->setText(QStringLiteral("<Zivra_Copy_Items>\nx"));
        QVERIFY(enabled(window.get(), "actionPaste"));
        QVERIFY(window->isPasteEnabled());
        QApplication::clipboard()->setText(QStringLiteral(" <Zivra_Copy_Items>\n"));
        QVERIFY(!enabled(window.get(), "actionPaste"));
    }

    void pasteTakesBlocksOnly()
    {
        // Whatever else the clipboard holds, paste neither readdresses the
        // module nor adds sheets, and it always leaves one snapshot.
        ScriptedAnswers answers;
        auto window = newWindow(true);
        QApplication::clipboard()->setText(QStringLiteral(
            "<Zivra_Copy_Items>\n<Zivra3 addr=\"127.9.9.9\" tcpPort=\"1\"><tab id=\"50\" "
            "name=\"x\"/></Zivra3>\n</Zivra_Copy_Items>\n"));
        QVERIFY(window->isPasteEnabled());
        window->on_actionPaste_triggered();
        QCOMPARE(window->connectionSettings.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(window->connectionSettings.tcpPort, quint16(24));
        QCOMPARE(window->sheetCount(), 1);
        QCOMPARE(window->snapshots().size(), 1);
        QVERIFY(window->isWindowModified());
        QVERIFY(!window->isPasting());
        QVERIFY(answers.warnings.isEmpty());
    }

    void geometryIsRemembered()
    {
        {
            auto window = newWindow();
            QCOMPARE(window->size(), QSize(950, 690));
            window->setGeometry(100, 100, 900, 600);
        }
        QSettings store(QStringLiteral("Quorix"), QStringLiteral("Zivra"));
        QCOMPARE(store.value(QStringLiteral("mainwindow/geometry")).toRect(),
                 QRect(100, 100, 900, 600));
        {
            auto window = newWindow();
            QCOMPARE(window->size(), QSize(900, 600));
            QCOMPARE(window->pos(), QPoint(91, 64));
        }
        // Stored without a window frame around it, the rectangle would put the
        // frame above and left of the desktop: it stays on the desktop.
        store.setValue(QStringLiteral("mainwindow/geometry"), QRect(0, 0, 1500, 700));
        store.sync();
        auto window = newWindow();
        QCOMPARE(window->width(), 970);
        QCOMPARE(window->pos(), QPoint(0, 0));
    }

    void keysAreTracked()
    {
        auto window = newWindow();
        sendKey(window.get(), QEvent::ShortcutOverride, Qt::Key_Delete);
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Delete);
        QVERIFY(window->isDeleteKeyHeld());
        sendKey(window.get(), QEvent::KeyRelease, Qt::Key_Delete);
        QVERIFY(!window->isDeleteKeyHeld());
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Tab);
        QVERIFY(window->isTabKeyHeld());
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Control);
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Shift);
        QVERIFY(window->isControlKeyHeld());
        QVERIFY(window->isShiftKeyHeld());
        sendKey(window.get(), QEvent::KeyRelease, Qt::Key_Shift);
        sendKey(window.get(), QEvent::KeyRelease, Qt::Key_Tab);
        QVERIFY(!window->isShiftKeyHeld());
        QVERIFY(!window->isTabKeyHeld());
        // Undo, like the other commands, forgets a held Control.
        edit(window.get(), 1);
        window->on_action_Undo_triggered();
        QVERIFY(!window->isControlKeyHeld());
    }

    void closeAsksAndCancelKeepsEverything()
    {
        ScriptedAnswers answers;
        auto window = newWindow();
        window->show();
        QVERIFY(window->close());
        QVERIFY(answers.questions.isEmpty());

        window->show();
        edit(window.get(), 99);
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Control);
        answers.buttons.enqueue(QMessageBox::Cancel);
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QVERIFY(window->isWindowModified());
        QVERIFY(!window->isControlKeyHeld());
        QCOMPARE(
            answers.questions,
            QStringList{"|The document has been modified.\nDo you want to save your changes?"});
        answers.buttons.enqueue(QMessageBox::Discard);
        QVERIFY(window->close());
    }

    void undoAndRedo()
    {
        auto window = newWindow();
        // One edit, undone: an empty design, not modified.
        window->tabNew(true);
        QCOMPARE(window->sheetCount(), 2);
        QVERIFY(window->isWindowModified());
        QVERIFY(enabled(window.get(), "action_Undo"));
        window->on_action_Undo_triggered();
        QCOMPARE(window->sheetCount(), 1);
        QCOMPARE(tabTexts(window.get()), (QStringList{"Sheet1", "+"}));
        QVERIFY(!window->isWindowModified());
        QVERIFY(!enabled(window.get(), "action_Undo"));
        QVERIFY(enabled(window.get(), "actionRe_do"));
        // The empty design takes the defaults with auto-connect off.
        QCOMPARE(window->connectionSettings.host,
                 QString::fromLatin1(ConnectionSettings::factoryHost));
        QVERIFY(!window->connectionSettings.autoConnect);
        window->on_actionRe_do_triggered();
        QCOMPARE(window->sheetCount(), 2);
        QVERIFY(!enabled(window.get(), "actionRe_do"));

        // Three edits, save, undo: modified; redo: saved again.
        QTemporaryDir dir;
        edit(window.get(), 1);
        edit(window.get(), 2);
        QVERIFY(window->save(dir.filePath(QStringLiteral("u.zvr3"))));
        QVERIFY(!window->isWindowModified());
        window->on_action_Undo_triggered();
        QVERIFY(window->isWindowModified());
        QCOMPARE(window->connectionSettings.tcpPort, quint16(1));
        window->on_actionRe_do_triggered();
        QVERIFY(!window->isWindowModified());
        QCOMPARE(window->connectionSettings.tcpPort, quint16(2));

        // An edit after undo drops the redo part, and with it the downloaded snapshot: the new
        // one at its place is not what the module runs.
        window->afterDownload();
        QCOMPARE(window->currentDownloadedIndex(), 2);
        window->on_action_Undo_triggered();
        edit(window.get(), 3);
        QCOMPARE(window->snapshots().size(), 3);
        QCOMPARE(window->currentUndoIndex(), 2);
        QCOMPARE(window->currentDownloadedIndex(), MainWindow::noDownload);
        QVERIFY(!enabled(window.get(), "actionRe_do"));

        // Suspended recording leaves no snapshot.
        window->setUndoSuspended(true);
        edit(window.get(), 4);
        window->setUndoSuspended(false);
        QCOMPARE(window->snapshots().size(), 3);

        // Undo and redo keep the tab that was current.
        window->tabs()->setCurrentIndex(1);
        edit(window.get(), 5);
        window->on_action_Undo_triggered();
        QCOMPARE(window->tabs()->currentIndex(), 1);
        QCOMPARE(window->currentSheet(), 1);
    }

    void undoAfterLoadReadsTheFileAgain()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("three.zvr3"), sheetsDocument());
        ScriptedAnswers answers;
        auto window = newWindow();
        window->open(path);
        QCOMPARE(window->sheetCount(), 3);
        QVERIFY(!enabled(window.get(), "action_Undo"));
        QCOMPARE(window->baseDocumentBytes(), sheetsDocument());
        QCOMPARE(window->currentSheet(), 0);
        window->tabNew(true);
        QCOMPARE(window->sheetCount(), 4);
        window->on_action_Undo_triggered();
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(window->design()->functionBlocks.size(), 1);
        QCOMPARE(tabTexts(window.get()), (QStringList{"First", "Second", "Third", "+"}));
        QVERIFY(answers.warnings.isEmpty());
    }

    void tabNames()
    {
        auto window = newWindow();
        window->tabNew(false);
        window->tabNew(false);
        QCOMPARE(tabTexts(window.get()), (QStringList{"Sheet1", "Sheet2", "Sheet3", "+"}));
        QCOMPARE(window->tabs()->widget(2)->objectName(), QStringLiteral("tab2"));
        window->tabs()->setTabText(1, QStringLiteral("Sheet1"));
        window->tabNew(false);
        // "Sheet1" matches twice, so the next candidate is Sheet3, which is
        // taken once: Sheet4.
        QCOMPARE(window->tabs()->tabText(3), QStringLiteral("Sheet4"));

        auto other = newWindow();
        other->tabNew(false);
        other->tabNew(false);
        other->tabs()->setTabText(1, QStringLiteral("Main"));
        other->tabNew(false);
        QCOMPARE(tabTexts(other.get()), (QStringList{"Sheet1", "Main", "Sheet3", "Sheet2", "+"}));
        QCOMPARE(other->snapshots().size(), 0);
    }

    void plusTabMakesASheet()
    {
        ScriptedAnswers answers;
        auto window = newWindow();
        window->show();
        window->tabs()->setCurrentIndex(1);
        QCOMPARE(window->sheetCount(), 2);
        QCOMPARE(window->snapshots().size(), 1);
        QCOMPARE(tabTexts(window.get()), (QStringList{"Sheet1", "Sheet2", "+"}));
        QCOMPARE(window->tabs()->currentIndex(), 0);

        // Reached while Tab is held, "+" leads back to the first sheet.
        window->tabs()->setCurrentIndex(1);
        sendKey(window.get(), QEvent::KeyPress, Qt::Key_Tab);
        window->tabs()->setCurrentIndex(2);
        QCOMPARE(window->sheetCount(), 2);
        QCOMPARE(window->tabs()->currentIndex(), 0);
        QCOMPARE(window->currentSheet(), 0);
        QCOMPARE(window->labelStrip()->currentTab(), 0);
        sendKey(window.get(), QEvent::KeyRelease, Qt::Key_Tab);

        // A right click on "+" makes the sheet before the menu shows.
        QTabBar *bar = window->tabs()->tabBar();
        const QPoint plus = bar->mapTo(window->tabs(), bar->tabRect(2).center());
        window->showTabMenu(plus);
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(answers.menus, QStringList{"Tab &New,Tab &Rename"});
        window->showTabMenu(QPoint(-50, -50));
        QCOMPARE(answers.menus.size(), 1);
    }

    void tabRename()
    {
        ScriptedAnswers answers;
        auto window = newWindow();
        answers.texts.enqueue(qMakePair(true, QStringLiteral("   ")));
        window->tabRename();
        QCOMPARE(window->tabs()->tabText(0), QStringLiteral("Sheet1"));
        answers.texts.enqueue(qMakePair(false, QStringLiteral("Cancelled")));
        window->tabRename();
        QCOMPARE(window->tabs()->tabText(0), QStringLiteral("Sheet1"));
        QCOMPARE(window->snapshots().size(), 0);
        answers.texts.enqueue(qMakePair(true, QStringLiteral(" A ")));
        window->tabRename();
        QCOMPARE(window->tabs()->tabText(0), QStringLiteral(" A "));
        QCOMPARE(window->snapshots().size(), 1);
        QVERIFY(window->documentText().contains("name=\" A \""));
        // An ampersand is shown as written, not taken for a mnemonic.
        answers.texts.enqueue(qMakePair(true, QStringLiteral("R&D")));
        window->tabRename();
        QCOMPARE(window->tabName(0), QStringLiteral("R&D"));
        QCOMPARE(window->tabs()->tabText(0), QStringLiteral("R&&D"));
        QVERIFY(window->documentText().contains("name=\"R&amp;D\""));
    }

    void tabDeletion()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("three.zvr3"), sheetsDocument());
        ScriptedAnswers answers;
        auto window = newWindow();
        window->open(path);

        answers.buttons.enqueue(QMessageBox::No);
        window->tabDelete(0);
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(answers.questions,
                 QStringList{"First|Are you sure you want to remove this sheet?"});

        answers.buttons.enqueue(QMessageBox::Yes);
        window->tabDelete(0);
        QCOMPARE(window->sheetCount(), 2);
        QCOMPARE(tabTexts(window.get()), (QStringList{"Second", "Third", "+"}));
        QCOMPARE(window->snapshots().size(), 1);
        QVERIFY(window->isWindowModified());
        ProgramData *design = window->design();
        QCOMPARE(design->preLogicBlocks.size(), 1);
        QCOMPARE(design->preLogicBlocks.first()->name(), QStringLiteral("P1"));
        QCOMPARE(design->preLogicBlocks.first()->sheet(), 0);
        QCOMPARE(design->postLogicBlocks.first()->sheet(), 1);
        QCOMPARE(design->functionBlocks.first()->inputAt(0), design->preLogicBlocks.first());
        QCOMPARE(window->palette()->entryOfKind(QStringLiteral("CntFnc"))->remaining, 7);
        QCOMPARE(window->sheetAt(1)->sheet(), 1);

        // Undo brings the deleted sheet back.
        window->on_action_Undo_triggered();
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(window->design()->preLogicBlocks.size(), 2);

        // The last sheet is cleared, not removed, as one more undo step.
        auto single = newWindow();
        single->tabs()->setTabText(0, QStringLiteral("Mine"));
        edit(single.get(), 7);
        answers.buttons.enqueue(QMessageBox::Yes);
        single->tabDelete(0);
        QCOMPARE(tabTexts(single.get()), (QStringList{"Sheet1", "+"}));
        QCOMPARE(single->snapshots().size(), 2);
        QVERIFY(single->isWindowModified());
        QCOMPARE(answers.unexpected, 0);
    }

    void saveAsksForANameAndASuffix()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        writeFile(dir, QStringLiteral("taken.zvr3"), "old");
        ScriptedAnswers answers;
        auto window = newWindow();
        edit(window.get(), 5);
        answers.files.enqueue(dir.filePath(QStringLiteral("taken")));
        answers.buttons.enqueue(QMessageBox::No);
        answers.files.enqueue(dir.filePath(QStringLiteral("fresh")));
        QVERIFY(window->save());
        const QString fresh = dir.filePath(QStringLiteral("fresh.zvr3"));
        QCOMPARE(answers.questions.size(), 1);
        QVERIFY(answers.questions.first().endsWith(
            QStringLiteral("taken.zvr3 already exists.\nDo you want to replace it?")));
        QCOMPARE(answers.fileDialogs, (QStringList{"Save Zivra File", "Save Zivra File"}));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("taken.zvr3"))), QByteArray("old"));
        QCOMPARE(readFile(fresh), window->documentText());
        QCOMPARE(window->currentFileName(), fresh);
        QCOMPARE(window->windowTitle(), fresh + QStringLiteral("[*] - Zivra"));
        QVERIFY(!window->isWindowModified());
        QCOMPARE(window->currentSavedIndex(), 0);

        // Save As: an upper-case suffix is no suffix; Yes replaces.
        answers.files.enqueue(dir.filePath(QStringLiteral("taken")));
        answers.buttons.enqueue(QMessageBox::Yes);
        window->saveAs();
        QCOMPARE(readFile(dir.filePath(QStringLiteral("taken.zvr3"))), window->documentText());
        answers.files.enqueue(dir.filePath(QStringLiteral("upper.XML")));
        window->saveAs();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("upper.XML.zvr3"))));
        QCOMPARE(window->currentFileName(), dir.filePath(QStringLiteral("upper.XML.zvr3")));
        // A cancelled dialog saves nothing.
        answers.files.enqueue(QString());
        window->saveAs();
        QCOMPARE(answers.unexpected, 0);
    }

    void failedWriteGivesTheSystemsReason_data()
    {
        QTest::addColumn<int>("limit");  // bytes a file may hold
        QTest::addColumn<int>("blocks"); // PreLogic blocks in the design

        QTest::newRow("nothing fits") << 0 << 1;
        QTest::newRow("the header fits") << 100 << 1;
        QTest::newRow("fails while streaming") << 20000 << 14;
    }

    void failedWriteGivesTheSystemsReason()
    {
        QFETCH(int, limit);
        QFETCH(int, blocks);
        // A file size limit fails the write itself, as a full disk does.
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("old.zvr3"), "old version");
        ScriptedAnswers answers;
        QByteArray body = "<tab id=\"0\" name=\"a\">";
        for (int i = 0; i < blocks; ++i)
            body += entry("PreLogic", i, "P" + QByteArray::number(i),
                          "<property>" + QByteArray(2000, 'A') + "</property>");
        const QString source =
            writeFile(dir, QStringLiteral("source.zvr3"), document(body + "</tab>\n"));
        auto window = newWindow();
        window->open(source);
        QCOMPARE(window->design()->preLogicBlocks.size(), blocks);

        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = rlim_t(limit);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = window->save(path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QCOMPARE(answers.warnings, QStringList(QStringLiteral("file save|Cannot write file ") +
                                               path + QStringLiteral(":\nFile too large.")));
        QCOMPARE(readFile(path), QByteArray("old version"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("old.zvr3"), QStringLiteral("source.zvr3")}));
    }

    void failedSaveChangesNothing()
    {
        // Tests run as root, for whom a read-only folder is still writable:
        // a path below a regular file can be written by nobody.
        QTemporaryDir dir;
        writeFile(dir, QStringLiteral("plain"), "x");
        const QString bad = dir.filePath(QStringLiteral("plain/design.zvr3"));
        ScriptedAnswers answers;
        auto window = newWindow();
        edit(window.get(), 5);
        answers.files.enqueue(bad);
        QVERIFY(!window->save());
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY(answers.warnings.first().startsWith(QStringLiteral("file save|Cannot write file ") +
                                                    bad + QStringLiteral(":\n")));
        QVERIFY(window->isWindowModified());
        QCOMPARE(window->currentSavedIndex(), -1);
        QVERIFY(window->currentFileName().isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
        QVERIFY(window->settingsStore()
                    ->value(QStringLiteral("recentFileList"))
                    .toStringList()
                    .isEmpty());

        // New: Save is chosen, the save fails, so the work is kept.
        answers.buttons.enqueue(QMessageBox::Save);
        answers.files.enqueue(bad);
        window->newDiagram();
        QCOMPARE(window->snapshots().size(), 1);
        QVERIFY(window->isWindowModified());
        // Save chosen, then the file dialog cancelled: the work is kept too.
        answers.buttons.enqueue(QMessageBox::Save);
        answers.files.enqueue(QString());
        window->newDiagram();
        QCOMPARE(window->snapshots().size(), 1);

        // A writable path then saves as usual.
        const QString good = dir.filePath(QStringLiteral("good.zvr3"));
        QVERIFY(window->save(good));
        QVERIFY(!window->isWindowModified());
        QCOMPARE(answers.unexpected, 0);
    }

    void newAsksOnlyWhenModified()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        ScriptedAnswers answers;
        auto window = newWindow();
        window->newDiagram();
        QVERIFY(answers.questions.isEmpty());

        edit(window.get(), 5);
        answers.buttons.enqueue(QMessageBox::Cancel);
        window->newDiagram();
        QCOMPARE(window->snapshots().size(), 1);
        answers.buttons.enqueue(QMessageBox::Discard);
        window->newDiagram();
        QCOMPARE(window->snapshots().size(), 0);
        QVERIFY(!window->isWindowModified());
        QCOMPARE(window->connectionSettings.tcpPort, quint16(24));

        edit(window.get(), 6);
        answers.buttons.enqueue(QMessageBox::Save);
        answers.files.enqueue(dir.filePath(QStringLiteral("kept")));
        window->newDiagram();
        QVERIFY(readFile(dir.filePath(QStringLiteral("kept.zvr3"))).contains("tcpPort=\"6\""));
        QVERIFY(window->currentFileName().isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
        QCOMPARE(answers.unexpected, 0);
    }

    void openReportsBadFiles()
    {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        ScriptedAnswers answers;
        auto window = newWindow();
        const QString good = writeFile(dir, QStringLiteral("good.zvr3"), sheetsDocument());
        window->open(good);
        QCOMPARE(window->currentFileName(), good);

        const QString missing = dir.filePath(QStringLiteral("missing.zvr3"));
        window->open(missing);
        QCOMPARE(answers.warnings,
                 QStringList{"Zivra|" + missing + ": No such file or directory."});
        QCOMPARE(window->sheetCount(), 3);

        answers.warnings.clear();
        const QString broken = writeFile(dir, QStringLiteral("broken.zvr3"), "<Zivra3><tab id=");
        window->open(broken);
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY(answers.warnings.first().startsWith(QStringLiteral("SAX Handler|Parse error")));
        QCOMPARE(window->sheetCount(), 1);
        QVERIFY(window->currentFileName().isEmpty());
        QVERIFY(window->baseDocumentBytes().isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("NewFile[*] - Zivra"));
        // The next Save asks for a name instead of overwriting the earlier file.
        answers.files.enqueue(QString());
        QVERIFY(!window->save());
        QCOMPARE(answers.fileDialogs.size(), 1);

        answers.warnings.clear();
        const QString foreign = writeFile(dir, QStringLiteral("foreign.xml"), "<other/>");
        window->open(foreign);
        QCOMPARE(answers.warnings, QStringList{"Zivra|File specified in " + foreign +
                                               " is not a valid XML file for Zivra3."});

        // A path that exists but cannot be read is reported too.
        answers.warnings.clear();
        window->open(dir.path());
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY(answers.warnings.first().startsWith(QStringLiteral("Zivra|Cannot read file ")));

        // Open with its own dialog; cancelling it changes nothing.
        answers.files.enqueue(QString());
        window->open();
        QCOMPARE(answers.fileDialogs.last(), QStringLiteral("Open Zivra File"));
        answers.files.enqueue(good);
        window->open();
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(answers.unexpected, 0);
    }

    void startupSettingsWinOverTheFile()
    {
        QTemporaryDir dir;
        QByteArray text = sheetsDocument();
        text.replace("tcpPort=\"24\"", "tcpPort=\"77\"");
        const QString path = writeFile(dir, QStringLiteral("other.zvr3"), text);
        ScriptedAnswers answers;
        auto window = newWindow(true);
        window->open(path);
        QCOMPARE(window->connectionSettings.tcpPort, quint16(24));
        QCOMPARE(window->startupSettings.tcpPort, quint16(24));
        QVERIFY(window->isWindowModified());
        QCOMPARE(window->snapshots().size(), 1);
        window->on_action_Undo_triggered();
        QCOMPARE(window->connectionSettings.tcpPort, quint16(77));
        QVERIFY(!window->isWindowModified());
        // A new design takes the start-up settings.
        answers.buttons.enqueue(QMessageBox::Discard);
        window->newDiagram();
        QCOMPARE(window->connectionSettings.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(window->connectionSettings.tcpPort, quint16(24));
    }

    void recentFiles()
    {
        QTemporaryDir dir;
        ScriptedAnswers answers;
        {
            auto window = newWindow();
            for (int i = 0; i < 7; ++i)
                QVERIFY(!window->recentFileAction(i)->isVisible());
        }
        QSettings store(QStringLiteral("Quorix"), QStringLiteral("Zivra"));
        QStringList ten;
        for (int i = 0; i < 10; ++i)
            ten.append(dir.filePath(QStringLiteral("f%1.zvr3").arg(i)));
        store.setValue(QStringLiteral("recentFileList"), ten);
        store.sync();

        auto window = newWindow();
        QVERIFY(window->findChild<QMenu *>(QStringLiteral("menu_Recent_Files"))->isEnabled());
        for (int i = 0; i < 7; ++i) {
            QVERIFY(window->recentFileAction(i)->isVisible());
            QCOMPARE(window->recentFileAction(i)->text(), ten.at(i));
        }
        const QString saved = dir.filePath(QStringLiteral("F0.zvr3"));
        QVERIFY(window->save(saved));
        QStringList list =
            window->settingsStore()->value(QStringLiteral("recentFileList")).toStringList();
        QCOMPARE(list.size(), 7);
        QCOMPARE(list.first(), saved);
        QCOMPARE(list.at(1), ten.first());
        QVERIFY(window->save(saved));
        QCOMPARE(window->settingsStore()->value(QStringLiteral("recentFileList")).toStringList(),
                 list);

        // A recent file that is gone stays listed; opening it reports it.
        window->recentFileAction(1)->trigger();
        QCOMPARE(answers.warnings,
                 QStringList{"Zivra|" + ten.first() + ": No such file or directory."});
        QCOMPARE(window->settingsStore()->value(QStringLiteral("recentFileList")).toStringList(),
                 list);
        // Opening one puts it first.
        window->recentFileAction(0)->trigger();
        QCOMPARE(window->currentFileName(), saved);
        const QString ampersand = dir.filePath(QStringLiteral("R&D.zvr3"));
        QVERIFY(window->save(ampersand));
        QCOMPARE(window->recentFileAction(0)->text(), QString(ampersand).replace("&", "&&"));
        QCOMPARE(window->recentFileAction(0)->data().toString(), ampersand);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
