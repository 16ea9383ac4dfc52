// The byte buffer behind pixel rows and memory streams, and the bitmap reader that keeps a
// file's pixel rows in the buffer it is handed.
#include "framework/BitmapFile.h"
#include "framework/ByteBuffer.h"
#include "framework/Streams.h"
#include "tests/native/graphicsBmpBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>

using namespace tovane;
using namespace graphics_test;

namespace {
bool Aligned(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % TByteBuffer::Alignment == 0;
}

TByteBuffer BufferOf(const Bytes& bytes) {
    return TByteBuffer(std::span<const std::uint8_t>(bytes));
}

// A bottom-up 24-bit file of width x 2 whose pixel bytes count up from 1.
Bytes CountingFile(std::int32_t width) {
    InfoHeader h;
    h.Width = width;
    h.Height = 2;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    Bytes pixels(stride * 2);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i + 1);
    return File(Header(h), pixels);
}
} // namespace

TEST(ByteBuffer, PlacesTheAskedByteOnAnAlignedAddress) {
    for (std::size_t at : {0u, 1u, 7u, 54u, 118u, 200u}) {
        SCOPED_TRACE(at);
        TByteBuffer b = TByteBuffer::Uninitialized(200, at);
        ASSERT_EQ(b.size(), 200u);
        EXPECT_TRUE(Aligned(b.data() + at));
    }
    EXPECT_TRUE(TByteBuffer::Uninitialized(0).empty());
    EXPECT_THROW(TByteBuffer::Uninitialized(10, 11), std::out_of_range);
}

TEST(ByteBuffer, CopiesAreDeepAndResizingKeepsThePrefixAndZeroesTheRest) {
    TByteBuffer a(4, 7);
    TByteBuffer b = a;
    b[0] = 1;
    EXPECT_EQ(a[0], 7);
    EXPECT_FALSE(a == b);
    b.resize(6);
    EXPECT_EQ(Bytes(b.begin(), b.end()), (Bytes{1, 7, 7, 7, 0, 0}));
    b.resize(2);
    EXPECT_EQ(Bytes(b.begin(), b.end()), (Bytes{1, 7}));
    b.assign(std::span<const std::uint8_t>(a));
    EXPECT_TRUE(a == b);
    TByteBuffer moved = std::move(b);
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(moved == a);
}

TEST(ByteBuffer, SliceKeepsThePartInPlaceAndEmptiesTheSource) {
    TByteBuffer whole = BufferOf({1, 2, 3, 4, 5, 6});
    const std::uint8_t* third = whole.data() + 2;
    TByteBuffer part = std::move(whole).Slice(2, 3);
    EXPECT_EQ(part.data(), third);
    EXPECT_EQ(Bytes(part.begin(), part.end()), (Bytes{3, 4, 5}));
    EXPECT_TRUE(whole.empty());
    // Copies of a part hold the part only.
    const TByteBuffer copy = part;
    EXPECT_EQ(copy.size(), 3u);
    EXPECT_TRUE(copy == part);

    TByteBuffer small = BufferOf({1, 2, 3});
    EXPECT_THROW(std::move(small).Slice(2, 2), std::out_of_range);
    TByteBuffer other = BufferOf({1, 2, 3});
    EXPECT_THROW(std::move(other).Slice(4, 0), std::out_of_range);
    EXPECT_TRUE(std::move(TByteBuffer(3, 0)).Slice(3, 0).empty());
}

TEST(MemoryStream, ReservedCapacityIsWrittenInPlaceAndHandedOver) {
    TMemoryStream m;
    m.SetCapacity(100, 54);
    m.WriteBuffer("x", 1);
    const void* block = m.Memory();
    EXPECT_TRUE(Aligned(static_cast<const std::uint8_t*>(block) + 54));
    const Bytes more(99, 9);
    m.WriteBuffer(more.data(), 99);
    EXPECT_EQ(m.Memory(), block); // no move while within the capacity
    m.SetCapacity(50);            // smaller than the capacity: nothing happens
    EXPECT_EQ(m.Memory(), block);

    m.SetPosition(10);
    TByteBuffer data = m.TakeBuffer();
    EXPECT_EQ(data.data(), block);
    ASSERT_EQ(data.size(), 100u);
    EXPECT_EQ(data[0], 'x');
    EXPECT_EQ(data[99], 9);
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Position(), 0);
    m.WriteBuffer("ab", 2); // the stream goes on as a new one
    EXPECT_EQ(m.Size(), 2);

    TMemoryStream empty;
    EXPECT_TRUE(empty.TakeBuffer().empty());
}

TEST(MemoryStream, WritesPastTheEndInsideTheCapacityLeaveZeros) {
    TMemoryStream m;
    const Bytes junk(64, 0xEE);
    m.WriteBuffer(junk.data(), 64);
    m.SetSize(0); // the bytes stay in the block
    m.SetPosition(8);
    m.WriteBuffer("z", 1);
    const auto* p = static_cast<const std::uint8_t*>(m.Memory());
    EXPECT_EQ(Bytes(p, p + 9), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 'z'}));
}

TEST(BitmapFile, ReadingABufferKeepsThePixelRowsWhereTheyLie) {
    const Bytes file = CountingFile(5); // rows of 15 bytes padded to 16
    const TDib expected = ReadBitmapFile(std::span<const std::uint8_t>(file));
    TByteBuffer buffer = BufferOf(file);
    const std::uint8_t* pixels = buffer.data() + 54;
    const TDib d = ReadBitmapFile(std::move(buffer));
    EXPECT_EQ(d.Bits.data(), pixels);
    EXPECT_EQ(d.Bits.size(), 32u);
    EXPECT_TRUE(d == expected);
    EXPECT_TRUE(buffer.empty());
}

// A block that is not the heap's (a picture's shared memory): the bitmap read from it keeps
// its rows there, and the block goes when the last holder does.
TEST(BitmapFile, AnAdoptedBlockIsKeptByThePixelRowsReadFromIt) {
    struct Owner : TExternalBlock {
        explicit Owner(Bytes bytes, bool& gone) : Data(std::move(bytes)), Gone(gone) {}
        ~Owner() override { Gone = true; }
        std::size_t ReservedBytes() const override { return std::size_t{1} << 20; }
        Bytes Data;
        bool& Gone;
    };
    bool gone = false;
    auto owner = std::make_unique<Owner>(CountingFile(5), gone);
    std::uint8_t* start = owner->Data.data();
    const std::size_t size = owner->Data.size();
    const TDib expected = ReadBitmapFile(std::span<const std::uint8_t>(owner->Data));
    TMemoryStream stream;
    stream.Adopt(TByteBuffer::Adopt(start, size, std::move(owner)));
    EXPECT_EQ(stream.Memory(), start);
    EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(size));
    {
        const TDib d = ReadBitmapFile(stream.TakeBuffer());
        EXPECT_EQ(d.Bits.data(), start + 54);
        EXPECT_TRUE(d == expected);
        // The rows count as the whole block they keep alive (a mapped view, say).
        EXPECT_EQ(d.Bits.BlockBytes(), std::size_t{1} << 20);
        const TByteBuffer copy = d.Bits; // a heap copy, not a second owner
        EXPECT_NE(copy.data(), d.Bits.data());
        EXPECT_LT(copy.BlockBytes(), copy.size() + TByteBuffer::Alignment); // its own allocation
        EXPECT_FALSE(gone);
    }
    EXPECT_TRUE(gone);
}

TEST(BitmapFile, ReadingABufferCopiesRlePixelsAndRefusesWhatTheOtherReadersRefuse) {
    InfoHeader h;
    h.Width = 4;
    h.Height = 1;
    h.BitCount = 8;
    h.Compression = 1; // RLE8
    h.ClrUsed = 2;
    const Bytes file = File(Concat({Header(h), Palette(2)}), {4, 1, 0, 1});
    const TDib expected = ReadBitmapFile(std::span<const std::uint8_t>(file));
    const TDib d = ReadBitmapFile(BufferOf(file));
    EXPECT_TRUE(d == expected);
    EXPECT_EQ(d.PixelValue(3, 0), 1u);

    Bytes truncated = CountingFile(5);
    truncated.pop_back();
    EXPECT_THROW(ReadBitmapFile(BufferOf(truncated)), EInvalidGraphic);
    EXPECT_THROW(ReadBitmapFile(TByteBuffer()), EInvalidGraphic);
}
