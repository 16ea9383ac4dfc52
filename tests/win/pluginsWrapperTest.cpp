// One loaded plug-in module: class choice by version, self-description, required exports,
// messages, module loads, and the pass-through calls, all with real modules.
#include "plugins/SPIs.h"

#include "framework/win32/Text.h"
#include "pluginsTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <typeinfo>

namespace tovane {
namespace {

using test::IsLoaded;
using test::TestPlugin;
using Strings = std::vector<std::string>;

// The message of the exception that fn raises as E.
template <typename E, typename Fn> std::string MessageOf(Fn fn) {
    try {
        fn();
    } catch (const E& e) {
        return e.what();
    }
    ADD_FAILURE() << "nothing raised";
    return std::string();
}

std::string InvalidApiMessage(const std::string& exportName, const std::string& path) {
    return exportName + "は[" + AnsiToUtf8(path) + "]では使えないSusie Plugin APIです";
}

TEST(LoadPlugin, ImportPluginDescribesItself) {
    const std::string path = TestPlugin("in_echo");
    const std::unique_ptr<TSPI> spi = LoadPlugin(path);
    ASSERT_NE(spi, nullptr);
    EXPECT_EQ(typeid(*spi), typeid(TInSPI));
    EXPECT_TRUE(SameTextAscii(spi->FileName(), path)) << spi->FileName();
    EXPECT_EQ(spi->APIVersion(), "00IN");
    EXPECT_EQ(spi->PluginInfo(), "Echo test plug-in");
    EXPECT_EQ(spi->Extensions(), (Strings{"*.ech;*.echo", "*.tar.gz"}));
    EXPECT_EQ(spi->FormatNames(), (Strings{"Echo picture", "Echo tarball"}));
    EXPECT_TRUE(spi->Usable());
    EXPECT_EQ(spi->Handle(), GetModuleHandleA(path.c_str()));
    EXPECT_NE(spi->GetProc("ConfigurationDlg"), nullptr);
    EXPECT_EQ(spi->GetProc("GetFile"), nullptr);
}

TEST(LoadPlugin, TextsWithoutATerminatorAreCutAtTheBuffer) {
    // The module writes 256 bytes with no NUL for the description and the filter pair; the
    // host's 256-byte buffer holds them whole and nothing past it is read (ASan-style overruns
    // would show up as longer texts or a crash here).
    const std::unique_ptr<TSPI> spi = LoadPlugin(TestPlugin("in_unterminated"));
    ASSERT_NE(spi, nullptr);
    EXPECT_EQ(spi->PluginInfo(), std::string(256, 'D'));
    EXPECT_EQ(spi->Extensions(), (Strings{std::string(256, 'E')}));
    EXPECT_EQ(spi->FormatNames(), (Strings{std::string(256, 'F')}));
}

TEST(LoadPlugin, AModuleAnsweringEveryIndexEndsAtItsFirstRepeatedPair) {
    const std::unique_ptr<TSPI> spi = LoadPlugin(TestPlugin("info_endless"));
    ASSERT_NE(spi, nullptr);
    // 300 characters and a terminator land in the buffer's spare room; the text is cut.
    EXPECT_EQ(spi->PluginInfo(), std::string(256, 'D'));
    EXPECT_EQ(spi->Extensions(), Strings{"*.end"});
    EXPECT_EQ(spi->FormatNames(), Strings{"Endless"});
}

TEST(LoadPlugin, ChoosesTheClassByTheExactVersion) {
    const auto lower = LoadPlugin(TestPlugin("in_lowercase"));
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(typeid(*lower), typeid(TSPI));
    EXPECT_EQ(lower->APIVersion(), "00in");
    EXPECT_FALSE(lower->Usable());

    const auto versionless = LoadPlugin(TestPlugin("no_version"));
    ASSERT_NE(versionless, nullptr);
    EXPECT_EQ(typeid(*versionless), typeid(TSPI));
    EXPECT_EQ(versionless->APIVersion(), "");
    EXPECT_EQ(versionless->PluginInfo(), "Versionless");

    const auto archive = LoadPlugin(TestPlugin("am_full"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(typeid(*archive), typeid(TAmSPI));
    EXPECT_TRUE(archive->Usable());
    EXPECT_EQ(archive->Extensions(), Strings{"*.arc"});

    const auto xn = LoadPlugin(TestPlugin("xn_plain"));
    ASSERT_NE(xn, nullptr);
    EXPECT_EQ(typeid(*xn), typeid(TXnSPI));
    EXPECT_FALSE(xn->Usable());
}

TEST(LoadPlugin, ReadsFilterPairsUntilTheFirstIncompletePair) {
    const auto half = LoadPlugin(TestPlugin("in_halfpair"));
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->Extensions(), Strings{"*.aaa"});
    EXPECT_EQ(half->FormatNames(), Strings{"A format"});

    const auto none = LoadPlugin(TestPlugin("in_noindex2"));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->Extensions().empty());
    EXPECT_TRUE(none->FormatNames().empty());
}

TEST(LoadPlugin, MissingRequiredExportsRaiseNamingTheFirstMissing) {
    const std::string noFile = TestPlugin("am_nofile");
    EXPECT_EQ(MessageOf<ESPIInvalidAPI>([&] { LoadPlugin(noFile); }),
              InvalidApiMessage("GetFile", noFile));
    // Base requirements come first: a bare "00IN" module lacks IsSupported before the rest.
    const std::string bare = TestPlugin("in_bare");
    EXPECT_EQ(MessageOf<ESPIInvalidAPI>([&] { LoadPlugin(bare); }),
              InvalidApiMessage("IsSupported", bare));
    const std::string noInfo = TestPlugin("no_info");
    EXPECT_EQ(MessageOf<ESPIInvalidAPI>([&] { LoadPlugin(noInfo); }),
              InvalidApiMessage("GetPluginInfo", noInfo));
    // The refused modules are unloaded again.
    EXPECT_FALSE(IsLoaded(noFile));
    EXPECT_FALSE(IsLoaded(bare));
    EXPECT_FALSE(IsLoaded(noInfo));
}

TEST(LoadPlugin, FilesThatAreNoModulesGiveNullSilently) {
    test::ScratchFolder folder("nomodule");
    const std::string text = folder.Write("text.sph", "not a module\r\n");
    EXPECT_EQ(LoadPlugin(text), nullptr);
    EXPECT_EQ(LoadPlugin(folder.Path() + "\\missing.sph"), nullptr);
    EXPECT_EQ(MessageOf<ESPIFOpenErrorSPI>([&] { TSPI::Create(text); }),
              text + ":Susie Pluginがロードできませんでした");
}

TEST(LoadPlugin, MessagesCarryDoubleBytePathsAsUtf8) {
    // "テスト" in code page 932.
    test::ScratchFolder folder("\x83\x65\x83\x58\x83\x67");
    const std::string missing = folder.Path() + "\\none.sph";
    EXPECT_EQ(MessageOf<ESPIFOpenErrorSPI>([&] { TSPI::Create(missing); }),
              AnsiToUtf8(folder.Path()) + "\\none.sph:Susie Pluginがロードできませんでした");
    EXPECT_NE(AnsiToUtf8(missing).find("テスト"), std::string::npos);

    const std::string copy = folder.Copy("in_nopreview", "np.sph");
    const auto spi = TInSPI::Create(copy);
    const std::string message = MessageOf<ESPIInvalidAPI>(
        [&] { spi->GetPreview("x", 0, 0, nullptr, nullptr, nullptr, 0); });
    EXPECT_EQ(message, InvalidApiMessage("GetPreview", spi->FileName()));
    EXPECT_NE(message.find("テスト"), std::string::npos) << message;
}

TEST(LoadPlugin, LeavesOneLoadPerWrapper) {
    const std::string path = TestPlugin("in_echo");
    ASSERT_FALSE(IsLoaded(path));
    auto first = LoadPlugin(path);
    auto second = TInSPI::Create(path);
    first.reset();
    EXPECT_TRUE(IsLoaded(path)); // the second wrapper's load keeps it
    EXPECT_EQ(second->PluginInfo(), "Echo test plug-in");
    second.reset();
    EXPECT_FALSE(IsLoaded(path)); // the probe's load went with LoadPlugin
}

TEST(Wrapper, ClassesRefuseModulesOfTheWrongKind) {
    const std::string archive = TestPlugin("am_full");
    EXPECT_EQ(MessageOf<ESPIInvalidAPI>([&] { TInSPI::Create(archive); }),
              InvalidApiMessage("GetPictureInfo", archive));
    EXPECT_NE(TSPI::Create(archive), nullptr);
}

TEST(Wrapper, GetPluginInfoPassesThrough) {
    const auto spi = TSPI::Create(TestPlugin("in_echo"));
    char small[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(spi->GetPluginInfo(1, small, 5), 4);
    EXPECT_STREQ(small, "Echo");
    EXPECT_EQ(spi->GetPluginInfo(6, small, 5), 0);
}

struct EchoCall {
    char kind[4];
    LONG_PTR len;
    unsigned int flag;
    char first;
};

EchoCall ReadEcho(HLOCAL info) {
    EchoCall call{};
    const void* p = LocalLock(info);
    std::memcpy(&call, p, sizeof call);
    LocalUnlock(info);
    return call;
}

// Checks the call in_echo recorded in the picture it handed back, and frees the picture.
void ExpectEchoed(HLOCAL info, HLOCAL bits, const EchoCall& expected) {
    const EchoCall call = ReadEcho(info);
    EXPECT_EQ(std::string(call.kind, 4), std::string(expected.kind, 4));
    EXPECT_EQ(call.len, expected.len);
    EXPECT_EQ(call.flag, expected.flag);
    EXPECT_EQ(call.first, expected.first);
    LocalFree(info);
    LocalFree(bits);
}

struct ProgressLog {
    int num = -1;
    int denom = -1;
    int answer = 0;
};

int WINAPI RecordProgress(int num, int denom, LONG_PTR data) {
    auto* log = reinterpret_cast<ProgressLog*>(data);
    log->num = num;
    log->denom = denom;
    return log->answer;
}

TEST(InSPI, IsSupportedSeesNameAndData) {
    const auto spi = TInSPI::Create(TestPlugin("in_echo"));
    std::vector<char> head(2048, '\0');
    std::memcpy(head.data(), "ECHO", 4);
    EXPECT_NE(spi->IsSupported("C:\\a.ech", head.data()), 0);
    head[0] = 'X';
    EXPECT_EQ(spi->IsSupported("C:\\a.ech", head.data()), 0);
}

TEST(InSPI, GetPictureInfoPassesArgumentsAndHandsBackTheRecord) {
    const auto spi = TInSPI::Create(TestPlugin("in_echo"));
    PictureInfo info{};
    ASSERT_EQ(spi->GetPictureInfo("C:\\file.ech", 128, 0, &info), 0);
    EXPECT_EQ(info.left, 128);
    EXPECT_EQ(info.top, 0);
    EXPECT_EQ(info.width, 'C');
    EXPECT_EQ(info.x_density, 72);
    EXPECT_EQ(info.y_density, 96);
    EXPECT_EQ(info.colorDepth, 24);
    ASSERT_NE(info.hInfo, nullptr);
    EXPECT_EQ(LocalSize(info.hInfo), 16u);
    EXPECT_EQ(LocalFree(info.hInfo), nullptr);

    const char memory[] = "ECHO data";
    ASSERT_EQ(spi->GetPictureInfo(memory, sizeof memory, 1, &info), 0);
    EXPECT_EQ(info.left, static_cast<std::int32_t>(sizeof memory));
    EXPECT_EQ(info.top, 1);
    EXPECT_EQ(info.width, 'E');
    LocalFree(info.hInfo);
}

TEST(InSPI, GetPictureAndPreviewPassArgumentsAndCallback) {
    const auto spi = TInSPI::Create(TestPlugin("in_echo"));
    ProgressLog log;
    HLOCAL info = nullptr;
    HLOCAL bits = nullptr;
    const char memory[] = "ECHO";
    ASSERT_EQ(spi->GetPicture(memory, 40, 1, &info, &bits, RecordProgress,
                              reinterpret_cast<LONG_PTR>(&log)),
              0);
    EXPECT_EQ(log.num, 40);
    EXPECT_EQ(log.denom, 100);
    ExpectEchoed(info, bits, {{'P', 'I', 'C', 'T'}, 40, 1, 'E'});

    ASSERT_EQ(spi->GetPreview("C:\\p.ech", 128, 0, &info, &bits, nullptr, 0), 0);
    ExpectEchoed(info, bits, {{'P', 'R', 'E', 'V'}, 128, 0, 'C'});
}

TEST(InSPI, ResultsComeBackUnchanged) {
    const auto spi = TInSPI::Create(TestPlugin("in_echo"));
    ProgressLog log;
    log.answer = 1; // ask the plug-in to stop
    HLOCAL info = nullptr;
    HLOCAL bits = nullptr;
    EXPECT_EQ(spi->GetPicture("ECHO", 4, 1, &info, &bits, RecordProgress,
                              reinterpret_cast<LONG_PTR>(&log)),
              1);
    EXPECT_EQ(info, nullptr);
    const auto stub = TInSPI::Create(TestPlugin("in_nopreview"));
    PictureInfo record{};
    EXPECT_EQ(stub->GetPictureInfo("x", 0, 0, &record), 2);
    EXPECT_EQ(record.hInfo, nullptr); // nothing written: no handle to free
    EXPECT_EQ(stub->GetPicture("x", 0, 0, &info, &bits, nullptr, 0), 2);
}

// Both layouts that 64-bit modules write give the same record; in the 32-bit build both
// modules write the one packed layout.
class PictureInfoLayout : public testing::TestWithParam<const char*> {};

TEST_P(PictureInfoLayout, HandleIsReadWhereTheModuleWroteIt) {
    const auto spi = TInSPI::Create(TestPlugin(GetParam()));
    PictureInfo info;
    std::memset(&info, 0xEE, sizeof info);
    ASSERT_EQ(spi->GetPictureInfo("C:\\x.pad", 0, 0, &info), 0);
    EXPECT_EQ(info.left, 1);
    EXPECT_EQ(info.top, 2);
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 200);
    EXPECT_EQ(info.x_density, 72);
    EXPECT_EQ(info.y_density, 72);
    EXPECT_EQ(info.colorDepth, 8);
    ASSERT_NE(info.hInfo, nullptr);
    EXPECT_EQ(LocalSize(info.hInfo), 8u); // a live handle of the size the module allocated
    EXPECT_EQ(LocalFree(info.hInfo), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modules, PictureInfoLayout, testing::Values("info_padded", "info_packed"));

} // namespace
} // namespace tovane
