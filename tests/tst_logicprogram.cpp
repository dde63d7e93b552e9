#include <QRandomGenerator>
#include <QTest>

#include "logicevaluator.h"
#include "logicprogram.h"

// The translated programs must agree with the evaluator on every value and
// every error, since the lookup tables use them in its place.
class TestLogicProgram : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithEvaluator_data();
    void agreesWithEvaluator();
    void agreesOnRandomExpressions();
};

static QString evaluatorOutcome(const QString &expression, QVector<bool> &results)
{
    results.clear();
    try {
        for (int combo = 0; combo < 2048; ++combo) {
            bool values[11];
            for (int q = 0; q < 11; ++q)
                values[q] = (combo >> q) & 1;
            results.append(LogicEvaluator::logicEvaluate(expression, values));
        }
    } catch (const QString &message) {
        return message;
    }
    return QString();
}

static QString programOutcome(const QString &expression, QVector<bool> &results)
{
    results.clear();
    try {
        const LogicProgram program(expression);
        // 32 runs of 64 lanes: lane n of run r is combination 64 r + n.
        for (int run = 0; run < 32; ++run) {
            quint64 ports[11];
            for (int q = 0; q < 11; ++q) {
                ports[q] = 0;
                for (int n = 0; n < 64; ++n) {
                    if (((64 * run + n) >> q) & 1)
                        ports[q] |= quint64(1) << n;
                }
            }
            const quint64 value = program.evaluate(ports);
            for (int n = 0; n < 64; ++n)
                results.append((value >> n) & 1);
        }
    } catch (const QString &message) {
        return message;
    }
    return QString();
}

static void compareOutcomes(const QString &expression)
{
    QVector<bool> expected, actual;
    const QString expectedError = evaluatorOutcome(expression, expected);
    const QString actualError = programOutcome(expression, actual);
    QVERIFY2(expectedError == actualError,
             qPrintable(expression + " -> " + expectedError + " / " + actualError));
    if (expectedError.isEmpty())
        QVERIFY2(expected == actual, qPrintable(expression));
}

void TestLogicProgram::agreesWithEvaluator_data()
{
    QTest::addColumn<QString>("expression");
    const char *const cases[] = {
        "_A and _B or _C",
        "_A or _B and _C",
        "_A xor _B and _C",
        "_A or _B xor _C",
        "not _A and _B",
        "not not _A",
        "not (_A or _B)",
        "(_A or _B) and _C",
        "(_A)",
        "_A and _B xor _C or _D and not _E",
        "_A or ( _B ) and _C",
        "((_A or _B) and _C)",
        "_A or (_B and (_C xor _D)) and _E",
        "_K and _J or _I",
        "_A or true",
        "false xor _B",
        "_A and",
        "_A _B",
        "_A )",
        "( _A and _B",
        "_a",
        "_A AND _B",
        "",
        "   ",
        "((_A",
        "_A))",
        "()",
        "_A or _B not _C",
        "_A and _B ( _C",
        "not",
        "EOF",
        "_A or EOF",
        "_L",
        "(_A or _B",
        "_A or _B)",
        "not _A xor not _B and not _C",
        "_A and _B and _C or _D xor _E xor _F and _G or not _H and _I or _J xor _K"};
    for (const char *text : cases)
        QTest::newRow(text) << QString::fromLatin1(text);
    QTest::newRow("deep negation") << QString(QStringLiteral("not ").repeated(1001) + "_A");
    QTest::newRow("deep group") << QString(QStringLiteral("( ").repeated(1001) + "_A");
    QTest::newRow("deep but allowed") << QString(QStringLiteral("( not ").repeated(400) + "_A" +
                                                 QStringLiteral(" )").repeated(400));
}

void TestLogicProgram::agreesWithEvaluator()
{
    QFETCH(QString, expression);
    compareOutcomes(expression);
}

void TestLogicProgram::agreesOnRandomExpressions()
{
    const QStringList operands = {"_A", "_B", "_C", "_D", "_E",   "_F",   "_G",
                                  "_H", "_I", "_J", "_K", "true", "false"};
    const QStringList words = {"and", "or", "xor", "not", "(", ")", "_A", "_C", "_K", "x"};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 400; ++round) {
        QStringList parts;
        int open = 0;
        const int length = 1 + int(random.bounded(12));
        for (int i = 0; i < length; ++i) {
            // Mostly well-formed shapes, with an occasional stray word.
            if (random.bounded(10) == 0) {
                parts << words.at(int(random.bounded(words.size())));
                continue;
            }
            if (random.bounded(4) == 0) {
                parts << QStringLiteral("(");
                ++open;
            }
            if (random.bounded(4) == 0)
                parts << QStringLiteral("not");
            parts << operands.at(int(random.bounded(operands.size())));
            if (open > 0 && random.bounded(3) == 0) {
                parts << QStringLiteral(")");
                --open;
            }
            if (i + 1 < length)
                parts << QStringList{"and", "or", "xor"}.at(int(random.bounded(3)));
        }
        while (open-- > 0)
            parts << QStringLiteral(")");
        QString text = parts.join(QLatin1Char(' '));
        if (random.bounded(2)) // parentheses attached to words, as users type them
            text.replace(QStringLiteral("( "), QStringLiteral("("))
                .replace(QStringLiteral(" )"), QStringLiteral(")"));
        compareOutcomes(text);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_MAIN(TestLogicProgram)
#include "tst_logicprogram.moc"
