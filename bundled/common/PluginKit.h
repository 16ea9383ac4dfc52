// What each bundled import plug-in provides to the shared export layer (SusieExports.cpp), and
// the helpers it decodes with: the progress reporter and the DIB under construction.
#pragma once

#include "bundled/common/LocalMemory.h"
#include "bundled/common/Pixels.h"
#include "bundled/common/Sniff.h"
#include "bundled/common/SusieApi.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bundled {

// Reports progress to the host's callback and remembers whether it asked to stop. The host
// hears of one call to GetPicture as running from 0 to Whole; each step of it (reading the file,
// decoding) is given its part of that scale (Stage), and reports its own done of total within it
// as often as it likes, every row or buffer: the host is told only when the whole has advanced
// by Step (at most about 200 times a picture), or when a step asks that it be told (each chunk
// of a file read). The told values never go back. Nothing here throws: the libraries call it
// from their own C frames.
class Progress {
public:
    static constexpr int Whole = 1000;
    static constexpr int Step = 5; // half a percent

    Progress(SusieProgressCallback callback, LONG_PTR userData) noexcept
        : FCallback(callback), FUserData(userData) {}
    // The part of the whole, from and to out of Whole, that the next reports cover.
    void Stage(int from, int to) noexcept {
        FFrom = from;
        FTo = to;
    }
    // False once the callback has returned nonzero: the work then stops with SusieAborted, and
    // the host is not called again.
    bool Report(std::uint64_t done, std::uint64_t total, bool tell = false) noexcept;
    // Tells the host of the start (0) and of the end (Whole).
    bool Start() noexcept { return Tell(0); }
    bool Finish() noexcept { return FTold == Whole ? !FAborted : Tell(Whole); }
    bool Aborted() const noexcept { return FAborted; }

private:
    bool Tell(int value) noexcept;

    SusieProgressCallback FCallback;
    LONG_PTR FUserData;
    int FFrom = 0, FTo = Whole;
    int FReached = 0; // the furthest point reported
    int FTold = -1;   // the last value the host was told
    bool FAborted = false;
};

// A bottom-up BI_RGB DIB of 24 or 32 bits in two moveable local blocks: the info block holds
// the BITMAPINFOHEADER alone (no colour table at these depths), the bits block the rows padded
// to 4 bytes. The bits stay locked while the DIB is being filled.
class DibBuilder {
public:
    // Allocates both blocks; false when memory runs out or the size does not fit.
    bool Create(std::uint32_t width, std::uint32_t height, unsigned bitCount);
    std::uint32_t Width() const noexcept { return FWidth; }
    std::uint32_t Height() const noexcept { return FHeight; }
    unsigned BitCount() const noexcept { return FBitCount; }
    // Row y counted from the top of the picture.
    std::uint8_t* RowFromTop(std::uint32_t y) noexcept;
    // A 32-bit DIB whose alpha is 255 everywhere becomes 24-bit.
    void DropOpaqueAlpha();
    // Unlocks and hands both blocks to the host.
    void HandOver(HLOCAL* info, HLOCAL* bits);

private:
    void WriteHeader();

    std::uint8_t* Bits() const noexcept { return FBitsLock ? FBitsLock->Address() : nullptr; }

    LocalBlock FInfo, FBits;
    std::optional<LocalLockGuard> FBitsLock; // while the DIB is being filled
    std::uint32_t FWidth = 0, FHeight = 0;
    unsigned FBitCount = 0;
};

// Picture facts for GetPictureInfo.
struct PictureFacts {
    std::uint32_t Width = 0, Height = 0;
    unsigned BitCount = 24;
    unsigned DpiX = 0, DpiY = 0;
};

// The plug-in's side, defined once in each module.
// Index 0 "00IN", 1 the description, then pairs of filter ("*.jpg;*.jpeg") and format name.
const std::vector<std::string>& PluginTexts();
bool CanDecode(std::span<const std::uint8_t> head, std::string_view fileName);
// fileName is the path for a file source and empty for memory.
SusieResult ReadFacts(std::span<const std::uint8_t> data, std::string_view fileName,
                      PictureFacts& facts);
SusieResult Decode(std::span<const std::uint8_t> data, std::string_view fileName,
                   Progress& progress, DibBuilder& dib);

// A plug-in over a decoding library (common/LibraryPlugin.cpp gives it PluginTexts and
// CanDecode) defines instead what it says of itself: the one format it claims, its description
// (the limits it keeps are added) and its filter and format-name pairs.
struct LibraryPluginFacts {
    PictureFormat Format;
    std::string Description;
    std::vector<std::string> Filters;
};
const LibraryPluginFacts& LibraryPlugin();

// Decode for a reader that reads the header and then the picture.
template <typename Reader>
SusieResult ReadHeaderThenDecode(std::span<const std::uint8_t> data, Progress& progress,
                                 DibBuilder& dib) {
    Reader reader(data);
    if (const SusieResult r = reader.ReadHeader(); r != SusieSuccess)
        return r;
    return reader.Decode(progress, dib);
}

} // namespace bundled
