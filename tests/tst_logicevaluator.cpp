#include "logicevaluator.h"
#include "nim_in.h"
#include "prelogic.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>

namespace {

// An independent reference: expressions are built as trees, evaluated
// directly, and rendered as text for the evaluator under test.
struct Node {
    enum Kind { Var, Const, Not, And, Xor, Or } kind;
    int var = 0;
    bool constant = false;
    std::unique_ptr<Node> left, right;
};

int precedence(Node::Kind kind)
{
    switch (kind) {
    case Node::Or:
        return 2;
    case Node::Xor:
        return 3;
    case Node::And:
        return 4;
    default:
        return 9;
    }
}

bool evalTree(const Node &n, const bool values[11])
{
    switch (n.kind) {
    case Node::Var:
        return values[n.var];
    case Node::Const:
        return n.constant;
    case Node::Not:
        return !evalTree(*n.left, values);
    case Node::And:
        return evalTree(*n.left, values) && evalTree(*n.right, values);
    case Node::Xor:
        return evalTree(*n.left, values) != evalTree(*n.right, values);
    case Node::Or:
        return evalTree(*n.left, values) || evalTree(*n.right, values);
    }
    return false;
}

std::unique_ptr<Node> randomTree(QRandomGenerator &rng, int depth)
{
    auto n = std::make_unique<Node>();
    // Inner levels are mostly operators; the last level mostly operands.
    const int pick = depth > 0 && rng.bounded(10) < 7 ? 10 : int(rng.bounded(10));
    if (pick < 8) {
        n->kind = Node::Var;
        n->var = int(rng.bounded(11));
    } else if (pick < 9) {
        n->kind = Node::Const;
        n->constant = rng.bounded(2);
    } else if (pick < 10) {
        n->kind = Node::Not;
        n->left = randomTree(rng, depth - 1);
    } else {
        static const Node::Kind ops[] = {Node::And, Node::Xor, Node::Or};
        n->kind = ops[rng.bounded(3)];
        n->left = randomTree(rng, depth - 1);
        n->right = randomTree(rng, depth - 1);
    }
    return n;
}

// Renders as separate tokens; parentheses only where grouping needs them,
// plus some redundant ones.
void render(const Node &n, QStringList &out, QRandomGenerator &rng)
{
    const bool extra = rng.bounded(8) == 0;
    if (extra)
        out << "(";
    switch (n.kind) {
    case Node::Var:
        out << QString("_%1").arg(QChar('A' + n.var));
        break;
    case Node::Const:
        out << (n.constant ? "true" : "false");
        break;
    case Node::Not: {
        out << "not";
        const bool group = n.left->kind >= Node::And;
        if (group)
            out << "(";
        render(*n.left, out, rng);
        if (group)
            out << ")";
        break;
    }
    default: {
        const int p = precedence(n.kind);
        const bool groupLeft = precedence(n.left->kind) < p;
        const bool groupRight = precedence(n.right->kind) <= p;
        if (groupLeft)
            out << "(";
        render(*n.left, out, rng);
        if (groupLeft)
            out << ")";
        out << (n.kind == Node::And ? "and" : n.kind == Node::Xor ? "xor" : "or");
        if (groupRight)
            out << "(";
        render(*n.right, out, rng);
        if (groupRight)
            out << ")";
    }
    }
    if (extra)
        out << ")";
}

bool isOperand(const QString &t)
{
    return t.startsWith('_') || t == "true" || t == "false";
}

// Joins tokens with blanks, sometimes gluing one "(" before or one ")" after
// an operand word as users type them, and sometimes with extra white space.
QString join(const QStringList &tokens, QRandomGenerator &rng)
{
    QString text;
    for (int i = 0; i < tokens.size(); ++i) {
        const QString &t = tokens.at(i);
        bool glued = false;
        if (t == ")" && i > 0 && isOperand(tokens.at(i - 1)) && rng.bounded(2))
            glued = true;
        if (i > 0 && isOperand(t) && tokens.at(i - 1) == "(" && rng.bounded(2))
            glued = true;
        if (!text.isEmpty() && !glued)
            text += rng.bounded(6) ? " " : "  \t";
        text += t;
    }
    return text;
}

QString errorOf(const QString &expression)
{
    const bool values[11] = {};
    try {
        LogicEvaluator::logicEvaluate(expression, values);
    } catch (const QString &message) {
        return message;
    }
    return QString();
}

} // namespace

class TestLogicEvaluator : public QObject
{
    Q_OBJECT

private slots:
    void randomExpressionsMatchReference();
    void precedenceAndGrouping_data();
    void precedenceAndGrouping();
    void errorTexts_data();
    void errorTexts();
    void deepNestingIsRefused();
    void setLogicKeepsBlockOnError();
    void truthBitMapsInputChannels();
    void truthBitErrorsCarryBlockName();
};

void TestLogicEvaluator::randomExpressionsMatchReference()
{
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 120; ++round) {
        const auto tree = randomTree(rng, 1 + round % 5);
        QStringList tokens;
        render(*tree, tokens, rng);
        const QString text = join(tokens, rng);
        for (int combination = 0; combination < 2048; ++combination) {
            bool values[11];
            for (int port = 0; port < 11; ++port)
                values[port] = combination & (1 << port);
            bool got = false;
            try {
                got = LogicEvaluator::logicEvaluate(text, values);
            } catch (const QString &message) {
                QFAIL(qPrintable(QString("'%1' raised %2").arg(text, message)));
            }
            if (got != evalTree(*tree, values))
                QFAIL(qPrintable(
                    QString("'%1' wrong for combination %2").arg(text).arg(combination)));
        }
    }
}

void TestLogicEvaluator::precedenceAndGrouping_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("reference");
    QTest::newRow("and before or") << "_A and _B or _C"
                                   << "( _A and _B ) or _C";
    QTest::newRow("and on the right") << "_A or _B and _C"
                                      << "_A or ( _B and _C )";
    QTest::newRow("and before xor") << "_A xor _B and _C"
                                    << "_A xor ( _B and _C )";
    QTest::newRow("xor before or") << "_A or _B xor _C"
                                   << "_A or ( _B xor _C )";
    QTest::newRow("not binds one operand") << "not _A and _B"
                                           << "( not _A ) and _B";
    QTest::newRow("double not") << "not not _A"
                                << "_A";
    QTest::newRow("not of a group") << "not (_A or _B)"
                                    << "( not _A ) and ( not _B )";
    QTest::newRow("glued parentheses") << "(_A or _B) and _C"
                                       << "( _A or _B ) and _C";
    QTest::newRow("fully glued word") << "(_A)"
                                      << "_A";
    QTest::newRow("constant") << "_A or true"
                              << "true";
    QTest::newRow("white space") << "  _K\tand\n_J "
                                 << "_K and _J";
}

void TestLogicEvaluator::precedenceAndGrouping()
{
    QFETCH(QString, expression);
    QFETCH(QString, reference);
    for (int combination = 0; combination < 2048; ++combination) {
        bool values[11];
        for (int port = 0; port < 11; ++port)
            values[port] = combination & (1 << port);
        QCOMPARE(LogicEvaluator::logicEvaluate(expression, values),
                 LogicEvaluator::logicEvaluate(reference, values));
    }
}

void TestLogicEvaluator::errorTexts_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("message");
    QTest::newRow("operand missing") << "_A and"
                                     << "invalid at EOF";
    QTest::newRow("two operands") << "_A _B"
                                  << "invalid at '_B'";
    QTest::newRow("stray close") << "_A )"
                                 << "invalid at ')'";
    QTest::newRow("open group") << "( _A and _B"
                                << "invalid --- ')' is missimg.";
    QTest::newRow("lower case variable") << "_a"
                                         << "invalid at '_a'";
    QTest::newRow("upper case operator") << "_A AND _B"
                                         << "invalid at 'AND'";
    QTest::newRow("port beyond K") << "_L"
                                   << "invalid at '_L'";
    QTest::newRow("empty") << ""
                           << "invalid at ''";
    QTest::newRow("blanks only") << "   "
                                 << "invalid at ''";
    QTest::newRow("double open glued") << "((_A or _B)) and _C"
                                       << "invalid at '(_A'";
    QTest::newRow("double close glued") << "_A and (_B or _C))"
                                        << "invalid at '_C))'";
    QTest::newRow("empty group") << "()"
                                 << "invalid at ')'";
    QTest::newRow("not at end") << "_A and not"
                                << "invalid at EOF";
    QTest::newRow("not after operand") << "_A not _B"
                                       << "invalid at 'not'";
    QTest::newRow("the word EOF") << "_A EOF or nonsense ((("
                                  << "invalid at 'EOF'";
    QTest::newRow("the word EOF alone") << "EOF"
                                        << "invalid at 'EOF'";
}

void TestLogicEvaluator::errorTexts()
{
    QFETCH(QString, expression);
    QFETCH(QString, message);
    QCOMPARE(errorOf(expression), message);
}

void TestLogicEvaluator::deepNestingIsRefused()
{
    const bool values[11] = {true};
    QCOMPARE(LogicEvaluator::logicEvaluate(QString("not ").repeated(999) + "_A", values), false);
    QCOMPARE(LogicEvaluator::logicEvaluate(
                 QString("( ").repeated(1000) + "_A" + QString(" )").repeated(1000), values),
             true);
    // A hostile file must not exhaust the stack.
    QCOMPARE(errorOf(QString("not ").repeated(200000) + "_A"), QString("invalid at 'not'"));
    QCOMPARE(errorOf(QString("( ").repeated(200000) + "_A"), QString("invalid at '('"));
}

void TestLogicEvaluator::setLogicKeepsBlockOnError()
{
    PreLogic block(0, 0, "PreLgc0");
    QString good = "_A  and _B";
    QVERIFY(block.setLogic(good, true));
    QCOMPARE(block.params(), QString("_A  and _B"));

    QString bad = "_A and";
    QVERIFY(!block.setLogic(bad, true));
    QCOMPARE(bad, QString("invalid at EOF"));
    QCOMPARE(block.params(), QString("_A  and _B"));

    QString unchecked = "_A and";
    QVERIFY(block.setLogic(unchecked, false));
    QCOMPARE(block.params(), QString("_A and"));
}

void TestLogicEvaluator::truthBitMapsInputChannels()
{
    NIM_IN ch0(0, 0, "IN-CH0"), ch3(1, 0, "IN-CH3"), user(2, 0, "IN-USER"), opt(3, 0, "IN-OPT");
    PreLogic logic(0, 0, "PreLgc0");
    logic.connectInput(2, &ch0);
    logic.connectInput(0, &ch3);
    logic.connectInput(10, &user);
    logic.params() = "_C and not _A or _K";

    // bit 1 IN-CH0, bit 4 IN-CH3, bit 10 IN-USER; bit 0 never sets a port.
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, 1 << 1), true);
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, (1 << 1) | (1 << 4)), false);
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, (1 << 4) | (1 << 10)), true);
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, 1), false);
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, 1 << 9), false); // IN-OPT not wired

    logic.params() = "_A";
    logic.connectInput(5, &opt);
    logic.params() = "_F";
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, 1 << 9), true);

    logic.params() = "   ";
    QCOMPARE(LogicEvaluator::logicTruthBit(&logic, 0x7FE), false);
    bool values[11] = {};
    QCOMPARE(LogicEvaluator::labelTruthBit(&logic, values), false);
    logic.params() = "_B xor _K";
    values[10] = true;
    QCOMPARE(LogicEvaluator::labelTruthBit(&logic, values), true);
}

void TestLogicEvaluator::truthBitErrorsCarryBlockName()
{
    PreLogic logic(0, 0, "PreLgc1");
    logic.params() = "_A and";
    QString caught;
    try {
        LogicEvaluator::logicTruthBit(&logic, 0);
    } catch (const QString &message) {
        caught = message;
    }
    QCOMPARE(caught, QString("PreLgc1: invalid at EOF"));

    caught.clear();
    const bool values[11] = {};
    try {
        LogicEvaluator::labelTruthBit(&logic, values);
    } catch (const QString &message) {
        caught = message;
    }
    QCOMPARE(caught, QString("PreLgc1: invalid at EOF"));
}

QTEST_MAIN(TestLogicEvaluator)
#include "tst_logicevaluator.moc"
