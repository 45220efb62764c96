// The run of velmora-data: plans the archive from the frame rules, draws and encodes the
// frames on worker threads in batches (added to the archive in a fixed order, so the
// thread count never changes the output), writes stills, geometry and music, and
// finally the stamp.
#include "tools/velmora_data/show_pack.h"

#include <omp.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <exception>
#include <stdexcept>
#include <functional>
#include <map>
#include <thread>

#include "clips/frame_rules.h"
#include "platform/file_write.h"
#include "render/frame_archive_writer.h"
#include "tools/velmora_data/contact_sheet.h"
#include "tools/velmora_data/file_output.h"
#include "tools/velmora_data/footage.h"
#include "tools/velmora_data/frame_plan.h"
#include "tools/velmora_data/geometry/geometry.h"
#include "tools/velmora_data/mp3_writer.h"
#include "tools/velmora_data/music_score.h"
#include "tools/velmora_data/progress.h"
#include "tools/velmora_data/stills.h"

namespace vdata {

namespace {

constexpr int kFrameQuality = 85;
constexpr int kGrainQuality = 80;  // grain is noise: higher settings only add bytes
constexpr int kStillQuality = 90;
constexpr int kBatch = 64;         // frames drawn in parallel before they are archived in order

// One distinct picture of the archive and every name that shows it.
struct FrameJob {
    const SequenceInfo* seq;
    int number;                      // the frame actually drawn (canonical)
    std::vector<std::string> names;  // archive names, in plan order
};

bool planJobs(std::vector<FrameJob>& jobs, size_t& names, std::string& error) {
    const FramePlan plan = collectRequestedFrames();
    std::map<std::pair<const SequenceInfo*, int>, size_t> index;
    names = 0;
    for (const auto& entry : plan) {
        const SequenceInfo* seq = findSequence(entry.first);
        if (!seq) {
            error = "the frame rules ask for the sequence " + entry.first + ", which the generator does not make";
            return false;
        }
        for (int number : entry.second) {
            const int canonical = canonicalFrame(*seq, number);
            const auto key = std::make_pair(seq, canonical);
            auto it = index.find(key);
            if (it == index.end()) {
                it = index.emplace(key, jobs.size()).first;
                jobs.push_back({seq, canonical, {}});
            }
            jobs[it->second].names.push_back(formatFrameName(entry.first, number));
            ++names;
        }
    }
    return true;
}

bool encodeImage(const cv::Mat& img, const std::string& extension, int quality, std::vector<unsigned char>& bytes) {
    std::vector<int> params;
    if (extension == ".jpg" || extension == ".jpeg") params = {cv::IMWRITE_JPEG_QUALITY, quality};
    return cv::imencode(extension, img, bytes, params) && !bytes.empty();
}

// Runs work(i) for i in [0, count) on `jobs` threads; exceptions (OpenCV reports
// failures that way) become messages instead of ending the process.
void parallelFor(int count, int jobs, std::vector<std::string>& errors, const std::function<void(int)>& work) {
    errors.assign(count, std::string());
#pragma omp parallel for schedule(dynamic, 1) num_threads(jobs)
    for (int i = 0; i < count; ++i) {
        try {
            work(i);
        } catch (const std::exception& e) {
            errors[i] = e.what();
        } catch (...) {
            errors[i] = "unknown failure";
        }
    }
}

const std::string* firstError(const std::vector<std::string>& errors) {
    for (const std::string& e : errors)
        if (!e.empty()) return &e;
    return nullptr;
}

struct StillFile {
    const char* name;  // under videos/
    std::function<cv::Mat(int)> render;
};

bool writeStills(const std::string& outDir, int packHeight, bool tiny, int jobs, std::string& error) {
    const std::vector<StillFile> stills = {
        {"tvphoto.jpeg", [](int h) { return cv::Mat(renderTvPhoto(h)); }},
        {"credits00000.jpg", [](int h) { return cv::Mat(renderCredits(h)); }},
        {"X00000.jpg", [](int h) { return cv::Mat(renderCarouselPhoto(0, h)); }},
        {"X00001.jpg", [](int h) { return cv::Mat(renderCarouselPhoto(1, h)); }},
        {"X00002.jpg", [](int h) { return cv::Mat(renderCarouselPhoto(2, h)); }},
        {"X00003.jpg", [](int h) { return cv::Mat(renderCarouselPhoto(3, h)); }},
        {"overlay.jpg", [](int h) { return cv::Mat(renderOverlay(h)); }},
        // The show samples it with nearest filtering, tiled; 128 square is the usual size.
        {"LDR_RGBA_0.png", [tiny](int) { return blueNoiseTexture(tiny ? 64 : 128, 4, 0xB1E5u); }},
    };
    std::vector<std::string> errors;
    parallelFor(static_cast<int>(stills.size()), jobs, errors, [&](int i) {
        const std::string name = stills[i].name;
        const std::string extension = name.substr(name.rfind('.'));
        std::vector<unsigned char> bytes;
        if (!encodeImage(stills[i].render(packHeight), extension, kStillQuality, bytes))
            throw std::runtime_error("cannot encode videos/" + name);
        std::string writeError;
        if (!writeFileReplacing(outDir + "/videos/" + name, bytes, writeError)) throw std::runtime_error(writeError);
    });
    if (const std::string* e = firstError(errors)) {
        error = *e;
        return false;
    }
    return true;
}

// Geometry and music, on their own thread while the frames are drawn.
struct SideWork {
    std::string error;
    uint64_t musicBytes = 0;
};

void geometryAndMusic(const std::string& outDir, bool tiny, const std::vector<MusicSection>& sections, SideWork& side) {
    try {
        std::string error;
        if (!writeGeometry(outDir, tiny, error)) {
            side.error = "geometry: " + error;
            return;
        }
        const std::vector<float> pcm = synthesiseMusic(sections);
        std::vector<unsigned char> mp3;
        // The tiny pack is for tests: its music takes the encoder's fast setting.
        if (!encodeMp3(pcm, kMusicRate, 192, tiny ? 7 : 5, mp3, error)) {
            side.error = "music: " + error;
            return;
        }
        if (!writeFileReplacing(outDir + "/music/Zo-velmora.mp3", mp3, error)) {
            side.error = error;
            return;
        }
        side.musicBytes = mp3.size();
    } catch (const std::exception& e) {
        side.error = std::string("geometry or music: ") + e.what();
    }
}

bool writeContactSheetFile(const std::string& path, const std::vector<FrameJob>& jobs, int packHeight, int threads,
                           std::string& error) {
    // The middle frame of each sequence's requested frames.
    std::map<std::string, std::vector<const FrameJob*>> bySequence;
    for (const FrameJob& j : jobs) bySequence[j.seq->prefix].push_back(&j);
    std::vector<std::pair<std::string, const FrameJob*>> picks;
    for (const SequenceInfo& seq : sequenceTable()) {
        const auto it = bySequence.find(seq.prefix);
        if (it != bySequence.end()) picks.emplace_back(seq.prefix, it->second[it->second.size() / 2]);
    }
    std::vector<std::pair<std::string, cv::Mat3b>> frames(picks.size());
    std::vector<std::string> errors;
    parallelFor(static_cast<int>(picks.size()), threads, errors, [&](int i) {
        frames[i] = {picks[i].first, renderFrame(*picks[i].second->seq, picks[i].second->number, packHeight)};
    });
    if (const std::string* e = firstError(errors)) {
        error = "contact sheet: " + *e;
        return false;
    }
    std::vector<unsigned char> png;
    if (!encodeImage(makeContactSheet(frames), ".png", 0, png)) {
        error = "cannot encode the contact sheet";
        return false;
    }
    return writeFileReplacing(path, png, error);
}

}  // namespace

int packFrameHeight(bool tiny) { return tiny ? 90 : 540; }

bool writeShowData(const DataOptions& options, Progress& progress, PackReport& report, std::string& error) {
    report = PackReport();
    const std::string& out = options.outDir;
    const int packHeight = packFrameHeight(options.tiny);
    const int jobs = std::max(1, options.jobs);
    // The workers are OpenMP threads; OpenCV's own pool inside them would only compete.
    cv::setNumThreads(1);

    // The contact sheet comes last: a name that cannot take it (a pipe, a folder) is said
    // before the run, not after it.
    if (!options.contactSheet.empty() &&
        platform::check_output(options.contactSheet, platform::WriteOptions(), error) != platform::FileWrite::Written)
        return false;

    const std::string stampPath = out + "/.velmora-data";
    if (!makeDirectories(out, error) || !removeIfPresent(stampPath, error) || !makeDirectories(out + "/videos", error) ||
        !makeDirectories(out + "/music", error))
        return false;

    // The edit build uses the process-wide runtime generator: run it before any thread.
    const std::vector<MusicSection> sections = musicSections(editStepStarts());
    std::vector<FrameJob> frameJobs;
    if (!planJobs(frameJobs, report.archiveNames, error)) return false;
    report.pictures = frameJobs.size();
    progress.note("plan: " + std::to_string(report.archiveNames) + " archive names, " + std::to_string(frameJobs.size()) +
                  " distinct frames, " + std::to_string(options.tiny ? 160 : 960) + " x " + std::to_string(packHeight) +
                  " pixels at most");

    SideWork side;
    std::thread sideThread(geometryAndMusic, out, options.tiny, std::cref(sections), std::ref(side));

    bool ok = writeStills(out, packHeight, options.tiny, jobs, error);
    if (ok) progress.note("stills written");

    FrameArchiveWriter writer(out + "/bin");
    if (ok) {
        progress.stage("frames", frameJobs.size());
        std::vector<std::vector<unsigned char>> encoded(kBatch);
        std::vector<std::string> errors;
        for (size_t first = 0; ok && first < frameJobs.size(); first += kBatch) {
            const int count = static_cast<int>(std::min<size_t>(kBatch, frameJobs.size() - first));
            parallelFor(count, jobs, errors, [&](int i) {
                const FrameJob& job = frameJobs[first + i];
                const int quality = job.seq->kind == Footage::Grain ? kGrainQuality : kFrameQuality;
                if (!encodeImage(renderFrame(*job.seq, job.number, packHeight), ".jpg", quality, encoded[i]))
                    throw std::runtime_error("cannot encode frame " + std::to_string(job.number) + " of " + job.seq->prefix);
            });
            if (const std::string* e = firstError(errors)) {
                error = *e;
                ok = false;
                break;
            }
            // Added in plan order whatever the thread timing: the archive is the same every run.
            for (int i = 0; i < count && ok; ++i)
                for (const std::string& name : frameJobs[first + i].names)
                    if (!writer.addBytes(name, encoded[i])) {
                        error = "archive: " + writer.error();
                        ok = false;
                        break;
                    }
            progress.advance(count);
        }
    }
    if (ok) {
        const ArchiveWriteReport archive = writer.finish();
        if (!archive.ok) {
            error = "archive: " + archive.error;
            ok = false;
        } else {
            report.storedEntries = archive.storedCount;
            report.archiveBytes = archive.dataBytes;
            progress.note("archive bin.txt/bin.bin: " + std::to_string(archive.entryCount) + " names, " +
                          std::to_string(archive.storedCount) + " stored pictures, " +
                          std::to_string(archive.dataBytes / (1024 * 1024)) + " MiB");
        }
    }
    sideThread.join();
    if (ok && !side.error.empty()) {
        error = side.error;
        ok = false;
    }
    if (!ok) return false;
    report.musicBytes = side.musicBytes;
    progress.note("geometry in resources3/, music/Zo-velmora.mp3 (" + std::to_string(side.musicBytes / 1024) + " KiB)");

    if (!options.contactSheet.empty()) {
        if (!writeContactSheetFile(options.contactSheet, frameJobs, packHeight, jobs, error)) return false;
        progress.note("contact sheet " + options.contactSheet);
    }
    return writeFileReplacing(stampPath, stampText(options.tiny) + "\n", error);
}

}  // namespace vdata
