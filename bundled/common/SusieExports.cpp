// The Susie exports of a bundled import plug-in: argument handling, reading the source,
// handing over the result, and keeping every exception inside the module. The format work is
// the plug-in's own (PluginKit.h).
#include "bundled/common/Limits.h"
#include "bundled/common/PluginKit.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <vector>

namespace bundled {
namespace {

constexpr std::size_t HeaderBytes = 2048;

struct FileCloser {
    HANDLE Handle;
    ~FileCloser() {
        if (Handle != INVALID_HANDLE_VALUE)
            CloseHandle(Handle);
    }
};

// The picture's bytes: read from the file from the given offset on, or the caller's memory.
struct Source {
    std::vector<std::uint8_t> Owned;
    std::span<const std::uint8_t> Bytes;
    std::string_view FileName;
};

// The file's bytes from offset on, at most limit of them (0: all); cut tells whether more
// followed. With progress, each chunk read is told to the host (a large file on a slow share
// takes long), and a stop asked between chunks ends the read.
SusieResult ReadFileFrom(LPCSTR path, LONG_PTR offset, std::vector<std::uint8_t>& out,
                         Progress* progress, std::size_t limit = 0, bool* cut = nullptr) {
    if (!path || offset < 0)
        return SusieReadError;
    FileCloser file{CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (file.Handle == INVALID_HANDLE_VALUE)
        return SusieReadError;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Handle, &size) || size.QuadPart < offset)
        return SusieReadError;
    const auto remaining = static_cast<unsigned long long>(size.QuadPart - offset);
    // A compressed picture of a gigabyte would not decode in a 32-bit process anyway.
    if (remaining > (1ull << 30) || remaining > std::numeric_limits<std::size_t>::max())
        return SusieNoMemory;
    LARGE_INTEGER start{};
    start.QuadPart = offset;
    if (!SetFilePointerEx(file.Handle, start, nullptr, FILE_BEGIN))
        return SusieReadError;
    const bool shortened = limit != 0 && remaining > limit;
    if (cut)
        *cut = shortened;
    out.resize(shortened ? limit : static_cast<std::size_t>(remaining));
    // A megabyte at a time, or a 128th of the file where that is more.
    const std::size_t chunk = std::max<std::size_t>(1u << 20, out.size() / 128);
    std::size_t done = 0;
    while (done < out.size()) {
        const DWORD want = static_cast<DWORD>(std::min(out.size() - done, chunk));
        DWORD got = 0;
        if (!ReadFile(file.Handle, out.data() + done, want, &got, nullptr))
            return SusieReadError;
        if (got == 0)
            break; // the file shrank while being read
        done += got;
        if (progress && !progress->Report(done, out.size(), true))
            return SusieAborted;
    }
    out.resize(done);
    return SusieSuccess;
}

SusieResult OpenSource(LPCSTR buf, LONG_PTR len, unsigned flag, Source& source,
                       Progress* progress = nullptr, std::size_t limit = 0, bool* cut = nullptr) {
    if (cut)
        *cut = false;
    switch (flag & SusieSourceMask) {
    case SusieSourceFile:
        if (const SusieResult r = ReadFileFrom(buf, len, source.Owned, progress, limit, cut);
            r != SusieSuccess)
            return r;
        source.Bytes = source.Owned;
        source.FileName = buf;
        return SusieSuccess;
    case SusieSourceMemory:
        if (!buf || len < 0)
            return SusieBrokenData;
        source.Bytes = {reinterpret_cast<const std::uint8_t*>(buf), static_cast<std::size_t>(len)};
        return SusieSuccess;
    default:
        return SusieUnknownFormat;
    }
}

WORD Density(unsigned dpi) {
    return static_cast<WORD>(std::min(dpi, 65535u));
}

int CopyText(const std::string& text, LPSTR buf, int buflen) {
    if (!buf || buflen <= 0)
        return 0;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(buflen - 1));
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

} // namespace

bool Progress::Report(std::uint64_t done, std::uint64_t total, bool tell) noexcept {
    if (FAborted)
        return false;
    const double part = total == 0 ? 0.0 : static_cast<double>(std::min(done, total)) / total;
    FReached = std::max(FReached, FFrom + static_cast<int>((FTo - FFrom) * part));
    if (tell || FTold < 0 || FReached >= FTold + Step)
        return Tell(FReached);
    return true;
}

bool Progress::Tell(int value) noexcept {
    if (FAborted)
        return false;
    FReached = std::max(FReached, value);
    FTold = FReached;
    if (FCallback && FCallback(FTold, Whole, FUserData) != 0)
        FAborted = true;
    return !FAborted;
}

bool DibBuilder::Create(std::uint32_t width, std::uint32_t height, unsigned bitCount) {
    // Each plug-in refuses a picture above the limit from its header; this keeps one that
    // missed a case from allocating it.
    if (!WithinLimits(width, height, bitCount))
        return false;
    const std::size_t stride = DibStride(width, bitCount);
    FInfo = LocalBlock(LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER)));
    FBits = LocalBlock(LocalAlloc(LMEM_MOVEABLE, stride * height));
    if (!FInfo.Get() || !FBits.Get())
        return false;
    FBitsLock.emplace(FBits.Get());
    if (!Bits())
        return false;
    FWidth = width;
    FHeight = height;
    FBitCount = bitCount;
    return true;
}

std::uint8_t* DibBuilder::RowFromTop(std::uint32_t y) noexcept {
    return Bits() + DibStride(FWidth, FBitCount) * (FHeight - 1 - y);
}

void DibBuilder::DropOpaqueAlpha() {
    if (FBitCount != 32 || !AllOpaque(Bits(), FWidth, FHeight))
        return;
    CompactDib32To24(Bits(), FWidth, FHeight);
    FBitCount = 24;
    FBitsLock.reset();
    // Shrinking may move the block; keep the larger one if it cannot.
    if (HLOCAL smaller =
            LocalReAlloc(FBits.Get(), DibStride(FWidth, 24) * FHeight, LMEM_MOVEABLE)) {
        FBits.Release(); // LocalReAlloc has taken over the old handle
        FBits = LocalBlock(smaller);
    }
    FBitsLock.emplace(FBits.Get());
}

void DibBuilder::WriteHeader() {
    LocalLockGuard lock(FInfo.Get());
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(lock.Address());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = static_cast<LONG>(FWidth);
    header->biHeight = static_cast<LONG>(FHeight); // positive: bottom-up
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(FBitCount);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(DibStride(FWidth, FBitCount) * FHeight);
}

void DibBuilder::HandOver(HLOCAL* info, HLOCAL* bits) {
    WriteHeader();
    FBitsLock.reset();
    *info = FInfo.Release();
    *bits = FBits.Release();
}

} // namespace bundled

using namespace bundled;

// In 32-bit modules the calling convention is part of the type: these fail if an export lost
// its __stdcall.
static_assert(std::is_same_v<decltype(&GetPluginInfo), int(WINAPI*)(int, LPSTR, int)>);
static_assert(std::is_same_v<decltype(&IsSupported), int(WINAPI*)(LPCSTR, void*)>);
static_assert(std::is_same_v<decltype(&GetPictureInfo),
                             int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, SusiePictureInfo*)>);
static_assert(
    std::is_same_v<decltype(&GetPicture), int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*,
                                                       SusieProgressCallback, LONG_PTR)>);
static_assert(std::is_same_v<SusieProgressCallback, int(WINAPI*)(int, int, LONG_PTR)>);

extern "C" int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    try {
        const std::vector<std::string>& texts = PluginTexts();
        if (infono < 0 || static_cast<std::size_t>(infono) >= texts.size())
            return 0;
        return CopyText(texts[static_cast<std::size_t>(infono)], buf, buflen);
    } catch (...) {
        return 0;
    }
}

extern "C" int WINAPI IsSupported(LPCSTR filename, void* dw) {
    try {
        std::uint8_t head[HeaderBytes] = {};
        const auto address = reinterpret_cast<std::uintptr_t>(dw);
        if (address == 0)
            return 0;
        std::span<const std::uint8_t> bytes;
        if ((address & ~std::uintptr_t{0xFFFF}) == 0) {
            // Old hosts pass a file handle (upper word 0) positioned at the picture data.
            DWORD got = 0;
            if (!ReadFile(reinterpret_cast<HANDLE>(dw), head, sizeof head, &got, nullptr))
                return 0;
            bytes = {head, got};
        } else {
            bytes = {static_cast<const std::uint8_t*>(dw), HeaderBytes};
        }
        return CanDecode(bytes, filename ? filename : "") ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                     SusiePictureInfo* lpInfo) {
    try {
        if (!lpInfo)
            return SusieInternalError;
        // The facts stand in a file's first bytes: a camera picture is read whole only when
        // they do not.
        constexpr std::size_t HeadBytes = 256 * 1024;
        Source source;
        bool cut = false;
        if (const SusieResult r = OpenSource(buf, len, flag, source, nullptr, HeadBytes, &cut);
            r != SusieSuccess)
            return r;
        PictureFacts facts;
        SusieResult read = ReadFacts(source.Bytes, source.FileName, facts);
        if (read != SusieSuccess && cut) {
            source = Source();
            if (const SusieResult r = OpenSource(buf, len, flag, source); r != SusieSuccess)
                return r;
            facts = PictureFacts();
            read = ReadFacts(source.Bytes, source.FileName, facts);
        }
        if (read != SusieSuccess)
            return read;
        if (facts.Width > 0x7FFFFFFF || facts.Height > 0x7FFFFFFF)
            return SusieBrokenData;
        *lpInfo = SusiePictureInfo{};
        lpInfo->width = static_cast<long>(facts.Width);
        lpInfo->height = static_cast<long>(facts.Height);
        lpInfo->x_density = Density(facts.DpiX);
        lpInfo->y_density = Density(facts.DpiY);
        lpInfo->colorDepth = static_cast<short>(facts.BitCount);
        lpInfo->hInfo = nullptr;
        return SusieSuccess;
    } catch (const std::bad_alloc&) {
        return SusieNoMemory;
    } catch (...) {
        return SusieInternalError;
    }
}

extern "C" int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                 HLOCAL* pHBm, SusieProgressCallback lpPrgressCallback,
                                 LONG_PTR lData) {
    if (!pHBInfo || !pHBm)
        return SusieInternalError;
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    Progress progress(lpPrgressCallback, lData);
    try {
        if (!progress.Start())
            return SusieAborted;
        // Reading a file takes the first twentieth of the whole; the decode the rest.
        const bool file = (flag & SusieSourceMask) == SusieSourceFile;
        progress.Stage(0, file ? Progress::Whole / 20 : 0);
        Source source;
        if (const SusieResult r = OpenSource(buf, len, flag, source, &progress); r != SusieSuccess)
            return r;
        progress.Stage(file ? Progress::Whole / 20 : 0, Progress::Whole);
        DibBuilder dib;
        const SusieResult r = Decode(source.Bytes, source.FileName, progress, dib);
        if (progress.Aborted())
            return SusieAborted;
        if (r != SusieSuccess)
            return r;
        if (!progress.Finish())
            return SusieAborted;
        dib.HandOver(pHBInfo, pHBm);
        return SusieSuccess;
    } catch (const std::bad_alloc&) {
        return progress.Aborted() ? SusieAborted : SusieNoMemory;
    } catch (...) {
        return progress.Aborted() ? SusieAborted : SusieInternalError;
    }
}

extern "C" int WINAPI ConfigurationDlg(HWND, int) {
    return SusieNotImplemented;
}
