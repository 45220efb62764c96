// Stills: the blue noise is real blue noise, the credits sit where the rolling scene shows
// them, the carousel photos are square as their scene shows them.
#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include "tools/velmora_data/stills.h"

using namespace vdata;

namespace {

// Share of the spectrum's power below a quarter of the highest frequency.
double lowFrequencyShare(const cv::Mat1f& tile) {
    cv::Mat1f centred = tile - cv::mean(tile)[0];
    cv::Mat complex;
    cv::dft(centred, complex, cv::DFT_COMPLEX_OUTPUT);
    const int n = tile.rows;
    double low = 0, total = 0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const cv::Vec2f c = complex.at<cv::Vec2f>(y, x);
            const double power = c[0] * c[0] + c[1] * c[1];
            const int fx = std::min(x, n - x), fy = std::min(y, n - y);
            total += power;
            if (fx * fx + fy * fy < (n / 8) * (n / 8)) low += power;
        }
    return low / total;
}

}  // namespace

TEST(BlueNoise, EveryLevelOccursEquallyOftenInEveryChannel) {
    const cv::Mat noise = blueNoiseTexture(64, 4, 7);
    ASSERT_EQ(noise.type(), CV_8UC4);
    std::vector<cv::Mat> channels;
    cv::split(noise, channels);
    for (const cv::Mat& c : channels) {
        std::vector<int> histogram(256, 0);
        for (int y = 0; y < c.rows; ++y)
            for (int x = 0; x < c.cols; ++x) ++histogram[c.at<uchar>(y, x)];
        for (int v = 0; v < 256; ++v) ASSERT_EQ(histogram[v], 64 * 64 / 256) << "level " << v;
    }
    EXPECT_GT(cv::norm(channels[0], channels[1], cv::NORM_L1), 0) << "channels must be independent patterns";
}

TEST(BlueNoise, HasLittleLowFrequencyPowerUnlikeWhiteNoise) {
    const cv::Mat noise = blueNoiseTexture(64, 1, 3);
    cv::Mat1f tile;
    noise.convertTo(tile, CV_32F);
    // White noise spreads its power evenly: about pi/64 ~ 5% lies in this disc.
    cv::Mat1f white(64, 64);
    cv::randu(white, 0, 255);
    const double blue = lowFrequencyShare(tile), flat = lowFrequencyShare(white);
    EXPECT_LT(blue, flat * 0.25) << blue << " vs " << flat;
}

TEST(BlueNoise, IsTheSameForTheSameSeed) {
    EXPECT_EQ(cv::norm(blueNoiseTexture(32, 2, 9), blueNoiseTexture(32, 2, 9), cv::NORM_INF), 0);
}

TEST(Credits, TallRollWithTextOnlyWhereTheScrollPasses) {
    const cv::Mat3b roll = renderCredits(90);
    ASSERT_FALSE(roll.empty());
    EXPECT_EQ(roll.cols % 4, 0);
    EXPECT_NEAR(static_cast<double>(roll.rows) / roll.cols, 2.81, 0.02);
    auto darkRows = [&](double from, double to) {
        int rows = 0;
        for (int y = static_cast<int>(from * roll.rows); y < static_cast<int>(to * roll.rows); ++y) {
            double lo;
            cv::minMaxLoc(roll.row(y).reshape(1), &lo);
            if (lo < 128) ++rows;
        }
        return rows;
    };
    EXPECT_EQ(darkRows(0.0, 0.2), 0) << "text above the part the scroll shows";
    EXPECT_GT(darkRows(0.22, 0.88), 40) << "no text drawn";
    EXPECT_EQ(darkRows(0.9, 1.0), 0);
}

TEST(Stills, CarouselPhotosAreSquareAndDistinct) {
    std::vector<cv::Mat3b> photos;
    for (int i = 0; i < 4; ++i) {
        photos.push_back(renderCarouselPhoto(i, 90));
        EXPECT_EQ(photos.back().rows, stillSize(90));
        EXPECT_EQ(photos.back().cols, stillSize(90));
    }
    for (int i = 1; i < 4; ++i) EXPECT_GT(cv::norm(photos[0], photos[i], cv::NORM_L1), 0);
    const cv::Mat3b overlay = renderOverlay(90);
    EXPECT_EQ(overlay.cols % 4, 0);
    EXPECT_NEAR(static_cast<double>(overlay.cols) / overlay.rows, 16.0 / 9.0, 0.05);
}
