// A canvas: drawing operations on a device context that someone else owns (a window's paint
// DC, a memory DC). The canvas never releases or deletes its DC.
#pragma once

#include <windows.h>

#include "framework/win32/Graphics.h"

namespace tovane {

class TCanvas {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : FHandle(dc) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return FHandle; }
    void SetHandle(HDC dc) { FHandle = dc; }

    // The raster operation that drawing graphics use (SRCCOPY by default).
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD rop) { FCopyMode = rop; }

    // Draws the graphic stretched into the rectangle (the graphic's Draw).
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // Draws the graphic at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic& graphic);
    // Fills the rectangle with a solid colour (0x00BBGGRR).
    void FillRect(const TRect& rect, COLORREF color);

private:
    HDC FHandle = nullptr;
    DWORD FCopyMode = SRCCOPY;
};

} // namespace tovane
