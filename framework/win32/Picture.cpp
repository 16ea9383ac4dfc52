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

namespace {

// The class registered for the name's extension (the part after the last dot of its final
// component); EInvalidGraphic when there is none. Extensions are registered in the code page;
// one outside it matches none.
TGraphicClass ClassForName(const std::wstring& fileName) {
    const std::size_t dot = fileName.find_last_of(L".\\:");
    const std::string ext = dot != std::wstring::npos && fileName[dot] == L'.'
                                ? WideToAnsiNoBestFit(fileName.substr(dot + 1))
                                : std::string();
    const TFileFormat* format = FileFormats().Find(ext);
    if (format == nullptr || format->GraphicClass == nullptr ||
        format->GraphicClass->Create == nullptr)
        throw EInvalidGraphic(
            Format("Unknown picture file extension (.%s)", AnsiToUtf8(ext).c_str()));
    return format->GraphicClass;
}

} // namespace

std::unique_ptr<TGraphic> TPicture::CreateFor(const std::wstring& fileName) {
    std::unique_ptr<TGraphic> graphic = ClassForName(fileName)->Create();
    graphic->OnProgress = [this](TGraphic* sender, TProgressStage stage, std::uint8_t percent,
                                 bool redraw, const TRect& r, const std::string& msg) {
        if (OnProgress)
            OnProgress(sender, stage, percent, redraw, r, msg);
    };
    return graphic;
}

void TPicture::LoadFromFile(const std::wstring& fileName) {
    std::unique_ptr<TGraphic> graphic = CreateFor(fileName);
    graphic->LoadFromFile(fileName);
    Attach(std::move(graphic));
}

void TPicture::LoadFromStream(TStream& stream, const std::wstring& fileName) {
    std::unique_ptr<TGraphic> graphic = CreateFor(fileName);
    const std::size_t slash = fileName.find_last_of(L"\\/");
    graphic->LoadFromStreamWithName(
        stream,
        WideToAnsiNoBestFit(slash == std::wstring::npos ? fileName : fileName.substr(slash + 1)));
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
