// What an archive module ("00AM") says of its entries, read from the bytes it handed over, and
// the rules the program applies to them.
//
// GetArchiveInfo hands over a block of local memory holding an array of records ended by one
// whose method starts with a zero byte. A 32-bit module packs the record (428 bytes); a 64-bit
// module aligns it to 8 bytes (448 bytes, its positions and sizes 64-bit). The wide exports
// (GetArchiveInfoW) use the same record with the two names as 200 UTF-16 units each (828 and
// 848 bytes). Nothing past the block is read, whatever the records claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tovane {

struct TArchiveRecord {
    std::string Method; // up to 8 bytes, as the module wrote it
    std::uint64_t Position = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t Size = 0;
    std::int64_t Timestamp = 0;
    // The entry's folder and name, ANSI bytes (narrow records) or UTF-16 (wide ones); the
    // other pair stays empty.
    std::string Path, FileName;
    std::u16string WidePath, WideFileName;
};

// The size of one record from a module of the bitness given (32 or 64).
std::size_t ArchiveRecordSize(int moduleBits, bool wide);

// The records in block, up to the ending one (or as many whole records as the block holds).
std::vector<TArchiveRecord> ReadArchiveRecords(std::span<const std::uint8_t> block, int moduleBits,
                                               bool wide);

// What the method of an entry that only a password opens is, as the bundled archive module
// writes it.
inline constexpr const char* EncryptedMethod = "encrypt";

// The entry's path inside the archive from its folder and name: separators made backslashes,
// one between the folder and the name, none leading. Works on ANSI bytes (a trail byte of the
// code page may equal '\\' or '/': isLeadByte tells them apart) or UTF-16.
std::string JoinEntryPath(const std::string& folder, const std::string& name,
                          bool (*isLeadByte)(unsigned char));
std::u16string JoinEntryPath(const std::u16string& folder, const std::u16string& name);

} // namespace tovane
