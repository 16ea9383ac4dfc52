// The options dialog: edits the slideshow, search and colour settings of a settings record (the
// main window's, in the program). Created for each use with the main window as owner, shown modally
// and released by the caller. FormCreate fills the controls from the record; OK writes every
// control back into it (ButtonOKClick); Cancel, Esc and the close box leave the record untouched.
// The dialog never touches the settings file: the caller saves it after OK.
#pragma once

#include "settings/portable/SettingsRules.h"
#include "framework/win32/ColorDialog.h"
#include "framework/win32/ComCtrls.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"

namespace tovane {

// The interval field: when it loses the focus it shows again the spin position that stands,
// so that text which the spin buttons did not take (not a whole number from 0 to 1000) does
// not stay on screen looking as if it counted.
class TIntervalEdit : public TEdit {
public:
    void SetSpin(TUpDown* spin) noexcept { FSpin = spin; }

protected:
    bool CommandNotify(WORD code) override;

private:
    TUpDown* FSpin = nullptr;
};

class TFormOption : public TForm {
public:
    // Made as TBuiltForm<TFormOption>.
    // Edits the given record, which must outlive the dialog.
    TFormOption(TForm* owner, SlideShowSettings& settings);

    TButton ButtonOK;
    TButton Button2;
    TGroupBox GroupBox1;
    TCheckBox CheckBoxFindSubDir;
    TGroupBox GroupBox2;
    TLabel Label1;
    TIntervalEdit EditInterval;
    TUpDown UpDownInterval;
    TRadioGroup RadioGroupTani; // "tani": the unit of the interval (seconds, milliseconds)
    TLabel Label3;
    TPanel PanelFGColor;
    TLabel Label2;
    TPanel PanelBGColor;
    TCheckBox CheckBoxSlideShow;
    TRadioGroup RadioGroupLast;
    TCheckBox CheckBoxAllDir;
    TCheckBox CheckBoxColorManage; // "[Color] Manage"
    TRadioGroup RadioGroupOrder; // the order of a place's pictures
    TCheckBox CheckBoxResume;
    TColorDialog ColorDialog1;

private:
    void LoadForm() override; // FormOptionU.form.cpp

    void FormCreate(TObject& Sender);
    void PanelBGColorMouseDown(TObject& Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void PanelBGColorMouseUp(TObject& Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ButtonOKClick(TObject& Sender);

    SlideShowSettings& FSettings;
};

} // namespace tovane
