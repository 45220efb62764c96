#include <gtest/gtest.h>

#include "app/launch_options.h"

namespace {

OptionsResult parse(std::vector<const char*> args, LaunchOptions& o, std::string& msg) {
    args.insert(args.begin(), "velmora");
    return parseLaunchOptions(static_cast<int>(args.size()), args.data(), o, msg);
}

}  // namespace

TEST(LaunchOptions, DefaultsAreTheLaunchersDefaults) {
    LaunchOptions o;
    std::string msg;
    ASSERT_EQ(parse({}, o, msg), OptionsResult::Run);
    EXPECT_TRUE(o.launcher);
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_FALSE(o.keepConsole);
}

TEST(LaunchOptions, ParsesEveryOption) {
    LaunchOptions o;
    std::string msg;
    ASSERT_EQ(parse({"--no-launcher", "--res", "320x180", "--windowed", "--data", "show", "--frames", "60",
                     "--midi-port", "nano"}, o, msg),
              OptionsResult::Run);
    EXPECT_EQ(o.midiPort, "nano");
    EXPECT_FALSE(o.launcher);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 180);
    EXPECT_FALSE(o.fullscreen);
    EXPECT_EQ(o.dataDir, "show");
    EXPECT_EQ(o.frames, 60);
}

TEST(LaunchOptions, RejectsUnknownOptionsAndBadValues) {
    std::string msg;
    for (auto args : std::vector<std::vector<const char*>>{
             {"--bogus"}, {"--res", "0x100"}, {"--res", "100"}, {"--res", "12x34x"}, {"--frames", "-1"}, {"--data"},
             {"--midi-port"}}) {
        LaunchOptions o;
        EXPECT_EQ(parse(args, o, msg), OptionsResult::Error) << args[0];
        EXPECT_FALSE(msg.empty());
    }
    LaunchOptions o;
    EXPECT_EQ(parse({"--help"}, o, msg), OptionsResult::Help);
}

TEST(LaunchOptions, ExactlyOnePlainArgumentKeepsTheConsole) {
    std::string msg;
    LaunchOptions one, two, none;
    parse({"x"}, one, msg);
    parse({"x", "y"}, two, msg);
    parse({"--windowed"}, none, msg);
    EXPECT_TRUE(one.keepConsole);
    EXPECT_FALSE(two.keepConsole);
    EXPECT_FALSE(none.keepConsole);
}
