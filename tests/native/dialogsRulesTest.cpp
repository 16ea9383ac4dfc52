#include "dialogs/portable/DialogRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tovane {
namespace {

TEST(IntervalSpinPosition, KeepsValuesOfTheRangeAndClampsOthersToTheNearerEnd) {
    EXPECT_EQ(IntervalSpinPosition(0), 0);
    EXPECT_EQ(IntervalSpinPosition(10), 10);
    EXPECT_EQ(IntervalSpinPosition(1000), 1000);
    EXPECT_EQ(IntervalSpinPosition(1001), 1000);
    EXPECT_EQ(IntervalSpinPosition(-1), 0);
    EXPECT_EQ(IntervalSpinPosition(std::numeric_limits<std::int32_t>::min()), 0);
    EXPECT_EQ(IntervalSpinPosition(std::numeric_limits<std::int32_t>::max()), 1000);
}

TEST(IntervalSpinPosition, LargeValuesDoNotWrapRoundThroughSixteenBits) {
    // 65541 is 5 in its low sixteen bits and 70000 is 4464: both lie above the range.
    EXPECT_EQ(IntervalSpinPosition(65541), 1000);
    EXPECT_EQ(IntervalSpinPosition(70000), 1000);
    EXPECT_EQ(IntervalSpinPosition(-65536), 0);
}

TEST(AboutRowsFor, OneRowPerFilterEntryWithNameAndInfoInTheFirstOnly) {
    const auto rows =
        AboutRowsFor("C:\\plug\\ifjpeg.spi", "JPEG loader 1.0", {"*.jpg;*.jpeg", "*.jpe", "*.jfif"},
                     {"JPEG", "JPEG (short)", "JFIF"}, IsSingleByte);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].FileName, "ifjpeg.spi");
    EXPECT_EQ(rows[0].Extensions, "*.jpg;*.jpeg");
    EXPECT_EQ(rows[0].FormatName, "JPEG");
    EXPECT_EQ(rows[0].Info, "JPEG loader 1.0");
    for (std::size_t k = 1; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k].FileName, "") << k;
        EXPECT_EQ(rows[k].Info, "") << k;
    }
    EXPECT_EQ(rows[1].Extensions, "*.jpe");
    EXPECT_EQ(rows[1].FormatName, "JPEG (short)");
    EXPECT_EQ(rows[2].Extensions, "*.jfif");
    EXPECT_EQ(rows[2].FormatName, "JFIF");
}

TEST(AboutRowsFor, APluginWithoutFilterEntriesHasNoRow) {
    EXPECT_TRUE(AboutRowsFor("C:\\a.spi", "info", {}, {}, IsSingleByte).empty());
}

TEST(AboutRowsFor, MissingFormatNamesStayEmpty) {
    const auto rows = AboutRowsFor("a.spi", "i", {"*.x", "*.y"}, {"X"}, IsSingleByte);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].FormatName, "X");
    EXPECT_EQ(rows[1].FormatName, "");
}

TEST(AboutRowsFor, FileNameIsTakenAfterTheLastSeparatorByTheDoubleByteRule) {
    // "\x95\x5c" is one double-byte character whose second byte is "\".
    EXPECT_EQ(
        AboutRowsFor("C:\\dir\\\x95\x5c.spi", "", {"*.a"}, {"A"}, IsCp932LeadByte)[0].FileName,
        "\x95\x5c.spi");
    EXPECT_EQ(AboutRowsFor("D:plug.spi", "", {"*.a"}, {"A"}, IsCp932LeadByte)[0].FileName,
              "plug.spi");
}

} // namespace
} // namespace tovane
