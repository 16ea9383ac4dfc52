// Which pictures the slideshow decodes ahead once a picture is on screen: the next one in the
// direction of the last move, one more in that direction, then the neighbour on the other side.
// Forward follows the timer's path (into the next folder in all-folders mode, and back to the
// start through the end-of-list actions that show a first picture); backward stays in the folder
// as the Left key does.
#pragma once

#include <vector>

namespace tovane {

enum class TravelDirection { Forward, Backward };

// Where the slideshow stands.
struct SlideShowPosition {
    int Folder = 0; // current item of the folder list
    int FolderCount = 0;
    int Image = 0;      // current image index
    int ImageCount = 0; // images of the current folder
    bool AllDir = false;
    int LastAction = 0;
};

// One picture to decode ahead. In a folder other than the current one the image count is not
// known here: such a slot may lie past that folder's end, and is then skipped by whoever lists it.
struct PictureSlot {
    int Folder = 0;
    int Image = 0;
    friend bool operator==(const PictureSlot&, const PictureSlot&) = default;
};

// At most three slots, in the order they are to be decoded, none of them the current picture
// and none twice.
std::vector<PictureSlot> ReadAheadSlots(const SlideShowPosition& position,
                                        TravelDirection direction);

} // namespace tovane
