// The options dialog as the main window opens it: on the main window's settings record. Kept
// apart from the dialog's unit so that the dialog builds and runs on any record without the
// main window.
#include "app/FormMainU.h"
#include "dialogs/FormOptionU.h"

namespace tovane {

TFormOption::TFormOption(TForm* owner) : TFormOption(owner, FormMain->FSettings) {
}

} // namespace tovane
