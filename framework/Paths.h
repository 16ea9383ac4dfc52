// Path helpers for ANSI (system code page) byte strings. A path is split at its last "\", ":"
// or "." with the double-byte rule: the byte after a lead byte belongs to the same character
// and is never taken for a separator. The code page's lead-byte rule is a parameter, so the
// same code serves the running system (IsDBCSLeadByte) and tests (code page 932).
#pragma once

#include "framework/Strings.h"

#include <string>
#include <string_view>

namespace tovane {

// Index of the last byte of s that is one of the delimiters and not the trail byte of a
// double-byte character; std::string_view::npos when there is none.
std::size_t LastDelimiter(std::string_view delimiters, std::string_view s, LeadByteRule lead);

// Folder part including its final "\" or ":" ("C:\a\b.txt" -> "C:\a\").
std::string ExtractFilePath(std::string_view path, LeadByteRule lead);
// Folder part without a trailing "\" unless it is the root ("C:\a\b.txt" -> "C:\a").
std::string ExtractFileDir(std::string_view path, LeadByteRule lead);
// Text after the last "\" or ":".
std::string ExtractFileName(std::string_view path, LeadByteRule lead);
// From the last "." to the end, dot included, provided no "\" or ":" follows it; else empty.
std::string ExtractFileExt(std::string_view path, LeadByteRule lead);
// Appends "\" unless the path is empty or already ends in a "\" that is not a trail byte.
std::string IncludeTrailingBackslash(std::string_view path, LeadByteRule lead);

} // namespace tovane
