// The walk that spells a command-line folder as it stands on disk. Paths are byte strings;
// the code page's lead-byte rule is a parameter (SystemLeadByte on Windows, IsCp932LeadByte in
// tests).
#pragma once

#include "framework/Strings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tovane {

// Answers the on-disk name (long name, stored case) of the last component of an absolute path
// prefix, or nothing when no such entry exists.
using DiskNameLookup = std::function<std::optional<std::string>(const std::string& prefix)>;

// Spells an absolute path as it stands on disk, component by component from the drive root;
// from the first component that is not found the rest is kept unchanged. A path without a
// drive letter (UNC, empty) is returned as it is. A trailing "\" is dropped, except that of a
// drive root: "C:\" stays "C:\" (a bare "C:" would name the drive's current folder).
std::string NormalizeFolderPathWith(std::string_view absolutePath, const DiskNameLookup& lookup,
                                    LeadByteRule lead);

} // namespace tovane
