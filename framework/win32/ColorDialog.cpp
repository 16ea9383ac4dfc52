#include "framework/win32/ColorDialog.h"

#include <commdlg.h>

namespace tovane {

bool TColorDialog::Execute(HWND owner) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = FColor;
    cc.lpCustColors = FCustomColors.data();
    cc.Flags = CC_RGBINIT;
    if (FOptions.SolidColor)
        cc.Flags |= CC_SOLIDCOLOR;
    if (FOptions.FullOpen)
        cc.Flags |= CC_FULLOPEN;
    if (!ChooseColorW(&cc))
        return false;
    FColor = cc.rgbResult;
    return true;
}

} // namespace tovane
