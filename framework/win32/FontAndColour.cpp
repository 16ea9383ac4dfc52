// Fonts and colours: a control's own, or those of its parent, which children inherit.
#include "framework/win32/Controls.h"

#include "framework/win32/Fonts.h"

#include <utility>

namespace tovane {

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

void TControl::UpdateFontHandle() {
    if (FHandle == nullptr)
        return;
    UniqueFont font = CreateFontFor(FFont, Dpi());
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    FFontHandle = std::move(font);
    FontChanged();
}

} // namespace tovane
