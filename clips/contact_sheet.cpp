#include "clips/contact_sheet.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "app/app_state.h"
#include "clips/frame_rules.h"
#include "clips/part_clips.h"

float contactSheetPosition(int index) {
    // Positions where each scene shows its content: past the fades and growth starts.
    static const float positions[25] = {5,   15,  25,  35,  41,  55,  65,  77,  85,  97,  105, 117, 127,
                                        136, 157, 165, 177, 184, 200, 235, 283, 304, 345, 385, 505};
    return positions[index];
}

bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error) {
    AppState& app = *clips.owner;
    // The window's picture, whatever the scale the targets are drawn at.
    const int w = app.window.width, h = app.window.height;
    const int columns = kSheetColumns, rows = kSheetRows;
    const int cellW = std::min(w, 480), cellH = cellW * h / w;
    cv::Mat sheet(rows * (cellH + kSheetLabelHeight), columns * cellW, CV_8UC3, cv::Scalar(16, 16, 16));
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * h * 4);

    for (int i = 0; i < 25; ++i) {
        const float x = contactSheetPosition(i);
        // A few frames at the same position let the feedback passes settle into this scene.
        for (int frame = 0; frame < 4; ++frame) {
            clips.cttime = clips.fttime = clips.ttime = x;
            clips.clock = std::min(x, 290.0f);  // the part clock stays before the show's end
            app.inputs.time += 0.04f;
            clips.render();
            glFinish();
        }
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        if (app.window.window) SDL_GL_SwapWindow(app.window.window);
        cv::Mat frame(h, w, CV_8UC4, pixels.data()), bgr, cell;
        cv::cvtColor(frame, bgr, cv::COLOR_BGRA2BGR);
        cv::flip(bgr, bgr, 0);  // GL rows start at the bottom
        cv::resize(bgr, cell, cv::Size(cellW, cellH), 0, 0, cv::INTER_AREA);
        const int cx = (i % columns) * cellW, cy = (i / columns) * (cellH + kSheetLabelHeight);
        cell.copyTo(sheet(cv::Rect(cx, cy, cellW, cellH)));
        const std::string label = "scene" + std::to_string(kSceneStarts[i]) + "  x=" + std::to_string(int(x));
        cv::putText(sheet, label, cv::Point(cx + 6, cy + cellH + 17), cv::FONT_HERSHEY_SIMPLEX, 0.5,
                    cv::Scalar(220, 220, 220), 1, cv::LINE_AA);
    }
    try {
        // The strongest PNG compression: the look test keeps a sheet in the repository.
        if (cv::imwrite(path, sheet, {cv::IMWRITE_PNG_COMPRESSION, 9})) return true;
        error = "cannot write \"" + path + "\"";
    } catch (const cv::Exception& e) {
        error = "cannot write \"" + path + "\": " + e.what();
    }
    return false;
}
