#include "blockitem.h"
#include "mainwindow.h"
#include "modalhooks.h"
#include "programdata.h"
#include "programwidget.h"
#include "scriptedanswers.h"
#include "tablerow.h"
#include "windowkit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Copy and paste through the window, and the sheets working with the
// document: renaming, rows, label links, quotas and the one undo step.
class TestWindowSheets : public QObject, private WindowKit
{
    Q_OBJECT

private:
    static std::unique_ptr<MainWindow> loadedWindow(const QByteArray &body)
    {
        // Opened from a file, so that undo can go back to it.
        static QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("design.zvr3"), document(body));
        auto window = newWindow();
        window->open(path);
        if (window->currentFileName() != path)
            return nullptr;
        return window;
    }

    static void setClipboard(const QByteArray &entries)
    {
        QApplication::clipboard()->setText(
            QString::fromUtf8("<Zivra_Copy_Items>\n" + entries + "</Zivra_Copy_Items>\n"));
    }

private slots:
    void initTestCase() { isolateSettings(); }

    void copyAndPasteOnTheSameSheet()
    {
        ScriptedAnswers answers;
        auto window = loadedWindow(
            "<tab id=\"0\" name=\"Sheet1\">" + entry("Input", 0, "IN-CH0") +
            entry("PreLogic", 0, "PreLgc0", "<net port=\"0\">IN-CH0</net><property>_A</property>") +
            entry("CntFnc", 0, "CntFnc0", "<net port=\"0\">PreLgc0</net>") + "</tab>\n");
        QVERIFY(window);
        window->on_actionSelect_All_triggered();
        QVERIFY(window->action("actionCopy")->isEnabled());
        window->on_actionCopy_triggered();
        QVERIFY(
            QApplication::clipboard()->text().startsWith(QStringLiteral("<Zivra_Copy_Items>\n")));
        QVERIFY(window->isPasteEnabled());

        window->on_actionPaste_triggered();
        QCOMPARE(window->snapshots().size(), 1);
        QVERIFY(window->isWindowModified());
        ProgramData *design = window->design();
        QCOMPARE(design->preLogicBlocks.size(), 2);
        BlockItem *logic = find(design->preLogicBlocks, QStringLiteral("PreLgc1"), 0);
        QVERIFY(logic);
        QCOMPARE(logic->id(), 1);
        QCOMPARE(logic->params(), QStringLiteral("_A"));
        BlockItem *counter = find(design->functionBlocks, QStringLiteral("CntFnc1"), 0);
        QVERIFY(counter);
        QCOMPARE(counter->id(), 1);
        // The pasted counter is fed by the pasted logic block, not the original.
        QCOMPARE(counter->inputAt(0), logic);
        QCOMPARE(remaining(window.get(), "CntFnc"), 6);
        QCOMPARE(remaining(window.get(), "PreLogicInfo"), 6);
        QVERIFY(!window->isPasting());

        // One undo step takes the whole paste back.
        window->on_action_Undo_triggered();
        QCOMPARE(window->design()->preLogicBlocks.size(), 1);
        QCOMPARE(window->design()->functionBlocks.size(), 1);
        QCOMPARE(answers.unexpected, 0);
    }

    void pasteKeepsTheInputWires_data()
    {
        QTest::addColumn<bool>("otherSheet");
        QTest::addColumn<bool>("withInput");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("inputsThere");
        QTest::addColumn<QByteArray>("pastedInput"); // empty: the document's, copied
        QTest::addColumn<QByteArray>("userName");    // of the document's channel
        QTest::addColumn<QByteArray>("sheetB");

        // The pasted input takes a channel the sheet lacks; without it the
        // wire goes to the sheet's own input of that channel, made if absent.
        // A channel that stands elsewhere keeps the settings and name it has there.
        const QByteArray none;
        const QByteArray veto("Veto");
        row("same sheet, with input", false, true, "IN-CH1", 2, none, none, none);
        row("same sheet, logic only", false, false, "IN-CH0", 1, none, none, none);
        row("other sheet, with input", true, true, "IN-CH0", 1, none, none, none);
        row("other sheet, logic only", true, false, "IN-CH0", 1, none, none, none);
        row("other sheet, input set otherwise", true, true, "IN-CH0", 1,
            entry("Input", 0, "IN-CH0", "<property>bUser=true bHigh=false Vth=10</property>"), none,
            none);
        row("other sheet, logic only, named channel", true, false, "IN-CH0", 1, none, veto, none);
        row("same sheet, with input, moved to a named channel", false, true, "IN-CH1", 2, none,
            none,
            entry("Input", 0, "IN-CH1",
                  "<userName>Stop</userName><property>bUser=false bHigh=true Vth=3194</property>"));
        row("other sheet, input copied before its channel was named", true, true, "IN-CH0", 1,
            entry("Input", 0, "IN-CH0", "<userName>Old</userName>"), veto, none);
    }

    void pasteKeepsTheInputWires()
    {
        QFETCH(bool, otherSheet);
        QFETCH(bool, withInput);
        QFETCH(QString, source);
        QFETCH(int, inputsThere);
        QFETCH(QByteArray, pastedInput);
        QFETCH(QByteArray, userName);
        QFETCH(QByteArray, sheetB);

        ScriptedAnswers answers;
        const QByteArray logic =
            entry("PreLogic", 0, "PreLgc0", "<net port=\"0\">IN-CH0</net><property>_A</property>");
        const QString ttl = QStringLiteral("bUser=false bHigh=true Vth=3194");
        const QByteArray named =
            userName.isEmpty() ? userName : "<userName>" + userName + "</userName>";
        auto window = loadedWindow(
            "<tab id=\"0\" name=\"a\">" +
            entry("Input", 0, "IN-CH0", named + "<property>" + ttl.toLatin1() + "</property>") +
            logic + "</tab><tab id=\"1\" name=\"b\">" + sheetB + "</tab>\n");
        QVERIFY(window);
        if (!pastedInput.isEmpty()) {
            setClipboard(pastedInput + logic);
        } else if (withInput) {
            window->on_actionSelect_All_triggered();
            window->on_actionCopy_triggered();
        } else {
            setClipboard(logic);
        }
        const int sheet = otherSheet ? 1 : 0;
        window->tabs()->setCurrentIndex(sheet);
        window->on_actionPaste_triggered();
        // The channel shows one name, on every sheet.
        const QVector<BlockItem *> &shown = window->design()->inputBlocks;
        const QImage picture = find(shown, source, sheet)->owner()->pixmap()->toImage();
        QCOMPARE(picture == find(shown, "IN-CH0", 0)->pixmap().toImage(), source == "IN-CH0");
        if (BlockItem *twin = find(shown, source, 1 - sheet))
            QCOMPARE(picture, twin->pixmap().toImage());

        // The wire survives a save and a reload.
        static QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".zvr3");
        QVERIFY(window->save(path));
        auto reopened = newWindow();
        reopened->open(path);
        ProgramData *design = reopened->design();
        BlockItem *pasted = find(design->preLogicBlocks, QStringLiteral("PreLgc1"), sheet);
        QVERIFY(pasted);
        BlockItem *input = pasted->inputAt(0);
        QVERIFY(input);
        QCOMPARE(input->name(), source);
        QCOMPARE(input->displayName(), !sheetB.isEmpty()    ? QString("Stop")
                                       : userName.isEmpty() ? source
                                                            : QString(userName));
        QCOMPARE(input->sheet(), sheet);
        QCOMPARE(input->params(), ttl);
        int inputs = 0;
        for (BlockItem *block : qAsConst(design->inputBlocks))
            inputs += block->sheet() == sheet;
        QCOMPARE(inputs, inputsThere);
        // The original keeps its own wire.
        BlockItem *original = find(design->preLogicBlocks, QStringLiteral("PreLgc0"), 0);
        QVERIFY(original && original->inputAt(0));
        QCOMPARE(original->inputAt(0)->name(), QStringLiteral("IN-CH0"));
        QCOMPARE(answers.unexpected, 0);
    }

    void documentsReuseTheSheets_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("tabs");

        const QByteArray three = "<tab id=\"0\" name=\"A\"></tab><tab id=\"1\" name=\"B\"></tab>"
                                 "<tab id=\"2\" name=\"C\"></tab>";
        QTest::newRow("fewer sheets")
            << three << QByteArray("<tab id=\"0\" name=\"X\"></tab>") << QStringList{"X", "+"};
        QTest::newRow("more sheets") << QByteArray("<tab id=\"0\" name=\"A\"></tab>") << three
                                     << QStringList{"A", "B", "C", "+"};
        // A sheet that the document skips takes the default name, not its old one.
        QTest::newRow("a gap") << three
                               << QByteArray("<tab id=\"0\" name=\"Sheet1\"></tab>"
                                             "<tab id=\"2\" name=\"Z\"></tab>")
                               << QStringList{"Sheet1", "Sheet2", "Z", "+"};
    }

    void documentsReuseTheSheets()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, tabs);

        ScriptedAnswers answers;
        auto window = newWindow();
        auto texts = [&window]() {
            QStringList names;
            for (int i = 0; i < window->tabs()->count(); ++i)
                names << window->tabs()->tabText(i);
            return names;
        };
        // Each sheet carries one block of its own, named after its tab's index.
        auto withBlocks = [](const QByteArray &tabsText) {
            QByteArray body = tabsText;
            for (int id = 0; id < 3; ++id) {
                const QByteArray open = "<tab id=\"" + QByteArray::number(id) + "\" name=\"";
                const int at = body.indexOf(open);
                if (at >= 0) {
                    const int end = body.indexOf("</tab>", at);
                    body.insert(end, entry("PostLogic", 0, "Q" + QByteArray::number(id)));
                }
            }
            return document(body + "\n");
        };
        QByteArray first = withBlocks(before);
        QVERIFY(window->loadDiagram(first, QStringLiteral("before.zvr3"), false));
        window->tabs()->setCurrentIndex(window->sheetCount() - 1);
        QByteArray second = withBlocks(after);
        QVERIFY(window->loadDiagram(second, QStringLiteral("after.zvr3"), false));
        QCOMPARE(texts(), tabs);
        QCOMPARE(window->sheetCount(), tabs.size() - 1);
        QCOMPARE(window->tabs()->currentIndex(), 0);
        for (int i = 0; i < window->sheetCount(); ++i)
            QCOMPARE(window->sheetAt(i)->sheet(), i);
        for (BlockItem *block : qAsConst(window->design()->postLogicBlocks))
            QCOMPARE(block->name(), QStringLiteral("Q%1").arg(block->sheet()));

        // Undo and redo go between the two as well, and "+" still adds a sheet.
        window->tabs()->setCurrentIndex(window->sheetCount() - 1);
        window->recordUndo();
        window->tabs()->setCurrentIndex(window->sheetCount());
        QCOMPARE(window->sheetCount(), tabs.size());
        window->on_action_Undo_triggered();
        QCOMPARE(texts(), tabs);
        for (int i = 0; i < window->sheetCount(); ++i)
            QCOMPARE(window->sheetAt(i)->sheet(), i);
        window->on_actionRe_do_triggered();
        QCOMPARE(window->sheetCount(), tabs.size());
        QCOMPARE(answers.unexpected, 0);
    }

    void rebuildsLeaveOnlyTheDesignsPictures_data()
    {
        QTest::addColumn<QString>("steps");
        // Each row starts from every_kind.zvr3 opened from a file: three sheets, every kind.
        for (const char *steps :
             {"move undo", "move undo redo", "delete undo redo", "open", "open move undo",
              "move new", "paste undo redo", "remove undo redo", "add paste undo undo redo redo",
              "keep remove remove remove undo undo undo"})
            QTest::newRow(steps) << QString(steps);
    }

    // After every rebuild the sheets show the document's blocks and wires and nothing else, and
    // Edit on a picture reaches a live block (the sanitizer build catches a freed one). Removing a
    // sheet, the only one too, is one undo step that keeps the connection settings.
    void rebuildsLeaveOnlyTheDesignsPictures()
    {
        QFETCH(QString, steps);
        ScriptedAnswers answers;
        static QTemporaryDir dir;
        const QString small = writeFile(
            dir, "small.zvr3",
            document("<tab id=\"0\" name=\"a\">" + entry("Input", 2, "IN-CH0") +
                     entry("PreLogic", 1, "PreLgc0", "<net port=\"0\">IN-CH0</net>") + "</tab>\n"));
        auto window = newWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->open(QStringLiteral(ZIVRA_TEST_DATA "/every_kind.zvr3"));
        QCOMPARE(window->sheetCount(), 3);
        for (const QString &step : steps.split(' ')) {
            if (step == "move") { // the last input one row down, as a drag would
                ProgramWidget *sheet = window->sheetAt(window->currentSheet());
                QVERIFY(sheet->moveItemRows(sheet->columnItems(ProgramWidget::InputColumn).last(),
                                            1, nullptr));
            } else if (step == "delete") {
                window->on_actionSelect_All_triggered();
                window->on_action_Delete_triggered();
            } else if (step == "undo" || step == "redo") {
                QAction *action = window->action(step == "undo" ? "action_Undo" : "actionRe_do");
                QVERIFY(action->isEnabled());
                action->trigger();
            } else if (step == "open") {
                window->open(small);
                QCOMPARE(window->currentFileName(), small);
            } else if (step == "new") {
                answers.buttons.enqueue(QMessageBox::Discard);
                window->newDiagram();
            } else if (step == "remove" || step == "keep") { // the first sheet: Yes or No
                const QByteArray before = window->documentText();
                const int undoSteps = window->snapshots().size();
                answers.buttons.enqueue(step == "keep" ? QMessageBox::No : QMessageBox::Yes);
                window->tabDelete(0);
                QCOMPARE(window->snapshots().size(), undoSteps + (step == "remove"));
                QCOMPARE(window->isWindowModified(), step == "remove");
                QCOMPARE(window->documentText() == before, step == "keep");
                QCOMPARE(window->connectionSettings.udpPort, quint16(4661));
            } else if (step == "paste") {
                setClipboard(entry("PostLogic", 3, "Q") + entry("CntFnc", 0, "CntFnc7"));
                window->on_actionPaste_triggered();
            } else { // a sheet added through "+"
                window->tabs()->setCurrentIndex(window->sheetCount());
                window->tabs()->setCurrentIndex(window->sheetCount() - 1);
            }
            const QString pictures = picturesMismatch(window.get());
            QVERIFY2(pictures.isEmpty(), qPrintable(step + ":\n" + pictures));
            QString wires; // once the sheet has painted
            QVERIFY2(QTest::qWaitFor(
                         [&]() { return (wires = wiresMismatch(window.get())).isEmpty(); }, 1000),
                     qPrintable(step + ":\n" + wires));
        }
        QCOMPARE(answers.unexpected, 0);

        QStringList edited, live;
        ModalHooks::setSettingsRunner([&edited](const ModalHooks::SettingsRequest &request) {
            edited << request.block->name();
        });
        for (int i = 0; i < window->sheetCount(); ++i)
            for (QLabel *label : window->sheetAt(i)->findChildren<QLabel *>())
                for (QAction *action : label->actions())
                    if (action->text() == "&Edit")
                        action->trigger();
        ModalHooks::setSettingsRunner(nullptr);
        for (BlockItem *block : blocks(window->design()))
            live << block->name();
        QVERIFY(!edited.isEmpty() || live.isEmpty());
        for (const QString &name : qAsConst(edited))
            QVERIFY2(live.contains(name), qPrintable(name));
    }

    void pasteGoesToTheCurrentSheet()
    {
        ScriptedAnswers answers;
        auto window = loadedWindow("<tab id=\"0\" name=\"a\">" + entry("PostLogic", 2, "Q") +
                                   "</tab><tab id=\"1\" name=\"b\"></tab>\n");
        QVERIFY(window);
        window->tabs()->setCurrentIndex(1);
        setClipboard(entry("PostLogic", 2, "Q"));
        window->on_actionPaste_triggered();
        BlockItem *pasted = window->design()->postLogicBlocks.last();
        QCOMPARE(pasted->sheet(), 1);
        QCOMPARE(pasted->id(), 0);
        QCOMPARE(pasted->name(), QStringLiteral("Q0"));
        QCOMPARE(window->tabs()->currentIndex(), 1);
    }

    void feedBackUsersFollowTheirSource()
    {
        ScriptedAnswers answers;
        auto window =
            loadedWindow("<tab id=\"0\" name=\"a\">" + entry("PostLogic", 0, "PstLgc0") +
                         entry("FeedBack", 0, "FeedBack0", "<net port=\"0\">PstLgc0</net>") +
                         "</tab><tab id=\"1\" name=\"b\"></tab>\n");
        QVERIFY(window);
        window->tabs()->setCurrentIndex(1);
        setClipboard(entry("FeedBack", 0, "FeedBack0") + entry("FeedBack0", 0, "FeedBack0"));
        window->on_actionPaste_triggered();
        ProgramData *design = window->design();
        BlockItem *source = find(design->sinkBlocks, QStringLiteral("FeedBack1"), 1);
        QVERIFY(source);
        QCOMPARE(source->kind(), QStringLiteral("FeedBack"));
        BlockItem *user = find(design->labelBlocks, QStringLiteral("FeedBack1"), 1);
        QVERIFY(user);
        QCOMPARE(user->kind(), QStringLiteral("FeedBack1"));
        QCOMPARE(remaining(window.get(), "FeedBack"), 6);
        QCOMPARE(answers.unexpected, 0);
    }

    void fullColumnWarnsPerEntry()
    {
        ScriptedAnswers answers;
        auto window = loadedWindow("<tab id=\"0\" name=\"a\"></tab>\n");
        QVERIFY(window);
        QByteArray entries;
        for (int i = 0; i < 16; ++i)
            entries += entry("PreLogic", i, "P" + QByteArray::number(i));
        setClipboard(entries);
        window->on_actionPaste_triggered();
        QCOMPARE(window->design()->preLogicBlocks.size(), 14);
        QCOMPARE(answers.warnings, (QStringList{"Zivra|There's not enough space.",
                                                "Zivra|There's not enough space."}));
        QCOMPARE(window->snapshots().size(), 1);

        // Nothing to paste still leaves one snapshot.
        answers.warnings.clear();
        setClipboard(entry("PreLogic", 0, "P99"));
        window->on_actionPaste_triggered();
        QCOMPARE(window->snapshots().size(), 2);
        QCOMPARE(answers.warnings.size(), 1);
    }

    void pastedTextIsUtf8()
    {
        ScriptedAnswers answers;
        auto window = loadedWindow("<tab id=\"0\" name=\"a\"></tab>\n");
        QVERIFY(window);
        setClipboard(entry("PreLogic", 0,
                           "Pr\xc3\xbc"
                           "f",
                           "<userName>\xce\xa3 gate</userName>"));
        window->on_actionPaste_triggered();
        QCOMPARE(window->design()->preLogicBlocks.size(), 1);
        BlockItem *block = window->design()->preLogicBlocks.first();
        QCOMPARE(block->name(), QStringLiteral("Pr\u00fcf"));
        QCOMPARE(block->userName(), QStringLiteral("\u03a3 gate"));
    }

    void aHeldKeyReachesTheSheetOnce()
    {
        ScriptedAnswers answers;
        auto window =
            loadedWindow("<tab id=\"0\" name=\"a\">" + entry("PreLogic", 5, "P") + "</tab>\n");
        QVERIFY(window);
        window->on_actionSelect_All_triggered();
        BlockItem *block = window->design()->preLogicBlocks.first();
        auto send = [&window](QEvent::Type type, bool repeat = false) {
            QKeyEvent event(type, Qt::Key_Up, Qt::NoModifier, QString(), repeat);
            QApplication::sendEvent(window.get(), &event);
        };
        // A press arrives as a shortcut override, a key press and repeats.
        send(QEvent::ShortcutOverride);
        send(QEvent::KeyPress);
        send(QEvent::KeyPress, true);
        send(QEvent::KeyPress, true);
        QCOMPARE(block->id(), 4);
        QCOMPARE(window->snapshots().size(), 1);
        send(QEvent::KeyRelease);
        send(QEvent::ShortcutOverride);
        send(QEvent::KeyPress);
        QCOMPARE(block->id(), 3);
        QCOMPARE(window->snapshots().size(), 2);
    }

    void deletingASheetTakesItsLabelUsersAlong()
    {
        QFile file(QStringLiteral(ZIVRA_TEST_DATA "/every_kind.zvr3"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        ScriptedAnswers answers;
        auto window = std::make_unique<MainWindow>(QString(), nullptr);
        QByteArray text = file.readAll();
        QVERIFY(window->loadDiagram(text, QStringLiteral("every_kind.zvr3"), false));
        answers.buttons.enqueue(QMessageBox::Yes);
        window->tabDelete(0);
        QCOMPARE(window->sheetCount(), 2);
        ProgramData *design = window->design();
        // The users of the removed sources are gone; what else stood on the
        // second sheet is now on the first.
        QVERIFY(design->labelBlocks.isEmpty());
        BlockItem *counter = find(design->functionBlocks, QStringLiteral("CntFnc1"), 0);
        QVERIFY(counter);
        QVERIFY(counter->inputs().isEmpty());
        QVERIFY(find(design->sinkBlocks, QStringLiteral("OUT-CH1"), 0));
        QCOMPARE(remaining(window.get(), "FeedBack"), 8);
        QCOMPARE(remaining(window.get(), "FeedBackInfo"), 8);
        QCOMPARE(window->snapshots().size(), 1);
        // The snapshot reads back to the same design.
        QCOMPARE(window->documentText(), window->snapshots().last());
    }
};

QTEST_MAIN(TestWindowSheets)
#include "tst_windowsheets.moc"
