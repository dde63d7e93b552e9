#ifndef NIMACTIONRENAME_H
#define NIMACTIONRENAME_H

#include "nimaction.h"

// Gives its block a user name; the block's own name stays.
class NIMActionRename : public NIMAction
{
    Q_OBJECT

public:
    NIMActionRename(const QString &text, BlockItem *block, QObject *owner);

public slots:
    void rename();
};

#endif // NIMACTIONRENAME_H
