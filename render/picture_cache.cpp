// The prefetching picture cache: workers take the first wanted name that has no entry,
// make room for it within the budget, decode it outside the lock and publish it.
#include "render/picture_cache.h"

#include "platform/tick_clock.h"
#include "render/image_texture.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace {
constexpr size_t kUnwanted = std::numeric_limits<size_t>::max();
}

PictureCache::~PictureCache() { stop(); }

void PictureCache::start(const FrameArchive& archive, int workers, size_t budgetBytes, PictureProblems* problems) {
    stop();
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    budget_ = workers > 0 ? budgetBytes : 0;
    problems_ = problems;
    followedPath_ = archive.dataPath;
    followedEntries_ = archive.entries.size();
    entries_.clear();
    stats_ = PictureCacheStats();
    largest_ = 0;
    archives_.assign(static_cast<size_t>(std::max(workers, 0)), archive);
    for (size_t k = 0; k < archives_.size(); ++k) workers_.emplace_back(&PictureCache::work, this, k);
}

void PictureCache::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void PictureCache::want(const std::vector<std::string>& names) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wanted_ = names;
        wantedRank_.clear();
        for (size_t k = 0; k < wanted_.size(); ++k) wantedRank_.emplace(wanted_[k], k);
        // Failures are kept only while they may be asked for again soon; a damaged entry
        // is not decoded again every frame, and the list of them does not grow for ever.
        for (auto it = entries_.begin(); it != entries_.end();) {
            const bool failed = it->second.state == Entry::Failed || it->second.state == Entry::TooLarge;
            it = failed && !wantedRank_.count(it->first) ? entries_.erase(it) : std::next(it);
        }
    }
    changed_.notify_all();
}

size_t PictureCache::rankOf(const std::string& name) const {
    const auto found = wantedRank_.find(name);
    return found == wantedRank_.end() ? kUnwanted : found->second;
}

bool PictureCache::makeRoom(size_t bytes, size_t rank) {
    while (stats_.bytes + bytes > budget_) {
        // The victim: unwanted before wanted, least recently used first among the unwanted,
        // needed last among the wanted; never a picture needed sooner than the one to fit.
        auto victim = entries_.end();
        size_t victimRank = 0;
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->second.state != Entry::Ready) continue;
            const size_t r = rankOf(it->first);
            if (r <= rank && r != kUnwanted) continue;
            const bool better = victim == entries_.end() || r > victimRank ||
                                (r == victimRank && it->second.lastUse < victim->second.lastUse);
            if (better) {
                victim = it;
                victimRank = r;
            }
        }
        if (victim == entries_.end()) return false;
        stats_.bytes -= victim->second.picture->bytes();
        entries_.erase(victim);
    }
    return true;
}

void PictureCache::work(size_t worker) {
    platform::lower_thread_priority();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        const std::string* next = nullptr;
        for (const std::string& name : wanted_)
            if (!entries_.count(name)) {
                next = &name;
                break;
            }
        // The next picture is assumed as large as the largest so far: room is made before
        // the work, so that it is not thrown away afterwards.
        if (!next || !makeRoom(largest_, rankOf(*next))) {
            changed_.wait(lock);
            continue;
        }
        const std::string name = *next;
        const size_t reserved = largest_;
        entries_[name] = Entry{};
        stats_.bytes += reserved;
        lock.unlock();

        auto picture = std::make_shared<platform::RgbaPicture>();
        const bool ok = decodeArchiveEntry(archives_[worker], name, *picture, problems_);

        lock.lock();
        stats_.bytes -= reserved;
        stats_.decoded += 1;
        stats_.decodedAhead += 1;
        const auto it = entries_.find(name);
        if (it == entries_.end() || stopping_) continue;  // dropped by a restart meanwhile
        Entry& entry = it->second;
        if (!ok) {
            entry.state = Entry::Failed;
        } else {
            // Only a picture that can be kept sets what the next one is assumed to need: one
            // beyond the budget would leave no room for any reservation, and stop the work.
            if (picture->bytes() <= budget_) largest_ = std::max(largest_, picture->bytes());
            // Still Decoding while room is made: a Ready entry without its picture could be
            // chosen as a victim for itself (it does when nobody wants it any more).
            if (picture->bytes() > budget_ || !makeRoom(picture->bytes(), rankOf(name))) {
                entry.state = Entry::TooLarge;  // decoded again when asked for
            } else {
                entry.picture = std::move(picture);
                entry.state = Entry::Ready;
                stats_.bytes += entry.picture->bytes();
                stats_.peakBytes = std::max(stats_.peakBytes, stats_.bytes);
            }
        }
        changed_.notify_all();
    }
}

void PictureCache::follow(const FrameArchive& archive) {
    if (archive.dataPath == followedPath_ && archive.entries.size() == followedEntries_) return;
    const int workers = static_cast<int>(workers_.size());
    const size_t budget = budget_;
    PictureProblems* problems = problems_;
    start(archive, workers, budget, problems);
}

const platform::RgbaPicture* PictureCache::take(const FrameArchive& archive, const std::string& name) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (archive.dataPath != followedPath_ || archive.entries.size() != followedEntries_) {
        lock.unlock();
        follow(archive);
        lock.lock();
    }
    auto it = entries_.find(name);
    const bool waiting = it != entries_.end() && it->second.state == Entry::Decoding;
    if (waiting) {
        // A worker is on it: wait a decode's time at most. The workers run at a lower
        // priority, and on a busy machine the render thread must not wait on them.
        changed_.wait_for(lock, std::chrono::milliseconds(4), [&] {
            it = entries_.find(name);
            return it == entries_.end() || it->second.state != Entry::Decoding;
        });
        it = entries_.find(name);
    }
    if (it != entries_.end()) {
        Entry& entry = it->second;
        if (entry.state == Entry::Failed) return nullptr;  // reported when it failed
        if (entry.state == Entry::Ready) {
            (waiting ? stats_.waits : stats_.hits) += 1;
            entry.lastUse = ++useClock_;
            held_ = entry.picture;
            return held_.get();
        }
    }
    stats_.misses += 1;
    stats_.decoded += 1;
    lock.unlock();
    held_.reset();
    const bool ok = decodeArchiveEntry(archive, name, local_, problems_);
    if (ok) return &local_;
    lock.lock();
    // Remembered while wanted, so a damaged entry asked for frame after frame is decoded once.
    if (!entries_.count(name)) entries_[name].state = Entry::Failed;
    return nullptr;
}

PictureCacheStats PictureCache::stats() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stats_;
}

bool PictureCache::holds(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = entries_.find(name);
    return it != entries_.end() && it->second.state == Entry::Ready;
}
