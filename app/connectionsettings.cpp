#include "connectionsettings.h"

const char *const ConnectionSettings::factoryHost = "192.168.10.16";
