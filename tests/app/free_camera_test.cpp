#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "app/app_state.h"
#include "app/free_camera.h"
#include "app/frame_finish.h"
#include "app/music_sync.h"
#include "platform/heard_clock.h"
#include "platform/tick_clock.h"

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

TEST(FreeCamera, DamagedFileIsRefusedWithOneLineAndTheDefaultCameraStays) {
    const std::string path = tempPath("velmora_camera_damaged.bin");
    const auto refused = [&](void (*damage)(FreeCamera&)) {
        FreeCamera bad, c;
        damage(bad);
        saveCameraFile(bad, path.c_str());
        testing::internal::CaptureStdout();
        const bool loaded = loadCameraFile(c, path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        return !loaded && bytesOf(c) == bytesOf(FreeCamera()) && out.find("damaged camera record") != std::string::npos &&
               std::count(out.begin(), out.end(), '\n') == 1;
    };
    EXPECT_TRUE(refused([](FreeCamera& c) { c.eye[1] = std::nanf(""); }));
    EXPECT_TRUE(refused([](FreeCamera& c) { c.pan[2] = 3.4e38f; }));
    EXPECT_TRUE(refused([](FreeCamera& c) { c.q[3] = 3.0f; }));
    EXPECT_TRUE(refused([](FreeCamera& c) { c.distance = -1.0f; }));
    EXPECT_TRUE(refused([](FreeCamera& c) { c.speed = 0.0f; }));
    EXPECT_TRUE(refused([](FreeCamera& c) { std::memset(static_cast<void*>(&c), 0x7F, sizeof c); }));  // random bytes
    EXPECT_FALSE(refused([](FreeCamera& c) { c.orbitLatch = 0xFF; })) << "latch bytes are not numbers";
    std::remove(path.c_str());
}

TEST(FreeCamera, PlantedTemporaryLinkNeverRedirectsTheSave) {
    const std::string path = tempPath("velmora_camera_link.bin"), outside = tempPath("velmora_outside.txt");
    std::ofstream(outside) << "not yours";
    std::remove((path + ".tmp").c_str());
    ASSERT_EQ(symlink(outside.c_str(), (path + ".tmp").c_str()), 0);
    FreeCamera c, back;
    ASSERT_TRUE(saveCameraFile(c, path.c_str()));
    std::ifstream in(outside);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "not yours");
    EXPECT_TRUE(loadCameraFile(back, path.c_str()));
    EXPECT_EQ(bytesOf(back), bytesOf(c));
    std::remove(path.c_str());
    std::remove(outside.c_str());
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

namespace {

// The frame loop against a made-up audio device whose clock runs `speed` times the tick
// clock, heard through the player's own arithmetic; 60 frames a second at speed 1, steered.
struct SyncBench {
    platform::HeardClock heard;
    MusicSync sync;
    int64_t now = 0, nextCallback = 0, handed = 0;
    double speed = 1.0;
    bool stalled = false;
    float part = 0.0f;
    SyncBench() { platform::heard_on_seek(heard, 0, 0, 0); }
    void frames(int n, float jump = 0.0f) {
        for (int i = 0; i < n; ++i, jump = 0.0f) {
            const float dt = 1.0f / 60.0f;
            now += platform::kTicksPerSecond / 60;
            for (; !stalled && nextCallback <= now; nextCallback += static_cast<int64_t>(2048 * 1e7 / 48000 / speed))
                platform::heard_on_buffer(heard, handed, 2048, nextCallback), handed += 2048;
            part += dt + jump;
            bool seek = false;
            part += steerPartClock(sync, offset(), dt + jump, dt, seek);
            if (seek) handed = platform::heard_on_seek(heard, static_cast<int64_t>(part * 48000.0f), now, now);
            sync.seeks += seek;
        }
    }
    float offset() const { return part - platform::heard_frame(heard, now) / 48000.0f; }
};

}  // namespace

TEST(MusicSync, DeviceDriftOfTwoPercentEitherWayIsSteeredOutWithoutSeeks) {
    for (double speed : {1.02, 0.98}) {
        SyncBench bench;
        bench.speed = speed;
        bench.frames(60 * 60);
        EXPECT_EQ(bench.sync.seeks, 0) << "speed " << speed;
        EXPECT_LT(bench.sync.offsetSum / bench.sync.samples, 0.005) << "speed " << speed;
        EXPECT_NEAR(bench.sync.rateTrim, speed - 1.0, 0.003) << "the drift is learnt, not chased";
    }
}

TEST(MusicSync, AJumpOfThePartClockSeeksOnceAndLandsInStep) {
    SyncBench bench;
    bench.heard.queuedBuffers = 2;  // a double-buffered device: 85 ms from callback to ear
    bench.frames(120);
    bench.frames(1, 30.0f);  // a cue: BACK or --start
    EXPECT_EQ(bench.sync.seeks, 1);
    bench.frames(8);
    EXPECT_LT(std::fabs(bench.offset()), 0.022f) << "the device's queue was skipped ahead";
    bench.frames(120);
    EXPECT_EQ(bench.sync.seeks, 1);
}

TEST(MusicSync, AStalledDeviceNeverDragsThePartClock) {
    SyncBench bench;
    bench.frames(120);
    bench.stalled = true;
    bench.frames(120);
    EXPECT_NEAR(bench.part, 4.0f, 0.1f) << "the show runs on its own clock";
    EXPECT_GE(bench.sync.seeks, 1);
    bench.stalled = false, bench.nextCallback = bench.now;
    bench.frames(60);
    const int seeks = bench.sync.seeks;
    bench.frames(600);
    EXPECT_EQ(bench.sync.seeks, seeks) << "back in step once the device plays again";
    EXPECT_LT(std::fabs(bench.offset()), 0.005f);
}

TEST(MusicSync, OtherSpeedsAreNotSteered) {
    MusicSync sync;
    bool seek = true;
    EXPECT_EQ(steerPartClock(sync, 0.03f, 0.0f, 0.016f, seek), 0.0f) << "a stopped clock";
    EXPECT_FALSE(seek);
    EXPECT_EQ(steerPartClock(sync, 0.03f, 0.064f, 0.016f, seek), 0.0f) << "the speed knob";
}
