/* A module with an import export but without GetPluginInfo. */
#include "SusieTestPlugin.h"

SUSIE_STUB_IS_SUPPORTED
