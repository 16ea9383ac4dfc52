// The archive module's rules that need no archive library and no <windows.h>: which archives it
// claims from their first bytes, the short method name of an entry, how an entry's inner path
// becomes the record's folder and name, which file name an entry may be written under, and how
// names are cut to the record's fields. Tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace bundled::archive {

enum class ArchiveKind { None, Zip, SevenZip, Rar, Lzh, Tar, CompressedTar };

// The archive the data starts with, by its signature. A tar inside gzip, bzip2, xz or zstd is
// claimed only when fileName also ends in a compressed-tar extension (".tar.gz", ".tgz", ...):
// the signature alone says only that the data is compressed, not that it is a tar.
ArchiveKind SniffArchive(std::span<const std::uint8_t> head, std::string_view fileName);

// The record's method (at most 7 characters) for an entry of an archive whose reader names its
// format formatName (libarchive's archive_format_name, per entry for ZIP and LZH) and whose
// outer compression is filterName (libarchive's archive_filter_name: "none", "gzip", ...).
// "encrypt" for an entry that cannot be read without a password.
std::string MethodName(std::string_view formatName, std::string_view filterName, bool encrypted);

// An inner path as the record holds it: '/' turned into '\', leading separators and "./"
// dropped; Folder ends with '\' unless it is empty (the root).
struct RecordName {
    std::u16string Folder;
    std::u16string Name;
};
RecordName SplitInnerPath(std::u16string_view innerPath);
// The inner path as names are compared: Folder + Name of SplitInnerPath.
std::u16string NormalisedInnerPath(std::u16string_view innerPath);

// The name under which an entry whose record name is name may be written into a folder: the
// name itself where Windows takes it as a plain file name in that folder; characters Windows
// does not allow in names become '_', trailing dots and spaces are dropped, and a device name
// ("CON", "nul.txt", "COM1") gets a leading '_'. Empty when nothing usable is left (".", "..").
std::u16string SafeFileName(std::u16string_view name);

// How many bytes of text fit into a field of capacity bytes with its terminating NUL, without
// cutting a double-byte character (isLeadByte tells the code page's lead bytes).
std::size_t AnsiFit(std::string_view text, std::size_t capacity, bool (*isLeadByte)(unsigned char));
// The same for UTF-16, without cutting a surrogate pair.
std::size_t Utf16Fit(std::u16string_view text, std::size_t capacity);

// Whether an entry of that many bytes unpacked may be read: the viewer's picture limit.
bool WithinEntryLimit(std::uint64_t bytes);

} // namespace bundled::archive
