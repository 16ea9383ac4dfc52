// The picture container: holds one graphic of whatever class loaded it, and loads files by
// the graphic class that the program's picture-format registry (FileFormats()) names for the
// file's extension. GUI thread only.
#pragma once

#include "framework/FileFormats.h"
#include "framework/win32/Graphics.h"

#include <memory>
#include <string>
#include <string_view>

namespace tovane {

class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The graphic held (owned by the picture), or nullptr.
    TGraphic* Graphic() const { return FGraphic.get(); }
    // Takes the graphic over (nullptr empties the picture) and calls OnChange.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The held graphic as a TBitmap; when it holds something else or nothing, it first becomes
    // an empty TBitmap.
    TBitmap& Bitmap();

    // Creates the graphic class registered for the file's extension (the part after the last
    // dot of the final path component, double-byte aware, case ignored) and lets it load the
    // file. An unknown extension raises EInvalidGraphic ("Unknown picture file extension
    // (.xyz)"); a failed load passes its exception on. Either way the picture keeps what it held
    // before. During the load the graphic's progress goes to OnProgress.
    void LoadFromFile(const std::wstring& fileName);
    // The same for the bytes of a file of that name (a picture inside an archive): the name's
    // extension picks the class, and the name steers its readers.
    void LoadFromStream(TStream& stream, const std::wstring& fileName);
    // The held graphic's SaveToFile; an empty picture raises EInvalidGraphic.
    void SaveToFile(const std::wstring& fileName);
    // The same for an ANSI path.
    void LoadFromFile(const std::string& fileNameAnsi);
    void SaveToFile(const std::string& fileNameAnsi);

    // 0 when empty.
    int Width() const;
    int Height() const;

    TProgressEvent OnProgress;
    std::function<void(TPicture& Sender)> OnChange;

    // The program's picture-format registry, through the picture class.
    static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                   TGraphicClass graphicClass);
    // Removes every format registered for the class or one derived from it.
    static void UnregisterGraphicClass(TGraphicClass graphicClass);

private:
    // The graphic of the class for the name, its progress passed to OnProgress.
    std::unique_ptr<TGraphic> CreateFor(const std::wstring& fileName);
    void Attach(std::unique_ptr<TGraphic> graphic);

    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace tovane
