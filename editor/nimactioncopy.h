#ifndef NIMACTIONCOPY_H
#define NIMACTIONCOPY_H

#include "nimaction.h"

// Copies the sheet's selection (or its current block), not only its own block.
class NIMActionCopy : public NIMAction
{
    Q_OBJECT

public:
    NIMActionCopy(const QString &text, BlockItem *block, QObject *owner);

public slots:
    void copyItem();
};

#endif // NIMACTIONCOPY_H
