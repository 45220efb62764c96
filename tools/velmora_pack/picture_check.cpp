// Decoding every packed entry once: a truncated JPEG reads back byte for byte as it was
// written, so only a decode tells that the show would put a grey or no picture there.
#include "picture_check.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/picture_decode.h"
#include "render/frame_archive.h"

bool canCheckPictures() { return true; }

std::vector<BadPicture> findBadPictures(const std::string& base, const std::vector<std::string>& names) {
    std::vector<std::string> why(names.size());
    std::atomic<size_t> next{0};
    const auto work = [&] {
        FrameArchive archive;  // one per thread: an archive is read by one thread at a time
        archive.open(base);
        std::vector<unsigned char> bytes;
        platform::RgbaPicture picture;
        for (size_t k = next++; k < names.size(); k = next++) {
            if (!readArchiveEntry(archive, names[k], bytes)) {
                why[k] = "it does not read back";
                continue;
            }
            std::string message;
            const platform::DecodeStatus status = platform::decode_picture(bytes.data(), bytes.size(), picture, message);
            if (bytes.empty()) why[k] = "it is empty";
            else if (status != platform::DecodeStatus::Decoded) why[k] = message.empty() ? "it does not decode" : message;
        }
    };
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& w : workers) w.join();
    std::vector<BadPicture> bad;
    for (size_t k = 0; k < names.size(); ++k)
        if (!why[k].empty()) bad.push_back({names[k], why[k]});
    return bad;
}
