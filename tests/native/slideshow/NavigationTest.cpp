#include "slideshow/portable/Navigation.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace tovane;

namespace {

// A slideshow over folders given by their image counts. Records what the rules asked for.
class FakeShow : public SlideShowHost {
public:
    explicit FakeShow(std::vector<int> folders, int startFolder = 0)
        : Folders(std::move(folders)), Folder(startFolder) {}

    std::vector<int> Folders;
    int Folder;
    int Index = -1;
    bool Playing = true;
    bool Open = true;
    bool All = false;
    int Action = 2;
    int Rereads = 0;
    std::vector<std::string> Log;

    int ImageCount() const override { return Folders[static_cast<std::size_t>(Folder)]; }
    int ImageIndex() const override { return Index; }
    int FolderCount() const override { return static_cast<int>(Folders.size()); }
    int CurrentFolder() const override { return Folder; }
    void MakeFolderCurrent(int index) override {
        Folder = index;
        Index = -1;
        ++Rereads;
    }
    void ShowGraphic(int index) override {
        Index = (index >= 0 && index < ImageCount()) ? index : -1;
        Log.push_back(Shown(Folder, index));
        if (Index < 0)
            throw std::runtime_error("no picture");
    }
    void SetPlaying(bool value) override {
        Playing = value;
        Log.push_back(value ? "play" : "stop");
    }
    void CloseSlideShow() override {
        Open = false;
        Log.push_back("close");
    }
    bool AllDir() const override { return All; }
    int LastAction() const override { return Action; }
    void NewRound() override {
        ++Rounds;
        RoundInFolder = Folder;
    }
    int Rounds = 0;
    int RoundInFolder = -1;

    static std::string Shown(int folder, int index) {
        return std::to_string(folder) + ":" + std::to_string(index);
    }

    // Starts as the window does: image 0 of the current folder.
    void Start() {
        ShowGraphic(0);
        Log.clear();
    }
    // Ticks count times and returns what was logged.
    std::vector<std::string> Ticks(int count) {
        Log.clear();
        for (int k = 0; k < count; ++k)
            TimerTick(*this);
        return Log;
    }
};

std::vector<std::string> Seq(std::initializer_list<const char*> items) {
    return std::vector<std::string>(items.begin(), items.end());
}

using Target = std::optional<int> (*)(int, int);

} // namespace

TEST(SlideShowNavigation, KeyTargets) {
    struct Case {
        const char* name;
        Target target;
        int i, n;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"Right", NextGraphicTarget, 0, 3, 1},
        {"Right at last", NextGraphicTarget, 2, 3, std::nullopt},
        {"Left", PreviousGraphicTarget, 2, 3, 1},
        {"Left at first", PreviousGraphicTarget, 0, 3, std::nullopt},
        {"Down with 5 left", Next10GraphicTarget, 4, 10, 9},
        {"Down with 9 left", Next10GraphicTarget, 0, 10, 9},
        {"Down with 10 left", Next10GraphicTarget, 0, 11, 10},
        {"Down with 11 left", Next10GraphicTarget, 0, 12, 10},
        {"Down on last", Next10GraphicTarget, 9, 10, std::nullopt},
        {"Up from 3", Previous10GraphicTarget, 3, 20, 0},
        {"Up from 10", Previous10GraphicTarget, 10, 20, 0},
        {"Up from 12", Previous10GraphicTarget, 12, 20, 2},
        {"Up from 0", Previous10GraphicTarget, 0, 20, std::nullopt},
        {"Home", HomeGraphicTarget, 5, 20, 0},
        {"Home at first", HomeGraphicTarget, 0, 20, std::nullopt},
        {"End", EndGraphicTarget, 5, 20, 19},
        {"End at last", EndGraphicTarget, 19, 20, std::nullopt},
        // An empty folder: nothing selected, nothing to go to.
        {"Right on empty", NextGraphicTarget, -1, 0, std::nullopt},
        {"Down on empty", Next10GraphicTarget, -1, 0, std::nullopt},
        {"End on empty", EndGraphicTarget, -1, 0, std::nullopt},
        {"Up on empty", Previous10GraphicTarget, -1, 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.target(c.i, c.n), c.expected) << c.name;
}

TEST(SlideShowNavigation, OnePictureKeysDoNothingAndTheTimerEndsTheList) {
    FakeShow show({1});
    show.Start();
    for (Target t : {NextGraphicTarget, PreviousGraphicTarget, Next10GraphicTarget,
                     Previous10GraphicTarget, HomeGraphicTarget, EndGraphicTarget})
        Navigate(show, t);
    EXPECT_TRUE(show.Log.empty()); // no reload, no timer restart
    show.Action = 2;
    EXPECT_EQ(show.Ticks(1), Seq({"stop"}));
}

TEST(SlideShowNavigation, AllFoldersRunFromTheFirstFolder) {
    for (int action : {0, 1, 2, 3}) {
        SCOPED_TRACE(action);
        FakeShow show({2, 3, 1});
        show.All = true;
        show.Action = action;
        show.Start();
        // Every image of folder 1, then folder 2 from its first image, then folder 3.
        EXPECT_EQ(show.Ticks(5), Seq({"0:1", "1:0", "1:1", "1:2", "2:0"}));
        const auto end = show.Ticks(1);
        switch (action) {
        case 0:
            EXPECT_EQ(end, Seq({"close"}));
            EXPECT_EQ(show.Folder, 2); // the main window sees the folder it ended on
            break;
        case 1:
            EXPECT_EQ(end, Seq({"0:0", "stop"}));
            break;
        case 2:
            EXPECT_EQ(end, Seq({"stop"}));
            EXPECT_EQ(show.Folder, 2);
            EXPECT_EQ(show.Index, 0);
            break;
        case 3:
            EXPECT_EQ(end, Seq({"0:0"}));
            EXPECT_TRUE(show.Playing);
            EXPECT_EQ(show.Ticks(2), Seq({"0:1", "1:0"})); // the run goes round again
            break;
        }
    }
}

TEST(SlideShowNavigation, AllFoldersRunFromTheSecondFolder) {
    FakeShow show({2, 2, 2}, 1);
    show.All = true;
    show.Action = 3;
    show.Start();
    EXPECT_EQ(show.Ticks(4), Seq({"1:1", "2:0", "2:1", "0:0"}));
    EXPECT_EQ(show.Rounds, 1);
    EXPECT_EQ(show.RoundInFolder, 2); // drawn before the first folder is listed again
    FakeShow waits({2, 2, 2}, 1);
    waits.All = true;
    waits.Action = 1;
    waits.Start();
    EXPECT_EQ(waits.Ticks(4), Seq({"1:1", "2:0", "2:1", "0:0", "stop"})); // shown, then stopped
    EXPECT_FALSE(waits.Playing);
}

TEST(SlideShowNavigation, WithoutAllFoldersTheFolderRepeats) {
    FakeShow show({3, 2}, 0);
    show.Action = 3;
    show.Start();
    EXPECT_EQ(show.Ticks(6), Seq({"0:1", "0:2", "0:0", "0:1", "0:2", "0:0"}));
    EXPECT_EQ(show.Rounds, 2);
    // Action 1 without all-folders goes back to this folder's first image.
    FakeShow second({3, 2}, 1);
    second.Action = 1;
    second.Start();
    EXPECT_EQ(second.Ticks(2), Seq({"1:1", "1:0", "stop"}));
    EXPECT_EQ(second.Rereads, 0);
    EXPECT_EQ(second.Rounds, 0); // only the repeat starts a new round
}

TEST(SlideShowNavigation, UnknownEndOfListActionDoesNothingEveryTick) {
    FakeShow show({2});
    show.Action = 7;
    show.Start();
    EXPECT_EQ(show.Ticks(4), Seq({"0:1"}));
    EXPECT_TRUE(show.Playing);
    EXPECT_TRUE(show.Open);
}

TEST(SlideShowNavigation, PageUpAndDownStopAtTheEnds) {
    for (bool all : {false, true}) {
        FakeShow show({2, 2, 2});
        show.All = all;
        show.Start();
        StepFolder(show, -1);
        EXPECT_TRUE(show.Log.empty());
        StepFolder(show, 1);
        StepFolder(show, 1);
        EXPECT_EQ(show.Log, Seq({"1:0", "2:0"}));
        StepFolder(show, 1);
        EXPECT_EQ(show.Log.size(), 2u);
        EXPECT_EQ(show.Rereads, 2);
        StepFolder(show, -1);
        EXPECT_EQ(show.Log.back(), "1:0");
    }
}

TEST(SlideShowNavigation, SelectDirRereadsOnlyAnotherFolder) {
    FakeShow show({2, 2});
    EXPECT_TRUE(SelectDir(show, 0));
    EXPECT_EQ(show.Rereads, 0);
    EXPECT_FALSE(SelectDir(show, -1));
    EXPECT_FALSE(SelectDir(show, 2));
    EXPECT_EQ(show.Folder, 0);
    EXPECT_TRUE(SelectDir(show, 1));
    EXPECT_EQ(show.Rereads, 1);
    EXPECT_EQ(show.Index, -1); // no image selected until a caller shows one
    EXPECT_TRUE(show.Log.empty());
}

TEST(SlideShowNavigation, FoldersAddedDuringTheRunAreReached) {
    FakeShow show({1, 1});
    show.All = true;
    show.Action = 2;
    show.Start();
    EXPECT_EQ(show.Ticks(1), Seq({"1:0"}));
    show.Folders.push_back(1); // the search found another folder
    EXPECT_EQ(show.Ticks(2), Seq({"2:0", "stop"}));
}

TEST(SlideShowNavigation, EmptyFolderFailsTheShowAfterMoving) {
    FakeShow show({1, 0, 1});
    show.All = true;
    show.Start();
    EXPECT_THROW(show.Ticks(1), std::runtime_error);
    EXPECT_EQ(show.Folder, 1);
    EXPECT_EQ(show.Index, -1);
    // The next tick (once the timer runs again) moves on past the empty folder.
    EXPECT_EQ(show.Ticks(1), Seq({"2:0"}));
}

TEST(SlideShowNavigation, MagnificationSteps) {
    EXPECT_EQ(BairituChange(1.0, 1.5), 1.5);
    EXPECT_EQ(BairituChange(1.0, 0.5), 0.5);
    EXPECT_EQ(BairituChange(4.5, 5.0), 5.0);
    EXPECT_EQ(BairituChange(5.0, 5.5), std::nullopt); // up at 5.0
    EXPECT_EQ(BairituChange(0.5, 0.0), std::nullopt); // down at 0.5
    EXPECT_EQ(BairituChange(1.0, 1.0), std::nullopt); // reset at 1.0: no reload
    EXPECT_EQ(BairituChange(2.0, 1.0), 1.0);          // reset at 2.0 reloads
    // Ten steps up from 0.5 reach 5.0 exactly and stop there.
    double f = 0.5;
    int steps = 0;
    while (const auto next = BairituChange(f, f + kBairituStep)) {
        f = *next;
        ++steps;
    }
    EXPECT_EQ(steps, 9);
    EXPECT_EQ(f, 5.0);
}
