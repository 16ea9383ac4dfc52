#include "tests/win/DecodingSupport.h"

#include "framework/Streams.h"
#include "framework/win32/Text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace decoding_test {

std::string PluginFolder(const std::string& name) {
    return ProgramFolder() + "testplugins\\" + name + "\\";
}

std::string PluginPath(const std::string& name) {
    return PluginFolder(name) + name + (sizeof(void*) == 8 ? ".sph" : ".spi");
}

std::unique_ptr<tovane::TSPIs> MakeCollection(std::initializer_list<const char*> names) {
    auto spis = std::make_unique<tovane::TSPIs>();
    for (const char* name : names) {
        const int before = spis->Count();
        spis->Search(PluginFolder(name) + tovane::DefaultSPIMask);
        if (spis->Count() != before + 1)
            throw std::runtime_error(std::string("test plug-in not loaded: ") + name);
        ResetStats(name);
    }
    return spis;
}

static HMODULE LoadedModule(const std::string& name) {
    HMODULE module = GetModuleHandleA(PluginPath(name).c_str());
    if (module == nullptr)
        throw std::runtime_error("test plug-in not loaded: " + name);
    return module;
}

DecodeStats& Stats(const std::string& name) {
    auto f = reinterpret_cast<DecodeTestStatsFunc>(
        reinterpret_cast<void*>(GetProcAddress(LoadedModule(name), "DecodeTestStats")));
    return *f();
}

void ResetStats(const std::string& name) {
    auto f = reinterpret_cast<DecodeTestResetFunc>(
        reinterpret_cast<void*>(GetProcAddress(LoadedModule(name), "DecodeTestReset")));
    f();
}

static void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
static void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

std::vector<std::uint8_t> InfoBlock(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                    std::uint32_t clrUsed, const std::vector<std::uint32_t>& colors,
                                    std::uint32_t compression, std::uint32_t headerSize) {
    std::vector<std::uint8_t> v;
    Put32(v, headerSize);
    Put32(v, static_cast<std::uint32_t>(width));
    Put32(v, static_cast<std::uint32_t>(height));
    Put16(v, 1);
    Put16(v, bits);
    Put32(v, compression);
    Put32(v, 0); // biSizeImage
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, clrUsed);
    Put32(v, 0);
    v.resize(std::max<std::size_t>(v.size(), headerSize), 0);
    for (std::uint32_t c : colors) // 0x00RRGGBB -> blue, green, red, 0
        Put32(v, c & 0xFFFFFF);
    return v;
}

std::vector<std::uint8_t> RawPicture(const std::vector<std::uint8_t>& info,
                                     const std::vector<std::uint8_t>& pixels,
                                     std::uint32_t infoBlockSize, std::uint32_t pixelBlockSize) {
    if (infoBlockSize == 0)
        infoBlockSize = static_cast<std::uint32_t>(info.size());
    if (pixelBlockSize == 0)
        pixelBlockSize = static_cast<std::uint32_t>(pixels.size());
    std::vector<std::uint8_t> v{'T', 'V', 'R', 'W'};
    Put32(v, infoBlockSize);
    Put32(v, pixelBlockSize);
    std::vector<std::uint8_t> infoPart(info);
    infoPart.resize(infoBlockSize, 0);
    v.insert(v.end(), infoPart.begin(), infoPart.end());
    std::vector<std::uint8_t> pixelPart(pixels);
    pixelPart.resize(pixelBlockSize, 0);
    v.insert(v.end(), pixelPart.begin(), pixelPart.end());
    return v;
}

std::vector<std::uint8_t> TinyPicture() {
    // Bottom-up rows of 8 bytes (6 + 2 padding), pixels blue, green, red.
    const std::vector<std::uint8_t> pixels = {
        255, 0, 0,   0,   255, 0,   0, 0, // bottom: blue, green
        0,   0, 255, 255, 255, 255, 0, 0, // top: red, white
    };
    return RawPicture(InfoBlock(2, 2, 24), pixels);
}

std::vector<std::uint8_t> BitmapFile3x2() {
    const std::vector<std::uint8_t> info = InfoBlock(3, 2, 24);
    std::vector<std::uint8_t> pixels(2 * 12, 0x40);
    std::vector<std::uint8_t> v{'B', 'M'};
    Put32(v, static_cast<std::uint32_t>(14 + info.size() + pixels.size()));
    Put32(v, 0);
    Put32(v, static_cast<std::uint32_t>(14 + info.size()));
    v.insert(v.end(), info.begin(), info.end());
    v.insert(v.end(), pixels.begin(), pixels.end());
    return v;
}

std::string ScratchFolder() {
    static const harness::ScratchFolder folder("decoding");
    return folder.Path() + "\\";
}

std::string WriteScratch(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = ScratchFolder() + name;
    if (!harness::WriteWholeFile(path, bytes))
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::wstring WriteScratchW(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
    const std::wstring path = tovane::AnsiToWide(ScratchFolder()) + name;
    harness::WriteWholeFile(path, bytes);
    return path;
}

tovane::TProgressEvent Recorder(std::vector<Notification>& into) {
    return [&into](tovane::TGraphic* sender, tovane::TProgressStage stage, std::uint8_t percent,
                   bool redraw, const tovane::TRect& r, const std::string& msg) {
        into.push_back(Notification{sender, stage, percent, redraw, r, msg});
    };
}

// ---- LocalFreeRecorder ----

namespace {

using LocalFreeFunc = HLOCAL(WINAPI*)(HLOCAL);
LocalFreeFunc realLocalFree = nullptr;
std::vector<HLOCAL> freedHandles;

HLOCAL WINAPI RecordingLocalFree(HLOCAL handle) {
    freedHandles.push_back(handle);
    return realLocalFree(handle);
}

// The program's import-table slot of kernel32's LocalFree.
void** LocalFreeSlot() {
    auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
         ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "LocalFree") == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    throw std::runtime_error("LocalFree is not imported by the test program");
}

void PatchSlot(void** slot, void* value) {
    DWORD old = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), old, &old);
}

} // namespace

LocalFreeRecorder::LocalFreeRecorder() {
    void** slot = LocalFreeSlot();
    realLocalFree = reinterpret_cast<LocalFreeFunc>(*slot);
    freedHandles.clear();
    PatchSlot(slot, reinterpret_cast<void*>(&RecordingLocalFree));
}

LocalFreeRecorder::~LocalFreeRecorder() {
    PatchSlot(LocalFreeSlot(), reinterpret_cast<void*>(realLocalFree));
}

int LocalFreeRecorder::Count(HLOCAL handle) const {
    return static_cast<int>(std::count(freedHandles.begin(), freedHandles.end(), handle));
}

bool LocalFreeRecorder::AllFreedOnce(const DecodeStats& stats) const {
    for (int i = 0; i < stats.allocCount; ++i) {
        const HLOCAL h = stats.allocs[i];
        const int allocated =
            static_cast<int>(std::count(stats.allocs, stats.allocs + stats.allocCount, h));
        if (Count(h) != allocated)
            return false;
    }
    return true;
}

std::string Pixels(tovane::TBitmap& bitmap) {
    tovane::TMemoryStream out;
    bitmap.SaveToStream(out);
    return std::string(static_cast<const char*>(out.Memory()),
                       static_cast<std::size_t>(out.Size()));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace decoding_test
