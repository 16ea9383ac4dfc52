/* A module that answers nothing for index 0 but describes itself at index 1. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE(NULL, "Versionless")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
