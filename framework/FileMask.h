// File-name masks of the file list controls: patterns separated by ";" ("*.bmp;*.jpg;"), with
// "*" for any run of characters and "?" for one character. Matching ignores the case of ASCII
// letters, as file-name wildcards do on the platform; a double-byte character counts as one
// character and its trail byte is never compared as a letter. An empty piece (after the last
// ";") matches nothing; "*.*" matches every name, also one without a dot, and a pattern ending
// in "." matches names without a dot ("*." matches "README"). Portable.
#pragma once

#include "framework/Strings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// The non-empty patterns of a mask, in order.
std::vector<std::string> SplitMask(std::string_view mask);

bool MatchesPattern(std::string_view name, std::string_view pattern, LeadByteRule lead);
bool MatchesMask(std::string_view name, std::string_view mask, LeadByteRule lead);

// The same rules for UTF-16 names and masks: a surrogate pair counts as one character, and only
// ASCII letters compare ignoring case.
bool MatchesPattern(std::wstring_view name, std::wstring_view pattern);
bool MatchesMask(std::wstring_view name, std::wstring_view mask);

} // namespace tovane
