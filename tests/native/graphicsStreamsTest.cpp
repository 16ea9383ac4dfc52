#include "framework/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace tovane;

namespace {
std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("tovane-graphics-") + std::to_string(getpid()) + "-" + name))
        .string();
}

void WriteText(TStream& s, const char* text) {
    s.WriteBuffer(text, std::strlen(text));
}
} // namespace

TEST(MemoryStream, WritesReadsAndSeeksWithinAndPastTheEnd) {
    TMemoryStream m;
    EXPECT_EQ(m.Size(), 0);
    WriteText(m, "abcdef");
    EXPECT_EQ(m.Position(), 6);
    EXPECT_EQ(std::memcmp(m.Memory(), "abcdef", 6), 0);

    m.SetPosition(2);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 4); // only what is left
    EXPECT_EQ(std::string(buf, 4), "cdef");
    EXPECT_EQ(m.Read(buf, 8), 0);

    // A write past the end leaves a gap of zeros.
    m.Seek(2, TSeekOrigin::soEnd);
    WriteText(m, "xy");
    ASSERT_EQ(m.Size(), 10);
    const auto* p = static_cast<const char*>(m.Memory());
    EXPECT_EQ(std::string(p, 10), std::string("abcdef\0\0xy", 10));

    EXPECT_EQ(m.Seek(-3, TSeekOrigin::soCurrent), 7);
    EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
    EXPECT_EQ(m.Position(), 7); // a refused seek leaves the position alone

    m.SetSize(3);
    EXPECT_EQ(m.Size(), 3);
    EXPECT_EQ(m.Position(), 3);
    m.SetSize(5); // extension is zero-filled, even over bytes once written
    EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), 5), std::string("abc\0\0", 5));
}

TEST(MemoryStream, ReadBufferRaisesOnAShortRead) {
    TMemoryStream m;
    WriteText(m, "abc");
    m.SetPosition(1);
    char buf[4];
    try {
        m.ReadBuffer(buf, 3);
        FAIL() << "no exception";
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    m.SetPosition(1);
    m.ReadBuffer(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "bc");
    m.ReadBuffer(buf, 0); // nothing asked, nothing raised
}

TEST(MemoryStream, LoadFromStreamCopiesTheWholeSourceFromItsStart) {
    TMemoryStream source;
    WriteText(source, "0123456789");
    source.SetPosition(7);
    TMemoryStream copy;
    WriteText(copy, "old content that is longer");
    copy.LoadFromStream(source);
    EXPECT_EQ(copy.Size(), 10);
    EXPECT_EQ(copy.Position(), 0);
    EXPECT_EQ(source.Position(), 10);
    EXPECT_EQ(std::string(static_cast<const char*>(copy.Memory()), 10), "0123456789");
    EXPECT_NE(copy.Memory(), source.Memory());
}

TEST(Stream, CopyFromCopiesACountOrTheWholeSource) {
    TMemoryStream source;
    WriteText(source, "0123456789");
    source.SetPosition(4);
    TMemoryStream dest;
    EXPECT_EQ(dest.CopyFrom(source, 3), 3);
    EXPECT_EQ(std::string(static_cast<const char*>(dest.Memory()), 3), "456");
    EXPECT_EQ(dest.CopyFrom(source, 0), 10); // count 0: all of it, from the start
    EXPECT_EQ(std::string(static_cast<const char*>(dest.Memory()), 13), "4560123456789");
    source.SetPosition(8);
    EXPECT_THROW(dest.CopyFrom(source, 5), EReadError);

    // Larger than the copy's internal chunk.
    TMemoryStream big;
    big.SetSize(200000);
    static_cast<char*>(big.Memory())[199999] = 'z';
    TMemoryStream bigCopy;
    EXPECT_EQ(bigCopy.CopyFrom(big, 0), 200000);
    EXPECT_EQ(static_cast<const char*>(bigCopy.Memory())[199999], 'z');
}

TEST(FileStream, CreatesWritesAndReadsBack) {
    const std::string path = TempPath("file.bin");
    {
        TFileStream f(path, TFileMode::fmCreate);
        WriteText(f, "hello, file");
        EXPECT_EQ(f.Size(), 11);
        f.SetSize(5);
        EXPECT_EQ(f.Size(), 5);
        EXPECT_EQ(f.Position(), 5);
    }
    {
        TFileStream f(path, TFileMode::fmOpenRead);
        EXPECT_EQ(f.FileName(), path);
        EXPECT_EQ(f.Size(), 5);
        char buf[8] = {};
        f.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "hello");
        EXPECT_THROW(f.ReadBuffer(buf, 1), EReadError);
        EXPECT_THROW(WriteText(f, "x"), EWriteError); // opened for reading only
        EXPECT_EQ(f.Seek(-2, TSeekOrigin::soEnd), 3);
    }
    {
        TFileStream f(path, TFileMode::fmOpenReadWrite);
        f.Seek(0, TSeekOrigin::soEnd);
        WriteText(f, "!");
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(std::string(static_cast<const char*>(m.Memory()), 6), "hello!");
    const std::string copyPath = TempPath("copy.bin");
    m.SaveToFile(copyPath);
    TMemoryStream again;
    again.LoadFromFile(copyPath);
    EXPECT_EQ(again.Size(), 6);
    std::remove(path.c_str());
    std::remove(copyPath.c_str());
}

TEST(FileStream, OpeningFailuresNameThePath) {
    const std::string missing = TempPath("missing.bin");
    try {
        TFileStream f(missing, TFileMode::fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_THROW(
        TFileStream(std::filesystem::temp_directory_path().string(), TFileMode::fmOpenRead),
        EFOpenError);
    TMemoryStream m;
    EXPECT_THROW(m.LoadFromFile(missing), EStreamError);
}
