// Which pictures are decoded ahead, for each direction and end-of-list rule.
#include "settings/portable/SettingsRules.h"
#include "slideshow/portable/ReadAhead.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tovane;

namespace {

struct Case {
    const char* what;
    SlideShowPosition at;
    TravelDirection direction;
    std::vector<PictureSlot> expected;
};

constexpr auto F = TravelDirection::Forward;
constexpr auto B = TravelDirection::Backward;

} // namespace

TEST(ReadAhead, SlotsFollowTheDirectionOfTravel) {
    const Case cases[] = {
        {"middle, forward", {0, 1, 4, 10, false, laStayAtLast}, F, {{0, 5}, {0, 6}, {0, 3}}},
        {"middle, backward", {0, 1, 4, 10, false, laStayAtLast}, B, {{0, 3}, {0, 2}, {0, 5}}},
        {"first picture, backward", {0, 1, 0, 10, false, laStayAtLast}, B, {{0, 1}}},
        {"one before the end", {0, 1, 8, 10, false, laStayAtLast}, F, {{0, 9}, {0, 7}}},
        {"last, stay", {0, 1, 9, 10, false, laStayAtLast}, F, {{0, 8}}},
        {"last, close", {0, 1, 9, 10, false, laReturnToMain}, F, {{0, 8}}},
        {"last, repeat", {0, 1, 9, 10, false, laRepeat}, F, {{0, 0}, {0, 1}, {0, 8}}},
        {"last, first and wait", {0, 1, 9, 10, false, laFirstAndWait}, F, {{0, 0}, {0, 1}, {0, 8}}},
        {"into the next folder", {1, 3, 9, 10, true, laStayAtLast}, F, {{2, 0}, {2, 1}, {1, 8}}},
        {"next folder's second", {1, 3, 8, 10, true, laStayAtLast}, F, {{1, 9}, {2, 0}, {1, 7}}},
        {"all folders, repeat", {2, 3, 9, 10, true, laRepeat}, F, {{0, 0}, {0, 1}, {2, 8}}},
        {"all folders, stay", {2, 3, 9, 10, true, laStayAtLast}, F, {{2, 8}}},
        {"one picture, repeat", {0, 1, 0, 1, false, laRepeat}, F, {}},
        {"two pictures, repeat", {0, 1, 1, 2, false, laRepeat}, F, {{0, 0}}},
        {"nothing selected", {0, 1, -1, 0, false, laRepeat}, F, {}},
    };
    for (const Case& c : cases) {
        const std::vector<PictureSlot> slots = ReadAheadSlots(c.at, c.direction);
        ASSERT_EQ(slots.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            EXPECT_EQ(slots[i].Folder, c.expected[i].Folder) << c.what << " #" << i;
            EXPECT_EQ(slots[i].Image, c.expected[i].Image) << c.what << " #" << i;
        }
    }
}
