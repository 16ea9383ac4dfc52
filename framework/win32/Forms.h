// Forms: top-level windows built from their descriptions. A form class declares its controls,
// actions and menu items as members; its description (the LoadForm override, beside the unit,
// e.g. FormMainU.form.cpp) creates the window and every control from props structs and binds the
// events to the handler methods. A form class stays abstract: it is made as TBuiltForm<TFormX>,
// which, once the whole object exists, runs LoadForm, the Loaded hook and then the OnCreate
// event, and on destruction runs the OnDestroy event and destroys the window while every member
// of the form still lives.
#pragma once

#include "framework/ShortCut.h"
#include "framework/win32/Controls.h"

#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tovane {

class TAction;
class TButton;
class TMainMenu;
class TTimer;

constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;
constexpr int mrYes = IDYES;
constexpr int mrNo = IDNO;

enum class TBorderStyle { Sizeable, Dialog, None };
enum class TPosition { Designed, DesktopCenter, ScreenCenter, DefaultPos };
enum class TCloseAction { None, Hide, Free, Minimize };

// Left and Top are screen pixels; the sizes are 96-DPI design pixels, scaled by the DPI of the
// monitor the form is made on.
struct TFormProps {
    std::string Caption; // UTF-8
    int Left = 0;
    int Top = 0;
    int Width = 0; // outer size; ClientWidth/ClientHeight win when given
    int Height = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
    int MinWidth = 0; // outer size limits
    int MinHeight = 0;
    TBorderStyle BorderStyle = TBorderStyle::Sizeable;
    bool MinimizeBox = true; // ignored for Dialog and None
    bool MaximizeBox = true;
    TPosition Position = TPosition::Designed;
    TFont Font;
    std::optional<COLORREF> Color;
};

class TForm : public TControl {
public:
    ~TForm() override;

    void Show();
    void Hide();
    // Minimises the window; the main form minimises the whole program (TApplication::Minimize).
    void Minimize();
    // Closes: a modal form ends its modal run with mrCancel (unless a result is set); the main
    // form ends the application; any other form hides. OnClose runs first.
    void Close();
    // Shows the form modally: every other window of the thread is disabled until the form
    // sets a ModalResult (a button's ModalResult, Close). Returns the result.
    int ShowModal();
    int ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(int result) noexcept { FModalResult = result; }

    // Client size in pixels (not scaled).
    void SetClientSize(int width, int height);
    void AcceptFiles(bool accept);
    // Covers the whole monitor that holds the given window (the primary one for nullptr), at
    // that monitor's DPI, until hidden; a DPI change keeps the form over its monitor.
    void CoverMonitorOf(HWND window);

    // The enabled action with a handler whose shortcut is this key press, or nullptr.
    TAction* FindShortCut(unsigned key, TKeyModifiers mods) const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnResize;
    std::function<void(TObject& Sender, TCloseAction& Action)> OnClose;
    // WM_DROPFILES (after AcceptFiles(true)); the handler owns the drop handle (DragFinish).
    std::function<void(HDROP Drop)> OnDropFiles;
    // Any other message, before the framework's handling; return true to consume it.
    std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)> OnMessage;

    static TForm* FromHandle(HWND handle) noexcept;

protected:
    // owner: the form that owns this one (it stays above its owner), or nullptr.
    explicit TForm(TForm* owner = nullptr) : FOwner(owner) {}

    // The form's description: makes the window (CreateForm) and its controls and binds the
    // events. Run once, by TBuiltForm, after every member has been constructed.
    virtual void LoadForm() = 0;
    // Run after LoadForm and before OnCreate: work that needs the controls made but must come
    // before the form's OnCreate handler.
    virtual void Loaded() {}
    void CreateForm(const TFormProps& props);
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    template <class Form> friend class TBuiltForm;
    // Overridden by TBuiltForm alone: without it a form class cannot be instantiated, so every
    // form is built through TBuiltForm.
    virtual void BuiltThroughTBuiltForm() noexcept = 0;
    // LoadForm, Loaded, then OnCreate. When LoadForm or Loaded raises, the window is destroyed
    // (OnDestroy does not run) before the members of the form die, and the error propagates.
    void Build();
    // OnDestroy, then the timers and the window.
    void DestroyForm() noexcept;

    friend class TAction;
    friend class TButton;
    friend class TMainMenu;
    friend class TTimer;
    friend class TControl;
    void DoClose(TCloseAction& action);
    int NextControlId() noexcept { return FNextId++; }
    void Center();
    void FocusFirstControl();
    void MenuAttached();
    void MoveToDpi(int dpi, const RECT* suggested);
    void CoverRect(const RECT& r);

    TForm* FOwner;
    bool FModal = false;
    int FModalResult = mrNone;
    int FNextId = 1000;
    TButton* FDefaultButton = nullptr;
    TButton* FCancelButton = nullptr;
    TMainMenu* FMenu = nullptr;
    std::vector<TAction*> FActions;
    std::vector<TTimer*> FTimers;
    int FDpi = 96; // the DPI the form is laid out for (WM_DPICHANGED moves it)
    bool FCoversMonitor = false;
    // While Show shows the window, which then leaves its background to its first WM_PAINT: a
    // window's first drawing is slow under some systems (a full-screen form's took 15 ms under
    // Wine), and the window answers messages between the two.
    bool FEraseOnPaint = false;
    int FMinWidth = 0; // design sizes
    int FMinHeight = 0;
    int FDesignClientWidth = 0;
    int FDesignClientHeight = 0;
    TPosition FPosition = TPosition::Designed;
    HWND FLastFocus = nullptr;
};

// A form, built: TBuiltForm<TFormX> is the only kind of object a form class TFormX can be made
// as. Its arguments go to TFormX's constructor.
template <class Form> class TBuiltForm final : public Form {
public:
    template <class... Args>
    explicit TBuiltForm(Args&&... args) : Form(std::forward<Args>(args)...) {
        TForm::Build();
    }
    ~TBuiltForm() override { TForm::DestroyForm(); }

private:
    void BuiltThroughTBuiltForm() noexcept override {}
};

} // namespace tovane
