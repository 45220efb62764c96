// The footage contact sheet: one frame of every sequence, side by side and labelled, in
// one picture, so a person can judge the look of the whole pack at a glance.
#pragma once
#include <opencv2/core.hpp>

#include <string>
#include <utility>
#include <vector>

namespace vdata {

// Thumbnails keep their pixel aspect and a common height; rows wrap at `sheetWidth`.
cv::Mat3b makeContactSheet(const std::vector<std::pair<std::string, cv::Mat3b>>& frames, int sheetWidth = 1600,
                           int thumbHeight = 150);

}  // namespace vdata
