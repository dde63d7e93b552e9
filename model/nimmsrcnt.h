#ifndef NIMMSRCNT_H
#define NIMMSRCNT_H

#include "blockitem.h"

class NIMMsrCnt : public BlockItem
{
public:
    NIMMsrCnt(int id, int sheet, const QString &name);

    QVector<QLine> inputLines() override;
    quint8 mode();
    void setSettings(quint8 mode, const QString &fileSave, const QString &path,
                     const QString &unit);
};

#endif // NIMMSRCNT_H
