#include "framework/win32/Canvas.h"

namespace tovane {

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    graphic.Draw(*this, rect);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    graphic.Draw(*this, TRect(x, y, x + graphic.Width(), y + graphic.Height()));
}

void TCanvas::FillRect(const TRect& rect, COLORREF color) {
    UniqueBrush brush(CreateSolidBrush(color));
    const RECT r = rect.ToRECT();
    ::FillRect(FHandle, &r, brush.Get());
}

} // namespace tovane
