// Tells the bundled plug-ins where pictures are shown: whether they manage colours ("[Color]
// Manage") and the colour profile Windows has for the monitor of a window (else they take sRGB).
// They read it from this process's environment at every picture, here and in the decoding host,
// which inherits the environment when it starts (a host already running keeps what it had).
#pragma once

#include <windows.h>

namespace tovane {

// UI thread; window: the one whose monitor shows the pictures. True when the target differs
// from the one published before (pictures decoded for that one are not this one's).
bool PublishColourTarget(bool manage, HWND window);

} // namespace tovane
