#include "blockitem.h"
#include "mainwindow.h"
#include "programdata.h"
#include "scriptedanswers.h"
#include "windowkit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

// The design document: its exact text, the reader's defaults for bad values,
// hostile input, and how entries become blocks.
class TestDesignDocument : public QObject, private WindowKit
{
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }

    void roundTripIsByteIdentical()
    {
        ScriptedAnswers answers;
        auto window = newWindow();
        QByteArray original = dataFile("every_kind.zvr3");
        QVERIFY(!original.isEmpty());
        QByteArray bytes = original;
        QVERIFY(window->loadDiagram(bytes, QStringLiteral("every_kind.zvr3"), false));
        QVERIFY(window->settingsAllTaken());
        QVERIFY(answers.warnings.isEmpty());
        QCOMPARE(window->sheetCount(), 3);
        QCOMPARE(window->tabs()->count(), 4);
        QCOMPARE(window->tabName(0), QStringLiteral("Main & <Co> \"q\""));
        QCOMPARE(window->connectionSettings.timeout, -5);
        QCOMPARE(window->documentText(), original);

        ProgramData *design = window->design();
        QCOMPARE(blockCount(design), 23);
        BlockItem *post = find(design->postLogicBlocks, QStringLiteral("PstLgc1"), 1);
        QVERIFY(post);
        QCOMPARE(post->inputs().keys(), (QList<int>{0, 1, 10}));
        QCOMPARE(post->inputAt(0)->kind(), QStringLiteral("Label1"));
        BlockItem *counter = find(design->functionBlocks, QStringLiteral("CntFnc1"), 1);
        QCOMPARE(counter->inputAt(0)->kind(), QStringLiteral("FeedBack0"));
        // Units: five function blocks; three wires into counters and delays from
        // logic blocks or label users, one from a feedback user.
        QCOMPARE(remaining(window.get(), "PostLogicInfo"), 11 - 5);
        QCOMPARE(remaining(window.get(), "PreLogicInfo"), 8 - 3);
        QCOMPARE(remaining(window.get(), "FeedBackInfo"), 8 - 1);
        QCOMPARE(remaining(window.get(), "OUT-CH"), 8 - 2);
        QCOMPARE(remaining(window.get(), "MsrCnt"), 4 - 2);
        QCOMPARE(remaining(window.get(), "FeedBack"), 8 - 1);

        // Through a file as well: the saved file holds the same bytes.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("copy.zvr3"));
        QVERIFY(window->save(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), original);
    }

    void twoEmptySheetsGolden()
    {
        ScriptedAnswers answers;
        auto window = newWindow(true);
        window->tabNew(false);
        window->tabs()->setCurrentIndex(1);
        answers.texts.enqueue(qMakePair(true, QStringLiteral("Main")));
        window->tabRename();
        QCOMPARE(window->documentText(), dataFile("two_empty_sheets.zvr3"));
    }

    void rootAttributes_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("tcpPort");
        QTest::addColumn<int>("udpPort");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<bool>("autoConnect");

        QTest::newRow("all good") << QByteArray(
                                         "<Zivra3 addr=\"127.1.2.3\" tcpPort=\"25\" "
                                         "udpPort=\"4661\" Timeout=\"3\" autoConnect=\"true\">")
                                  << "127.1.2.3" << 25 << 4661 << 3 << true;
        QTest::newRow("nothing given")
            << QByteArray("<Zivra3>") << QString() << 0 << 0 << 1 << false;
        QTest::newRow("timeout zero")
            << QByteArray("<Zivra3 Timeout=\"0\">") << QString() << 0 << 0 << 1 << false;
        QTest::newRow("timeout not a number")
            << QByteArray("<Zivra3 Timeout=\"soon\">") << QString() << 0 << 0 << 1 << false;
        QTest::newRow("timeout negative")
            << QByteArray("<Zivra3 Timeout=\"-5\">") << QString() << 0 << 0 << -5 << false;
        QTest::newRow("timeout of an hour")
            << QByteArray("<Zivra3 Timeout=\"3600\">") << QString() << 0 << 0 << 3600 << false;
        QTest::newRow("timeout that overflowed the polls")
            << QByteArray("<Zivra3 Timeout=\"214748365\">") << QString() << 0 << 0 << 1 << false;
        QTest::newRow("port above 16 bits")
            << QByteArray("<Zivra3 tcpPort=\"65560\" udpPort=\"x\">") << QString() << 24 << 0 << 1
            << false;
        QTest::newRow("autoConnect in capitals")
            << QByteArray("<Zivra3 autoConnect=\"TRUE\">") << QString() << 0 << 0 << 1 << false;
        QTest::newRow("host unchecked")
            << QByteArray("<Zivra3 addr=\"a &amp; b\">") << "a & b" << 0 << 0 << 1 << false;
    }

    void rootAttributes()
    {
        QFETCH(QByteArray, root);
        auto window = newWindow();
        QByteArray text = document("<tab id=\"0\" name=\"Sheet1\"></tab>\n", root);
        QVERIFY(window->readXmlData(&text));
        QTEST(window->connectionSettings.host, "host");
        QTEST(int(window->connectionSettings.tcpPort), "tcpPort");
        QTEST(int(window->connectionSettings.udpPort), "udpPort");
        QTEST(window->connectionSettings.timeout, "timeout");
        QTEST(window->connectionSettings.autoConnect, "autoConnect");
    }

    void hostileDocuments_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<bool>("allTaken");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("sheets");

        QTest::newRow("entry before any tab goes to sheet 0")
            << document(entry("PreLogic", 0, "P")) << true << true << 1 << 1;
        QTest::newRow("negative tab id")
            << document("<tab id=\"-1\" name=\"x\">" + entry("PreLogic", 0, "P") + "</tab>")
            << false << true << 0 << 1;
        QTest::newRow("tab id above the cap")
            << document("<tab id=\"256\" name=\"x\"></tab>") << false << true << 0 << 1;
        QTest::newRow("tab id at the cap")
            << document("<tab id=\"255\" name=\"x\"></tab>") << true << true << 0 << 256;
        QTest::newRow("tab id skipped")
            << document("<tab id=\"0\" name=\"a\"></tab><tab id=\"2\" name=\"c\"></tab>") << true
            << true << 0 << 3;
        QTest::newRow("row beyond the column")
            << document(entry("PreLogic", 14, "P") + entry("PreLogic", 13, "Q")) << true << false
            << 1 << 1;
        QTest::newRow("row taken")
            << document(entry("Input", 0, "IN-CH0") + entry("Input", 0, "IN-CH1")) << true << false
            << 1 << 1;
        QTest::newRow("same row in another column")
            << document(entry("Input", 0, "IN-CH0") + entry("PreLogic", 0, "P")) << true << true
            << 2 << 1;
        QTest::newRow("logic port out of range")
            << document(entry("Input", 0, "IN-CH0") +
                        entry("PreLogic", 0, "P", "<net port=\"11\">IN-CH0</net>"))
            << true << false << 2 << 1;
        QTest::newRow("function port other than 0")
            << document(entry("PreLogic", 0, "P") +
                        entry("CntFnc", 0, "C", "<net port=\"1\">P</net>"))
            << true << false << 2 << 1;
        QTest::newRow("input with an input")
            << document(entry("PostLogic", 0, "Q") +
                        entry("Input", 0, "IN-CH0", "<net port=\"0\">Q</net>"))
            << true << false << 2 << 1;
        QTest::newRow("output channel out of range")
            << document(entry("OUT-CH9", 0, "OUT-CH9") + entry("OUT-CH", 1, "OUT-CHx")) << true
            << false << 0 << 1;
        QTest::newRow("counter out of range")
            << document(entry("MsrCnt4", 0, "MsrCnt4") + entry("MsrCnt", 1, " MsrCnt2 ")) << true
            << false << 1 << 1;
        QTest::newRow("entry without id")
            << document("<entry term=\"PreLogic\"><name>P</name></entry>") << false << true << 0
            << 1;
        QTest::newRow("entry without kind")
            << document("<entry><id>0</id></entry>") << false << true << 0 << 1;
        QTest::newRow("id not a number is row 0")
            << document("<entry term=\"PreLogic\"><id>x</id><name>P</name></entry>") << true << true
            << 1 << 1;
        QTest::newRow("timeout above an hour dropped")
            << document(QByteArray(), "<Zivra3 Timeout=\"3601\">") << true << false << 0 << 1;
        QTest::newRow("unknown kind dropped")
            << document(entry("Gizmo", 0, "G")) << true << true << 0 << 1;
        // Deep enough to overflow the stack of a recursive reader.
        QTest::newRow("elements nested far too deep")
            << document(entry("PreLogic", 0, "P") + QByteArray("<x>").repeated(200000) +
                        QByteArray("</x>").repeated(200000))
            << false << true << 1 << 1;
        QTest::newRow("not XML") << QByteArray("<Zivra3><tab") << false << true << 0 << 1;
        QTest::newRow("empty") << QByteArray() << false << true << 0 << 1;
    }

    void hostileDocuments()
    {
        QFETCH(QByteArray, text);
        ScriptedAnswers answers;
        auto window = newWindow();
        const bool parsed = window->readXmlData(&text);
        QTEST(parsed, "parsed");
        QTEST(window->settingsAllTaken(), "allTaken");
        QTEST(blockCount(window->design()), "blocks");
        QTEST(window->sheetCount(), "sheets");
        if (!parsed && !window->rootElementMissing()) {
            QCOMPARE(answers.warnings.size(), 1);
            QVERIFY(answers.warnings.first().startsWith(
                QStringLiteral("SAX Handler|Parse error at line")));
        }
    }

    void entityExpansionIsAParseError()
    {
        QByteArray text = "<?xml version=\"1.0\"?>\n<!DOCTYPE z [\n<!ENTITY a \"aaaaaaaaaa\">\n";
        QByteArray previous = "a";
        for (int i = 1; i <= 9; ++i) {
            const QByteArray name = "a" + QByteArray::number(i);
            text += "<!ENTITY " + name + " \"" + QByteArray("&" + previous + ";").repeated(10) +
                    "\">\n";
            previous = name;
        }
        text += "]>\n<Zivra3 addr=\"&a9;\"><tab id=\"0\" name=\"&a9;\"></tab></Zivra3>\n";
        ScriptedAnswers answers;
        auto window = newWindow();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!window->readXmlData(&text));
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(answers.warnings.size(), 1);
        QVERIFY(window->tabs()->tabText(0).size() < 100000);
    }

    void valuesAreWholeAndJudgedByTheirFirstCharacter()
    {
        auto window = newWindow();
        QByteArray text = document(
            entry("PreLogic", 0, "Pre<![CDATA[Lgc]]>&amp;7", "<userName>\tTabbed</userName>") +
            entry("PreLogic", 1, "Q",
                  "<userName> spaced</userName><logic>_A</logic>"
                  "<property>_B</property>") +
            entry("PreLogic", 2, "R", "<userName>\nLined</userName><logic>_C</logic>"));
        QVERIFY(window->readXmlData(&text));
        ProgramData *design = window->design();
        QCOMPARE(design->preLogicBlocks.size(), 3);
        BlockItem *first = design->preLogicBlocks.at(0);
        QCOMPARE(first->name(), QStringLiteral("PreLgc&7"));
        QVERIFY(first->userName().isEmpty());
        BlockItem *second = design->preLogicBlocks.at(1);
        QCOMPARE(second->userName(), QStringLiteral(" spaced"));
        // "property" wins over "logic".
        QCOMPARE(second->params(), QStringLiteral("_B"));
        QCOMPARE(design->preLogicBlocks.at(2)->params(), QStringLiteral("_C"));
        QVERIFY(design->preLogicBlocks.at(2)->userName().isEmpty());
    }

    void portsAreVisitedInTextOrder()
    {
        // Missing inputs are made on the sheet in the order their ports are
        // visited: "0", "10", "2".
        auto window = newWindow();
        QByteArray text = document(
            entry("PreLogic", 0, "P",
                  "<net port=\"0\">A</net><net port=\"2\">C</net><net port=\"10\">B</net>"));
        QVERIFY(window->readXmlData(&text));
        ProgramData *design = window->design();
        QCOMPARE(design->inputBlocks.size(), 3);
        QCOMPARE(design->inputBlocks.at(0)->name(), QStringLiteral("A"));
        QCOMPARE(design->inputBlocks.at(1)->name(), QStringLiteral("B"));
        QCOMPARE(design->inputBlocks.at(2)->name(), QStringLiteral("C"));
        QCOMPARE(design->inputBlocks.at(1)->id(), 1);
        QCOMPARE(design->inputBlocks.at(1)->kind(), QStringLiteral("Input"));
        BlockItem *logic = design->preLogicBlocks.first();
        QCOMPARE(logic->inputAt(10), design->inputBlocks.at(1));
        QCOMPARE(logic->inputAt(2), design->inputBlocks.at(2));
    }

    void quotaOverflowDropsBlocksAndWiresOnce()
    {
        QByteArray body = "<tab id=\"0\" name=\"Sheet1\">\n" + entry("PreLogic", 0, "P");
        for (int i = 0; i < 9; ++i)
            body += entry("CntFnc", i, "C" + QByteArray::number(i), "<net port=\"0\">P</net>");
        body += entry("PostLogic", 0, "Q", "<net port=\"0\">C8</net><net port=\"1\">C7</net>");
        body += "</tab>\n";
        QByteArray text = document(body);

        ScriptedAnswers answers;
        auto window = newWindow();
        QVERIFY(window->loadDiagram(text, QStringLiteral("quota.zvr3"), false));
        ProgramData *design = window->design();
        QCOMPARE(design->functionBlocks.size(), 8);
        QVERIFY(!find(design->functionBlocks, QStringLiteral("C8"), 0));
        QCOMPARE(design->postLogicBlocks.first()->inputs().keys(), QList<int>{1});
        QCOMPARE(remaining(window.get(), "CntFnc"), 0);
        QCOMPARE(remaining(window.get(), "PreLogicInfo"), 0);
        QCOMPARE(answers.warnings,
                 QStringList{"Zivra|The loaded file is not correct. Some setting is ignored."});
    }

    void outputsAndCountersTakeTheirNames()
    {
        auto window = newWindow();
        QByteArray text = document(entry("OUT-CH", 0, "") + entry("OUT-CH5", 1, "OUT-CH2") +
                                   entry("MsrCnt", 2, "  "));
        QVERIFY(window->readXmlData(&text));
        const QVector<BlockItem *> &sinks = window->design()->sinkBlocks;
        QCOMPARE(sinks.size(), 3);
        QCOMPARE(sinks.at(0)->kind(), QStringLiteral("OUT-CH0"));
        QCOMPARE(sinks.at(1)->kind(), QStringLiteral("OUT-CH2"));
        QCOMPARE(sinks.at(2)->kind(), QStringLiteral("MsrCnt0"));
        QCOMPARE(sinks.at(2)->name(), QStringLiteral("MsrCnt0"));
    }

    void clipboardTextHasNoRoot()
    {
        ScriptedAnswers answers;
        auto window = newWindow();
        QByteArray text =
            "<Zivra_Copy_Items>\n" + entry("PreLogic", 0, "P") + "</Zivra_Copy_Items>\n";
        QVERIFY(!window->readXmlData(&text));
        QVERIFY(window->rootElementMissing());
        QVERIFY(answers.warnings.isEmpty());
    }
};

QTEST_MAIN(TestDesignDocument)
#include "tst_designdocument.moc"
