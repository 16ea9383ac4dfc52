/* An import plug-in that echoes what the host passed: GetPictureInfo and GetPicture report
 * their arguments back, so that a test can see every pass-through argument arrive unchanged. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Echo test plug-in", "*.ech;*.echo", "Echo picture", "*.tar.gz",
                 "Echo tarball")

/* What GetPicture and GetPreview put into the information block. */
struct EchoCall {
    char kind[4]; /* "PICT" or "PREV" */
    LONG_PTR len;
    unsigned int flag;
    char first; /* first byte of the source */
};

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    return filename != NULL && dw != NULL && memcmp(dw, "ECHO", 4) == 0;
}

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                       struct PictureInfo* lpInfo) {
    SUSIE_FILL_PICTURE_INFO(lpInfo, (long)len, (long)flag, buf[0], 2, 72, 96, 24, 16);
    return 0;
}

static int Echo(const char* kind, LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                HLOCAL* pHBm, SUSIE_PROGRESS progress, LONG_PTR lData) {
    struct EchoCall* call;
    if (progress != NULL && progress((int)len, 100, lData) != 0)
        return 1; /* asked to stop */
    *pHBInfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(struct EchoCall));
    *pHBm = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, 4);
    call = (struct EchoCall*)LocalLock(*pHBInfo);
    memcpy(call->kind, kind, 4);
    call->len = len;
    call->flag = flag;
    call->first = buf[0];
    LocalUnlock(*pHBInfo);
    return 0;
}

SUSIE_EXPORT int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                   HLOCAL* pHBm, SUSIE_PROGRESS progress, LONG_PTR lData) {
    return Echo("PICT", buf, len, flag, pHBInfo, pHBm, progress, lData);
}

SUSIE_EXPORT int WINAPI GetPreview(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                   HLOCAL* pHBm, SUSIE_PROGRESS progress, LONG_PTR lData) {
    return Echo("PREV", buf, len, flag, pHBInfo, pHBm, progress, lData);
}

SUSIE_EXPORT int WINAPI ConfigurationDlg(HWND parent, int fnc) {
    (void)parent;
    (void)fnc;
    return 0;
}
