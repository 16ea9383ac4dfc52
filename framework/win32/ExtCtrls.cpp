#include "framework/win32/ExtCtrls.h"
#include "framework/win32/Handles.h"

#include "framework/win32/Application.h"
#include "framework/win32/Canvas.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <algorithm>

namespace tovane {

// ---------------------------------------------------------------------------------- TPanel

void TPanel::Create(TControl& parent, const TControlProps& props, const TPanelOptions& options) {
    FOptions = options;
    CreateControl(&parent, props, nullptr, 0, WS_EX_CONTROLPARENT);
}

void TPanel::SetBevels(TBevelCut inner, TBevelCut outer) {
    FOptions.BevelInner = inner;
    FOptions.BevelOuter = outer;
    Invalidate();
    Update();
}

namespace {

void DrawBevel(HDC dc, RECT& r, TBevelCut cut, int width) {
    if (cut == TBevelCut::None)
        return;
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = cut == TBevelCut::Raised ? light : dark;
    const COLORREF bottomRight = cut == TBevelCut::Raised ? dark : light;
    for (int i = 0; i < width; ++i) {
        HBRUSH tl = CreateSolidBrush(topLeft);
        HBRUSH br = CreateSolidBrush(bottomRight);
        RECT top{r.left, r.top, r.right, r.top + 1};
        RECT left{r.left, r.top, r.left + 1, r.bottom};
        RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
        RECT right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, tl);
        FillRect(dc, &left, tl);
        FillRect(dc, &bottom, br);
        FillRect(dc, &right, br);
        DeleteObject(tl);
        DeleteObject(br);
        InflateRect(&r, -1, -1);
    }
}

} // namespace

void TPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(FHandle, &r);
    FillRect(dc, &r, BackgroundBrush());
    DrawBevel(dc, r, FOptions.BevelOuter, FOptions.BevelWidth);
    DrawBevel(dc, r, FOptions.BevelInner, FOptions.BevelWidth);
    const std::wstring text = Utf8ToWide(Caption());
    if (!text.empty()) {
        const TSelection font(dc, FontHandle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, FontColor());
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

LRESULT TPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        const TPaintDC paint(FHandle);
        Paint(paint.Get());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT: {
        const LRESULT r = TControl::WndProc(msg, wParam, lParam);
        Invalidate();
        return r;
    }
    default:
        break;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------- TImage

void TImage::Create(TControl& parent, const TControlProps& props, const TImageOptions& options) {
    FOptions = options;
    CreateControl(&parent, props, nullptr, 0, 0);
    FPicture.OnChange = [this](TPicture&) { Invalidate(); };
}

void TImage::Paint(HDC dc) {
    RECT client;
    GetClientRect(FHandle, &client);
    TGraphic* graphic = FPicture.Graphic();
    const bool drawn = graphic != nullptr && !graphic->Empty();
    // A stretched picture covers the whole control: filling first would only flash the
    // background between two pictures.
    if (!drawn || !FOptions.Stretch)
        FillRect(dc, &client, BackgroundBrush());
    if (!drawn)
        return;
    TCanvas canvas(dc);
    if (FOptions.Stretch) {
        canvas.StretchDraw(TRect::FromRECT(client), *graphic);
        return;
    }
    int x = 0, y = 0;
    if (FOptions.Center) {
        x = (client.right - FPicture.Width()) / 2;
        y = (client.bottom - FPicture.Height()) / 2;
    }
    canvas.Draw(x, y, *graphic);
}

LRESULT TImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        const TPaintDC paint(FHandle);
        // A picture that cannot draw must not bring up an error report on every repaint.
        try {
            Paint(paint.Get());
        } catch (...) {
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        Invalidate(); // a stretched picture changes everywhere
        break;
    default:
        break;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------- TBevel

// Both shapes are drawn as an etched frame (the inside is filled on WM_ERASEBKGND).
void TBevel::Create(TControl& parent, const TControlProps& props, TBevelShape) {
    CreateControl(&parent, props, L"STATIC", SS_ETCHEDFRAME, 0);
    SetWindowPos(FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        // The static class paints only the edge: the inside takes the parent's background.
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
        return 1;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------- TTimer

void TTimer::Create(TForm& form, std::uint32_t interval, bool enabled) {
    FForm = &form;
    FInterval = interval;
    FEnabled = enabled;
    FId = 0x7000 + form.FTimers.size();
    form.FTimers.push_back(this);
    Restart();
}

TTimer::~TTimer() {
    if (FForm != nullptr) {
        if (FForm->Handle() != nullptr)
            KillTimer(FForm->Handle(), FId);
        auto& list = FForm->FTimers;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == FEnabled)
        return; // enabling a running timer changes nothing
    FEnabled = enabled;
    Restart();
}

void TTimer::SetInterval(std::uint32_t interval) {
    if (interval == FInterval)
        return;
    FInterval = interval;
    Restart();
}

void TTimer::Restart() {
    if (FForm == nullptr || FForm->Handle() == nullptr)
        return;
    KillTimer(FForm->Handle(), FId);
    if (FEnabled && FInterval > 0)
        SetTimer(FForm->Handle(), FId, FInterval, nullptr);
}

void TTimer::Fire() {
    if (FEnabled && OnTimer)
        OnTimer(*this);
}

} // namespace tovane
