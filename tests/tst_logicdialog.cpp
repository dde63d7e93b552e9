#include "blockitem.h"
#include "editlogicdialog.h"
#include "highlighter.h"
#include "menudriver.h"
#include "programdata.h"
#include "programwidget.h"
#include "settingsdialogs.h"
#include "sheetbench.h"

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

// A PreLogic block on a real sheet: IN-CH0 on port A, a pass-through block fed
// by IN-CH1 on port B, ports C to K open.
class LogicFixture
{
public:
    LogicFixture()
    {
        sheet = bench.sheets.first();
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
    ~LogicFixture() { delete window; }

    // Undo snapshots recorded since the design was built.
    int newSnapshots() const { return bench.host.snapshots - snapshots; }

    // The window as the Edit action opens it, shown.
    EditLogicDialog *open()
    {
        window = SettingsDialogs::create(
            {ModalHooks::LogicDialog, sheet, logic, QRect(40, 60, 800, 330), "PreLgc0"});
        window->show();
        return qobject_cast<EditLogicDialog *>(static_cast<QScrollArea *>(window.data())->widget());
    }

    SheetBench bench;
    ProgramWidget *sheet;
    BlockItem *in0, *in1, *pass, *logic;
    QPointer<QWidget> window;
    int snapshots;
};

namespace {

void click(QWidget *dialog, const QString &button)
{
    dialog->findChild<QPushButton *>(button)->click();
}

QTextEdit *editor(QWidget *dialog)
{
    return dialog->findChild<QTextEdit *>("textEdit");
}

void press(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>("buttonBox")->button(which)->click();
}

// Foreground colour and weight that the highlighter gave the character.
QString styleAt(const QTextDocument &document, int position)
{
    QString style = "plain";
    for (const QTextLayout::FormatRange &range : document.firstBlock().layout()->formats()) {
        if (position >= range.start && position < range.start + range.length) {
            style = range.format.foreground().color().name();
            if (range.format.fontWeight() >= 75)
                style += " bold";
        }
    }
    return style;
}

} // namespace

class TestLogicDialog : public QObject
{
    Q_OBJECT

private slots:
    void buttonsInsertWords_data();
    void buttonsInsertWords();
    void okChecksAndStores_data();
    void okChecksAndStores();
    void cancelChangesNothing();
    void netNamesSwitchWholeWords_data();
    void netNamesSwitchWholeWords();
    void deletePort();
    void highlighter_data();
    void highlighter();
};

void TestLogicDialog::buttonsInsertWords_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("netNames");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("text");
    QTest::newRow("after the stored text")
        << "_A or" << false << QStringList{"pushButton_B"} << "_A or _B ";
    QTest::newRow("after the text switched to net names")
        << "_A or" << true << QStringList{"pushButton_B"} << "IN-CH0 or IN-CH1 ";
    QTest::newRow("ports and operators")
        << "" << false
        << QStringList{"pushButton_A", "pushButton_and", "pushButton_not", "pushButton_B"}
        << " _A  and  not  _B ";
    QTest::newRow("brackets without blanks")
        << "" << false << QStringList{"pushButton_left", "pushButton_C",     "pushButton_or",
                                      "pushButton_K",    "pushButton_right", "pushButton_xor"}
        << "( _C  or  _K ) xor ";
    QTest::newRow("net names, through the pass block")
        << "" << true << QStringList{"pushButton_A", "pushButton_xor", "pushButton_B"}
        << " IN-CH0  xor  IN-CH1 ";
    QTest::newRow("open port keeps its name")
        << "" << true << QStringList{"pushButton_D"} << " _D ";
}

void TestLogicDialog::buttonsInsertWords()
{
    QFETCH(QString, start);
    QFETCH(bool, netNames);
    QFETCH(QStringList, buttons);
    QFETCH(QString, text);
    LogicFixture fixture;
    fixture.logic->params() = start;
    EditLogicDialog *dialog = fixture.open();
    QCOMPARE(dialog->findChild<QPushButton *>("pushButton_B")->text(), QString("_B\n\nIN-CH1"));
    QCOMPARE(dialog->findChild<QPushButton *>("pushButton_C")->text(), QString("_C\n\n"));
    dialog->findChild<QRadioButton *>("radioButtonNet")->setChecked(netNames);
    for (const QString &button : buttons)
        click(dialog, button);
    QCOMPARE(editor(dialog)->toPlainText(), text);
}

void TestLogicDialog::okChecksAndStores_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("netNames");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("warning");
    QTest::newRow("valid") << "_A and not _B" << false << "_A and not _B"
                           << "";
    QTest::newRow("net names go back to ports") << "IN-CH0 or (IN-CH1)" << true << "_A or (_B)"
                                                << "";
    QTest::newRow("unchanged") << "_A" << false << "_A"
                               << "";
    QTest::newRow("ends early") << "_A and" << false << "_A"
                                << "Logic Error|invalid at EOF";
    QTest::newRow("open bracket") << "(_A or _B" << false << "_A"
                                  << "Logic Error|invalid --- ')' is missimg.";
    QTest::newRow("unknown word") << "_A and _Z" << false << "_A"
                                  << "Logic Error|invalid at '_Z'";
}

void TestLogicDialog::okChecksAndStores()
{
    QFETCH(QString, typed);
    QFETCH(bool, netNames);
    QFETCH(QString, stored);
    QFETCH(QString, warning);
    LogicFixture fixture;
    fixture.logic->params() = "_A";
    EditLogicDialog *dialog = fixture.open();
    dialog->findChild<QRadioButton *>("radioButtonNet")->setChecked(netNames);
    editor(dialog)->setPlainText(typed);
    press(dialog, QDialogButtonBox::Ok);

    QCOMPARE(fixture.logic->params(), stored);
    QCOMPARE(fixture.bench.warnings, warning.isEmpty() ? QStringList() : QStringList(warning));
    QCOMPARE(fixture.newSnapshots(), stored != "_A" ? 1 : 0);
    QCOMPARE(fixture.window->isVisible(), !warning.isEmpty());
    if (warning.isEmpty())
        QTRY_VERIFY(fixture.window.isNull()); // the window deletes itself
    else
        QVERIFY(dialog->findChild<QRadioButton *>("radioButtonPort")->isChecked());
}

void TestLogicDialog::cancelChangesNothing()
{
    LogicFixture fixture;
    fixture.logic->params() = "_A or _B";
    EditLogicDialog *dialog = fixture.open();
    click(dialog, "pushButton_and");
    click(dialog, "pushButton_C");
    press(dialog, QDialogButtonBox::Cancel);
    QCOMPARE(fixture.logic->params(), QString("_A or _B"));
    QCOMPARE(fixture.newSnapshots(), 0);
    QTRY_VERIFY(fixture.window.isNull());
}

void TestLogicDialog::netNamesSwitchWholeWords_data()
{
    QTest::addColumn<QString>("nameA");
    QTest::addColumn<QString>("nameB");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << ""
                           << ""
                           << "_A and (not _B)"
                           << "IN-CH0 and (not IN-CH1)";
    QTest::newRow("name inside another") << "Trig"
                                         << "Trig2"
                                         << "(_A or _B) xor _A"
                                         << "(Trig or Trig2) xor Trig";
    QTest::newRow("operator inside a word") << "_And"
                                            << "band"
                                            << "_A and _B"
                                            << "_And and band";
    QTest::newRow("net named like the other port") << "_B"
                                                   << "Gate"
                                                   << "_A and _B"
                                                   << "_A and Gate";
    QTest::newRow("net named like an operator") << "and"
                                                << ""
                                                << "_A and _B"
                                                << "_A and IN-CH1";
    QTest::newRow("same net on two ports") << "Sig"
                                           << "Sig"
                                           << "_A or _B"
                                           << "_A or _B";
}

void TestLogicDialog::netNamesSwitchWholeWords()
{
    QFETCH(QString, nameA);
    QFETCH(QString, nameB);
    QFETCH(QString, expression);
    QFETCH(QString, shown);
    LogicFixture fixture;
    fixture.in0->setUserName(nameA);
    fixture.in1->setUserName(nameB);
    fixture.logic->params() = expression;
    EditLogicDialog *dialog = fixture.open();
    auto *net = dialog->findChild<QRadioButton *>("radioButtonNet");
    net->setChecked(true);
    QCOMPARE(editor(dialog)->toPlainText(), shown);
    dialog->findChild<QRadioButton *>("radioButtonPort")->setChecked(true);
    QCOMPARE(editor(dialog)->toPlainText(), expression);
}

void TestLogicDialog::deletePort()
{
    LogicFixture fixture;
    fixture.logic->params() = "_A and _B";
    EditLogicDialog *dialog = fixture.open();
    MenuDriver menus;
    menus.choose = "&Delete";
    auto *portB = dialog->findChild<QPushButton *>("pushButton_B");
    emit dialog->findChild<QPushButton *>("pushButton_C")->customContextMenuRequested({5, 5});
    QVERIFY(menus.menus.isEmpty()); // an open port offers no menu
    emit portB->customContextMenuRequested({5, 5});

    QCOMPARE(menus.menus.size(), 1);
    QCOMPARE(portB->text(), QString("_B\n\n"));
    QVERIFY(!fixture.logic->inputAt(1));
    QVERIFY(!fixture.pass->outputs().contains(fixture.logic));
    QCOMPARE(fixture.newSnapshots(), 1);
    QCOMPARE(editor(dialog)->toPlainText(), QString("_A and _B"));
    press(dialog, QDialogButtonBox::Cancel);
    QVERIFY(!fixture.logic->inputAt(1)); // the wire stays deleted
}

void TestLogicDialog::highlighter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("nets");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("style");
    const QStringList none;
    const QString blue = QColor(Qt::blue).name(), green = QColor(Qt::green).name() + " bold",
                  cyan = QColor(Qt::cyan).name() + " bold";
    QTest::newRow("operator") << "_A and not _B" << none << 3 << blue;
    QTest::newRow("second operator") << "_A and not _B" << none << 8 << blue;
    QTest::newRow("port") << "_A and not _B" << none << 0 << green;
    QTest::newRow("last port") << "_A and not _B" << none << 12 << green;
    QTest::newRow("operator inside a word") << "notice or order" << none << 1 << "plain";
    QTest::newRow("after a bracket") << "(not _A)" << none << 1 << blue;
    QTest::newRow("net") << "Trig or _A" << QStringList{"Trig"} << 2 << cyan;
    QTest::newRow("net like a port wins") << "_A or _B" << QStringList{"_A"} << 0 << cyan;
    QTest::newRow("net with pattern characters")
        << "a.b or axb" << QStringList{"a.b"} << 8 << "plain";
    QTest::newRow("empty and pattern-like names end")
        << "x or y" << QStringList{"", "(", ".*", "a|", "\\b"} << 0 << cyan;
}

void TestLogicDialog::highlighter()
{
    QFETCH(QString, text);
    QFETCH(QStringList, nets);
    QFETCH(int, position);
    QFETCH(QString, style);
    QTextDocument document;
    auto *colours = new Highlighter(&document);
    QStringList operators, ports, netPatterns;
    for (const char *word : {"not", "and", "or", "xor"})
        operators << Highlighter::wordPattern(word);
    for (char port = 'A'; port <= 'K'; ++port)
        ports << Highlighter::wordPattern(QStringLiteral("_") + QLatin1Char(port));
    for (const QString &net : nets)
        netPatterns << Highlighter::wordPattern(net);
    colours->addRules(operators, Qt::blue, 0);
    colours->addRules(ports, Qt::green, 75);
    // A raw pattern that also matches nothing must not stall the colouring.
    colours->addRules(netPatterns << "" << (text == "x or y" ? "x*" : ""), Qt::cyan, 75);
    document.setPlainText(text);
    colours->rehighlight(); // a new highlighter colours on the next event loop turn
    QCOMPARE(styleAt(document, position), style);
}

QTEST_MAIN(TestLogicDialog)
#include "tst_logicdialog.moc"
