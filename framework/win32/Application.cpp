#include "framework/win32/Application.h"

#include "framework/Exceptions.h"
#include "framework/win32/Actions.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <exception>
#include <utility>
#include <vector>

namespace tovane {

TApplication& Application() {
    static TApplication app;
    return app;
}

namespace {
const wchar_t ApplicationWindowClass[] = L"TovaneApplication";
// Posted to the application window: hand the activation on once the system is done with it.
constexpr UINT WM_APP_ACTIVATE_POPUP = WM_APP + 0x5B0;
} // namespace

HWND TApplication::Handle() {
    if (FHandle != nullptr)
        return FHandle;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TApplication::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.lpszClassName = ApplicationWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Exception("Cannot register the application window class");
    // No size, in the middle of the screen (where a restore animation starts from).
    FHandle = CreateWindowExW(0, ApplicationWindowClass, Utf8ToWide(FTitle).c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, instance, nullptr);
    if (FHandle == nullptr)
        throw Exception("Cannot create the application window");
    return FHandle;
}

void TApplication::SetTitle(std::string titleUtf8) {
    FTitle = std::move(titleUtf8);
    if (FHandle != nullptr)
        SetWindowTextW(FHandle, Utf8ToWide(FTitle).c_str());
}

// The program's windows are hidden with the application window and shown again with it (not
// every system does that for windows that are not pop-ups).
namespace {
// The visible windows owned, directly or through other windows, by the application window.
struct OwnedWindows {
    HWND App;
    std::vector<HWND>& Windows;
};

BOOL CALLBACK CollectOwned(HWND h, LPARAM param) {
    auto* c = reinterpret_cast<OwnedWindows*>(param);
    if (h == c->App || !IsWindowVisible(h))
        return TRUE;
    HWND owner = h; // the owner chain (GA_ROOTOWNER follows it for pop-ups only)
    while (owner != nullptr && owner != c->App)
        owner = GetWindow(owner, GW_OWNER);
    if (owner == c->App)
        c->Windows.push_back(h);
    return TRUE;
}
} // namespace

void TApplication::Minimize() {
    const HWND app = Handle();
    if (IsIconic(app))
        return;
    OwnedWindows owned{app, FHiddenWhileMinimized};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&owned));
    for (HWND h : FHiddenWhileMinimized)
        ShowWindow(h, SW_HIDE);
    ShowWindow(app, SW_MINIMIZE);
}

void TApplication::Restore() {
    // WM_SIZE then brings the hidden windows back, as for a restore from the task bar.
    if (IsIconic(Handle()))
        ShowWindow(FHandle, SW_RESTORE);
}

void TApplication::ShowHiddenWindows() {
    const std::vector<HWND> windows = std::exchange(FHiddenWhileMinimized, {});
    for (HWND h : windows)
        if (IsWindow(h))
            ShowWindow(h, SW_SHOWNA);
    if (!windows.empty())
        ActivateLastPopup();
}

void TApplication::ActivateLastPopup() {
    // The window that was last active in the program, or the main form.
    HWND target = GetLastActivePopup(FHandle);
    if (target == FHandle && FMainForm != nullptr)
        target = FMainForm->Handle();
    if (target != nullptr && target != FHandle && IsWindowVisible(target) &&
        IsWindowEnabled(target))
        SetActiveWindow(target);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TApplication& app = Application();
    if (window != app.FHandle) // messages sent while CreateWindowExW runs
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!app.Dispatch([&] { result = app.WndProc(message, wParam, lParam); }))
        return 0;
    return result;
}

LRESULT TApplication::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        // The task bar or task switching activated the program: the user means its windows.
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(FHandle))
            PostMessageW(FHandle, WM_APP_ACTIVATE_POPUP, 0, 0);
        return 0;
    case WM_APP_ACTIVATE_POPUP:
        if (GetActiveWindow() == FHandle)
            ActivateLastPopup();
        return 0;
    case WM_SIZE:
        // Restored from the task bar: the windows minimised with it come back.
        if (wParam == SIZE_RESTORED && !FHiddenWhileMinimized.empty())
            ShowHiddenWindows();
        break;
    case WM_CLOSE:
        if (FMainForm != nullptr)
            FMainForm->Close();
        return 0;
    case WM_SYSCOMMAND: // SC_CLOSE comes back as WM_CLOSE
        if ((wParam & 0xFFF0) == SC_MINIMIZE) {
            Minimize();
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

int TApplication::Run(TForm& mainForm) {
    FMainForm = &mainForm;
    FTerminated = false;
    // The task bar button: shown without taking the activation, which goes to the main form.
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    mainForm.Show();
    MSG msg{};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        ProcessMessage(msg);
    }
    FTerminated = true;
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

void TApplication::Terminate() {
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns the run.
            PostQuitMessage(static_cast<int>(msg.wParam));
            FTerminated = true;
            break;
        }
        ProcessMessage(msg);
    }
}

namespace {

TKeyModifiers ModifiersOf(const MSG& msg) {
    TKeyModifiers mods;
    mods.Shift = GetKeyState(VK_SHIFT) < 0;
    mods.Ctrl = GetKeyState(VK_CONTROL) < 0;
    // For WM_SYSKEYDOWN bit 29 says Alt is held; F10 alone also arrives as a system key.
    mods.Alt = GetKeyState(VK_MENU) < 0 ||
               (msg.message == WM_SYSKEYDOWN && (msg.lParam & (1L << 29)) != 0);
    return mods;
}

} // namespace

void TApplication::ProcessMessage(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    TForm* form = TForm::FromHandle(root);
    if (form != nullptr && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
        IsWindowEnabled(root)) {
        // A key that is an action's shortcut is the action's alone, also when it fails.
        if (TAction* action =
                form->FindShortCut(static_cast<unsigned>(msg.wParam), ModifiersOf(msg))) {
            Dispatch([&] { action->Execute(); });
            return;
        }
    }
    if (form != nullptr && IsDialogMessageW(root, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void TApplication::HandleException() noexcept {
    try {
        throw;
    } catch (const EAbort&) {
        // silent by design
    } catch (const std::exception& e) {
        ShowErrorReport(e.what());
    } catch (...) {
        ShowErrorReport("Unknown error");
    }
}

void TApplication::ShowErrorReport(const std::string& messageUtf8) noexcept {
    try {
        if (OnException) {
            OnException(messageUtf8);
            return;
        }
        HWND owner = GetActiveWindow();
        if (owner == nullptr && FMainForm != nullptr)
            owner = FMainForm->Handle();
        MessageBoxW(owner, Utf8ToWide(messageUtf8).c_str(), Utf8ToWide(FTitle).c_str(),
                    MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing more can be reported.
    }
}

} // namespace tovane
