/* GetPictureInfo writes a packed record whatever the build: in the 64-bit build the handle
 * lands at offset 22, as some 64-bit modules do it. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Packed PictureInfo", "*.pak", "Packed record")
SUSIE_STUB_IS_SUPPORTED
SUSIE_STUB_GET_PICTURE(GetPicture)

#pragma pack(push, 1)
struct PackedPictureInfo {
    SUSIE_PICTURE_INFO_FIELDS
};
#pragma pack(pop)

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, void* lpInfo) {
    struct PackedPictureInfo* info = (struct PackedPictureInfo*)lpInfo;
    (void)buf;
    (void)len;
    (void)flag;
    SUSIE_FILL_PICTURE_INFO(info, 1, 2, 300, 200, 72, 72, 8, 8);
    return 0;
}
