/* An import plug-in whose second filter pair is answered by halves: index 4 but not index 5. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Half pair", "*.aaa", "A format", "*.bbb", NULL, "*.ccc", "C format")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
