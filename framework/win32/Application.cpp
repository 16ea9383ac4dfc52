#include "framework/win32/Application.h"

#include "framework/Exceptions.h"
#include "framework/win32/Actions.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <exception>

namespace tovane {

TApplication& Application() {
    static TApplication app;
    return app;
}

int TApplication::Run(TForm& mainForm) {
    FMainForm = &mainForm;
    FTerminated = false;
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
        MessageBoxW(owner, Utf8ToWide(messageUtf8).c_str(), Utf8ToWide(Title).c_str(),
                    MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing more can be reported.
    }
}

} // namespace tovane
