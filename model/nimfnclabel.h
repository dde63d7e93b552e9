#ifndef NIMFNCLABEL_H
#define NIMFNCLABEL_H

#include "blockitem.h"

class NIMFncLabel : public BlockItem
{
public:
    NIMFncLabel(int id, int sheet, const QString &name);
};

#endif // NIMFNCLABEL_H
