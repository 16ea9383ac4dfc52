/* Test import modules for the decoding job. One source, one behaviour per module, chosen by a
 * DECODE_* definition:
 *   DECODE_RAW      reads the raw test format (decode_stats.h) from a file or memory, at the
 *                   offset it is given; accepts only data that starts with the magic, so a file
 *                   with a 128-byte MacBinary header in front is accepted at offset 128 only
 *   DECODE_ANY      accepts anything and delivers a 1x1 red picture
 *   DECODE_PROGRESS accepts anything; reports progress (0/4, 1/4, 2/0, 4/4) and stops when asked
 *   DECODE_ERROR    accepts anything; fails with result 2 after storing bogus handles
 *   DECODE_HALF     accepts anything; reports success with an info block and no pixel block
 *   DECODE_PREVIEW  accepts anything; GetPreview gives 1x1 green, GetPicture 1x1 blue
 *   DECODE_SLOW     accepts anything; GetPicture takes as many milliseconds as the source's
 *                   text says (a file's first bytes, read by the module, or the memory), asking
 *                   the progress callback every 10 ms and stopping when it answers non-zero;
 *                   then a 1x1 picture of the colour (0xBBGGRR) given after a comma, if any
 *   DECODE_BLOCK    accepts anything; GetPicture waits until the event DECODE_BLOCK_EVENT is set
 *                   (at once when there is none), asking the progress callback every 10 ms and
 *                   ignoring its answers; then a 40x30 white picture
 *   DECODE_RAWFILE  DECODE_RAW for files only: the memory form (flag 1) answers -1, as a module
 *                   that implements only file paths does
 */
#include "SusieTestPlugin.h"
#include "decode_stats.h"

#include <stdlib.h>
#include <string.h>

#if defined(DECODE_RAWFILE)
#define DECODE_RAW 1
#define DECODE_FILE_ONLY 1
#endif

#if defined(DECODE_RAW)
#define PLUGIN_NAME "decode test: raw"
#define PLUGIN_FILTER "*.tvr"
#define PLUGIN_FORMAT "Raw test picture"
#elif defined(DECODE_ANY)
/* Shift-JIS text, as plug-ins describe themselves: "テスト". */
#define PLUGIN_NAME "decode test: any \x83\x65\x83\x58\x83\x67"
#define PLUGIN_FILTER "*.any"
#define PLUGIN_FORMAT "Anything"
#elif defined(DECODE_PROGRESS)
#define PLUGIN_NAME "decode test: progress"
#define PLUGIN_FILTER "*.prg"
#define PLUGIN_FORMAT "Progress test"
#elif defined(DECODE_ERROR)
#define PLUGIN_NAME "decode test: error"
#define PLUGIN_FILTER "*.err"
#define PLUGIN_FORMAT "Error test"
#elif defined(DECODE_HALF)
#define PLUGIN_NAME "decode test: half"
#define PLUGIN_FILTER "*.hlf"
#define PLUGIN_FORMAT "Half test"
#elif defined(DECODE_SLOW)
#define PLUGIN_NAME "decode test: slow"
#define PLUGIN_FILTER "*.slw"
#define PLUGIN_FORMAT "Slow test"
#elif defined(DECODE_BLOCK)
#define PLUGIN_NAME "decode test: block"
#define PLUGIN_FILTER "*.blk"
#define PLUGIN_FORMAT "Blocking test"
#elif defined(DECODE_PREVIEW)
#define PLUGIN_NAME "decode test: preview"
#define PLUGIN_FILTER "*.pvw"
#define PLUGIN_FORMAT "Preview test"
#else
#error "choose a behaviour"
#endif

typedef struct PictureInfo PictureInfo;

static DecodeStats stats;

SUSIE_EXPORT DecodeStats* __cdecl DecodeTestStats(void) {
    return &stats;
}
SUSIE_EXPORT void __cdecl DecodeTestReset(void) {
    memset(&stats, 0, sizeof stats);
}

__attribute__((unused)) static HLOCAL Allocate(SIZE_T size) {
    HLOCAL h = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size ? size : 1);
    if (h && stats.allocCount < DECODE_MAX_ALLOCS)
        stats.allocs[stats.allocCount++] = h;
    return h;
}

static void NoteSource(LPCSTR buf, LONG_PTR len, unsigned int flag) {
    stats.lastFlag = flag;
    stats.lastLen = len;
    stats.lastDataValid = 0;
    stats.lastFile[0] = 0;
    if ((flag & 7) == 1) {
        LONG_PTR n = len < 16 ? len : 16;
        memset(stats.lastData, 0, sizeof stats.lastData);
        if (n > 0)
            memcpy(stats.lastData, buf, (size_t)n);
        stats.lastDataValid = 1;
    } else {
        lstrcpynA(stats.lastFile, buf, MAX_PATH);
    }
}

SUSIE_INFO_TABLE("00IN", PLUGIN_NAME, PLUGIN_FILTER, PLUGIN_FORMAT)

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    ++stats.isSupportedCalls;
    lstrcpynA(stats.lastName, filename ? filename : "", MAX_PATH);
    memcpy(stats.lastHeader, dw, sizeof stats.lastHeader);
#if defined(DECODE_RAW)
    return memcmp(dw, DECODE_RAW_MAGIC, 4) == 0;
#else
    return 1;
#endif
}

/* A 1x1 24-bit picture of the colour given as blue, green, red bytes. */
#if !defined(DECODE_RAW) && !defined(DECODE_ERROR)
__attribute__((unused)) static int SolidPicture(BYTE blue, BYTE green, BYTE red, HLOCAL* info,
                                                HLOCAL* bits) {
    return susie_one_pixel(Allocate, blue, green, red, info, bits);
}
#endif

#if defined(DECODE_SLOW)
/* The source's text: "milliseconds[,colour]". */
static void ReadSlowText(LPCSTR buf, LONG_PTR len, unsigned int flag, char* text, int size) {
    memset(text, 0, (size_t)size);
    if ((flag & 7) == 1) {
        memcpy(text, buf, (size_t)(len < size - 1 ? len : size - 1));
    } else {
        DWORD got = 0;
        HANDLE f = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (f == INVALID_HANDLE_VALUE)
            return;
        ReadFile(f, text, (DWORD)size - 1, &got, NULL);
        CloseHandle(f);
    }
}
#endif

#if defined(DECODE_RAW)
/* Reads the whole source: a file from the offset len, or len bytes of memory. */
static BYTE* ReadSource(LPCSTR buf, LONG_PTR len, unsigned int flag, DWORD* size) {
    BYTE* data;
    if ((flag & 7) == 1) {
        if (len < 0)
            return NULL;
        data = (BYTE*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)len + 1);
        if (data && len > 0)
            memcpy(data, buf, (size_t)len);
        *size = (DWORD)len;
        return data;
    } else {
        HANDLE f = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        DWORD fileSize, got = 0;
        if (f == INVALID_HANDLE_VALUE)
            return NULL;
        fileSize = GetFileSize(f, NULL);
        if (fileSize == INVALID_FILE_SIZE || (DWORD)len > fileSize) {
            CloseHandle(f);
            return NULL;
        }
        SetFilePointer(f, (LONG)len, NULL, FILE_BEGIN);
        data = (BYTE*)HeapAlloc(GetProcessHeap(), 0, fileSize - (DWORD)len + 1);
        if (data)
            ReadFile(f, data, fileSize - (DWORD)len, &got, NULL);
        CloseHandle(f);
        *size = got;
        return data;
    }
}

static DWORD ReadU32(const BYTE* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((DWORD)p[3] << 24);
}

/* Copies part of the source into a new block of blockSize bytes (missing bytes stay zero). */
static HLOCAL CopyBlock(const BYTE* data, DWORD size, DWORD from, DWORD blockSize) {
    HLOCAL h = Allocate(blockSize);
    BYTE* p = (BYTE*)LocalLock(h);
    if (from < size) {
        DWORD n = size - from < blockSize ? size - from : blockSize;
        memcpy(p, data + from, n);
    }
    LocalUnlock(h);
    return h;
}
#endif

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                       PictureInfo* info) {
    ++stats.pictureInfoCalls;
    NoteSource(buf, len, flag);
    memset(info, 0, sizeof *info);
#if defined(DECODE_FILE_ONLY)
    if ((flag & 7) == 1)
        return -1;
#endif
#if defined(DECODE_ERROR)
    return 2;
#else
    {
        /* A text-information block the host must free. */
        HLOCAL text = Allocate(16);
        char* t = (char*)LocalLock(text);
        lstrcpynA(t, "test", 16);
        LocalUnlock(text);
        info->hInfo = text;
        info->width = 1;
        info->height = 1;
        info->colorDepth = 24;
    }
    return 0;
#endif
}

static int Decode(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info, HLOCAL* bits,
                  SUSIE_PROGRESS progress, LONG_PTR lData, int preview) {
    NoteSource(buf, len, flag);
#if defined(DECODE_FILE_ONLY)
    if ((flag & 7) == 1)
        return -1;
#endif
#if defined(DECODE_RAW)
    (void)preview;
    {
        DWORD size = 0;
        BYTE* data = ReadSource(buf, len, flag, &size);
        DWORD infoSize, bitsSize;
        if (!data)
            return 6;
        if (size < DECODE_RAW_HEADER || memcmp(data, DECODE_RAW_MAGIC, 4) != 0) {
            HeapFree(GetProcessHeap(), 0, data);
            return 2;
        }
        if (progress && progress(0, 1, lData)) {
            HeapFree(GetProcessHeap(), 0, data);
            return 1;
        }
        infoSize = ReadU32(data + 4);
        bitsSize = ReadU32(data + 8);
        *info = CopyBlock(data, size, DECODE_RAW_HEADER, infoSize);
        *bits = CopyBlock(data, size, DECODE_RAW_HEADER + infoSize, bitsSize);
        HeapFree(GetProcessHeap(), 0, data);
        if (progress)
            progress(1, 1, lData);
        return 0;
    }
#elif defined(DECODE_ANY)
    (void)progress;
    (void)lData;
    (void)preview;
    return SolidPicture(0, 0, 255, info, bits);
#elif defined(DECODE_PROGRESS)
    {
        static const int calls[4][2] = {{0, 4}, {1, 4}, {2, 0}, {4, 4}};
        int i;
        (void)preview;
        for (i = 0; i < 4; ++i) {
            int r = progress ? progress(calls[i][0], calls[i][1], lData) : 0;
            if (stats.callbackCount < DECODE_MAX_CALLBACKS)
                stats.callbackResults[stats.callbackCount++] = r;
            if (r)
                return 1;
        }
        return SolidPicture(0, 255, 255, info, bits);
    }
#elif defined(DECODE_ERROR)
    (void)progress;
    (void)lData;
    (void)preview;
    *info = (HLOCAL)(ULONG_PTR)0x123450;
    *bits = (HLOCAL)(ULONG_PTR)0x123460;
    return 2;
#elif defined(DECODE_HALF)
    {
        HLOCAL unused;
        (void)progress;
        (void)lData;
        (void)preview;
        SolidPicture(0, 0, 0, info, &unused);
        /* The pixel block is dropped by the module itself, as a faulty module might. */
        --stats.allocCount;
        LocalFree(unused);
        *bits = NULL;
        return 0;
    }
#elif defined(DECODE_SLOW)
    {
        char text[64];
        char* comma;
        int ms, step;
        DWORD colour = 0xFFFFFF;
        (void)preview;
        ReadSlowText(buf, len, flag, text, sizeof text);
        ms = atoi(text);
        comma = strchr(text, ',');
        if (comma)
            colour = (DWORD)strtoul(comma + 1, NULL, 16);
        for (step = 0; step * 10 < ms; ++step) {
            if (progress && progress(step, ms / 10 + 1, lData)) {
                ++stats.abortedCalls;
                return 1;
            }
            Sleep(10);
        }
        return SolidPicture((BYTE)(colour >> 16), (BYTE)(colour >> 8), (BYTE)colour, info, bits);
    }
#elif defined(DECODE_BLOCK)
    {
        HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, DECODE_BLOCK_EVENT);
        int step = 0;
        (void)buf;
        (void)len;
        (void)flag;
        (void)preview;
        while (release && WaitForSingleObject(release, 10) == WAIT_TIMEOUT)
            if (progress)
                progress(step++ % 100, 100, lData); /* the answer is ignored */
        if (release)
            CloseHandle(release);
        {
            BITMAPINFOHEADER* h;
            *info = Allocate(sizeof(BITMAPINFOHEADER));
            *bits = Allocate(120 * 30); /* 40 pixels of 3 bytes: rows need no padding */
            h = (BITMAPINFOHEADER*)LocalLock(*info);
            h->biSize = sizeof(BITMAPINFOHEADER);
            h->biWidth = 40;
            h->biHeight = 30;
            h->biPlanes = 1;
            h->biBitCount = 24;
            LocalUnlock(*info);
            memset(LocalLock(*bits), 255, 120 * 30);
            LocalUnlock(*bits);
        }
        return 0;
    }
#elif defined(DECODE_PREVIEW)
    (void)progress;
    (void)lData;
    return preview ? SolidPicture(0, 255, 0, info, bits) : SolidPicture(255, 0, 0, info, bits);
#endif
}

/* GetPicture and GetPreview: counted on the way in and on the way out. */
static int CountedDecode(int* calls, LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info,
                         HLOCAL* bits, SUSIE_PROGRESS progress, LONG_PTR lData, int preview) {
    int r;
    ++*calls;
    r = Decode(buf, len, flag, info, bits, progress, lData, preview);
    ++stats.pictureReturns;
    return r;
}

SUSIE_EXPORT int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info,
                                   HLOCAL* bits, SUSIE_PROGRESS progress, LONG_PTR lData) {
    return CountedDecode(&stats.pictureCalls, buf, len, flag, info, bits, progress, lData, 0);
}

#if defined(DECODE_PREVIEW)
SUSIE_EXPORT int WINAPI GetPreview(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info,
                                   HLOCAL* bits, SUSIE_PROGRESS progress, LONG_PTR lData) {
    return CountedDecode(&stats.previewCalls, buf, len, flag, info, bits, progress, lData, 1);
}
#endif
