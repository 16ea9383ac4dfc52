#include "dialogs/FormOpenDirU.h"

#include "app/FormMainU.h"

namespace tovane {

TFormOpenDir::TFormOpenDir(TForm* owner) : TForm(owner) {
    LoadForm();
    DoCreate();
}

TFormOpenDir::~TFormOpenDir() {
    DestroyForm();
}

void TFormOpenDir::FormCreate(TObject&) {
    // Every image extension as "*.%s;", bmp first (no leading space, unlike the status bar).
    FileListBox1.SetMask(FormMain != nullptr ? FileMask(FormMain->FImageExtensions) : "");
}

} // namespace tovane
