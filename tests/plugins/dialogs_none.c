/* An import plug-in that describes itself but declares no filter entry. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "No entries test plug-in")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
