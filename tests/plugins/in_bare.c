/* A plug-in that says "00IN" but has none of the import exports. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Bare import")
