#include "plugins/portable/ArchiveRecords.h"

#include <cstring>

namespace tovane {

namespace {

struct TRecordLayout {
    std::size_t Position, CompressedSize, Size, Timestamp, Path, FileName, Size_;
    std::size_t FieldBytes;    // of the positions, sizes and the timestamp
    std::size_t NameUnitBytes; // 1 narrow, 2 wide
};

constexpr std::size_t NameUnits = 200;

TRecordLayout LayoutFor(int moduleBits, bool wide) {
    const std::size_t field = moduleBits == 64 ? 8 : 4;
    const std::size_t unit = wide ? 2 : 1;
    TRecordLayout l{};
    l.FieldBytes = field;
    l.NameUnitBytes = unit;
    l.Position = 8;
    l.CompressedSize = l.Position + field;
    l.Size = l.CompressedSize + field;
    l.Timestamp = l.Size + field;
    l.Path = l.Timestamp + field;
    l.FileName = l.Path + NameUnits * unit;
    const std::size_t crcEnd = l.FileName + NameUnits * unit + 4;
    l.Size_ = moduleBits == 64 ? (crcEnd + 7) / 8 * 8 : crcEnd;
    return l;
}

std::uint64_t Unsigned(const std::uint8_t* at, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return value;
}

std::int64_t Signed(const std::uint8_t* at, std::size_t bytes) {
    const std::uint64_t value = Unsigned(at, bytes);
    if (bytes == 4)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<std::int64_t>(value);
}

// A name field up to its first zero unit (or its end).
std::string NarrowField(const std::uint8_t* at, std::size_t units) {
    std::size_t n = 0;
    while (n < units && at[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(at), n);
}

std::u16string WideField(const std::uint8_t* at, std::size_t units) {
    std::u16string text;
    for (std::size_t i = 0; i < units; ++i) {
        const auto unit = static_cast<char16_t>(at[2 * i] | at[2 * i + 1] << 8);
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

// Joins folder and name with backslashes; separators(text) marks which units of a text are
// separators.
template <typename Text, typename Separators>
Text Join(const Text& folder, const Text& name, Separators separators) {
    Text path = folder;
    if (!path.empty() && !separators(path).back())
        path.push_back('\\');
    path += name;
    const std::vector<bool> marks = separators(path);
    Text out;
    bool afterSeparator = true; // at the start, too: no leading separator
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (marks[i] && afterSeparator)
            continue; // none doubled
        out.push_back(marks[i] ? static_cast<typename Text::value_type>('\\') : path[i]);
        afterSeparator = marks[i];
    }
    return out;
}

} // namespace

std::size_t ArchiveRecordSize(int moduleBits, bool wide) {
    return LayoutFor(moduleBits, wide).Size_;
}

std::vector<TArchiveRecord> ReadArchiveRecords(std::span<const std::uint8_t> block, int moduleBits,
                                               bool wide) {
    const TRecordLayout l = LayoutFor(moduleBits, wide);
    std::vector<TArchiveRecord> records;
    for (std::size_t at = 0; block.size() - at >= l.Size_; at += l.Size_) {
        const std::uint8_t* r = block.data() + at;
        if (r[0] == 0)
            break;
        TArchiveRecord record;
        record.Method = NarrowField(r, 8);
        record.Position = Unsigned(r + l.Position, l.FieldBytes);
        record.CompressedSize = Unsigned(r + l.CompressedSize, l.FieldBytes);
        record.Size = Unsigned(r + l.Size, l.FieldBytes);
        record.Timestamp = Signed(r + l.Timestamp, l.FieldBytes);
        if (wide) {
            record.WidePath = WideField(r + l.Path, NameUnits);
            record.WideFileName = WideField(r + l.FileName, NameUnits);
        } else {
            record.Path = NarrowField(r + l.Path, NameUnits);
            record.FileName = NarrowField(r + l.FileName, NameUnits);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string JoinEntryPath(const std::string& folder, const std::string& name,
                          bool (*isLeadByte)(unsigned char)) {
    // A trail byte of the code page may look like a separator: what leads it decides.
    return Join(folder, name, [isLeadByte](const std::string& text) {
        std::vector<bool> marks(text.size(), false);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (isLeadByte(c) && i + 1 < text.size())
                ++i;
            else
                marks[i] = c == '\\' || c == '/';
        }
        return marks;
    });
}

std::u16string JoinEntryPath(const std::u16string& folder, const std::u16string& name) {
    return Join(folder, name, [](const std::u16string& text) {
        std::vector<bool> marks(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            marks[i] = text[i] == u'\\' || text[i] == u'/';
        return marks;
    });
}

} // namespace tovane
