#ifndef NIMLABEL_H
#define NIMLABEL_H

#include "blockitem.h"

class NIMLabel : public BlockItem
{
public:
    NIMLabel(int id, int sheet, const QString &name);
};

#endif // NIMLABEL_H
