// Blue noise by the void-and-cluster method: a binary pattern is relaxed until no point is
// in a tighter cluster than the largest void, then every pixel is ranked by removing the
// tightest clusters and filling the largest voids. Energies use a Gaussian on the torus,
// so the pattern tiles seamlessly.
#include <cmath>
#include <vector>

#include "tools/velmora_data/procedural.h"
#include "tools/velmora_data/stills.h"

namespace vdata {

namespace {

constexpr float kSigma = 1.5f;
constexpr int kRadius = 7;  // the Gaussian is below 1e-5 of its peak beyond this

class VoidAndCluster {
public:
    explicit VoidAndCluster(int size) : n_(size), energy_(size * size, 0.0f), bits_(size * size, 0) {
        for (int dy = -kRadius; dy <= kRadius; ++dy)
            for (int dx = -kRadius; dx <= kRadius; ++dx)
                kernel_.push_back(std::exp(-(dx * dx + dy * dy) / (2 * kSigma * kSigma)));
    }

    // The energy field always measures the pixels equal to the minority value.
    void set(int i, uint8_t bit) {
        if (bits_[i] == bit) return;
        bits_[i] = bit;
        splat(i, bit == minority_ ? 1.0f : -1.0f);
    }
    uint8_t bit(int i) const { return bits_[i]; }

    // The set pixel with the highest energy (the tightest cluster) or the clear pixel
    // with the lowest (the largest void). Ties go to the lowest index: deterministic.
    int tightestCluster(uint8_t value) const {
        int best = -1;
        for (int i = 0; i < n_ * n_; ++i)
            if (bits_[i] == value && (best < 0 || energy_[i] > energy_[best])) best = i;
        return best;
    }
    int largestVoid(uint8_t value) const {
        int best = -1;
        for (int i = 0; i < n_ * n_; ++i)
            if (bits_[i] != value && (best < 0 || energy_[i] < energy_[best])) best = i;
        return best;
    }

    // From here on the clear pixels are the minority (phase three).
    void makeClearTheMinority() {
        minority_ = 0;
        std::fill(energy_.begin(), energy_.end(), 0.0f);
        for (int i = 0; i < n_ * n_; ++i)
            if (!bits_[i]) splat(i, 1.0f);
    }

private:
    void splat(int i, float sign) {
        const int x0 = i % n_, y0 = i / n_;
        int k = 0;
        for (int dy = -kRadius; dy <= kRadius; ++dy) {
            const int y = ((y0 + dy) % n_ + n_) % n_;
            for (int dx = -kRadius; dx <= kRadius; ++dx, ++k) {
                const int x = ((x0 + dx) % n_ + n_) % n_;
                energy_[y * n_ + x] += sign * kernel_[k];
            }
        }
    }

    int n_;
    std::vector<float> kernel_;
    std::vector<float> energy_;
    std::vector<uint8_t> bits_;
    uint8_t minority_ = 1;
};

std::vector<int> rankPixels(int size, uint32_t seed) {
    const int total = size * size;
    VoidAndCluster vc(size);
    // Initial pattern: a tenth of the pixels, scattered by a hash.
    const int initial = std::max(1, total / 10);
    for (int placed = 0, k = 0; placed < initial; ++k) {
        const int i = static_cast<int>(hash32(seed, static_cast<uint32_t>(k)) % static_cast<uint32_t>(total));
        if (!vc.bit(i)) {
            vc.set(i, 1);
            ++placed;
        }
    }
    // Relax: move the tightest cluster into the largest void until that changes nothing.
    for (int guard = 0; guard < total * 4; ++guard) {
        const int cluster = vc.tightestCluster(1);
        vc.set(cluster, 0);
        const int hole = vc.largestVoid(1);
        vc.set(hole, 1);
        if (hole == cluster) break;
    }
    std::vector<uint8_t> prototype(total);
    for (int i = 0; i < total; ++i) prototype[i] = vc.bit(i);

    std::vector<int> rank(total, 0);
    // Phase one: ranks below the prototype's count, removing clusters.
    VoidAndCluster down(size);
    for (int i = 0; i < total; ++i) down.set(i, prototype[i]);
    for (int r = initial - 1; r >= 0; --r) {
        const int i = down.tightestCluster(1);
        down.set(i, 0);
        rank[i] = r;
    }
    // Phase two: up to half, filling voids; phase three: the rest, with the roles of set
    // and clear pixels swapped so the minority is always the one being spread.
    VoidAndCluster up(size);
    for (int i = 0; i < total; ++i) up.set(i, prototype[i]);
    int r = initial;
    for (; r < total / 2; ++r) {
        const int i = up.largestVoid(1);
        up.set(i, 1);
        rank[i] = r;
    }
    up.makeClearTheMinority();
    for (; r < total; ++r) {
        const int i = up.tightestCluster(0);
        up.set(i, 1);
        rank[i] = r;
    }
    return rank;
}

}  // namespace

cv::Mat blueNoiseTexture(int size, int channels, uint32_t seed) {
    cv::Mat out(size, size, CV_8UC(channels));
    const int total = size * size;
    for (int c = 0; c < channels; ++c) {
        const std::vector<int> rank = rankPixels(size, hash32(seed, static_cast<uint32_t>(c)));
        for (int i = 0; i < total; ++i)
            out.ptr<uint8_t>(i / size)[(i % size) * channels + c] =
                static_cast<uint8_t>(static_cast<int64_t>(rank[i]) * 256 / total);
    }
    return out;
}

}  // namespace vdata
