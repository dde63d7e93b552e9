#ifndef LOGICEVALUATOR_H
#define LOGICEVALUATOR_H

#include <QString>
#include <QStringList>

class BlockItem;

// Recursive-descent evaluator of logic expressions over the ports _A.._K.
// Errors are thrown as a QString holding the message.
class LogicEvaluator
{
public:
    static bool logicEvaluate(const QString &expression, const bool values[11]);
    static QString logicVariableValue(const QString &word, const bool values[11]);
    static int logicOperatorRank(const QString &word);
    // The token list of an expression, ending with an end marker that no
    // word of the expression can equal.
    static QStringList logicSplit(const QString &expression);
    static bool isEnd(const QString &token);
    // Evaluates the block's expression for one combination of the ten input
    // channels (bit 1 IN-CH0 ... bit 10 IN-USER); errors are rethrown as "name: message".
    static bool logicTruthBit(BlockItem *block, quint16 combination);
    static bool labelTruthBit(BlockItem *block, const bool values[11]);

private:
    struct Cursor {
        QStringList tokens;
        int pos = 0;
        int depth = 0; // open groups and negations, bounded to protect the stack
    };
    static bool logicEvalPrimary(Cursor &cursor, const bool values[11]);
    static bool logicEvalBinary(Cursor &cursor, int level, const bool values[11]);
};

#endif // LOGICEVALUATOR_H
