// The DPI a window is shown at, and the monitor it is on. Functions of newer systems
// (GetDpiForWindow, GetDpiForSystem, SetProcessDpiAwarenessContext) are looked up at run time,
// so the program still starts where they are missing; there the screen's LOGPIXELSY stands in.
// UI thread only.
#pragma once

#include <windows.h>

namespace tovane {

// The DPI of the monitor the window is on (per-monitor aware), or the system DPI.
int WindowDpi(HWND window) noexcept;
// The DPI of the primary monitor, as new windows start with.
int SystemDpi() noexcept;
// Makes the process per-monitor DPI aware (v2, else per-monitor, else system aware) when the
// manifest has not already done so; for programs without the manifest, such as the tests.
void DeclarePerMonitorDpiAwareness() noexcept;
// The whole rectangle (not the work area) of the monitor that holds most of the window; the
// primary monitor when the window is none or on none.
RECT MonitorRectOf(HWND window) noexcept;

} // namespace tovane
