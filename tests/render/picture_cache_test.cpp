// The prefetching picture cache: what the workers decoded ahead is handed out without a
// decode, a jump is followed, a miss is decoded at once, and the bytes held never pass the
// budget. Waits are polled with a generous deadline; nothing here is timed.
#include "render/frame_archive_writer.h"
#include "render/picture_cache.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <chrono>
#include <thread>

namespace {

constexpr int kFrames = 24;
constexpr size_t kPictureBytes = 64 * 32 * 4;

std::string frame(int k) { return "c://videos//f" + std::to_string(k); }

class PictureCacheTest : public ::testing::Test {
protected:
    TempFolder dir;
    FrameArchive archive;
    PictureCache cache;

    void SetUp() override {
        FrameArchiveWriter writer(dir / "bin");
        for (int k = 0; k < kFrames; ++k) {
            cv::Mat picture(32, 64, CV_8UC3, cv::Scalar(7, 255 - k * 10, k * 10));
            std::vector<unsigned char> bytes;
            cv::imencode(".jpg", picture, bytes);
            writer.addBytes(frame(k), bytes);
        }
        ASSERT_TRUE(writer.finish().ok);
        ASSERT_TRUE(archive.open(dir / "bin"));
    }
    std::vector<std::string> frames(int from, int to) {
        std::vector<std::string> names;
        for (int k = from; k < to; ++k) names.push_back(frame(k));
        return names;
    }
    bool eventually(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return done();
    }
    // The red of the picture handed out for frame k (its pictures differ by 10 per frame).
    int red(int k) {
        const platform::RgbaPicture* p = cache.take(archive, frame(k));
        return p ? p->pixels[0] : -1;
    }
};

}  // namespace

TEST_F(PictureCacheTest, AfterAJumpTheNewPicturesAreHandedOutWithoutADecode) {
    cache.start(archive, 2, 64 << 20, nullptr);
    cache.want(frames(0, 4));
    ASSERT_TRUE(eventually([&] { return cache.holds(frame(3)); }));
    cache.want(frames(16, 20));  // a jump: the forecast starts afresh far ahead
    ASSERT_TRUE(eventually([&] { return cache.holds(frame(19)); }));
    const uint64_t decoded = cache.stats().decoded;
    for (int k = 16; k < 20; ++k) EXPECT_NEAR(red(k), k * 10, 3);
    EXPECT_EQ(cache.stats().decoded, decoded);
    EXPECT_EQ(cache.stats().hits, 4u);
    EXPECT_EQ(cache.stats().misses, 0u);
}

TEST_F(PictureCacheTest, APictureNobodyForesawIsDecodedAtOnce) {
    for (int workers : {0, 1}) {
        cache.start(archive, workers, 64 << 20, nullptr);
        cache.want(frames(0, 2));
        const uint64_t misses = cache.stats().misses;
        EXPECT_NEAR(red(9), 90, 3) << workers << " workers";
        EXPECT_EQ(cache.stats().misses, misses + 1);
        EXPECT_EQ(red(99), -1) << "no such entry";
    }
}

TEST_F(PictureCacheTest, TheBytesHeldNeverPassTheBudget) {
    const size_t budget = kPictureBytes * 5 + kPictureBytes / 2;
    cache.start(archive, 2, budget, nullptr);
    cache.want(frames(0, kFrames));
    ASSERT_TRUE(eventually([&] { return cache.holds(frame(4)); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // give the workers a chance to overrun
    EXPECT_LE(cache.stats().peakBytes, budget);
    EXPECT_FALSE(cache.holds(frame(5))) << "only the five soonest fit";
    // As the frames move on, the soonest make room for those after them.
    cache.want(frames(10, kFrames));
    ASSERT_TRUE(eventually([&] { return cache.holds(frame(14)); }));
    EXPECT_LE(cache.stats().peakBytes, budget);
    EXPECT_FALSE(cache.holds(frame(0)));
}

TEST_F(PictureCacheTest, AReplacedArchiveIsFollowed) {
    cache.start(archive, 1, 64 << 20, nullptr);
    cache.want(frames(0, 4));
    ASSERT_TRUE(eventually([&] { return cache.holds(frame(2)); }));
    const FrameArchive none;
    EXPECT_EQ(cache.take(none, frame(2)), nullptr) << "an empty archive has no pictures, held or not";
    EXPECT_NEAR(red(2), 20, 3);
}

TEST_F(PictureCacheTest, PicturesThatBecameUnwantedWhileDecodingNeverUpsetTheRoomMaking) {
    // A decode that ends after the forecast moved on makes room for a picture nobody wants
    // any more, and must not take itself for a victim. Pictures that grow (so a worker's
    // reservation falls short), jumps as the contact sheet makes them, a tight budget.
    FrameArchiveWriter writer(dir / "growing");
    for (int k = 0; k < kFrames; ++k) {
        std::vector<unsigned char> bytes;
        cv::imencode(".jpg", cv::Mat(32 + 8 * k, 64, CV_8UC3, cv::Scalar(k, 0, 0)), bytes);
        writer.addBytes(frame(k), bytes);
    }
    ASSERT_TRUE(writer.finish().ok);
    FrameArchive growing;
    ASSERT_TRUE(growing.open(dir / "growing"));
    const size_t budget = kPictureBytes * 8;
    for (int run = 0; run < 20; ++run) {
        cache.start(growing, 4, budget, nullptr);
        for (int round = 0; round < 200; ++round) {
            const int from = (round * 7 + run) % (kFrames - 4);
            cache.want(frames(from, from + 4));
            if (round % 5 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        EXPECT_LE(cache.stats().peakBytes, budget);
    }
}

// One picture bigger than the whole budget used to leave every later one to the render
// thread: it is decoded when asked for and not kept, and the work ahead goes on after it.
TEST_F(PictureCacheTest, APictureBeyondTheBudgetIsDecodedWhenAskedAndTheWorkAheadGoesOn) {
    FrameArchiveWriter writer(dir / "huge");
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", cv::Mat(256, 256, CV_8UC3, cv::Scalar(1, 2, 3)), bytes);
    writer.addBytes("huge", bytes);
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(readArchiveEntry(archive, frame(k), bytes) && writer.addBytes(frame(k), bytes));
    ASSERT_TRUE(writer.finish().ok);
    FrameArchive mixed;
    ASSERT_TRUE(mixed.open(dir / "huge"));
    cache.start(mixed, 1, kPictureBytes * 8, nullptr);
    cache.want({"huge"});
    ASSERT_TRUE(eventually([&] { return cache.stats().decodedAhead == 1; }));
    EXPECT_FALSE(cache.holds("huge"));
    ASSERT_NE(cache.take(mixed, "huge"), nullptr);
    cache.want(frames(0, 4));
    EXPECT_TRUE(eventually([&] { return cache.holds(frame(3)); })) << "prefetching stopped after the large picture";
}
