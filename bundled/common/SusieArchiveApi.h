// The record of the Susie archive interface ("00AM") that GetArchiveInfo hands out in an array and
// GetFileInfo fills: one per entry of an archive. Fixed-width types, no <windows.h>, so that
// modules, the program and native tests share one definition of the layouts:
//   32-bit: packed (pack 1), 428 bytes; ULONG_PTR and time_t are 4 bytes each.
//   64-bit: natural alignment, 448 bytes (4 bytes of padding after crc); time_t is 8 bytes.
// The wide record (fileInfoW) is the same with WCHAR[200] path and file name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace susie {

inline constexpr bool Records64 = sizeof(void*) == 8;

// ULONG_PTR and time_t of the module's bitness.
using RecordSize = std::uintptr_t;
using RecordTime = std::conditional_t<Records64, std::int64_t, std::int32_t>;

inline constexpr std::size_t RecordNameChars = 200;
inline constexpr std::size_t RecordMethodBytes = 8;

#if !defined(_WIN64) && !defined(__LP64__)
#pragma pack(push, 1)
#endif
template <typename Char> struct BasicFileInfo {
    // A short name of how the entry is stored ("store", "deflate", ...), NUL-padded; "encrypt"
    // for an entry that cannot be read without a password. A record whose method[0] is 0 ends
    // GetArchiveInfo's array.
    std::uint8_t method[RecordMethodBytes];
    RecordSize position;            // the entry's index in the archive's own order, for GetFile
    RecordSize compsize;            // stored size; 0 where the archive does not tell
    RecordSize filesize;            // size unpacked
    RecordTime timestamp;           // last write, seconds since 1970 (UTC)
    Char path[RecordNameChars];     // the entry's folder inside the archive, "a\b\"; "" at the root
    Char filename[RecordNameChars]; // the entry's own name
    std::uint32_t crc;              // 0 where the archive does not tell
};
#if !defined(_WIN64) && !defined(__LP64__)
#pragma pack(pop)
#endif

using FileInfo = BasicFileInfo<char>;
using FileInfoW = BasicFileInfo<char16_t>;

static_assert(offsetof(FileInfo, position) == 8);
#if defined(_WIN64) || defined(__LP64__)
static_assert(sizeof(FileInfo) == 448);
static_assert(offsetof(FileInfo, compsize) == 16 && offsetof(FileInfo, filesize) == 24);
static_assert(offsetof(FileInfo, timestamp) == 32 && offsetof(FileInfo, path) == 40);
static_assert(offsetof(FileInfo, filename) == 240 && offsetof(FileInfo, crc) == 440);
static_assert(sizeof(FileInfoW) == 848);
static_assert(offsetof(FileInfoW, filename) == 440 && offsetof(FileInfoW, crc) == 840);
#else
static_assert(sizeof(FileInfo) == 428);
static_assert(offsetof(FileInfo, compsize) == 12 && offsetof(FileInfo, filesize) == 16);
static_assert(offsetof(FileInfo, timestamp) == 20 && offsetof(FileInfo, path) == 24);
static_assert(offsetof(FileInfo, filename) == 224 && offsetof(FileInfo, crc) == 424);
static_assert(sizeof(FileInfoW) == 828);
static_assert(offsetof(FileInfoW, filename) == 424 && offsetof(FileInfoW, crc) == 824);
#endif

// GetFile's flag: the source kind in bits 0-2 (as for the other exports), the destination
// kind in bits 8-10.
inline constexpr unsigned DestinationShift = 8;
inline constexpr unsigned DestinationMask = 7;
inline constexpr unsigned DestinationFolder =
    0; // dest is a folder path: the entry is written there
inline constexpr unsigned DestinationMemory = 1; // dest is an HLOCAL* that receives the bytes
// GetFileInfo's flag: compare the names without case.
inline constexpr unsigned IgnoreCase = 0x80;

} // namespace susie
