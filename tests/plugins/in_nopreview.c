/* An import plug-in without the optional GetPreview export. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "No preview", "*.npv", "No-preview format")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
