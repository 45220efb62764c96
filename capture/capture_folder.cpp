// The folder a capture writes: PNG frames through the show's own picture writer
// (platform/canvas.h), encoded and written on a thread of their own while the next frame
// is drawn, and a WAV file, each through the writing path.
#include "capture/capture_folder.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "capture/output_line.h"
#include "platform/audio.h"
#include "platform/canvas.h"
#include "platform/file_io.h"
#include "platform/file_replace.h"

namespace {

namespace fs = std::filesystem;

const char* const kSoundName = "sound.wav";
// zlib's fastest level: lossless all the same, a fifth the size of the raw pixels on the
// show's frames, and level 9 took several times as long per frame as drawing it.
constexpr int kPngLevel = 1;
constexpr int64_t kSoundPiece = 4800;  // sample frames made and written at a time (0.1 s)
constexpr int kRingFrames = 2;         // one being drawn into, one being written

bool allDigits(const std::string& text) { return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos; }

// The frame number of a frame's name ("frame00012.png": 12), or -1 for any other name.
long frameNumber(const std::string& name) {
    if (name.size() < 5 + 5 + 4 || name.compare(0, 5, "frame") != 0 || name.compare(name.size() - 4, 4, ".png") != 0)
        return -1;
    const std::string digits = name.substr(5, name.size() - 9);
    if (!allDigits(digits) || digits.size() > 12) return -1;
    return std::stol(digits);
}

void putLittle(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string quoted(const std::string& path) { return "\"" + shownLine(path) + "\""; }

}  // namespace

std::string captureFrameName(long n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame%05ld.png", n);
    return name;
}

bool isCaptureFile(const std::string& name) {
    std::string base = name;
    // A temporary file of the writing path: "<name>.<process>.tmp".
    const size_t tmp = name.size() > 4 ? name.rfind('.', name.size() - 5) : std::string::npos;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 && tmp != std::string::npos &&
        allDigits(name.substr(tmp + 1, name.size() - 4 - tmp - 1)))
        base = name.substr(0, tmp);
    return base == kSoundName || frameNumber(base) >= 0;
}

bool checkCaptureFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    // "name/" of a file would read as missing: the name itself is looked at.
    fs::path path = fs::u8path(folder);
    while (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return true;  // made when the capture starts
    if (ec) {
        error = "cannot capture into " + quoted(folder) + ": " + ec.message();
        return false;
    }
    if (!fs::is_directory(status)) {
        error = "cannot capture into " + quoted(folder) + ": it is not a folder";
        return false;
    }
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().u8string();
        if (isCaptureFile(name)) continue;
        error = quoted(folder) + " holds files a capture did not write (" + quoted(name) +
                "): capture into a new or empty folder, or into one an earlier capture made";
        return false;
    }
    if (ec) {
        error = "cannot read the folder " + quoted(folder) + ": " + ec.message();
        return false;
    }
    return true;
}

std::string wavHeader(int64_t frames) {
    const uint32_t data = static_cast<uint32_t>(frames * 4);
    std::string h = "RIFF";
    putLittle(h, 36 + data, 4);
    h += "WAVEfmt ";
    putLittle(h, 16, 4);                           // the format chunk's size
    putLittle(h, 1, 2);                            // PCM
    putLittle(h, 2, 2);                            // stereo
    putLittle(h, platform::kMusicRate, 4);         // sample frames per second
    putLittle(h, platform::kMusicRate * 4, 4);     // bytes per second
    putLittle(h, 4, 2);                            // bytes per sample frame
    putLittle(h, 16, 2);                           // bits per sample
    h += "data";
    putLittle(h, data, 4);
    return h;
}

struct CaptureFolder::State {
    fs::path folder;
    CaptureFolderFormat format;
    CaptureSound sound;
    std::vector<uint8_t> ring[kRingFrames];  // frames handed over: BGRA, bottom row first
    platform::Canvas picture;     // the frame being written, as RGB, top row first
    std::vector<uint8_t> png;

    std::mutex lock;              // guards what follows
    std::condition_variable changed;
    long submitted = 0;           // frames handed over
    long done = 0;                // frames the writer is through with, written or not
    long written = 0;             // frames whole in the folder
    bool ending = false;          // finish(): the writer stops once through
    std::string failure;          // the first write that failed, in one line
    std::thread writer;

    std::string pathOf(const std::string& name) const { return (folder / fs::u8path(name)).u8string(); }
    void unfinished(const char* temporary) const {
        if (format.unfinished) format.unfinished(temporary);
    }
    // Writes one whole file through the writing path, fill writing its content (false
    // once a write failed); false with why set, in one line.
    bool writeFile(const std::string& name, const std::function<bool(platform::FileWriter&)>& fill,
                   std::string& failure) const {
        platform::FileWriter out;
        std::string why;
        if (out.open(pathOf(name), format.writing, why) != platform::FileWrite::Written) {
            failure = shownLine(why);
            return false;
        }
        unfinished(out.temporary().c_str());
        fill(out);  // a write that failed sticks, and the commit says why
        const platform::FileWrite committed = out.commit(why);
        unfinished(nullptr);
        if (committed != platform::FileWrite::Written) {
            failure = shownLine(why);
            return false;
        }
        return true;
    }
    // An earlier capture's frames numbered past this one's last, and the temporary files
    // of captures no longer running.
    void removeEarlierFiles() const {
        std::error_code ec;
        std::vector<fs::path> stale;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().u8string();
            if (frameNumber(name) > written) stale.push_back(it->path());
            const size_t dot = name.size() > 4 ? name.rfind('.', name.size() - 5) : std::string::npos;
            if (dot == std::string::npos || !isCaptureFile(name) || name.compare(name.size() - 4, 4, ".tmp") != 0) continue;
            const std::string id = name.substr(dot + 1, name.size() - 4 - dot - 1);
            // Ten digits may pass what Windows' unsigned long holds: no process has such an id.
            const unsigned long long process = id.size() <= 10 ? std::stoull(id) : 0;
            if (process != 0 && id != platform::process_tag() &&
                (process > 0xFFFFFFFFull || !platform::process_running(static_cast<unsigned long>(process))))
                stale.push_back(it->path());
        }
        for (const fs::path& path : stale) platform::remove_file(path.u8string());
    }
};

CaptureFolder::CaptureFolder() : s(new State) {}

CaptureFolder::~CaptureFolder() {
    if (!s->writer.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(s->lock);
        s->ending = true;
    }
    s->changed.notify_all();
    s->writer.join();
}

bool CaptureFolder::open(const std::string& folder, const CaptureFolderFormat& format, CaptureSound sound,
                         std::string& error) {
    s->folder = fs::u8path(folder);
    s->format = format;
    s->sound = std::move(sound);
    for (std::vector<uint8_t>& frame : s->ring) frame.assign(static_cast<size_t>(format.width) * format.height * 4, 0);
    s->picture = platform::make_canvas(format.width, format.height, {0, 0, 0});
    std::error_code ec;
    fs::create_directories(s->folder, ec);
    if (ec || !fs::is_directory(s->folder, ec)) {
        error = "cannot make the folder " + quoted(folder) + ": " + (ec ? ec.message() : "a file has its name");
        return false;
    }
    // A sound.wav stands beside the whole capture it belongs to only.
    const std::string earlier = s->pathOf(kSoundName);
    if (platform::file_kind(earlier) != platform::FileKind::Absent && !platform::remove_file(earlier)) {
        error = "cannot remove an earlier capture's " + quoted(earlier);
        return false;
    }
    s->writer = std::thread([this] { writeFrames(); });
    return true;
}

uint8_t* CaptureFolder::nextFrame() {
    std::unique_lock<std::mutex> hold(s->lock);
    s->changed.wait(hold, [this] { return s->submitted - s->done < kRingFrames || !s->failure.empty(); });
    return s->failure.empty() ? s->ring[s->submitted % kRingFrames].data() : nullptr;
}

void CaptureFolder::submitFrame() {
    {
        std::lock_guard<std::mutex> hold(s->lock);
        s->submitted += 1;
    }
    s->changed.notify_all();
}

void CaptureFolder::writeFrames() {
    for (;;) {
        long n = 0;
        {
            std::unique_lock<std::mutex> hold(s->lock);
            s->changed.wait(hold, [this] { return s->done < s->submitted || s->ending; });
            if (s->done == s->submitted) return;
            n = s->done;
        }
        const bool written = writeFrame(s->ring[n % kRingFrames], n + 1);
        {
            std::lock_guard<std::mutex> hold(s->lock);
            s->done += 1;
            s->written += written ? 1 : 0;
        }
        s->changed.notify_all();
    }
}

bool CaptureFolder::writeFrame(const std::vector<uint8_t>& pixels, long number) {
    {
        std::lock_guard<std::mutex> hold(s->lock);
        if (!s->failure.empty()) return false;  // the frames after a failure are not written
    }
    const int w = s->format.width, h = s->format.height;
    for (int y = 0; y < h; ++y) {
        const uint8_t* from = &pixels[static_cast<size_t>(h - 1 - y) * w * 4];
        uint8_t* to = &s->picture.rgb[static_cast<size_t>(y) * w * 3];
        for (int x = 0; x < w; ++x, from += 4, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    const std::string name = captureFrameName(number);
    std::string failure;
    if (!platform::canvas_png(s->picture, s->png, kPngLevel))
        failure = "cannot encode " + quoted(s->pathOf(name)) + " as PNG";
    else if (s->writeFile(name, [this](platform::FileWriter& out) { return out.write(s->png.data(), s->png.size()); }, failure))
        return true;
    std::lock_guard<std::mutex> hold(s->lock);
    if (s->failure.empty()) s->failure = failure;
    return false;
}

bool CaptureFolder::finish(std::string& error) {
    if (s->writer.joinable()) {
        {
            std::lock_guard<std::mutex> hold(s->lock);
            s->ending = true;
        }
        s->changed.notify_all();
        s->writer.join();
    }
    if (s->failure.empty() && s->written == 0) s->failure = "no frame was captured";
    if (s->failure.empty()) {
        const int64_t frames = static_cast<int64_t>(s->written) * platform::kMusicRate / s->format.fps;
        s->writeFile(kSoundName, [this, frames](platform::FileWriter& out) {
            bool ok = out.write(wavHeader(frames));
            std::vector<int16_t> piece(static_cast<size_t>(kSoundPiece) * 2);
            std::string bytes;
            for (int64_t at = 0; ok && at < frames; at += kSoundPiece) {
                const int64_t n = std::min(kSoundPiece, frames - at);
                if (s->sound) s->sound(piece.data(), n);
                bytes.clear();
                for (int64_t i = 0; i < n * 2; ++i) putLittle(bytes, static_cast<uint16_t>(piece[static_cast<size_t>(i)]), 2);
                ok = out.write(bytes);
            }
            return ok;
        }, s->failure);
    }
    s->removeEarlierFiles();
    error = s->failure;
    return s->failure.empty();
}

long CaptureFolder::framesSubmitted() const { return s->written; }
