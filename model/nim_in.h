#ifndef NIM_IN_H
#define NIM_IN_H

#include "blockitem.h"

class NIM_IN : public BlockItem
{
public:
    NIM_IN(int id, int sheet, const QString &name);

    virtual void setUserControl();
    virtual bool isUserControl();
    virtual void inputSettings(bool &user, bool &high, quint16 &vth);
    virtual bool isHigh();
    virtual quint16 vth();
    virtual void setCounterParams(const QString &main, const QString &sub, const QString &disp);
    virtual unsigned int mainCntNs();
    virtual unsigned int subCntValue();
};

#endif // NIM_IN_H
