#include "dialogs/FormOptionU.h"

#include "dialogs/portable/DialogRules.h"

#include <algorithm>

namespace tovane {

bool TIntervalEdit::CommandNotify(WORD code) {
    if (code == EN_KILLFOCUS && FSpin != nullptr && FSpin->HandleAllocated())
        FSpin->SetPosition(FSpin->Position());
    return TEdit::CommandNotify(code);
}

TFormOption::TFormOption(TForm* owner, SlideShowSettings& settings)
    : TForm(owner), FSettings(settings) {
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
    CheckBoxColorManage.SetChecked(FSettings.ColorManage);
    // An order unknown to this version shows no choice and is kept unless one is made.
    RadioGroupOrder.SetItemIndex(FSettings.Order <= 3 ? FSettings.Order : -1);
    CheckBoxResume.SetChecked(FSettings.Resume);
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

void TFormOption::ButtonOKClick(TObject&) {
    FSettings.Interval = UpDownInterval.Position();
    FSettings.bSecond = RadioGroupTani.ItemIndex() == 0;
    FSettings.FGColor = PanelFGColor.Color();
    FSettings.BGColor = PanelBGColor.Color();
    FSettings.SuguStart = CheckBoxSlideShow.Checked();
    FSettings.bAllDir = CheckBoxAllDir.Checked();
    FSettings.LastAction = static_cast<LastActionKind>(std::max(0, RadioGroupLast.ItemIndex()));
    FSettings.bFindSubDir = CheckBoxFindSubDir.Checked();
    FSettings.ColorManage = CheckBoxColorManage.Checked();
    if (RadioGroupOrder.ItemIndex() >= 0)
        FSettings.Order = static_cast<std::uint8_t>(RadioGroupOrder.ItemIndex());
    FSettings.Resume = CheckBoxResume.Checked();
}

} // namespace tovane
