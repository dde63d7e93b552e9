#ifndef POSTLOGIC_H
#define POSTLOGIC_H

#include "nimlogic.h"

class PostLogic : public NIMLogic
{
public:
    PostLogic(int id, int sheet, const QString &name);
};

#endif // POSTLOGIC_H
