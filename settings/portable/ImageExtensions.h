// The image extension list the main window builds once from the plug-ins, and the masks made
// from it. Extensions are byte strings (lower-case ASCII from the plug-ins' filter entries);
// the code page's lead-byte rule is a parameter (SystemLeadByte on Windows, IsCp932LeadByte in
// tests). The same tests for UTF-16 names serve the folder search and the slideshow.
#pragma once

#include "framework/Strings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// Builds ImageExtensions: "bmp" first, then every extension named by the plug-ins' filter
// entries ("*.jpg;*.jpeg"), lower case, in order of first appearance, without duplicates
// (compared ignoring case). pluginEntries holds, per plug-in in collection order, its
// Extensions list.
std::vector<std::string>
BuildImageExtensions(const std::vector<std::vector<std::string>>& pluginEntries, LeadByteRule lead);

// True when the list holds ext, compared ignoring case.
bool ContainsExtension(const std::vector<std::string>& extensions, std::string_view ext,
                       LeadByteRule lead);

// The extension of a file name without its dot: the text after the last "."; empty without one.
std::string FileExtensionOf(std::string_view fileName, LeadByteRule lead);

// The same two for UTF-16 names (the list converted once): only ASCII letters ignore case.
bool ContainsExtension(const std::vector<std::wstring>& extensions, std::wstring_view ext);
std::wstring FileExtensionOf(std::wstring_view fileName);

// "*.bmp;*.jpg;" : "*.", the extension and ";" for each extension.
std::string FileMask(const std::vector<std::string>& extensions);
// The status bar's text: a space, then FileMask.
std::string StatusBarMask(const std::vector<std::string>& extensions);

} // namespace tovane
