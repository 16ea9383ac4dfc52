/* A "00XN" module. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00XN", "Xn test plug-in")
