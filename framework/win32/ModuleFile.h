// Where a loaded module, or the program itself, lies on disk.
#pragma once

#include <windows.h>

#include <string>

namespace tovane {

// The module's full path (ANSI), the program's for nullptr; empty when the system cannot tell.
// The buffer grows for long paths, so the name is never cut short.
std::string ModuleFileName(HMODULE module = nullptr);

} // namespace tovane
