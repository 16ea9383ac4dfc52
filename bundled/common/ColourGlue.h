// The plug-ins' side of colour management on Windows: the target the program asked for, and the
// one colour manager (with its cache of transforms) of the module.
#pragma once

#include "bundled/common/Colour.h"

namespace bundled {

// The target as the environment says now (ColourEnvironment.h); a display profile that cannot
// be read counts as none (sRGB).
ColourTarget CurrentColourTarget();
// The module's colour manager, made on first use and kept until the module is unloaded.
ColourManager& ModuleColourManager();

} // namespace bundled
