// What the Windows tests share: the program's folder, scratch folders that remove themselves,
// files written in one call, message pumping and finding windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace harness {

// The folder of the running program, with a trailing "\".
std::string ProgramFolder();
// The temporary folder in its long form, with a trailing "\".
std::string TempFolder();

// Removes the folder with everything in it: read-only files too, and links without following
// them.
void RemoveTree(const std::string& path);

// Creates or replaces the file with the given content; answers whether all of it was written.
bool WriteWholeFile(const std::string& path, std::string_view content);
bool WriteWholeFile(const std::wstring& path, std::string_view content);
inline bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return WriteWholeFile(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}
inline bool WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    return WriteWholeFile(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

// The file's bytes; empty when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// A fresh folder under the temporary folder, named "tovane-<pid>-<n>-<name>" (the name in
// ANSI, last, so that a test can choose how the path ends); removed with everything in it at
// the end, after leaving it if it is the current folder.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name = "scratch");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return FPath; } // without a trailing "\"
    std::string Sub(const std::string& relative) const { return FPath + "\\" + relative; }
    std::string MakeDir(const std::string& relative) const;
    // Writes the file; returns its full path.
    std::string Write(const std::string& relative, std::string_view content) const;

private:
    std::string FPath;
};

// Handles messages until done() holds or the time is up; answers done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Handles the messages waiting now (and those they post) for a short while.
void Pump(int ms = 50);

// The first visible top-level window that match() accepts, or nullptr.
HWND FindTopWindow(const std::function<bool(HWND)>& match);
std::wstring ClassOf(HWND window);
// The window's text in UTF-8.
std::string TextOf(HWND window);
// A status bar panel's text (UTF-8), also of a window of another process: the common control
// writes into memory of its own process.
std::string RemotePanelText(HWND statusBar, int panel);

} // namespace harness
