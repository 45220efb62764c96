// The frame damage report: one line per kind as it is first met, one summary at the end.
#include "render/picture_problems.h"

#include <cstdio>

#include "platform/printable.h"
#include "render/frame_archive.h"

namespace {

// Damaged entries named one by one before the rest are only counted: a badly damaged
// archive must not bury the console.
constexpr size_t kNamedWarnings = 10;
// Missing names shown in the summary: enough to see a pattern (a whole sequence, a renamed
// folder) in one line.
constexpr size_t kNamedMissing = 3;

// Escaped as any text from a file is, but with its backslashes shown as they are: they are
// what these lines are often about.
std::string quoted(const std::string& name) {
    const std::string cut = name.substr(0, 120);
    std::string shown;
    size_t from = 0;
    for (size_t at; (at = cut.find('\\', from)) != std::string::npos; from = at + 1)
        shown += platform::printable(cut.substr(from, at - from)) + "\\";
    shown += platform::printable(cut.substr(from));
    return "\"" + shown + (name.size() > cut.size() ? "...\"" : "\"");
}

// The name with the index's near name after it when there is one.
std::string withNearName(const FrameArchive& archive, const std::string& name, bool& near) {
    const std::string other = nearEntryName(archive, name);
    if (other.empty()) return quoted(name);
    near = true;
    return quoted(name) + " (" + archive.indexPath + " has " + quoted(other) + ")";
}

const char* const kExactly = "names are matched exactly, separators and case included";

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

void PictureProblems::missing(const FrameArchive& archive, const std::string& name) {
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!missing_.insert(name).second) return;
        first = missing_.size() == 1;
        if (firstMissing_.size() < kNamedMissing) firstMissing_.push_back(name);
    }
    if (!first) return;
    bool near = false;
    const std::string named = withNearName(archive, name, near);
    printf("Frames: %s does not hold %s%s; its panel keeps the picture shown before it, and the names missing are "
           "counted until the show ends.\n",
           archive.indexPath.c_str(), named.c_str(), near ? (std::string(": ") + kExactly).c_str() : "");
    fflush(stdout);
}

size_t PictureProblems::missingNames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return missing_.size();
}

std::string PictureProblems::missingSummary(const FrameArchive& archive) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (missing_.empty()) return "";
    bool near = false;
    std::string line = "Frames: the show asked for " + std::to_string(missing_.size()) +
                       (missing_.size() == 1 ? " name " : " names ") + archive.indexPath + " does not hold: ";
    for (size_t k = 0; k < firstMissing_.size(); ++k) line += (k ? ", " : "") + withNearName(archive, firstMissing_[k], near);
    if (missing_.size() > firstMissing_.size()) line += " and " + std::to_string(missing_.size() - firstMissing_.size()) + " more";
    line += "; their panels kept the picture shown before them.";
    if (near) line += std::string(" The ") + kExactly + ".";
    return line;
}
