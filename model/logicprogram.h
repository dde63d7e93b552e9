#ifndef LOGICPROGRAM_H
#define LOGICPROGRAM_H

#include <QString>
#include <QStringList>
#include <QVector>

// A logic expression translated once into a small stack program, so that the
// lookup tables need not re-parse the text for each of their thousands of
// entries. The translation walks the words exactly as the evaluator does, so a
// program computes the same value, and a malformed text is refused with the same
// message, as LogicEvaluator::logicEvaluate.
//
// Values are 64-bit lanes: bit n of every port word is one independent
// evaluation, so one run computes 64 table entries.
class LogicProgram
{
public:
    LogicProgram() = default;
    // Throws the evaluator's message text (a QString) for a malformed expression.
    explicit LogicProgram(const QString &expression);

    quint64 evaluate(const quint64 ports[11]) const;

    // The evaluator's word list of an expression, ending with its end marker.
    static QStringList splitWords(const QString &expression);

private:
    enum Op : quint8 { PushFalse, PushTrue, PushPort, Not, And, Xor, Or };
    struct Step {
        Op op;
        quint8 port;
    };
    struct Translator;

    QVector<Step> m_steps;
    int m_depth = 0;
};

#endif // LOGICPROGRAM_H
