/* Shared pieces of the test plug-ins: the Susie export declarations and a GetPluginInfo that
 * answers from a table. Each test plug-in is one small C file that includes this header and
 * defines the exports it needs, one behaviour per module. */
#ifndef TOVANE_SUSIE_TEST_PLUGIN_H
#define TOVANE_SUSIE_TEST_PLUGIN_H

#include <windows.h>
#include <string.h>

#define SUSIE_EXPORT __declspec(dllexport)

typedef int(WINAPI* SUSIE_PROGRESS)(int nNum, int nDenom, LONG_PTR lData);

/* The published record: packed in the 32-bit build, natural layout in the 64-bit build. */
#define SUSIE_PICTURE_INFO_FIELDS                                                                  \
    long left, top;                                                                                \
    long width, height;                                                                            \
    WORD x_density, y_density;                                                                     \
    short colorDepth;                                                                              \
    HLOCAL hInfo;
#if !defined(_WIN64)
#pragma pack(push, 1)
#endif
struct PictureInfo {
    SUSIE_PICTURE_INFO_FIELDS
};
#if !defined(_WIN64)
#pragma pack(pop)
#endif

/* Fills a picture record (of either layout) field by field; the text handle gets textBytes
 * zeroed bytes. */
#define SUSIE_FILL_PICTURE_INFO(INFO, LEFT, TOP, WIDTH, HEIGHT, XDPI, YDPI, DEPTH, TEXT_BYTES)     \
    do {                                                                                           \
        (INFO)->left = (LEFT);                                                                     \
        (INFO)->top = (TOP);                                                                       \
        (INFO)->width = (WIDTH);                                                                   \
        (INFO)->height = (HEIGHT);                                                                 \
        (INFO)->x_density = (XDPI);                                                                \
        (INFO)->y_density = (YDPI);                                                                \
        (INFO)->colorDepth = (DEPTH);                                                              \
        (INFO)->hInfo = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (TEXT_BYTES));                   \
    } while (0)

/* A picture of one pixel (24 bits) in blocks from allocate: a zeroed movable block of the
 * size asked, as LocalAlloc gives. Answers 0, GetPicture's success. */
static __inline int susie_one_pixel(HLOCAL (*allocate)(SIZE_T), BYTE blue, BYTE green, BYTE red,
                                    HLOCAL* info, HLOCAL* bits) {
    BITMAPINFOHEADER* h;
    BYTE* p;
    *info = allocate(sizeof(BITMAPINFOHEADER));
    *bits = allocate(4);
    h = (BITMAPINFOHEADER*)LocalLock(*info);
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = 1;
    h->biHeight = 1;
    h->biPlanes = 1;
    h->biBitCount = 24;
    LocalUnlock(*info);
    p = (BYTE*)LocalLock(*bits);
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    LocalUnlock(*bits);
    return 0;
}

/* Writes text with its NUL, whatever the buffer's length; answers the text's length. */
static __inline int susie_put_text(LPSTR buf, const char* text) {
    const size_t n = strlen(text);
    memcpy(buf, text, n + 1);
    return (int)n;
}

/* Copies table[infono] into buf as GetPluginInfo does: the number of bytes written without
 * the NUL, or 0 when the index has no entry (NULL in the table or past its end). */
static __inline int susie_info_from_table(const char* const* table, int count, int infono,
                                          LPSTR buf, int buflen) {
    size_t n;
    if (infono < 0 || infono >= count || table[infono] == NULL || buf == NULL || buflen <= 0)
        return 0;
    n = strlen(table[infono]);
    if (n > (size_t)(buflen - 1))
        n = (size_t)(buflen - 1);
    memcpy(buf, table[infono], n);
    buf[n] = '\0';
    return (int)n;
}

#define SUSIE_INFO_TABLE(...)                                                                      \
    static const char* const susie_info_table[] = {__VA_ARGS__};                                   \
    SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {                     \
        return susie_info_from_table(susie_info_table,                                             \
                                     (int)(sizeof susie_info_table / sizeof susie_info_table[0]),  \
                                     infono, buf, buflen);                                         \
    }

/* Exports that only need to exist. */
#define SUSIE_STUB_IS_SUPPORTED                                                                    \
    SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {                               \
        (void)filename;                                                                            \
        (void)dw;                                                                                  \
        return 0;                                                                                  \
    }
#define SUSIE_STUB_GET_PICTURE_INFO                                                                \
    SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,            \
                                           struct PictureInfo* lpInfo) {                           \
        (void)buf;                                                                                 \
        (void)len;                                                                                 \
        (void)flag;                                                                                \
        (void)lpInfo;                                                                              \
        return 2;                                                                                  \
    }
#define SUSIE_STUB_GET_PICTURE(NAME)                                                               \
    SUSIE_EXPORT int WINAPI NAME(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,     \
                                 HLOCAL* pHBm, SUSIE_PROGRESS progress, LONG_PTR lData) {          \
        (void)buf;                                                                                 \
        (void)len;                                                                                 \
        (void)flag;                                                                                \
        (void)pHBInfo;                                                                             \
        (void)pHBm;                                                                                \
        (void)progress;                                                                            \
        (void)lData;                                                                               \
        return 2;                                                                                  \
    }
#define SUSIE_STUB_ARCHIVE_INFO                                                                    \
    SUSIE_EXPORT int WINAPI GetArchiveInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,            \
                                           HLOCAL* lphInf) {                                       \
        (void)buf;                                                                                 \
        (void)len;                                                                                 \
        (void)flag;                                                                                \
        (void)lphInf;                                                                              \
        return 2;                                                                                  \
    }
#define SUSIE_STUB_FILE_INFO                                                                       \
    SUSIE_EXPORT int WINAPI GetFileInfo(LPCSTR buf, LONG_PTR len, LPCSTR filename,                 \
                                        unsigned int flag, void* lpInfo) {                         \
        (void)buf;                                                                                 \
        (void)len;                                                                                 \
        (void)filename;                                                                            \
        (void)flag;                                                                                \
        (void)lpInfo;                                                                              \
        return 2;                                                                                  \
    }
#define SUSIE_STUB_GET_FILE                                                                        \
    SUSIE_EXPORT int WINAPI GetFile(LPCSTR src, LONG_PTR len, LPSTR dest, unsigned int flag,       \
                                    SUSIE_PROGRESS progress, LONG_PTR lData) {                     \
        (void)src;                                                                                 \
        (void)len;                                                                                 \
        (void)dest;                                                                                \
        (void)flag;                                                                                \
        (void)progress;                                                                            \
        (void)lData;                                                                               \
        return 2;                                                                                  \
    }

#endif
