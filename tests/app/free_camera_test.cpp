#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "app/app_state.h"
#include "app/free_camera.h"
#include "app/frame_finish.h"
#include "app/music_sync.h"

namespace {

std::string bytesOf(const FreeCamera& c) { return std::string(reinterpret_cast<const char*>(&c), sizeof c); }

std::string tempPath(const char* name) { return testing::TempDir() + name; }

}  // namespace

TEST(FreeCamera, InitialOrientationIsThePublishedQuaternion) {
    FreeCamera c;
    EXPECT_NEAR(c.q[0], -0.183013f, 1e-5);
    EXPECT_NEAR(c.q[1], -0.683013f, 1e-5);
    EXPECT_NEAR(c.q[2], -0.183013f, 1e-5);
    EXPECT_NEAR(c.q[3], 0.683013f, 1e-5);
    // The eye sits d * s along row 0 from the centre, and up is row 1.
    EXPECT_NEAR(c.eye[0] - c.centre[0], 0.65f * 5.0f * c.row0[0], 1e-6);
    EXPECT_EQ(std::memcmp(c.up, c.row1, sizeof c.up), 0);
}

TEST(FreeCamera, WheelZoomsAndNeverGoesBelowTheMinimum) {
    AppState app;
    app.inputs.wheelStep = 1.0f;
    updateFreeCamera(app);
    EXPECT_NEAR(app.camera.distance, 0.689f, 1e-6);
    app.inputs.wheelStep = -1.0f;
    for (int i = 0; i < 500; ++i) updateFreeCamera(app);
    EXPECT_FLOAT_EQ(app.camera.distance, 0.2f);
}

TEST(FreeCamera, NoInputKeepsEyeCentreAndUp) {
    AppState app;
    updateFreeCamera(app);
    const std::string before = bytesOf(app.camera);
    for (int i = 0; i < 100; ++i) updateFreeCamera(app);
    EXPECT_EQ(bytesOf(app.camera), before);
}

TEST(FreeCamera, PressAndReleaseWithoutMotionKeepsTheOrientation) {
    AppState app;
    app.mouseX = 100;
    app.mouseY = 50;
    updateFreeCamera(app);  // the pointer arrives
    float q[4];
    std::memcpy(q, app.camera.q, sizeof q);
    app.buttonLeft = true;
    for (int i = 0; i < 5; ++i) updateFreeCamera(app);
    app.buttonLeft = false;
    updateFreeCamera(app);
    EXPECT_EQ(std::memcmp(q, app.camera.q, sizeof q), 0);
}

TEST(FreeCamera, LeftDragOrbitsAndBothButtonsPanWithoutTurning) {
    AppState app;
    updateFreeCamera(app);
    app.buttonLeft = true;
    updateFreeCamera(app);
    app.mouseX = 40;
    updateFreeCamera(app);
    EXPECT_GT(std::fabs(app.camera.q[0] + 0.183013f) + std::fabs(app.camera.q[1] + 0.683013f), 1e-3);
    app.buttonLeft = false;
    updateFreeCamera(app);

    float q[4];
    std::memcpy(q, app.camera.q, sizeof q);
    const float pan[3] = {app.camera.pan[0], app.camera.pan[1], app.camera.pan[2]};
    app.buttonLeft = app.buttonRight = true;
    updateFreeCamera(app);
    app.mouseX += 30;
    app.mouseY += 20;
    updateFreeCamera(app);
    updateFreeCamera(app);
    EXPECT_EQ(std::memcmp(q, app.camera.q, sizeof q), 0) << "a pan must not turn the camera";
    EXPECT_NE(app.camera.pan[0], pan[0]);
    EXPECT_NE(app.camera.pan[1], pan[1]);
}

TEST(FreeCamera, FileRoundTripIsByteIdentical) {
    const std::string path = tempPath("velmora_camera_roundtrip.bin");
    AppState app;
    app.camera.distance = 1.3f;
    app.camera.pivot[1] = 2.0f;
    deriveCamera(app.camera);
    ASSERT_TRUE(saveCameraFile(app.camera, path.c_str()));
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(file.size(), 292u);

    AppState next;
    ASSERT_TRUE(loadCameraFile(next.camera, path.c_str()));
    for (int frame = 0; frame < 30; ++frame) updateFreeCamera(next);  // frames without input
    EXPECT_EQ(bytesOf(next.camera), file);
    std::remove(path.c_str());
}

TEST(FreeCamera, ShortFileReplacesOnlyItsLeadingBytes) {
    const std::string path = tempPath("velmora_camera_short.bin");
    const float q[4] = {0, 0, 0, 1};
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(q, sizeof q, 1, f);
    std::fclose(f);
    FreeCamera c;
    const FreeCamera initial;
    ASSERT_TRUE(loadCameraFile(c, path.c_str()));
    EXPECT_EQ(c.q[3], 1.0f);
    EXPECT_EQ(c.q[0], 0.0f);
    EXPECT_EQ(bytesOf(c).substr(16), bytesOf(initial).substr(16));
    EXPECT_FALSE(loadCameraFile(c, (path + ".missing").c_str()));
    std::remove(path.c_str());
}

TEST(FreeCamera, UnwritableFolderSkipsTheSave) {
    FreeCamera c;
    EXPECT_FALSE(saveCameraFile(c, "/nonexistent-folder/FreeCam.bin"));
}

TEST(ControllerMapping, UntouchedControllerMapsToMinusOneAndFullFaderJustAboveOne) {
    MyNanoKONTROL2 nano;
    SceneInputs in;
    mapControllerInputs(nano, in);
    for (float v : in.knobs) EXPECT_EQ(v, -1.0f);
    for (float v : in.knobsHigh) EXPECT_EQ(v, -1.0f);
    EXPECT_EQ(in.faders[0], -1.0f);
    nano.set_value(5, 127.0001f);
    nano.set_value(23, 64.0001f);
    mapControllerInputs(nano, in);
    EXPECT_GT(in.faders[0], 1.0f);
    EXPECT_EQ(in.faderSteps[0], 127);
    EXPECT_NEAR(in.knobsHigh[2], 2 * 64.0001f / 127 - 1, 1e-6);
    EXPECT_EQ(in.knobs[5], -1.0f);  // knob 21 is both knobs[5] and knobsHigh[0]
    EXPECT_EQ(in.knobsHigh[0], -1.0f);
}

TEST(MusicSync, SeeksOnlyBeyondFiftyMilliseconds) {
    EXPECT_FALSE(musicNeedsSeek(0.05f, 0.0f));
    EXPECT_TRUE(musicNeedsSeek(0.0501f, 0.0f));
    EXPECT_TRUE(musicNeedsSeek(9.9f, 10.0f));
    EXPECT_EQ(musicSeekBytes(1.0f), 192000u);
    EXPECT_EQ(musicSeekBytes(2.5f), 480000u);
    // A negative part clock becomes a position past any track, which the player refuses.
    EXPECT_GT(musicSeekBytes(-100.0f), uint64_t(1) << 63);
}
