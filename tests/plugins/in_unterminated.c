/* An import plug-in whose texts fill the whole buffer without a terminating NUL: it writes
 * 256 bytes although the host says 255, as careless plug-ins do. The host must cut the text at
 * its buffer and read nothing beyond it. */
#include "SusieTestPlugin.h"

#include <string.h>

SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    (void)buflen;
    if (infono == 0)
        return susie_put_text(buf, "00IN");
    if (infono < 1 || infono > 3)
        return 0;
    memset(buf, 'D' + (infono - 1), 256); /* "DDD...", "EEE...", "FFF..." */
    return 256;
}
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE_INFO
SUSIE_STUB_GET_PICTURE(GetPicture)
