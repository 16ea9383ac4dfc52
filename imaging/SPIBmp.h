// The plug-in graphic classes: TSPIGraphic puts one decoding job behind the framework's graphic
// interface; TSPIBitmap is the plain bitmap that picture containers hold for every extension an
// import plug-in declares, loading through the plain bitmap reader and TSPIGraphic in the order
// the extension decides and converting a plug-in result into an ordinary bitmap.
//
// GUI thread only. Start-up: InitializeSpiBmp (or a SpiBmpUnit) before the plug-in collection
// is created, so that it registers plug-in formats for TSPIBitmap; shutdown removes them.
#pragma once

#include "framework/win32/Graphics.h"
#include "imaging/InSPIAbleData.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tovane {

// The message of every load that no reader could decode.
inline constexpr const char* SpiCouldNotDecode = "Susie Plugins could not decode";

// No module decoded the source, with what happened on the way as data: the reports of the
// modules that faulted and why the last picture a module delivered was refused (a size beyond
// the limits, say). The message is SpiCouldNotDecode, then a line for each of them.
class ESPINotDecoded : public EInvalidGraphic {
public:
    ESPINotDecoded(std::vector<std::string> faults, std::string refusal);
    const std::vector<std::string>& Faults() const noexcept { return FFaults; }
    const std::string& Refusal() const noexcept { return FRefusal; }
    // Whether there is more to say than SpiCouldNotDecode.
    bool HasDetails() const noexcept { return !FFaults.empty() || !FRefusal.empty(); }

private:
    std::vector<std::string> FFaults;
    std::string FRefusal;
};

// A file whose name has no form in the code page (nor a short one) reached the plug-ins only in
// memory, and none decoded it there; the message names the file.
class ESPIUnreachableName : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// One decoded image, kept in the plug-in's own memory blocks.
class TSPIGraphic : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TSPIGraphic() = default;
    ~TSPIGraphic() override;
    TGraphicClass ClassType() const override { return &ClassInfo; }

    // Draws nothing when empty.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool GetEmpty() override;
    int GetWidth() override;
    // The header's height as stored: negative for a top-down image.
    int GetHeight() override;
    HPALETTE GetPalette() override;
    // The size is the decoded image's: these do nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    // Decode through the plug-ins; a failure raises (EInvalidGraphic "Susie Plugins could not
    // decode" when no plug-in decodes, followed by the fault reports and by why the last
    // picture delivered was refused, if any; ESPIUnreachableName when the file could reach them
    // only in memory) and leaves the graphic empty.
    using TGraphic::LoadFromFile;
    void LoadFromFile(const std::wstring& fileName) override;
    void LoadFromStream(TStream& stream) override;
    // Decodes the stream; the name (ANSI, may be empty) only steers the plug-ins.
    void LoadFromStreamWithName(TStream& stream, const std::string& fileNameAnsi) override;
    // Writes a Windows bitmap file made of the plug-in's blocks. An empty graphic has nothing
    // to write and raises EInvalidGraphic.
    void SaveToStream(TStream& stream) override;
    // No clipboard support: these do nothing.
    void LoadFromClipboardFormat(UINT, HANDLE, HPALETTE) override {}
    void SaveToClipboardFormat(UINT&, HANDLE&, HPALETTE&) override {}

    bool Is4Bit();
    // A new graphic of the class holding a copy of this image (through an in-memory bitmap
    // file); this graphic keeps its image.
    std::unique_ptr<TGraphic> ConvertTo(TGraphicClass graphicClass);
    // The same, but this graphic releases the plug-in memory before the new one reads.
    std::unique_ptr<TGraphic> ConvertAndRelease(TGraphicClass graphicClass);

    // The job of the last load (null when empty); for diagnostics and tests.
    const TInSPIAbleData* Job() const { return FJob.get(); }
    // The fault reports of the last load (modules that faulted or hung in the decoding host),
    // also when a later module decoded the picture or the load failed.
    const std::vector<std::string>& LoadFaults() const { return FLoadFaults; }

private:
    void RunJob();
    void ClearImage();
    void UpdateInfo();
    std::unique_ptr<TGraphic> Convert(TGraphicClass graphicClass, bool release);

    std::unique_ptr<TInSPIAbleData> FJob;
    std::int32_t FImageHeight = 0;
    std::int32_t FImageWidth = 0;
    UniquePalette FPaletteHandle;
    std::uint32_t FInfoSize = 0;
    std::uint32_t FImageSize = 0;
    std::uint32_t FColorCount = 0;
    bool FIs4Bit = false;
    bool FInfoCached = false;
    std::vector<std::string> FLoadFaults;
};

// What the plug-in reader of a load reported: the fault reports of its modules (also when it
// succeeded) and, when it failed, its failure when that says more than SpiCouldNotDecode.
struct TPluginLoadReport {
    std::vector<std::string> Faults;
    std::optional<ESPINotDecoded> Failure;
};

using TSPILoadFromStreamWithNameEvent =
    std::function<void(TStream& Stream, const std::string& FileName)>;

// The bitmap that picture containers hold for plug-in formats.
class TSPIBitmap : public TBitmap {
public:
    static const TGraphicClassInfo ClassInfo;

    TSPIBitmap() = default;
    TGraphicClass ClassType() const override { return &ClassInfo; }

    // From a TSPIGraphic: a copy of its image (and of its palette for a 4-bit image); the
    // source keeps its image. Anything else: the plain bitmap's Assign.
    void Assign(TGraphic& source) override;
    // Reads the file with the plain reader and the plug-ins, the plain reader first for a
    // ".bmp" name. Neither succeeding raises EInvalidGraphic "Susie Plugins could not decode"
    // and leaves the bitmap as it was, or ESPIUnreachableName for a file whose name the plug-ins
    // could not be given. The ending notification "Loaded Graphic" follows always.
    using TGraphic::LoadFromFile;
    void LoadFromFile(const std::wstring& fileName) override;
    // LoadFromStreamWithName with an empty name: the plug-ins first.
    void LoadFromStream(TStream& stream) override;

    // Takes the graphic over (it is freed whatever happens) and makes this bitmap its copy;
    // null raises EInvalidGraphic "Susie Plugins could not decode".
    virtual void AssignLoadedGraphic(std::unique_ptr<TGraphic> graphic);
    void LoadFromStreamWithName(TStream& stream, const std::string& fileNameAnsi) override;

    // The handler attached to the graphics this bitmap loads through: passes every
    // notification on as this bitmap's own, except the ending one.
    void ForwardProgress(TGraphic* Sender, TProgressStage Stage, std::uint8_t PercentDone,
                         bool RedrawNow, const TRect& R, const std::string& Msg);

    // The fault reports of the last load (see TSPIGraphic::LoadFaults): shown to the user by
    // whoever loaded the picture. A load that fails names them in its message too.
    const std::vector<std::string>& LoadFaults() const { return FReport.Faults; }

    // Always this object's LoadFromStreamWithName; the setter does nothing.
    TSPILoadFromStreamWithNameEvent OnLoadFromStreamWithName();
    void SetOnLoadFromStreamWithName(const TSPILoadFromStreamWithNameEvent&) {}

private:
    TProgressEvent Forwarder();
    void NotifyLoaded();
    // Loads through one of the LoadByClasses functions (given whether the bitmap reader goes
    // first for this name) and sends the ending notification, also when the load fails.
    using TLoadByClasses = std::function<std::unique_ptr<TGraphic>(bool bitmapFirst)>;
    // steering: the name whose extension decides the order (ANSI).
    void LoadNotifying(const std::string& steering, const TLoadByClasses& load);

    TPluginLoadReport FReport;
};

// Tries the two classes in turn (the plain one first when bitmapFirst), each created through
// its virtual constructor with the progress handler attached, and returns the first that loads
// the file; failures are forgotten. Null when both fail, except that an ESPIUnreachableName
// is raised again then, since it tells the user why the file cannot be shown. report, when
// given, receives what the plug-in reader's load reported.
std::unique_ptr<TGraphic> LoadFileByClasses(TGraphicClass pluginClass, const std::wstring& fileName,
                                            TGraphicClass plainClass, bool bitmapFirst,
                                            const TProgressEvent& progress,
                                            TPluginLoadReport* report = nullptr);
// The same for a stream (a TSPIGraphic reads with LoadFromStreamWithName); after a failure the
// stream's position is set back before the next class is tried.
std::unique_ptr<TGraphic> LoadStreamByClasses(TGraphicClass pluginClass, TStream& stream,
                                              const std::string& fileNameAnsi,
                                              TGraphicClass plainClass, bool bitmapFirst,
                                              const TProgressEvent& progress,
                                              TPluginLoadReport* report = nullptr);

// Unit start-up: makes TSPIBitmap the class the plug-in collection registers plug-in formats
// for. Call before the collection (the main window) is created.
void InitializeSpiBmp();
// Unit shutdown: removes every picture format registered for TSPIBitmap.
void FinalizeSpiBmp();

// Start-up on construction, shutdown on destruction, for the entry point's scope.
class SpiBmpUnit {
public:
    SpiBmpUnit() { InitializeSpiBmp(); }
    ~SpiBmpUnit() { FinalizeSpiBmp(); }
    SpiBmpUnit(const SpiBmpUnit&) = delete;
    SpiBmpUnit& operator=(const SpiBmpUnit&) = delete;
};

} // namespace tovane
