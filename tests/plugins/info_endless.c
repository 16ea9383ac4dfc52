/* An import plug-in that answers every GetPluginInfo index with the same pair, and writes a
 * 300-character description with its terminator whatever length the host announces. */
#include "SusieTestPlugin.h"

#include <string.h>

SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    (void)buflen;
    if (infono == 0)
        return susie_put_text(buf, "00IN");
    if (infono == 1) {
        memset(buf, 'D', 300);
        buf[300] = '\0';
        return 300;
    }
    return susie_put_text(buf, infono % 2 == 0 ? "*.end" : "Endless");
}
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
