#include "settings/portable/ImageExtensions.h"

#include "framework/Paths.h"

#include <algorithm>
#include <utility>

namespace tovane {

bool ContainsExtension(const std::vector<std::string>& extensions, std::string_view ext,
                       LeadByteRule lead) {
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](const std::string& e) { return SameTextAscii(e, ext, lead); });
}

std::vector<std::string>
BuildImageExtensions(const std::vector<std::vector<std::string>>& pluginEntries,
                     LeadByteRule lead) {
    std::vector<std::string> result{"bmp"};
    auto add = [&](std::string ext) {
        if (!ContainsExtension(result, ext, lead))
            result.push_back(std::move(ext));
    };
    for (const auto& entries : pluginEntries) {
        for (const auto& entry : entries) {
            // "*.JPG;*.JPEG": lower-cased, the leading "*." dropped, then split at each ";"
            // together with the "*." that follows it.
            std::string text = AsciiLower(entry, lead);
            text.erase(0, std::min<std::size_t>(2, text.size()));
            for (std::size_t semicolon; (semicolon = text.find(';')) != std::string::npos;) {
                add(text.substr(0, semicolon));
                text.erase(0, std::min(semicolon + 3, text.size()));
            }
            add(std::move(text));
        }
    }
    return result;
}

std::string FileExtensionOf(std::string_view fileName, LeadByteRule lead) {
    std::string ext = ExtractFileExt(fileName, lead);
    if (!ext.empty())
        ext.erase(0, 1);
    return ext;
}

bool ContainsExtension(const std::vector<std::wstring>& extensions, std::wstring_view ext) {
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c; };
    return std::any_of(extensions.begin(), extensions.end(), [&](const std::wstring& e) {
        return e.size() == ext.size() &&
               std::equal(e.begin(), e.end(), ext.begin(),
                          [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
    });
}

std::wstring FileExtensionOf(std::wstring_view fileName) {
    const std::size_t dot = fileName.find_last_of(L".\\:");
    if (dot == std::wstring_view::npos || fileName[dot] != L'.')
        return std::wstring();
    return std::wstring(fileName.substr(dot + 1));
}

std::string FileMask(const std::vector<std::string>& extensions) {
    std::string mask;
    for (const auto& ext : extensions) {
        mask += "*.";
        mask += ext;
        mask += ';';
    }
    return mask;
}

std::string StatusBarMask(const std::vector<std::string>& extensions) {
    return " " + FileMask(extensions);
}

} // namespace tovane
