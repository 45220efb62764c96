// Writes takes as files, the take fuzzer's seed corpus: one of every record kind in blocks
// of several sizes, a recording's way of closing, a cut one, one with bytes after its end
// and one a recording made through the writer. Usage: take_seed_corpus FOLDER
#include <cstdio>
#include <string>
#include <vector>

#include "take/take_file.h"
#include "take/take_writer.h"

namespace {

bool save(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: take_seed_corpus FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    TakeHeader h;
    h.version = "seed", h.width = 320, h.height = 180, h.heldKeys = {4, 44};
    h.controlValues[23] = 64.0f, h.toggleStates[44] = 1;
    h.data = {{"bin.txt", 12, 0xABCD1234}, {"shaders/post.cpp", 300, 7}};
    std::vector<TakeInput> all;
    for (TakeInputKind kind : {TakeInputKind::Pointer, TakeInputKind::Key, TakeInputKind::Wheel, TakeInputKind::Midi})
        all.push_back(TakeInput{kind, 160, 90, 1, true, false, 4, 'a', 1, 0x3C3, 0x7F17B0, 99});

    // Blocks of 1, 3 and 5 frames, clocks running, stopped, jumping back to the cue.
    std::string body;
    uint32_t frame = 0;
    const float clocks[] = {12.5f, 12.52f, 12.52f, 12.54f, 0.2f, 0.22f, 0.24f, -100.0f, 295.9f};
    for (uint32_t count : {1u, 3u, 5u}) {
        std::string payload;
        for (uint32_t i = 0; i < count; ++i, ++frame)
            encodeTakeFrame(payload, TakeFrame{0.02f, clocks[frame], 0, frame % 5}, all.data());
        if (frame == 9) encodeTakeEnd(payload, TakeEnd::Escape, 0.02f);
        body += encodeTakeBlock(frame - count, count, payload);
    }
    const std::string whole = encodeTakeHeader(h) + body;
    bool ok = save(folder + "/whole.take", whole);
    ok = save(folder + "/cut.take", whole.substr(0, whole.size() - 30)) && ok;
    ok = save(folder + "/trailing.take", whole + "junk") && ok;
    std::string end;
    encodeTakeEnd(end, TakeEnd::ShowOver, 0.0f);
    ok = save(folder + "/empty.take", encodeTakeHeader(h) + encodeTakeBlock(0, 0, end)) && ok;
    {
        TakeWriter writer;
        std::string error;
        ok = writer.create(folder + "/written.take", true, {}, error) && writer.begin(h, error) && ok;
        for (int i = 0; i < 60; ++i) writer.addFrame(TakeFrame{0.016f, i * 0.016f, 0, uint32_t(i % 5)}, all.data());
        ok = writer.finish(TakeEnd::FrameLimit, 0.016f, error) == platform::FileWrite::Written && ok;
    }
    if (!ok) std::fprintf(stderr, "take_seed_corpus: cannot write the takes into \"%s\"\n", folder.c_str());
    return ok ? 0 : 1;
}
