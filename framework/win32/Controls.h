// The base of every window the framework makes: forms, standard controls and our own custom
// controls. One window procedure (WindowTrampoline) serves them all: the object is stored with
// its window (GWLP_USERDATA), read back for every message and cleared at WM_NCDESTROY. Standard
// controls are subclassed to the same procedure and keep their class's procedure as the
// default handler. Parents reflect WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* to the child object
// that sent them, so form code sees events, never raw WPARAMs.
//
// Ownership: controls are members of their form (declared in the form class, created from the
// form's description), so a control never owns its children; the parent/child links are plain
// observers that either side clears when it goes. Controls are neither copyable nor movable.
// Threads: every call on the UI thread only.
#pragma once

#include "framework/win32/Handles.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

class TForm;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    TObject(TObject&&) = delete;
    TObject& operator=(TObject&&) = delete;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject& Sender)>;

enum class TMouseButton { Left, Right, Middle };
struct TShiftState {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
};
using TMouseEvent =
    std::function<void(TObject& Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

enum class TAlign { None, Top, Bottom, Left, Right, Client };
using TAnchors = unsigned;
constexpr TAnchors akLeft = 1, akTop = 2, akRight = 4, akBottom = 8;

enum class TCursor { Default, Hand };

// A font as a form description names it. Name is UTF-8 ("ＭＳ Ｐゴシック"); when no font of
// that name is installed, a Japanese font of the same pitch is chosen at run time (Fonts.h).
struct TFont {
    std::string Name = "ＭＳ Ｐゴシック";
    int Height = 12; // character height in pixels at 96 DPI (scaled by the window's DPI)
    bool Bold = false;
    bool FixedPitch = false; // the fallback must be fixed-pitch ("ＭＳ ゴシック")
    BYTE Charset = SHIFTJIS_CHARSET;
};

// What every control's description holds. Positions are pixels inside the parent's client area
// at 96 DPI; the control is created scaled by its form's DPI.
struct TControlProps {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    TAlign Align = TAlign::None;
    TAnchors Anchors = akLeft | akTop;
    std::string Caption; // UTF-8
    bool Visible = true;
    bool Enabled = true;
    std::optional<TFont> Font;     // none: the parent's font
    std::optional<COLORREF> Color; // background; none: the parent's (or the control's own)
    std::optional<COLORREF> FontColor;
    TCursor Cursor = TCursor::Default;
    std::string Hint; // unused by the controls; kept for descriptions
};

class TControl : public TObject {
public:
    TControl() = default;
    ~TControl() override;

    HWND Handle() const noexcept { return FHandle; }
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    // The form this control sits on (itself for a form).
    TForm* ParentForm() const noexcept;
    // The framework object of a window made by the framework; nullptr for any other window.
    static TControl* FromHandle(HWND handle) noexcept;

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetBounds(int left, int top, int width, int height);

    bool Visible() const;
    virtual void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    std::string Caption() const; // UTF-8
    virtual void SetCaption(std::string_view utf8);
    // The DPI the control's form is shown at, and a design size (96-DPI pixels) at that DPI.
    int Dpi() const noexcept;
    int Scale(int designPixels) const noexcept;
    const TFont& Font() const noexcept { return FFont; }
    // Background colour: the control's own when set, else its parent's, else the button face.
    COLORREF Color() const;
    void SetColor(COLORREF color);
    COLORREF FontColor() const;
    void SetFontColor(COLORREF color);
    void SetFocus();
    void Invalidate();
    void Update();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

protected:
    // Creates the window: for a class of the framework's own (nullptr) the object gets every
    // message from WM_NCCREATE on; a standard class is subclassed right after creation.
    void CreateControl(TControl* parent, const TControlProps& props, const wchar_t* className,
                       DWORD style, DWORD exStyle, HWND owner = nullptr);
    void DestroyHandle() noexcept;

    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

    // Notifications reflected from the parent. Return true when handled.
    virtual bool CommandNotify(WORD code);
    virtual bool Notify(NMHDR& header, LRESULT& result);
    // WM_CTLCOLOR* for this control: the brush to paint with, or nullptr for the default.
    virtual HBRUSH CtlColor(HDC dc);
    // True for controls that show their parent's background (labels, check boxes, frames).
    virtual bool ParentBackground() const { return false; }
    // True for frames drawn around other controls: they stay below every sibling, so that the
    // controls they surround are drawn over them.
    virtual bool StaysAtBottom() const { return false; }
    // Called after the font handle changed; controls that size themselves re-measure here.
    virtual void FontChanged() {}
    // Called when the form moved to another DPI, after the font: controls with fixed sizes of
    // their own (item heights, panel and column widths) scale them here.
    virtual void DpiChanged(int newDpi, int oldDpi);
    // Scales this control's bounds inside its parent, its anchor distances and its font from
    // oldDpi to the form's new DPI, then does the same for its children.
    void ChangeDpi(int newDpi, int oldDpi);

    HBRUSH BackgroundBrush();
    HFONT FontHandle() const noexcept { return FFontHandle.Get(); }
    void AlignControls();
    void CaptureAnchors();

    HWND FHandle = nullptr;
    TControl* FParent = nullptr;
    std::vector<TControl*> FChildren;

private:
    friend LRESULT CALLBACK WindowTrampoline(HWND, UINT, WPARAM, LPARAM);
    void UpdateFontHandle();
    void InheritFont(const TFont& font);
    LRESULT ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
    void FireMouse(const TMouseEvent& event, TMouseButton button, WPARAM wParam, LPARAM lParam);

    WNDPROC FDefaultProc = nullptr; // nullptr: the framework's own class (DefWindowProcW)
    TFont FFont;
    bool FOwnFont = false;
    UniqueFont FFontHandle;
    std::optional<COLORREF> FColor;
    std::optional<COLORREF> FFontColor;
    UniqueBrush FBrush;
    TCursor FCursor = TCursor::Default;
    TAlign FAlign = TAlign::None;
    TAnchors FAnchors = akLeft | akTop;
    int FRightMargin = 0; // distances to the parent's right and bottom edges, for anchors
    int FBottomMargin = 0;
    int FAnchorWidth = 0;
    int FAnchorHeight = 0;
};

LRESULT CALLBACK WindowTrampoline(HWND handle, UINT msg, WPARAM wParam, LPARAM lParam);

// The framework's own window class (forms, panels, containers), registered once.
const wchar_t* FrameworkWindowClass();

} // namespace tovane
