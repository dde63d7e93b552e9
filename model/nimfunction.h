#ifndef NIMFUNCTION_H
#define NIMFUNCTION_H

#include "blockitem.h"

class NIMFunction : public BlockItem
{
public:
    NIMFunction(int id, int sheet, const QString &name);

    unsigned int cntMainValue();
    unsigned int cntSubValue();
    int delayNs();
};

#endif // NIMFUNCTION_H
