#include <gtest/gtest.h>

#include <cmath>

#include "app/launcher.h"

namespace {

// One launcher frame's logic, as drawLauncher runs it: hit test and click, then the wrap.
void frame(LauncherMenu& menu, float mouseY, bool left) {
    updateLauncherMenu(menu, mouseY, left);
    animateMenu(menu);
}

void click(LauncherMenu& menu, float mouseY) {
    frame(menu, mouseY, true);
    frame(menu, mouseY, false);
}

const float kResolutionRow = 3 * 30 - 10;
const float kModeRow = 4 * 30 - 10;
const float kRunRow = 7 * 30 - 10;

}  // namespace

TEST(Launcher, MenuHasTheFourEntriesInOrder) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    ASSERT_EQ(menu.entries.size(), 4u);
    EXPECT_EQ(menu.entries[0].options[0], " +        VELMORA       + ");
    EXPECT_EQ(menu.entries[1].options.size(), 3u);
    EXPECT_EQ(menu.entries[2].options[1], " >        Windowed");
    EXPECT_EQ(menu.entries[3].options[0], menu.entries[3].options[1]);
    EXPECT_EQ(menu.entries[3].row, 7);
}

TEST(Launcher, BandEdgesHoverNothing) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    frame(menu, 94.0f, false);  // the edge between rows 3 and 4: both tests are strict
    for (const MenuEntry& e : menu.entries) EXPECT_FALSE(e.hovered);
    frame(menu, 93.5f, false);
    EXPECT_TRUE(menu.entries[1].hovered);
    frame(menu, 30.0f - 10.0f, false);  // the banner's band never hovers
    EXPECT_FALSE(menu.entries[0].hovered);
}

TEST(Launcher, ThreeClicksWrapTheResolutionAndTwoTheMode) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    int w, h;
    bool fs;
    click(menu, kResolutionRow);
    launcherChoice(menu, w, h, fs);
    EXPECT_EQ(w, 2560);
    click(menu, kResolutionRow);
    launcherChoice(menu, w, h, fs);
    EXPECT_EQ(h, 720);
    click(menu, kResolutionRow);
    launcherChoice(menu, w, h, fs);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    click(menu, kModeRow);
    launcherChoice(menu, w, h, fs);
    EXPECT_FALSE(fs);
    click(menu, kModeRow);
    launcherChoice(menu, w, h, fs);
    EXPECT_TRUE(fs);
}

TEST(Launcher, HeldButtonCountsOnce) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    for (int i = 0; i < 20; ++i) frame(menu, kResolutionRow, true);
    EXPECT_EQ(menu.entries[1].selected, 1);
}

// A touchpad tap or a quick click is pressed and released between two frames: the button
// is up at both, and only the press counted by the poll shows it.
TEST(Launcher, APressReleasedBetweenFramesStillClicks) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    updateLauncherMenu(menu, kResolutionRow, false, 1);
    animateMenu(menu);
    EXPECT_EQ(menu.entries[1].selected, 1);
    frame(menu, kResolutionRow, false);
    EXPECT_EQ(menu.entries[1].selected, 1) << "one tap, one click";
}

TEST(Launcher, TwoTapsInOneFrameAreTwoClicks) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    updateLauncherMenu(menu, kResolutionRow, false, 2);
    animateMenu(menu);
    EXPECT_EQ(menu.entries[1].selected, 2);
}

// Pressed in one frame's poll and still held at the next: one click, not two.
TEST(Launcher, APressStillHeldAtTheNextFrameCountsOnce) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    updateLauncherMenu(menu, kModeRow, true, 1);
    for (int i = 0; i < 5; ++i) frame(menu, kModeRow, true);
    EXPECT_EQ(menu.entries[2].selected, 1);
    // Released and pressed again within one poll: the button is down at both frames.
    updateLauncherMenu(menu, kModeRow, true, 1);
    animateMenu(menu);
    EXPECT_EQ(menu.entries[2].selected, 0);
}

TEST(Launcher, TapsOnRunEndTheLauncherWhateverTheirNumber) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    updateLauncherMenu(menu, kRunRow, false, 2);
    EXPECT_TRUE(menu.run);
    EXPECT_EQ(menu.entries[3].selected, 1);
}

TEST(Launcher, RunEntryEndsTheLoopOnFirstClick) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    frame(menu, kRunRow, false);
    EXPECT_FALSE(menu.run);
    updateLauncherMenu(menu, kRunRow, true);
    EXPECT_TRUE(menu.run);
    animateMenu(menu);
    EXPECT_EQ(menu.entries[3].selected, 1);  // still 1 after the wrap: two identical options
}

TEST(Launcher, DefaultChoiceIsFullHdFullscreen) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    int w, h;
    bool fs;
    launcherChoice(menu, w, h, fs);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_TRUE(fs);
}

TEST(Launcher, BannerColourAnimates) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    animateMenu(menu);
    const float t = 1.0f / 30.0f;
    EXPECT_FLOAT_EQ(menu.entries[0].color[0], std::sin(t) * 0.4f + 0.7f);
    EXPECT_NEAR(menu.entries[0].color[1], std::sin(t * 1.4 + 12.0) * 0.5 + 0.7, 1e-6);
    EXPECT_NEAR(menu.entries[0].color[2], std::sin(t * 1.8 + 514.0) * 0.5 + 0.7, 1e-6);
}

// With two displays a fifth entry chooses one (preset by --display); with one it is not
// offered and the show opens where it always has.
TEST(Launcher, ADisplayEntryOnlyWithMoreThanOneDisplay) {
    LauncherMenu menu;
    buildLauncherMenu(menu);
    addDisplayEntry(menu, {"screen"}, -1);
    EXPECT_EQ(menu.entries.size(), 4u);
    EXPECT_EQ(launcherDisplay(menu), -1);
    addDisplayEntry(menu, {"DP-1", "HDMI-1 projector"}, 1);
    ASSERT_EQ(menu.entries.size(), 5u);
    EXPECT_EQ(launcherDisplay(menu), 1);
    EXPECT_EQ(menu.entries[kDisplayEntry].options[1], " >       Display 1 HDMI-1 proje");
    click(menu, 5 * 30 - 10);
    EXPECT_EQ(launcherDisplay(menu), 0);
    click(menu, kRunRow);
    EXPECT_TRUE(menu.run);
}
