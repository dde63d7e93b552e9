#ifndef NIMLABELIN_H
#define NIMLABELIN_H

#include "blockitem.h"

class NIMLabelIN : public BlockItem
{
public:
    NIMLabelIN(int id, int sheet, const QString &name);
};

#endif // NIMLABELIN_H
