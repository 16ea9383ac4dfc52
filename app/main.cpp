// The program's entry: the decoding unit's start-up, the main window (which loads the
// plug-ins), the slideshow window, then the message loop until the main window closes.
#include "app/FormMainU.h"
#include "app/MainWindowSlideShowSource.h"
#include "app/portable/CommandLine.h"
#include "framework/win32/Application.h"
#include "framework/win32/ModuleFile.h"
#include "framework/win32/Text.h"
#include "imaging/SPIBmp.h"
#include "slideshow/FormSlideShowU.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace {

// The command-line arguments after the program name.
std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> args;
    for (const std::wstring& arg : tovane::SplitCommandLine(GetCommandLineW()))
        args.push_back(arg);
    return args;
}

int Run() {
    using namespace tovane;
    // Before any module is loaded: a module's load of a library by name never looks in the
    // current folder (which a picture folder can become through the folder dialog).
    RestrictLibrarySearch();
    SpiBmpUnit decoding; // sets the plug-in collection's DefaultGraphicClass
    Application().SetTitle("Tovane");
    try {
        FormMain = std::make_unique<TBuiltForm<TFormMain>>(CommandLineArguments());
    } catch (const std::exception& e) {
        // Start-up failed while the plug-ins were loaded: no window, no loop.
        MessageBoxW(nullptr, Utf8ToWide(e.what()).c_str(),
                    Utf8ToWide(Application().Title()).c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
    FormSlideShow = std::make_unique<TBuiltForm<TFormSlideShow>>(MakeMainWindowSlideShowSource());
    const int code = Application().Run(*FormMain);
    FormSlideShow.reset();
    FormMain.reset();
    return code;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return Run();
}
