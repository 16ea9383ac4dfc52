// An archive read through libarchive, entry by entry, in the archive's own order: from a file
// (by its UTF-16 path, from a byte offset on, with seeking, so that a ZIP's central directory is
// read rather than the whole file) or from memory. One reader per call of an export; not shared
// between threads.
#pragma once

#include "bundled/common/SusieApi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

struct archive;

namespace bundled::archive {

struct ArchiveSource {
    std::wstring Path;                    // a file when not empty ...
    std::uint64_t Offset = 0;             // ... where the archive starts in it
    std::span<const std::uint8_t> Memory; // else the archive in memory
};

// What an entry's header says.
struct EntryHeader {
    std::size_t Index = 0;    // among all entries, folders and links included
    std::u16string InnerPath; // as the archive names it, in UTF-16
    bool Regular = false;     // a file with data of its own (not a folder, link or device)
    bool Encrypted = false;
    bool SizeKnown = false;
    std::uint64_t Size = 0;
    std::int64_t WriteTime = 0; // seconds since 1970, 0 when not stored
    std::string Method;         // the record's method name
};

// Told each chunk read: the bytes so far. False stops.
using ReadProgress = std::function<bool(std::uint64_t done)>;
// Takes each chunk of an entry's data. False stops (the sink ran out of memory).
using ReadSink = std::function<bool(std::span<const std::uint8_t> chunk)>;

class ArchiveReader {
public:
    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // SusieSuccess; SusieReadError when the file cannot be opened, SusieUnknownFormat when the
    // data is no archive this module reads, SusieNoMemory.
    SusieResult Open(const ArchiveSource& source);

    enum class Step { Entry, End, Damaged };
    // The next entry's header; Damaged when the archive cannot be read on from here. The data
    // of the entry before, if not read, is skipped (archive_read_data_skip).
    Step Next(EntryHeader& header);

    // The current entry's data (header is what Next said of it), in chunks, to the sink:
    // SusieSuccess; SusieNoMemory when the entry turns out larger than the picture limit
    // (reading stops there) or the sink refuses; SusieAborted when progress says stop;
    // SusieBrokenData when the data is damaged, and as soon as it runs past the size its header
    // states (an entry that says 1 KB and unpacks to a gigabyte is not unpacked up to the limit).
    SusieResult ReadData(const EntryHeader& header, const ReadSink& sink,
                         const ReadProgress& progress);

private:
    struct FileInput;
    struct ArchiveFree {
        void operator()(::archive* a) const noexcept;
    };
    std::unique_ptr<::archive, ArchiveFree> FArchive;
    std::unique_ptr<FileInput> FFile;
    std::size_t FNextIndex = 0;
};

// The module's description: the libraries it is built with.
std::string LibraryVersions();

} // namespace bundled::archive
