#include "framework/win32/Dpi.h"
#include "framework/win32/Handles.h"

#include "framework/DpiScale.h"

namespace tovane {

namespace {

// A function of user32 by name, or nullptr on systems that lack it.
template <typename F> F User32Function(const char* name) noexcept {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr)
        return nullptr;
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int ScreenLogPixels() noexcept {
    const TWindowDC screen(nullptr);
    if (!screen)
        return kDesignDpi;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : kDesignDpi;
}

} // namespace

int WindowDpi(HWND window) noexcept {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi > 0)
            return static_cast<int>(dpi);
    return SystemDpi();
}

int SystemDpi() noexcept {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    static const auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem != nullptr)
        if (const UINT dpi = getDpiForSystem(); dpi > 0)
            return static_cast<int>(dpi);
    return ScreenLogPixels();
}

void DeclarePerMonitorDpiAwareness() noexcept {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    using SetAwareFn = BOOL(WINAPI*)();
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE.
    const auto setContext = User32Function<SetContextFn>("SetProcessDpiAwarenessContext");
    if (setContext != nullptr && (setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
                                  setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))))
        return;
    if (const auto setAware = User32Function<SetAwareFn>("SetProcessDPIAware"))
        setAware();
}

RECT MonitorRectOf(HWND window) noexcept {
    const HMONITOR monitor = window != nullptr
                                 ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                                 : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info))
        return info.rcMonitor;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace tovane
