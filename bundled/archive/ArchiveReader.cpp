#include "bundled/archive/ArchiveReader.h"

#include "bundled/archive/portable/ArchiveRules.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include <archive.h>
#include <archive_entry.h>

namespace bundled::archive {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16");

// The file under the archive: read in blocks that start small after each seek and grow while
// the reading goes on. Listing a ZIP seeks from one local header to the next, and a small
// block then reads the header without the data behind it; unpacking reads on and gets large
// blocks. The callbacks run inside libarchive's C frames and throw nothing.
struct ArchiveReader::FileInput {
    static constexpr std::size_t SmallBlock = 4 * 1024;
    static constexpr std::size_t LargeBlock = 256 * 1024;

    HANDLE File = INVALID_HANDLE_VALUE;
    std::uint64_t Base = 0;     // where the archive starts in the file
    std::uint64_t Size = 0;     // of the file
    std::uint64_t Position = 0; // in the file
    std::size_t NextBlock = SmallBlock;
    bool Failed = false; // a read or seek of the file failed
    std::vector<std::uint8_t> Buffer = std::vector<std::uint8_t>(LargeBlock);

    ~FileInput() {
        if (File != INVALID_HANDLE_VALUE)
            CloseHandle(File);
    }

    bool MoveTo(std::uint64_t position) {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(position);
        if (!SetFilePointerEx(File, to, nullptr, FILE_BEGIN)) {
            Failed = true;
            return false;
        }
        Position = position;
        NextBlock = SmallBlock;
        return true;
    }

    static la_ssize_t Read(struct archive* a, void* data, const void** buffer) {
        auto* self = static_cast<FileInput*>(data);
        const std::uint64_t left = self->Size > self->Position ? self->Size - self->Position : 0;
        const auto want = static_cast<DWORD>(std::min<std::uint64_t>(self->NextBlock, left));
        DWORD got = 0;
        if (want > 0 && !ReadFile(self->File, self->Buffer.data(), want, &got, nullptr)) {
            self->Failed = true;
            archive_set_error(a, EIO, "The archive file could not be read");
            return ARCHIVE_FATAL;
        }
        self->Position += got;
        self->NextBlock = std::min(self->NextBlock * 2, LargeBlock);
        *buffer = self->Buffer.data();
        return static_cast<la_ssize_t>(got);
    }

    static la_int64_t Skip(struct archive*, void* data, la_int64_t request) {
        auto* self = static_cast<FileInput*>(data);
        const std::uint64_t left = self->Size > self->Position ? self->Size - self->Position : 0;
        const std::uint64_t step =
            request > 0 ? std::min(static_cast<std::uint64_t>(request), left) : 0;
        if (step == 0 || !self->MoveTo(self->Position + step))
            return 0;
        return static_cast<la_int64_t>(step);
    }

    static la_int64_t Seek(struct archive* a, void* data, la_int64_t offset, int whence) {
        auto* self = static_cast<FileInput*>(data);
        la_int64_t target = offset;
        switch (whence) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = static_cast<la_int64_t>(self->Position - self->Base) + offset;
            break;
        case SEEK_END:
            target = static_cast<la_int64_t>(self->Size - self->Base) + offset;
            break;
        default:
            return ARCHIVE_FATAL;
        }
        if (target < 0 || !self->MoveTo(self->Base + static_cast<std::uint64_t>(target))) {
            archive_set_error(a, EINVAL, "Seek outside the archive");
            return ARCHIVE_FATAL;
        }
        return target;
    }
};

void ArchiveReader::ArchiveFree::operator()(::archive* a) const noexcept {
    archive_read_free(a);
}

ArchiveReader::ArchiveReader() = default;
ArchiveReader::~ArchiveReader() {
    FArchive.reset(); // before the file it reads from
}

SusieResult ArchiveReader::Open(const ArchiveSource& source) {
    FArchive.reset(archive_read_new());
    ::archive* a = FArchive.get();
    if (!a)
        return SusieNoMemory;
    archive_read_support_format_zip(a); // by its central directory, or its local headers
    archive_read_support_format_7zip(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_lha(a);
    archive_read_support_format_tar(a);
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_lzma(a);
    archive_read_support_filter_zstd(a);
    // Names that do not say they are Unicode (ZIP without the UTF-8 flag, LZH, RAR 4 without
    // Unicode names) were written on Japanese Windows.
    for (const char* format : {"zip", "lha", "rar"})
        archive_read_set_format_option(a, format, "hdrcharset", "CP932");

    int opened = ARCHIVE_FATAL;
    if (!source.Path.empty()) {
        FFile = std::make_unique<FileInput>();
        FFile->File =
            CreateFileW(source.Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size{};
        if (FFile->File == INVALID_HANDLE_VALUE || !GetFileSizeEx(FFile->File, &size) ||
            static_cast<std::uint64_t>(size.QuadPart) < source.Offset)
            return SusieReadError;
        FFile->Size = static_cast<std::uint64_t>(size.QuadPart);
        FFile->Base = source.Offset;
        if (!FFile->MoveTo(source.Offset))
            return SusieReadError;
        archive_read_set_callback_data(a, FFile.get());
        archive_read_set_read_callback(a, &FileInput::Read);
        archive_read_set_skip_callback(a, &FileInput::Skip);
        archive_read_set_seek_callback(a, &FileInput::Seek);
        opened = archive_read_open1(a);
    } else {
        opened = archive_read_open_memory(a, source.Memory.data(), source.Memory.size());
    }
    if (opened == ARCHIVE_OK || opened == ARCHIVE_WARN)
        return SusieSuccess;
    if (FFile && FFile->Failed)
        return SusieReadError;
    return archive_errno(a) == ENOMEM ? SusieNoMemory : SusieUnknownFormat;
}

ArchiveReader::Step ArchiveReader::Next(EntryHeader& header) {
    ::archive* a = FArchive.get();
    // What is left of the entry before: skipped without being unpacked where the format
    // allows (a ZIP's next local header is sought), read through where it does not (a solid
    // 7z block, a ZIP written as a stream).
    if (FNextIndex > 0 && archive_read_data_skip(a) < ARCHIVE_WARN)
        return Step::Damaged;
    archive_entry* entry = nullptr;
    int r = ARCHIVE_RETRY;
    for (int tries = 0; r == ARCHIVE_RETRY && tries < 8; ++tries)
        r = archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF)
        return Step::End;
    // ARCHIVE_FAILED too: this header is spoiled, and whatever follows is not to be trusted.
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN)
        return Step::Damaged;

    header = EntryHeader();
    header.Index = FNextIndex++;
    if (const wchar_t* wide = archive_entry_pathname_w(entry)) {
        header.InnerPath.assign(reinterpret_cast<const char16_t*>(wide));
    } else if (const char* bytes = archive_entry_pathname(entry)) {
        // Not convertible from what the archive says its code page is: taken as the system's.
        const int n = MultiByteToWideChar(CP_ACP, 0, bytes, -1, nullptr, 0);
        if (n > 1) {
            std::wstring wide(static_cast<std::size_t>(n), L'\0');
            MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide.data(), n);
            wide.resize(static_cast<std::size_t>(n - 1));
            header.InnerPath.assign(wide.begin(), wide.end());
        }
    }
    header.Regular = archive_entry_filetype(entry) == AE_IFREG && !archive_entry_hardlink(entry);
    header.Encrypted = archive_entry_is_encrypted(entry) != 0;
    header.SizeKnown = archive_entry_size_is_set(entry) != 0;
    header.Size = header.SizeKnown && archive_entry_size(entry) > 0
                      ? static_cast<std::uint64_t>(archive_entry_size(entry))
                      : 0;
    header.WriteTime = archive_entry_mtime_is_set(entry) ? archive_entry_mtime(entry) : 0;
    const char* format = archive_format_name(a);
    const char* filter = archive_filter_name(a, 0);
    header.Method = MethodName(format ? format : "", filter ? filter : "", header.Encrypted);
    return Step::Entry;
}

SusieResult ArchiveReader::ReadData(const EntryHeader& header, const ReadSink& sink,
                                    const ReadProgress& progress) {
    ::archive* a = FArchive.get();
    std::vector<std::uint8_t> chunk(256 * 1024);
    std::uint64_t done = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(a, chunk.data(), chunk.size());
        if (n == 0)
            return SusieSuccess;
        if (n < 0)
            return archive_errno(a) == ENOMEM ? SusieNoMemory : SusieBrokenData;
        done += static_cast<std::uint64_t>(n);
        if (header.SizeKnown && done > header.Size)
            return SusieBrokenData;
        if (!WithinEntryLimit(done))
            return SusieNoMemory;
        if (!sink({chunk.data(), static_cast<std::size_t>(n)}))
            return SusieNoMemory;
        if (progress && !progress(done))
            return SusieAborted;
    }
}

std::string LibraryVersions() {
    const char* details = archive_version_details();
    return details ? details : ARCHIVE_VERSION_ONLY_STRING;
}

} // namespace bundled::archive
