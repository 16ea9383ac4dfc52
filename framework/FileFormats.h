// The picture-format registry: extension -> (description, graphic class). Look-ups ignore the
// case of ASCII letters and the latest registration of an extension wins. There is one
// registry for the program (FileFormats()); tests make their own instances.
#pragma once

#include "framework/GraphicClass.h"

#include <string>
#include <string_view>
#include <vector>

namespace tovane {

struct TFileFormat {
    std::string Extension; // without the dot, as registered
    std::string Description;
    TGraphicClass GraphicClass = nullptr;
};

class TFileFormatRegistry {
public:
    void Register(std::string_view extension, std::string_view description,
                  TGraphicClass graphicClass);
    // The latest registration of the extension (given without its dot), or nullptr.
    const TFileFormat* Find(std::string_view extension) const;
    // Removes every format registered for the class or a class derived from it.
    void UnregisterGraphicClass(TGraphicClass graphicClass);
    const std::vector<TFileFormat>& Formats() const { return FFormats; }

private:
    std::vector<TFileFormat> FFormats; // registration order
};

// The program's registry, used by TPicture.
TFileFormatRegistry& FileFormats();

} // namespace tovane
