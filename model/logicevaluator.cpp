#include "logicevaluator.h"

#include "blockitem.h"

namespace {

const int portCount = 11;
// The words of an expression never hold a blank, so no typed word can pass
// for the end of the list.
const QString endMarker = QStringLiteral(" end");
// Far beyond any expression over eleven inputs; a file holding more would
// otherwise exhaust the stack.
const int maxDepth = 1000;

QString invalidAt(const QString &word)
{
    return QStringLiteral("invalid at '") + word + QLatin1Char('\'');
}

// Splits one word: at most one "(" at its start and one ")" at its end come off.
void splitWord(const QString &word, QStringList &tokens)
{
    const int d = word.size();
    const int b = word.indexOf(QLatin1Char('('));
    const int c = word.indexOf(QLatin1Char(')'));
    if (b != 0) {
        if (c == 0) {
            tokens << QStringLiteral(")");
        } else if (c >= 0 && c == d - 1) {
            tokens << word.left(c) << QStringLiteral(")");
        } else {
            tokens << word;
        }
    } else if (d == 1) {
        tokens << QStringLiteral("(");
    } else if (c == d - 1 && c > 1) {
        tokens << word.mid(1, c - 1);
    } else {
        tokens << QStringLiteral("(") << word.mid(1);
    }
}

bool evaluateOrRethrow(BlockItem *block, const bool values[portCount])
{
    try {
        return LogicEvaluator::logicEvaluate(block->params(), values);
    } catch (const QString &message) {
        throw block->name() + QStringLiteral(": ") + message;
    }
}

} // namespace

QStringList LogicEvaluator::logicSplit(const QString &expression)
{
    QStringList tokens;
    const QStringList words = expression.simplified().split(QLatin1Char(' '));
    for (const QString &word : words)
        splitWord(word, tokens);
    tokens << endMarker;
    return tokens;
}

bool LogicEvaluator::logicEvaluate(const QString &expression, const bool values[11])
{
    Cursor cursor;
    cursor.tokens = logicSplit(expression);
    return logicEvalBinary(cursor, 0, values);
}

bool LogicEvaluator::isEnd(const QString &token)
{
    return token == endMarker;
}

QString LogicEvaluator::logicVariableValue(const QString &word, const bool values[11])
{
    if (word.size() == 2 && word.at(0) == QLatin1Char('_')) {
        const int port = word.at(1).unicode() - 'A';
        if (port >= 0 && port < portCount)
            return values[port] ? QStringLiteral("true") : QStringLiteral("false");
    }
    return word;
}

int LogicEvaluator::logicOperatorRank(const QString &word)
{
    if (word == QLatin1String(")"))
        return 1;
    if (word == QLatin1String("or"))
        return 2;
    if (word == QLatin1String("xor"))
        return 3;
    if (word == QLatin1String("and"))
        return 4;
    if (word == QLatin1String("not"))
        return 5;
    if (word == QLatin1String("("))
        return 6;
    return -1;
}

bool LogicEvaluator::logicEvalPrimary(Cursor &cursor, const bool values[11])
{
    const QString word = cursor.tokens.at(cursor.pos);
    if (isEnd(word))
        throw QStringLiteral("invalid at EOF");
    if (word == QLatin1String("(") || word == QLatin1String("not")) {
        if (cursor.depth >= maxDepth)
            throw invalidAt(word);
        ++cursor.depth;
        ++cursor.pos;
        const bool value = word == QLatin1String("(") ? logicEvalBinary(cursor, 1, values)
                                                      : !logicEvalBinary(cursor, 5, values);
        --cursor.depth;
        return value;
    }
    const QString value = logicVariableValue(word, values);
    ++cursor.pos;
    if (value == QLatin1String("true"))
        return true;
    if (value == QLatin1String("false"))
        return false;
    throw invalidAt(word);
}

bool LogicEvaluator::logicEvalBinary(Cursor &cursor, int level, const bool values[11])
{
    bool value = logicEvalPrimary(cursor, values);
    for (;;) {
        const QString word = cursor.tokens.at(cursor.pos);
        if (isEnd(word)) {
            if (level == 1)
                throw QStringLiteral("invalid --- ')' is missimg.");
            return value;
        }
        if (word == QLatin1String(")")) {
            if (level == 0)
                throw invalidAt(word);
            if (level == 1)
                ++cursor.pos;
            return value;
        }
        if (word != QLatin1String("and") && word != QLatin1String("xor") &&
            word != QLatin1String("or"))
            throw invalidAt(word);
        const int rank = logicOperatorRank(word);
        if (rank <= level)
            return value;
        ++cursor.pos;
        bool right = logicEvalPrimary(cursor, values);
        if (logicOperatorRank(cursor.tokens.at(cursor.pos)) > rank) {
            // A tighter operator follows: fold the right operand back into the
            // token list and let it bind first.
            --cursor.pos;
            cursor.tokens[cursor.pos] = right ? QStringLiteral("true") : QStringLiteral("false");
            right = logicEvalBinary(cursor, rank, values);
        }
        if (word == QLatin1String("and"))
            value = value && right;
        else if (word == QLatin1String("xor"))
            value = value != right;
        else
            value = value || right;
    }
}

bool LogicEvaluator::logicTruthBit(BlockItem *block, quint16 combination)
{
    static const QStringList inputNames = {QStringLiteral("IN-CH0"), QStringLiteral("IN-CH1"),
                                           QStringLiteral("IN-CH2"), QStringLiteral("IN-CH3"),
                                           QStringLiteral("IN-CH4"), QStringLiteral("IN-CH5"),
                                           QStringLiteral("IN-CH6"), QStringLiteral("IN-CH7"),
                                           QStringLiteral("IN-OPT"), QStringLiteral("IN-USER")};
    if (!block || block->params().trimmed().isEmpty())
        return false;
    bool values[portCount] = {};
    for (int bit = 1; bit <= 10; ++bit) {
        if (!(combination & (1u << bit)))
            continue;
        const QString &name = inputNames.at(bit - 1);
        const QMap<int, BlockItem *> &inputs = block->inputs();
        for (auto it = inputs.cbegin(); it != inputs.cend(); ++it) {
            if (it.value() && it.value()->name() == name) {
                if (it.key() >= 0 && it.key() < portCount)
                    values[it.key()] = true;
                break;
            }
        }
    }
    return evaluateOrRethrow(block, values);
}

bool LogicEvaluator::labelTruthBit(BlockItem *block, const bool values[11])
{
    if (!block || block->params().trimmed().isEmpty())
        return false;
    return evaluateOrRethrow(block, values);
}
