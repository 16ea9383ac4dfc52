#include "framework/win32/Picture.h"

#include "framework/Paths.h"
#include "framework/Strings.h"
#include "framework/win32/Text.h"

namespace tovane {

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    Attach(std::move(graphic));
}

TBitmap& TPicture::Bitmap() {
    if (FGraphic == nullptr || !FGraphic->InheritsFrom(&TBitmap::ClassInfo))
        Attach(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::LoadFromFile(const std::string& fileNameAnsi) {
    LoadFromFile(AnsiToWide(fileNameAnsi));
}

void TPicture::SaveToFile(const std::string& fileNameAnsi) {
    SaveToFile(AnsiToWide(fileNameAnsi));
}

void TPicture::LoadFromFile(const std::wstring& fileName) {
    // Extensions are registered in the code page; one outside it matches none.
    const std::size_t dot = fileName.find_last_of(L".\\:");
    const std::string ext = dot != std::wstring::npos && fileName[dot] == L'.'
                                ? WideToAnsiNoBestFit(fileName.substr(dot + 1))
                                : std::string();
    const TFileFormat* format = FileFormats().Find(ext);
    if (format == nullptr || format->GraphicClass == nullptr ||
        format->GraphicClass->Create == nullptr)
        throw EInvalidGraphic(
            Format("Unknown picture file extension (.%s)", AnsiToUtf8(ext).c_str()));
    std::unique_ptr<TGraphic> graphic = format->GraphicClass->Create();
    graphic->OnProgress = [this](TGraphic* sender, TProgressStage stage, std::uint8_t percent,
                                 bool redraw, const TRect& r, const std::string& msg) {
        if (OnProgress)
            OnProgress(sender, stage, percent, redraw, r, msg);
    };
    graphic->LoadFromFile(fileName);
    Attach(std::move(graphic));
}

void TPicture::SaveToFile(const std::wstring& fileName) {
    if (FGraphic == nullptr)
        throw EInvalidGraphic("Cannot save an empty picture");
    FGraphic->SaveToFile(fileName);
}

int TPicture::Width() const {
    return FGraphic ? FGraphic->Width() : 0;
}

int TPicture::Height() const {
    return FGraphic ? FGraphic->Height() : 0;
}

void TPicture::Attach(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic)
        FGraphic->OnChange = [this](TGraphic&) {
            if (OnChange)
                OnChange(*this);
        };
    if (OnChange)
        OnChange(*this);
}

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description,
                                  TGraphicClass graphicClass) {
    FileFormats().Register(extension, description, graphicClass);
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    FileFormats().UnregisterGraphicClass(graphicClass);
}

} // namespace tovane
