// Standard controls: label, button, check box, edit field, list box, group box, radio group.
// Texts of captions and labels are UTF-8. List box items are UTF-16, because every list of the
// program holds names of folders or files.
#pragma once

#include "framework/win32/Controls.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tovane {

enum class TAlignment { LeftJustify, RightJustify, Center };

struct TLabelOptions {
    bool AutoSize = true;     // the label takes the size of its text
    bool Transparent = false; // text drawn over the parent's background
    bool WordWrap = false;
    bool ShowAccelChar = true; // "&" marks an accelerator that focuses the next control
    TAlignment Alignment = TAlignment::LeftJustify;
};

class TLabel : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TLabelOptions& options = {});
    void SetCaption(std::string_view utf8) override;

protected:
    bool CommandNotify(WORD code) override;
    HBRUSH CtlColor(HDC dc) override;
    bool ParentBackground() const override { return true; }
    void FontChanged() override;

private:
    void AdjustSize();
    TLabelOptions FOptions;
};

struct TButtonOptions {
    bool Default = false; // Enter anywhere in the form clicks it
    bool Cancel = false;  // Esc clicks it
    int ModalResult = 0;  // set on the form when clicked (ends a modal run)
};

class TButton : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TButtonOptions& options = {});
    void Click();
    int ModalResult() const noexcept { return FOptions.ModalResult; }

protected:
    bool CommandNotify(WORD code) override;

private:
    TButtonOptions FOptions;
};

class TCheckBox : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, bool checked = false);
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    bool CommandNotify(WORD code) override;
    HBRUSH CtlColor(HDC dc) override;
    bool ParentBackground() const override { return true; }
};

class TEdit : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props);
    std::string Text() const { return Caption(); }
    void SetText(std::string_view utf8) { SetCaption(utf8); }
    TNotifyEvent OnChange;

protected:
    bool CommandNotify(WORD code) override;
};

struct TListBoxOptions {
    bool MultiSelect = false; // extended selection (Shift, Ctrl), caret independent of it
    int ItemHeight = 0;       // 96-DPI pixels; 0: the font's
    bool OwnerDraw = false;   // DrawItem paints the items (fixed height)
};

// Stops a control redrawing itself for the scope (many changes at once); it is redrawn whole
// at the end.
class TRedrawPause {
public:
    explicit TRedrawPause(TControl& control);
    TRedrawPause(const TRedrawPause&) = delete;
    TRedrawPause& operator=(const TRedrawPause&) = delete;
    ~TRedrawPause();

private:
    TControl& FControl;
};

class TListBox : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TListBoxOptions& options = {});

    int Count() const;
    std::wstring Item(int index) const;
    std::vector<std::wstring> Items() const;
    int Add(std::wstring_view text);
    void Insert(int index, std::wstring_view text);
    void Delete(int index);
    void Clear();
    // Moves an item, its selection state with it; the other items keep theirs.
    void Move(int from, int to);
    // Index of the first item equal to text, ignoring the case of ASCII letters only; -1 when
    // none.
    int IndexOf(std::wstring_view text) const;

    // The current item: with MultiSelect the focus (caret) item, which is independent of the
    // selection; otherwise the selected item. -1 when the list is empty or has none.
    int ItemIndex() const;
    void SetItemIndex(int index);
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int SelCount() const;
    void SelectAll();
    int TopIndex() const;
    void SetTopIndex(int index);

    TNotifyEvent OnChange; // the user changed the selection

protected:
    bool CommandNotify(WORD code) override;
    // Owner drawing: paints item `index` (state: ODS_* bits) into rect.
    virtual void DrawItem(HDC dc, int index, const RECT& rect, UINT state);
    void DpiChanged(int newDpi, int oldDpi) override;

private:
    friend class TControl;
    void ApplyItemHeight();
    TListBoxOptions FOptions;
    // The items as given, kept beside the control so that reading and searching them
    // costs no window messages: the search asks for every found folder whether it is listed.
    std::vector<std::wstring> FItems;
    // How many items there are of each case-folded text, so that IndexOf answers "not listed"
    // without a scan (the usual answer while a search fills the list).
    std::unordered_map<std::wstring, int> FFoldedCounts;
    static std::wstring Folded(std::wstring_view text);
    void Forget(const std::wstring& text);
};

// A frame with a caption around other controls. Children are created with the group box as
// their parent; positions are relative to it.
class TGroupBox : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props);
    void SetCaption(std::string_view utf8) override;

protected:
    bool ParentBackground() const override { return true; }
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    HWND FFrame = nullptr; // the BS_GROUPBOX child that draws frame and caption
};

// A group box of radio buttons, one per item; exactly one item is chosen once ItemIndex is set.
class TRadioGroup : public TGroupBox {
public:
    void Create(TControl& parent, const TControlProps& props, std::vector<std::string> items = {},
                int columns = 1);
    void AddItem(std::string utf8);
    int ItemCount() const noexcept { return static_cast<int>(FItems.size()); }
    // -1 when none is chosen.
    int ItemIndex() const;
    // Clamped to -1 .. ItemCount()-1.
    void SetItemIndex(int index);
    HWND ButtonHandle(int index) const;

    TNotifyEvent OnChange;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void FontChanged() override { ArrangeButtons(); }

private:
    void Rebuild();
    void ArrangeButtons();
    std::vector<std::string> FItems;
    std::vector<HWND> FButtons; // children of this control, destroyed with it
    int FColumns = 1;
};

} // namespace tovane
