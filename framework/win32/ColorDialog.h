// The platform's colour-choice dialog (ChooseColorW), shown modally over an owner window.
#pragma once

#include <windows.h>

#include <array>

namespace tovane {

struct TColorDialogOptions {
    bool SolidColor = true; // offer solid colours only (no dithered ones)
    bool FullOpen = false;  // open with the custom-colour part expanded
};

class TColorDialog {
public:
    explicit TColorDialog(const TColorDialogOptions& options = {}) : FOptions(options) {
        FCustomColors.fill(RGB(255, 255, 255));
    }

    // The colour the dialog starts with, and after a confirmed Execute the chosen one.
    COLORREF Color() const noexcept { return FColor; }
    void SetColor(COLORREF color) noexcept { FColor = color; }
    // The 16 custom colour slots; the dialog keeps the user's changes to them between runs.
    std::array<COLORREF, 16>& CustomColors() noexcept { return FCustomColors; }

    // Shows the dialog modally. True when the user confirmed (Color() is the choice); false
    // when cancelled (Color() unchanged).
    bool Execute(HWND owner);

private:
    TColorDialogOptions FOptions;
    COLORREF FColor = RGB(255, 255, 255);
    std::array<COLORREF, 16> FCustomColors{};
};

} // namespace tovane
