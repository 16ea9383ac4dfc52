#include "framework/win32/ComCtrls.h"

#include "framework/DpiScale.h"
#include "framework/Exceptions.h"
#include "framework/win32/Text.h"

#include <commctrl.h>

namespace tovane {

// ------------------------------------------------------------------------------ TStatusBar

void TStatusBar::Create(TControl& parent, const TControlProps& props,
                        std::vector<int> panelWidths) {
    FWidths = std::move(panelWidths);
    TControlProps p = props;
    p.Align = TAlign::Bottom;
    CreateControl(&parent, p, STATUSCLASSNAMEW, SBARS_SIZEGRIP | CCS_BOTTOM, 0);
    ApplyParts();
}

void TStatusBar::ApplyParts() {
    if (FWidths.empty()) {
        SendMessageW(FHandle, SB_SIMPLE, TRUE, 0);
        return;
    }
    std::vector<int> edges;
    int right = 0;
    for (std::size_t i = 0; i < FWidths.size(); ++i) {
        right += Scale(FWidths[i]);
        edges.push_back(i + 1 == FWidths.size() ? -1 : right);
    }
    SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void TStatusBar::SetPanelText(int panel, std::string_view utf8) {
    if (panel < 0 || panel >= PanelCount())
        ThrowListIndexError(panel);
    const std::wstring w = Utf8ToWide(utf8);
    SendMessageW(FHandle, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(w.c_str()));
}

std::string TStatusBar::PanelText(int panel) const {
    if (panel < 0 || panel >= PanelCount())
        ThrowListIndexError(panel);
    const auto len = LOWORD(SendMessageW(FHandle, SB_GETTEXTLENGTHW, panel, 0));
    std::wstring w(static_cast<std::size_t>(len) + 1, L'\0');
    SendMessageW(FHandle, SB_GETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(w.data()));
    w.resize(len);
    return WideToUtf8(w);
}

void TStatusBar::DpiChanged(int, int) {
    ApplyParts();
}

// --------------------------------------------------------------------------------- TUpDown

void TUpDown::Create(TControl& parent, const TControlProps& props, const TUpDownOptions& options) {
    FOptions = options;
    DWORD style = UDS_SETBUDDYINT;
    if (options.ArrowKeys)
        style |= UDS_ARROWKEYS;
    if (!options.Thousands)
        style |= UDS_NOTHOUSANDS;
    if (options.Wrap)
        style |= UDS_WRAP;
    CreateControl(&parent, props, UPDOWN_CLASSW, style, 0);
    SendMessageW(FHandle, UDM_SETRANGE32, static_cast<WPARAM>(options.Min), options.Max);
    if (options.Increment != 1) {
        UDACCEL accel{0, static_cast<UINT>(options.Increment)};
        SendMessageW(FHandle, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    }
    if (options.Associate != nullptr)
        SendMessageW(FHandle, UDM_SETBUDDY, reinterpret_cast<WPARAM>(options.Associate->Handle()),
                     0);
    SetPosition(options.Min);
}

int TUpDown::Position() const {
    BOOL error = FALSE;
    const auto pos = SendMessageW(FHandle, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error));
    return static_cast<int>(pos);
}

void TUpDown::SetPosition(int position) {
    SendMessageW(FHandle, UDM_SETPOS32, 0, position);
}

// ------------------------------------------------------------------------------- TListView

void TListView::Create(TControl& parent, const TControlProps& props,
                       const TListViewOptions& options) {
    FOptions = options;
    CreateControl(&parent, props, WC_LISTVIEWW,
                  WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, WS_EX_CLIENTEDGE);
    DWORD ex = 0;
    if (options.GridLines)
        ex |= LVS_EX_GRIDLINES;
    if (options.RowSelect)
        ex |= LVS_EX_FULLROWSELECT;
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    int index = 0;
    for (const TListColumn& c : options.Columns) {
        std::wstring text = Utf8ToWide(c.Caption);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = Scale(c.Width);
        col.pszText = text.data();
        col.iSubItem = index;
        SendMessageW(FHandle, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&col));
        ++index;
    }
}

void TListView::DpiChanged(int newDpi, int oldDpi) {
    // Columns keep the widths the user gave them, at the new scale.
    for (int col = 0; col < ColumnCount(); ++col) {
        const auto width = static_cast<int>(SendMessageW(FHandle, LVM_GETCOLUMNWIDTH, col, 0));
        SendMessageW(FHandle, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col),
                     MAKELPARAM(ScaleDpi(width, newDpi, oldDpi), 0));
    }
}

int TListView::Count() const {
    return static_cast<int>(SendMessageW(FHandle, LVM_GETITEMCOUNT, 0, 0));
}

int TListView::AddRow(const std::vector<std::string>& textsUtf8) {
    const int row = Count();
    for (int col = 0; col < ColumnCount(); ++col) {
        std::wstring text =
            col < static_cast<int>(textsUtf8.size()) ? Utf8ToWide(textsUtf8[col]) : L"";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = col;
        item.pszText = text.data();
        if (col == 0)
            SendMessageW(FHandle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        else
            SendMessageW(FHandle, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&item));
    }
    return row;
}

std::string TListView::Text(int row, int column) const {
    if (row < 0 || row >= Count())
        ThrowListIndexError(row);
    if (column < 0 || column >= ColumnCount())
        ThrowListIndexError(column);
    std::wstring buffer(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto n = SendMessageW(FHandle, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(&item));
    buffer.resize(static_cast<std::size_t>(n));
    return WideToUtf8(buffer);
}

void TListView::Clear() {
    SendMessageW(FHandle, LVM_DELETEALLITEMS, 0, 0);
}

} // namespace tovane
