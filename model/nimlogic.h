#ifndef NIMLOGIC_H
#define NIMLOGIC_H

#include "blockitem.h"

// Common base of the two logic kinds: a Boolean expression over ports 0..10.
class NIMLogic : public BlockItem
{
public:
    int connectInput(int port, BlockItem *source) override;
    QVector<QLine> inputLines() override;
    // Stores the expression; with check set a malformed one is refused and the
    // argument is replaced by the evaluator's message.
    virtual bool setLogic(QString &expression, bool check);

protected:
    NIMLogic(int id, int sheet, const QString &name, const QString &icon);
};

#endif // NIMLOGIC_H
