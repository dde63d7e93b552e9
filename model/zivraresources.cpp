#include "zivraresources.h"

void ZivraResources::ensureLoaded()
{
}
