#include "dialogsSupport.h"

#include <map>
#include <string>

namespace dialogstest {

namespace {

std::map<UINT_PTR, std::function<void()>>& Pending() {
    static std::map<UINT_PTR, std::function<void()>> pending;
    return pending;
}

void CALLBACK FirePending(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto it = Pending().find(id);
    if (it == Pending().end())
        return;
    std::function<void()> action = std::move(it->second);
    Pending().erase(it);
    action();
}

} // namespace

void RunSoon(std::function<void()> action, UINT delayMs) {
    const UINT_PTR id = SetTimer(nullptr, 0, delayMs, FirePending);
    Pending()[id] = std::move(action);
}

void PressKey(UINT vk) {
    PostMessageW(GetFocus(), WM_KEYDOWN, vk, 1);
    PostMessageW(GetFocus(), WM_KEYUP, vk, 0xC0000001);
    Pump();
}

HWND FindColorDialog(HWND owner) {
    return harness::FindTopWindow([owner](HWND h) {
        return harness::ClassOf(h) == L"#32770" && GetWindow(h, GW_OWNER) == owner &&
               GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId();
    });
}

void SetColorDialogRgb(HWND dialog, int r, int g, int b) {
    // The red, green and blue fields of the platform's colour dialog template.
    SetDlgItemInt(dialog, 706, static_cast<UINT>(r), FALSE);
    SetDlgItemInt(dialog, 707, static_cast<UINT>(g), FALSE);
    SetDlgItemInt(dialog, 708, static_cast<UINT>(b), FALSE);
}

} // namespace dialogstest
