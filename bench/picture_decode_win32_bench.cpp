// The two JPEG decoders the Windows build could use, side by side on the show's own frames:
// the system's imaging component (WIC) and stb_image (libstb-dev), each as decodePicture
// runs it (the show's choice since this comparison: stb_image, WIC for what it refuses).
// Prints the median milliseconds per picture of each, alternating runs so that a busy
// machine slows both alike, and how far their pixels lie apart. Run under Wine:
//   wine picture_decode_win32_bench.exe SHOW/bin [pictures] [RAW_PREFIX]
// RAW_PREFIX, when given, receives the first picture as RGBA from each decoder
// (PREFIX.wic.rgba, PREFIX.stb.rgba), to compare with another decoder's output.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>


#include "platform/picture_decode.h"
#include "render/frame_archive.h"

namespace {

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void writeRaw(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ARCHIVE_BASE [pictures] [RAW_PREFIX]\n", argv[0]);
        return 2;
    }
    FrameArchive archive;
    if (!archive.open(argv[1]) || archive.entries.empty()) {
        std::fprintf(stderr, "cannot open the frame archive \"%s\"\n", argv[1]);
        return 1;
    }
    const size_t wanted = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    const size_t count = std::max<size_t>(1, std::min(wanted, archive.entries.size()));
    std::vector<std::vector<unsigned char>> files;
    for (size_t i = 0; i < count; ++i) {
        std::vector<unsigned char> bytes;
        if (readArchiveEntry(archive, archive.entries[i * archive.entries.size() / count].name, bytes))
            files.push_back(std::move(bytes));
    }

    std::vector<double> wicMs, stbMs;
    double diffSum = 0;
    uint64_t diffCount = 0;
    int maxDiff = 0;
    platform::RgbaPicture wic, stb;
    std::string message;
    for (int pass = 0; pass < 3; ++pass) {
        for (size_t i = 0; i < files.size(); ++i) {
            const auto& f = files[i];
            double t0 = nowMs();
            const bool wicOk = platform::decode_picture_with_wic(f.data(), f.size(), wic, message) != platform::DecodeStatus::Failed;
            double t1 = nowMs();
            const bool stbOk = platform::decode_picture(f.data(), f.size(), stb, message) != platform::DecodeStatus::Failed;
            double t2 = nowMs();
            wicMs.push_back(t1 - t0);
            stbMs.push_back(t2 - t1);
            if (pass == 0 && wicOk && stbOk && stb.width == wic.width && stb.height == wic.height) {
                for (size_t k = 0; k < wic.bytes(); ++k) {
                    const int d = std::abs(int(wic.pixels[k]) - int(stb.pixels[k]));
                    diffSum += d;
                    maxDiff = std::max(maxDiff, d);
                }
                diffCount += wic.bytes();
                if (i == 0 && argc > 3) {
                    writeRaw(std::string(argv[3]) + ".wic.rgba", wic.pixels.get(), wic.bytes());
                    writeRaw(std::string(argv[3]) + ".stb.rgba", stb.pixels.get(), stb.bytes());
                }
            }
        }
    }
    std::printf("%zu pictures of %dx%d, 3 passes\n", files.size(), wic.width, wic.height);
    std::printf("WIC (imaging component): median %.2f ms per picture\n", median(wicMs));
    std::printf("stb_image:               median %.2f ms per picture\n", median(stbMs));
    std::printf("pixels apart: mean %.3f levels, largest %d\n", diffCount ? diffSum / diffCount : 0.0, maxDiff);
    return 0;
}
