// The 64-bit program's 32-bit modules: the test modules in their 32-bit build (bin/testplugins32,
// from the win32 build) are found, described and called in tovane-host32.exe, whatever the
// isolation setting; their faults cost one picture; and both kinds share one plug-in order.
#include "framework/Streams.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace decoding_test;
using namespace tovane;

namespace {

constexpr std::uint32_t TestHangMs = 3000;

std::string Folder32(const std::string& name) {
    return ProgramFolder() + "testplugins32\\" + name + "\\";
}

// A collection with the 32-bit host, and the decoding host as well when isolated.
std::unique_ptr<TSPIs> Collection(bool isolated) {
    auto spis = std::make_unique<TSPIs>();
    spis->Isolation32 = TPluginHost::ForModules32(TestHangMs);
    if (isolated)
        spis->Isolation = std::make_unique<TPluginHost>(TPluginHost::DefaultHostPath(), TestHangMs);
    return spis;
}

TPluginHost& Host32(TSPIs& spis) {
    return static_cast<TPluginHost&>(*spis.Isolation32);
}

void CopyModule(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

} // namespace

TEST(DecodingHost32, ThirtyTwoBitModulesAreFoundAndDescribedInTheirHost) {
    {
        // Without the 32-bit host the 64-bit program cannot load it: skipped without a word.
        TSPIs plain;
        plain.Search(Folder32("decode_raw") + "*.spi");
        EXPECT_EQ(plain.Count(), 0);
        EXPECT_TRUE(plain.PreflightFaults().empty());
    }
    const auto spis = Collection(false);
    EXPECT_EQ(spis->AutoSearchMask(), "*.sph;*.spi");
    spis->Search(Folder32("decode_raw") + spis->AutoSearchMask());
    ASSERT_EQ(spis->Count(), 1);
    const TSPI& spi = spis->Items(0);
    EXPECT_NE(dynamic_cast<const TInSPI*>(&spi), nullptr);
    EXPECT_EQ(spi.Host(), spis->Isolation32.get());
    EXPECT_EQ(spi.Bits(), 32);
    EXPECT_EQ(spi.Handle(), nullptr);
    EXPECT_EQ(spi.GetProc("GetPicture"), nullptr);
    EXPECT_TRUE(Contains(spi.FileName(), "decode_raw.spi")) << spi.FileName();
    EXPECT_EQ(spi.APIVersion(), "00IN");
    EXPECT_EQ(spi.Extensions(), std::vector<std::string>{"*.tvr"});
    EXPECT_EQ(spi.FormatNames().size(), 1u);
    EXPECT_TRUE(spi.Usable());
    EXPECT_NE(Host32(*spis).ProcessId(), 0u);
}

// Isolated or not (Isolate=0), the 32-bit module decodes in its host, from a file and from
// memory, the same picture that the 64-bit build of the module gives in this process.
TEST(DecodingHost32, DecodesFilesAndMemoryInItsHostWhateverTheIsolationSetting) {
    const std::string path = WriteScratch("host32.tvr", TinyPicture());
    std::string expected;
    {
        const auto spis = MakeCollection({"decode_raw"});
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        expected = Pixels(bitmap);
    }
    for (bool isolated : {false, true}) {
        SCOPED_TRACE(isolated ? "isolated" : "Isolate=0");
        const auto spis = Collection(isolated);
        spis->Search(Folder32("decode_raw") + "*.spi");
        ASSERT_EQ(spis->Count(), 1);
        TSPIBitmap fromFile;
        ASSERT_NO_THROW(fromFile.LoadFromFile(path));
        EXPECT_EQ(Pixels(fromFile), expected);
        EXPECT_TRUE(fromFile.LoadFaults().empty());

        TMemoryStream memory;
        memory.LoadFromFile(path);
        TSPIBitmap fromMemory;
        ASSERT_NO_THROW(fromMemory.LoadFromStreamWithName(memory, "host32.tvr"));
        EXPECT_EQ(Pixels(fromMemory), expected);
        if (isolated) { // the 64-bit host had nothing to do
            EXPECT_EQ(static_cast<TPluginHost&>(*spis->Isolation).ProcessId(), 0u);
        }
    }
}

// A 32-bit module that crashes or hangs, tried before a 64-bit one that decodes anything, costs
// its attempt with one report; the picture still comes, and so does the next one.
TEST(DecodingHost32, ACrashOrAHangCostsOnePicture) {
    struct Case {
        const char* Module;
        const char* Says;
    };
    const Case cases[] = {{"fault_av", "異常終了しました"}, {"fault_hang", "応答しません"}};
    const std::string path = WriteScratch("picture32.flt", {1, 2, 3});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Module);
        const auto spis = Collection(false);
        spis->Search(Folder32(c.Module) + "*.spi");
        spis->Search(PluginFolder("decode_any") + DefaultSPIMask);
        ASSERT_EQ(spis->Count(), 2);
        for (int round = 0; round < 2; ++round) {
            TSPIBitmap bitmap;
            ASSERT_NO_THROW(bitmap.LoadFromFile(path));
            EXPECT_EQ(bitmap.Width(), 1);
            ASSERT_EQ(bitmap.LoadFaults().size(), 1u);
            const std::string& report = bitmap.LoadFaults()[0];
            EXPECT_TRUE(Contains(report, std::string(c.Module) + ".spi")) << report;
            EXPECT_TRUE(Contains(report, c.Says)) << report;
            // The host that faulted is gone; the next picture starts a fresh one.
            EXPECT_EQ(Host32(*spis).ProcessId(), 0u);
        }
    }
}

// One folder with the 64-bit and the 32-bit build of one module: both are loaded in the file
// system's order, and the last of them in that order is tried first on its format.
TEST(DecodingHost32, BothKindsInOneFolderTakePartInPluginOrder) {
    const std::string path = WriteScratch("order.tvr", TinyPicture());
    struct Case {
        const char* Name64;
        const char* Name32;
        bool SixtyFourFirst; // in the collection's order
    };
    const Case cases[] = {{"a.sph", "b.spi", true}, {"b.sph", "a.spi", false}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name64);
        const std::string folder = ScratchFolder() + "both" + std::to_string(round++) + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        CopyModule(PluginPath("decode_raw"), folder + c.Name64);
        CopyModule(Folder32("decode_raw") + "decode_raw.spi", folder + c.Name32);
        const auto spis = Collection(false);
        spis->Search(folder + spis->AutoSearchMask());
        ASSERT_EQ(spis->Count(), 2);
        TSPI& first = spis->Items(0);
        TSPI& second = spis->Items(1);
        EXPECT_EQ(first.Bits(), c.SixtyFourFirst ? 64 : 32);
        EXPECT_EQ(second.Bits(), c.SixtyFourFirst ? 32 : 64);

        std::vector<TInSPI*> order;
        spis->CollectLoaders<TInSPI>(path, order);
        ASSERT_EQ(order.size(), 2u);
        EXPECT_EQ(order[0], &second);

        // The one tried first decodes; the 64-bit module's own record tells whether it ran.
        TSPI& sixtyFour = c.SixtyFourFirst ? first : second;
        const auto stats = reinterpret_cast<DecodeTestStatsFunc>(
            reinterpret_cast<void*>(GetProcAddress(sixtyFour.Handle(), "DecodeTestStats")));
        ASSERT_NE(stats, nullptr);
        const int before = stats()->pictureCalls;
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        EXPECT_EQ(bitmap.Width(), 2);
        EXPECT_EQ(stats()->pictureCalls - before, c.SixtyFourFirst ? 0 : 1);
    }
}

// A load's renderings come early from either host, until a module faults in either: then the
// picture comes with the fault's report, never before it.
TEST(DecodingHost32, AFaultInOneHostEndsTheRenderingsOfBoth) {
    const std::string path = WriteScratch("render32.flt", {1, 2, 3});
    for (bool faultFirst : {false, true}) {
        SCOPED_TRACE(faultFirst ? "a 64-bit module faults first" : "no fault");
        const auto spis = Collection(true);
        if (faultFirst)
            spis->Search(PluginFolder("fault_av") + DefaultSPIMask);
        spis->Search(Folder32("decode_any") + "*.spi");
        ASSERT_EQ(spis->Count(), faultFirst ? 2 : 1);
        bool arrived = false;
        TRenderingWish wish;
        wish.SizeFor = [](int, int) { return std::make_pair(1, 1); };
        wish.Arrived = [&](int, int, TDib&&) { arrived = true; };
        TSPIBitmap bitmap;
        {
            bool faulted = false;
            TPluginHost::TRenderingScope own(static_cast<TPluginHost&>(*spis->Isolation), wish,
                                             &faulted);
            TPluginHost::TRenderingScope of32(Host32(*spis), wish, &faulted);
            ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        }
        EXPECT_EQ(bitmap.Width(), 1);
        EXPECT_EQ(bitmap.LoadFaults().size(), faultFirst ? 1u : 0u);
        EXPECT_EQ(arrived, !faultFirst);
    }
}

// Most archive modules that exist are 32-bit: one lists an archive and unpacks its entry in the
// 32-bit host, and the entry is decoded by a 64-bit import module here.
TEST(DecodingHost32, AThirtyTwoBitArchiveModuleReadsArchivesInItsHost) {
    const SpiBmpUnit decoding;
    const auto spis = Collection(false);
    spis->Search(Folder32("am_list") + spis->AutoSearchMask());
    spis->Search(PluginFolder("decode_raw") + DefaultSPIMask);
    ASSERT_EQ(spis->Count(), 2);
    EXPECT_EQ(spis->Items(0).Bits(), 32);
    const std::string picture = WriteScratch("entry32.tvr", TinyPicture());
    const std::string list = "TARC\r\nsub\\a.tvr\t" + picture + "\r\n";
    const std::wstring archive =
        AnsiToWide(WriteScratch("set32.tarc", std::vector<std::uint8_t>(list.begin(), list.end())));

    TArchiveReader archives(*spis, false);
    const auto entries = archives.Entries(archive);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].Name, L"sub\\a.tvr");
    TPicture loaded;
    LoadPictureAt(loaded, {archive, L"sub\\a.tvr", true}, &archives);
    EXPECT_EQ(loaded.Width(), 2);
    EXPECT_EQ(loaded.Height(), 2);
    EXPECT_TRUE(archives.TakeReports().empty());
}
