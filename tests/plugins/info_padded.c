/* GetPictureInfo writes the record in the published layout of the build: in the 64-bit build
 * the handle at offset 24, the whole record copied at once (padding bytes included). */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Natural PictureInfo", "*.pad", "Padded record")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE(GetPicture)

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                       struct PictureInfo* lpInfo) {
    struct PictureInfo info;
    (void)buf;
    (void)len;
    (void)flag;
    memset(&info, 0x5A, sizeof info); /* garbage in the padding */
    info.left = 1;
    info.top = 2;
    info.width = 300;
    info.height = 200;
    info.x_density = 72;
    info.y_density = 72;
    info.colorDepth = 8;
    info.hInfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 8);
    *lpInfo = info;
    return 0;
}
