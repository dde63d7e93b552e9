#ifndef NIMNONFNC_H
#define NIMNONFNC_H

#include "blockitem.h"

class NIMNonFnc : public BlockItem
{
public:
    NIMNonFnc(int id, int sheet, const QString &name);
};

#endif // NIMNONFNC_H
