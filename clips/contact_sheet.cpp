#include "clips/contact_sheet.h"

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "clips/contact_sheet_frames.h"
#include "clips/frame_rules.h"

bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error) {
    const ContactSheetLayout layout = contactSheetLayout(clips);
    cv::Mat sheet(kSheetRows * (layout.cellH + kSheetLabelHeight), kSheetColumns * layout.cellW, CV_8UC3,
                  cv::Scalar(16, 16, 16));
    renderContactSheetFrames(clips, [&](int i, float x, const unsigned char* pixels, int w, int h) {
        cv::Mat frame(h, w, CV_8UC4, const_cast<unsigned char*>(pixels)), bgr, cell;
        cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
        cv::flip(bgr, bgr, 0);  // GL rows start at the bottom
        cv::resize(bgr, cell, cv::Size(layout.cellW, layout.cellH), 0, 0, cv::INTER_AREA);
        const int cx = (i % kSheetColumns) * layout.cellW, cy = (i / kSheetColumns) * (layout.cellH + kSheetLabelHeight);
        cell.copyTo(sheet(cv::Rect(cx, cy, layout.cellW, layout.cellH)));
        const std::string label = "scene" + std::to_string(kSceneStarts[i]) + "  x=" + std::to_string(int(x));
        cv::putText(sheet, label, cv::Point(cx + 6, cy + layout.cellH + 17), cv::FONT_HERSHEY_SIMPLEX, 0.5,
                    cv::Scalar(220, 220, 220), 1, cv::LINE_AA);
    });
    try {
        // The strongest PNG compression: the look test keeps a sheet in the repository.
        if (cv::imwrite(path, sheet, {cv::IMWRITE_PNG_COMPRESSION, 9})) return true;
        error = "cannot write \"" + path + "\"";
    } catch (const cv::Exception& e) {
        error = "cannot write \"" + path + "\": " + e.what();
    }
    return false;
}
