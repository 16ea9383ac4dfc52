#include "BundledSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

namespace bundled_test {

std::string FixturePath(const std::string& name) {
    return ProgramFolder() + "bundled-fixtures\\" + name;
}

std::string TestName(std::string fileName) {
    for (char& c : fileName)
        if (c == '.' || c == '-')
            c = '_';
    return fileName;
}

std::vector<std::uint8_t> Prefixed(std::size_t count, std::uint8_t filler,
                                   const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> out(count + bytes.size(), filler);
    if (!bytes.empty())
        std::memcpy(out.data() + count, bytes.data(), bytes.size());
    return out;
}

TempFile::TempFile(const std::vector<std::uint8_t>& bytes, const char* extension) {
    char folder[MAX_PATH] = {}, name[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "bnd", 0, name);
    DeleteFileA(name);
    FPath = std::string(name) + extension;
    harness::WriteWholeFile(FPath, bytes);
}

TempFile::~TempFile() {
    DeleteFileA(FPath.c_str());
}

Plugin::Plugin(const std::string& moduleName) {
#ifdef _WIN64
    const char* suffix = ".sph";
#else
    const char* suffix = ".spi";
#endif
    FModule = LoadLibraryA((ProgramFolder() + moduleName + suffix).c_str());
    if (!FModule)
        return;
    FGetPluginInfo = Export<GetPluginInfoFn>(FModule, "GetPluginInfo");
    FIsSupported = Export<IsSupportedFn>(FModule, "IsSupported");
    FGetPictureInfo = Export<GetPictureInfoFn>(FModule, "GetPictureInfo");
    FGetPicture = Export<GetPictureFn>(FModule, "GetPicture");
}

Plugin::~Plugin() {
    if (FModule)
        FreeLibrary(FModule);
}

bool Plugin::Loaded() const {
    return FModule && FGetPluginInfo && FIsSupported && FGetPictureInfo && FGetPicture;
}

std::string Plugin::Info(int index, int bufferLength, int* result) const {
    char buffer[256];
    std::memset(buffer, 'X', sizeof buffer);
    const int r = FGetPluginInfo(index, buffer, bufferLength);
    if (result)
        *result = r;
    return r > 0 ? std::string(buffer) : std::string();
}

bool Plugin::Supports(const std::string& fileName, const std::vector<std::uint8_t>& bytes) const {
    // The host's header: 2048 bytes, zero-padded past the end of short data.
    std::vector<std::uint8_t> head(2048, 0);
    std::memcpy(head.data(), bytes.data(), std::min<std::size_t>(bytes.size(), head.size()));
    return FIsSupported(fileName.c_str(), head.data()) != 0;
}

int Plugin::PictureInfoOf(const char* source, LONG_PTR length, unsigned flag,
                          PictureInfo& info) const {
    return FGetPictureInfo(source, length, flag, &info);
}

namespace {

std::size_t Stride(std::uint32_t width, unsigned bitCount) {
    return ((std::size_t{width} * bitCount + 31) / 32) * 4;
}

// Reads the DIB the plug-in returned, checking what a host relies on before touching pixels.
void ReadDib(HLOCAL info, HLOCAL bits, Decoded& d) {
    if (LocalSize(info) < sizeof(BITMAPINFOHEADER)) {
        d.HeaderProblem = "info block smaller than a BITMAPINFOHEADER";
        return;
    }
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LocalLock(info));
    const BITMAPINFOHEADER h = *header;
    LocalUnlock(info);
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB ||
        (h.biBitCount != 24 && h.biBitCount != 32) || h.biWidth <= 0 || h.biHeight <= 0) {
        d.HeaderProblem = "not a bottom-up 24/32-bit BI_RGB header";
        return;
    }
    d.Width = static_cast<std::uint32_t>(h.biWidth);
    d.Height = static_cast<std::uint32_t>(h.biHeight);
    d.BitCount = h.biBitCount;
    const std::size_t stride = Stride(d.Width, d.BitCount);
    if (LocalSize(bits) < stride * d.Height) {
        d.HeaderProblem = "bits block smaller than the header says";
        return;
    }
    const auto* p = static_cast<const std::uint8_t*>(LocalLock(bits));
    const unsigned bytes = d.BitCount / 8;
    d.Rgba.resize(std::size_t{d.Width} * d.Height * 4);
    for (std::uint32_t y = 0; y < d.Height; ++y) {
        const std::uint8_t* row = p + stride * (d.Height - 1 - y);
        for (std::uint32_t x = 0; x < d.Width; ++x) {
            std::uint8_t* out = &d.Rgba[(std::size_t{y} * d.Width + x) * 4];
            out[0] = row[x * bytes + 2];
            out[1] = row[x * bytes + 1];
            out[2] = row[x * bytes + 0];
            out[3] = bytes == 4 ? row[x * bytes + 3] : 255;
        }
    }
    LocalUnlock(bits);
}

} // namespace

Decoded Plugin::Picture(const char* source, LONG_PTR length, unsigned flag,
                        ProgressCallback callback, LONG_PTR userData) const {
    Decoded d;
    HLOCAL info = reinterpret_cast<HLOCAL>(1), bits = reinterpret_cast<HLOCAL>(1);
    d.Result = FGetPicture(source, length, flag, &info, &bits, callback, userData);
    d.InfoHandleSet = info != nullptr;
    d.BitsHandleSet = bits != nullptr;
    if (d.Result == 0 && info && bits)
        ReadDib(info, bits, d);
    // A failing plug-in must leave both handles empty: a host frees whatever it gets.
    if (d.Result == 0) {
        LocalFree(info);
        LocalFree(bits);
    }
    return d;
}

Decoded Plugin::FromFile(const std::string& path, LONG_PTR offset) const {
    return Picture(path.c_str(), offset, 0);
}

Decoded Plugin::FromMemory(const std::vector<std::uint8_t>& bytes) const {
    return Picture(reinterpret_cast<const char*>(bytes.data()), static_cast<LONG_PTR>(bytes.size()),
                   1);
}

void ExpectDecodesLikeTheReference(const Plugin& p, const std::string& name, unsigned bitCount,
                                   int tolerance) {
    const std::string path = FixturePath(name);
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const std::vector<std::uint8_t> reference = ReadWholeFile(path + ".rgba");
    ASSERT_FALSE(bytes.empty());
    ASSERT_FALSE(reference.empty());
    EXPECT_TRUE(p.Supports(path, bytes));

    PictureInfo info{};
    info.hInfo = reinterpret_cast<HLOCAL>(1);
    ASSERT_EQ(p.PictureInfoOf(path.c_str(), 0, 0, info), 0);
    EXPECT_EQ(info.hInfo, nullptr);

    const Decoded file = p.FromFile(path);
    ASSERT_EQ(file.Result, 0);
    ASSERT_EQ(file.HeaderProblem, "");
    EXPECT_EQ(file.BitCount, bitCount);
    EXPECT_EQ(file.Width, static_cast<std::uint32_t>(info.width));
    EXPECT_EQ(file.Height, static_cast<std::uint32_t>(info.height));
    const int difference = MaxDifference(file.Rgba, reference);
    EXPECT_GE(difference, 0) << "size differs from the reference";
    EXPECT_LE(difference, tolerance);

    const Decoded memory = p.FromMemory(bytes);
    ASSERT_EQ(memory.Result, 0);
    EXPECT_EQ(memory.BitCount, file.BitCount);
    EXPECT_EQ(memory.Rgba, file.Rgba);
}

int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(int{a[i]} - int{b[i]}));
    return worst;
}

std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg,
                                              int orientation) {
    // APP1 "Exif\0\0", a little-endian TIFF header, and IFD0 with the one tag 274 (SHORT).
    const std::uint8_t tiff[] = {'I',
                                 'I',
                                 42,
                                 0,
                                 8,
                                 0,
                                 0,
                                 0, // header, IFD0 at 8
                                 1,
                                 0, // one entry
                                 0x12,
                                 0x01,
                                 3,
                                 0,
                                 1,
                                 0,
                                 0,
                                 0, // 274, SHORT, 1
                                 static_cast<std::uint8_t>(orientation),
                                 0,
                                 0,
                                 0, // value
                                 0,
                                 0,
                                 0,
                                 0}; // no next IFD
    std::vector<std::uint8_t> app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), std::begin(tiff), std::end(tiff));
    const std::size_t length = app1.size() - 2;
    app1[2] = static_cast<std::uint8_t>(length >> 8);
    app1[3] = static_cast<std::uint8_t>(length & 0xFF);
    std::vector<std::uint8_t> out = jpeg;
    out.insert(out.begin() + 2, app1.begin(), app1.end()); // after the start marker
    return out;
}

} // namespace bundled_test
