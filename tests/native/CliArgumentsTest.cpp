#include "imaging/portable/CliArguments.h"

#include <gtest/gtest.h>

using namespace tovane::cli;

TEST(CliArguments, PluginsWithAndWithoutFolder) {
    ParseResult r = ParseCommandLine({"plugins"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.Kind, CommandKind::Plugins);
    EXPECT_EQ(r.Value.PluginFolder, "");

    r = ParseCommandLine({"plugins", "--plugins", "C:\\p"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.PluginFolder, "C:\\p");
}

TEST(CliArguments, DecodeTakesOptionsAnywhere) {
    ParseResult r = ParseCommandLine({"decode", "a.jpg", "--memory", "out.bmp", "--plugins", "d"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.Kind, CommandKind::Decode);
    EXPECT_TRUE(r.Value.FromMemory);
    EXPECT_EQ(r.Value.PluginFolder, "d");
    EXPECT_EQ(r.Value.Input, "a.jpg");
    EXPECT_EQ(r.Value.Output, "out.bmp");

    r = ParseCommandLine({"decode", "a.jpg", "out.bmp"});
    ASSERT_EQ(r.Error, "");
    EXPECT_FALSE(r.Value.FromMemory);
    EXPECT_FALSE(r.Value.InProcess);

    r = ParseCommandLine({"decode", "--in-process", "a.jpg", "out.bmp"});
    ASSERT_EQ(r.Error, "");
    EXPECT_TRUE(r.Value.InProcess);
}

TEST(CliArguments, ArchiveEntriesAndOneEntry) {
    ParseResult r = ParseCommandLine({"entries", "\xe6\x9c\xac.zip"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.Kind, CommandKind::Entries);
    EXPECT_EQ(r.Value.Input, "\xe6\x9c\xac.zip");

    r = ParseCommandLine({"decode", "--entry", "sub\\b.png", "a.zip", "out.bmp"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.Entry, "sub\\b.png");
    EXPECT_EQ(r.Value.Input, "a.zip");

    EXPECT_NE(ParseCommandLine({"entries"}).Error, "");
    EXPECT_NE(ParseCommandLine({"entries", "a.zip", "b.zip"}).Error, "");
    EXPECT_NE(ParseCommandLine({"entries", "--entry", "x", "a.zip"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "--entry"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "--memory", "--entry", "x", "a.zip", "o.bmp"}).Error, "");
}

TEST(CliArguments, DoubleDashEndsOptions) {
    ParseResult r = ParseCommandLine({"decode", "--", "--memory", "-"});
    ASSERT_EQ(r.Error, "");
    EXPECT_FALSE(r.Value.FromMemory);
    EXPECT_EQ(r.Value.Input, "--memory");
    EXPECT_EQ(r.Value.Output, "-");
}

TEST(CliArguments, RefusesWhatItCannotRun) {
    EXPECT_NE(ParseCommandLine({}).Error, "");
    EXPECT_NE(ParseCommandLine({"show"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "a.jpg"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "a", "b", "c"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "a", "b", "--plugins"}).Error, "");
    EXPECT_NE(ParseCommandLine({"decode", "a", "b", "--fast"}).Error, "");
    EXPECT_NE(ParseCommandLine({"plugins", "--memory"}).Error, "");
    EXPECT_NE(ParseCommandLine({"plugins", "x"}).Error, "");
}

TEST(CliArguments, HelpNeedsNothingElse) {
    ParseResult r = ParseCommandLine({"--help"});
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Value.Kind, CommandKind::Help);
}
