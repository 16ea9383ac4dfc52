// Fixtures for the plug-in host's tests: where the test modules are, scratch folders that
// clean up after themselves, and a registry value that is put back afterwards.
#pragma once

#include "tests/win/Harness.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace tovane::test {

using harness::ProgramFolder;
// Full path of a test plug-in built from tests/plugins/<name>.c.
std::string TestPlugin(const std::string& name);
// The path as the module loader reports it for a loaded module.
std::string FullPath(const std::string& path);
bool IsLoaded(const std::string& path);

// A scratch folder whose name ends in leaf (ANSI, may hold double-byte characters).
class ScratchFolder : public harness::ScratchFolder {
public:
    explicit ScratchFolder(const std::string& leaf);
    // Copies a test plug-in here under fileName; returns the new file's full path.
    std::string Copy(const std::string& plugin, const std::string& fileName);
    std::string Write(const std::string& fileName, const std::string& content);
};

// A file placed somewhere the test does not own (program, system or Windows folder), removed
// on destruction.
class PlacedFile {
public:
    PlacedFile(const std::string& plugin, const std::string& path);
    ~PlacedFile();
    PlacedFile(const PlacedFile&) = delete;
    PlacedFile& operator=(const PlacedFile&) = delete;
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// Sets HKCU\Software\Velmoran\Susie\Plug-in "Path" for the test; deletes the key afterwards.
class SusiePathValue {
public:
    SusiePathValue(); // key absent
    ~SusiePathValue();
    SusiePathValue(const SusiePathValue&) = delete;
    SusiePathValue& operator=(const SusiePathValue&) = delete;
    void SetString(const std::string& value);
    void SetDword(DWORD value);
};

} // namespace tovane::test
