/* Test import modules that fault, for the decoding host. One source, one behaviour per module,
 * chosen by a FAULT_* definition. Each accepts anything and declares "*.flt":
 *   FAULT_AV       GetPicture writes through a null pointer (access violation)
 *   FAULT_STACK    GetPicture recurses until the stack overflows
 *   FAULT_ABORT    GetPicture calls abort()
 *   FAULT_HANG     GetPicture loops forever without calling the progress callback
 *   FAULT_SECOND   GetPicture delivers a 1x1 picture on the first call of the process, and
 *                  writes through a null pointer on the second
 *   FAULT_DLLMAIN  ends the process from DllMain when loaded (abort(); a fault there is caught
 *                  by this Wine's loader, which then only fails the load)
 *   FAULT_INFO     faults in GetPluginInfo for index 1 (the description)
 *   FAULT_LATE     GetPicture delivers a 1x1 picture and leaves a thread behind that writes
 *                  through a null pointer 200 ms later
 *   FAULT_NOHOST   refuses to load (DllMain answers FALSE) in the decoding host, as a module
 *                  needing something only the program has would
 *   FAULT_BUSY     GetPicture keeps the processor busy, without a progress call, for as many
 *                  milliseconds as the file's first bytes say, then delivers a 1x1 picture
 *   FAULT_CHECK    IsSupported writes through a null pointer on the second call of the process
 *                  and accepts otherwise; GetPicture fails (2), as a module that crashes now and
 *                  then on files that are not its own
 */
#include "SusieTestPlugin.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

static volatile int* volatile nowhere = NULL;

__attribute__((unused)) static void WriteNowhere(void) {
    *nowhere = 1;
}

#if defined(FAULT_STACK)
#pragma GCC diagnostic ignored "-Winfinite-recursion"
static int Recurse(volatile char* previous) {
    volatile char frame[4096];
    frame[0] = previous ? previous[0] : 1;
    return Recurse(frame) + frame[100];
}
#endif

#if defined(FAULT_DLLMAIN)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        abort();
    return TRUE;
}
#endif

#if defined(FAULT_NOHOST)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    char exe[MAX_PATH];
    DWORD n;
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    n = GetModuleFileNameA(NULL, exe, MAX_PATH);
    return !(n >= 15 && lstrcmpiA(exe + n - 15, "tovane-host.exe") == 0 &&
             (n == 15 || exe[n - 16] == '\\'));
}
#endif

#if defined(FAULT_LATE)
static DWORD WINAPI FaultLater(LPVOID unused) {
    (void)unused;
    Sleep(200);
    WriteNowhere();
    return 0;
}
#endif

#if defined(FAULT_SECOND) || defined(FAULT_LATE) || defined(FAULT_NOHOST) || defined(FAULT_BUSY)
static HLOCAL ZeroedBlock(SIZE_T size) {
    return LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, size);
}
#endif

static const char* const info_table[] = {"00IN", "fault test", "*.flt", "Fault test"};

SUSIE_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
#if defined(FAULT_INFO)
    if (infono == 1)
        WriteNowhere();
#endif
    return susie_info_from_table(info_table, 4, infono, buf, buflen);
}

SUSIE_EXPORT int WINAPI IsSupported(LPCSTR filename, void* dw) {
    (void)filename;
    (void)dw;
#if defined(FAULT_CHECK)
    {
        static int calls = 0;
        if (++calls == 2)
            WriteNowhere();
    }
#endif
    return 1;
}

SUSIE_EXPORT int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, void* info) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)info;
    return 0;
}

SUSIE_EXPORT int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* info,
                                   HLOCAL* bits, SUSIE_PROGRESS progress, LONG_PTR lData) {
    (void)buf;
    (void)len;
    (void)flag;
    (void)progress;
    (void)lData;
    *info = NULL;
    *bits = NULL;
#if defined(FAULT_AV)
    WriteNowhere();
#elif defined(FAULT_STACK)
    return Recurse(NULL);
#elif defined(FAULT_ABORT)
    abort();
#elif defined(FAULT_HANG)
    for (;;)
        Sleep(50);
#elif defined(FAULT_LATE)
    {
        HANDLE thread = CreateThread(NULL, 0, FaultLater, NULL, 0, NULL);
        if (thread)
            CloseHandle(thread);
        return susie_one_pixel(ZeroedBlock, 0, 0, 255, info, bits);
    }
#elif defined(FAULT_NOHOST)
    return susie_one_pixel(ZeroedBlock, 0, 0, 255, info, bits);
#elif defined(FAULT_BUSY)
    {
        char text[16] = {0};
        DWORD got = 0, start;
        volatile unsigned spin = 0;
        HANDLE f = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (f != INVALID_HANDLE_VALUE) {
            ReadFile(f, text, sizeof text - 1, &got, NULL);
            CloseHandle(f);
        }
        start = GetTickCount();
        while (GetTickCount() - start < (DWORD)atoi(text))
            ++spin;
        return susie_one_pixel(ZeroedBlock, 0, 0, 255, info, bits);
    }
#elif defined(FAULT_SECOND)
    {
        static int calls = 0;
        if (++calls == 2)
            WriteNowhere();
        return susie_one_pixel(ZeroedBlock, 0, 0, 255, info, bits); /* red */
    }
#endif
    return 2;
}
