// Rules of the slideshow's image list: which names of a folder it lists and in what order.
// Names and paths are ANSI byte strings; the lead-byte rule of the code page keeps the second
// byte of a double-byte character from being read as a wildcard, a dot or a backslash.
#pragma once

#include "framework/Strings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// The mask of the image list: "*.%s;" for each extension in order ("*.bmp;*.jpg;").
std::string BuildImageMask(const std::vector<std::string>& extensions);

// Matches one file-name wildcard pattern: "*" any run of characters, "?" one character, other
// characters equal ignoring the case of ASCII letters. As on the platform, a name without a dot
// also matches a pattern that asks for an empty extension ("*." and "*.*" match "README").
// The empty pattern matches nothing.
bool MatchesWildcard(std::string_view pattern, std::string_view name,
                     LeadByteRule lead = IsSingleByte);

// Matches any of the ";"-separated patterns of the mask (empty pieces match nothing).
bool MatchesImageMask(std::string_view mask, std::string_view name,
                      LeadByteRule lead = IsSingleByte);

// Orders names as the image list shows them: by name ignoring the case of ASCII letters, plain
// string order (img10.jpg before img2.jpg); names equal but for case by their bytes.
void SortImageNames(std::vector<std::string>& names, LeadByteRule lead = IsSingleByte);

// The names of files (not folders) that match the mask, sorted as the image list shows them.
struct FolderEntry {
    std::string Name;
    bool IsFolder = false;
};
std::vector<std::string> ImageListNames(const std::vector<FolderEntry>& entries,
                                        std::string_view mask, LeadByteRule lead = IsSingleByte);

// The full path of a listed name: the folder, a backslash unless it already ends in one, the
// name.
std::string ImageFullPath(std::string_view folder, std::string_view name,
                          LeadByteRule lead = IsSingleByte);

} // namespace tovane
