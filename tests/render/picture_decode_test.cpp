// The picture decoder on damaged and hostile bytes; damage reported once, naming the
// archive entry.
#include "platform/picture_decode.h"
#include "render/frame_archive.h"
#include "render/frame_archive_writer.h"
#include "render/image_texture.h"
#include "render/picture_problems.h"
#include "archive_fixture.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

cv::Mat photo(int width, int height, int seed = 3) {
    cv::Mat picture(height, width, CV_8UC3);
    cv::RNG(seed).fill(picture, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(picture, picture, cv::Size(5, 5), 2);
    return picture;
}

std::vector<unsigned char> jpeg(const cv::Mat& picture, std::vector<int> params = {}) {
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", picture, bytes, params);
    return bytes;
}

// What the textures held before TurboJPEG: OpenCV's decode, trimmed, as RGBA.
std::vector<uint8_t> throughOpenCv(const std::vector<unsigned char>& bytes) {
    cv::Mat bgr = cv::imdecode(bytes, cv::IMREAD_UNCHANGED), rgba;
    if (bgr.channels() == 1) cv::cvtColor(bgr, bgr, cv::COLOR_GRAY2BGR);
    if (bgr.cols % 4) cv::resize(bgr, bgr, cv::Size(bgr.cols / 4 * 4, bgr.rows), 0, 0, cv::INTER_LINEAR);
    cv::cvtColor(bgr, rgba, cv::COLOR_BGR2RGBA);
    return std::vector<uint8_t>(rgba.datastart, rgba.dataend);
}

std::vector<uint8_t> pixelsOf(const platform::RgbaPicture& p) { return std::vector<uint8_t>(p.pixels.get(), p.pixels.get() + p.bytes()); }

}  // namespace

TEST(PictureDecode, TurboJpegGivesOpenCvsPixelsForEveryKindOfJpeg) {
    cv::Mat grey;
    cv::cvtColor(photo(40, 12), grey, cv::COLOR_BGR2GRAY);
    const std::vector<std::vector<unsigned char>> files = {
        jpeg(photo(66, 30)),  // width trimmed to 64 by resampling
        jpeg(photo(960, 540), {cv::IMWRITE_JPEG_QUALITY, 85}),
        jpeg(photo(48, 16), {cv::IMWRITE_JPEG_PROGRESSIVE, 1}),
        jpeg(grey),
    };
    platform::RgbaPicture out;
    std::string message;
    for (size_t k = 0; k < files.size(); ++k) {
        ASSERT_EQ(platform::decode_picture(files[k].data(), files[k].size(), out, message), platform::DecodeStatus::Decoded) << k << message;
        EXPECT_EQ(out.width % 4, 0);
        EXPECT_EQ(pixelsOf(out), throughOpenCv(files[k])) << "file " << k;
    }
}

TEST(PictureDecode, EveryCutOfAJpegDecodesOrFailsWithoutReadingPastIt) {
    const std::vector<unsigned char> whole = jpeg(photo(32, 16), {cv::IMWRITE_JPEG_PROGRESSIVE, 1});
    platform::RgbaPicture out;
    std::string message;
    int warned = 0;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[cut + 1]);  // its own allocation, so ASan sees an over-read
        std::copy(whole.begin(), whole.begin() + cut, exact.get());
        const platform::DecodeStatus status = platform::decode_picture(exact.get(), cut, out, message);
        if (status != platform::DecodeStatus::Decoded) {
            EXPECT_FALSE(message.empty()) << cut;
        }
        warned += status == platform::DecodeStatus::DecodedWithWarning;
    }
    EXPECT_GT(warned, 0) << "a cut JPEG is shown with grey where it ends, with a warning";
}

TEST(PictureDecode, HostileHeadersAreRefusedBeforeAnythingIsAllocated) {
    std::vector<unsigned char> huge = jpeg(photo(16, 16));
    for (size_t i = 2; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // SOF0: height and width follow the precision
            huge[i + 5] = huge[i + 7] = 0xEA, huge[i + 6] = huge[i + 8] = 0x60;  // 60000 x 60000
            break;
        }
    platform::RgbaPicture out;
    std::string message;
    EXPECT_EQ(platform::decode_picture(huge.data(), huge.size(), out, message), platform::DecodeStatus::Failed);
    EXPECT_NE(message.find("60000x60000"), std::string::npos) << message;
    EXPECT_EQ(out.capacity, 0u);

    cv::RNG random(11);
    std::vector<unsigned char> noise(3000);
    for (int round = 0; round < 200; ++round) {
        random.fill(noise, cv::RNG::UNIFORM, 0, 256);
        noise[0] = 0xFF, noise[1] = 0xD8, noise[2] = 0xFF;  // passes for a JPEG at first sight
        EXPECT_NE(platform::decode_picture(noise.data(), noise.size(), out, message), platform::DecodeStatus::Decoded);
    }
}

class ArchiveDamage : public FrameArchiveRead {
protected:
    PictureProblems problems;
    platform::RgbaPicture picture;

    void pack(const std::vector<std::pair<std::string, std::vector<unsigned char>>>& entries) {
        FrameArchiveWriter writer(base);
        for (const auto& [name, bytes] : entries) writer.addBytes(name, bytes);
        ASSERT_TRUE(writer.finish().ok) << writer.error();
        ASSERT_TRUE(open());
    }
    // Decodes every name in turn and returns what was said.
    std::string decodeAll(const std::vector<std::string>& names, int* pictures = nullptr, PictureProblems* to = nullptr) {
        ::testing::internal::CaptureStdout();
        int decoded = 0;
        for (const std::string& name : names) decoded += decodeArchiveEntry(archive, name, picture, to ? to : &problems);
        if (pictures) *pictures = decoded;
        return ::testing::internal::GetCapturedStdout();
    }
};

static size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(ArchiveDamage, ACutOrEmptyDataFileIsReportedOnceNamingTheFirstEntryPastItsEnd) {
    const std::vector<unsigned char> frame = jpeg(photo(16, 8, 1));
    pack({{"f1", frame}, {"f2", jpeg(photo(16, 8, 2))}, {"f3", jpeg(photo(16, 8, 3))}});
    const std::string data = readFile(base + ".bin");
    for (size_t keep : {frame.size() + frame.size() / 2, size_t(0)}) {
        writeFile(base + ".bin", data.substr(0, keep));
        ASSERT_TRUE(open());
        PictureProblems seen;
        int decoded = 0;
        const std::string said = decodeAll({"f1", "f2", "f3", "f2", "f3"}, &decoded, &seen);
        EXPECT_EQ(decoded, keep ? 1 : 0);
        EXPECT_EQ(occurrences(said, "\n"), 1u) << said;
        EXPECT_NE(said.find(keep ? "\"f2\"" : "\"f1\""), std::string::npos) << said;
        EXPECT_EQ(seen.entries(PictureProblem::OutsideDataFile), keep ? 2u : 3u);
        EXPECT_NE(seen.summary().find(keep ? "2 past the end" : "3 past the end"), std::string::npos);
    }
}

TEST_F(ArchiveDamage, AMissingDataFileIsReportedOnce) {
    pack({{"f1", jpeg(photo(8, 8))}, {"f2", jpeg(photo(8, 8))}});
    std::remove((base + ".bin").c_str());
    const std::string said = decodeAll({"f1", "f2", "f1", "unknown"});
    EXPECT_EQ(occurrences(said, "\n"), 1u) << said;
    EXPECT_NE(said.find("bin.bin"), std::string::npos) << said;
    EXPECT_NE(said.find("\"f1\""), std::string::npos) << said;
    EXPECT_EQ(problems.entries(PictureProblem::DataFileUnreadable), 2u);
}

TEST_F(ArchiveDamage, RandomBytesAndDecoderWarningsAreReportedWithTheEntrysName) {
    const std::vector<unsigned char> good = jpeg(photo(128, 128));
    std::vector<unsigned char> cut(good.begin(), good.begin() + good.size() * 2 / 3), random(good.size());
    cv::RNG(5).fill(random, cv::RNG::UNIFORM, 0, 256);
    pack({{"good", good}, {"cut1", cut}, {"cut2", cut}, {"random1", random}, {"random2", random}, {"empty", {}}});
    int decoded = 0;
    const std::string said =
        decodeAll({"good", "cut1", "cut1", "cut2", "random1", "random2", "cut1", "empty"}, &decoded);
    EXPECT_EQ(decoded, 5) << "a cut picture still shows, damage and all";
    // Warnings once per entry, with its name; undecodable bytes once in all.
    EXPECT_EQ(occurrences(said, "\"cut1\""), 1u) << said;
    EXPECT_EQ(occurrences(said, "\"cut2\""), 1u) << said;
    EXPECT_NE(said.find("Premature end of JPEG file"), std::string::npos) << said;
    EXPECT_EQ(occurrences(said, "\"random1\""), 1u) << said;
    EXPECT_EQ(occurrences(said, "random2"), 0u) << said;
    EXPECT_EQ(problems.summary(), "Frames: archive entries 3 not decodable, 2 decoded with damage.")
        << "an empty entry holds no picture either";
}
