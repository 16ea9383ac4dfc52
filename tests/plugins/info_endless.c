/* An import plug-in that answers every GetPluginInfo index with the same pair, and writes a
 * 300-character description with its terminator whatever length the host announces. */
#include "SusieTestPlugin.h"

#include <string.h>

SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    (void)buflen;
    switch (infono) {
    case 0:
        memcpy(buf, "00IN", 5);
        return 4;
    case 1:
        memset(buf, 'D', 300);
        buf[300] = '\0';
        return 300;
    default:
        if (infono % 2 == 0) {
            memcpy(buf, "*.end", 6);
            return 5;
        }
        memcpy(buf, "Endless", 8);
        return 7;
    }
}
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
