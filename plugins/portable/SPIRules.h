// Rules of the plug-in host that need no Windows: how a plug-in's self-description is read,
// which extensions its filter entries register, in which order plug-ins are tried on a file,
// where a 64-bit module wrote its picture-information handle, and the search settings.
#pragma once

#include "framework/Paths.h"

#include <array>
#include <cstdint>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tovane {

// The mask of the automatic search: 64-bit modules are named *.sph, 32-bit ones *.spi.
inline constexpr const char* DefaultSPIMask = sizeof(void*) == 8 ? "*.sph" : "*.spi";
// The 32-bit modules, which the 64-bit program runs in its 32-bit decoding host.
inline constexpr const char* SPI32Mask = "*.spi";

// A module as a decoding host loaded and described it for the program (texts ANSI).
struct SPIDescription {
    std::string FileName;
    std::string APIVersion;
    std::string PluginInfo;
    std::vector<std::string> Extensions;
    std::vector<std::string> FormatNames;
    int Bits = 0; // the host's bitness
};

// The processor a Windows module (PE image) is built for, read from the file's first bytes
// (its headers; 4096 bytes hold them in any module a linker writes). Unknown for what is not
// a PE image or whose headers lie past the bytes given.
enum class ModuleMachine { Unknown, X86, X64, Other };
ModuleMachine ModuleMachineOf(std::span<const std::uint8_t> head);

// Start offsets at which a file's picture data is tried: at the start, then past a 128-byte
// MacBinary header.
inline constexpr std::array<int, 2> MacBinaryOffsets{0, 128};

// The length the host announces to GetPluginInfo, and the longest text it takes (a module
// may fill the 256 bytes without a terminator). The buffers have spare room beyond, for modules
// that write a terminator after 256 characters or ignore the length.
inline constexpr int PluginInfoBufferLength = 255;
inline constexpr std::size_t PluginInfoTextMax = 256;
inline constexpr std::size_t PluginInfoBufferSize = 4096;

// Reading stops after this many extension-filter pairs.
inline constexpr int MaxFilterPairs = 512;

// Which wrapper class an API version selects. The version is compared exactly, letter case
// included; anything else (an empty version too) is a plain module.
enum class SPIKind { Plain, Import, Archive, Xn };
SPIKind SPIKindForVersion(std::string_view apiVersion);

// A GetPluginInfo buffer's text: its bytes up to the first NUL, at most PluginInfoTextMax.
std::string PluginInfoText(std::span<const char> buffer);

// One GetPluginInfo call: the text, or nothing when the module answers <= 0.
using PluginInfoQuery = std::function<std::optional<std::string>(int index)>;
// The extension filters and format names from index 2 on, pair by pair. A pair is taken when
// both of its calls answer. Reading stops at the first pair not answered whole, and, for a
// module that answers every index, at a pair of two empty texts, at a pair equal to one read
// before, or after MaxFilterPairs pairs.
void ReadFilterPairs(const PluginInfoQuery& query, std::vector<std::string>& extensions,
                     std::vector<std::string>& formatNames);

// The extensions that one filter entry ("*.jpg;*.jpeg") registers, in registration order: the
// entry is taken apart at ";" from its end, so its last pattern comes first; a piece's
// extension is its text after its first "." (the piece itself without a "."), so "*.tar.gz"
// gives "tar.gz" and an entry ending in ";" gives one empty extension first.
std::vector<std::string> RegisteredExtensions(std::string_view filterEntry);

// True when one of the entries' own extension (from its last ".", so only an entry's last
// pattern counts) equals ext, ignoring the case of ASCII letters. An empty ext matches none.
bool DeclaresExtension(const std::vector<std::string>& filterEntries, std::string_view ext,
                       LeadByteRule lead);

// The trial order of plug-ins for a file: for each candidate in collection order, one that
// declares the file's extension (ExtractFileExt: a bare ".jpg" serves as well as a name) is put
// at the front of target, any other is appended. So declaring plug-ins come first, the last of
// them in collection order at the very front, then the others in collection order.
template <typename P, typename ExtensionsOf>
void CollectByExtension(std::span<P const> candidates, std::string_view fileName,
                        std::vector<P>& target, ExtensionsOf extensionsOf, LeadByteRule lead) {
    const std::string ext = ExtractFileExt(fileName, lead);
    for (const P& p : candidates) {
        if (!ext.empty() && DeclaresExtension(extensionsOf(p), ext, lead))
            target.insert(target.begin(), p);
        else
            target.push_back(p);
    }
}

// Where a module wrote the picture-information handle, whose size (handleSize) is that of the
// build's pointers. The host hands GetPictureInfo a 32-byte record filled with the sentinel byte
// and looks at what was overwritten.
// 8-byte handles (64-bit modules): the published layout puts the handle at offset 24 (its top
// bytes 30-31 are then overwritten, a real handle's top bytes being zero); modules built with
// packed records put it at offset 22 and never touch bytes 30-31. Returns 24, 22, or nothing
// when neither place was written whole (a write of fewer than 8 bytes at 22 leaves sentinel
// bytes in the handle's top).
// 4-byte handles (32-bit modules): there is one layout, the packed record, with the handle in
// bytes 22-25, and any value is a possible handle. Returns 22 when any of those bytes was
// written, else nothing.
inline constexpr std::size_t PictureInfoRecordSize = 32;
std::optional<std::size_t>
WrittenInfoHandleOffset(std::span<const unsigned char, PictureInfoRecordSize> record,
                        unsigned char sentinel, std::size_t handleSize);

// The places the automatic search visits, in the order it visits them.
enum class TSPISearchOption { spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir };

// A set of search options.
class TSPISearchOptions {
public:
    constexpr TSPISearchOptions() = default;
    constexpr TSPISearchOptions(std::initializer_list<TSPISearchOption> options) {
        for (TSPISearchOption o : options)
            FBits |= Bit(o);
    }
    constexpr bool Contains(TSPISearchOption o) const { return (FBits & Bit(o)) != 0; }
    constexpr void Include(TSPISearchOption o) { FBits |= Bit(o); }
    constexpr void Exclude(TSPISearchOption o) { FBits &= ~Bit(o); }
    constexpr bool operator==(const TSPISearchOptions&) const = default;

private:
    static constexpr unsigned Bit(TSPISearchOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned FBits = 0;
};

} // namespace tovane
