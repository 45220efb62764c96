// Scene-by-scene comparison of two contact sheets: structure by SSIM, colour by each
// channel's mean and standard deviation.
#include "clips/sheet_compare.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "clips/contact_sheet.h"

namespace {

// SSIM of one channel, with the usual 11 x 11 Gaussian window (sigma 1.5) and constants
// for 8-bit pictures.
double channelSsim(const cv::Mat& a, const cv::Mat& b) {
    const double c1 = 6.5025, c2 = 58.5225;  // (0.01 * 255)^2, (0.03 * 255)^2
    cv::Mat x, y;
    a.convertTo(x, CV_32F);
    b.convertTo(y, CV_32F);
    const auto blur = [](const cv::Mat& m) {
        cv::Mat out;
        cv::GaussianBlur(m, out, cv::Size(11, 11), 1.5);
        return out;
    };
    const cv::Mat mx = blur(x), my = blur(y);
    const cv::Mat mxx = mx.mul(mx), myy = my.mul(my), mxy = mx.mul(my);
    const cv::Mat sxx = blur(x.mul(x)) - mxx, syy = blur(y.mul(y)) - myy, sxy = blur(x.mul(y)) - mxy;
    cv::Mat numerator = (2 * mxy + c1).mul(2 * sxy + c2), denominator = (mxx + myy + c1).mul(sxx + syy + c2), map;
    cv::divide(numerator, denominator, map);
    return cv::mean(map)[0];
}

// A tile is BGR, as OpenCV reads it; the figures are kept R, G, B.
SceneColour colourOf(const cv::Mat& tile) {
    cv::Scalar mean, deviation;
    cv::meanStdDev(tile, mean, deviation);
    SceneColour c;
    for (int k = 0; k < 3; ++k) {
        c.mean[k] = mean[2 - k];
        c.contrast[k] = deviation[2 - k];
    }
    return c;
}

bool readSheet(const std::string& path, cv::Mat& sheet, std::string& error) {
    // Said here rather than by OpenCV, which warns on its own about a missing file.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        error = "cannot read \"" + path + "\": no such file";
        return false;
    }
    try {
        sheet = cv::imread(path, cv::IMREAD_COLOR);
    } catch (const cv::Exception& e) {
        error = "cannot read \"" + path + "\": " + e.what();
        return false;
    }
    if (sheet.empty()) {
        error = "cannot read \"" + path + "\" as a picture";
        return false;
    }
    if (sheet.cols % kSheetColumns || sheet.rows % kSheetRows || sheet.rows / kSheetRows <= kSheetLabelHeight) {
        error = "\"" + path + "\" is " + std::to_string(sheet.cols) + "x" + std::to_string(sheet.rows) +
                ": not a contact sheet (5 x 5 frames with labels)";
        return false;
    }
    return true;
}

// The frames of a sheet, labels left out, in scene order.
std::vector<cv::Mat> tilesOf(const cv::Mat& sheet) {
    const int cellW = sheet.cols / kSheetColumns, cellH = sheet.rows / kSheetRows - kSheetLabelHeight;
    std::vector<cv::Mat> tiles;
    for (int i = 0; i < kSheetColumns * kSheetRows; ++i)
        tiles.push_back(sheet(cv::Rect((i % kSheetColumns) * cellW, (i / kSheetColumns) * (cellH + kSheetLabelHeight),
                                       cellW, cellH)));
    return tiles;
}

}  // namespace

bool compareContactSheets(const std::string& pathA, const std::string& pathB, std::vector<SceneLook>& looks,
                          std::string& error) {
    looks.clear();
    cv::Mat a, b;
    if (!readSheet(pathA, a, error) || !readSheet(pathB, b, error)) return false;
    if (a.size() != b.size()) {
        error = "the sheets are " + std::to_string(a.cols) + "x" + std::to_string(a.rows) + " and " +
                std::to_string(b.cols) + "x" + std::to_string(b.rows) + ": not two contact sheets of one size";
        return false;
    }
    const std::vector<cv::Mat> tilesA = tilesOf(a), tilesB = tilesOf(b);
    for (size_t i = 0; i < tilesA.size(); ++i) {
        SceneLook look;
        std::vector<cv::Mat> channelsA, channelsB;
        cv::split(tilesA[i], channelsA);
        cv::split(tilesB[i], channelsB);
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += channelSsim(channelsA[k], channelsB[k]);
        look.ssim = sum / 3;
        const SceneColour ca = colourOf(tilesA[i]), cb = colourOf(tilesB[i]);
        for (int k = 0; k < 3; ++k) {
            look.meanShift[k] = cb.mean[k] - ca.mean[k];
            look.contrastChange[k] = (cb.contrast[k] - ca.contrast[k]) / std::max(ca.contrast[k], kFlatContrast);
        }
        looks.push_back(look);
    }
    return true;
}

bool describeContactSheet(const std::string& path, std::vector<SceneColour>& colours, std::string& error) {
    colours.clear();
    cv::Mat sheet;
    if (!readSheet(path, sheet, error)) return false;
    for (const cv::Mat& tile : tilesOf(sheet)) colours.push_back(colourOf(tile));
    return true;
}

std::string lookProblem(const SceneLook& look, const LookTolerance& tolerance) {
    static const char channel[3] = {'R', 'G', 'B'};
    std::string problems;
    char text[64];
    const auto add = [&] { problems += (problems.empty() ? "" : ", ") + std::string(text); };
    // Written as "not within" so that a NaN from a broken picture fails too.
    if (!(look.ssim >= tolerance.minSsim)) {
        std::snprintf(text, sizeof text, "SSIM %.4f", look.ssim);
        add();
    }
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(look.meanShift[k]) <= tolerance.maxMeanShift)) {
            std::snprintf(text, sizeof text, "mean %c %+.1f", channel[k], look.meanShift[k]);
            add();
        }
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(look.contrastChange[k]) <= tolerance.maxContrastChange)) {
            std::snprintf(text, sizeof text, "contrast %c %+.0f %%", channel[k], look.contrastChange[k] * 100);
            add();
        }
    return problems;
}
