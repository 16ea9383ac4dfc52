/* Import module for the decode benchmark: any file starting with "BIGPIC" decodes to a
 * 6000 x 4000, 24-bit picture of a grey ramp, in LocalAlloc'd blocks as a plug-in hands them
 * back. The pixels are filled row by row with one memset each, so the module's own share of a
 * load stays close to one pass over the image. */
#include "SusieTestPlugin.h"

#define BIG_WIDTH 6000
#define BIG_HEIGHT 4000
#define BIG_STRIDE (((BIG_WIDTH * 3) + 3) & ~3)

SUSIE_INFO_TABLE("00IN", "bench: big picture", "*.big", "Big benchmark picture")

static int IsBigPicture(const void* header) {
    return memcmp(header, "BIGPIC", 6) == 0;
}

/* Reads the first bytes of the source: a file from the offset len, or memory. */
static int SourceIsBig(LPCSTR buf, LONG_PTR len, unsigned int flag) {
    char header[6] = {0};
    if ((flag & 7) == 1)
        return len >= 6 && IsBigPicture(buf);
    {
        HANDLE f = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        DWORD got = 0;
        if (f == INVALID_HANDLE_VALUE)
            return 0;
        SetFilePointer(f, (LONG)len, NULL, FILE_BEGIN);
        ReadFile(f, header, sizeof header, &got, NULL);
        CloseHandle(f);
        return got == sizeof header && IsBigPicture(header);
    }
}

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    (void)filename;
    return IsBigPicture(dw);
}

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                       struct PictureInfo* info) {
    if (!SourceIsBig(buf, len, flag))
        return 2;
    memset(info, 0, sizeof *info);
    info->width = BIG_WIDTH;
    info->height = BIG_HEIGHT;
    info->colorDepth = 24;
    return 0;
}

SUSIE_EXPORT int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                   HLOCAL* pHBm, SUSIE_PROGRESS progress, LONG_PTR lData) {
    HLOCAL info, bits;
    BITMAPINFOHEADER* h;
    BYTE* p;
    int y;
    if (!SourceIsBig(buf, len, flag))
        return 2;
    if (progress && progress(0, BIG_HEIGHT, lData))
        return 1;
    info = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER));
    bits = LocalAlloc(LMEM_MOVEABLE, (SIZE_T)BIG_STRIDE * BIG_HEIGHT);
    if (!info || !bits) {
        if (info)
            LocalFree(info);
        if (bits)
            LocalFree(bits);
        return 4;
    }
    h = (BITMAPINFOHEADER*)LocalLock(info);
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = BIG_WIDTH;
    h->biHeight = BIG_HEIGHT;
    h->biPlanes = 1;
    h->biBitCount = 24;
    h->biSizeImage = (DWORD)BIG_STRIDE * BIG_HEIGHT;
    LocalUnlock(info);
    p = (BYTE*)LocalLock(bits);
    for (y = 0; y < BIG_HEIGHT; ++y)
        memset(p + (SIZE_T)y * BIG_STRIDE, y & 0xFF, BIG_STRIDE);
    LocalUnlock(bits);
    if (progress)
        progress(BIG_HEIGHT, BIG_HEIGHT, lData);
    *pHBInfo = info;
    *pHBm = bits;
    return 0;
}
