// The notion of a graphic class: what the picture-format registry stores for an extension and
// what the plug-in collection hands to its registration event. A class knows its name, its base
// class and how to create an instance (the "virtual constructor").
#pragma once

#include <memory>

namespace tovane {

class TGraphic;

struct TGraphicClassInfo {
    const char* Name;
    const TGraphicClassInfo* Parent;
    std::unique_ptr<TGraphic> (*Create)();

    // True for this class and every class derived from it.
    bool InheritsFrom(const TGraphicClassInfo* other) const {
        for (const TGraphicClassInfo* c = this; c != nullptr; c = c->Parent)
            if (c == other)
                return true;
        return false;
    }
};

using TGraphicClass = const TGraphicClassInfo*;

} // namespace tovane
