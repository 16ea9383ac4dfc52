#include "framework/win32/Graphics.h"

#include "framework/BitmapScale.h"
#include "framework/FileFormats.h"
#include "framework/Strings.h"
#include "framework/win32/Canvas.h"
#include "framework/win32/Text.h"

#include <cstring>

namespace tovane {

const TGraphicClassInfo TGraphic::ClassInfo{"TGraphic", nullptr, nullptr};

namespace {
std::unique_ptr<TGraphic> NewBitmap() {
    return std::make_unique<TBitmap>();
}
} // namespace

const TGraphicClassInfo TBitmap::ClassInfo{"TBitmap", &TGraphic::ClassInfo, &NewBitmap};

namespace {
// The framework's own picture format. This initializer lives in the unit that defines TBitmap
// and TGraphic's virtual table, so every program that uses any graphic links it and "bmp" is
// known before main() runs.
const bool BitmapFormatRegistered = [] {
    FileFormats().Register("bmp", "Bitmaps", &TBitmap::ClassInfo);
    return true;
}();
} // namespace

// ---- TGraphic ----

void TGraphic::LoadFromFile(const std::wstring& fileName) {
    TFileStream stream(fileName, TFileMode::fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::wstring& fileName) {
    TFileStream stream(fileName, TFileMode::fmCreate);
    SaveToStream(stream);
}

void TGraphic::LoadFromFile(const std::string& fileNameAnsi) {
    LoadFromFile(AnsiToWide(fileNameAnsi));
}

void TGraphic::SaveToFile(const std::string& fileNameAnsi) {
    SaveToFile(AnsiToWide(fileNameAnsi));
}

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::Assign(TGraphic& source) {
    if (&source == this)
        return;
    throw EConvertError(
        Format("Cannot assign a %s to a %s", source.ClassType()->Name, ClassType()->Name));
}

void TGraphic::Progress(TGraphic* sender, TProgressStage stage, std::uint8_t percentDone,
                        bool redrawNow, const TRect& r, const std::string& msg) {
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

void TGraphic::Changed() {
    FModified = true;
    if (OnChange)
        OnChange(*this);
}

// ---- palettes ----

UniquePalette CopyPalette(HPALETTE palette) {
    if (palette == nullptr)
        return {};
    const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    std::vector<std::uint8_t> record(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(record.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(count);
    if (count > 0)
        GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return UniquePalette(CreatePalette(log));
}

// ---- TBitmap ----

namespace {
// Selects a palette and a stretch mode into a DC for one drawing call and puts back what was
// there before.
class TDrawState {
public:
    TDrawState(HDC dc, HPALETTE palette, TStretchQuality quality) : FDC(dc) {
        if (palette != nullptr) {
            FOldPalette = SelectPalette(dc, palette, TRUE);
            RealizePalette(dc);
            FPaletteSelected = true;
        }
        const bool halftone = quality == TStretchQuality::Halftone;
        FOldMode = SetStretchBltMode(dc, halftone ? HALFTONE : COLORONCOLOR);
        // HALFTONE needs the brush origin reset after the mode is set.
        if (halftone)
            FOriginSet = SetBrushOrgEx(dc, 0, 0, &FOldOrigin) != FALSE;
    }
    ~TDrawState() {
        if (FOriginSet)
            SetBrushOrgEx(FDC, FOldOrigin.x, FOldOrigin.y, nullptr);
        if (FOldMode != 0)
            SetStretchBltMode(FDC, FOldMode);
        if (FPaletteSelected)
            SelectPalette(FDC, FOldPalette, TRUE);
    }
    TDrawState(const TDrawState&) = delete;
    TDrawState& operator=(const TDrawState&) = delete;

private:
    HDC FDC;
    HPALETTE FOldPalette = nullptr;
    bool FPaletteSelected = false;
    int FOldMode = 0;
    POINT FOldOrigin{};
    bool FOriginSet = false;
};
} // namespace

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (FDib.Empty() || canvas.Handle() == nullptr)
        return;
    const LONG width = rect.Width();
    const LONG height = rect.Height();
    const bool shrinks = width > 0 && height > 0 && (width < FDib.Width || height < FDib.Height);
    if (FStretchQuality == TStretchQuality::Halftone && shrinks) {
        if (FScaled.Width != width || FScaled.Height != height)
            FScaled = ResampleArea(FDib, width, height);
        const std::vector<std::uint8_t> info = FScaled.InfoBlock();
        StretchDIBits(canvas.Handle(), rect.Left, rect.Top, width, height, 0, 0, width, height,
                      FScaled.Bits.data(), reinterpret_cast<const BITMAPINFO*>(info.data()),
                      DIB_RGB_COLORS, canvas.CopyMode());
        return;
    }
    const std::vector<std::uint8_t> info = FDib.InfoBlock();
    TDrawState state(canvas.Handle(), FPalette.Get(), FStretchQuality);
    StretchDIBits(canvas.Handle(), rect.Left, rect.Top, width, height, 0, 0, FDib.Width,
                  FDib.Height, FDib.Bits.data(), reinterpret_cast<const BITMAPINFO*>(info.data()),
                  DIB_RGB_COLORS, canvas.CopyMode());
}

void TBitmap::Changed() {
    FScaled = TDib{};
    TGraphic::Changed();
}

namespace {
// The same picture in a new shape: the common top-left part is kept.
TDib Resized(const TDib& old, int width, int height) {
    if (width <= 0 || height <= 0) {
        TDib empty;
        empty.Width = std::max(width, 0);
        empty.Height = std::max(height, 0);
        empty.BitCount = old.BitCount;
        return empty;
    }
    const std::uint16_t bits = old.BitCount != 0 ? old.BitCount : 24;
    TDib d = TDib::Create(width, height, bits, old.TopDown);
    d.Compression = old.Compression;
    d.RedMask = old.RedMask;
    d.GreenMask = old.GreenMask;
    d.BlueMask = old.BlueMask;
    d.AlphaMask = old.AlphaMask;
    d.XPelsPerMeter = old.XPelsPerMeter;
    d.YPelsPerMeter = old.YPelsPerMeter;
    d.ClrImportant = old.ClrImportant;
    d.Colors = old.Colors;
    if (!old.Empty() && !old.Bits.empty()) {
        const std::size_t bytes = std::min(d.Stride(), old.Stride());
        for (std::int32_t y = 0; y < std::min(d.Height, old.Height); ++y)
            std::memcpy(d.ScanLine(y), old.ScanLine(y), bytes);
    }
    return d;
}
} // namespace

void TBitmap::SetWidth(int width) {
    if (width == FDib.Width)
        return;
    FDib = Resized(FDib, width, FDib.Height);
    Changed();
}

void TBitmap::SetHeight(int height) {
    if (height == FDib.Height)
        return;
    FDib = Resized(FDib, FDib.Width, height);
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
    TakeFilePicture(ReadBitmapFile(stream));
}

void TBitmap::LoadFromDiscardedStream(TMemoryStream& stream) {
    if (stream.Position() != 0)
        LoadFromStream(stream);
    else
        TakeFilePicture(ReadBitmapFile(stream.TakeBuffer()));
}

void TBitmap::TakeFilePicture(TDib dib) {
    FDib = std::move(dib);
    FPalette.Reset(); // a bitmap file carries no logical palette
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) {
    WriteBitmapFile(FDib, stream);
}

void TBitmap::TakeOver(TBitmap& source) {
    if (&source == this)
        return;
    FDib = std::move(source.FDib);
    source.FDib = TDib{};
    FPalette = std::move(source.FPalette);
    FStretchQuality = source.FStretchQuality;
    source.Changed();
    Changed();
}

void TBitmap::Assign(TGraphic& source) {
    if (&source == this)
        return;
    if (source.InheritsFrom(&TBitmap::ClassInfo)) {
        auto& bitmap = static_cast<TBitmap&>(source);
        TDib dib = bitmap.FDib;
        FPalette = CopyPalette(bitmap.FPalette.Get());
        FDib = std::move(dib);
        FStretchQuality = bitmap.FStretchQuality;
        Changed();
        return;
    }
    if (source.GetEmpty()) {
        TakeFilePicture(TDib{});
        return;
    }
    TMemoryStream stream;
    source.SaveToStream(stream);
    stream.SetPosition(0);
    LoadFromDiscardedStream(stream);
}

void TBitmap::SetPalette(UniquePalette palette) {
    FPalette = std::move(palette);
    Changed();
}

void TBitmap::SetDib(TDib dib) {
    FDib = std::move(dib);
    Changed();
}

} // namespace tovane
