// The command line: every malformed use is refused with a message, never a crash.
#include <gtest/gtest.h>

#include "tools/velmora_data/options.h"

using namespace vdata;

namespace {

bool parse(std::vector<std::string> args, DataOptions& o, std::string& error) { return parseOptions(args, o, error); }

}  // namespace

TEST(Options, ReadsEveryOption) {
    DataOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--tiny", "--contact-sheet", "sheet.png", "--jobs", "3", "out"}, o, error)) << error;
    EXPECT_TRUE(o.tiny);
    EXPECT_EQ(o.contactSheet, "sheet.png");
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.outDir, "out");
    ASSERT_TRUE(parse({"show"}, o, error));
    EXPECT_FALSE(o.tiny);
    EXPECT_EQ(o.jobs, 2);
    EXPECT_TRUE(o.contactSheet.empty());
    ASSERT_TRUE(parse({"--version"}, o, error));
    EXPECT_TRUE(o.showVersion);
}

TEST(Options, RefusesMalformedCommandLines) {
    DataOptions o;
    const std::vector<std::vector<std::string>> bad = {
        {},                          // no directory
        {"a", "b"},                  // two directories
        {"--jobs"},                  // missing value
        {"--jobs", "0", "out"},      // out of range
        {"--jobs", "-1", "out"},
        {"--jobs", "2x", "out"},
        {"--jobs", "99999999999999999999", "out"},
        {"--jobs", "", "out"},
        {"--contact-sheet", "", "out"},
        {"--contact-sheet"},
        {"--frobnicate", "out"},
        {""},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << (args.empty() ? "(nothing)" : args[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(Options, StampNamesVersionAndPackKind) {
    EXPECT_EQ(stampText(false), versionText() + " default");
    EXPECT_EQ(stampText(true), versionText() + " tiny");
    EXPECT_EQ(versionText().rfind("velmora-data ", 0), 0u);
}
