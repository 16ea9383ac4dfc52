// The visited order of a shuffled show: the round on screen and the one before it. Left at the
// start of a round goes back into the end of the round before; Right at the end of that one
// comes forward again through the round already drawn, and only past the newest round is a new
// one drawn (under repeat). Two rounds are kept: going back past the round before stops there.
#pragma once

#include "imaging/portable/PictureLocation.h"

#include <random>
#include <vector>

namespace tovane {

class TShuffleRounds {
public:
    // The show's first round; nothing before it.
    void Begin(std::vector<TPictureLocation> first);
    const std::vector<TPictureLocation>& Shown() const noexcept { return FShown; }
    // Moves on to the round after the one shown: the one Back left, else a new order of the
    // same pictures whose first is not the last shown (NextShuffleRound).
    const std::vector<TPictureLocation>& Forward(std::mt19937_64& random);
    // Moves back to the round before the one shown; false, with nothing changed, when none is
    // kept.
    bool Back();

private:
    std::vector<TPictureLocation> FBefore;
    std::vector<TPictureLocation> FShown;
    std::vector<TPictureLocation> FAfter; // drawn already, left by Back
};

} // namespace tovane
