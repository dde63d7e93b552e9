#ifndef NIMACTIONCUT_H
#define NIMACTIONCUT_H

#include "nimaction.h"

// Cuts the sheet's selection (or its current block), not only its own block.
class NIMActionCut : public NIMAction
{
    Q_OBJECT

public:
    NIMActionCut(const QString &text, BlockItem *block, QObject *owner);

public slots:
    void cutItem();
};

#endif // NIMACTIONCUT_H
