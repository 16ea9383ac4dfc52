/* An import plug-in whose IsSupported loads a library by name, as modules that use helpers of
 * their own do, and answers whether it was found: with the search as the program sets it, a
 * library of that name planted in the current folder must not be. */
#include "SusieTestPlugin.h"

SUSIE_INFO_TABLE("00IN", "Loads by name", "*.byn", "By name")

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    HMODULE planted = LoadLibraryA("tovane-planted.dll");
    (void)filename;
    (void)dw;
    if (!planted)
        return 0;
    FreeLibrary(planted);
    return 1;
}

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, void* info) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)info;
    return 2;
}

SUSIE_EXPORT int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info,
                                   HLOCAL* bits, SUSIE_PROGRESS progress, LONG_PTR lData) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)info;
    (void)bits;
    (void)progress;
    (void)lData;
    return 2;
}
