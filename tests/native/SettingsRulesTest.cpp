#include "settings/portable/SettingsRules.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

using namespace tovane;

namespace {

// A settings file in memory that records the order of reads and writes and can refuse a key.
struct MemoryStore : ProfileStore {
    std::map<std::string, std::string> values; // "Section/Key" -> text
    std::vector<std::string> reads, writes;
    std::string refuse;

    std::string ReadString(const char* section, const char* key) override {
        const std::string name = std::string(section) + "/" + key;
        reads.push_back(name);
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    bool WriteString(const char* section, const char* key, const std::string& value) override {
        const std::string name = std::string(section) + "/" + key;
        if (name == refuse)
            return false;
        writes.push_back(name);
        values[name] = value;
        return true;
    }
};

const WindowGeometry Design{0, 0, 600, 400};

} // namespace

TEST(Settings, MissingFileGivesTheDefaults) {
    MemoryStore store;
    const SlideShowSettings s = ReadSlideShowSettings(store);
    EXPECT_EQ(s.Interval, 10);
    EXPECT_TRUE(s.bSecond);
    EXPECT_EQ(s.FGColor, 0xFFFFFFu);
    EXPECT_EQ(s.BGColor, 0u);
    EXPECT_FALSE(s.SuguStart);
    EXPECT_EQ(s.LastAction, laStayAtLast);
    EXPECT_FALSE(s.bAllDir);
    EXPECT_TRUE(s.bFindSubDir);
    EXPECT_TRUE(s.ReadAhead);
    EXPECT_EQ(s.Order, 0);
    EXPECT_TRUE(s.Resume);
    EXPECT_EQ(store.reads, (std::vector<std::string>{
                               "SlideShow/Interval", "SlideShow/bSecond", "SlideShow/FGColor",
                               "SlideShow/BGColor", "SlideShow/SuguStart", "SlideShow/LastAction",
                               "SlideShow/bAllDir", "SlideShow/bFindSubDir", "SlideShow/ReadAhead",
                               "SlideShow/Order", "SlideShow/Resume"}));

    const WindowGeometry g = ReadWindowGeometry(store, Design, 1280, 1024);
    EXPECT_EQ(g.Left, 340);
    EXPECT_EQ(g.Top, 312);
    EXPECT_EQ(g.Width, 600);
    EXPECT_EQ(g.Height, 400);
    EXPECT_EQ(store.reads.back(), "Window/Height");
    EXPECT_EQ(store.reads[store.reads.size() - 4], "Window/Top");
}

TEST(Settings, CentringUsesTheDesignSizeAndTruncatesTowardZero) {
    MemoryStore store;
    store.values = {{"Window/Width", "800"}, {"Window/Height", "300"}};
    const WindowGeometry g = ReadWindowGeometry(store, Design, 1025, 767);
    EXPECT_EQ(g.Left, 212); // (1025 - 600) / 2, not from the stored 800
    EXPECT_EQ(g.Top, 183);
    EXPECT_EQ(g.Width, 800);
    EXPECT_EQ(g.Height, 300);
    // A screen smaller than the window: -1.5 truncates to -1, -0.5 to 0.
    EXPECT_EQ(CentredPosition(597, 600), -1);
    EXPECT_EQ(CentredPosition(599, 600), 0);
}

TEST(Settings, IntegerAndBooleanTexts) {
    MemoryStore store;
    store.values = {{"SlideShow/Interval", "0x1E"}, {"SlideShow/bSecond", "2"},
                    {"SlideShow/FGColor", "$FF"},   {"SlideShow/BGColor", "-1"},
                    {"SlideShow/SuguStart", "yes"}, {"SlideShow/LastAction", "258"},
                    {"SlideShow/bAllDir", "0X1"},   {"SlideShow/bFindSubDir", "0"},
                    {"SlideShow/ReadAhead", "0"}};
    SlideShowSettings s = ReadSlideShowSettings(store);
    EXPECT_EQ(s.Interval, 30);
    EXPECT_TRUE(s.bSecond);
    EXPECT_EQ(s.FGColor, 255u);
    EXPECT_EQ(s.BGColor, 0xFFFFFFFFu);
    EXPECT_FALSE(s.SuguStart); // not an integer: the default
    EXPECT_EQ(s.LastAction, 2);
    EXPECT_TRUE(s.bAllDir);
    EXPECT_FALSE(s.bFindSubDir);
    EXPECT_FALSE(s.ReadAhead);

    for (const char* text : {"1E", "ten", "0x", "$", "", "12 ", "99999999999"}) {
        store.values["SlideShow/Interval"] = text;
        EXPECT_EQ(ReadSlideShowSettings(store).Interval, 10) << text;
    }
    store.values["SlideShow/Interval"] = "-5";
    EXPECT_EQ(ReadSlideShowSettings(store).Interval, -5);
    store.values["Window/Left"] = "-0x10";
    EXPECT_EQ(ReadWindowGeometry(store, Design, 800, 600).Left, -16);
}

TEST(Settings, WritesInOrderAsDecimalAndRoundTrips) {
    MemoryStore store;
    SlideShowSettings s{1000, false, 0x00112233u, 0xFFFFFFFFu, true, laRepeat, true, false};
    s.Order = 2;
    s.Resume = false;
    ASSERT_TRUE(WriteSlideShowSettings(store, s));
    EXPECT_EQ(store.writes, (std::vector<std::string>{"SlideShow/Interval", "SlideShow/bSecond",
                                                      "SlideShow/FGColor", "SlideShow/BGColor",
                                                      "SlideShow/SuguStart", "SlideShow/LastAction",
                                                      "SlideShow/bAllDir", "SlideShow/bFindSubDir",
                                                      "SlideShow/Order", "SlideShow/Resume"}));
    EXPECT_EQ(store.values["SlideShow/Order"], "2");
    EXPECT_EQ(store.values["SlideShow/Resume"], "0");
    EXPECT_EQ(store.values["SlideShow/bSecond"], "0");
    EXPECT_EQ(store.values["SlideShow/FGColor"], "1122867");
    EXPECT_EQ(store.values["SlideShow/BGColor"], "-1");
    EXPECT_EQ(store.values["SlideShow/LastAction"], "3");
    const SlideShowSettings back = ReadSlideShowSettings(store);
    EXPECT_EQ(back.Interval, 1000);
    EXPECT_EQ(back.FGColor, s.FGColor);
    EXPECT_EQ(back.BGColor, s.BGColor);
    EXPECT_EQ(back.LastAction, laRepeat);
    EXPECT_TRUE(back.SuguStart && back.bAllDir && !back.bFindSubDir && !back.bSecond);
    EXPECT_EQ(back.Order, 2);
    EXPECT_FALSE(back.Resume);

    // A value of 2 read as true is written back as 1; an out-of-range action byte as it is.
    store.values["SlideShow/bSecond"] = "2";
    store.values["SlideShow/LastAction"] = "511";
    store.values["SlideShow/Order"] = "7";
    SlideShowSettings odd = ReadSlideShowSettings(store);
    EXPECT_EQ(odd.LastAction, 255);
    ASSERT_TRUE(WriteSlideShowSettings(store, odd));
    EXPECT_EQ(store.values["SlideShow/bSecond"], "1");
    EXPECT_EQ(store.values["SlideShow/LastAction"], "255");
    EXPECT_EQ(store.values["SlideShow/Order"], "7"); // unknown to this version, kept

    ASSERT_TRUE(WriteWindowGeometry(store, {-3, 7, 640, 480}));
    EXPECT_EQ(store.values["Window/Left"], "-3");
    EXPECT_EQ(store.writes.back(), "Window/Height");
}

TEST(Settings, AWritePassStopsAtTheFirstRefusedKey) {
    MemoryStore store;
    store.refuse = "SlideShow/BGColor";
    EXPECT_FALSE(WriteSlideShowSettings(store, DefaultSlideShowSettings()));
    EXPECT_EQ(store.writes, (std::vector<std::string>{"SlideShow/Interval", "SlideShow/bSecond",
                                                      "SlideShow/FGColor"}));
    store.refuse = "Window/Left";
    store.writes.clear();
    EXPECT_FALSE(WriteWindowGeometry(store, Design));
    EXPECT_TRUE(store.writes.empty());
}

TEST(Settings, LastActionNames) {
    EXPECT_STREQ(LastActionName(laReturnToMain), "メイン画面に戻る");
    EXPECT_STREQ(LastActionName(laFirstAndWait), "最初の画像に戻って待機");
    EXPECT_STREQ(LastActionName(laStayAtLast), "最後の画像のまま待機");
    EXPECT_STREQ(LastActionName(laRepeat), "繰り返す");
    EXPECT_STREQ(LastActionName(4), "");
    EXPECT_STREQ(LastActionName(255), "");
}

TEST(WindowPlacement, AStoredWindowOffTheScreenIsBroughtOntoTheNearestWorkArea) {
    using G = WindowGeometry;
    const G size{0, 0, 600, 400};
    // Two monitors side by side; the right one's task bar takes its top 40 pixels.
    const std::vector<G> areas{{0, 0, 1024, 728}, {1024, 40, 1280, 984}};
    const struct {
        const char* name;
        G stored, placed;
    } cases[] = {
        {"well inside", {100, 100, 600, 400}, {100, 100, 600, 400}},
        {"on the second monitor", {1500, 300, 600, 400}, {1500, 300, 600, 400}},
        {"only its caption's left 100 pixels seen", {924, 500, 600, 400}, {924, 500, 600, 400}},
        {"caption under the task bar", {1200, 0, 600, 400}, {1200, 40, 600, 400}},
        {"a monitor unplugged", {3000, 2000, 600, 400}, {1704, 624, 600, 400}},
        {"left of everything", {-900, 100, 600, 400}, {0, 100, 600, 400}},
        {"99 pixels seen", {-501, 100, 600, 400}, {0, 100, 600, 400}},
        {"caption above the screen", {100, -30, 600, 400}, {100, 0, 600, 400}},
        {"larger than the monitor", {-50, -50, 1100, 1000}, {0, 0, 1100, 1000}},
        {"no size", {100, 100, 0, -5}, {100, 100, 600, 400}},
    };
    for (const auto& c : cases) {
        const G g = PlaceOnWorkAreas(c.stored, areas, size);
        EXPECT_EQ(std::tie(g.Left, g.Top, g.Width, g.Height),
                  std::tie(c.placed.Left, c.placed.Top, c.placed.Width, c.placed.Height))
            << c.name;
    }
}

TEST(WindowPlacement, RestorePositionsAreMovedByTheTaskBarAtTheTopOrLeft) {
    const WindowGeometry monitor{0, 0, 1024, 768}, work{60, 30, 964, 738};
    const WindowGeometry g = WorkAreaToScreen({10, 20, 600, 400}, monitor, work);
    EXPECT_EQ(std::tie(g.Left, g.Top, g.Width, g.Height), std::make_tuple(70, 50, 600, 400));
}

TEST(Settings, ColourManagementIsOnUnlessTheFileSaysZero) {
    const std::vector<std::pair<const char*, bool>> cases = {
        {nullptr, true}, {"1", true}, {"0", false}, {"0x0", false}, {"yes", true}, {"", true}};
    for (const auto& [text, manage] : cases) {
        MemoryStore store;
        if (text)
            store.values["Color/Manage"] = text;
        EXPECT_EQ(ReadColorManagement(store), manage) << (text ? text : "(missing)");
        EXPECT_EQ(store.reads, std::vector<std::string>{"Color/Manage"});
    }
    MemoryStore store;
    EXPECT_TRUE(WriteColorManagement(store, false));
    EXPECT_EQ(store.values["Color/Manage"], "0");
    EXPECT_FALSE(ReadColorManagement(store));
    store.refuse = "Color/Manage";
    EXPECT_FALSE(WriteColorManagement(store, true));
}
