// Rules of the decoding job and the plug-in graphic classes that need no Windows: the progress
// percentage reported for a plug-in's progress call, which source offsets a memory source can
// offer a plug-in, and the extension tests that steer the order of readers and plug-ins.
#pragma once

#include "framework/Strings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tovane {

// number * numerator / denominator rounded to the nearest integer, halves away from zero, as
// the Win32 MulDiv computes it: -1 for a zero denominator or a result outside the 32-bit range.
int MulDivRounded(int number, int numerator, int denominator);

// The percentage shown for a plug-in's progress call (numerator of denominator done):
// MulDiv(numerator, 97, denominator) + 2, truncated to a byte. 2 at the start, 99 at the end,
// 1 for a zero denominator or an overflow.
std::uint8_t PluginProgressPercent(int numerator, int denominator);

// Whether a memory source of sourceSize bytes can be offered to a plug-in at the given skip
// offset. The first offset (0) is always offered, as a file would be; a later one only when
// data lies past it, so that a plug-in is never handed an address beyond the source nor a
// negative or zero length.
bool MemorySourceReachesOffset(std::int64_t sourceSize, int offset);

// The length handed to a plug-in for a memory source read from the offset: the bytes that
// remain, limited to what the 32-bit length argument can carry.
std::int32_t MemorySourceLength(std::int64_t sourceSize, int offset);

// The extension by which plug-ins are ordered for a source name: from the last "." of its
// final path component to the end, dot included; empty when there is none.
std::string LoaderExtension(std::string_view fileName, LeadByteRule lead);

// True when a name's extension is ".BMP" in any letter case: the plain bitmap reader then goes
// before the plug-ins.
bool IsBitmapFirst(std::string_view fileName, LeadByteRule lead);

// How a file reaches the plug-ins, whose calls take ANSI paths: by a path in the code page, or
// by its bytes in memory (flag 1).
struct PluginFileForm {
    bool InMemory = false;
    std::string Path; // ANSI; empty when InMemory
};
// The name in the code page without any substitute, or nothing when a character has no code.
using ExactAnsiConversion = std::function<std::optional<std::string>(std::wstring_view name)>;
// The short (8.3) form of a path; nothing when the file system gives none.
using ShortNameLookup = std::function<std::optional<std::wstring>(const std::wstring& path)>;
// The path itself when it converts without loss; else its short form when that converts; else
// the memory form. A lossy (best-fit) name is never used: it can name another, existing file.
PluginFileForm ChoosePluginFileForm(const std::wstring& path, const ExactAnsiConversion& exact,
                                    const ShortNameLookup& shortName);

} // namespace tovane
