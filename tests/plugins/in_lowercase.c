/* A plug-in with every import export whose version is "00in" in lower case. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00in", "Lower-case version", "*.low", "Low format")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
SUSIE_STUB_GET_PICTURE(GetPreview)
