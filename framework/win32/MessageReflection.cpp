// A parent's messages about its children (commands, notifications, owner drawing, colours)
// reflected to the child's object, and the mouse messages turned into events.
#include "framework/win32/Controls.h"

#include "framework/win32/StdCtrls.h"

#include <windowsx.h>

namespace tovane {

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
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const bool down = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
        const TMouseButton button =
            msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP   ? TMouseButton::Left
            : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP ? TMouseButton::Right
                                                           : TMouseButton::Middle;
        FireMouse(down ? OnMouseDown : OnMouseUp, button, wParam, lParam);
        break;
    }
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

} // namespace tovane
