#include "app/FindThreadU.h"

#include "SearchWinTestSupport.h"
#include "framework/Strings.h"
#include "framework/win32/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace tovane;
using searchtest::PumpFor;
using searchtest::PumpUntil;

namespace {

using Strings = std::vector<std::string>;

// The folder list and status panel of the main window, as plain data. Records how the search
// used it and checks that every call comes on the UI thread.
struct ListSink : IFindThreadSink {
    Strings items;
    std::string countText;
    int lookups = 0, countUpdates = 0;
    bool offThread = false;
    std::function<void()> onAppend, onCount;
    DWORD ui = GetCurrentThreadId();

    void Check() { offThread |= GetCurrentThreadId() != ui; }
    // The test trees' names fit the code page: the record keeps them in ANSI.
    bool HasFolder(const std::wstring& dir) override {
        Check();
        ++lookups;
        return std::any_of(items.begin(), items.end(), [&](const std::string& i) {
            return SameTextAscii(i, WideToAnsi(dir), SystemLeadByte);
        });
    }
    void AppendFolder(const std::wstring& dir) override {
        Check();
        items.push_back(WideToAnsi(dir));
        if (onAppend)
            onAppend();
    }
    int FolderCount() override {
        Check();
        return static_cast<int>(items.size());
    }
    void SetFolderCountText(const std::string& text) override {
        Check();
        countText = text;
        ++countUpdates;
        if (onCount)
            onCount();
    }
};

// A scratch folder tree under the temporary folder, removed afterwards (links are removed,
// never followed).
class Scratch {
public:
    ~Scratch() {
        // Wine cannot delete a Unix link to a folder; the Unix side can, without following it.
        const std::string unixRoot = searchtest::UnixPathOf(Root);
        if (!unixRoot.empty())
            searchtest::RunUnix("Z:\\bin\\rm -rf \"" + unixRoot + "\"");
    }
    std::string Dir(const std::string& rel) { return Folder.MakeDir(rel); }
    std::string File(const std::string& rel) { return Folder.Write(rel, ""); }

private:
    harness::ScratchFolder Folder{"search"};

public:
    const std::string& Root = Folder.Path();
};

const Strings Images{"bmp", "jpg"};

// Runs a search to its end (termination handler) and answers whether it ended in time.
bool RunSearch(TFindThread& thread) {
    bool ended = false;
    thread.OnTerminate = [&] { ended = true; };
    thread.SetPriority(ThreadPriority::Lowest);
    thread.Resume();
    return PumpUntil([&] { return ended; });
}

} // namespace

TEST(SearchFind, ListsFoldersInWalkOrderWithOneCallPerImageTest) {
    Scratch s;
    s.Dir("a_sub");
    s.File("a_sub\\img1.JPG");
    s.File("a_sub\\img2.jpg");
    s.Dir("a_sub\\deeper");
    s.File("a_sub\\deeper\\note.txt");
    s.Dir("a_sub\\deeper\\deepest");
    s.File("a_sub\\deeper\\deepest\\p.bmp");
    s.File("m.txt");
    s.File("n.jpg");
    s.File("o.jpg");
    s.Dir("x_sub");
    s.File("x_sub\\q.png");
    s.File("x_sub\\README");
    s.Dir("y_sub");
    s.File("y_sub\\z.jpg");

    ListSink sink;
    TFindThread thread(sink, Images, AnsiToWide(s.Root), true);
    ASSERT_TRUE(RunSearch(thread));
    // A sub-folder met before its parent's first image is listed before the parent.
    EXPECT_EQ(sink.items, (Strings{s.Root + "\\a_sub\\deeper\\deepest", s.Root + "\\a_sub", s.Root,
                                   s.Root + "\\y_sub"}));
    // deepest, a_sub (first image only), root (n.jpg), y_sub: no call for other files.
    EXPECT_EQ(sink.lookups, 4);
    // A count after each of the 6 folders walked, of which those overtaken by a later one
    // while waiting may be skipped; the last one always runs.
    EXPECT_GE(sink.countUpdates, 1);
    EXPECT_LE(sink.countUpdates, 6);
    EXPECT_EQ(sink.countText, "フォルダ数 4");
    EXPECT_FALSE(sink.offThread);
    EXPECT_FALSE(thread.FatalException());

    // Without sub-folders only the folder itself; a folder named like an image is no image.
    Scratch t;
    t.Dir("fake.jpg");
    t.Dir("sub");
    t.File("sub\\a.jpg");
    t.File("readme.txt");
    ListSink flat;
    TFindThread flatThread(flat, Images, AnsiToWide(t.Root), false);
    ASSERT_TRUE(RunSearch(flatThread));
    EXPECT_TRUE(flat.items.empty());
    EXPECT_EQ(flat.countUpdates, 1);
    EXPECT_EQ(flat.countText, "フォルダ数 0");
}

TEST(SearchFind, AFolderIsListedOnceHoweverOftenItIsMet) {
    Scratch s;
    const std::string a = s.Dir("a");
    s.File("a\\1.jpg");
    s.File("a\\2.JPG");
    s.File("a\\3.bmp");
    const std::string b = s.Dir("b");
    s.File("b\\1.jpg");
    s.File("b\\2.jpg");

    ListSink sink;
    sink.items = {"Z:\\elsewhere", AsciiUpper(b)}; // listed by an earlier search
    TFindThread thread(sink, Images, AnsiToWide(a), true);
    EXPECT_EQ(thread.AddFolder(AnsiToWide(a)), TFindThread::AddResult::Queued);
    EXPECT_EQ(thread.AddFolder(AnsiToWide(b)), TFindThread::AddResult::Queued);
    EXPECT_EQ(thread.AddFolder(AnsiToWide(s.Root + "\\missing")),
              TFindThread::AddResult::NotAFolder);
    EXPECT_EQ(thread.AddFolder(AnsiToWide(s.Root + "\\a\\1.jpg")),
              TFindThread::AddResult::NotAFolder);
    ASSERT_TRUE(RunSearch(thread));
    EXPECT_EQ(sink.items, (Strings{"Z:\\elsewhere", AsciiUpper(b), a}));
    // a: its first image lists it; walked again, its first image finds it listed, and that is
    // enough for its other files. b: likewise.
    EXPECT_EQ(sink.lookups, 1 + 1 + 1);
    EXPECT_LE(sink.countUpdates, 3);
    EXPECT_EQ(sink.countText, "フォルダ数 3");
    // The search has ended: a folder now starts a new search instead of being lost.
    EXPECT_EQ(thread.AddFolder(AnsiToWide(a)), TFindThread::AddResult::Finished);
}

TEST(SearchFind, FilesAfterASubFolderAreTestedAgainAndGoneFoldersYieldNothing) {
    Scratch s;
    s.File("a.jpg");
    s.File("b.jpg");
    s.Dir("m_sub");
    s.File("m_sub\\x.jpg");
    s.File("y.jpg");
    s.File("z.jpg");
    const std::string gone = s.Dir("gone");

    ListSink sink;
    TFindThread thread(sink, Images, AnsiToWide(s.Root), true);
    ASSERT_EQ(thread.AddFolder(AnsiToWide(gone)), TFindThread::AddResult::Queued);
    RemoveDirectoryA(gone.c_str()); // removed while waiting in the queue
    ASSERT_TRUE(RunSearch(thread));
    EXPECT_EQ(sink.items, (Strings{s.Root, s.Root + "\\m_sub"}));
    // a.jpg lists the root; m_sub's walk clears the mark, so y.jpg is looked up again (and
    // found); z.jpg is not.
    EXPECT_EQ(sink.lookups, 1 + 1 + 1);
    // root, m_sub, and the folder that could not be opened: the count is refreshed for it too.
    EXPECT_LE(sink.countUpdates, 3);
    EXPECT_EQ(sink.countText, "フォルダ数 2");
}

TEST(SearchFind, AFolderAddedAsTheSearchEndsIsSearchedOrRefused) {
    Scratch s;
    const std::string a = s.Dir("a");
    s.File("a\\1.jpg");
    const std::string b = s.Dir("b");
    s.File("b\\1.jpg");
    int queued = 0, refused = 0;
    for (int round = 0; round < 30; ++round) {
        ListSink sink;
        TFindThread thread(sink, Images, AnsiToWide(a), false);
        bool ended = false;
        thread.OnTerminate = [&] { ended = true; };
        thread.Resume();
        // Race the search's last look at its queue; serve calls while trying.
        Sleep(static_cast<DWORD>(round % 3));
        PumpFor(static_cast<DWORD>(round % 2));
        const TFindThread::AddResult r = thread.AddFolder(AnsiToWide(b));
        ASSERT_TRUE(PumpUntil([&] { return ended; }));
        if (r == TFindThread::AddResult::Queued) {
            ++queued;
            EXPECT_EQ(sink.items, (Strings{a, b}));
        } else {
            ++refused;
            EXPECT_EQ(r, TFindThread::AddResult::Finished);
            EXPECT_EQ(sink.items, Strings{a});
        }
    }
    EXPECT_EQ(queued + refused, 30);
    std::printf("added as the search ended: %d queued, %d refused\n", queued, refused);
}

TEST(SearchFind, LinksBackUpTheTreeAreNotFollowed) {
    Scratch s;
    s.Dir("pics");
    s.File("pics\\1.jpg");
    s.Dir("pics\\inner");
    s.File("pics\\inner\\2.jpg");
    s.Dir("other");
    s.File("other\\3.jpg");
    // pics\inner\up -> pics (a loop), pics\inner\side -> other (no loop: followed).
    const bool linked =
        searchtest::MakeFolderLink(s.Root + "\\pics", s.Root + "\\pics\\inner\\up") &&
        searchtest::MakeFolderLink(s.Root + "\\other", s.Root + "\\pics\\inner\\side");
    ASSERT_TRUE(linked) << "cannot make folder links here";
    ASSERT_EQ(GetFileAttributesA((s.Root + "\\pics\\inner\\up").c_str()) &
                  (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));

    ListSink sink;
    TFindThread thread(sink, Images, AnsiToWide(s.Root + "\\pics"), true);
    ASSERT_TRUE(RunSearch(thread));
    EXPECT_EQ(sink.items, (Strings{s.Root + "\\pics", s.Root + "\\pics\\inner",
                                   s.Root + "\\pics\\inner\\side"}));
    EXPECT_EQ(sink.countText, "フォルダ数 3");
}

TEST(SearchFind, SuspendedSearchResumesWithoutLossAndADiscardedOneDeliversNothing) {
    // The walk runs ahead of the UI thread (it may well have finished): a pause still holds
    // back whatever it has not yet handed over, its end included.
    Scratch s;
    Strings expected;
    for (int i = 0; i < 20; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "f%02d", i);
        expected.push_back(s.Dir(name));
        s.File(std::string(name) + "\\x.jpg");
    }
    {
        ListSink sink;
        TFindThread thread(sink, Images, AnsiToWide(s.Root), true);
        bool paused = false;
        sink.onAppend = [&] {
            if (sink.items.size() == 2 && !paused) {
                thread.Suspend();
                paused = true;
            }
        };
        bool ended = false;
        thread.OnTerminate = [&] { ended = true; };
        thread.Resume();
        ASSERT_TRUE(PumpUntil([&] { return paused; }));
        PumpFor(150);
        EXPECT_EQ(sink.items.size(), 2u);
        EXPECT_FALSE(ended);
        EXPECT_TRUE(thread.Suspended());
        thread.Resume();
        ASSERT_TRUE(PumpUntil([&] { return ended; }));
        EXPECT_EQ(sink.items, expected); // in walk order, nothing lost or repeated
        EXPECT_EQ(sink.countText, "フォルダ数 20");
    }
    {
        ListSink sink;
        auto thread = std::make_unique<TFindThread>(sink, Images, AnsiToWide(s.Root), true);
        thread->AddFolder(AnsiToWide(s.Root));
        sink.onAppend = [&] {
            if (sink.items.size() == 3)
                thread->Suspend();
        };
        bool ended = false;
        thread->OnTerminate = [&] { ended = true; };
        thread->Resume();
        ASSERT_TRUE(PumpUntil([&] { return sink.items.size() == 3; }));
        PumpFor(100);
        EXPECT_EQ(sink.items.size(), 3u);
        const int counts = sink.countUpdates;
        thread.reset(); // a new search replaces the suspended one
        PumpFor(150);
        EXPECT_EQ(sink.items.size(), 3u);
        EXPECT_EQ(sink.countUpdates, counts);
        EXPECT_FALSE(ended);
    }
}

// Past the path limit too: a picture there is found.
TEST(SearchFind, AVeryDeepTreeEndsTheWalkCleanly) {
    Scratch s;
    std::string rel = "deep";
    for (int i = 0; i < 300; ++i)
        rel += "\\d";
    const std::string unixRoot = searchtest::UnixPathOf(s.Root);
    if (unixRoot.empty())
        GTEST_SKIP() << "needs the Unix side to make a tree deeper than the path limit";
    std::string unixRel = rel;
    std::replace(unixRel.begin(), unixRel.end(), '\\', '/');
    std::string past = "deep";
    for (int i = 0; i < 150; ++i)
        past += "\\d";
    std::string unixPast = past;
    std::replace(unixPast.begin(), unixPast.end(), '\\', '/');
    // One Unix program, so that the picture is made once its folder is there.
    ASSERT_TRUE(searchtest::RunUnix("Z:\\bin\\sh -c \"mkdir -p '" + unixRoot + "/" + unixRel +
                                    "' && touch '" + unixRoot + "/" + unixPast + "/b.jpg'\""));
    std::string shallow = "deep";
    for (int i = 0; i < 10; ++i)
        shallow += "\\d";
    // A Unix program may finish after its process handle signals: wait for the tree.
    const std::string shallowPath = s.Root + "\\" + shallow;
    for (int i = 0; i < 250 && GetFileAttributesA(shallowPath.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
        Sleep(20);
    ASSERT_NE(GetFileAttributesA(s.File(shallow + "\\a.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring pastPicture = L"\\\\?\\" + AnsiToWide(s.Root + "\\" + past + "\\b.jpg");
    for (int i = 0; i < 250 && GetFileAttributesW(pastPicture.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i)
        Sleep(20);
    ASSERT_NE(GetFileAttributesW(pastPicture.c_str()), INVALID_FILE_ATTRIBUTES);

    ListSink sink;
    TFindThread thread(sink, Images, AnsiToWide(s.Root), true);
    ASSERT_TRUE(RunSearch(thread));
    EXPECT_EQ(sink.items, (Strings{s.Root + "\\" + shallow, s.Root + "\\" + past}));
    EXPECT_EQ(sink.countText, "フォルダ数 2");
    EXPECT_FALSE(thread.FatalException());
}

TEST(SearchFind, FolderNamesEndingInATrailByteOfTheBackslashCode) {
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932";
    // "表" is 0x95 0x5C: a path ending in it must still get its own separator.
    Scratch s;
    const std::string hyou = Utf8ToAnsi("表");
    const std::string so = Utf8ToAnsi("ソ");
    s.Dir(hyou);
    s.File(hyou + "\\a.jpg");
    s.Dir(hyou + "\\" + so);
    s.File(hyou + "\\" + so + "\\b.bmp");

    ListSink sink;
    TFindThread thread(sink, Images, AnsiToWide(s.Root + "\\" + hyou), true);
    ASSERT_TRUE(RunSearch(thread));
    Strings items = sink.items;
    std::sort(items.begin(), items.end());
    EXPECT_EQ(items, (Strings{s.Root + "\\" + hyou, s.Root + "\\" + hyou + "\\" + so}));
    EXPECT_EQ(sink.countText, "フォルダ数 2");
}
