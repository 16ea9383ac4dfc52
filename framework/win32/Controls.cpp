#include "framework/win32/Controls.h"

#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <algorithm>
#include <string>

namespace tovane {

TControl::~TControl() {
    DestroyHandle();
    for (TControl* child : FChildren)
        child->FParent = nullptr;
    if (FParent != nullptr) {
        auto& siblings = FParent->FChildren;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

TForm* TControl::ParentForm() const noexcept {
    const TControl* c = this;
    while (c->FParent != nullptr)
        c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
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

void TControl::Invalidate() {
    if (FHandle != nullptr)
        InvalidateRect(FHandle, nullptr, TRUE);
}

void TControl::Update() {
    if (FHandle != nullptr)
        UpdateWindow(FHandle);
}

} // namespace tovane
