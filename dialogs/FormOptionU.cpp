#include "dialogs/FormOptionU.h"

#include "dialogs/portable/DialogRules.h"

#include <algorithm>

namespace tovane {

// The field's own WM_KILLFOCUS rather than the reflected EN_KILLFOCUS: the spin buttons
// subclass their buddy, and the parent then no longer finds the field to reflect to.
LRESULT TIntervalEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = TEdit::WndProc(msg, wParam, lParam);
    if (msg == WM_KILLFOCUS && FSpin != nullptr && FSpin->HandleAllocated())
        FSpin->SetPosition(FSpin->Position());
    return result;
}

TFormOption::TFormOption(TForm* owner, SlideShowSettings& settings)
    : TForm(owner), FSettings(settings) {
    LoadForm();
    DoCreate();
}

TFormOption::~TFormOption() {
    DestroyForm();
}

void TFormOption::FormCreate(TObject&) {
    for (const char* name : LastActionNames)
        RadioGroupLast.AddItem(name);
    // The field offers 0 to 1000; a stored value outside shows as the nearer end, and OK then
    // stores what the field shows.
    UpDownInterval.SetPosition(IntervalSpinPosition(FSettings.Interval));
    RadioGroupTani.SetItemIndex(FSettings.bSecond ? 0 : 1);
    PanelFGColor.SetColor(FSettings.FGColor);
    PanelBGColor.SetColor(FSettings.BGColor);
    CheckBoxSlideShow.SetChecked(FSettings.SuguStart);
    CheckBoxAllDir.SetChecked(FSettings.bAllDir);
    // The radio group clamps: a value above 3 selects the last item.
    RadioGroupLast.SetItemIndex(FSettings.LastAction);
    CheckBoxFindSubDir.SetChecked(FSettings.bFindSubDir);
}

void TFormOption::PanelBGColorMouseDown(TObject& Sender, TMouseButton, TShiftState, int, int) {
    auto& panel = dynamic_cast<TPanel&>(Sender);
    panel.SetBevels(TBevelCut::Lowered, TBevelCut::Lowered);
    // The release comes to the panel wherever the pointer is by then.
    SetCapture(panel.Handle());
}

void TFormOption::PanelBGColorMouseUp(TObject& Sender, TMouseButton, TShiftState, int, int) {
    auto& panel = dynamic_cast<TPanel&>(Sender);
    if (GetCapture() == panel.Handle())
        ReleaseCapture();
    panel.SetBevels(TBevelCut::Raised, TBevelCut::Raised);
    ColorDialog1.SetColor(panel.Color());
    if (ColorDialog1.Execute(Handle()))
        panel.SetColor(ColorDialog1.Color());
}

bool TFormOption::DialogKeys(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (msg == WM_NEXTDLGCTL) {
        HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                          : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0);
        if (target != nullptr)
            ::SetFocus(target);
        return true;
    }
    return false;
}

void TFormOption::ButtonOKClick(TObject&) {
    FSettings.Interval = UpDownInterval.Position();
    FSettings.bSecond = RadioGroupTani.ItemIndex() == 0;
    FSettings.FGColor = PanelFGColor.Color();
    FSettings.BGColor = PanelBGColor.Color();
    FSettings.SuguStart = CheckBoxSlideShow.Checked();
    FSettings.bAllDir = CheckBoxAllDir.Checked();
    FSettings.LastAction = static_cast<LastActionKind>(std::max(0, RadioGroupLast.ItemIndex()));
    FSettings.bFindSubDir = CheckBoxFindSubDir.Checked();
}

} // namespace tovane
