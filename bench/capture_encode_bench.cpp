// The cost of a capture beyond rendering: colour conversion, H.264 and AAC encoding and
// muxing of one frame, in CPU time of the whole process (the encoder runs on its own
// threads), at the sizes people publish. Frames are show-like: soft shapes that drift,
// with film grain, so that x264 works as hard as on the show's pictures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "capture/capture_encoder.h"
#include "platform/file_write.h"

namespace {

constexpr int kFrames = 16;  // distinct frames, cycled

std::vector<cv::Mat> showLikeFrames(int width, int height) {
    cv::Mat base(height / 8, width / 8, CV_8UC4);
    cv::RNG generator(11);
    generator.fill(base, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(base, base, cv::Size(7, 7), 2);
    cv::resize(base, base, cv::Size(width + kFrames * 4, height), 0, 0, cv::INTER_CUBIC);
    std::vector<cv::Mat> frames;
    for (int i = 0; i < kFrames; ++i) {
        cv::Mat grain(height, width, CV_8UC4), frame;
        generator.fill(grain, cv::RNG::NORMAL, 0, 6);
        cv::add(base(cv::Rect(i * 4, 0, width, height)), grain, frame);
        frames.push_back(frame);
    }
    return frames;
}

void EncodeFrame(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = width * 9 / 16;
    const std::vector<cv::Mat> frames = showLikeFrames(width, height);
    const std::string path =
        (std::filesystem::temp_directory_path() / ("velmora-bench-" + std::to_string(getpid()) + ".mp4")).string();
    CaptureEncoder encoder;
    std::string error;
    const int fps = 60;
    platform::FileWriter out;
    // Silence, made as it is encoded, as the show's sound is.
    const CaptureSound silence = [](int16_t* samples, int64_t frames) {
        std::fill(samples, samples + frames * 2, int16_t{0});
    };
    if (out.open(path, {}, error) != platform::FileWrite::Written ||
        !encoder.open(out, CaptureFormat{width, height, fps, 18}, silence, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    long n = 0;
    for (auto _ : state) {
        uint8_t* pixels = encoder.nextFrame();
        std::memcpy(pixels, frames[n++ % kFrames].data, static_cast<size_t>(width) * height * 4);
        encoder.submitFrame();
    }
    encoder.finish(error);  // the frames still queued are encoded outside the timing
    out.abandon();
    state.counters["fps"] = benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsRate);
}

BENCHMARK(EncodeFrame)->Arg(1280)->Arg(1920)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
