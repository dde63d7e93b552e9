#include "logicprogram.h"

#include "logicevaluator.h"

#include <QVarLengthArray>

namespace {

const char *const missingParenthesis = "invalid --- ')' is missimg.";
// Open groups and negations allowed at once, as in the evaluator: deeper
// nesting is refused before it can exhaust the stack.
const int maxNesting = 1000;

// Port number of "_A".."_K", or -1.
int variablePort(const QString &word)
{
    if (word.size() != 2 || word.at(0) != QLatin1Char('_'))
        return -1;
    const ushort c = word.at(1).unicode();
    return (c >= 'A' && c <= 'K') ? int(c - 'A') : -1;
}

QString invalidAt(const QString &word)
{
    return QStringLiteral("invalid at '") + word + QStringLiteral("'");
}

} // namespace

// Mirrors the evaluator's precedence climbing. Where the evaluator overwrites the
// last word of a finished right operand with its value and re-enters at a lower
// level, the translator marks that word as "ready": its value is already on top
// of the program's stack.
struct LogicProgram::Translator {
    QStringList words;
    QVector<bool> ready;
    int pos = 0;
    int nesting = 0;
    QVector<Step> steps;
    int depth = 0;
    int maxDepth = 0;

    void put(Op op, int port = 0)
    {
        steps.append(Step{op, quint8(port)});
        if (op == PushFalse || op == PushTrue || op == PushPort) {
            if (++depth > maxDepth)
                maxDepth = depth;
        } else if (op != Not) {
            --depth;
        }
    }

    void primary()
    {
        if (ready.at(pos)) {
            ++pos;
            return;
        }
        const QString &word = words.at(pos);
        if (LogicEvaluator::isEnd(word))
            throw QStringLiteral("invalid at EOF");
        if (word == QLatin1String("(") || word == QLatin1String("not")) {
            if (nesting >= maxNesting)
                throw invalidAt(word);
            ++nesting;
            ++pos;
            if (word == QLatin1String("(")) {
                binary(1);
            } else {
                binary(5);
                put(Not);
            }
            --nesting;
            return;
        }
        const int port = variablePort(word);
        if (port >= 0)
            put(PushPort, port);
        else if (word == QLatin1String("true"))
            put(PushTrue);
        else if (word == QLatin1String("false"))
            put(PushFalse);
        else
            throw invalidAt(word);
        ++pos;
    }

    void binary(int level)
    {
        primary();
        for (;;) {
            const QString word = words.at(pos);
            if (LogicEvaluator::isEnd(word)) {
                if (level == 1)
                    throw QString::fromLatin1(missingParenthesis);
                return;
            }
            if (word == QLatin1String(")")) {
                if (level == 0)
                    throw invalidAt(word);
                if (level == 1)
                    ++pos;
                return;
            }
            Op op;
            if (word == QLatin1String("and"))
                op = And;
            else if (word == QLatin1String("xor"))
                op = Xor;
            else if (word == QLatin1String("or"))
                op = Or;
            else
                throw invalidAt(word);
            const int rank = LogicEvaluator::logicOperatorRank(word);
            if (rank <= level)
                return;
            ++pos;
            primary();
            if (LogicEvaluator::logicOperatorRank(words.at(pos)) > rank) {
                --pos;
                ready[pos] = true;
                binary(rank);
            }
            put(op);
        }
    }
};

LogicProgram::LogicProgram(const QString &expression)
{
    Translator t;
    t.words = splitWords(expression);
    t.ready.fill(false, t.words.size());
    t.binary(0);
    m_steps = t.steps;
    m_depth = t.maxDepth;
}

QStringList LogicProgram::splitWords(const QString &expression)
{
    return LogicEvaluator::logicSplit(expression);
}

quint64 LogicProgram::evaluate(const quint64 ports[11]) const
{
    QVarLengthArray<quint64, 32> stack(m_depth > 0 ? m_depth : 1);
    int top = -1;
    for (const Step &s : m_steps) {
        switch (s.op) {
        case PushFalse:
            stack[++top] = 0;
            break;
        case PushTrue:
            stack[++top] = ~quint64(0);
            break;
        case PushPort:
            stack[++top] = ports[s.port];
            break;
        case Not:
            stack[top] = ~stack[top];
            break;
        case And:
            stack[top - 1] &= stack[top];
            --top;
            break;
        case Xor:
            stack[top - 1] ^= stack[top];
            --top;
            break;
        case Or:
            stack[top - 1] |= stack[top];
            --top;
            break;
        }
    }
    return top >= 0 ? stack[top] : 0;
}
