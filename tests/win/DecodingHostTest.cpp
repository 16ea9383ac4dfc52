// The decoding host: pictures decoded in tovane-host.exe come back as they do in-process, and a
// module that faults, hangs or fails to start costs a picture (with a report naming it), never
// the test program.
#include "framework/BitmapScale.h"
#include "framework/Streams.h"
#include "imaging/PluginHost.h"
#include "framework/win32/ModuleFile.h"
#include "imaging/SPIBmp.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace decoding_test;
using namespace tovane;

namespace {

// Short, so that the hang case does not hold the test up for the program's 15 s.
constexpr std::uint32_t TestHangMs = 3000;

TPluginHost& Isolate(TSPIs& spis) {
    spis.Isolation = std::make_unique<TPluginHost>(TPluginHost::DefaultHostPath(), TestHangMs);
    return static_cast<TPluginHost&>(*spis.Isolation);
}

// The named test modules, tried in the host first (they fault only when asked for pictures),
// then loaded here; modules without the decoding tests' statistics are fine.
std::unique_ptr<TSPIs> IsolatedCollection(std::initializer_list<const char*> names) {
    auto spis = std::make_unique<TSPIs>();
    Isolate(*spis);
    for (const char* name : names)
        spis->Search(PluginFolder(name) + DefaultSPIMask);
    EXPECT_EQ(spis->Count(), static_cast<int>(names.size()));
    EXPECT_TRUE(spis->PreflightFaults().empty());
    return spis;
}

TPluginHost& HostOf(TSPIs& spis) {
    return static_cast<TPluginHost&>(*spis.Isolation);
}

// The module file name's extension in this build.
std::string Suffix() {
    return DefaultSPIMask + 1;
}

DWORD HandleCount() {
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return n;
}

} // namespace

TEST(DecodingHost, DecodesFilesAndMemoryAsInProcess) {
    const std::string path = WriteScratch("host.tvr", TinyPicture());
    std::string expected;
    {
        const auto spis = MakeCollection({"decode_raw"});
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path)) << "in process";
        expected = Pixels(bitmap);
    }
    const auto spis = MakeCollection({"decode_raw"});
    TPluginHost& host = Isolate(*spis);
    TSPIBitmap fromFile;
    ASSERT_NO_THROW(fromFile.LoadFromFile(path));
    EXPECT_NE(host.ProcessId(), 0u) << "the picture was not decoded in the host";
    EXPECT_EQ(Pixels(fromFile), expected);
    EXPECT_TRUE(fromFile.LoadFaults().empty());

    TMemoryStream memory;
    memory.LoadFromFile(path);
    TSPIBitmap fromMemory;
    ASSERT_NO_THROW(fromMemory.LoadFromStreamWithName(memory, "host.tvr"));
    EXPECT_EQ(Pixels(fromMemory), expected);
}

// A caller that wishes for a rendering gets it during the load, made from the module's blocks
// exactly as the program would make it from the picture; not when it wants none, nor once a
// module has faulted in the load (the picture then comes with the fault's report).
// The modules of a host take the colour target from the environment it started with: a change
// of it makes the next call start a fresh host; nothing else does.
TEST(DecodingHost, AChangedColourTargetStartsAFreshHost) {
    TPluginHost host;
    host.Start();
    const DWORD first = host.ProcessId();
    ASSERT_NE(first, 0u);
    host.Start();
    EXPECT_EQ(host.ProcessId(), first);
    SetEnvironmentVariableW(L"TOVANE_COLOR_MANAGE", L"0");
    host.Start();
    const DWORD second = host.ProcessId();
    SetEnvironmentVariableW(L"TOVANE_COLOR_MANAGE", nullptr);
    EXPECT_NE(second, first);
    EXPECT_NE(second, 0u);
    host.Start();
    EXPECT_NE(host.ProcessId(), second) << "the target went back: a host of it again";
}

TEST(DecodingHost, ARenderingComesBeforeThePictureUnlessNoneIsWantedOrAModuleFaulted) {
    std::vector<std::uint8_t> pixels(40 * 3 * 30);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * 7 % 251);
    const std::string picture =
        WriteScratch("render.tvr", RawPicture(InfoBlock(40, 30, 24), pixels));
    const std::string faulting = WriteScratch("render.flt", {1, 2, 3});
    struct Case {
        std::initializer_list<const char*> Modules;
        const std::string& Path;
        std::pair<int, int> Size;
        bool Expected;
    };
    const Case cases[] = {{{"decode_raw"}, picture, {10, 6}, true},
                          {{"decode_raw"}, picture, {0, 0}, false},
                          {{"fault_av", "decode_any"}, faulting, {1, 1}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path + " " + std::to_string(c.Size.first));
        const auto spis = IsolatedCollection(c.Modules);
        std::pair<int, int> asked{-1, -1}, decoded{-1, -1};
        TDib rendering;
        TRenderingWish wish;
        wish.SizeFor = [&](int w, int h) {
            asked = {w, h};
            return c.Size;
        };
        wish.Arrived = [&](int w, int h, TDib&& dib) {
            decoded = {w, h};
            rendering = std::move(dib);
        };
        TSPIBitmap bitmap;
        {
            TPluginHost::TRenderingScope scope(HostOf(*spis), wish);
            ASSERT_NO_THROW(bitmap.LoadFromFile(c.Path));
        }
        EXPECT_EQ(!rendering.Empty(), c.Expected);
        if (!c.Expected)
            continue;
        EXPECT_EQ(asked, std::make_pair(40, 30));
        EXPECT_EQ(decoded, std::make_pair(40, 30));
        const TDib expected = ResampleArea(bitmap.Dib(), 10, 6);
        EXPECT_EQ(rendering.Width, 10);
        EXPECT_EQ(rendering.Height, 6);
        EXPECT_TRUE(std::equal(rendering.Bits.begin(), rendering.Bits.end(), expected.Bits.begin(),
                               expected.Bits.end()));
    }
}

TEST(DecodingHost, HeaderAgainstBlockChecksStillRefuseALyingModule) {
    // The header claims 100 x 100 at 24 bits; the pixel block holds 12 bytes.
    const auto spis = MakeCollection({"decode_raw"});
    Isolate(*spis);
    const std::string path = WriteScratch(
        "liar.tvr", RawPicture(InfoBlock(100, 100, 24), std::vector<std::uint8_t>(12)));
    TSPIGraphic graphic;
    EXPECT_THROW(graphic.LoadFromFile(path), EInvalidGraphic);
    EXPECT_TRUE(graphic.GetEmpty());
}

TEST(DecodingHost, CancellingFromTheProgressHandlerStopsTheModuleInTheHost) {
    const auto spis = MakeCollection({"decode_progress"});
    Isolate(*spis);
    const std::string path = WriteScratch("stop.prg", {1, 2, 3});
    for (const bool cancel : {false, true}) {
        TSPIGraphic graphic;
        int running = 0;
        graphic.OnProgress = [&](TGraphic*, TProgressStage stage, std::uint8_t percent, bool,
                                 const TRect&, const std::string&) {
            // Every attempt (both skip offsets) is stopped at its first progress call.
            if (stage == psRunning && percent >= 2 && ++running >= 1 && cancel)
                throw EAbort();
        };
        if (cancel)
            EXPECT_THROW(graphic.LoadFromFile(path), EInvalidGraphic);
        else
            EXPECT_NO_THROW(graphic.LoadFromFile(path));
        EXPECT_GE(running, 1) << "no progress came across";
    }
}

// Each faulting module, tried before one that decodes anything: the picture still comes, with
// one report naming the module and the file; the host is replaced; nothing is left behind.
TEST(DecodingHost, AModuleThatFaultsCostsOnlyItsAttempt) {
    struct Case {
        const char* Module;
        const char* Says;
    };
    const Case cases[] = {
        {"fault_av", "異常終了しました"},
        {"fault_stack", "異常終了しました"},
        {"fault_abort", "異常終了しました"},
        {"fault_hang", "応答しません"},
    };
    const std::string path = WriteScratch("picture.flt", {1, 2, 3});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Module);
        const auto spis = IsolatedCollection({c.Module, "decode_any"});
        TPluginHost& host = HostOf(*spis);
        DWORD handles[2] = {};
        DWORD previousHost = 0;
        for (int round = 0; round < 2; ++round) {
            {
                TSPIBitmap bitmap;
                ASSERT_NO_THROW(bitmap.LoadFromFile(path));
                EXPECT_EQ(bitmap.Width(), 1);
                ASSERT_EQ(bitmap.LoadFaults().size(), 1u);
                const std::string& report = bitmap.LoadFaults()[0];
                EXPECT_TRUE(Contains(report, c.Module + Suffix())) << report;
                EXPECT_TRUE(Contains(report, path)) << report;
                EXPECT_TRUE(Contains(report, c.Says)) << report;
                // decode_any ran in a host started after the fault.
                EXPECT_NE(host.ProcessId(), 0u);
                EXPECT_NE(host.ProcessId(), previousHost);
                previousHost = host.ProcessId();
            }
            handles[round] = HandleCount();
        }
        EXPECT_EQ(handles[1], handles[0]) << "handles left behind by a fault";
    }
}

TEST(DecodingHost, AFailedLoadNamesTheFaultAndAModuleFaultingThreeTimesInARowIsLeftOut) {
    const auto spis = IsolatedCollection({"fault_av"});
    TPluginHost& host = HostOf(*spis);
    const std::string path = WriteScratch("thrice.flt", {1, 2, 3});
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        TSPIBitmap bitmap;
        std::string message;
        try {
            bitmap.LoadFromFile(path);
        } catch (const EInvalidGraphic& e) {
            message = e.what();
        }
        EXPECT_TRUE(Contains(message, SpiCouldNotDecode)) << message;
        EXPECT_EQ(Contains(message, "fault_av" + Suffix()), round <= 3) << message;
        EXPECT_EQ(Contains(message, "以後使いません"), round == 3) << message;
    }
    EXPECT_EQ(host.ProcessId(), 0u) << "a module left out is not even asked";
}

TEST(DecodingHost, AModuleFaultingOnItsSecondCallServesAgainFromAFreshHost) {
    const auto spis = IsolatedCollection({"fault_second", "decode_any"});
    const std::string path = WriteScratch("second.flt", {1, 2, 3});
    const std::size_t expectedFaults[] = {0, 1, 0, 1};
    for (std::size_t faults : expectedFaults) {
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        EXPECT_EQ(bitmap.LoadFaults().size(), faults);
    }
}

TEST(DecodingHost, PreflightLeavesOutModulesThatFaultWhileLoadingOrDescribing) {
    const std::string folder = ScratchFolder() + "preflight\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"fault_dllmain", "fault_info", "decode_any"})
        ASSERT_TRUE(CopyFileA(PluginPath(name).c_str(), (folder + name + Suffix()).c_str(), FALSE));
    TSPIs spis;
    Isolate(spis);
    spis.Search(folder + DefaultSPIMask);
    ASSERT_EQ(spis.Count(), 1);
    EXPECT_TRUE(Contains(spis.Items(0).FileName(), "decode_any" + Suffix()));
    ASSERT_EQ(spis.PreflightFaults().size(), 2u);
    EXPECT_TRUE(Contains(spis.PreflightFaults()[0], "fault_dllmain" + Suffix()));
    EXPECT_TRUE(Contains(spis.PreflightFaults()[1], "fault_info" + Suffix()));
}

// A host that has ended between two calls (here: a module's own thread faulted after its call
// had returned) is replaced without blaming the module of the next call.
TEST(DecodingHost, AHostThatEndedBetweenCallsIsReplacedWithoutBlame) {
    const auto spis = IsolatedCollection({"fault_late", "decode_any"});
    TPluginHost& host = HostOf(*spis);
    const std::string path = WriteScratch("late.flt", {1, 2, 3});
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        EXPECT_TRUE(bitmap.LoadFaults().empty()) << bitmap.LoadFaults()[0];
        // Until the module's thread has ended that host.
        const UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, host.ProcessId()));
        ASSERT_TRUE(process);
        EXPECT_EQ(WaitForSingleObject(process.Get(), 10000), WAIT_OBJECT_0);
    }
    EXPECT_FALSE(host.IsSkipped(spis->Items(0)));
}

// What is not the module's fault moves on or is allowed for; faults spread over many good calls
// do not add up.
TEST(DecodingHost, CallsTheHostCannotMakeSlowBusyDecodesAndRareFaultsCostNothing) {
    struct Case {
        const char* Module;
        const char* Text; // the file's content
        int Loads;
        int Decoded; // loads that gave a picture
        int Faults;  // loads that reported a fault
    };
    const Case cases[] = {
        // Loads only in the viewer: the host cannot call it, and decode_any is asked.
        {"fault_nohost", "x", 2, 2, 0},
        // Busy for longer than the hang timeout (TestHangMs) without a progress call.
        {"fault_busy", "5000", 1, 1, 0},
        // Faults at every second check (at the second skip offset), each after a good one;
        // never decodes.
        {"fault_check", "x", 6, 0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Module);
        const auto spis = IsolatedCollection({c.Module, "decode_any"});
        if (std::string(c.Module) == "fault_check")
            spis->Delete(1); // nothing else to decode the file
        const std::string text = c.Text;
        const std::string path = WriteScratch("case.flt", {text.begin(), text.end()});
        int decoded = 0, faults = 0;
        for (int k = 0; k < c.Loads; ++k) {
            TSPIBitmap bitmap;
            try {
                bitmap.LoadFromFile(path);
                ++decoded;
                faults += bitmap.LoadFaults().empty() ? 0 : 1;
            } catch (const EInvalidGraphic& e) {
                faults += Contains(e.what(), c.Module + Suffix()) ? 1 : 0;
                EXPECT_FALSE(Contains(e.what(), "以後使いません")) << e.what();
            }
        }
        EXPECT_EQ(decoded, c.Decoded);
        EXPECT_EQ(faults, c.Faults);
        EXPECT_FALSE(HostOf(*spis).IsSkipped(spis->Items(0)));
    }
}

// A host that says something that makes no sense is ended as a fault of the module it was
// calling; the next call gets a fresh host; a module it is asked to try out is left out.
TEST(DecodingHost, AnswersThatMakeNoSenseEndTheHostAsTheModulesFault) {
    const auto spis = MakeCollection({"decode_any"});
    const TSPI& module = spis->Items(0);
    const std::wstring fake = AnsiToWide(ProgramFolder()) + L"fake_host.exe";
    std::vector<std::uint8_t> header(2048);
    for (const char* mode : {"trailing", "kind"}) {
        SCOPED_TRACE(mode);
        SetEnvironmentVariableA("TOVANE_FAKE_HOST", mode);
        TPluginHost host(fake, TestHangMs);
        DWORD previous = 0;
        for (int call = 1; call <= 3; ++call) {
            EXPECT_THROW(host.IsSupported(module, "a.any", header.data()), EPluginFault);
            EXPECT_EQ(host.ProcessId(), 0u) << "the host was not ended";
            host.Start();
            EXPECT_NE(host.ProcessId(), previous);
            previous = host.ProcessId();
        }
        EXPECT_TRUE(host.IsSkipped(module)) << "three faults in a row";
        EXPECT_FALSE(host.Preflight(module.FileName()).empty());
    }
    SetEnvironmentVariableA("TOVANE_FAKE_HOST", nullptr);
}

// A host is trusted only when the process started is the one that connects and greets: one
// that greets in another's name, or whose pipe another process took, is not started.
TEST(DecodingHost, AHostThatIsNotTheProcessStartedIsRefused) {
    const std::wstring fake = AnsiToWide(ProgramFolder()) + L"fake_host.exe";
    for (const char* mode : {"otherpid", "impostor"}) {
        SCOPED_TRACE(mode);
        SetEnvironmentVariableA("TOVANE_FAKE_HOST", mode);
        TPluginHost host(fake, TestHangMs);
        EXPECT_THROW(host.Start(), EHostUnavailable);
        EXPECT_EQ(host.ProcessId(), 0u);
        const std::vector<std::string> reports = host.TakeReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_TRUE(Contains(reports[0], "が応答しません")) << reports[0];
    }
    SetEnvironmentVariableA("TOVANE_FAKE_HOST", nullptr);
}

// No host starts: the modules are called in this process, and the user is told once.
TEST(DecodingHost, WithoutAHostTheModulesRunHereAndThatIsSaidOnce) {
    const auto spis = MakeCollection({"decode_any"});
    spis->Isolation = std::make_unique<TPluginHost>(L"C:\\nowhere\\tovane-host.exe", TestHangMs);
    const std::string path = WriteScratch("nohost.any", {1, 2, 3});
    for (std::size_t reports : {1u, 0u, 0u}) {
        TSPIBitmap bitmap;
        ASSERT_NO_THROW(bitmap.LoadFromFile(path));
        EXPECT_EQ(bitmap.Width(), 1);
        ASSERT_EQ(bitmap.LoadFaults().size(), reports);
        if (reports == 1) {
            EXPECT_TRUE(Contains(bitmap.LoadFaults()[0], "起動できません"))
                << bitmap.LoadFaults()[0];
        }
    }
    EXPECT_TRUE(HostOf(*spis).Unavailable());
}

// A library planted in the program's current folder (a picture folder, say) is never what a
// module loading a library by name gets: not in the host, nor here once the search is set.
TEST(DecodingHost, ALibraryPlantedInTheCurrentFolderIsNotLoadedByName) {
    const std::string folder = ScratchFolder() + "planted\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(PluginPath("decode_any").c_str(), (folder + "tovane-planted.dll").c_str(),
                          FALSE));
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    std::vector<std::uint8_t> header(2048);
    const auto inHost = IsolatedCollection({"in_byname"});
    EXPECT_EQ(HostOf(*inHost).IsSupported(inHost->Items(0), "a.byn", header.data()), 0);
    RestrictLibrarySearch();
    auto& here = dynamic_cast<TInSPI&>(inHost->Items(0));
    EXPECT_EQ(here.IsSupported("a.byn", header.data()), 0);
    SetCurrentDirectoryA(saved);
}
