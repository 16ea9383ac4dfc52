// Common controls: status bar with panels, spin buttons (up-down) with a buddy edit field, and
// the list view in report mode.
#pragma once

#include "framework/win32/Controls.h"
#include "framework/win32/StdCtrls.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

class TStatusBar : public TControl {
public:
    // Aligned to the bottom of its parent; panels of the given widths in 96-DPI pixels (the
    // last one reaches to the right edge).
    void Create(TControl& parent, const TControlProps& props, std::vector<int> panelWidths);
    int PanelCount() const noexcept { return static_cast<int>(FWidths.size()); }
    void SetPanelText(int panel, std::string_view utf8);
    std::string PanelText(int panel) const;

protected:
    void DpiChanged(int newDpi, int oldDpi) override;

private:
    void ApplyParts();
    std::vector<int> FWidths;
};

struct TUpDownOptions {
    TEdit* Associate = nullptr; // the buddy field that shows the position
    int Min = 0;
    int Max = 100;
    int Increment = 1;
    bool Wrap = false;
    bool Thousands = true; // the buddy shows 1,000
    bool ArrowKeys = true; // Up and Down in the buddy step the value
};

class TUpDown : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TUpDownOptions& options);
    // The position, read back from the control (which takes a valid number typed in the buddy).
    int Position() const;
    void SetPosition(int position);
    int Min() const noexcept { return FOptions.Min; }
    int Max() const noexcept { return FOptions.Max; }

private:
    TUpDownOptions FOptions;
};

struct TListColumn {
    std::string Caption; // UTF-8
    int Width = 50;      // 96-DPI pixels
};

struct TListViewOptions {
    std::vector<TListColumn> Columns;
    bool GridLines = true;
    bool RowSelect = true;
};

// A list view in report mode; texts are UTF-8.
class TListView : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props, const TListViewOptions& options);
    int ColumnCount() const noexcept { return static_cast<int>(FOptions.Columns.size()); }
    int Count() const;
    // Adds a row; texts beyond the column count are ignored. Returns its index.
    int AddRow(const std::vector<std::string>& textsUtf8);
    std::string Text(int row, int column) const;
    void Clear();

protected:
    void DpiChanged(int newDpi, int oldDpi) override;

private:
    TListViewOptions FOptions;
};

} // namespace tovane
