#ifndef NIMOUT_H
#define NIMOUT_H

#include "blockitem.h"

class NIMOut : public BlockItem
{
public:
    NIMOut(int id, int sheet, const QString &name);

    void drawLabel(const QString &text) override;
    virtual void outputLevels(bool &nim, bool &ttl);
};

#endif // NIMOUT_H
