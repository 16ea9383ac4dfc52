#include "imaging/SPIBmp.h"

#include "framework/win32/Canvas.h"
#include "framework/win32/Picture.h"
#include "framework/win32/Text.h"
#include "imaging/portable/DecodeRules.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace tovane {

namespace {

std::string NotDecodedMessage(const std::vector<std::string>& faults, const std::string& refusal) {
    std::string text = SpiCouldNotDecode;
    for (const std::string& fault : faults)
        text += "\n" + fault;
    if (!refusal.empty())
        text += "\n" + refusal;
    return text;
}

// After the reader's load; failure is null when it succeeded.
void Report(const TGraphic* graphic, const std::exception* failure, TPluginLoadReport* report) {
    const auto* spi = dynamic_cast<const TSPIGraphic*>(graphic);
    if (report == nullptr || spi == nullptr)
        return;
    report->Faults.insert(report->Faults.end(), spi->LoadFaults().begin(), spi->LoadFaults().end());
    if (const auto* notDecoded = dynamic_cast<const ESPINotDecoded*>(failure);
        notDecoded != nullptr && notDecoded->HasDetails())
        report->Failure = *notDecoded;
}

} // namespace

ESPINotDecoded::ESPINotDecoded(std::vector<std::string> faults, std::string refusal)
    : EInvalidGraphic(NotDecodedMessage(faults, refusal)), FFaults(std::move(faults)),
      FRefusal(std::move(refusal)) {
}

// ---- TSPIGraphic ----

const TGraphicClassInfo TSPIGraphic::ClassInfo{
    "TSPIGraphic", &TGraphic::ClassInfo,
    []() -> std::unique_ptr<TGraphic> { return std::make_unique<TSPIGraphic>(); }};

TSPIGraphic::~TSPIGraphic() {
    ClearImage();
}

void TSPIGraphic::ClearImage() {
    FJob.reset();
    FPaletteHandle.Reset();
    FInfoCached = false;
}

bool TSPIGraphic::GetEmpty() {
    return FJob == nullptr || FJob->IsEmpty();
}

int TSPIGraphic::GetWidth() {
    UpdateInfo();
    return FImageWidth;
}

int TSPIGraphic::GetHeight() {
    UpdateInfo();
    return FImageHeight;
}

HPALETTE TSPIGraphic::GetPalette() {
    UpdateInfo();
    return FPaletteHandle.Get();
}

bool TSPIGraphic::Is4Bit() {
    UpdateInfo();
    return FIs4Bit;
}

void TSPIGraphic::UpdateInfo() {
    if (FInfoCached)
        return;
    if (GetEmpty()) {
        FImageWidth = FImageHeight = 0;
        FColorCount = FImageSize = FInfoSize = 0;
        FPaletteHandle.Reset();
        FIs4Bit = false;
        FInfoCached = true;
        return;
    }
    // The job holds an image only after its header passed the check against the block sizes,
    // so the colour table and pixel array lie within the blocks.
    const TDibLayout& layout = *FJob->Layout();
    FColorCount = layout.ColorCount;
    FImageSize = layout.ImageSize;
    FImageWidth = layout.Width;
    FImageHeight = layout.Height;
    FInfoSize = layout.InfoSize;
    FIs4Bit = layout.BitCount == 4;

    // A logical palette holds at most 65535 entries; a longer table is cut there.
    const std::uint32_t entries = std::min<std::uint32_t>(FColorCount, 0xFFFF);
    std::vector<std::uint8_t> record(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(record.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(entries);
    const auto* colours =
        static_cast<const std::uint8_t*>(FJob->LockInfo()) + layout.ColorTableOffset;
    for (std::uint32_t i = 0; i < entries; ++i) {
        PALETTEENTRY& e = palette->palPalEntry[i];
        e.peBlue = colours[i * 4];
        e.peGreen = colours[i * 4 + 1];
        e.peRed = colours[i * 4 + 2];
        e.peFlags = 0;
    }
    FPaletteHandle.Reset(CreatePalette(palette));
    FInfoCached = true;
}

void TSPIGraphic::RunJob() {
    FLoadFaults.clear();
    try {
        FJob->OnProgress = OnProgress;
        try {
            FJob->Decode();
        } catch (...) {
            FLoadFaults = FJob->Faults();
            throw;
        }
        FLoadFaults = FJob->Faults();
        if (FJob->IsEmpty()) {
            const auto* file = dynamic_cast<const TInSPIAbleFromFile*>(FJob.get());
            if (file != nullptr && file->InMemory())
                throw ESPIUnreachableName(file->FailureText());
            throw ESPINotDecoded(FLoadFaults, FJob->RefusalReason());
        }
    } catch (...) {
        ClearImage();
        throw;
    }
    Changed();
}

void TSPIGraphic::LoadFromFile(const std::wstring& fileName) {
    ClearImage();
    FJob = std::make_unique<TInSPIAbleFromFile>(this, fileName);
    RunJob();
}

void TSPIGraphic::LoadFromStream(TStream& stream) {
    LoadFromStreamWithName(stream, std::string());
}

void TSPIGraphic::LoadFromStreamWithName(TStream& stream, const std::string& fileNameAnsi) {
    ClearImage();
    FJob = std::make_unique<TInSPIAbleFromStream>(this, stream, fileNameAnsi);
    RunJob();
}

void TSPIGraphic::Draw(TCanvas& canvas, const TRect& rect) {
    if (FJob == nullptr || GetEmpty())
        return;
    UpdateInfo();
    const HDC dc = canvas.Handle();
    const HPALETTE palette = GetPalette();
    HPALETTE previousPalette = nullptr;
    if (palette != nullptr) {
        previousPalette = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }
    const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
    // The source rectangle is counted in rows of the picture: a top-down image has a negative
    // height in its header, but its rows are addressed by the height's magnitude (a negative
    // source height would mirror the picture).
    StretchDIBits(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), 0, 0, FImageWidth,
                  std::abs(FImageHeight), FJob->LockBits(),
                  static_cast<const BITMAPINFO*>(FJob->LockInfo()), DIB_RGB_COLORS,
                  canvas.CopyMode());
    SetStretchBltMode(dc, previousMode);
    if (palette != nullptr)
        SelectPalette(dc, previousPalette, TRUE);
}

void TSPIGraphic::SaveToStream(TStream& stream) {
    UpdateInfo();
    if (GetEmpty())
        throw EInvalidGraphic("There is no decoded image to save");
    WriteBitmapFileFromBlocks(stream, *FJob->Layout(), FJob->LockInfo(), FJob->LockBits());
}

std::unique_ptr<TGraphic> TSPIGraphic::Convert(TGraphicClass graphicClass, bool release) {
    std::unique_ptr<TGraphic> converted = graphicClass->Create();
    TMemoryStream file;
    if (release && !GetEmpty()) {
        // A picture from the decoding host becomes the bitmap file where it lies: the shared
        // memory it came in is not copied again.
        TByteBuffer inPlace = FJob->TakeBitmapFile();
        if (!inPlace.empty()) {
            ClearImage();
            file.Adopt(std::move(inPlace));
            converted->LoadFromDiscardedStream(file);
            return converted;
        }
    }
    if (!GetEmpty()) {
        // One block for the whole file, with the pixel rows on an aligned address: a bitmap
        // keeps them where they are.
        const TDibLayout& layout = *FJob->Layout();
        const std::size_t pixelOffset = BitmapFileHeaderSize + layout.InfoSize;
        file.SetCapacity(static_cast<std::int64_t>(pixelOffset) + layout.ImageSize, pixelOffset);
    }
    SaveToStream(file);
    if (release)
        ClearImage();
    file.SetPosition(0);
    converted->LoadFromDiscardedStream(file);
    return converted;
}

std::unique_ptr<TGraphic> TSPIGraphic::ConvertTo(TGraphicClass graphicClass) {
    return Convert(graphicClass, false);
}

std::unique_ptr<TGraphic> TSPIGraphic::ConvertAndRelease(TGraphicClass graphicClass) {
    return Convert(graphicClass, true);
}

// ---- TSPIBitmap ----

const TGraphicClassInfo TSPIBitmap::ClassInfo{
    "TSPIBitmap", &TBitmap::ClassInfo,
    []() -> std::unique_ptr<TGraphic> { return std::make_unique<TSPIBitmap>(); }};

TSPILoadFromStreamWithNameEvent TSPIBitmap::OnLoadFromStreamWithName() {
    return [this](TStream& stream, const std::string& fileName) {
        LoadFromStreamWithName(stream, fileName);
    };
}

void TSPIBitmap::Assign(TGraphic& source) {
    auto* spi = dynamic_cast<TSPIGraphic*>(&source);
    if (spi == nullptr) {
        TBitmap::Assign(source);
        return;
    }
    const std::unique_ptr<TGraphic> converted = spi->ConvertTo(&TBitmap::ClassInfo);
    TBitmap::Assign(*converted);
    if (spi->Is4Bit())
        SetPalette(CopyPalette(spi->GetPalette()));
}

void TSPIBitmap::AssignLoadedGraphic(std::unique_ptr<TGraphic> graphic) {
    if (graphic == nullptr)
        throw EInvalidGraphic(SpiCouldNotDecode);
    auto* spi = dynamic_cast<TSPIGraphic*>(graphic.get());
    if (spi == nullptr) {
        Assign(*graphic);
        return;
    }
    // The palette is copied before the conversion gives the plug-in memory back.
    UniquePalette paletteCopy;
    if (spi->Is4Bit())
        paletteCopy = CopyPalette(spi->GetPalette());
    const std::unique_ptr<TGraphic> converted = spi->ConvertAndRelease(&TBitmap::ClassInfo);
    // The converted bitmap is freed right after: its pixels move here rather than being copied.
    if (converted->ClassType() == &TBitmap::ClassInfo)
        TakeOver(static_cast<TBitmap&>(*converted));
    else
        Assign(*converted);
    if (paletteCopy)
        SetPalette(std::move(paletteCopy));
}

void TSPIBitmap::ForwardProgress(TGraphic*, TProgressStage Stage, std::uint8_t PercentDone,
                                 bool RedrawNow, const TRect& R, const std::string& Msg) {
    // This bitmap sends its own ending notification when the whole load is over.
    if (Stage != psEnding)
        Progress(this, Stage, PercentDone, RedrawNow, R, Msg);
}

TProgressEvent TSPIBitmap::Forwarder() {
    return [this](TGraphic* sender, TProgressStage stage, std::uint8_t percent, bool redraw,
                  const TRect& r, const std::string& msg) {
        ForwardProgress(sender, stage, percent, redraw, r, msg);
    };
}

void TSPIBitmap::NotifyLoaded() {
    Progress(this, psEnding, 100, true, TRect(0, 0, Width(), Height()), "Loaded Graphic");
}

void TSPIBitmap::LoadNotifying(const std::string& steering, const TLoadByClasses& load) {
    FReport = TPluginLoadReport();
    try {
        std::unique_ptr<TGraphic> graphic = load(IsBitmapFirst(steering, SystemLeadByte));
        if (graphic == nullptr && FReport.Failure)
            throw *FReport.Failure;
        AssignLoadedGraphic(std::move(graphic));
    } catch (...) {
        // The ending notification goes out on every way; a failure of its own replaces.
        const std::exception_ptr failure = std::current_exception();
        NotifyLoaded();
        std::rethrow_exception(failure);
    }
    NotifyLoaded();
}

void TSPIBitmap::LoadFromFile(const std::wstring& fileName) {
    LoadNotifying(WideToAnsiNoBestFit(fileName), [&](bool bitmapFirst) {
        return LoadFileByClasses(&TSPIGraphic::ClassInfo, fileName, &TBitmap::ClassInfo,
                                 bitmapFirst, Forwarder(), &FReport);
    });
}

void TSPIBitmap::LoadFromStream(TStream& stream) {
    LoadFromStreamWithName(stream, std::string());
}

void TSPIBitmap::LoadFromStreamWithName(TStream& stream, const std::string& fileNameAnsi) {
    LoadNotifying(fileNameAnsi, [&](bool bitmapFirst) {
        return LoadStreamByClasses(&TSPIGraphic::ClassInfo, stream, fileNameAnsi,
                                   &TBitmap::ClassInfo, bitmapFirst, Forwarder(), &FReport);
    });
}

// ---- Loading by classes ----

namespace {

std::array<TGraphicClass, 2> ReaderOrder(TGraphicClass pluginClass, TGraphicClass plainClass,
                                         bool bitmapFirst) {
    if (bitmapFirst)
        return {plainClass, pluginClass};
    return {pluginClass, plainClass};
}

} // namespace

std::unique_ptr<TGraphic> LoadFileByClasses(TGraphicClass pluginClass, const std::wstring& fileName,
                                            TGraphicClass plainClass, bool bitmapFirst,
                                            const TProgressEvent& progress,
                                            TPluginLoadReport* report) {
    std::exception_ptr unreachable;
    for (TGraphicClass graphicClass : ReaderOrder(pluginClass, plainClass, bitmapFirst)) {
        std::unique_ptr<TGraphic> graphic = graphicClass->Create();
        try {
            graphic->OnProgress = progress;
            graphic->LoadFromFile(fileName);
            Report(graphic.get(), nullptr, report);
            return graphic;
        } catch (const ESPIUnreachableName& e) {
            Report(graphic.get(), &e, report);
            unreachable = std::current_exception();
        } catch (const std::exception& e) {
            // This reader failed (the silent abort too); the other one is tried.
            Report(graphic.get(), &e, report);
        }
    }
    if (unreachable)
        std::rethrow_exception(unreachable);
    return nullptr;
}

std::unique_ptr<TGraphic> LoadStreamByClasses(TGraphicClass pluginClass, TStream& stream,
                                              const std::string& fileNameAnsi,
                                              TGraphicClass plainClass, bool bitmapFirst,
                                              const TProgressEvent& progress,
                                              TPluginLoadReport* report) {
    const std::int64_t start = stream.Position();
    for (TGraphicClass graphicClass : ReaderOrder(pluginClass, plainClass, bitmapFirst)) {
        std::unique_ptr<TGraphic> graphic = graphicClass->Create();
        try {
            graphic->OnProgress = progress;
            graphic->LoadFromStreamWithName(stream, fileNameAnsi);
            Report(graphic.get(), nullptr, report);
            return graphic;
        } catch (const std::exception& e) {
            Report(graphic.get(), &e, report);
            stream.SetPosition(start);
        }
    }
    return nullptr;
}

// ---- Unit start-up and shutdown ----

void InitializeSpiBmp() {
    TSPIs::SetDefaultGraphicClass(&TSPIBitmap::ClassInfo);
}

void FinalizeSpiBmp() {
    TPicture::UnregisterGraphicClass(&TSPIBitmap::ClassInfo);
}

} // namespace tovane
