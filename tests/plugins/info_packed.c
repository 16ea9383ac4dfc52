/* GetPictureInfo writes a packed record whatever the build: in the 64-bit build the handle
 * lands at offset 22, as some 64-bit modules do it. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Packed PictureInfo", "*.pak", "Packed record")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE(GetPicture)

#pragma pack(push, 1)
struct PackedPictureInfo {
    long left, top;
    long width, height;
    WORD x_density, y_density;
    short colorDepth;
    HLOCAL hInfo;
};
#pragma pack(pop)

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, void* lpInfo) {
    struct PackedPictureInfo* info = (struct PackedPictureInfo*)lpInfo;
    (void)buf;
    (void)len;
    (void)flag;
    info->left = 1;
    info->top = 2;
    info->width = 300;
    info->height = 200;
    info->x_density = 72;
    info->y_density = 72;
    info->colorDepth = 8;
    info->hInfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 8);
    return 0;
}
