// libFuzzer target: decodeTake on arbitrary bytes, then every frame's inputs read back as a
// replay reads them, the take's clock and its sound track worked out from what was read.
// A take that decodes must give every frame's inputs: the reader checked them all once.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "take/take_file.h"
#include "take/take_music.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Take take;
    std::string error;
    if (!decodeTake(bytes, take, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::vector<TakeInput> inputs;
    for (size_t k = 0; k < take.frames.size(); ++k) {
        if (!readTakeInputs(take, k, inputs, error) || inputs.size() != take.frames[k].inputCount) std::abort();
    }
    const std::vector<double> times = takeFrameTimes(take);
    takeClockAt(take, times, takeLength(take) / 2);
    // A tenth of a second of a short track: enough to follow a few frames' clock.
    const std::vector<int16_t> music(2 * 4800, 1000);
    takeMusic(music, take, 4800);
    return 0;
}
