/* An import plug-in that gives nothing for index 2 but answers index 3. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "No index 2", NULL, "Orphan format name")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
