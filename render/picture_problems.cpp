// The frame damage report: one line per kind as it is first met, one summary at the end.
#include "render/picture_problems.h"

#include <cstdio>

namespace {

// Damaged entries named one by one before the rest are only counted: a badly damaged
// archive must not bury the console.
constexpr size_t kNamedWarnings = 10;

// What a frame with the problem looks like on screen, after the reader's own words.
const char* consequence(PictureProblem kind) {
    switch (kind) {
    case PictureProblem::DecoderWarning: return "it is shown as decoded, damage included";
    default: return "such frames keep the picture shown before them";
    }
}

const char* what(PictureProblem kind) {
    switch (kind) {
    case PictureProblem::DataFileUnreadable: return "the frame archive's data file cannot be read";
    case PictureProblem::OutsideDataFile: return "the frame archive's data file ends before entry";
    case PictureProblem::ReadFailed: return "reading stopped short in entry";
    case PictureProblem::Undecodable: return "no picture could be decoded from entry";
    case PictureProblem::DecoderWarning: return "damaged data in entry";
    }
    return "";
}

const char* counted(PictureProblem kind) {
    switch (kind) {
    case PictureProblem::DataFileUnreadable: return "without a data file";
    case PictureProblem::OutsideDataFile: return "past the end of the data file";
    case PictureProblem::ReadFailed: return "cut short while reading";
    case PictureProblem::Undecodable: return "not decodable";
    case PictureProblem::DecoderWarning: return "decoded with damage";
    }
    return "";
}

}  // namespace

void PictureProblems::report(PictureProblem kind, const std::string& entry, const std::string& detail) {
    const int k = static_cast<int>(kind);
    bool first = false, last = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool fresh = entries_[k].insert(entry).second;
        first = entries_[k].size() == 1 && fresh;
        if (kind == PictureProblem::DecoderWarning) {
            first = fresh && entries_[k].size() <= kNamedWarnings;
            last = fresh && entries_[k].size() == kNamedWarnings;
        }
    }
    if (!first) return;
    if (kind == PictureProblem::DataFileUnreadable)
        printf("Frames: %s (%s), first wanted for \"%s\"; %s.\n", what(kind), detail.c_str(), entry.c_str(),
               consequence(kind));
    else
        printf("Frames: %s \"%s\" (%s); %s.\n", what(kind), entry.c_str(), detail.c_str(), consequence(kind));
    if (last) printf("Frames: further entries with damaged data are counted, not named.\n");
    fflush(stdout);
}

size_t PictureProblems::entries(PictureProblem kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_[static_cast<int>(kind)].size();
}

std::string PictureProblems::summary() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string line;
    for (int k = 0; k < kPictureProblemKinds; ++k) {
        if (entries_[k].empty()) continue;
        line += line.empty() ? "Frames: archive entries " : ", ";
        line += std::to_string(entries_[k].size()) + " " + counted(static_cast<PictureProblem>(k));
    }
    return line.empty() ? line : line + ".";
}
