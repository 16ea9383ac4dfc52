/* A test archive module whose "archive" is a text file: a first line "TARC", then one line per
 * entry, "<inner path>\t<path of a real file>" (ANSI). GetFile hands over the real file's bytes.
 * The entry whose inner path starts with "locked" is marked "encrypt", as the bundled module
 * marks entries that only a password opens. Built twice: am_list, and am_list_fault (AM_FAULT),
 * which writes through a null pointer in GetArchiveInfo. Declares "*.tarc". */
#include "SusieTestPlugin.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#if defined(_WIN64)
#pragma pack(push, 8)
typedef ULONG_PTR am_size;
typedef __int64 am_time;
#else
#pragma pack(push, 1)
typedef unsigned long am_size;
typedef long am_time;
#endif
typedef struct {
    unsigned char method[8];
    am_size position;
    am_size compsize;
    am_size filesize;
    am_time timestamp;
    char path[200];
    char filename[200];
    unsigned long crc;
} am_record;
#pragma pack(pop)

SUSIE_INFO_TABLE("00AM", "Text list archive test plug-in", "*.tarc", "Test list archive")

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    (void)filename;
    return memcmp(dw, "TARC", 4) == 0;
}

/* The n-th entry line's two fields (n from 0); 0 when there is none. */
static int EntryLine(const char* archive, unsigned long n, char* inner, char* real) {
    FILE* f = fopen(archive, "rb");
    char line[1024];
    unsigned long index = 0;
    int found = 0;
    if (f == NULL)
        return 0;
    if (fgets(line, sizeof line, f) == NULL || strncmp(line, "TARC", 4) != 0) {
        fclose(f);
        return 0;
    }
    while (!found && fgets(line, sizeof line, f) != NULL) {
        char* tab = strchr(line, '\t');
        size_t end = strcspn(line, "\r\n");
        line[end] = 0;
        if (tab == NULL)
            continue;
        if (index++ == n) {
            *tab = 0;
            lstrcpynA(inner, line, 200);
            lstrcpynA(real, tab + 1, MAX_PATH);
            found = 1;
        }
    }
    fclose(f);
    return found;
}

static unsigned long FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

SUSIE_EXPORT int WINAPI GetArchiveInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                       HLOCAL* lphInf) {
    char inner[200], real[MAX_PATH];
    unsigned long count = 0, i;
    am_record* records;
    (void)len;
#if defined(AM_FAULT)
    *(volatile int* volatile)NULL = 1;
#endif
    if ((flag & 7) != 0)
        return -1;
    while (EntryLine(buf, count, inner, real))
        ++count;
    *lphInf = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, (count + 1) * sizeof(am_record));
    if (*lphInf == NULL)
        return 4;
    records = (am_record*)*lphInf;
    for (i = 0; i < count; ++i) {
        char* slash;
        EntryLine(buf, i, inner, real);
        lstrcpynA((char*)records[i].method, strncmp(inner, "locked", 6) == 0 ? "encrypt" : "store",
                  sizeof records[i].method);
        records[i].position = i;
        records[i].filesize = records[i].compsize = FileSize(real);
        /* The folder part in path (with its backslash), the rest in filename. */
        slash = strrchr(inner, '\\');
        if (slash != NULL) {
            lstrcpynA(records[i].path, inner, (int)(slash - inner) + 2);
            lstrcpynA(records[i].filename, slash + 1, 200);
        } else {
            lstrcpynA(records[i].filename, inner, 200);
        }
    }
    return 0;
}

SUSIE_EXPORT int WINAPI GetFileInfo(LPCSTR buf, LONG_PTR len, LPCSTR filename, unsigned int flag,
                                    void* lpInfo) {
    (void)buf;
    (void)len;
    (void)filename;
    (void)flag;
    (void)lpInfo;
    return -1;
}

SUSIE_EXPORT int WINAPI GetFile(LPCSTR src, LONG_PTR len, LPSTR dest, unsigned int flag,
                                SUSIE_PROGRESS progress, LONG_PTR lData) {
    char inner[200], real[MAX_PATH];
    HANDLE file;
    DWORD size, got = 0;
    HLOCAL block;
    (void)progress;
    (void)lData;
    if ((flag & 7) != 0 || ((flag >> 8) & 7) != 1)
        return -1;
    if (!EntryLine(src, (unsigned long)len, inner, real))
        return 6;
    file = CreateFileA(real, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 6;
    size = GetFileSize(file, NULL);
    block = LocalAlloc(LMEM_FIXED, size ? size : 1);
    if (block == NULL || !ReadFile(file, block, size, &got, NULL) || got != size) {
        CloseHandle(file);
        LocalFree(block);
        return 6;
    }
    CloseHandle(file);
    *(HLOCAL*)dest = block;
    return 0;
}
