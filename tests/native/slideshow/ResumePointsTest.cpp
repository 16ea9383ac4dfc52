#include "slideshow/portable/ResumePoints.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tovane;

TEST(ResumePoints, TextRoundTripsAndOddLinesAreLeftOut) {
    TResumePoints points;
    points.Remember({"C:\\a", "p1.jpg", "p2.jpg"});
    points.Remember({"C:\\写真\\😀", "ü.png", ""});
    const TResumePoints back = TResumePoints::Parse(points.Text());
    EXPECT_EQ(back.Points(), points.Points());
    EXPECT_EQ(back.Points().front().Place, "C:\\写真\\😀"); // the most recent first

    const TResumePoints odd = TResumePoints::Parse("\xEF\xBB\xBF"
                                                   "C:\\x\tx1\tx2\n"
                                                   "no tab at all\n"
                                                   "\tno place\n"
                                                   "C:\\y\t\n" // no picture
                                                   "C:\\x\told\told\r\n"
                                                   "C:\\z\tz9");
    ASSERT_EQ(odd.Points().size(), 2u);
    EXPECT_EQ(*odd.Find("C:\\x"), (TResumePoint{"C:\\x", "x1", "x2"}));
    EXPECT_EQ(*odd.Find("C:\\z"), (TResumePoint{"C:\\z", "z9", ""}));
    EXPECT_EQ(odd.Find("C:\\y"), nullptr);
}

TEST(ResumePoints, KeepsTheMostRecentPlaces) {
    TResumePoints points;
    for (std::size_t i = 0; i < TResumePoints::kMaxPlaces + 20; ++i)
        points.Remember({"P" + std::to_string(i), "n", ""});
    points.Remember({"P30", "again", ""}); // moves to the front, no second line
    ASSERT_EQ(points.Points().size(), TResumePoints::kMaxPlaces);
    EXPECT_EQ(points.Points().front().Name, "again");
    EXPECT_EQ(points.Find("P19"), nullptr); // the oldest went
    EXPECT_NE(points.Find("P20"), nullptr);
    EXPECT_EQ(TResumePoints::Parse(points.Text()).Points(), points.Points());
}

TEST(ResumePoints, IndexOfThePictureOrOfTheOneThatFollowedIt) {
    const std::vector<std::string> names = {"a1", "a3", "a5", "a7"};
    const auto less = [](const std::string& x, const std::string& y) { return x < y; };
    struct Case {
        const char* Left;
        const char* Next;
        int Expected;
    };
    const Case cases[] = {
        {"a5", "a7", 2}, // still there
        {"a4", "a7", 3}, // gone: the one after it then (another order may have put it anywhere)
        {"a4", "a6", 2}, // both gone: the first the order puts after it
        {"a9", "", 0},   // gone, and nothing after it: from the start
        {"a0", "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResumeIndex(names, std::string(c.Left), std::string(c.Next), less), c.Expected)
            << c.Left;
}
