// Image textures on a real GL context: widths trimmed to a multiple of 4 by resampling,
// the same texture name on every reload, flips, the archive road, and bad pictures that
// must leave the texture as it was.
#include "gl_helpers.h"
#include "gl_test_context.h"
#include "render/frame_archive.h"
#include "render/frame_archive_writer.h"
#include "render/image_texture.h"
#include "render/render_target.h"
#include "temp_folder.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// A picture whose every pixel differs from its neighbours, in OpenCV's BGR order.
cv::Mat pattern(int width, int height, int seed = 1) {
    cv::Mat picture(height, width, CV_8UC3);
    cv::RNG generator(seed);
    generator.fill(picture, cv::RNG::UNIFORM, 0, 256);
    return picture;
}

// What the texture must hold for a BGR picture: RGB, rows in the picture's order.
std::vector<uint8_t> rgbBytes(const cv::Mat& bgr) {
    cv::Mat rgb;
    cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
    return std::vector<uint8_t>(rgb.datastart, rgb.dataend);
}

std::vector<unsigned char> encode(const char* extension, const cv::Mat& picture) {
    std::vector<unsigned char> bytes;
    cv::imencode(extension, picture, bytes);
    return bytes;
}

class ImageTextureGl : public GlTest {
protected:
    TempFolder dir;
    ImageTexture texture;

    std::string savePng(const std::string& name, const cv::Mat& picture) {
        const std::string path = dir / name;
        cv::imwrite(path, picture);
        return path;
    }
};

}  // namespace

TEST_F(ImageTextureGl, WidthIsResampledToAMultipleOfFourNotCropped) {
    const cv::Mat wide = pattern(1921, 6);
    loadTextureFromFile(texture, savePng("wide.png", wide), false, false);
    ASSERT_TRUE(texture.loaded);
    EXPECT_EQ(texture.width, 1920);
    EXPECT_EQ(texture.height, 6);
    EXPECT_FLOAT_EQ(texture.aspect, 1920.0f / 6.0f);
    EXPECT_EQ(textureWidth(texture.id), 1920);
    // Convert first, then resample bilinearly to 1920: the documented order.
    cv::Mat rgb, expected;
    cv::cvtColor(wide, rgb, cv::COLOR_BGR2RGB);
    cv::resize(rgb, expected, cv::Size(1920, 6), 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), std::vector<uint8_t>(expected.datastart, expected.dataend));
    cv::Mat cropped = rgb(cv::Rect(0, 0, 1920, 6)).clone();
    EXPECT_NE(texturePixels(texture.id, GL_RGB), std::vector<uint8_t>(cropped.datastart, cropped.dataend));

    const cv::Mat exact = pattern(1920, 4, 2);
    loadTextureFromFile(texture, savePng("exact.png", exact), false, false);
    EXPECT_EQ(texture.width, 1920);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(exact));
}

TEST_F(ImageTextureGl, ReloadingKeepsTheTextureNameAndReplacesThePicture) {
    loadTextureFromFile(texture, savePng("a.png", pattern(8, 4, 1)), false, false);
    const GLuint first = texture.id;
    ASSERT_TRUE(texture.generated);
    const cv::Mat second = pattern(12, 3, 2);
    loadTextureFromFile(texture, savePng("b.png", second), false, false);
    EXPECT_EQ(texture.id, first);
    EXPECT_EQ(texture.width, 12);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(second));
}

TEST_F(ImageTextureGl, TexelsAreOpaqueAsFromAnRgbTexture) {
    loadTextureFromFile(texture, savePng("a.png", pattern(8, 4)), false, false);
    const std::vector<uint8_t> rgba = texturePixels(texture.id, GL_RGBA);
    for (size_t i = 3; i < rgba.size(); i += 4) ASSERT_EQ(rgba[i], 255);
}

TEST_F(ImageTextureGl, FlipsMirrorAndBothTurnByHalfATurn) {
    const cv::Mat picture = pattern(8, 6);
    const std::string path = savePng("p.png", picture);
    cv::Mat expected;
    loadTextureFromFile(texture, path, true, false);
    cv::flip(picture, expected, 1);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(expected));
    loadTextureFromFile(texture, path, false, true);
    cv::flip(picture, expected, 0);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(expected));
    loadTextureFromFile(texture, path, true, true);
    cv::rotate(picture, expected, cv::ROTATE_180);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(expected));
}

TEST_F(ImageTextureGl, FirstImageRowIsDrawnAtTheBottomOfTheQuad) {
    cv::Mat picture(4, 4, CV_8UC3, cv::Scalar(0, 0, 255));        // red (BGR)...
    picture.row(0).setTo(cv::Scalar(255, 0, 0));                    // ...with a blue first row
    loadTextureFromFile(texture, savePng("rows.png", picture), false, false);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glColor3f(1, 1, 1);
    drawFullscreenQuad();
    glDisable(GL_TEXTURE_2D);
    const auto bottom = readPixels(0, 0, kWidth, 8), top = readPixels(0, kHeight - 8, kWidth, 8);
    EXPECT_EQ(countAbove(bottom, 2, 200), kWidth * 8);
    EXPECT_EQ(countAbove(top, 0, 200), kWidth * 8);
    EXPECT_EQ(countAbove(top, 2, 50), 0);
}

TEST_F(ImageTextureGl, MissingOrUnreadableFileLeavesTheTextureAsItWas) {
    const cv::Mat picture = pattern(8, 4);
    loadTextureFromFile(texture, savePng("a.png", picture), false, false);
    const ImageTexture before = texture;
    writeFile(dir / "junk.jpg", "not a picture at all");
    writeFile(dir / "tiny.png", "");
    cv::imwrite(dir / "narrow.png", pattern(3, 5));
    ::testing::internal::CaptureStdout();
    for (const char* name : {"missing.jpg", "junk.jpg", "tiny.png", "narrow.png"}) loadTextureFromFile(texture, dir / name, true, true);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "a missing image is silent";
    EXPECT_EQ(texture.id, before.id);
    EXPECT_EQ(texture.width, 8);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(picture));
    ImageTexture untouched;
    loadTextureFromFile(untouched, dir / "missing.jpg", false, false);
    EXPECT_FALSE(untouched.loaded);
    EXPECT_FALSE(untouched.generated);
}

TEST_F(ImageTextureGl, ArchiveEntriesDecodeIntoTheTexture) {
    const cv::Mat frame = pattern(16, 9);
    const cv::Mat grey = cv::Mat(4, 8, CV_8UC1, cv::Scalar(77));
    cv::Mat bgra(4, 8, CV_8UC4, cv::Scalar(10, 20, 30, 0));  // fully transparent, still drawn opaque
    cv::Mat deep(4, 8, CV_16UC3, cv::Scalar(257 * 10, 257 * 20, 257 * 30));
    FrameArchiveWriter writer(dir / "bin");
    const std::vector<unsigned char> jpeg = encode(".jpg", frame);
    writer.addBytes("c://videos//fog00001_n.jpg", jpeg);
    writer.addBytes("grey", encode(".png", grey));
    writer.addBytes("bgra", encode(".png", bgra));
    writer.addBytes("deep", encode(".png", deep));
    ASSERT_TRUE(writer.finish().ok) << writer.error();
    FrameArchive archive;
    ASSERT_TRUE(archive.open(dir / "bin"));

    loadTextureFromArchive(texture, archive, "c://videos//fog00001_n.jpg");
    EXPECT_EQ(texture.width, 16);
    EXPECT_EQ(texture.height, 9);
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(cv::imdecode(jpeg, cv::IMREAD_UNCHANGED)));

    loadTextureFromArchive(texture, archive, "grey");
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), std::vector<uint8_t>(8 * 4 * 3, 77));
    loadTextureFromArchive(texture, archive, "bgra");
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(cv::Mat(4, 8, CV_8UC3, cv::Scalar(10, 20, 30))));
    loadTextureFromArchive(texture, archive, "deep");
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(cv::Mat(4, 8, CV_8UC3, cv::Scalar(10, 20, 30))));
}

TEST_F(ImageTextureGl, MissingEmptyOrDamagedEntriesLeaveThePreviousPicture) {
    const cv::Mat frame = pattern(8, 8);
    std::vector<unsigned char> jpeg = encode(".jpg", frame);
    FrameArchiveWriter writer(dir / "bin");
    writer.addBytes("good", jpeg);
    writer.addBytes("empty", {});
    writer.addBytes("text", asBytes("plain text, not an image"));
    writer.addBytes("narrow", encode(".png", pattern(2, 2)));
    std::vector<unsigned char> cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
    writer.addBytes("cut", cut);
    std::vector<unsigned char> header(jpeg.begin(), jpeg.begin() + 2);
    writer.addBytes("header_only", header);
    ASSERT_TRUE(writer.finish().ok) << writer.error();
    FrameArchive archive;
    ASSERT_TRUE(archive.open(dir / "bin"));

    loadTextureFromArchive(texture, archive, "good");
    const std::vector<uint8_t> good = texturePixels(texture.id, GL_RGB);
    for (const char* name : {"missing", "empty", "text", "narrow", "header_only"}) {
        loadTextureFromArchive(texture, archive, name);
        EXPECT_EQ(texture.width, 8) << name;
        EXPECT_EQ(texturePixels(texture.id, GL_RGB), good) << name;
    }
    // A truncated JPEG may decode into a partly grey picture or not at all; either way
    // the texture stays a whole 8 x 8 picture.
    loadTextureFromArchive(texture, archive, "cut");
    EXPECT_EQ(texture.width, 8);
    EXPECT_EQ(textureWidth(texture.id), 8);

    ImageTexture never;
    loadTextureFromArchive(never, archive, "text");
    EXPECT_FALSE(never.loaded);
    EXPECT_FALSE(never.generated);
}

TEST_F(ImageTextureGl, ASlotAskedForTheEntryItShowsIsNotReadOrUploadedAgain) {
    FrameArchiveWriter writer(dir / "bin");
    writer.addBytes("a", encode(".png", pattern(8, 4, 1)));
    writer.addBytes("b", encode(".png", pattern(8, 4, 2)));
    ASSERT_TRUE(writer.finish().ok) << writer.error();
    FrameArchive archive;
    ASSERT_TRUE(archive.open(dir / "bin"));
    loadTextureFromArchive(texture, archive, "a");
    // Scribble over the texture: a second load of "a" must leave the scribble alone.
    const std::vector<uint8_t> zeros(8 * 4 * 4, 0);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 8, 4, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
    loadTextureFromArchive(texture, archive, "a");
    EXPECT_EQ(texturePixels(texture.id, GL_RGBA), zeros);
    // Another entry of the same size replaces the pixels in place.
    loadTextureFromArchive(texture, archive, "b");
    EXPECT_EQ(texturePixels(texture.id, GL_RGB), rgbBytes(pattern(8, 4, 2)));
    EXPECT_EQ(texture.source, "b");
    loadTextureFromFile(texture, savePng("c.png", pattern(8, 4, 1)), false, false);
    EXPECT_EQ(texture.source, "") << "a picture from a file is no archive entry";
}
