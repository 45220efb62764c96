// The show's pictures of itself drawn with OpenCV, on a canvas whose bytes it draws on in
// place (RGB where OpenCV thinks BGR: every call here works on each channel alone, and the
// colours are handed over in the canvas's order).
#include "platform/canvas.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace platform {
namespace {

cv::Mat view(Canvas& canvas) { return cv::Mat(canvas.height, canvas.width, CV_8UC3, canvas.rgb.data()); }

cv::Scalar scalar(Colour c) { return cv::Scalar(c.r, c.g, c.b); }

}  // namespace

bool canvas_draws() { return true; }

void canvas_put_frame(Canvas& canvas, int x, int y, int w, int h, const uint8_t* bgra, int frameW, int frameH) {
    const cv::Mat frame(frameH, frameW, CV_8UC4, const_cast<uint8_t*>(bgra));
    cv::Mat rgb, cell;
    cv::cvtColor(frame, rgb, cv::COLOR_BGRA2RGB);
    cv::flip(rgb, rgb, 0);  // GL rows start at the bottom
    cv::resize(rgb, cell, cv::Size(w, h), 0, 0, cv::INTER_AREA);
    cell.copyTo(view(canvas)(cv::Rect(x, y, w, h)));
}

void canvas_box(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour) {
    cv::Mat picture = view(canvas);
    cv::rectangle(picture, cv::Point(x0, y0), cv::Point(x1, y1), scalar(colour), cv::FILLED);
}

void canvas_line(Canvas& canvas, int x0, int y0, int x1, int y1, Colour colour, int thickness) {
    cv::Mat picture = view(canvas);
    cv::line(picture, cv::Point(x0, y0), cv::Point(x1, y1), scalar(colour), thickness);
}

void canvas_text(Canvas& canvas, const std::string& text, int x, int y, CanvasFont font, double scale,
                 Colour colour) {
    cv::Mat picture = view(canvas);
    const int face = font == CanvasFont::Plain ? cv::FONT_HERSHEY_PLAIN : cv::FONT_HERSHEY_SIMPLEX;
    cv::putText(picture, text, cv::Point(x, y), face, scale, scalar(colour), 1, cv::LINE_AA);
}

bool canvas_png(const Canvas& canvas, std::vector<uint8_t>& png, int level) {
    try {
        cv::Mat bgr;
        cv::cvtColor(cv::Mat(canvas.height, canvas.width, CV_8UC3, const_cast<uint8_t*>(canvas.rgb.data())), bgr,
                     cv::COLOR_RGB2BGR);
        return cv::imencode(".png", bgr, png, {cv::IMWRITE_PNG_COMPRESSION, level});
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace platform
