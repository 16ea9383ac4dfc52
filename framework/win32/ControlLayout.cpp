// Where controls lie: bounds, DPI scaling, alignment to the parent's edges and anchors.
#include "framework/win32/Controls.h"

#include "framework/win32/Forms.h"
#include "framework/DpiScale.h"

#include <algorithm>

namespace tovane {

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

} // namespace tovane
