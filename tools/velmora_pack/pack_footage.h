// velmora-pack's inputs as jobs, packed in the order given: a manifest's files and a
// folder's JPEG frames copied as they are, other pictures and a video's frames encoded as
// JPEG, all optionally scaled to one size.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "footage.h"
#include "pack_inputs.h"

class FrameArchiveWriter;

// A step above the default show's own frames (85): a video's frames were compressed once
// already. At 960x540 it takes 50 to 70 % of the bytes of 98, hardly told from it.
constexpr int kDefaultQuality = 90;
// The default show's footage (velmora-data): 540 pixels high, 960 wide for 16:9 pictures,
// narrower for its few square and tall sequences.
constexpr int kShowFrameWidth = 960, kShowFrameHeight = 540;

struct FootageOptions {
    int quality = kDefaultQuality;  // of the frames encoded here, 1..100
    int width = 0, height = 0;      // --size: every frame scaled to it; 0 keeps each frame's size
};

// One -m or -f argument.
struct PackJob {
    std::string given;                   // the argument, printable, for messages
    std::vector<PackInput> inputs;       // a manifest's pairs or a folder's pictures
    bool folder = false;                 // inputs are a folder's frames
    size_t skipped = 0;                  // the folder's other entries
    std::unique_ptr<VideoFrames> video;  // or a video's frames, named as a folder's would be
    std::string videoPath, videoPrefix;  // entry k: frameEntryName(videoPrefix, NNNNN.jpg) as in a folder
};

// "-f PATH PREFIX": a folder holding pictures, or a video. False with one line in error
// when PATH is neither, a folder with no picture, or a video nothing here decodes.
bool frameJob(const std::string& path, const std::string& prefix, PackJob& job, std::string& error);

// Adds the job's entries to writer, appending their names to names, and says on standard
// output what it packed (and when the frames' size is not the show's). False with error
// for a frame that cannot be read or converted; false with error empty when the writer
// failed (its finish() says why).
bool packJob(PackJob& job, const FootageOptions& options, FrameArchiveWriter& writer, std::vector<std::string>& names,
             std::string& error);

// "960x540" into width and height; false unless both are 1..8192.
bool parseFrameSize(const std::string& text, int& width, int& height);
