#include "prelogic.h"

PreLogic::PreLogic(int id, int sheet, const QString &name)
    : NIMLogic(id, sheet, name, QStringLiteral(":/images/PreLgc.png"))
{}
