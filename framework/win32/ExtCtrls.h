// Panels, bevels and the timer.
#pragma once

#include "framework/win32/Controls.h"
#include "framework/win32/Picture.h"

#include <cstdint>

namespace tovane {

class TForm;

enum class TBevelCut { None, Lowered, Raised };

struct TPanelOptions {
    TBevelCut BevelInner = TBevelCut::None;
    TBevelCut BevelOuter = TBevelCut::Raised;
    int BevelWidth = 1;
};

// A rectangle of colour with bevels and a centred caption; a container for other controls.
class TPanel : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TPanelOptions& options = {});
    TBevelCut BevelInner() const noexcept { return FOptions.BevelInner; }
    TBevelCut BevelOuter() const noexcept { return FOptions.BevelOuter; }
    void SetBevels(TBevelCut inner, TBevelCut outer);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    TPanelOptions FOptions;
};

struct TImageOptions {
    bool Stretch = false; // draw the picture stretched to the control's bounds
    bool Center = false;  // not stretched: centred instead of at the top-left corner
};

// Shows a picture over its parent's background. Takes no keyboard focus; mouse
// presses arrive as OnMouseDown/OnMouseUp. The picture repaints the control when it changes.
class TImage : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TImageOptions& options = {});
    TPicture& Picture() noexcept { return FPicture; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    TImageOptions FOptions;
    TPicture FPicture;
};

enum class TBevelShape { Box, Frame };

// An etched frame (no input, no focus) with the parent's background inside; it stays below the
// controls it surrounds, whatever the order of creation.
class TBevel : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, TBevelShape shape = TBevelShape::Box);

protected:
    bool ParentBackground() const override { return true; }
    bool StaysAtBottom() const override { return true; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A window timer of the form: OnTimer every Interval milliseconds while enabled. An interval
// of 0 never fires. Setting Enabled or Interval restarts the countdown.
class TTimer : public TObject {
public:
    void Create(TForm& form, std::uint32_t interval = 1000, bool enabled = true);
    ~TTimer() override;
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool enabled);
    std::uint32_t Interval() const noexcept { return FInterval; }
    void SetInterval(std::uint32_t interval);

    TNotifyEvent OnTimer;

private:
    friend class TForm;
    void Restart();
    void Fire();
    TForm* FForm = nullptr;
    UINT_PTR FId = 0;
    std::uint32_t FInterval = 1000;
    bool FEnabled = true;
};

} // namespace tovane
