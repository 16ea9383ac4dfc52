// An archive module's two calls as the program uses them: the list of an archive's entries and
// the bytes of one entry, in this process. The decoding host makes the same calls through these
// functions, so both sides follow one set of rules.
//
// The archive is named by its full path. A module with the wide calls is given it as it is;
// otherwise the path in the code page, else its short form; an archive reachable by neither is
// read and handed over in memory for its list (its entries cannot be unpacked then: GetFile has
// no memory form that names an entry).
#pragma once

#include <windows.h>

#include "framework/win32/Handles.h"
#include "plugins/SPIs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovane {

struct TArchiveEntry {
    std::wstring Name;          // the path inside the archive, backslashes between its parts
    std::uint64_t Position = 0; // what the module takes back to unpack it
    std::uint64_t Size = 0;     // as the module states it (0: not stated)
    bool Encrypted = false;     // only a password opens it
};

struct TArchiveListing {
    int Value = 0; // the module's result; the entries are set only on 0
    std::vector<TArchiveEntry> Entries;
};

// The archive's file entries (folders left out) in the module's order.
TArchiveListing ListArchiveEntries(const TAmSPI& spi, const std::wstring& archive);

// Result values of ReadArchiveEntry besides the module's own.
inline constexpr int ArchiveEntryTooLarge = 4;   // its size passes the picture size limit
inline constexpr int ArchiveNameUnreachable = 6; // the module cannot be given the archive's name

struct TEntryBytes {
    int Value = 0;     // the module's result, or one of the above
    UniqueLocal Block; // on 0: the entry's bytes
    std::size_t Size = 0;
};

// Unpacks the entry into local memory. An entry whose stated size, or the block the module
// hands over, passes MaxPictureBytes is refused.
TEntryBytes ReadArchiveEntry(const TAmSPI& spi, const std::wstring& archive,
                             const TArchiveEntry& entry);

} // namespace tovane
