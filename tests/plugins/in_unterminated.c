/* An import plug-in whose texts fill the whole buffer without a terminating NUL: it writes
 * 256 bytes although the host says 255, as careless plug-ins do. The host must cut the text at
 * its buffer and read nothing beyond it. */
#include "SusieTestPlugin.h"

#include <string.h>

SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    (void)buflen;
    switch (infono) {
    case 0:
        memcpy(buf, "00IN", 5);
        return 4;
    case 1:
        memset(buf, 'D', 256);
        return 256;
    case 2:
        memset(buf, 'E', 256);
        return 256;
    case 3:
        memset(buf, 'F', 256);
        return 256;
    default:
        return 0;
    }
}
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
