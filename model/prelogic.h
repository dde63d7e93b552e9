#ifndef PRELOGIC_H
#define PRELOGIC_H

#include "nimlogic.h"

class PreLogic : public NIMLogic
{
public:
    PreLogic(int id, int sheet, const QString &name);
};

#endif // PRELOGIC_H
