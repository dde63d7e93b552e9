#ifndef NIMACTIONDELETE_H
#define NIMACTIONDELETE_H

#include "nimaction.h"

// Deletes its block with its wires, labels and quota units.
class NIMActionDelete : public NIMAction
{
    Q_OBJECT

public:
    NIMActionDelete(const QString &text, BlockItem *block, QObject *owner);

public slots:
    void deleteItem();
};

#endif // NIMACTIONDELETE_H
