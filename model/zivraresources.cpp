#include "zivraresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initZivraResources()
{
    Q_INIT_RESOURCE(resources);
}

void ZivraResources::ensureLoaded()
{
    static const bool loaded = (initZivraResources(), true);
    Q_UNUSED(loaded);
}
