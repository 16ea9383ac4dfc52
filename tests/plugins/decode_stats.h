/* What the decoding test modules record about the calls they receive, read by the tests
 * through the module's DecodeTestStats export. Shared by the modules (C) and the tests (C++). */
#ifndef DECODE_STATS_H
#define DECODE_STATS_H

#include <windows.h>

#define DECODE_MAX_ALLOCS 64
#define DECODE_MAX_CALLBACKS 16

typedef struct DecodeStats {
    int isSupportedCalls;
    int pictureInfoCalls;
    int pictureCalls;
    int previewCalls;
    int pictureReturns; /* GetPicture/GetPreview calls that have returned */

    /* The last IsSupported call: the name and the 2048 bytes it was shown. */
    char lastName[MAX_PATH];
    unsigned char lastHeader[2048];

    /* The last GetPictureInfo/GetPicture/GetPreview call. */
    unsigned int lastFlag;
    LONG_PTR lastLen;
    unsigned char lastData[16]; /* flag 1: the first bytes at the source address */
    int lastDataValid;
    char lastFile[MAX_PATH]; /* flag 0: the path */

    /* Every local-memory block handed to the host (info, pixels, text information). */
    int allocCount;
    HLOCAL allocs[DECODE_MAX_ALLOCS];

    /* What the host's progress callback answered, in call order. */
    int callbackCount;
    int callbackResults[DECODE_MAX_CALLBACKS];

    /* GetPicture/GetPreview calls stopped by a non-zero answer of the progress callback. */
    int abortedCalls;
} DecodeStats;

typedef DecodeStats*(__cdecl* DecodeTestStatsFunc)(void);
typedef void(__cdecl* DecodeTestResetFunc)(void);

/* The raw test picture format read by decode_raw:
 *   "TVRW", uint32 info block size, uint32 pixel block size, then the bytes of the info block
 *   and of the pixel block, copied as they stand (missing bytes are zero). The module hands the
 *   blocks back exactly so large, whatever the header inside them claims. */
#define DECODE_RAW_MAGIC "TVRW"

/* The event decode_block waits for (manual reset, made by the test). */
#define DECODE_BLOCK_EVENT "tovane-decode-block"
#define DECODE_RAW_HEADER 12

#endif
