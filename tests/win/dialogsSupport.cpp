#include "dialogsSupport.h"

#include "framework/win32/Application.h"

#include <map>
#include <string>

namespace dialogstest {

void Pump(int ms) {
    const DWORD start = GetTickCount();
    do {
        tovane::Application().ProcessMessages();
        Sleep(1);
    } while (static_cast<int>(GetTickCount() - start) < ms);
}

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

struct FindData {
    HWND Owner;
    HWND Found;
};

BOOL CALLBACK FindOne(HWND h, LPARAM param) {
    auto* d = reinterpret_cast<FindData*>(param);
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(h) &&
        GetWindow(h, GW_OWNER) == d->Owner) {
        d->Found = h;
        return FALSE;
    }
    return TRUE;
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
    FindData d{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOne, reinterpret_cast<LPARAM>(&d));
    return d.Found;
}

void SetColorDialogRgb(HWND dialog, int r, int g, int b) {
    // The red, green and blue fields of the platform's colour dialog template.
    SetDlgItemInt(dialog, 706, static_cast<UINT>(r), FALSE);
    SetDlgItemInt(dialog, 707, static_cast<UINT>(g), FALSE);
    SetDlgItemInt(dialog, 708, static_cast<UINT>(b), FALSE);
}

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\') + 1);
}

} // namespace dialogstest
