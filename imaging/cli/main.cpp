// tovane-cli: the plug-in host and the decoding as the viewer uses them, from a console.
//   tovane-cli plugins [--plugins DIR]
//   tovane-cli decode [--memory] [--plugins DIR] FILE OUT.bmp
//   tovane-cli decode --entry NAME [--plugins DIR] ARCHIVE OUT.bmp
//   tovane-cli entries [--plugins DIR] ARCHIVE
// Plug-ins are searched in DIR only, or else in the main window's default locations. Arguments
// arrive in UTF-16 and are parsed as UTF-8; errors go to stderr with a nonzero exit code.
// Modules run in the decoding host (unless --in-process): one that faults or hangs is reported
// on stderr.
#include "framework/FileFormats.h"
#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "imaging/ArchiveReader.h"
#include "imaging/PluginHost.h"
#include "imaging/SPIBmp.h"
#include "imaging/cli/ConsoleOutput.h"
#include "imaging/portable/CliArguments.h"
#include "plugins/SPIs.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tovane;
using namespace tovane::cli;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// The collection as the main window sets it up, searched in the folder given or in the main
// window's locations.
std::unique_ptr<TSPIs> LoadPlugins(const std::string& folderUtf8, bool inProcess) {
    // The collection searches by ANSI paths: a folder the code page cannot spell is searched by
    // its short form.
    const std::string folderAnsi =
        folderUtf8.empty() ? std::string() : AnsiPathOf(Utf8ToWide(folderUtf8));
    if (!folderUtf8.empty() && folderAnsi.empty())
        throw Exception("The plug-in folder's name does not fit the system code page: " +
                        folderUtf8);
    auto spis = std::make_unique<TSPIs>();
    if (!inProcess)
        spis->Isolation = std::make_unique<TPluginHost>();
    // 32-bit modules run in the 32-bit host, also with --in-process.
    if constexpr (sizeof(void*) == 8)
        spis->Isolation32 = TPluginHost::ForModules32();
    spis->MacBinary = true;
    spis->GraphicPreview = false;
    spis->SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir,
                           TSPISearchOption::spsSystemDir, TSPISearchOption::spsWindowsDir};
    if (folderAnsi.empty())
        spis->Search(spis->AutoSearchMask());
    else
        spis->Search(IncludeTrailingBackslash(folderAnsi, SystemLeadByte) + spis->AutoSearchMask());
    for (const std::string& fault : spis->PreflightFaults())
        Err("tovane-cli: " + fault + "\n");
    return spis;
}

int ListPlugins(const Command& command) {
    const std::unique_ptr<TSPIs> spis = LoadPlugins(command.PluginFolder, command.InProcess);
    for (int i = 0; i < spis->Count(); ++i) {
        const TSPI& spi = spis->Items(i);
        Out(AnsiToUtf8(spi.FileName()) + "\n");
        Out("  APIVersion: " + AnsiToUtf8(spi.APIVersion()) + "\n");
        Out("  PluginInfo: " + AnsiToUtf8(spi.PluginInfo()) + "\n");
        if (spi.Host() != nullptr)
            Out(Format("  Host: %d-bit decoding host\n", spi.Bits()));
        for (std::size_t k = 0; k < spi.Extensions().size(); ++k) {
            const std::string name =
                k < spi.FormatNames().size() ? spi.FormatNames()[k] : std::string();
            Out("  " + AnsiToUtf8(spi.Extensions()[k]) + ": " + AnsiToUtf8(name) + "\n");
        }
    }
    if (spis->Count() == 0)
        Err("no plug-ins found\n");
    return 0;
}

// The graphic the picture-format registry names for the file, loaded from a memory stream.
std::unique_ptr<TGraphic> LoadThroughMemory(const std::wstring& file) {
    // The name only steers the plug-ins: "?" stands for what the code page lacks.
    const std::string steering = WideToAnsiNoBestFit(file);
    const std::string ext = ExtractFileExt(steering, SystemLeadByte);
    const TFileFormat* format = FileFormats().Find(ext.empty() ? ext : ext.substr(1));
    if (format == nullptr || format->GraphicClass == nullptr)
        throw EInvalidGraphic("Unknown picture file extension (" + AnsiToUtf8(ext) + ")");
    TMemoryStream memory;
    TFileStream stream(file, TFileMode::fmOpenRead);
    memory.LoadFromStream(stream);
    std::unique_ptr<TGraphic> graphic = format->GraphicClass->Create();
    if (auto* bitmap = dynamic_cast<TSPIBitmap*>(graphic.get()))
        bitmap->LoadFromStreamWithName(memory, steering);
    else
        graphic->LoadFromStream(memory);
    return graphic;
}

// An entry's name as given, with the backslashes the archive's list uses.
std::wstring EntryName(const std::string& utf8) {
    std::wstring name = Utf8ToWide(utf8);
    for (wchar_t& c : name)
        if (c == L'/')
            c = L'\\';
    return name;
}

void ReportArchiveFaults(TArchiveReader& archives) {
    for (const std::string& fault : archives.TakeReports())
        Err("tovane-cli: " + fault + "\n");
}

// The archive's picture entries (those of a registered picture format) in the slideshow's plain
// order.
int ListEntries(const Command& command) {
    const std::unique_ptr<TSPIs> spis = LoadPlugins(command.PluginFolder, command.InProcess);
    TArchiveReader archives(*spis, !command.InProcess);
    const std::wstring archive = Utf8ToWide(command.Input);
    const std::optional<std::vector<TArchiveEntry>> entries = archives.Entries(archive);
    ReportArchiveFaults(archives);
    if (!entries)
        throw Exception("no archive plug-in reads " + command.Input);
    std::vector<std::wstring> names;
    for (const TArchiveEntry& entry : *entries) {
        const std::string steering = WideToAnsiNoBestFit(entry.Name);
        const std::string ext = ExtractFileExt(steering, SystemLeadByte);
        if (!ext.empty() && FileFormats().Find(ext.substr(1)) != nullptr)
            names.push_back(entry.Name);
    }
    SortByNameSortKey(names);
    for (const std::wstring& name : names)
        Out(WideToUtf8(name) + "\n");
    return 0;
}

int DecodePicture(const Command& command) {
    const std::unique_ptr<TSPIs> spis = LoadPlugins(command.PluginFolder, command.InProcess);
    TPicture picture;
    const std::wstring input = Utf8ToWide(command.Input);
    std::optional<TArchiveReader> archives;
    if (!command.Entry.empty()) {
        archives.emplace(*spis, !command.InProcess);
        try {
            LoadPictureAt(picture, TPictureLocation{input, EntryName(command.Entry), true},
                          &*archives);
        } catch (...) {
            ReportArchiveFaults(*archives);
            throw;
        }
    } else if (command.FromMemory) {
        picture.SetGraphic(LoadThroughMemory(input));
    } else {
        picture.LoadFromFile(input);
    }
    // Modules that faulted before another one decoded the picture (a failed load names them
    // in its error instead).
    if (const auto* bitmap = dynamic_cast<const TSPIBitmap*>(picture.Graphic()))
        for (const std::string& fault : bitmap->LoadFaults())
            Err("tovane-cli: " + fault + "\n");
    picture.SaveToFile(Utf8ToWide(command.Output));
    Out(Format("%dx%d\n", picture.Width(), picture.Height()));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    RestrictLibrarySearch();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(WideToUtf8(argv[i]));
    const ParseResult parsed = ParseCommandLine(args);
    if (!parsed.Error.empty()) {
        Err("tovane-cli: " + parsed.Error + "\n");
        Err(UsageText());
        return ExitUsage;
    }
    // The decoding unit's start-up: plug-in formats are registered for TSPIBitmap.
    const SpiBmpUnit spiBmp;
    try {
        switch (parsed.Value.Kind) {
        case CommandKind::Help:
            Out(UsageText());
            return 0;
        case CommandKind::Plugins:
            return ListPlugins(parsed.Value);
        case CommandKind::Decode:
            return DecodePicture(parsed.Value);
        case CommandKind::Entries:
            return ListEntries(parsed.Value);
        }
    } catch (const std::exception& e) {
        Err(std::string("tovane-cli: ") + e.what() + "\n");
        return ExitFailure;
    }
    return ExitFailure;
}
