#include "framework/win32/Controls.h"

#include "framework/win32/Application.h"
#include "framework/win32/Fonts.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"
#include "framework/win32/Text.h"
#include "framework/DpiScale.h"
#include "framework/Exceptions.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

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

TShiftState ShiftStateNow() {
    return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

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

TControl::~TControl() {
    DestroyHandle();
    for (TControl* child : FChildren)
        child->FParent = nullptr;
    if (FParent != nullptr) {
        auto& siblings = FParent->FChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TControl::DestroyHandle() noexcept {
    if (FHandle != nullptr) {
        DestroyWindow(FHandle); // WM_NCDESTROY clears FHandle
        FHandle = nullptr;
    }
}

TForm* TControl::ParentForm() const noexcept {
    const TControl* c = this;
    while (c->FParent != nullptr)
        c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
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

LRESULT TControl::ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam,
                                 bool& handled) {
    handled = false;
    TControl* c = FromHandle(child);
    if (c == nullptr)
        return 0;
    switch (msg) {
    case WM_COMMAND:
        handled = c->CommandNotify(HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        handled = c->Notify(*reinterpret_cast<NMHDR*>(lParam), result);
        return result;
    }
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        auto* list = dynamic_cast<TListBox*>(c);
        if (list != nullptr && dis->itemID != static_cast<UINT>(-1)) {
            list->DrawItem(dis->hDC, static_cast<int>(dis->itemID), dis->rcItem, dis->itemState);
            handled = true;
            return TRUE;
        }
        return 0;
    }
    default: {
        HBRUSH brush = c->CtlColor(reinterpret_cast<HDC>(wParam));
        handled = brush != nullptr;
        return reinterpret_cast<LRESULT>(brush);
    }
    }
}

void TControl::FireMouse(const TMouseEvent& event, TMouseButton button, WPARAM wParam,
                         LPARAM lParam) {
    if (!event)
        return;
    TShiftState shift;
    shift.Shift = (wParam & MK_SHIFT) != 0;
    shift.Ctrl = (wParam & MK_CONTROL) != 0;
    shift.Alt = GetKeyState(VK_MENU) < 0;
    event(*this, button, shift, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (lParam != 0) {
            bool handled = false;
            const LRESULT r =
                ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, handled);
            if (handled)
                return r;
        }
        break;
    case WM_NOTIFY: {
        bool handled = false;
        const LRESULT r = ReflectToChild(reinterpret_cast<NMHDR*>(lParam)->hwndFrom, msg, wParam,
                                         lParam, handled);
        if (handled)
            return r;
        break;
    }
    case WM_DRAWITEM: {
        bool handled = false;
        const LRESULT r = ReflectToChild(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem, msg,
                                         wParam, lParam, handled);
        if (handled)
            return r;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
        bool handled = false;
        const LRESULT r =
            ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, handled);
        if (handled)
            return r;
        break;
    }
    case WM_SIZE:
        if (FDefaultProc == nullptr)
            AlignControls();
        break;
    case WM_ERASEBKGND:
        if (FDefaultProc == nullptr) {
            RECT r;
            GetClientRect(FHandle, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
            return 1;
        }
        break;
    case WM_SETCURSOR:
        if (FCursor == TCursor::Hand && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        FireMouse(OnMouseDown, TMouseButton::Left, wParam, lParam);
        break;
    case WM_RBUTTONDOWN:
        FireMouse(OnMouseDown, TMouseButton::Right, wParam, lParam);
        break;
    case WM_MBUTTONDOWN:
        FireMouse(OnMouseDown, TMouseButton::Middle, wParam, lParam);
        break;
    case WM_LBUTTONUP:
        FireMouse(OnMouseUp, TMouseButton::Left, wParam, lParam);
        break;
    case WM_RBUTTONUP:
        FireMouse(OnMouseUp, TMouseButton::Right, wParam, lParam);
        break;
    case WM_MBUTTONUP:
        FireMouse(OnMouseUp, TMouseButton::Middle, wParam, lParam);
        break;
    default:
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

bool TControl::CommandNotify(WORD) {
    return false;
}

bool TControl::Notify(NMHDR&, LRESULT&) {
    return false;
}

HBRUSH TControl::CtlColor(HDC dc) {
    if (!ParentBackground() && !FColor && !FFontColor)
        return nullptr;
    SetTextColor(dc, FontColor());
    SetBkColor(dc, Color());
    return BackgroundBrush();
}

HBRUSH TControl::BackgroundBrush() {
    if (FColor) {
        if (!FBrush)
            FBrush.Reset(CreateSolidBrush(*FColor));
        return FBrush.Get();
    }
    if (FParent != nullptr)
        return FParent->BackgroundBrush();
    return GetSysColorBrush(COLOR_BTNFACE);
}

COLORREF TControl::Color() const {
    if (FColor)
        return *FColor;
    if (FParent != nullptr)
        return FParent->Color();
    return GetSysColor(COLOR_BTNFACE);
}

void TControl::SetColor(COLORREF color) {
    FColor = color;
    FBrush.Reset(CreateSolidBrush(color));
    Invalidate();
    for (TControl* child : FChildren)
        child->Invalidate();
}

COLORREF TControl::FontColor() const {
    return FFontColor ? *FFontColor : GetSysColor(COLOR_WINDOWTEXT);
}

void TControl::SetFontColor(COLORREF color) {
    FFontColor = color;
    Invalidate();
}

void TControl::InheritFont(const TFont& font) {
    if (FOwnFont)
        return;
    FFont = font;
    UpdateFontHandle();
    for (TControl* child : FChildren)
        child->InheritFont(font);
}

void TControl::SetFont(const TFont& font) {
    FFont = font;
    FOwnFont = true;
    UpdateFontHandle();
    for (TControl* child : FChildren)
        child->InheritFont(font);
}

void TControl::UpdateFontHandle() {
    if (FHandle == nullptr)
        return;
    UniqueFont font = CreateFontFor(FFont, Dpi());
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    FFontHandle = std::move(font);
    FontChanged();
}

int TControl::Dpi() const noexcept {
    const TForm* form = ParentForm();
    return form != nullptr ? form->FDpi : kDesignDpi;
}

int TControl::Scale(int designPixels) const noexcept {
    return ScaleDpi(designPixels, Dpi());
}

void TControl::DpiChanged(int, int) {
}

namespace {

RECT BoundsInParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    HWND parent = GetParent(h);
    if (parent != nullptr && (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) != 0)
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

int TControl::Left() const {
    return BoundsInParent(FHandle).left;
}
int TControl::Top() const {
    return BoundsInParent(FHandle).top;
}
int TControl::Width() const {
    RECT r;
    GetWindowRect(FHandle, &r);
    return r.right - r.left;
}
int TControl::Height() const {
    RECT r;
    GetWindowRect(FHandle, &r);
    return r.bottom - r.top;
}
int TControl::ClientWidth() const {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.right;
}
int TControl::ClientHeight() const {
    RECT r;
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    CaptureAnchors();
}

void TControl::ChangeDpi(int newDpi, int oldDpi) {
    if (FHandle == nullptr)
        return;
    const auto scale = [&](int v) { return ScaleDpi(v, newDpi, oldDpi); };
    if (FParent != nullptr) {
        const RECT r = BoundsInParent(FHandle);
        SetWindowPos(FHandle, nullptr, scale(r.left), scale(r.top), scale(r.right - r.left),
                     scale(r.bottom - r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        FRightMargin = scale(FRightMargin);
        FBottomMargin = scale(FBottomMargin);
        FAnchorWidth = scale(FAnchorWidth);
        FAnchorHeight = scale(FAnchorHeight);
    }
    UpdateFontHandle();
    DpiChanged(newDpi, oldDpi);
    for (TControl* child : FChildren)
        child->ChangeDpi(newDpi, oldDpi);
}

void TControl::CaptureAnchors() {
    if (FParent == nullptr || FHandle == nullptr)
        return;
    const RECT r = BoundsInParent(FHandle);
    FRightMargin = FParent->ClientWidth() - r.right;
    FBottomMargin = FParent->ClientHeight() - r.bottom;
    FAnchorWidth = r.right - r.left;
    FAnchorHeight = r.bottom - r.top;
}

void TControl::AlignControls() {
    if (FHandle == nullptr)
        return;
    RECT area;
    GetClientRect(FHandle, &area);
    const int order[] = {static_cast<int>(TAlign::Top), static_cast<int>(TAlign::Bottom),
                         static_cast<int>(TAlign::Left), static_cast<int>(TAlign::Right),
                         static_cast<int>(TAlign::Client)};
    for (int kind : order) {
        for (TControl* c : FChildren) {
            if (c->FHandle == nullptr || static_cast<int>(c->FAlign) != kind)
                continue;
            if (!IsWindowVisible(c->FHandle) && c->FAlign != TAlign::Client &&
                (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0)
                continue;
            const int w = c->Width();
            const int h = c->Height();
            RECT r = area;
            switch (c->FAlign) {
            case TAlign::Top:
                r.bottom = area.top + h;
                area.top = r.bottom;
                break;
            case TAlign::Bottom:
                r.top = area.bottom - h;
                area.bottom = r.top;
                break;
            case TAlign::Left:
                r.right = area.left + w;
                area.left = r.right;
                break;
            case TAlign::Right:
                r.left = area.right - w;
                area.right = r.left;
                break;
            default:
                break;
            }
            SetWindowPos(c->FHandle, nullptr, r.left, r.top, std::max(0L, r.right - r.left),
                         std::max(0L, r.bottom - r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    // Anchored controls keep their distances to the right and bottom edges.
    RECT client;
    GetClientRect(FHandle, &client);
    for (TControl* c : FChildren) {
        if (c->FHandle == nullptr || c->FAlign != TAlign::None)
            continue;
        if ((c->FAnchors & (akRight | akBottom)) == 0)
            continue;
        const RECT r = BoundsInParent(c->FHandle);
        int left = r.left, top = r.top, width = c->FAnchorWidth, height = c->FAnchorHeight;
        const int right = client.right - c->FRightMargin;
        const int bottom = client.bottom - c->FBottomMargin;
        if (c->FAnchors & akRight) {
            if (c->FAnchors & akLeft)
                width = std::max(0, right - left);
            else
                left = right - width;
        }
        if (c->FAnchors & akBottom) {
            if (c->FAnchors & akTop)
                height = std::max(0, bottom - top);
            else
                top = bottom - height;
        }
        SetWindowPos(c->FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool TControl::Visible() const {
    return FHandle != nullptr && (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool visible) {
    ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
    if (FParent != nullptr && FAlign != TAlign::None)
        FParent->AlignControls();
}

bool TControl::Enabled() const {
    return FHandle != nullptr && IsWindowEnabled(FHandle) != FALSE;
}

void TControl::SetEnabled(bool enabled) {
    EnableWindow(FHandle, enabled ? TRUE : FALSE);
}

std::string TControl::Caption() const {
    const int n = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(FHandle, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got));
    return WideToUtf8(text);
}

void TControl::SetCaption(std::string_view utf8) {
    SetWindowTextW(FHandle, Utf8ToWide(utf8).c_str());
}

void TControl::SetFocus() {
    ::SetFocus(FHandle);
}

bool TControl::Focused() const {
    return FHandle != nullptr && GetFocus() == FHandle;
}

void TControl::Invalidate() {
    if (FHandle != nullptr)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TControl::Update() {
    if (FHandle != nullptr)
        UpdateWindow(FHandle);
}

} // namespace tovane
