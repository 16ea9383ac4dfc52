// Shared ground of the decoding tests: the test modules (real DLLs loaded by the plug-in
// collection), pictures in the raw test format, a scratch folder, the notifications a handler
// received, and a record of every LocalFree the program makes.
#pragma once

#include <windows.h>

#include "framework/win32/Graphics.h"
#include "imaging/SPIBmp.h"
#include "plugins/SPIs.h"
#include "tests/win/Harness.h"
#include "tests/plugins/decode_stats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace decoding_test {

using harness::ProgramFolder;
// Folder and module path of a test plug-in ("decode_raw" -> ...\testplugins\decode_raw\).
std::string PluginFolder(const std::string& name);
std::string PluginPath(const std::string& name);

// A test of the program's picture support: started for the test and ended after it, with the
// collection under test (Spis) let go of first.
class WithSpiBmp : public ::testing::Test {
protected:
    void SetUp() override { tovane::InitializeSpiBmp(); }
    void TearDown() override {
        Spis.reset();
        tovane::FinalizeSpiBmp();
    }
    std::unique_ptr<tovane::TSPIs> Spis;
};

// The collection under test: the named test modules, loaded in the order given.
std::unique_ptr<tovane::TSPIs> MakeCollection(std::initializer_list<const char*> names);
// The module's call record (the module must be loaded); Reset clears it.
DecodeStats& Stats(const std::string& name);
void ResetStats(const std::string& name);

// A BITMAPINFOHEADER (40 bytes) followed by the colour table.
std::vector<std::uint8_t> InfoBlock(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                    std::uint32_t clrUsed = 0,
                                    const std::vector<std::uint32_t>& colors = {},
                                    std::uint32_t compression = 0, std::uint32_t headerSize = 40);
// A file in the raw test format: the two blocks, handed back exactly so large (the block sizes
// default to the contents' sizes; larger blocks are zero-padded, smaller ones cut).
std::vector<std::uint8_t> RawPicture(const std::vector<std::uint8_t>& info,
                                     const std::vector<std::uint8_t>& pixels,
                                     std::uint32_t infoBlockSize = 0,
                                     std::uint32_t pixelBlockSize = 0);
// The 2x2 24-bit test picture: top row red, white; bottom row blue, green.
std::vector<std::uint8_t> TinyPicture();
// A 3x2 24-bit Windows bitmap file.
std::vector<std::uint8_t> BitmapFile3x2();

// A scratch folder of its own per test program (with a trailing "\"), removed at the end.
std::string ScratchFolder();
// Writes the bytes to a file in the scratch folder and returns its path.
std::string WriteScratch(const std::string& name, const std::vector<std::uint8_t>& bytes);
// The same for a name in UTF-16.
std::wstring WriteScratchW(const std::wstring& name, const std::vector<std::uint8_t>& bytes);
using harness::ReadWholeFile;

struct Notification {
    tovane::TGraphic* Sender;
    tovane::TProgressStage Stage;
    int Percent;
    bool RedrawNow;
    tovane::TRect R;
    std::string Msg;
};
// A handler that appends to the list.
tovane::TProgressEvent Recorder(std::vector<Notification>& into);

// Records the handles passed to LocalFree by this program (not by the plug-ins), by patching
// the program's import of LocalFree while the object lives.
class LocalFreeRecorder {
public:
    LocalFreeRecorder();
    ~LocalFreeRecorder();
    LocalFreeRecorder(const LocalFreeRecorder&) = delete;
    LocalFreeRecorder& operator=(const LocalFreeRecorder&) = delete;

    // How often the handle was freed.
    int Count(HLOCAL handle) const;
    // True when every block the module handed over was freed exactly once.
    bool AllFreedOnce(const DecodeStats& stats) const;
};

// The bitmap as the bitmap file it saves, for comparing pictures byte for byte.
std::string Pixels(tovane::TBitmap& bitmap);
bool Contains(const std::string& text, const std::string& part);

} // namespace decoding_test
