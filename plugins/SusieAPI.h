// The binary contract with Susie plug-in modules: the types of their exports and of the records
// they fill. Exports are __stdcall (WINAPI) in the 32-bit build; on x64 there is one calling
// convention, so the checks below only bite in the 32-bit build, where they must.
//
// Integer widths follow the published headers of both builds: the length and user-data
// arguments are LONG_PTR (32 bits in the 32-bit build, 64 bits in the 64-bit one).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tovane {

// The length argument of the reading exports: with flag 0 the offset of the picture data in the
// file, with flag 1 the number of bytes at the source address.
using SusieLength = LONG_PTR;
// The caller's value handed back to the progress callback.
using SusieUserData = LONG_PTR;

// Progress callback: (current, total, user value) -> 0 to go on, nonzero to ask the plug-in to
// stop. Called synchronously from inside GetPicture/GetPreview on the caller's thread.
using SusieProgressCallback = int(WINAPI*)(int nNum, int nDenom, SusieUserData lData);

// The picture-information record that GetPictureInfo fills. In the 32-bit build it is the
// published 26-byte packed record. In the 64-bit build the published convention is the natural
// layout (32 bytes, hInfo at offset 24); TInSPI::GetPictureInfo also understands modules that
// write the packed layout (hInfo at offset 22) and always hands back this record.
#if !defined(_WIN64)
#pragma pack(push, 1)
#endif
struct PictureInfo {
    std::int32_t left; // position of the image
    std::int32_t top;
    std::int32_t width; // size in pixels
    std::int32_t height;
    std::uint16_t x_density; // pixel density
    std::uint16_t y_density;
    std::int16_t colorDepth; // bits per pixel
    HLOCAL hInfo;            // plug-in's text information (local memory), null = none
};
#if !defined(_WIN64)
#pragma pack(pop)
static_assert(sizeof(PictureInfo) == 26, "32-bit PictureInfo is the packed 26-byte record");
static_assert(offsetof(PictureInfo, hInfo) == 22);
#else
static_assert(sizeof(PictureInfo) == 32, "64-bit PictureInfo is the natural 32-byte record");
static_assert(offsetof(PictureInfo, hInfo) == 24);
#endif
static_assert(offsetof(PictureInfo, colorDepth) == 20);

// The exports, as the host calls them.
using GetPluginInfoFunc = int(WINAPI*)(int infono, LPSTR buf, int buflen);
// The second argument is the address of the data's first 2048 bytes (never a file handle).
using IsSupportedFunc = int(WINAPI*)(LPCSTR filename, void* dw);
using GetPictureInfoFunc = int(WINAPI*)(LPCSTR buf, SusieLength len, unsigned int flag,
                                        PictureInfo* lpInfo);
using GetPictureFunc = int(WINAPI*)(LPCSTR buf, SusieLength len, unsigned int flag, HLOCAL* pHBInfo,
                                    HLOCAL* pHBm, SusieProgressCallback lpPrgressCallback,
                                    SusieUserData lData);
using GetPreviewFunc = GetPictureFunc;
using ConfigurationDlgFunc = int(WINAPI*)(HWND parent, int fnc);
// Archive exports. GetArchiveInfo hands over a block of entry records (plugins/portable/
// ArchiveRecords.h reads them); GetFileInfo's record argument is left opaque (never called).
// GetFile's flag carries the source kind in its low bits and the destination kind in bits 8 to
// 10: 0 = dest is a folder path, 1 = dest is an HLOCAL* that receives the entry's bytes.
inline constexpr unsigned int SusieDestinationMemory = 0x100;
using GetArchiveInfoFunc = int(WINAPI*)(LPCSTR buf, SusieLength len, unsigned int flag,
                                        HLOCAL* lphInf);
using GetFileInfoFunc = int(WINAPI*)(LPCSTR buf, SusieLength len, LPCSTR filename,
                                     unsigned int flag, void* lpInfo);
using GetFileFunc = int(WINAPI*)(LPCSTR src, SusieLength len, LPSTR dest, unsigned int flag,
                                 SusieProgressCallback prgressCallback, SusieUserData lData);

// The record of an archive entry that archive modules ("00AM") hand out: an array of them from
// GetArchiveInfo (ended by a record whose method[0] is 0), one from GetFileInfo. 32-bit: packed,
// 428 bytes (ULONG_PTR and time_t of 4 bytes); 64-bit: natural alignment, 448 bytes. The wide
// record of the W exports holds WCHAR[200] names (828 and 848 bytes). bundled/common/
// SusieArchiveApi.h defines the same layouts for the bundled archive module.
#if !defined(_WIN64)
#pragma pack(push, 1)
#endif
template <typename Char> struct ArchiveEntryInfo {
    unsigned char method[8]; // "store", "deflate", ...; "encrypt": needs a password
    ULONG_PTR position;      // handed back to GetFile as its length argument
    ULONG_PTR compsize;
    ULONG_PTR filesize;
    std::conditional_t<sizeof(void*) == 8, std::int64_t, std::int32_t> timestamp; // time_t
    Char path[200];     // the entry's folder inside the archive, with a trailing '\'
    Char filename[200]; // the entry's own name
    std::uint32_t crc;
};
#if !defined(_WIN64)
#pragma pack(pop)
#endif
using ArchiveFileInfo = ArchiveEntryInfo<char>;
using ArchiveFileInfoW = ArchiveEntryInfo<WCHAR>;
#if !defined(_WIN64)
static_assert(sizeof(ArchiveFileInfo) == 428 && offsetof(ArchiveFileInfo, path) == 24);
static_assert(offsetof(ArchiveFileInfo, crc) == 424 && sizeof(ArchiveFileInfoW) == 828);
#else
static_assert(sizeof(ArchiveFileInfo) == 448 && offsetof(ArchiveFileInfo, path) == 40);
static_assert(offsetof(ArchiveFileInfo, crc) == 440 && sizeof(ArchiveFileInfoW) == 848);
#endif

// The wide archive exports, where a module has them: UTF-16 paths and names.
using GetArchiveInfoWFunc = int(WINAPI*)(LPCWSTR buf, SusieLength len, unsigned int flag,
                                         HLOCAL* lphInf);
using GetFileInfoWFunc = int(WINAPI*)(LPCWSTR buf, SusieLength len, LPCWSTR filename,
                                      unsigned int flag, ArchiveFileInfoW* lpInfo);
using GetFileWFunc = int(WINAPI*)(LPCWSTR src, SusieLength len, LPWSTR dest, unsigned int flag,
                                  SusieProgressCallback prgressCallback, SusieUserData lData);

#if !defined(_WIN64)
// In the 32-bit build a cdecl pointer is a different type; make sure every export type is the
// stdcall one, so a slip in a declaration cannot corrupt the stack at run time.
namespace susie_abi_check {
using CdeclInfo = int(__cdecl*)(int, LPSTR, int);
using StdcallInfo = int(__stdcall*)(int, LPSTR, int);
static_assert(!std::is_same_v<CdeclInfo, StdcallInfo>, "the compiler tells conventions apart");
static_assert(std::is_same_v<GetPluginInfoFunc, StdcallInfo>);
static_assert(std::is_same_v<IsSupportedFunc, int(__stdcall*)(LPCSTR, void*)>);
static_assert(
    std::is_same_v<GetPictureInfoFunc, int(__stdcall*)(LPCSTR, long, unsigned int, PictureInfo*)>);
static_assert(std::is_same_v<SusieProgressCallback, int(__stdcall*)(int, int, long)>);
static_assert(
    std::is_same_v<GetPictureFunc, int(__stdcall*)(LPCSTR, long, unsigned int, HLOCAL*, HLOCAL*,
                                                   SusieProgressCallback, long)>);
static_assert(std::is_same_v<ConfigurationDlgFunc, int(__stdcall*)(HWND, int)>);
static_assert(
    std::is_same_v<GetArchiveInfoFunc, int(__stdcall*)(LPCSTR, long, unsigned int, HLOCAL*)>);
static_assert(
    std::is_same_v<GetFileInfoFunc, int(__stdcall*)(LPCSTR, long, LPCSTR, unsigned int, void*)>);
static_assert(std::is_same_v<GetFileFunc, int(__stdcall*)(LPCSTR, long, LPSTR, unsigned int,
                                                          SusieProgressCallback, long)>);
static_assert(
    std::is_same_v<GetArchiveInfoWFunc, int(__stdcall*)(LPCWSTR, long, unsigned int, HLOCAL*)>);
static_assert(std::is_same_v<GetFileInfoWFunc, int(__stdcall*)(LPCWSTR, long, LPCWSTR, unsigned int,
                                                               ArchiveFileInfoW*)>);
static_assert(std::is_same_v<GetFileWFunc, int(__stdcall*)(LPCWSTR, long, LPWSTR, unsigned int,
                                                           SusieProgressCallback, long)>);
} // namespace susie_abi_check
#endif

} // namespace tovane
