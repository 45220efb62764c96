#include <gtest/gtest.h>

#include "app/launch_options.h"
#include "app/render_size.h"

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
             {"--midi-port"}, {"--capture", ""}, {"--plot-edit", ""}, {"--frames", "99999999999999999999999"}}) {
        LaunchOptions o;
        EXPECT_EQ(parse(args, o, msg), OptionsResult::Error) << args[0];
        EXPECT_FALSE(msg.empty());
    }
    // What the user typed is echoed, but never as raw control bytes.
    LaunchOptions o;
    EXPECT_EQ(parse({"--bogus\x1b[2J"}, o, msg), OptionsResult::Error);
    EXPECT_EQ(msg, "unknown option --bogus\\x1b[2J");
    EXPECT_EQ(parse({"--help"}, o, msg), OptionsResult::Help);
}

TEST(LaunchOptions, TakeOptionsThatCannotGoTogetherAreRefusedByName) {
    std::string msg;
    for (auto args : std::vector<std::vector<const char*>>{{"--record", "a", "--replay", "b"},
                                                           {"--record", "a", "--capture", "b.mp4"},
                                                           {"--replay", "a", "--start", "3"},
                                                           {"--replay", "a", "--contact-sheet", "s.png"},
                                                           {"--overwrite"},
                                                           {"--force"},
                                                           {"--record", ""}}) {
        LaunchOptions o;
        EXPECT_EQ(parse(args, o, msg), OptionsResult::Error) << args[0] << " " << args.back();
        EXPECT_NE(msg.find(args.size() > 2 ? args[2] : args[0]), std::string::npos) << msg;
    }
    LaunchOptions o;
    ASSERT_EQ(parse({"--replay", "a.take", "--force"}, o, msg), OptionsResult::Run);
    EXPECT_FALSE(o.midi) << "a live controller would only interfere with the take's";
}

// A name ending in a separator, or a folder that is there, captures into a folder: PNG
// frames have no need of H.264's even sizes. A video still does.
TEST(LaunchOptions, ACaptureIntoAFolderTakesOddSizesAndAVideoDoesNot) {
    std::string msg;
    LaunchOptions folder;
    ASSERT_EQ(parse({"--capture", "frames/", "--res", "321x181"}, folder, msg), OptionsResult::Run) << msg;
    EXPECT_TRUE(folder.captureFolder);
    EXPECT_FALSE(folder.launcher || folder.audio || folder.midi);
    LaunchOptions here;
    ASSERT_EQ(parse({"--capture", ".", "--res", "64x36"}, here, msg), OptionsResult::Run) << msg;
    EXPECT_TRUE(here.captureFolder) << "an existing folder, named without a separator";
    LaunchOptions video;
    EXPECT_EQ(parse({"--capture", "frames.mp4", "--res", "321x181"}, video, msg), OptionsResult::Error);
    EXPECT_FALSE(video.captureFolder);
    EXPECT_NE(msg.find("even"), std::string::npos) << msg;
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

TEST(RenderSize, SizesBeyondTheGlLimitsOrAQuarterOfMemoryAreRefusedByName) {
    RenderLimits limits;
    limits.maxRenderbuffer = 16384;
    limits.maxViewport[0] = limits.maxViewport[1] = 16384;
    limits.physicalBytes = uint64_t(24) << 30;
    EXPECT_EQ(renderSizeProblem(1920, 1080, limits), "");
    EXPECT_EQ(renderSizeProblem(3840, 2160, limits), "");
    const std::string memory = renderSizeProblem(8192, 8192, limits);
    EXPECT_NE(memory.find("8192x8192"), std::string::npos) << memory;
    EXPECT_NE(memory.find("quarter of this machine's 24576 MB"), std::string::npos) << memory;
    limits.maxViewport[1] = 4000;
    EXPECT_NE(renderSizeProblem(3840, 4096, limits).find("GL_MAX_VIEWPORT_DIMS"), std::string::npos);
    limits.maxRenderbuffer = 2048;
    EXPECT_NE(renderSizeProblem(2049, 100, limits).find("2048 pixels a side (GL_MAX_RENDERBUFFER_SIZE)"),
              std::string::npos);
    // Refused before a window exists, whatever the limits: SDL's window limit (it used to
    // fail inside SDL with its own words) and sizes whose quarter-size targets have no pixel
    // (a GL error every frame).
    EXPECT_NE(renderSizeProblem(16386, 2, RenderLimits{}).find("largest window SDL opens, 16384"), std::string::npos);
    EXPECT_NE(renderSizeProblem(3, 300, RenderLimits{}).find("smallest the show renders, 4x4"), std::string::npos);
    EXPECT_EQ(renderSizeProblem(4, 4, RenderLimits{}), "");
    // The estimate grows with the area: six full-size targets dominate.
    EXPECT_GT(showTargetBytes(1920, 1080), uint64_t(6) * 1920 * 1080 * 36);
}

TEST(LaunchOptions, RenderScaleIsAutoLiveAndFixedOfflineUnlessAScaleIsGiven) {
    std::string msg;
    LaunchOptions live, given, sheet, sheetGiven;
    ASSERT_EQ(parse({"--target-fps", "24"}, live, msg), OptionsResult::Run);
    EXPECT_TRUE(live.adaptiveScale());
    EXPECT_EQ(live.targetFps, 24);
    ASSERT_EQ(parse({"--render-scale", "0.5"}, given, msg), OptionsResult::Run);
    EXPECT_FALSE(given.adaptiveScale());
    EXPECT_FLOAT_EQ(given.renderScale, 0.5f);
    ASSERT_EQ(parse({"--contact-sheet", "s.png", "--render-scale", "auto"}, sheet, msg), OptionsResult::Run);
    EXPECT_FALSE(sheet.adaptiveScale()) << "offline frames take the time they need";
    ASSERT_EQ(parse({"--contact-sheet", "s.png", "--render-scale", "0.25"}, sheetGiven, msg), OptionsResult::Run);
    EXPECT_FLOAT_EQ(sheetGiven.renderScale, 0.25f);
    for (auto args : std::vector<std::vector<const char*>>{{"--render-scale", "0.2"},
                                                            {"--render-scale", "1.5"},
                                                            {"--render-scale", "half"},
                                                            {"--render-scale", "nan"},
                                                            {"--render-scale"},
                                                            {"--target-fps", "0"},
                                                            {"--target-fps", "30.5"}}) {
        LaunchOptions o;
        EXPECT_EQ(parse(args, o, msg), OptionsResult::Error) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_NE(msg.find(args[0]), std::string::npos) << msg;
    }
}
