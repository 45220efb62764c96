#include "clips/contact_sheet.h"

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "clips/frame_rules.h"
#include "clips/contact_sheet_frames.h"

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

// The mean over the colour channels.
double ssim(const cv::Mat& a, const cv::Mat& b) {
    std::vector<cv::Mat> ca, cb;
    cv::split(a, ca);
    cv::split(b, cb);
    double sum = 0;
    for (size_t c = 0; c < ca.size(); ++c) sum += channelSsim(ca[c], cb[c]);
    return sum / static_cast<double>(ca.size());
}

}  // namespace

bool compareContactSheetTiles(const std::string& pathA, const std::string& pathB, std::vector<TileComparison>& tiles,
                              std::string& error) {
    tiles.clear();
    cv::Mat a, b;
    try {
        a = cv::imread(pathA, cv::IMREAD_COLOR);
        b = cv::imread(pathB, cv::IMREAD_COLOR);
    } catch (const cv::Exception& e) {
        error = e.what();
        return false;
    }
    if (a.empty() || b.empty()) {
        error = "cannot read \"" + (a.empty() ? pathA : pathB) + "\" as a picture";
        return false;
    }
    if (a.size() != b.size() || a.cols % kColumns || a.rows % kRows || a.rows / kRows <= kLabelHeight) {
        error = "the sheets are " + std::to_string(a.cols) + "x" + std::to_string(a.rows) + " and " +
                std::to_string(b.cols) + "x" + std::to_string(b.rows) + ": not two contact sheets of one size";
        return false;
    }
    const int cellW = a.cols / kColumns, cellH = a.rows / kRows - kLabelHeight;
    for (int i = 0; i < kColumns * kRows; ++i) {
        const cv::Rect tile((i % kColumns) * cellW, (i / kColumns) * (cellH + kLabelHeight), cellW, cellH);
        TileComparison t;
        t.ssim = ssim(a(tile), b(tile));
        const cv::Scalar meanA = cv::mean(a(tile)), meanB = cv::mean(b(tile));
        cv::Mat greyA, greyB;
        cv::cvtColor(a(tile), greyA, cv::COLOR_BGR2GRAY);
        cv::cvtColor(b(tile), greyB, cv::COLOR_BGR2GRAY);
        cv::Scalar m, deviationA, deviationB;
        cv::meanStdDev(greyA, m, deviationA);
        cv::meanStdDev(greyB, m, deviationB);
        for (int c = 0; c < 3; ++c) {
            t.meanA[c] = meanA[c];
            t.meanB[c] = meanB[c];
        }
        t.contrastA = deviationA[0];
        t.contrastB = deviationB[0];
        tiles.push_back(t);
    }
    return true;
}

bool compareContactSheets(const std::string& pathA, const std::string& pathB, std::vector<double>& similarity,
                          std::string& error) {
    similarity.clear();
    std::vector<TileComparison> tiles;
    if (!compareContactSheetTiles(pathA, pathB, tiles, error)) return false;
    for (const TileComparison& t : tiles) similarity.push_back(t.ssim);
    return true;
}

bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error) {
    const ContactSheetLayout layout = contactSheetLayout(clips);
    cv::Mat sheet(kRows * (layout.cellH + kLabelHeight), kColumns * layout.cellW, CV_8UC3, cv::Scalar(16, 16, 16));
    renderContactSheetFrames(clips, [&](int i, float x, const unsigned char* pixels, int w, int h) {
        cv::Mat frame(h, w, CV_8UC4, const_cast<unsigned char*>(pixels)), bgr, cell;
        cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
        cv::flip(bgr, bgr, 0);  // GL rows start at the bottom
        cv::resize(bgr, cell, cv::Size(layout.cellW, layout.cellH), 0, 0, cv::INTER_AREA);
        const int cx = (i % kColumns) * layout.cellW, cy = (i / kColumns) * (layout.cellH + kLabelHeight);
        cell.copyTo(sheet(cv::Rect(cx, cy, layout.cellW, layout.cellH)));
        const std::string label = "scene" + std::to_string(kSceneStarts[i]) + "  x=" + std::to_string(int(x));
        cv::putText(sheet, label, cv::Point(cx + 6, cy + layout.cellH + 17), cv::FONT_HERSHEY_SIMPLEX, 0.5,
                    cv::Scalar(220, 220, 220), 1, cv::LINE_AA);
    });
    try {
        if (cv::imwrite(path, sheet)) return true;
        error = "cannot write \"" + path + "\"";
    } catch (const cv::Exception& e) {
        error = "cannot write \"" + path + "\": " + e.what();
    }
    return false;
}
