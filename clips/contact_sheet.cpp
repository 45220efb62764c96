#include "clips/contact_sheet.h"

#include <cstdint>
#include <vector>

#include "app/app_state.h"
#include "clips/contact_sheet_frames.h"
#include "clips/part_clips.h"
#include "clips/frame_rules.h"
#include "platform/canvas.h"
#include "platform/file_write.h"

bool writeContactSheet(Part_Clips& clips, const std::string& path, std::string& error) {
    const ContactSheetLayout layout = contactSheetLayout(clips);
    platform::Canvas sheet = platform::make_canvas(kSheetColumns * layout.cellW,
                                                   kSheetRows * (layout.cellH + kSheetLabelHeight), {16, 16, 16});
    renderContactSheetFrames(clips, [&](int i, float x, const unsigned char* pixels, int w, int h) {
        const int cx = (i % kSheetColumns) * layout.cellW, cy = (i / kSheetColumns) * (layout.cellH + kSheetLabelHeight);
        platform::canvas_put_frame(sheet, cx, cy, layout.cellW, layout.cellH, pixels, w, h);
        // Where no text is drawn the label strips stay dark: a comparison reads the frames' tiles only.
        const std::string label = "scene" + std::to_string(kSceneStarts[i]) + "  x=" + std::to_string(int(x));
        platform::canvas_text(sheet, label, cx + 6, cy + layout.cellH + 17, platform::CanvasFont::Simplex, 0.5,
                              {220, 220, 220});
    });
    // The strongest PNG compression: the look test keeps a sheet in the repository.
    std::vector<uint8_t> png;
    if (!platform::canvas_png(sheet, png)) {
        error = "cannot encode the contact sheet as PNG";
        return false;
    }
    platform::WriteOptions options;
    options.inputs = clips.owner->inputFiles;
    return platform::write_file(path, png.data(), png.size(), options, error) == platform::FileWrite::Written;
}
