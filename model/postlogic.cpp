#include "postlogic.h"

PostLogic::PostLogic(int id, int sheet, const QString &name)
    : NIMLogic(id, sheet, name, QStringLiteral(":/images/PstLgc.png"))
{}
