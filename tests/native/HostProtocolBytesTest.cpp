// The bytes of the host's messages, fixed: the 64-bit program and the 32-bit host
// (tovane-host32.exe) are different builds of one source, and every build runs this test, so a
// field whose width follows the build's pointers or longs would fail it in one of them.
#include "imaging/portable/HostProtocol.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace tovane::host;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian integer of n bytes.
Bytes Le(std::uint64_t value, int n) {
    Bytes b;
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    return b;
}
Bytes Text(const std::string& s) {
    Bytes b = Le(s.size(), 4);
    b.insert(b.end(), s.begin(), s.end());
    return b;
}
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(HostProtocolBytes, AreTheSameInEveryBuild) {
    TPictureRequest picture;
    picture.Module = "m";
    picture.Source = TSourceDesc{1, "p", -2, 0x0102030405060708ULL, 9, 128};
    picture.Preview = true;
    TDescription description;
    description.Status = TDescribeStatus::Loaded;
    description.FileName = "f";
    description.APIVersion = "00IN";
    description.Extensions = {"*.a", "*.b"};
    description.FormatNames = {"A"};
    description.PointerBits = 32;
    struct Case {
        const char* Name;
        Bytes Encoded;
        Bytes Expected;
    };
    const Case cases[] = {
        {"hello", Encode(THello{0x11223344}), Join({{1}, Le(0x11223344, 4)})},
        {"picture request", Encode(picture),
         Join({{5},
               Text("m"),
               {1},
               Text("p"),
               Le(static_cast<std::uint64_t>(-2), 8),
               Le(0x0102030405060708ULL, 8),
               Le(9, 8),
               Le(128, 8),
               {1},
               {0}})},
        {"picture result", Encode(TPictureResult{-1, 0x1234, 40, 64, 12, "r"}),
         Join(
             {{10}, Le(0xFFFFFFFF, 4), Le(0x1234, 8), Le(40, 8), Le(64, 8), Le(12, 8), Text("r")})},
        {"info result", Encode(TInfoResult{0, 1, 2, 3, 4, 5, 6, -24}),
         Join({{9},
               Le(0, 4),
               Le(1, 4),
               Le(2, 4),
               Le(3, 4),
               Le(4, 4),
               Le(5, 2),
               Le(6, 2),
               Le(0xFFE8, 2)})},
        {"description", Encode(description),
         Join({{17},
               {0},
               Text(""),
               Text("f"),
               Text("00IN"),
               Text(""),
               Le(2, 4),
               Text("*.a"),
               Text("*.b"),
               Le(1, 4),
               Text("A"),
               {32}})},
        {"rendering", Encode(TRendering{0xAB, 7, 8}),
         Join({{14}, Le(0xAB, 8), Le(7, 4), Le(8, 4)})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Encoded, c.Expected) << c.Name;

    const TDescription back = Decode<TDescription>(Encode(description));
    EXPECT_EQ(back.Extensions, description.Extensions);
    EXPECT_EQ(back.FormatNames, description.FormatNames);
    EXPECT_EQ(back.PointerBits, 32);
    // A list claiming more texts than the body holds.
    Bytes lying = Encode(description);
    lying[1 + 1 + 4 + 5 + 8 + 4] = 0xFF; // the Extensions count
    EXPECT_THROW(Decode<TDescription>(lying), EProtocol);
}
