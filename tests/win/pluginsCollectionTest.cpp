// The plug-in collection: the one-instance rule, list operations, format registration, the
// search over its locations and its events, with real modules.
#include "framework/FileFormats.h"

#include "plugins/SPIs.h"

#include "framework/win32/Text.h"
#include "pluginsTestSupport.h"

#include <gtest/gtest.h>

namespace tovane {
namespace {

using test::IsLoaded;
using test::ScratchFolder;
using test::TestPlugin;
using Strings = std::vector<std::string>;

Strings InfosOf(const TSPIs& spis) {
    Strings out;
    for (int i = 0; i < spis.Count(); ++i)
        out.push_back(spis.Items(i).PluginInfo());
    return out;
}

Strings NamesOf(const TSPIs& spis) {
    Strings out;
    for (int i = 0; i < spis.Count(); ++i)
        out.push_back(ExtractFileName(spis.Items(i).FileName(), SystemLeadByte));
    return out;
}

bool Loaded() {
    char value[8] = {};
    return GetEnvironmentVariableA("TOVANE_TEST_LOADED", value, sizeof value) > 0;
}
void ForgetLoads() {
    SetEnvironmentVariableA("TOVANE_TEST_LOADED", nullptr);
}

TEST(SPIs, OneCollectionAtATime) {
    EXPECT_EQ(TSPIs::Instance(), nullptr);
    {
        TSPIs spis;
        EXPECT_EQ(TSPIs::Instance(), &spis);
        spis.Add(LoadPlugin(TestPlugin("in_echo")));
        try {
            TSPIs second;
            ADD_FAILURE() << "a second collection was made";
        } catch (const ESPIDupCreateSPIs& e) {
            EXPECT_STREQ(e.what(), "TSPIs は複数生成できません");
        }
        EXPECT_EQ(TSPIs::Instance(), &spis);
        EXPECT_EQ(spis.Count(), 1);
        EXPECT_TRUE(IsLoaded(TestPlugin("in_echo")));
    }
    EXPECT_EQ(TSPIs::Instance(), nullptr);
    EXPECT_FALSE(IsLoaded(TestPlugin("in_echo"))); // destroyed with the collection
    TSPIs again;
    EXPECT_EQ(TSPIs::Instance(), &again);
}

TEST(SPIs, ListOperations) {
    TSPIs spis;
    spis.Add(LoadPlugin(TestPlugin("in_echo")));
    spis.Add(LoadPlugin(TestPlugin("am_full")));
    spis.Insert(0, LoadPlugin(TestPlugin("xn_plain")));
    spis.Insert(2, LoadPlugin(TestPlugin("in_halfpair")));
    EXPECT_EQ(InfosOf(spis), (Strings{"Xn test plug-in", "Echo test plug-in", "Half pair",
                                      "Archive test plug-in"}));
    EXPECT_THROW(spis.Items(4), EListError);
    EXPECT_THROW(spis.Items(-1), EListError);
    EXPECT_THROW(spis.Insert(6, LoadPlugin(TestPlugin("no_version"))), EListError);
    EXPECT_THROW(spis.Delete(4), EListError);

    std::string upper = AsciiUpper(TestPlugin("in_halfpair"), SystemLeadByte);
    EXPECT_EQ(spis.IndexOf(upper), 2);
    EXPECT_EQ(spis.IndexOf(TestPlugin("in_nopreview")), -1);

    spis.Delete(1);
    EXPECT_FALSE(IsLoaded(TestPlugin("in_echo")));
    EXPECT_EQ(InfosOf(spis), (Strings{"Xn test plug-in", "Half pair", "Archive test plug-in"}));
    spis.Clear();
    EXPECT_EQ(spis.Count(), 0);
    EXPECT_FALSE(IsLoaded(TestPlugin("am_full")));
}

TEST(SPIs, DeletingTheForcedLoaderClearsIt) {
    TSPIs spis;
    spis.Add(LoadPlugin(TestPlugin("in_echo")));
    spis.Add(LoadPlugin(TestPlugin("in_halfpair")));
    spis.GraphicForcedLoader = dynamic_cast<TInSPI*>(&spis.Items(1));
    ASSERT_NE(spis.GraphicForcedLoader, nullptr);
    spis.Delete(0);
    EXPECT_EQ(spis.GraphicForcedLoader, &spis.Items(0));
    spis.Delete(0);
    EXPECT_EQ(spis.GraphicForcedLoader, nullptr);
}

TEST(SPIs, DeletingArchivesFromTheEndKeepsTheOthersInOrder) {
    TSPIs spis;
    for (const char* name : {"am_full", "in_echo", "xn_plain", "am_full", "in_halfpair"})
        spis.Add(LoadPlugin(TestPlugin(name)));
    for (int i = spis.Count() - 1; i >= 0; --i)
        if (spis.Items(i).APIVersion() == "00AM")
            spis.Delete(i);
    EXPECT_EQ(InfosOf(spis), (Strings{"Echo test plug-in", "Xn test plug-in", "Half pair"}));
}

const TGraphicClassInfo kPluginGraphic{"TTestPluginGraphic", nullptr, nullptr};
const TGraphicClassInfo kOtherGraphic{"TTestOtherGraphic", nullptr, nullptr};

struct Registration {
    std::string extension;
    std::string description;
    bool operator==(const Registration&) const = default;
};

class FormatRegistration : public testing::Test {
protected:
    void SetUp() override { TSPIs::SetDefaultGraphicClass(&kPluginGraphic); }
    void TearDown() override {
        FileFormats().UnregisterGraphicClass(&kPluginGraphic);
        FileFormats().UnregisterGraphicClass(&kOtherGraphic);
        TSPIs::SetDefaultGraphicClass(nullptr);
    }
};

TEST_F(FormatRegistration, RegistersEachPieceOfEachEntryInOrder) {
    FileFormats().Register("bmp", "Framework bitmap", &kOtherGraphic);
    TSPIs spis;
    std::vector<Registration> seen;
    spis.OnPictureRegister = [&](TSPIs& sender, TInSPI& spi, const std::string& ext,
                                 const std::string& description, TGraphicClass& cls) {
        EXPECT_EQ(&sender, &spis);
        EXPECT_EQ(spi.PluginInfo(), "Formats test plug-in");
        EXPECT_EQ(cls, &kPluginGraphic);
        seen.push_back({ext, description});
    };
    spis.Add(LoadPlugin(TestPlugin("in_formats")));
    EXPECT_EQ(seen, (std::vector<Registration>{{"jpe", "JPEG test"},
                                               {"jpeg", "JPEG test"},
                                               {"jpg", "JPEG test"},
                                               {"tar.gz", "Tarball test"},
                                               {"", "Trailing test"},
                                               {"xq", "Trailing test"},
                                               {"bmp", "Bitmap test"}}));
    for (const char* ext : {"jpe", "JPEG", "jpg", "tar.gz", "", "xq"}) {
        const TFileFormat* f = FileFormats().Find(ext);
        ASSERT_NE(f, nullptr) << ext;
        EXPECT_EQ(f->GraphicClass, &kPluginGraphic) << ext;
    }
    // The plug-in's bitmap registration is the later one, so it takes bitmaps over.
    EXPECT_EQ(FileFormats().Find("bmp")->Description, "Bitmap test");
    EXPECT_EQ(FileFormats().Find("bmp")->GraphicClass, &kPluginGraphic);
    // Formats stay registered when the plug-in goes.
    spis.Delete(0);
    EXPECT_NE(FileFormats().Find("tar.gz"), nullptr);
}

TEST_F(FormatRegistration, AClassClearedByTheHandlerCarriesOnWithinItsEntry) {
    TSPIs spis;
    spis.OnPictureRegister = [&](TSPIs&, TInSPI&, const std::string& ext, const std::string&,
                                 TGraphicClass& cls) {
        if (ext == "jpeg")
            cls = nullptr;
        if (ext == "tar.gz")
            cls = &kOtherGraphic;
    };
    spis.Add(LoadPlugin(TestPlugin("in_formats")));
    EXPECT_EQ(FileFormats().Find("jpe")->GraphicClass, &kPluginGraphic);
    EXPECT_EQ(FileFormats().Find("jpeg"), nullptr);
    EXPECT_EQ(FileFormats().Find("jpg"), nullptr); // same entry, still cleared
    EXPECT_EQ(FileFormats().Find("tar.gz")->GraphicClass, &kOtherGraphic);
    EXPECT_EQ(FileFormats().Find("xq")->GraphicClass, &kPluginGraphic); // next entry: default
}

TEST_F(FormatRegistration, OnlyImportPluginsRegister) {
    TSPIs::SetDefaultGraphicClass(nullptr);
    TSPIs spis;
    int events = 0;
    spis.OnPictureRegister = [&](TSPIs&, TInSPI&, const std::string&, const std::string&,
                                 TGraphicClass& cls) {
        EXPECT_EQ(cls, nullptr);
        ++events;
    };
    spis.Add(LoadPlugin(TestPlugin("am_full")));
    spis.Add(LoadPlugin(TestPlugin("in_lowercase")));
    EXPECT_EQ(events, 0);
    spis.Add(LoadPlugin(TestPlugin("in_halfpair")));
    EXPECT_EQ(events, 1);
    EXPECT_EQ(FileFormats().Find("aaa"), nullptr); // no class: nothing registered
}

TEST(CollectLoaders, DeclaringImportPluginsFirst) {
    TSPIs spis;
    for (const char* name : {"in_formats", "am_full", "in_echo", "in_halfpair", "in_nopreview"})
        spis.Add(LoadPlugin(TestPlugin(name)));
    const auto infos = [](const std::vector<TInSPI*>& list) {
        Strings out;
        for (const TInSPI* p : list)
            out.push_back(p->PluginInfo());
        return out;
    };
    std::vector<TInSPI*> list;
    spis.CollectLoaders<TInSPI>("C:\\pics\\a.TAR.GZ", list);
    EXPECT_EQ(infos(list),
              (Strings{"Echo test plug-in", "Formats test plug-in", "Half pair", "No preview"}));
    list.clear();
    spis.CollectLoaders<TInSPI>(".npv", list);
    EXPECT_EQ(infos(list),
              (Strings{"No preview", "Formats test plug-in", "Echo test plug-in", "Half pair"}));
    list.clear();
    spis.CollectLoaders<TInSPI>("C:\\pics\\noext", list);
    EXPECT_EQ(infos(list),
              (Strings{"Formats test plug-in", "Echo test plug-in", "Half pair", "No preview"}));
    std::vector<TLoaderSPI*> loaders;
    spis.CollectLoaders<TLoaderSPI>(".arc", loaders);
    ASSERT_EQ(loaders.size(), 5u);
    EXPECT_EQ(loaders[0]->PluginInfo(), "Archive test plug-in");
}

// The search's locations are this process's own: its registry value, program folder, current
// folder, and the system and Windows folders of the test's Wine prefix.
class Search : public testing::Test {
protected:
    void SetUp() override {
        char cwd[MAX_PATH * 2] = {};
        GetCurrentDirectoryA(sizeof cwd, cwd);
        FSavedCwd = cwd;
        ForgetLoads();
    }
    void TearDown() override { SetCurrentDirectoryA(FSavedCwd.c_str()); }
    test::SusiePathValue FRegistry;
    std::string FSavedCwd;
};

TEST_F(Search, MaskWithAFolderVisitsOnlyThatFolder) {
    ScratchFolder folder("maskfolder");
    ScratchFolder elsewhere("maskelse");
    folder.Copy("in_echo", "a1.sph");
    folder.Copy("in_halfpair", "a2.sph");
    folder.Write("a3.sph", "no module");
    const std::string hidden = folder.Copy("in_nopreview", "a4.sph");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::string readOnly = folder.Copy("xn_plain", "a5.sph");
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((folder.Path() + "\\a6.sph").c_str(), nullptr);
    folder.Copy("am_full", "a7.spx");
    elsewhere.Copy("in_formats", "e.sph");
    FRegistry.SetString(elsewhere.Path());
    SetCurrentDirectoryA(elsewhere.Path().c_str());

    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir,
                          TSPISearchOption::spsCurrentDir, TSPISearchOption::spsSystemDir,
                          TSPISearchOption::spsWindowsDir};
    spis.Search(folder.Path() + "\\*.sph");
    EXPECT_EQ(NamesOf(spis), (Strings{"a1.sph", "a2.sph", "a5.sph"}));
    // A folder visited again adds nothing.
    spis.Search(folder.Path() + "\\*.sph");
    EXPECT_EQ(spis.Count(), 3);
    // Any file pattern serves.
    spis.Clear();
    spis.Search(folder.Path() + "\\a1.*");
    EXPECT_EQ(NamesOf(spis), (Strings{"a1.sph"}));
}

TEST_F(Search, VisitsTheLocationsInTheirOrder) {
    ScratchFolder susie("order-susie");
    ScratchFolder current("order-current");
    susie.Copy("in_echo", "s2.sph");
    susie.Copy("in_halfpair", "s1.sph");
    current.Copy("in_formats", "c.sph");
    FRegistry.SetString(susie.Path());
    SetCurrentDirectoryA(current.Path().c_str());

    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsCurrentDir, TSPISearchOption::spsSusieDir};
    spis.Search("*.sph");
    EXPECT_EQ(NamesOf(spis), (Strings{"s1.sph", "s2.sph", "c.sph"}));
    EXPECT_TRUE(SameTextAscii(spis.Items(0).FileName(), susie.Path() + "\\s1.sph"));

    TSPIs::Instance()->Clear();
    spis.SearchOptions = {TSPISearchOption::spsCurrentDir};
    spis.Search("*.sph");
    EXPECT_EQ(NamesOf(spis), (Strings{"c.sph"}));
}

TEST_F(Search, SameFileNameInTwoFoldersLoadsBoth) {
    ScratchFolder susie("same-susie");
    ScratchFolder current("same-current");
    susie.Copy("in_echo", "same.sph");
    current.Copy("in_halfpair", "same.sph");
    FRegistry.SetString(susie.Path());
    SetCurrentDirectoryA(current.Path().c_str());
    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsCurrentDir};
    spis.Search("*.sph");
    EXPECT_EQ(InfosOf(spis), (Strings{"Echo test plug-in", "Half pair"}));
}

TEST_F(Search, RegistryFolderEndingInADoubleByteCharacter) {
    // "表" is 0x95 0x5C: its second byte is "\", yet the folder still needs its separator.
    ScratchFolder folder("\x95\x5C");
    folder.Copy("in_echo", "x.sph");
    FRegistry.SetString(folder.Path());
    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsSusieDir};
    spis.Search("*.sph");
    ASSERT_EQ(spis.Count(), 1);
    EXPECT_EQ(spis.Items(0).FileName(), folder.Path() + "\\x.sph");
}

TEST_F(Search, RegistryLocationSkippedWithoutError) {
    ScratchFolder current("regskip-current");
    current.Copy("in_echo", "c.sph");
    SetCurrentDirectoryA(current.Path().c_str());
    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsCurrentDir};

    spis.Search("*.sph"); // no key
    EXPECT_EQ(NamesOf(spis), Strings{"c.sph"});
    spis.Clear();
    FRegistry.SetString(""); // empty value
    spis.Search("*.sph");
    EXPECT_EQ(NamesOf(spis), Strings{"c.sph"});
    spis.Clear();
    FRegistry.SetDword(7); // not a string: absorbed, the other locations still visited
    spis.Search("*.sph");
    EXPECT_EQ(NamesOf(spis), Strings{"c.sph"});
}

TEST_F(Search, ProgramFolderEqualToRegistryFolderLoadsEachOnce) {
    const std::string program = test::ProgramFolder();
    test::PlacedFile placed("in_echo", program + "tovane-self.sph");
    FRegistry.SetString(program.substr(0, program.size() - 1));
    {
        TSPIs spis;
        spis.SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir};
        spis.Search("*.sph");
        EXPECT_EQ(NamesOf(spis), Strings{"tovane-self.sph"});
        spis.SearchOptions = {TSPISearchOption::spsAppDir};
        spis.Search("*.sph");
        EXPECT_EQ(spis.Count(), 1);
    }
    EXPECT_FALSE(IsLoaded(placed.Path()));
}

TEST_F(Search, SystemAndWindowsFolders) {
    char system[MAX_PATH] = {};
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    test::PlacedFile inSystem("in_echo", std::string(system) + "\\tovane-sys-test.sph");
    test::PlacedFile inWindows("in_halfpair", std::string(windows) + "\\tovane-win-test.sph");
    {
        TSPIs spis;
        spis.SearchOptions = {TSPISearchOption::spsWindowsDir, TSPISearchOption::spsSystemDir};
        spis.Search("tovane-*-test.sph");
        EXPECT_EQ(NamesOf(spis), (Strings{"tovane-sys-test.sph", "tovane-win-test.sph"}));
        EXPECT_EQ(spis.IndexOf(inSystem.Path()), 0);
        EXPECT_EQ(spis.IndexOf(inWindows.Path()), 1);
    }
}

TEST_F(Search, OnSearchingRefusalNeverLoads) {
    ScratchFolder folder("refuse-searching");
    folder.Copy("in_echo", "a.sph");
    const std::string marker = folder.Copy("load_marker", "b.sph");
    TSPIs spis;
    Strings asked;
    spis.OnSearching = [&](TSPIs& sender, const std::string& fileName, bool& accept) {
        EXPECT_EQ(&sender, &spis);
        EXPECT_TRUE(accept);
        asked.push_back(fileName);
        accept = fileName != marker;
    };
    spis.Search(folder.Path() + "\\*.sph");
    EXPECT_EQ(asked, (Strings{folder.Path() + "\\a.sph", marker}));
    EXPECT_EQ(NamesOf(spis), Strings{"a.sph"});
    EXPECT_FALSE(Loaded());
}

TEST_F(Search, OnSearchRefusalLoadsDescribesAndUnloads) {
    ScratchFolder folder("refuse-search");
    const std::string marker = folder.Copy("load_marker", "b.sph");
    folder.Copy("in_echo", "c.sph");
    TSPIs spis;
    Strings described;
    spis.OnSearch = [&](TSPIs&, TSPI& spi, bool& accept) {
        EXPECT_TRUE(accept);
        described.push_back(spi.PluginInfo());
        accept = spi.PluginInfo() != "Load marker";
    };
    spis.Search(folder.Path() + "\\*.sph");
    EXPECT_EQ(described, (Strings{"Load marker", "Echo test plug-in"}));
    EXPECT_EQ(NamesOf(spis), Strings{"c.sph"});
    EXPECT_TRUE(Loaded());
    EXPECT_FALSE(IsLoaded(marker));
}

TEST_F(Search, FailuresWhileAddingDropOnlyThatPlugin) {
    TSPIs::SetDefaultGraphicClass(&kPluginGraphic);
    ScratchFolder folder("add-failure");
    folder.Copy("in_echo", "a.sph");
    const std::string formats = folder.Copy("in_formats", "b.sph");
    folder.Copy("in_halfpair", "c.sph");
    folder.Copy("xn_plain", "d.sph");
    TSPIs spis;
    spis.OnSearch = [](TSPIs&, TSPI& spi, bool&) {
        if (spi.PluginInfo() == "Half pair")
            throw Exception("refused loudly");
    };
    spis.OnPictureRegister = [](TSPIs&, TInSPI&, const std::string& ext, const std::string&,
                                TGraphicClass&) {
        if (ext == "jpe") // only the formats plug-in declares it
            throw Exception("registration failed");
    };
    spis.Search(folder.Path() + "\\*.sph");
    EXPECT_EQ(NamesOf(spis), (Strings{"a.sph", "d.sph"}));
    EXPECT_FALSE(IsLoaded(formats));
    FileFormats().UnregisterGraphicClass(&kPluginGraphic);
    TSPIs::SetDefaultGraphicClass(nullptr);
}

TEST_F(Search, InvalidModuleIsSkippedWithOneReport) {
    ScratchFolder susie("invalid-susie");
    ScratchFolder current("invalid-current");
    susie.Copy("in_echo", "a.sph");
    const std::string invalid = susie.Copy("am_nofile", "b.sph");
    susie.Copy("in_halfpair", "c.sph");
    current.Copy("in_formats", "d.sph");
    FRegistry.SetString(susie.Path());
    SetCurrentDirectoryA(current.Path().c_str());
    TSPIs spis;
    spis.SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsCurrentDir};
    std::vector<std::string> reports;
    spis.OnLoadError = [&](TSPIs&, const Exception& e) { reports.push_back(e.what()); };
    spis.Search("*.sph");
    EXPECT_EQ(reports,
              Strings{"GetFileは[" + AnsiToUtf8(invalid) + "]では使えないSusie Plugin APIです"});
    EXPECT_EQ(NamesOf(spis), (Strings{"a.sph", "c.sph", "d.sph"}));
}

TEST_F(Search, OnSearchingFailureEndsTheSearch) {
    ScratchFolder folder("searching-failure");
    folder.Copy("in_echo", "a.sph");
    folder.Copy("in_halfpair", "b.sph");
    TSPIs spis;
    spis.OnSearching = [](TSPIs&, const std::string& fileName, bool&) {
        if (ExtractFileName(fileName, SystemLeadByte) == "b.sph")
            throw Exception("stop");
    };
    EXPECT_THROW(spis.Search(folder.Path() + "\\*.sph"), Exception);
    EXPECT_EQ(NamesOf(spis), Strings{"a.sph"});
}

TEST_F(Search, LoadedSearchesTheBuildsMaskWhenAutoSearch) {
    ScratchFolder susie("loaded");
    susie.Copy("in_echo", std::string("m") + (DefaultSPIMask + 1));
    susie.Copy("in_halfpair", sizeof(void*) == 8 ? "other.spi" : "other.sph");
    FRegistry.SetString(susie.Path());
    {
        TSPIs spis;
        spis.AutoSearch = false;
        spis.SearchOptions = {TSPISearchOption::spsSusieDir};
        spis.Loaded();
        EXPECT_EQ(spis.Count(), 0);
    }
    TSPIs spis;
    EXPECT_TRUE(spis.AutoSearch);
    EXPECT_TRUE(spis.MacBinary);
    EXPECT_FALSE(spis.GraphicPreview);
    EXPECT_EQ(spis.GraphicForcedLoader, nullptr);
    EXPECT_EQ(spis.SearchOptions,
              (TSPISearchOptions{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir}));
    spis.SearchOptions = {TSPISearchOption::spsSusieDir};
    spis.Loaded();
    EXPECT_EQ(NamesOf(spis), Strings{std::string("m") + (DefaultSPIMask + 1)});
}

} // namespace
} // namespace tovane
