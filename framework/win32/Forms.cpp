#include "framework/win32/Forms.h"

#include "framework/DpiScale.h"
#include "framework/Exceptions.h"
#include "framework/win32/Actions.h"
#include "framework/win32/Application.h"
#include "framework/win32/Dpi.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/StdCtrls.h"

#include <algorithm>

namespace tovane {

namespace {

struct StyleOf {
    DWORD Style;
    DWORD ExStyle;
};

StyleOf FormStyle(const TFormProps& p) {
    switch (p.BorderStyle) {
    case TBorderStyle::Dialog:
        return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE};
    case TBorderStyle::None:
        return {WS_POPUP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case TBorderStyle::Sizeable:
    default: {
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
        if (p.MinimizeBox)
            style |= WS_MINIMIZEBOX;
        if (p.MaximizeBox)
            style |= WS_MAXIMIZEBOX;
        // No task bar button of its own: the application window owns it and stands there.
        return {style, WS_EX_CONTROLPARENT};
    }
    }
}

} // namespace

TForm* TForm::FromHandle(HWND handle) noexcept {
    return dynamic_cast<TForm*>(TControl::FromHandle(handle));
}

TForm::~TForm() {
    if (Application().MainForm() == this)
        Application().SetMainForm(nullptr);
}

void TForm::CreateForm(const TFormProps& props) {
    const StyleOf s = FormStyle(props);
    const HWND owner = FOwner != nullptr ? FOwner->Handle() : Application().Handle();
    // The form starts where its owner is; WindowDpi reads the system DPI without one.
    FDpi = WindowDpi(owner);
    TControlProps cp;
    cp.Left = props.Left;
    cp.Top = props.Top;
    cp.Width = Scale(props.Width > 0 ? props.Width : 300);
    cp.Height = Scale(props.Height > 0 ? props.Height : 200);
    cp.Caption = props.Caption;
    cp.Font = props.Font;
    cp.Color = props.Color;
    cp.Visible = false;
    FMinWidth = props.MinWidth;
    FMinHeight = props.MinHeight;
    FPosition = props.Position;
    CreateControl(nullptr, cp, nullptr, s.Style, s.ExStyle, owner);
    if (const int dpi = WindowDpi(FHandle); dpi != FDpi)
        MoveToDpi(dpi, nullptr);
    if (props.ClientWidth > 0 && props.ClientHeight > 0) {
        FDesignClientWidth = props.ClientWidth;
        FDesignClientHeight = props.ClientHeight;
        SetClientSize(Scale(props.ClientWidth), Scale(props.ClientHeight));
    }
}

void TForm::MoveToDpi(int dpi, const RECT* suggested) {
    const int old = FDpi;
    FDpi = dpi;
    ChangeDpi(dpi, old);
    if (suggested != nullptr && FCoversMonitor) {
        // A form over its monitor covers the monitor the suggested rectangle lies on.
        const HMONITOR monitor = MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        CoverRect(GetMonitorInfoW(monitor, &info) ? info.rcMonitor : *suggested);
    } else if (suggested != nullptr) {
        SetWindowPos(FHandle, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(FHandle, nullptr, 0, 0, ScaleDpi(Width(), dpi, old),
                     ScaleDpi(Height(), dpi, old), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    AlignControls();
}

void TForm::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(FHandle, GWL_STYLE)),
                       GetMenu(FHandle) != nullptr,
                       static_cast<DWORD>(GetWindowLongW(FHandle, GWL_EXSTYLE)));
    SetWindowPos(FHandle, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::MenuAttached() {
    if (FDesignClientWidth > 0)
        SetClientSize(Scale(FDesignClientWidth), Scale(FDesignClientHeight));
}

void TForm::Build() {
    try {
        LoadForm();
        Loaded();
    } catch (...) {
        DestroyHandle();
        throw;
    }
    Application().Dispatch([&] {
        if (OnCreate)
            OnCreate(*this);
    });
}

void TForm::DestroyForm() noexcept {
    Application().Dispatch([&] {
        if (OnDestroy)
            OnDestroy(*this);
    });
    for (TTimer* t : FTimers)
        if (FHandle != nullptr)
            KillTimer(FHandle, t->FId);
    DestroyHandle();
}

void TForm::Center() {
    // On the work area of the owner's monitor, which may have a DPI of its own.
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const HWND owner = GetWindow(FHandle, GW_OWNER);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (owner != nullptr &&
        GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &info))
        work = info.rcWork;
    const int w = Width(), h = Height();
    SetWindowPos(FHandle, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
    if (FHandle == nullptr || IsWindowVisible(FHandle))
        return;
    if (FPosition == TPosition::DesktopCenter || FPosition == TPosition::ScreenCenter)
        Center();
    Application().Dispatch([&] {
        if (OnShow)
            OnShow(*this);
    });
    FEraseOnPaint = true;
    ShowWindow(FHandle, SW_SHOW);
    FEraseOnPaint = false;
    InvalidateRect(FHandle, nullptr, TRUE);
    SetForegroundWindow(FHandle);
    FocusFirstControl();
}

void TForm::Minimize() {
    // The main form minimises the program: its task bar button belongs to the application
    // window, and an owned window minimised on its own would have nowhere to go.
    if (Application().MainForm() == this)
        Application().Minimize();
    else
        ShowWindow(FHandle, SW_MINIMIZE);
}

void TForm::Hide() {
    if (FHandle == nullptr || !IsWindowVisible(FHandle))
        return;
    ShowWindow(FHandle, SW_HIDE);
    FCoversMonitor = false;
    Application().Dispatch([&] {
        if (OnHide)
            OnHide(*this);
    });
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose)
        OnClose(*this, action);
}

void TForm::Close() {
    if (FModal) {
        if (FModalResult == mrNone)
            FModalResult = mrCancel;
        return; // the modal loop runs OnClose when it sees the result
    }
    const bool main = Application().MainForm() == this;
    TCloseAction action = main ? TCloseAction::Free : TCloseAction::Hide;
    DoClose(action);
    if (action == TCloseAction::None)
        return;
    if (main) {
        Hide();
        Application().Terminate();
    } else if (action == TCloseAction::Minimize) {
        Minimize();
    } else {
        Hide();
    }
}

namespace {

struct DisabledWindows {
    std::vector<HWND> Windows;
    HWND Except;
    ~DisabledWindows() {
        for (HWND h : Windows)
            if (IsWindow(h))
                EnableWindow(h, TRUE);
    }
};

BOOL CALLBACK DisableOne(HWND h, LPARAM param) {
    auto* d = reinterpret_cast<DisabledWindows*>(param);
    if (h != d->Except && IsWindowVisible(h) && IsWindowEnabled(h)) {
        EnableWindow(h, FALSE);
        d->Windows.push_back(h);
    }
    return TRUE;
}

} // namespace

int TForm::ShowModal() {
    if (FModal || FHandle == nullptr || IsWindowVisible(FHandle))
        throw Exception("Cannot make a visible window modal");
    HWND previous = GetActiveWindow();
    FModalResult = mrNone;
    // A window manager gives the keyboard focus to a new window that it takes for a dialog; a
    // sizeable form (an overlapped window) would open without it, the focus staying with its
    // disabled owner. The modal frame marks every modal form with a caption as a dialog.
    const LONG_PTR style = GetWindowLongPtrW(FHandle, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(FHandle, GWL_EXSTYLE);
    if ((style & WS_CAPTION) == WS_CAPTION && (exStyle & WS_EX_DLGMODALFRAME) == 0) {
        SetWindowLongPtrW(FHandle, GWL_EXSTYLE, exStyle | WS_EX_DLGMODALFRAME);
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    {
        DisabledWindows disabled;
        disabled.Except = FHandle;
        EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
        FModal = true;
        struct ModalFlag {
            bool& Flag;
            ~ModalFlag() { Flag = false; }
        } flag{FModal};
        Show();
        MSG msg{};
        while (FHandle != nullptr) {
            if (FModalResult != mrNone) {
                TCloseAction action = TCloseAction::Hide;
                Application().Dispatch([&] { DoClose(action); });
                if (action != TCloseAction::None)
                    break;
                FModalResult = mrNone;
            }
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                if (FModalResult == mrNone)
                    FModalResult = mrCancel;
                break;
            }
            Application().ProcessMessage(msg);
        }
        // The other windows are enabled again before this one hides, so that the activation
        // goes back to them.
    }
    if (FHandle != nullptr)
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    FCoversMonitor = false;
    Application().Dispatch([&] {
        if (OnHide)
            OnHide(*this);
    });
    if (previous != nullptr && IsWindow(previous))
        SetActiveWindow(previous);
    return FModalResult == mrNone ? mrCancel : FModalResult;
}

void TForm::AcceptFiles(bool accept) {
    DragAcceptFiles(FHandle, accept ? TRUE : FALSE);
}

void TForm::CoverRect(const RECT& r) {
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TForm::CoverMonitorOf(HWND window) {
    FCoversMonitor = true;
    const RECT monitor = MonitorRectOf(window);
    CoverRect(monitor);
    // Moving onto a monitor of another DPI has re-laid the form out (WM_DPICHANGED), which
    // covers the monitor again; this only makes sure of it.
    RECT now;
    GetWindowRect(FHandle, &now);
    if (!EqualRect(&now, &monitor))
        CoverRect(monitor);
}

TAction* TForm::FindShortCut(unsigned key, TKeyModifiers mods) const {
    for (TAction* a : FActions)
        if (a->Enabled() && a->OnExecute && ShortCutMatches(a->ShortCut(), key, mods))
            return a;
    return nullptr;
}

void TForm::FocusFirstControl() {
    if (FLastFocus != nullptr && IsWindow(FLastFocus) && IsChild(FHandle, FLastFocus) &&
        IsWindowVisible(FLastFocus) && IsWindowEnabled(FLastFocus)) {
        ::SetFocus(FLastFocus);
        return;
    }
    HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE);
    if (first != nullptr)
        ::SetFocus(first);
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (OnMessage) {
        LRESULT result = 0;
        if (OnMessage(msg, wParam, lParam, result))
            return result;
    }
    switch (msg) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ERASEBKGND:
        // Not erased while Show shows the window: its first WM_PAINT erases it.
        if (FEraseOnPaint)
            return 0;
        break;
    case WM_COMMAND:
        if (lParam == 0) {
            const UINT id = LOWORD(wParam);
            if (FMenu != nullptr && HIWORD(wParam) <= 1)
                if (TMenuItem* item = FMenu->FindItem(id)) {
                    item->Click();
                    return 0;
                }
            if (id == IDCANCEL && FCancelButton != nullptr) {
                FCancelButton->Click();
                return 0;
            }
            // Esc closes a modal form without a cancel button (a box with only OK), as it
            // closes the system's dialog boxes.
            if (id == IDCANCEL && FModal) {
                Close();
                return 0;
            }
            return 0;
        }
        break;
    case DM_GETDEFID:
        if (FDefaultButton != nullptr && FDefaultButton->Handle() != nullptr)
            return MAKELRESULT(GetDlgCtrlID(FDefaultButton->Handle()), DC_HASDEFID);
        return 0;
    case WM_DROPFILES:
        if (OnDropFiles)
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
        else
            DragFinish(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_TIMER:
        for (TTimer* t : FTimers)
            if (t->FId == wParam) {
                t->Fire();
                return 0;
            }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
            Application().Minimize();
            return 0;
        }
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (FMinWidth > 0)
            info->ptMinTrackSize.x = Scale(FMinWidth);
        if (FMinHeight > 0)
            info->ptMinTrackSize.y = Scale(FMinHeight);
        return 0;
    }
    case WM_DPICHANGED:
        // Another monitor, or its scale changed: lay out again at the new DPI in the rectangle
        // the system suggests for it.
        MoveToDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_INITMENUPOPUP:
        if (FMenu != nullptr)
            FMenu->UpdateTexts(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(FHandle, focus))
                FLastFocus = focus;
        } else if (!HIWORD(wParam)) {
            FocusFirstControl();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        FocusFirstControl();
        return 0;
    case WM_NEXTDLGCTL: {
        // The dialog manager moves the focus with this message (label accelerators, group
        // captions); a form is no dialog class, so it does the moving itself.
        HWND target = LOWORD(lParam) != 0
                          ? reinterpret_cast<HWND>(wParam)
                          : GetNextDlgTabItem(FHandle, GetFocus(), wParam != 0 ? TRUE : FALSE);
        // Into a radio group the focus goes to its chosen button. (A group caption's
        // accelerator first focuses the group itself, then asks for the next control: that is
        // the chosen button too.)
        if (LOWORD(lParam) == 0 && dynamic_cast<TRadioGroup*>(TControl::FromHandle(GetFocus())))
            target = FindWindowExW(GetFocus(), nullptr, nullptr, nullptr);
        if (target != nullptr)
            if (auto* group = dynamic_cast<TRadioGroup*>(TControl::FromHandle(GetParent(target))))
                if (group->ItemCount() > 0) {
                    const int checked = group->ItemIndex();
                    target = group->ButtonHandle(checked >= 0 ? checked : 0);
                }
        if (target != nullptr && IsChild(FHandle, target))
            ::SetFocus(target);
        return 0;
    }
    case WM_SIZE: {
        const LRESULT r = TControl::WndProc(msg, wParam, lParam);
        if (OnResize)
            OnResize(*this);
        return r;
    }
    default:
        break;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

} // namespace tovane
