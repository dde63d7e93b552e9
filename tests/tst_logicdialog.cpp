#include "blockitem.h"
#include "editlogicdialog.h"
#include "highlighter.h"
#include "menudriver.h"
#include "programwidget.h"
#include "settingsdialogs.h"
#include "sheetbench.h"
#include "tablerow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

namespace {

// A PreLogic block on a real sheet: IN-CH0 on port A, a pass-through block fed
// by IN-CH1 on port B, ports C to K open. Its window opens as the Edit action
// opens it, shown.
struct LogicBench {
    LogicBench()
    {
        for (const char *kind : {"Input", "Input", "NonFnc", "PreLogic"})
            bench.paletteDrop(kind, sheet, {20, 600});
        in0 = bench.at(sheet, ProgramWidget::InputColumn, 0);
        in1 = bench.at(sheet, ProgramWidget::InputColumn, 1);
        pass = bench.at(sheet, ProgramWidget::FunctionColumn, 0);
        logic = bench.at(sheet, ProgramWidget::PreLogicColumn, 0);
        pass->connectInput(0, in1);
        logic->connectInput(0, in0);
        logic->connectInput(1, pass);
        snapshots = bench.host.snapshots;
    }

    // A window that a case leaves open goes with the fixture.
    ~LogicBench() { delete window; }

    void open(const QString &expression)
    {
        logic->params() = expression;
        window = SettingsDialogs::create(
            {ModalHooks::LogicDialog, sheet, logic, QRect(40, 60, 800, 330), "PreLgc0"});
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        dialog = static_cast<QScrollArea *>(window.data())->widget();
        QVERIFY(qobject_cast<EditLogicDialog *>(dialog));
    }

    QPushButton *button(const QString &name)
    {
        return dialog->findChild<QPushButton *>("pushButton_" + name);
    }
    void press(QDialogButtonBox::StandardButton which)
    {
        QTest::mouseClick(dialog->findChild<QDialogButtonBox *>("buttonBox")->button(which),
                          Qt::LeftButton);
    }
    void showNets(bool on)
    {
        dialog->findChild<QRadioButton *>(on ? "radioButtonNet" : "radioButtonPort")
            ->setChecked(true);
    }
    QString text() const { return dialog->findChild<QTextEdit *>("textEdit")->toPlainText(); }
    int newSnapshots() const { return bench.host.snapshots - snapshots; }

    SheetBench bench;
    ProgramWidget *sheet = bench.sheets.first();
    BlockItem *in0, *in1, *pass, *logic;
    QPointer<QWidget> window;
    QWidget *dialog = nullptr;
    int snapshots = 0;
};

// User names of the inputs on ports A and B, the expression stored, the
// buttons then clicked ("type:text": then typed on the keyboard), and the text
// shown in port and in net names.
struct NamesCase {
    QString nameA, nameB, start;
    QStringList buttons;
    QString inPorts, inNets;
};

struct OkCase {
    QString typed, stored, warning;
    bool netNames, ok; // typed in net names; OK, else Cancel
};

} // namespace

Q_DECLARE_METATYPE(NamesCase)
Q_DECLARE_METATYPE(OkCase)

class TestLogicDialog : public QObject
{
    Q_OBJECT

private slots:
    void netNames_data();
    void netNames();
    void okAndCancel_data();
    void okAndCancel();
    void deletePort();
    void highlighter_data();
    void highlighter();
};

void TestLogicDialog::netNames_data()
{
    const Table<NamesCase> add("c");
    const QStringList none;
    add("plain", {"", "", "_A and (not _B)", none, "_A and (not _B)", "IN-CH0 and (not IN-CH1)"});
    add("button after the stored text", {"", "", "_A or", {"B"}, "_A or _B ", "IN-CH0 or IN-CH1 "});
    add("operators, a net through the pass block",
        {"", "", "", {"A", "and", "not", "B"}, " _A  and  not  _B ", " IN-CH0  and  not  IN-CH1 "});
    add("brackets without blanks, open ports", {"",
                                                "",
                                                "",
                                                {"left", "C", "or", "K", "right", "xor"},
                                                "( _C  or  _K ) xor ",
                                                "( _C  or  _K ) xor "});
    add("name inside another", {"Trig", "Trig2", "(_A or _B) xor _A", none, "(_A or _B) xor _A",
                                "(Trig or Trig2) xor Trig"});
    add("operator inside a word",
        {"_And", "band", "_A and _B", none, "_A and _B", "_And and band"});
    add("net named like the other port",
        {"_B", "Gate", "_A and", {"B"}, "_A and _B ", "_A and Gate "});
    add("net named like an operator",
        {"and", "", "_A and _B", {"A"}, "_A and _B _A ", "_A and IN-CH1 _A "});
    add("same net on two ports", {"Sig", "Sig", "_A or _B", none, "_A or _B", "_A or _B"});
    add("typing after a port button",
        {"", "", "", {"A", "type:or _B"}, " _A or _B", " IN-CH0 or _B"});
    add("typing after an operator button",
        {"", "", "_A", {"and", "type:_B", "right"}, "_A and _B)", "IN-CH0 and _B)"});
}

void TestLogicDialog::netNames()
{
    QFETCH(NamesCase, c);
    for (bool nets : {false, true}) {
        LogicBench bench;
        bench.in0->setUserName(c.nameA);
        bench.in1->setUserName(c.nameB);
        bench.open(c.start);
        bench.showNets(nets);
        for (const QString &name : c.buttons)
            name.startsWith("type:") ? QTest::keyClicks(QApplication::focusWidget(), name.mid(5))
                                     : QTest::mouseClick(bench.button(name), Qt::LeftButton);
        QCOMPARE(bench.text(), nets ? c.inNets : c.inPorts);
        bench.showNets(false);
        QCOMPARE(bench.text(), c.inPorts);
    }
}

void TestLogicDialog::okAndCancel_data()
{
    const Table<OkCase> add("c");
    add("valid", {"_A and not _B", "_A and not _B", "", false, true});
    add("net names go back to ports", {"IN-CH0 or (IN-CH1)", "_A or (_B)", "", true, true});
    add("unchanged", {"_A", "_A", "", false, true});
    add("ends early", {"_A and", "_A", "Logic Error|invalid at EOF", false, true});
    add("open bracket",
        {"(_A or _B", "_A", "Logic Error|invalid --- ')' is missimg.", false, true});
    add("unknown word", {"_A and _Z", "_A", "Logic Error|invalid at '_Z'", false, true});
    add("the word EOF",
        {"_A EOF or nonsense (((", "_A", "Logic Error|invalid at 'EOF'", false, true});
    add("cancel", {"_A or _B", "_A", "", false, false});
}

void TestLogicDialog::okAndCancel()
{
    QFETCH(OkCase, c);
    LogicBench bench;
    bench.open("_A");
    bench.showNets(c.netNames);
    auto *edit = bench.dialog->findChild<QTextEdit *>("textEdit");
    edit->setPlainText(c.typed);
    edit->moveCursor(QTextCursor::End);
    bench.press(c.ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);

    QCOMPARE(bench.logic->params(), c.stored);
    QCOMPARE(bench.bench.warnings, c.warning.isEmpty() ? QStringList() : QStringList(c.warning));
    QCOMPARE(bench.newSnapshots(), c.stored != "_A" ? 1 : 0);
    if (c.warning.isEmpty()) {
        QTRY_VERIFY(bench.window.isNull()); // the window deletes itself
    } else {
        QVERIFY(bench.window->isVisible());
        QVERIFY(bench.dialog->findChild<QRadioButton *>("radioButtonPort")->isChecked());
        // What is typed next goes on at the expression's cursor.
        QTest::keyClicks(QApplication::focusWidget(), " x");
        QCOMPARE(bench.text(), c.typed + " x");
        QCOMPARE(bench.bench.warnings.size(), 1);
    }
}

void TestLogicDialog::deletePort()
{
    LogicBench bench;
    bench.open("_A and _B");
    QCOMPARE(bench.button("B")->text(), QString("_B\n\nIN-CH1"));
    MenuDriver menus;
    menus.choose = "&Delete";
    emit bench.button("C")->customContextMenuRequested({5, 5});
    QVERIFY(menus.menus.isEmpty()); // an open port offers no menu
    emit bench.button("B")->customContextMenuRequested({5, 5});

    QCOMPARE(menus.menus.size(), 1);
    QCOMPARE(bench.button("B")->text(), QString("_B\n\n"));
    QVERIFY(!bench.logic->inputAt(1));
    QVERIFY(!bench.pass->outputs().contains(bench.logic));
    QCOMPARE(bench.newSnapshots(), 1);
    QCOMPARE(bench.text(), QString("_A and _B"));
    bench.press(QDialogButtonBox::Cancel);
    QVERIFY(!bench.logic->inputAt(1)); // the wire stays deleted
}

void TestLogicDialog::highlighter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("nets");
    QTest::addColumn<QString>("styles"); // o operator, P port, N net (bold: capital), . plain
    const QStringList none;
    row("ports and operators", "_A and not _B", none, "PP.ooo.ooo.PP");
    row("operator inside a word", "notice or order", none, ".......oo......");
    row("brackets end words", "(not _A)", none, ".ooo.PP.");
    row("nets, one named like a port", "Trig or _A or _B", QStringList{"Trig", "_A"},
        "NNNN.oo.NN.oo.PP");
    row("net with pattern characters", "a.b or acb", QStringList{"a.b"}, "NNN.oo....");
    row("empty and pattern-like names end", "x or y", QStringList{"", "(", ".*", "a|", "\\b"},
        "N.oo..");
}

void TestLogicDialog::highlighter()
{
    QFETCH(QString, text);
    QFETCH(QStringList, nets);
    QFETCH(QString, styles);
    QTextDocument document;
    auto *colours = new Highlighter(&document);
    const auto words = [](const QStringList &list) {
        QStringList patterns;
        for (const QString &word : list)
            patterns << Highlighter::wordPattern(word);
        return patterns;
    };
    colours->addRules(words({"not", "and", "or", "xor"}), Qt::blue, 0);
    colours->addRules(words({"_A", "_B", "_C", "_D", "_E", "_F", "_G", "_H", "_I", "_J", "_K"}),
                      Qt::green, 75);
    // Raw patterns that can match nothing must not stall the colouring.
    colours->addRules(words(nets) + QStringList{"", "x*"}, Qt::cyan, 75);
    document.setPlainText(text);
    colours->rehighlight(); // a new highlighter colours on the next event loop turn

    QString found(text.size(), '.');
    for (const QTextLayout::FormatRange &range : document.firstBlock().layout()->formats()) {
        const QColor colour = range.format.foreground().color();
        QChar letter = colour == Qt::blue ? 'o' : colour == Qt::green ? 'p' : 'n';
        if (range.format.fontWeight() >= 75)
            letter = letter.toUpper();
        for (int i = range.start; i < range.start + range.length; ++i)
            found[i] = letter;
    }
    QCOMPARE(found, styles);
}

QTEST_MAIN(TestLogicDialog)
#include "tst_logicdialog.moc"
