// The about box: the program's name block and the list of loaded plug-ins with the filter
// entries and format names they declare. Created for each opening with the main window as
// owner, shown modally and released by the caller; the list shows the plug-in collection as
// it stands when the box is created.
#pragma once

#include "framework/win32/ComCtrls.h"
#include "framework/win32/ExtCtrls.h"
#include "framework/win32/Forms.h"
#include "framework/win32/StdCtrls.h"

#include <string>

namespace tovane {

// A picture control that shows the program's own icon (the first icon resource of the
// executable, or the system's application icon when it has none).
class TProgramIcon : public TControl {
public:
    void Create(TControl& parent, const TControlProps& props);

protected:
    void DpiChanged(int newDpi, int oldDpi) override;

private:
    void LoadProgramIcon();
    UniqueIcon FIcon; // the program's icon at the control's size
};

class TFormAboutBox : public TForm {
public:
    // Made as TBuiltForm<TFormAboutBox>.
    explicit TFormAboutBox(TForm* owner);

    TBevel Bevel1;
    TProgramIcon Image1;
    TLabel Label1;
    TLabel Label4;
    TLabel Label2;
    TLabel Label3;
    TListView ListView1;
    TButton Button1;

    // What Label3 shows and opens (ANSI): the folder the program runs from.
    static std::string AuthorAddress();

private:
    void LoadForm() override; // FormAboutBoxU.form.cpp

    void FormCreate(TObject& Sender);
    void Label3Click(TObject& Sender);
};

} // namespace tovane
