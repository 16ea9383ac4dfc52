#include "framework/FileFormats.h"

#include "framework/Strings.h"

namespace tovane {

void TFileFormatRegistry::Register(std::string_view extension, std::string_view description,
                                   TGraphicClass graphicClass) {
    FFormats.push_back(TFileFormat{std::string(extension), std::string(description), graphicClass});
}

const TFileFormat* TFileFormatRegistry::Find(std::string_view extension) const {
    for (auto it = FFormats.rbegin(); it != FFormats.rend(); ++it)
        if (SameTextAscii(it->Extension, extension))
            return &*it;
    return nullptr;
}

void TFileFormatRegistry::UnregisterGraphicClass(TGraphicClass graphicClass) {
    std::erase_if(FFormats, [graphicClass](const TFileFormat& f) {
        return f.GraphicClass != nullptr && f.GraphicClass->InheritsFrom(graphicClass);
    });
}

TFileFormatRegistry& FileFormats() {
    static TFileFormatRegistry registry;
    return registry;
}

} // namespace tovane
