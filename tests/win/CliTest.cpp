// The console tool end to end: a separate process over the test modules (and the bundled
// plug-ins when they are built), its output read through pipes.
#include "framework/BitmapFile.h"
#include "framework/win32/Text.h"
#include "tests/win/DecodingSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace decoding_test;

namespace {

struct CliRun {
    DWORD ExitCode = 0;
    std::string Out; // bytes as written
    std::string Err;
};

std::string ReadAll(HANDLE pipe) {
    std::string s;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        s.append(buffer, got);
    return s;
}

// Runs tovane-cli.exe with the arguments (each quoted) and collects what it wrote.
CliRun RunCli(const std::vector<std::wstring>& args) {
    std::wstring command = L"\"" + tovane::AnsiToWide(ProgramFolder()) + L"tovane-cli.exe\"";
    for (const std::wstring& a : args)
        command += L" \"" + a + L"\"";

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &inherit, 0);
    CreatePipe(&errRead, &errWrite, &inherit, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    CliRun run;
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(0);
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        ADD_FAILURE() << "cannot start " << tovane::WideToUtf8(command);
        run.ExitCode = 255;
        return run;
    }
    // The outputs are small: read one pipe to its end, then the other.
    run.Out = ReadAll(outRead);
    run.Err = ReadAll(errRead);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &run.ExitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

// Arguments in the code page, as most tests give them.
CliRun RunCli(const std::vector<std::string>& args) {
    std::vector<std::wstring> wide;
    for (const std::string& a : args)
        wide.push_back(tovane::AnsiToWide(a));
    return RunCli(wide);
}

std::string WithoutSlash(std::string folder) {
    folder.pop_back();
    return folder;
}

} // namespace

TEST(Cli, ListsThePluginsOfAFolderWithTheirTextsInUtf8) {
    const CliRun run = RunCli({"plugins", "--plugins", WithoutSlash(PluginFolder("decode_any"))});
    EXPECT_EQ(run.ExitCode, 0u) << run.Err;
    EXPECT_NE(run.Out.find(PluginPath("decode_any")), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("APIVersion: 00IN"), std::string::npos) << run.Out;
    // The plug-in's Shift-JIS description comes out as UTF-8.
    EXPECT_NE(run.Out.find("PluginInfo: decode test: any \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find("*.any: Anything"), std::string::npos) << run.Out;
    EXPECT_EQ(run.Out.find("decode_raw"), std::string::npos); // that folder only
}

#if defined(_WIN64)
// The 64-bit tool lists and decodes with a 32-bit module too, which runs in tovane-host32.exe.
TEST(Cli, ListsAndDecodesWithAThirtyTwoBitModule) {
    const std::string folder = ProgramFolder() + "testplugins32\\decode_raw";
    const CliRun list = RunCli({"plugins", "--plugins", folder});
    EXPECT_EQ(list.ExitCode, 0u) << list.Err;
    EXPECT_NE(list.Out.find(folder + "\\decode_raw.spi"), std::string::npos) << list.Out;
    EXPECT_NE(list.Out.find("Host: 32-bit decoding host"), std::string::npos) << list.Out;
    const std::string input = WriteScratch("cli32.tvr", TinyPicture());
    const std::string output = ScratchFolder() + "cli32.bmp";
    const CliRun decode = RunCli({"decode", "--in-process", "--plugins", folder, input, output});
    EXPECT_EQ(decode.ExitCode, 0u) << decode.Err;
    EXPECT_EQ(decode.Out, "2x2\n");
}
#endif

TEST(Cli, DecodesFromFileAndFromMemoryIntoABitmapFile) {
    const std::string input = WriteScratch("cli.tvr", TinyPicture());
    for (bool memory : {false, true}) {
        const std::string output = ScratchFolder() + (memory ? "cli-mem.bmp" : "cli-file.bmp");
        std::vector<std::string> args = {"decode", "--plugins",
                                         WithoutSlash(PluginFolder("decode_raw")), input, output};
        if (memory)
            args.insert(args.begin() + 1, "--memory");
        const CliRun run = RunCli(args);
        ASSERT_EQ(run.ExitCode, 0u) << run.Err;
        EXPECT_EQ(run.Out, "2x2\n");
        const tovane::TDib dib = tovane::ReadBitmapFile(ReadWholeFile(output));
        EXPECT_EQ(dib.Width, 2);
        EXPECT_EQ(dib.PixelColor(0, 0), 0x0000FFu);
        EXPECT_EQ(dib.PixelColor(1, 1), 0x00FF00u);
    }
}

TEST(Cli, DecodesFilesNamedOutsideTheCodePage) {
    const std::wstring plugins = tovane::AnsiToWide(WithoutSlash(PluginFolder("decode_raw")));
    const std::wstring output = WriteScratchW(L"\u301C\U0001F600.bmp", {});
    for (const std::wstring& input :
         {WriteScratchW(L"\U0001F600.bmp", BitmapFile3x2()),
          WriteScratchW(L"\u5199\u771F\U0001F600.tvr", TinyPicture())}) {
        const CliRun run = RunCli({L"decode", L"--plugins", plugins, input, output});
        ASSERT_EQ(run.ExitCode, 0u) << run.Err;
        EXPECT_EQ(run.Out, input.ends_with(L".bmp") ? "3x2\n" : "2x2\n");
    }
    // An error names the file as it is.
    const std::wstring missing = tovane::AnsiToWide(ScratchFolder()) + L"\uD55C\uAD6D.bmp";
    const CliRun run = RunCli({L"decode", missing, output});
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_NE(run.Err.find(tovane::WideToUtf8(missing)), std::string::npos) << run.Err;
}

TEST(Cli, ReportsFailuresOnStderrWithANonzeroExitCode) {
    const std::string input = WriteScratch("cli-bad.tvr", {'n', 'o', 'p', 'e'});
    CliRun run = RunCli({"decode", "--plugins", WithoutSlash(PluginFolder("decode_raw")), input,
                         ScratchFolder() + "never.bmp"});
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_NE(run.Err.find("Susie Plugins could not decode"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(std::filesystem::exists(ScratchFolder() + "never.bmp"));

    run = RunCli({"decode", input});
    EXPECT_EQ(run.ExitCode, 2u);
    EXPECT_NE(run.Err.find("usage:"), std::string::npos);

    run = RunCli({"decode", "--plugins", WithoutSlash(PluginFolder("decode_raw")),
                  ScratchFolder() + "x.none", ScratchFolder() + "never.bmp"});
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_NE(run.Err.find("tovane-cli: "), std::string::npos);
}

// The plug-ins shipped with the program, when this build has them beside the tool.
TEST(Cli, DecodesThroughTheBundledPlugins) {
    const std::string bin = WithoutSlash(ProgramFolder());
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((ProgramFolder() + tovane::DefaultSPIMask).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no bundled plug-ins in " << bin;
    FindClose(find);

    const CliRun list = RunCli({"plugins", "--plugins", bin});
    EXPECT_EQ(list.ExitCode, 0u) << list.Err;
    EXPECT_NE(list.Out.find("APIVersion: 00IN"), std::string::npos) << list.Out;
    // Without a folder the main window's locations are searched, the program's folder among them.
    const CliRun defaults = RunCli({"plugins"});
    EXPECT_EQ(defaults.ExitCode, 0u) << defaults.Err;
    EXPECT_NE(defaults.Out.find(ProgramFolder() + found.cFileName), std::string::npos)
        << defaults.Out;

    // A 2x2 picture as PNG (top row red, white; bottom row blue, green) and as PPM.
    const std::vector<std::uint8_t> png = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49,
        0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02,
        0x00, 0x00, 0x00, 0xfd, 0xd4, 0x9a, 0x73, 0x00, 0x00, 0x00, 0x13, 0x49, 0x44,
        0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0xf0, 0xff, 0x3f, 0x90, 0x60,
        0xf8, 0x0f, 0x84, 0x00, 0x2d, 0xe0, 0x05, 0xfb, 0x5c, 0xa8, 0x27, 0x2f, 0x00,
        0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    std::vector<std::uint8_t> ppm = {'P', '6', ' ', '2', ' ', '2', ' ', '2', '5', '5', '\n'};
    for (std::uint8_t b : {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0})
        ppm.push_back(b);

    const std::pair<const char*, const std::vector<std::uint8_t>*> pictures[] = {
        {"bundled.png", &png}, {"bundled.ppm", &ppm}};
    for (const auto& [name, bytes] : pictures) {
        for (bool memory : {false, true}) {
            const std::string output = ScratchFolder() + name + (memory ? ".mem.bmp" : ".bmp");
            std::vector<std::string> args = {"decode", "--plugins", bin, WriteScratch(name, *bytes),
                                             output};
            if (memory)
                args.insert(args.begin() + 1, "--memory");
            const CliRun run = RunCli(args);
            ASSERT_EQ(run.ExitCode, 0u) << name << " " << run.Err;
            EXPECT_EQ(run.Out, "2x2\n") << name;
            const tovane::TDib dib = tovane::ReadBitmapFile(ReadWholeFile(output));
            EXPECT_EQ(dib.PixelColor(0, 0), 0x0000FFu) << name;
            EXPECT_EQ(dib.PixelColor(1, 0), 0xFFFFFFu) << name;
            EXPECT_EQ(dib.PixelColor(0, 1), 0xFF0000u) << name;
            EXPECT_EQ(dib.PixelColor(1, 1), 0x00FF00u) << name;
        }
    }
}

// A module that faults in the decoding host: the tool reports it and exits with its failure
// code when nothing else decodes the picture, and still decodes with a module that can.
TEST(Cli, ReportsAModuleThatFaultsAndNeverCrashes) {
    const std::string input = WriteScratch("cli-fault.flt", {1, 2, 3});
    const std::string suffix = tovane::DefaultSPIMask + 1; // ".sph" or ".spi"
    for (const char* module : {"fault_av", "fault_stack", "fault_abort"}) {
        SCOPED_TRACE(module);
        const std::string folder = ScratchFolder() + module;
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(PluginPath(module).c_str(), (folder + "\\" + module + suffix).c_str(),
                              FALSE));
        const std::string output = ScratchFolder() + module + ".bmp";
        CliRun run = RunCli({"decode", "--plugins", folder, input, output});
        EXPECT_EQ(run.ExitCode, 1u) << run.Err;
        EXPECT_NE(run.Err.find(module + suffix), std::string::npos) << run.Err;
        EXPECT_NE(run.Err.find("異常終了しました"), std::string::npos) << run.Err;

        ASSERT_TRUE(CopyFileA(PluginPath("decode_any").c_str(),
                              (folder + "\\decode_any" + suffix).c_str(), FALSE));
        run = RunCli({"decode", "--plugins", folder, input, output});
        EXPECT_EQ(run.ExitCode, 0u) << run.Err;
        EXPECT_EQ(run.Out, "1x1\n");
        EXPECT_NE(run.Err.find("異常終了しました"), std::string::npos) << run.Err;
    }
}
