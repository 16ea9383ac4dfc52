// Archives as places of pictures: which archive module reads an archive, its entries, and the
// bytes of one entry.
//
// The archive modules are the collection's, asked in the order import modules are (those that
// declare the archive's extension first). Where they run is chosen once, at construction: a
// 32-bit module of the 64-bit program in a 32-bit host of the reader's own, the others in a
// host of the reader's own when isolate is set, else in this process. A module that faults or
// hangs there costs that archive (the next module is asked), never the program.
//
// Threads: any; calls are made one at a time. An archive's list is read once and kept while
// the archive's size and write time stay as they were (the lists of the KeptLists archives used
// last; the search reads many more).
#pragma once

#include "framework/ByteBuffer.h"
#include "framework/Exceptions.h"
#include "framework/win32/Picture.h"
#include "imaging/portable/PictureLocation.h"
#include "plugins/ArchiveCalls.h"
#include "plugins/SPIs.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tovane {

class TPluginHost;

// An entry could not be read; the message (UTF-8) names the entry and says why.
class EArchiveEntry : public Exception {
public:
    using Exception::Exception;
};

// What an entry that only a password opens is reported as.
inline constexpr const char* ArchiveEntryEncrypted = "パスワードで保護されています";

class TArchiveReader {
public:
    TArchiveReader(const TSPIs& spis, bool isolate);
    ~TArchiveReader();
    TArchiveReader(const TArchiveReader&) = delete;
    TArchiveReader& operator=(const TArchiveReader&) = delete;

    // Whether the name ends in an extension that an archive module declares (nothing is read).
    bool IsArchiveName(const std::wstring& path) const;
    // The same, and the path names a file (not a folder).
    bool IsArchiveFile(const std::wstring& path) const;
    // The archive modules' extensions (ANSI, without the dot), in the order they declare them.
    const std::vector<std::string>& Extensions() const { return FAnsiExtensions; }

    // The archive's file entries in the module's order; nothing when no module lists it (not an
    // archive, unreadable, or every module that took it failed).
    std::optional<std::vector<TArchiveEntry>> Entries(const std::wstring& archive);
    // The bytes of the entry whose inner path is name; raises EArchiveEntry when it cannot be
    // read (gone, damaged, protected by a password, too large, the module faulted).
    TByteBuffer Read(const std::wstring& archive, const std::wstring& name);

    // The reports (UTF-8) of modules that faulted or hung, each handed out once.
    std::vector<std::string> TakeReports();

private:
    struct TStamp {
        std::uint64_t Size = 0;
        std::uint64_t WriteTime = 0;
        bool operator==(const TStamp&) const = default;
    };
    struct TListed {
        const TAmSPI* Module = nullptr;
        TStamp Stamp;
        std::vector<TArchiveEntry> Entries;
        std::uint64_t LastUse = 0;
    };
    static constexpr std::size_t KeptLists = 64;
    // Where the module's calls go: a host, or null for this process.
    TPluginHost* HostFor(const TAmSPI& spi) const;
    const TListed* Listed(const std::wstring& archive); // under the lock
    std::optional<TArchiveListing> TryList(const TAmSPI& spi, const std::wstring& archive,
                                           const std::string& ansiName, const void* header);
    void NoteFault(const std::string& modulePath, const std::wstring& archive, int kind,
                   bool nowSkipped);

    const TSPIs& FSpis;
    std::vector<std::wstring> FExtensions; // lower case, without the dot ("zip", "tar.gz")
    std::vector<std::string> FAnsiExtensions;
    std::unique_ptr<TPluginHost> FHost;
    std::unique_ptr<TPluginHost> FHost32;
    std::mutex FLock;
    std::map<std::wstring, TListed> FListed; // by the archive's path, lower case
    std::uint64_t FUses = 0;
    std::vector<std::string> FReports;
};

// Loads the picture at location into picture: a file by the class its extension is registered
// for, an archive's entry by unpacking it with archives and decoding its bytes as a file of its
// name (without archives, an entry raises EArchiveEntry).
void LoadPictureAt(TPicture& picture, const TPictureLocation& location, TArchiveReader* archives);

} // namespace tovane
