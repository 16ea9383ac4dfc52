#include "plugins/portable/SPIRules.h"

#include "framework/Strings.h"

#include <algorithm>

namespace tovane {

SPIKind SPIKindForVersion(std::string_view apiVersion) {
    if (apiVersion == "00IN")
        return SPIKind::Import;
    if (apiVersion == "00AM")
        return SPIKind::Archive;
    if (apiVersion == "00XN")
        return SPIKind::Xn;
    return SPIKind::Plain;
}

ModuleMachine ModuleMachineOf(std::span<const std::uint8_t> head) {
    const auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(head[at] | head[at + 1] << 8);
    };
    if (head.size() < 64 || head[0] != 'M' || head[1] != 'Z')
        return ModuleMachine::Unknown;
    const std::uint32_t pe = u16(0x3C) | u16(0x3E) << 16; // e_lfanew
    if (pe > head.size() || head.size() - pe < 6 || head[pe] != 'P' || head[pe + 1] != 'E' ||
        head[pe + 2] != 0 || head[pe + 3] != 0)
        return ModuleMachine::Unknown;
    switch (u16(pe + 4)) {
    case 0x014C: // IMAGE_FILE_MACHINE_I386
        return ModuleMachine::X86;
    case 0x8664: // IMAGE_FILE_MACHINE_AMD64
        return ModuleMachine::X64;
    default:
        return ModuleMachine::Other;
    }
}

std::string PluginInfoText(std::span<const char> buffer) {
    const std::span<const char> text = buffer.first(std::min(buffer.size(), PluginInfoTextMax));
    const auto end = std::find(text.begin(), text.end(), '\0');
    return std::string(text.begin(), end);
}

void ReadFilterPairs(const PluginInfoQuery& query, std::vector<std::string>& extensions,
                     std::vector<std::string>& formatNames) {
    for (int pair = 0; pair < MaxFilterPairs; ++pair) {
        std::optional<std::string> a = query(2 + 2 * pair);
        if (!a)
            return;
        std::optional<std::string> b = query(3 + 2 * pair);
        if (!b)
            return;
        if (a->empty() && b->empty())
            return;
        for (std::size_t k = 0; k < extensions.size(); ++k)
            if (extensions[k] == *a && formatNames[k] == *b)
                return;
        extensions.push_back(std::move(*a));
        formatNames.push_back(std::move(*b));
    }
}

std::vector<std::string> RegisteredExtensions(std::string_view filterEntry) {
    // ";" and "." are below 0x40 and so never the trail byte of a double-byte character.
    std::vector<std::string> out;
    std::string_view rest = filterEntry;
    while (!rest.empty()) {
        std::string_view piece;
        const std::size_t semicolon = rest.rfind(';');
        if (semicolon != std::string_view::npos) {
            piece = rest.substr(semicolon + 1);
            rest = rest.substr(0, semicolon);
        } else {
            piece = rest;
            rest = std::string_view();
        }
        const std::size_t dot = piece.find('.');
        out.emplace_back(dot == std::string_view::npos ? piece : piece.substr(dot + 1));
    }
    return out;
}

bool DeclaresExtension(const std::vector<std::string>& filterEntries, std::string_view ext,
                       LeadByteRule lead) {
    if (ext.empty())
        return false;
    return std::any_of(filterEntries.begin(), filterEntries.end(), [&](const std::string& entry) {
        return SameTextAscii(ExtractFileExt(entry, lead), ext, lead);
    });
}

std::optional<std::size_t>
WrittenInfoHandleOffset(std::span<const unsigned char, PictureInfoRecordSize> record,
                        unsigned char sentinel, std::size_t handleSize) {
    const auto untouched = [&](std::size_t from, std::size_t to) {
        return std::all_of(record.begin() + from, record.begin() + to,
                           [sentinel](unsigned char b) { return b == sentinel; });
    };
    if (handleSize == 4) {
        if (!untouched(22, 26))
            return 22;
        return std::nullopt;
    }
    if (!untouched(30, 32))
        return 24;
    // A whole handle at 22 writes its top byte (zero in any real handle). A record written only
    // partly there holds no handle the module returned: nothing is read, so nothing is freed.
    if (!untouched(29, 30))
        return 22;
    return std::nullopt;
}

} // namespace tovane
