// The bitmap file writer, and the information block the GDI takes.
#include "framework/BitmapFile.h"

#include "framework/BitmapLayout.h"
#include "framework/Streams.h"

#include <limits>

namespace tovane {

using namespace bitmap_layout;

namespace {

// The colour table as written: the entries held, or for a paletted bitmap without any, a full
// black table (a header with biClrUsed 0 promises 2^BitCount entries).
std::size_t WrittenColors(const TDib& d) {
    if (d.BitCount <= 8 && d.Colors.empty())
        return std::size_t{1} << d.BitCount;
    return d.Colors.size();
}

void PutInfoHeader(std::vector<std::uint8_t>& out, const TDib& d, std::uint32_t headerSize) {
    Put32(out, headerSize);
    Put32(out, static_cast<std::uint32_t>(d.Width));
    Put32(out, static_cast<std::uint32_t>(d.TopDown ? -d.Height : d.Height));
    Put16(out, 1);
    Put16(out, d.BitCount);
    Put32(out, d.Compression);
    Put32(out, static_cast<std::uint32_t>(d.Bits.size()));
    Put32(out, static_cast<std::uint32_t>(d.XPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(d.YPelsPerMeter));
    Put32(out, static_cast<std::uint32_t>(WrittenColors(d)));
    Put32(out, d.ClrImportant);
}

void PutColors(std::vector<std::uint8_t>& out, const TDib& d) {
    const std::size_t n = WrittenColors(d);
    for (std::size_t i = 0; i < n; ++i) {
        const TRgbQuad q = i < d.Colors.size() ? d.Colors[i] : TRgbQuad{};
        out.insert(out.end(), {q.Blue, q.Green, q.Red, 0});
    }
}

void RequireWellFormed(const TDib& d) {
    if (d.Empty())
        throw EInvalidGraphic("Cannot write an empty bitmap");
    if (!d.IsWellFormed())
        throw EInvalidGraphic("Cannot write a malformed bitmap");
}

// Everything of the file before the pixels.
std::vector<std::uint8_t> FileHead(const TDib& d) {
    RequireWellFormed(d);
    const bool v5 = d.Compression == DibBitfields && d.AlphaMask != 0;
    std::vector<std::uint8_t> info;
    PutInfoHeader(info, d, v5 ? DibV5HeaderSize : DibInfoHeaderSize);
    if (d.Compression == DibBitfields) {
        Put32(info, d.RedMask);
        Put32(info, d.GreenMask);
        Put32(info, d.BlueMask);
    }
    if (v5) {
        Put32(info, d.AlphaMask);
        Put32(info, 0x73524742);            // 'sRGB'
        info.resize(info.size() + 36 + 12); // endpoints and gamma: unused with sRGB
        Put32(info, 4);                     // LCS_GM_IMAGES
        info.resize(DibV5HeaderSize, 0);    // profile offset and size, reserved
    }
    PutColors(info, d);

    const std::uint64_t offBits = BitmapFileHeaderSize + info.size();
    const std::uint64_t fileSize = offBits + d.Bits.size();
    if (fileSize > std::numeric_limits<std::uint32_t>::max())
        throw EInvalidGraphic("The bitmap is too large for a bitmap file");
    std::vector<std::uint8_t> head{'B', 'M'};
    Put32(head, static_cast<std::uint32_t>(fileSize));
    Put32(head, 0);
    Put32(head, static_cast<std::uint32_t>(offBits));
    head.insert(head.end(), info.begin(), info.end());
    return head;
}

} // namespace

std::vector<std::uint8_t> TDib::InfoBlock() const {
    RequireWellFormed(*this);
    std::vector<std::uint8_t> out;
    PutInfoHeader(out, *this, DibInfoHeaderSize);
    if (Compression == DibBitfields) {
        Put32(out, RedMask);
        Put32(out, GreenMask);
        Put32(out, BlueMask);
    }
    PutColors(out, *this);
    return out;
}

void WriteBitmapFile(const TDib& dib, TStream& stream) {
    const std::vector<std::uint8_t> head = FileHead(dib);
    stream.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    stream.WriteBuffer(dib.Bits.data(), static_cast<std::int64_t>(dib.Bits.size()));
}

std::vector<std::uint8_t> WriteBitmapFile(const TDib& dib) {
    std::vector<std::uint8_t> out = FileHead(dib);
    out.insert(out.end(), dib.Bits.begin(), dib.Bits.end());
    return out;
}

} // namespace tovane
