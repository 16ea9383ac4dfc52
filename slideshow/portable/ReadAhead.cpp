#include "slideshow/portable/ReadAhead.h"

#include "settings/portable/SettingsRules.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace tovane {

namespace {

// The picture the timer shows after slot; imageCount is the slot's folder's count (INT_MAX when
// not known).
std::optional<PictureSlot> After(const SlideShowPosition& p, PictureSlot slot, int imageCount) {
    if (slot.Image < imageCount - 1)
        return PictureSlot{slot.Folder, slot.Image + 1};
    if (p.AllDir && slot.Folder + 1 < p.FolderCount)
        return PictureSlot{slot.Folder + 1, 0};
    if (p.LastAction == laFirstAndWait || p.LastAction == laRepeat)
        return PictureSlot{p.AllDir ? 0 : slot.Folder, 0};
    return std::nullopt;
}

std::optional<PictureSlot> Before(PictureSlot slot) {
    if (slot.Image > 0)
        return PictureSlot{slot.Folder, slot.Image - 1};
    return std::nullopt;
}

int CountOf(const SlideShowPosition& p, int folder) {
    return folder == p.Folder ? p.ImageCount : INT_MAX;
}

} // namespace

std::vector<PictureSlot> ReadAheadSlots(const SlideShowPosition& p, TravelDirection direction) {
    const PictureSlot current{p.Folder, p.Image};
    std::vector<PictureSlot> slots;
    auto add = [&](const std::optional<PictureSlot>& slot) {
        if (slot && !(*slot == current) &&
            std::find(slots.begin(), slots.end(), *slot) == slots.end())
            slots.push_back(*slot);
    };
    if (p.Image < 0 || p.Image >= p.ImageCount)
        return slots;
    if (direction == TravelDirection::Forward) {
        const auto first = After(p, current, p.ImageCount);
        add(first);
        if (first)
            add(After(p, *first, CountOf(p, first->Folder)));
        add(Before(current));
    } else {
        const auto first = Before(current);
        add(first);
        if (first)
            add(Before(*first));
        add(After(p, current, p.ImageCount));
    }
    return slots;
}

} // namespace tovane
