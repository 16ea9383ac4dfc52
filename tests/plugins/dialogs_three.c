/* An import plug-in with three filter entries, each with its own format name. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Three entries test plug-in", "*.tha;*.thb", "Three A", "*.thc",
                 "Three C", "*.thd", "Three D")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
