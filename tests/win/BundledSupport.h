// Loads a bundled import plug-in by path and calls its exports the way a host does; turns the
// returned DIB into top-down RGBA for comparison with ImageMagick's reference dumps.
#pragma once

#include "tests/win/Harness.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bundled_test {

#ifdef _WIN64
#pragma pack(push, 8)
#else
#pragma pack(push, 1)
#endif
struct PictureInfo {
    long left, top, width, height;
    WORD x_density, y_density;
    short colorDepth;
    HLOCAL hInfo;
};
#pragma pack(pop)

using ProgressCallback = int(WINAPI*)(int, int, LONG_PTR);
using GetPluginInfoFn = int(WINAPI*)(int, LPSTR, int);
using IsSupportedFn = int(WINAPI*)(LPCSTR, void*);
using GetPictureInfoFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, PictureInfo*);
using GetPictureFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, ProgressCallback,
                                  LONG_PTR);

// An export by name, null when the module lacks it.
template <typename F> F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

using harness::ProgramFolder;
using harness::ReadWholeFile;
std::string FixturePath(const std::string& name);
// A fixture's name as a test name: "photo.jpg" -> "photo_jpg".
std::string TestName(std::string fileName);
// bytes behind count filler bytes, as a MacBinary header puts a picture.
std::vector<std::uint8_t> Prefixed(std::size_t count, std::uint8_t filler,
                                   const std::vector<std::uint8_t>& bytes);
// A file in the temporary folder that is deleted with the object.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes, const char* extension = ".bin");
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

struct Decoded {
    int Result = -100;
    bool InfoHandleSet = false, BitsHandleSet = false;
    std::uint32_t Width = 0, Height = 0;
    unsigned BitCount = 0;
    std::string HeaderProblem;      // empty when the DIB's header and blocks are consistent
    std::vector<std::uint8_t> Rgba; // top-down, alpha 255 for 24-bit DIBs
};

class Plugin {
public:
    explicit Plugin(const std::string& moduleName);
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    ~Plugin();
    bool Loaded() const;

    std::string Info(int index, int bufferLength = 255, int* result = nullptr) const;
    bool Supports(const std::string& fileName, const std::vector<std::uint8_t>& bytes) const;
    int PictureInfoOf(const char* source, LONG_PTR length, unsigned flag, PictureInfo& info) const;
    Decoded Picture(const char* source, LONG_PTR length, unsigned flag,
                    ProgressCallback callback = nullptr, LONG_PTR userData = 0) const;
    Decoded FromFile(const std::string& path, LONG_PTR offset = 0) const;
    Decoded FromMemory(const std::vector<std::uint8_t>& bytes) const;
    HMODULE Module() const { return FModule; }

private:
    HMODULE FModule = nullptr;
    GetPluginInfoFn FGetPluginInfo = nullptr;
    IsSupportedFn FIsSupported = nullptr;
    GetPictureInfoFn FGetPictureInfo = nullptr;
    GetPictureFn FGetPicture = nullptr;
};

// Decodes the fixture as a host does and checks it against ImageMagick's reference
// (name.rgba): the plug-in claims it, describes it without text, decodes the file to bitCount
// bits of the described size within tolerance of the reference, and memory to the same.
void ExpectDecodesLikeTheReference(const Plugin& p, const std::string& name, unsigned bitCount,
                                   int tolerance);

// Largest difference of any channel; -1 when the sizes differ.
int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

// The JPEG with an EXIF block naming the given orientation inserted after its start marker.
std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg,
                                              int orientation);

} // namespace bundled_test
