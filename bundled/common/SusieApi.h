// The Susie import plug-in interface ("00IN") as the bundled plug-ins export it. Declared here,
// not taken from the program: the plug-ins are separate modules that any host may load.
#pragma once

#include <windows.h>

#include <cstddef>

namespace bundled {

// Results of the decoding exports, as the Susie API numbers them.
enum SusieResult : int {
    SusieNotImplemented = -1,
    SusieSuccess = 0,
    SusieAborted = 1,       // the progress callback asked to stop
    SusieUnknownFormat = 2, // not a picture this plug-in knows
    SusieBrokenData = 3,    // truncated or corrupt picture
    SusieNoMemory = 4,      // the picture would not fit in memory, or is too large to accept
    SusieReadError = 6,     // the file could not be opened or read
    SusieInternalError = 8,
};

// Source kinds in the low bits of the flag argument.
constexpr unsigned SusieSourceMask = 7;
constexpr unsigned SusieSourceFile = 0;
constexpr unsigned SusieSourceMemory = 1;

// The published record: packed in 32-bit modules (26 bytes); 64-bit modules keep the natural
// alignment, which puts the text handle at offset 24 in 32 bytes.
#ifdef _WIN64
#pragma pack(push, 8)
#else
#pragma pack(push, 1)
#endif
struct SusiePictureInfo {
    long left, top;
    long width, height;
    WORD x_density, y_density;
    short colorDepth;
    HLOCAL hInfo;
};
#pragma pack(pop)
#ifdef _WIN64
static_assert(sizeof(SusiePictureInfo) == 32 && offsetof(SusiePictureInfo, hInfo) == 24);
#else
static_assert(sizeof(SusiePictureInfo) == 26 && offsetof(SusiePictureInfo, hInfo) == 22);
#endif

using SusieProgressCallback = int(WINAPI*)(int done, int total, LONG_PTR userData);

} // namespace bundled

// The exports. Each module links exactly one definition of these, in SusieExports.cpp.
extern "C" {
__declspec(dllexport) int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen);
__declspec(dllexport) int WINAPI IsSupported(LPCSTR filename, void* dw);
__declspec(dllexport) int WINAPI
    GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, bundled::SusiePictureInfo* lpInfo);
__declspec(dllexport) int WINAPI
    GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
               bundled::SusieProgressCallback lpPrgressCallback, LONG_PTR lData);
__declspec(dllexport) int WINAPI ConfigurationDlg(HWND parent, int fnc);
}
