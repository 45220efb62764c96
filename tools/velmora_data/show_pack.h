// Writing the whole default show into a directory: the frame archive, the stills, the
// geometry, the music, and last the stamp that says the directory is complete.
#pragma once
#include <cstdint>
#include <string>

#include "tools/velmora_data/options.h"

namespace vdata {

class Progress;

struct PackReport {
    size_t archiveNames = 0;    // entries in bin.txt
    size_t pictures = 0;        // distinct frames drawn (held frames and shared grain once)
    size_t storedEntries = 0;   // distinct contents in bin.bin
    uint64_t archiveBytes = 0;  // size of bin.bin
    uint64_t musicBytes = 0;
};

// Frame height of a pack: 540 for the default, 90 for --tiny (same names, same layout).
int packFrameHeight(bool tiny);

// Runs the generator. The stamp OUTDIR/.velmora-data is removed first and written only
// after everything else succeeded, so a failed or interrupted run never looks complete.
// Returns false with a one-line message naming what failed.
bool writeShowData(const DataOptions& options, Progress& progress, PackReport& report, std::string& error);

}  // namespace vdata
