// Graphics: the abstract graphic, the plain bitmap, progress notifications and rectangles.
//
// Graphics are created, loaded and drawn on the GUI thread only. Every graphic class has a
// static TGraphicClassInfo `ClassInfo` (name, base class, factory: the "virtual constructor")
// and returns it from ClassType(), so the picture-format registry can create graphics by class
// and callers can test InheritsFrom. TBitmap registers the extension "bmp" with the program's
// picture-format registry (FileFormats()) when the program starts.
#pragma once

#include <windows.h>

#include "framework/BitmapFile.h"
#include "framework/GraphicClass.h"
#include "framework/Streams.h"
#include "framework/win32/Handles.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tovane {

class TCanvas;
class TGraphic;

// A rectangle in device units; Right and Bottom are exclusive, as in RECT.
struct TRect {
    LONG Left = 0;
    LONG Top = 0;
    LONG Right = 0;
    LONG Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(LONG left, LONG top, LONG right, LONG bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom) {}
    static constexpr TRect FromRECT(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
    constexpr RECT ToRECT() const { return RECT{Left, Top, Right, Bottom}; }
    constexpr LONG Width() const { return Right - Left; }
    constexpr LONG Height() const { return Bottom - Top; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

enum TProgressStage : std::uint8_t { psStarting = 0, psRunning = 1, psEnding = 2 };

// A load's progress: who reports, the stage, 0..100 %, whether the holder should repaint now,
// the part of the picture concerned, and a status text (UTF-8; may be empty).
using TProgressEvent =
    std::function<void(TGraphic* Sender, TProgressStage Stage, std::uint8_t PercentDone,
                       bool RedrawNow, const TRect& R, const std::string& Msg)>;
using TGraphicNotifyEvent = std::function<void(TGraphic& Sender)>;

class TGraphic {
public:
    static const TGraphicClassInfo ClassInfo; // abstract: no factory

    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;
    virtual ~TGraphic() = default;

    virtual TGraphicClass ClassType() const { return &ClassInfo; }
    bool InheritsFrom(TGraphicClass graphicClass) const {
        return ClassType()->InheritsFrom(graphicClass);
    }

    // Draws the picture stretched into the rectangle of the canvas.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual bool GetEmpty() = 0;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    // The picture's palette, still owned by the graphic; nullptr when it has none.
    virtual HPALETTE GetPalette() { return nullptr; }
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;

    // Opens the file for reading and calls LoadFromStream.
    virtual void LoadFromFile(const std::wstring& fileName);
    // Creates the file and calls SaveToStream.
    virtual void SaveToFile(const std::wstring& fileName);
    // The same for an ANSI path, widened as the system would.
    void LoadFromFile(const std::string& fileNameAnsi);
    void SaveToFile(const std::string& fileNameAnsi);
    virtual void LoadFromStream(TStream& stream) = 0;
    // Loads the bytes of a file of that name (ANSI; a picture inside an archive, say): a graphic
    // whose readers the name steers uses it; the base class calls LoadFromStream.
    virtual void LoadFromStreamWithName(TStream& stream, const std::string& fileNameAnsi) {
        (void)fileNameAnsi;
        LoadFromStream(stream);
    }
    virtual void SaveToStream(TStream& stream) = 0;
    // Loads from a stream in memory that the caller discards afterwards. The base class calls
    // LoadFromStream; a bitmap may take the stream's buffer over instead of copying from it.
    virtual void LoadFromDiscardedStream(TMemoryStream& stream) { LoadFromStream(stream); }
    // Clipboard transfer, a slot of the graphic interface that every graphic class has (the
    // plug-in graphic overrides it to do nothing). No graphic of the framework supports a
    // format: both raise EInvalidGraphic.
    virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
    virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);
    // Makes this graphic a copy of the source. The base class copies nothing and raises
    // EConvertError ("Cannot assign a TX to a TY") unless the source is this graphic.
    virtual void Assign(TGraphic& source);

    bool Empty() { return GetEmpty(); }
    int Width() { return GetWidth(); }
    int Height() { return GetHeight(); }

    // Passes a notification to OnProgress, if set. Exceptions from the handler (EAbort among
    // them) go to the caller.
    void Progress(TGraphic* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                  const TRect& r, const std::string& msg);
    // The picture changed: sets Modified and calls OnChange, if set.
    virtual void Changed();
    bool Modified() const { return FModified; }

    TProgressEvent OnProgress;
    TGraphicNotifyEvent OnChange;

protected:
    TGraphic() = default;

private:
    bool FModified = false;
};

// A new palette object with the same entries as the given one (nullptr gives an empty owner).
UniquePalette CopyPalette(HPALETTE palette);

// How TBitmap stretches: HALFTONE filters (good downscaling, the default), COLORONCOLOR drops
// rows and columns (fast).
enum class TStretchQuality { Halftone, ColorOnColor };

// The plain bitmap: a device-independent bitmap (TDib) in memory, read from and written to
// Windows bitmap files, and an optional palette that the bitmap owns.
class TBitmap : public TGraphic {
public:
    static const TGraphicClassInfo ClassInfo;

    TBitmap() = default;
    TGraphicClass ClassType() const override { return &ClassInfo; }

    // StretchDIBits into the rectangle with the canvas's copy mode; the palette, if any, is
    // selected as a background palette and realised for the call. With Halftone quality a
    // rectangle smaller than the picture in either direction gets an area-averaged copy
    // (ResampleArea, kept until the next change or another size) drawn 1:1, because not
    // every GDI filters in its HALFTONE mode; larger rectangles use HALFTONE.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool GetEmpty() override { return FDib.Empty(); }
    int GetWidth() override { return FDib.Width; }
    int GetHeight() override { return FDib.Height; }
    HPALETTE GetPalette() override { return FPalette.Get(); }
    // Resizing keeps the pixels of the common top-left part; new pixels are zero (palette
    // index 0 or black). An empty bitmap becomes a 24-bit one.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // Reads a Windows bitmap file from the stream's position (EInvalidGraphic when it is not
    // one; the bitmap then keeps its previous picture).
    void LoadFromStream(TStream& stream) override;
    // From the stream's start: takes its buffer over (the stream is left empty, also when the
    // file is not valid) and keeps uncompressed pixel rows where they lie. From elsewhere in the
    // stream: LoadFromStream.
    void LoadFromDiscardedStream(TMemoryStream& stream) override;
    // Writes a Windows bitmap file; an empty bitmap raises EInvalidGraphic.
    void SaveToStream(TStream& stream) override;
    // From a TBitmap: the picture, a copy of its palette and its stretch quality. From any other
    // graphic: what it writes with SaveToStream, read as a bitmap file.
    void Assign(TGraphic& source) override;
    // What Assign from a bitmap does, for a source that is discarded afterwards: its picture and
    // palette are moved here instead of copied, and the source is left empty.
    void TakeOver(TBitmap& source);

    // Takes the palette over (deleting the previous one); an empty owner removes it.
    void SetPalette(UniquePalette palette);

    const TDib& Dib() const { return FDib; }
    // Replaces the picture (the palette stays) and calls Changed.
    void SetDib(TDib dib);

    TStretchQuality StretchQuality() const { return FStretchQuality; }
    void SetStretchQuality(TStretchQuality quality) { FStretchQuality = quality; }

    // Drops the resampled copy, then TGraphic::Changed.
    void Changed() override;

private:
    // The picture read from a bitmap file (or none) replaces this one, palette and all.
    void TakeFilePicture(TDib dib);

    TDib FDib;
    TDib FScaled; // the last area-averaged copy drawn, or empty
    UniquePalette FPalette;
    TStretchQuality FStretchQuality = TStretchQuality::Halftone;
};

} // namespace tovane
