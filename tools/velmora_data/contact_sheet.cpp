// Layout of the footage contact sheet.
#include "tools/velmora_data/contact_sheet.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace vdata {

namespace {

// "c://videos//3//outputV" -> "3/outputV": the label a person recognises.
std::string shortName(const std::string& prefix) {
    std::string s = prefix;
    for (const char* drop : {"c://videos//", "c://", "d://"})
        if (s.rfind(drop, 0) == 0) {
            s = s.substr(std::char_traits<char>::length(drop));
            break;
        }
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '/' && i + 1 < s.size() && s[i + 1] == '/')) out += s[i];
    return out;
}

}  // namespace

cv::Mat3b makeContactSheet(const std::vector<std::pair<std::string, cv::Mat3b>>& frames, int sheetWidth, int thumbHeight) {
    const int gap = 8, label = 22;
    // Place the thumbnails first to know the sheet's height.
    std::vector<cv::Rect> places;
    int x = gap, y = gap;
    for (const auto& f : frames) {
        const cv::Mat3b& img = f.second;
        const int w = img.empty() ? thumbHeight : std::max(1, img.cols * thumbHeight / std::max(1, img.rows));
        const int shown = std::min(w, sheetWidth - 2 * gap);
        if (x + shown + gap > sheetWidth && x > gap) {
            x = gap;
            y += thumbHeight + label + gap;
        }
        places.emplace_back(x, y, shown, thumbHeight);
        x += shown + gap;
    }
    const int height = y + thumbHeight + label + gap;
    cv::Mat3b sheet(height, sheetWidth, cv::Vec3b(40, 40, 40));
    for (size_t i = 0; i < frames.size(); ++i) {
        const cv::Rect& r = places[i];
        if (!frames[i].second.empty()) {
            cv::Mat3b thumb;
            cv::resize(frames[i].second, thumb, r.size(), 0, 0, cv::INTER_AREA);
            thumb.copyTo(sheet(r));
        }
        cv::putText(sheet, shortName(frames[i].first), cv::Point(r.x, r.y + r.height + 16), cv::FONT_HERSHEY_SIMPLEX, 0.45,
                    cv::Scalar(230, 230, 230), 1, cv::LINE_AA);
    }
    return sheet;
}

}  // namespace vdata
