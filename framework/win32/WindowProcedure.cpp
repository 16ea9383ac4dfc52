// The window procedure every framework window shares: the window class, the trampoline that
// finds a window's object, and the creation of a control's window, which binds the two.
#include "framework/win32/Controls.h"

#include "framework/win32/Application.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"
#include "framework/Exceptions.h"

#include <commctrl.h>

#include <string>

namespace tovane {

const wchar_t* FrameworkWindowClass() {
    static const wchar_t* const name = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX),
                                 ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowTrampoline;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.lpszClassName = L"TovaneWindow";
        RegisterClassExW(&wc);
        return L"TovaneWindow";
    }();
    return name;
}

namespace {

// Marks the framework's windows. The object pointer itself lives in GWLP_USERDATA; the mark
// tells our windows from others whose GWLP_USERDATA means something else, and it survives a
// later subclassing (an up-down control subclasses its buddy), which a comparison of the
// window procedure would not.
constexpr const wchar_t* ObjectMark = L"TovaneObject";

} // namespace

LRESULT CALLBACK WindowTrampoline(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TControl*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (self == nullptr && msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<TControl*>(cs->lpCreateParams);
        if (self != nullptr) {
            self->FHandle = handle;
            SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            SetPropW(handle, ObjectMark, self);
        }
    }
    if (self == nullptr)
        return DefWindowProcW(handle, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
        RemovePropW(handle, ObjectMark);
        const LRESULT r = self->DefaultHandler(msg, wParam, lParam);
        self->FHandle = nullptr;
        return r;
    }
    LRESULT result = 0;
    Application().Dispatch([&] { result = self->WndProc(msg, wParam, lParam); });
    return result;
}

TControl* TControl::FromHandle(HWND handle) noexcept {
    if (handle == nullptr || !IsWindow(handle))
        return nullptr;
    const auto object = GetWindowLongPtrW(handle, GWLP_USERDATA);
    if (object == 0 || reinterpret_cast<HANDLE>(object) != GetPropW(handle, ObjectMark))
        return nullptr;
    return reinterpret_cast<TControl*>(object);
}

void TControl::DestroyHandle() noexcept {
    if (FHandle != nullptr) {
        DestroyWindow(FHandle); // WM_NCDESTROY clears FHandle
        FHandle = nullptr;
    }
}

void TControl::CreateControl(TControl* parent, const TControlProps& props, const wchar_t* className,
                             DWORD style, DWORD exStyle, HWND owner) {
    FrameworkWindowClass(); // registers the class and loads the common controls once
    FParent = parent;
    if (parent != nullptr)
        parent->FChildren.push_back(this);
    FAlign = props.Align;
    FAnchors = props.Anchors;
    FColor = props.Color;
    FFontColor = props.FontColor;
    FCursor = props.Cursor;
    if (props.Font) {
        FFont = *props.Font;
        FOwnFont = true;
    } else if (parent != nullptr) {
        FFont = parent->FFont;
    }
    if (parent != nullptr) {
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        if (props.Visible)
            style |= WS_VISIBLE;
        if (!props.Enabled)
            style |= WS_DISABLED;
    }
    const bool own = className == nullptr;
    HMENU id = nullptr;
    if (parent != nullptr)
        if (TForm* form = parent->ParentForm())
            id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(form->NextControlId()));
    const std::wstring caption = Utf8ToWide(props.Caption);
    // A form scales its own size (TForm::CreateForm); a child takes its design bounds at the
    // form's DPI.
    const bool scaled = parent != nullptr;
    HWND h = CreateWindowExW(
        exStyle, own ? FrameworkWindowClass() : className, caption.c_str(), style,
        scaled ? Scale(props.Left) : props.Left, scaled ? Scale(props.Top) : props.Top,
        scaled ? Scale(props.Width) : props.Width, scaled ? Scale(props.Height) : props.Height,
        parent != nullptr ? parent->FHandle : owner, id, GetModuleHandleW(nullptr),
        own ? this : nullptr);
    if (h == nullptr)
        throw Exception("CreateWindowEx failed (error " + std::to_string(GetLastError()) + ")");
    if (!own) {
        FHandle = h;
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetPropW(h, ObjectMark, this);
        FDefaultProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowTrampoline)));
    }
    UpdateFontHandle();
    CaptureAnchors();
    if (parent != nullptr) {
        // A new child goes to the bottom of the Z order; frames must stay below it.
        for (TControl* sibling : parent->FChildren)
            if (sibling->StaysAtBottom() && sibling->FHandle != nullptr)
                SetWindowPos(sibling->FHandle, HWND_BOTTOM, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (FAlign != TAlign::None)
            parent->AlignControls();
    }
}

LRESULT TControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (FDefaultProc != nullptr)
        return CallWindowProcW(FDefaultProc, FHandle, msg, wParam, lParam);
    return DefWindowProcW(FHandle, msg, wParam, lParam);
}

} // namespace tovane
