// Scrambled twins of the shader sources. The key stream comes from the process-wide
// runtime generator, not a private one: later unseeded rand() calls in the show start
// from the state the last twin leaves behind.
#include "render/shader_twin.h"

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/runtime_random.h"


namespace {
constexpr uint32_t kTwinSeed = 4817;
constexpr uint64_t kMaxTwinBytes = (4u << 20) + 1;
}

std::string twinPathFor(const std::string& path) {
    const size_t dot = path.find(".cpp");
    if (dot == std::string::npos) return {};
    std::string twin = path;
    twin.replace(dot, 4, ".xxx");
    return twin;
}

void applyTwinKey(std::string& bytes) {
    platform::runtime_srand(kTwinSeed);
    // Modulo 255, not 256: key bytes never reach 0xFF, and existing twins depend on it.
    for (char& c : bytes) c = static_cast<char>(static_cast<unsigned char>(c) ^ (platform::runtime_rand() % 255));
}

std::string scrambleTwin(const std::string& text) {
    std::string bytes = text;
    bytes.push_back('\0');
    applyTwinKey(bytes);
    return bytes;
}

bool writeScrambledTwin(const std::string& twinPath, const std::string& bytes) {
    // A twin cut short by a full disk or a killed process would unscramble into garbage
    // later: the previous twin stays until the new one is whole.
    std::string why;
    return platform::write_file(twinPath, bytes, {}, why) == platform::FileWrite::Written;
}

bool readTwin(const std::string& twinPath, std::string& text) {
    // A twin holds a source with its includes: a few KB, never more than a few MB. Only a
    // regular file is read, and never past that bound.
    std::string bytes, why;
    if (platform::read_regular_file(twinPath, bytes, kMaxTwinBytes, why) != platform::FileRead::Read) return false;
    applyTwinKey(bytes);
    if (!bytes.empty()) bytes.pop_back();  // the scrambled terminating zero
    text = std::move(bytes);
    return true;
}
