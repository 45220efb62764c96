// Frame pictures decoded ahead of need. Worker threads decode the archive entries that the
// next frames will ask for, soonest first, into a cache bounded in bytes, so that the
// render thread mostly just uploads. A picture the workers have not got to is decoded at
// once on the render thread (never a black or stale frame); one they are decoding is
// waited for, a decode's time at most. With no workers no picture is kept: every one is
// decoded when asked.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/picture_decode.h"
#include "render/frame_archive.h"

class PictureProblems;

struct PictureCacheStats {
    uint64_t hits = 0;          // asked for and found decoded
    uint64_t waits = 0;         // asked for while a worker was decoding it, and waited for
    uint64_t misses = 0;        // decoded at once on the asking thread (after a wait cut short too)
    uint64_t decoded = 0;       // pictures decoded, by the workers and on asking
    uint64_t decodedAhead = 0;  // of which by the workers
    size_t bytes = 0;           // held now, pictures being decoded included
    size_t peakBytes = 0;       // the most ever held
};

class PictureCache {
public:
    PictureCache() = default;
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // Starts the workers on a copy of the archive; budget bounds the bytes of decoded
    // pictures held (a single picture larger than the budget is never kept). Workers 0
    // turns prefetching off. Restarting drops everything held.
    void start(const FrameArchive& archive, int workers, size_t budgetBytes, PictureProblems* problems);
    void stop();
    bool prefetching() const { return !workers_.empty(); }

    // The names the next frames will ask for, soonest first; replaces the earlier list.
    void want(const std::vector<std::string>& names);

    // The picture of the named entry of archive, or null when there is none (no such
    // entry, or damage, reported once). The pointer stays valid until the next call. When
    // archive is not the one the workers read (another data path or entry count), they are
    // restarted on it first.
    const platform::RgbaPicture* take(const FrameArchive& archive, const std::string& name);

    PictureCacheStats stats() const;
    // True once the named picture is decoded and held (for tests and benchmarks).
    bool holds(const std::string& name) const;

private:
    struct Entry {
        enum State { Decoding, Ready, Failed, TooLarge } state = Decoding;
        std::shared_ptr<platform::RgbaPicture> picture;
        uint64_t lastUse = 0;
    };

    void work(size_t worker);
    void follow(const FrameArchive& archive);
    // Frees held pictures until bytes more fit, unwanted ones (least recently used first),
    // then wanted ones needed later than rank. False when they still do not fit.
    bool makeRoom(size_t bytes, size_t rank);
    size_t rankOf(const std::string& name) const;

    mutable std::mutex mutex_;
    std::condition_variable changed_;  // a list, a picture or a stop request
    std::vector<std::thread> workers_;
    std::vector<FrameArchive> archives_;  // one per worker: an archive is read by one thread
    std::string followedPath_;
    size_t followedEntries_ = 0;
    bool stopping_ = false;
    size_t budget_ = 0;
    PictureProblems* problems_ = nullptr;

    std::unordered_map<std::string, Entry> entries_;
    std::vector<std::string> wanted_;
    std::unordered_map<std::string, size_t> wantedRank_;
    size_t largest_ = 0;  // the largest picture seen: what the next one is assumed to need
    uint64_t useClock_ = 0;
    PictureCacheStats stats_;

    std::shared_ptr<platform::RgbaPicture> held_;  // the picture take() last handed out
    platform::RgbaPicture local_;                  // decoded on the asking thread
};
