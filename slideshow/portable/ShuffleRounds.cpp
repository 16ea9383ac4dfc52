#include "slideshow/portable/ShuffleRounds.h"

#include "slideshow/portable/PictureOrder.h"

#include <utility>

namespace tovane {

void TShuffleRounds::Begin(std::vector<TPictureLocation> first) {
    FBefore.clear();
    FAfter.clear();
    FShown = std::move(first);
}

const std::vector<TPictureLocation>& TShuffleRounds::Forward(std::mt19937_64& random) {
    if (!FAfter.empty()) {
        FBefore = std::exchange(FShown, std::exchange(FAfter, {}));
        return FShown;
    }
    std::vector<TPictureLocation> next = NextShuffleRound(FShown, random);
    FBefore = std::exchange(FShown, std::move(next));
    return FShown;
}

bool TShuffleRounds::Back() {
    if (FBefore.empty())
        return false;
    FAfter = std::exchange(FShown, std::exchange(FBefore, {}));
    return true;
}

} // namespace tovane
