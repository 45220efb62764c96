// The edit as a picture, drawn with OpenCV.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "clips/edit_tools.h"
#include "clips/frame_rules.h"
#include "clips/timeline.h"

namespace {

constexpr int kWidth = 1600, kHeight = 1000, kLeft = 70, kBottom = 50, kTop = 20, kRight = 20;
constexpr float kClockSpan = 320.0f, kEditSpan = 520.0f;

cv::Point at(float clock, float position) {
    const float x = kLeft + clock / kClockSpan * (kWidth - kLeft - kRight);
    const float y = kHeight - kBottom - position / kEditSpan * (kHeight - kBottom - kTop);
    return cv::Point(static_cast<int>(x), static_cast<int>(y));
}

cv::Scalar sceneColour(int index) {
    // Evenly spaced hues, alternating brightness so neighbouring scenes differ.
    cv::Mat hsv(1, 1, CV_8UC3, cv::Scalar(index * 180 / 25, 200, index % 2 ? 255 : 190)), bgr;
    cv::cvtColor(hsv, bgr, cv::COLOR_HSV2BGR);
    const cv::Vec3b c = bgr.at<cv::Vec3b>(0, 0);
    return cv::Scalar(c[0], c[1], c[2]);
}

}  // namespace

bool plotEdit(const Timeline& edit, const std::string& path, std::string& error) {
    cv::Mat image(kHeight, kWidth, CV_8UC3, cv::Scalar(24, 20, 20));
    // Scene ranges as faint bands across, labelled at the left.
    for (int i = 0; i < 25; ++i) {
        const float lo = static_cast<float>(kSceneStarts[i]);
        const float hi = i < 24 ? static_cast<float>(kSceneStarts[i + 1]) : 510.0f;
        cv::Scalar band = sceneColour(i) * 0.18;
        cv::rectangle(image, at(0, hi), at(kClockSpan, lo), band, cv::FILLED);
        cv::putText(image, "scene" + std::to_string(kSceneStarts[i]), at(0, lo) + cv::Point(-66, -2),
                    cv::FONT_HERSHEY_PLAIN, 0.8, sceneColour(i), 1, cv::LINE_AA);
    }
    for (int s = 0; s <= 320; s += 20) {
        cv::line(image, at(static_cast<float>(s), 0), at(static_cast<float>(s), kEditSpan), cv::Scalar(60, 60, 60));
        cv::putText(image, std::to_string(s) + "s", at(static_cast<float>(s), 0) + cv::Point(-12, 20),
                    cv::FONT_HERSHEY_PLAIN, 1.0, cv::Scalar(200, 200, 200), 1, cv::LINE_AA);
    }
    // The cut: one dot per millisecond of clock, in the colour of the scene it shows.
    for (int ms = 0; ms < static_cast<int>(kClockSpan * 1000); ++ms) {
        const float position = edit.values[ms];
        const int scene = sceneForPosition(position);
        int index = 0;
        while (index < 24 && kSceneStarts[index] != scene) ++index;
        const cv::Scalar colour = scene < 0 ? cv::Scalar(90, 90, 90) : sceneColour(index);
        const cv::Point p = at(ms / 1000.0f, position);
        cv::rectangle(image, p, p + cv::Point(1, 1), colour, cv::FILLED);
    }
    cv::line(image, at(296, 0), at(296, kEditSpan), cv::Scalar(80, 80, 255), 2);
    cv::putText(image, "end 296 s", at(296, kEditSpan) + cv::Point(6, 16), cv::FONT_HERSHEY_PLAIN, 1.2,
                cv::Scalar(80, 80, 255), 1, cv::LINE_AA);
    cv::putText(image, "part clock ->   edit position ^", cv::Point(kLeft + 10, kTop + 16), cv::FONT_HERSHEY_PLAIN,
                1.2, cv::Scalar(220, 220, 220), 1, cv::LINE_AA);
    try {
        if (cv::imwrite(path, image)) return true;
        error = "cannot write \"" + path + "\"";
    } catch (const cv::Exception& e) {
        error = "cannot write \"" + path + "\": " + e.what();
    }
    return false;
}
