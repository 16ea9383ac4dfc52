#include "framework/win32/StdCtrls.h"

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "framework/win32/Application.h"
#include "framework/win32/Forms.h"
#include "framework/win32/Text.h"

#include <algorithm>

namespace tovane {

// ---------------------------------------------------------------------------------- TLabel

void TLabel::Create(TControl& parent, const TControlProps& props, const TLabelOptions& options) {
    FOptions = options;
    DWORD style = SS_NOTIFY;
    switch (options.Alignment) {
    case TAlignment::RightJustify:
        style |= SS_RIGHT;
        break;
    case TAlignment::Center:
        style |= SS_CENTER;
        break;
    default:
        style |= options.WordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
        break;
    }
    if (!options.ShowAccelChar)
        style |= SS_NOPREFIX;
    CreateControl(&parent, props, L"STATIC", style, 0);
    AdjustSize();
}

void TLabel::SetCaption(std::string_view utf8) {
    TControl::SetCaption(utf8);
    AdjustSize();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustSize();
}

void TLabel::AdjustSize() {
    if (!FOptions.AutoSize || FHandle == nullptr)
        return;
    const TWindowDC window(FHandle);
    const HDC dc = window.Get();
    const TSelection font(dc, FontHandle());
    const std::wstring text = Utf8ToWide(Caption());
    RECT r{0, 0, FOptions.WordWrap ? std::max(1, Width()) : 0, 0};
    UINT flags = DT_CALCRECT | DT_EXPANDTABS | (FOptions.WordWrap ? DT_WORDBREAK : 0);
    if (!FOptions.ShowAccelChar)
        flags |= DT_NOPREFIX;
    if (text.empty()) {
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        r.right = 0;
        r.bottom = tm.tmHeight;
    } else {
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    }
    SetWindowPos(FHandle, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TLabel::CommandNotify(WORD code) {
    if (code == STN_CLICKED && OnClick) {
        OnClick(*this);
        return true;
    }
    if (code == STN_DBLCLK && OnDblClick) {
        OnDblClick(*this);
        return true;
    }
    return false;
}

HBRUSH TLabel::CtlColor(HDC dc) {
    SetTextColor(dc, FontColor());
    SetBkColor(dc, Color());
    if (FOptions.Transparent)
        SetBkMode(dc, TRANSPARENT);
    return BackgroundBrush();
}

// --------------------------------------------------------------------------------- TButton

void TButton::Create(TControl& parent, const TControlProps& props, const TButtonOptions& options) {
    FOptions = options;
    CreateControl(&parent, props, L"BUTTON",
                  WS_TABSTOP | (options.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0);
    if (TForm* form = ParentForm()) {
        if (options.Default)
            form->FDefaultButton = this;
        if (options.Cancel) {
            form->FCancelButton = this;
            // Esc in the dialog manager is a WM_COMMAND for IDCANCEL.
            SetWindowLongPtrW(FHandle, GWLP_ID, IDCANCEL);
        }
    }
}

void TButton::Click() {
    if (OnClick)
        OnClick(*this);
    if (FOptions.ModalResult != mrNone)
        if (TForm* form = ParentForm())
            form->SetModalResult(FOptions.ModalResult);
}

bool TButton::CommandNotify(WORD code) {
    if (code != BN_CLICKED)
        return false;
    Click();
    return true;
}

// ------------------------------------------------------------------------------- TCheckBox

void TCheckBox::Create(TControl& parent, const TControlProps& props, bool checked) {
    CreateControl(&parent, props, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0);
    SetChecked(checked);
}

bool TCheckBox::Checked() const {
    return SendMessageW(FHandle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool checked) {
    SendMessageW(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::CommandNotify(WORD code) {
    if (code == BN_CLICKED && OnClick) {
        OnClick(*this);
        return true;
    }
    return false;
}

HBRUSH TCheckBox::CtlColor(HDC dc) {
    SetTextColor(dc, FontColor());
    SetBkColor(dc, Color());
    return BackgroundBrush();
}

// ----------------------------------------------------------------------------------- TEdit

void TEdit::Create(TControl& parent, const TControlProps& props) {
    CreateControl(&parent, props, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

bool TEdit::CommandNotify(WORD code) {
    if (code == EN_CHANGE && OnChange) {
        OnChange(*this);
        return true;
    }
    return false;
}

// -------------------------------------------------------------------------------- TListBox

void TListBox::Create(TControl& parent, const TControlProps& props,
                      const TListBoxOptions& options) {
    FOptions = options;
    DWORD style = WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    if (options.MultiSelect)
        style |= LBS_EXTENDEDSEL;
    if (options.OwnerDraw)
        style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
    CreateControl(&parent, props, L"LISTBOX", style, WS_EX_CLIENTEDGE);
    ApplyItemHeight();
}

void TListBox::ApplyItemHeight() {
    if (FOptions.ItemHeight > 0)
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, Scale(FOptions.ItemHeight));
}

void TListBox::DpiChanged(int, int) {
    // The new font has reset the height to the font's.
    ApplyItemHeight();
}

int TListBox::Count() const {
    return static_cast<int>(FItems.size());
}

std::wstring TListBox::Item(int index) const {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    return FItems[static_cast<std::size_t>(index)];
}

std::vector<std::wstring> TListBox::Items() const {
    return FItems;
}

int TListBox::Add(std::wstring_view text) {
    const std::wstring w(text);
    const auto index = SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    if (index < 0)
        throw Exception("リストに追加できません");
    FItems.push_back(w);
    ++FFoldedCounts[Folded(w)];
    return static_cast<int>(index);
}

void TListBox::Insert(int index, std::wstring_view text) {
    if (index < 0 || index > Count())
        ThrowListIndexError(index);
    const std::wstring w(text);
    if (SendMessageW(FHandle, LB_INSERTSTRING, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(w.c_str())) < 0)
        throw Exception("リストに追加できません");
    FItems.insert(FItems.begin() + index, w);
    ++FFoldedCounts[Folded(w)];
}

void TListBox::Delete(int index) {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    SendMessageW(FHandle, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    Forget(FItems[static_cast<std::size_t>(index)]);
    FItems.erase(FItems.begin() + index);
}

void TListBox::Clear() {
    SendMessageW(FHandle, LB_RESETCONTENT, 0, 0);
    FItems.clear();
    FFoldedCounts.clear();
}

std::wstring TListBox::Folded(std::wstring_view text) {
    // Only ASCII letters fold, as the lists always compared: two names that fit the code page
    // are equal here exactly when their ANSI forms were equal ignoring ASCII case.
    std::wstring folded(text);
    for (wchar_t& c : folded)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return folded;
}

void TListBox::Forget(const std::wstring& text) {
    const auto it = FFoldedCounts.find(Folded(text));
    if (it != FFoldedCounts.end() && --it->second == 0)
        FFoldedCounts.erase(it);
}

void TListBox::Move(int from, int to) {
    if (from == to)
        return;
    const std::wstring text = Item(from);
    if (to < 0 || to >= Count())
        ThrowListIndexError(to);
    const bool selected = Selected(from);
    const TRedrawPause pause(*this);
    Delete(from);
    Insert(to, text);
    SetSelected(to, selected);
}

int TListBox::IndexOf(std::wstring_view text) const {
    const std::wstring folded = Folded(text);
    if (FFoldedCounts.find(folded) == FFoldedCounts.end())
        return -1;
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (Folded(FItems[i]) == folded)
            return static_cast<int>(i);
    return -1;
}

int TListBox::ItemIndex() const {
    if (Count() == 0)
        return -1;
    if (FOptions.MultiSelect)
        return static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
    return static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int index) {
    if (FOptions.MultiSelect) {
        if (index >= 0 && index < Count())
            SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    } else {
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

bool TListBox::Selected(int index) const {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    if (FOptions.MultiSelect)
        return SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
    return SendMessageW(FHandle, LB_GETCURSEL, 0, 0) == index;
}

void TListBox::SetSelected(int index, bool selected) {
    if (index < 0 || index >= Count())
        ThrowListIndexError(index);
    if (FOptions.MultiSelect)
        SendMessageW(FHandle, LB_SETSEL, selected ? TRUE : FALSE, index);
    else if (selected)
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    else if (Selected(index))
        SendMessageW(FHandle, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int TListBox::SelCount() const {
    if (FOptions.MultiSelect)
        return static_cast<int>(SendMessageW(FHandle, LB_GETSELCOUNT, 0, 0));
    return SendMessageW(FHandle, LB_GETCURSEL, 0, 0) >= 0 ? 1 : 0;
}

void TListBox::SelectAll() {
    if (FOptions.MultiSelect && Count() > 0)
        SendMessageW(FHandle, LB_SETSEL, TRUE, -1);
}

int TListBox::TopIndex() const {
    return static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
}

void TListBox::SetTopIndex(int index) {
    SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

TRedrawPause::TRedrawPause(TControl& control) : FControl(control) {
    SendMessageW(FControl.Handle(), WM_SETREDRAW, FALSE, 0);
}

TRedrawPause::~TRedrawPause() {
    SendMessageW(FControl.Handle(), WM_SETREDRAW, TRUE, 0);
    FControl.Invalidate();
}

bool TListBox::CommandNotify(WORD code) {
    if (code == LBN_DBLCLK) {
        if (OnDblClick)
            OnDblClick(*this);
        return true;
    }
    if (code == LBN_SELCHANGE) {
        if (OnChange)
            OnChange(*this);
        if (OnClick)
            OnClick(*this);
        return true;
    }
    return false;
}

void TListBox::DrawItem(HDC dc, int index, const RECT& rect, UINT state) {
    const bool selected = (state & ODS_SELECTED) != 0;
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = Item(index);
    RECT r = rect;
    r.left += Scale(2);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (state & ODS_FOCUS)
        DrawFocusRect(dc, &rect);
}

// ------------------------------------------------------------------------------- TGroupBox

void TGroupBox::Create(TControl& parent, const TControlProps& props) {
    CreateControl(&parent, props, nullptr, 0, WS_EX_CONTROLPARENT);
}

void TGroupBox::SetCaption(std::string_view utf8) {
    TControl::SetCaption(utf8);
    Invalidate();
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        const TPaintDC paint(FHandle);
        const HDC dc = paint.Get();
        const TSelection font(dc, FontHandle());
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        RECT r;
        GetClientRect(FHandle, &r);
        r.top += tm.tmHeight / 2;
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
        const std::wstring text = Utf8ToWide(Caption());
        if (!text.empty()) {
            RECT t{Scale(8), 0, 0, 0};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                      DT_CALCRECT | DT_SINGLELINE);
            t.right += Scale(4);
            FillRect(dc, &t, BackgroundBrush());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, FontColor());
            t.left += Scale(2);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t, DT_SINGLELINE);
        }
        return 0;
    }
    default:
        break;
    }
    return TControl::WndProc(msg, wParam, lParam);
}

// ----------------------------------------------------------------------------- TRadioGroup

void TRadioGroup::Create(TControl& parent, const TControlProps& props,
                         std::vector<std::string> items, int columns) {
    TGroupBox::Create(parent, props);
    FColumns = std::max(1, columns);
    FItems = std::move(items);
    Rebuild();
}

void TRadioGroup::AddItem(std::string utf8) {
    const int keep = ItemIndex();
    FItems.push_back(std::move(utf8));
    Rebuild();
    SetItemIndex(keep);
}

void TRadioGroup::Rebuild() {
    for (HWND b : FButtons)
        DestroyWindow(b);
    FButtons.clear();
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
        if (i == 0)
            style |= WS_GROUP | WS_TABSTOP;
        HWND b = CreateWindowExW(0, L"BUTTON", Utf8ToWide(FItems[i]).c_str(), style, 0, 0, 10, 10,
                                 FHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(i + 1)),
                                 GetModuleHandleW(nullptr), nullptr);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
        FButtons.push_back(b);
    }
    ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
    if (FButtons.empty())
        return;
    TEXTMETRICW tm{};
    {
        const TWindowDC window(FHandle);
        const TSelection font(window.Get(), FontHandle());
        GetTextMetricsW(window.Get(), &tm);
    }
    const int count = static_cast<int>(FButtons.size());
    const int perColumn = (count + FColumns - 1) / FColumns;
    const int buttonWidth = (ClientWidth() - Scale(10)) / FColumns;
    const int space = ClientHeight() - tm.tmHeight - Scale(5);
    const int buttonHeight = space / perColumn;
    const int topMargin = tm.tmHeight + 1 + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
        SetWindowPos(FButtons[static_cast<std::size_t>(i)], nullptr,
                     (i / perColumn) * buttonWidth + Scale(8),
                     (i % perColumn) * buttonHeight + topMargin, buttonWidth, buttonHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

int TRadioGroup::ItemIndex() const {
    for (std::size_t i = 0; i < FButtons.size(); ++i)
        if (SendMessageW(FButtons[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            return static_cast<int>(i);
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, ItemCount() - 1);
    for (std::size_t i = 0; i < FButtons.size(); ++i)
        SendMessageW(FButtons[i], BM_SETCHECK,
                     static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
}

HWND TRadioGroup::ButtonHandle(int index) const {
    if (index < 0 || index >= ItemCount())
        ThrowListIndexError(index);
    return FButtons[static_cast<std::size_t>(index)];
}

LRESULT TRadioGroup::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        auto h = reinterpret_cast<HWND>(lParam);
        if (std::find(FButtons.begin(), FButtons.end(), h) != FButtons.end()) {
            if (HIWORD(wParam) == BN_CLICKED) {
                if (OnChange)
                    OnChange(*this);
                if (OnClick)
                    OnClick(*this);
            }
            return 0;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        auto h = reinterpret_cast<HWND>(lParam);
        if (std::find(FButtons.begin(), FButtons.end(), h) != FButtons.end()) {
            auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, FontColor());
            SetBkColor(dc, Color());
            return reinterpret_cast<LRESULT>(BackgroundBrush());
        }
        break;
    }
    case WM_SIZE:
        ArrangeButtons();
        break;
    case WM_GETDLGCODE:
        // The caption's accelerator moves the focus to the chosen button (WM_NEXTDLGCTL).
        return DLGC_STATIC;
    case WM_SETFONT:
        for (HWND b : FButtons)
            SendMessageW(b, WM_SETFONT, wParam, lParam);
        break;
    default:
        break;
    }
    return TGroupBox::WndProc(msg, wParam, lParam);
}

} // namespace tovane
