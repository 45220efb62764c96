// Encoding and decoding of take files. CRC-32 is the checksum of gzip and PNG.
#include "take/take_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "midi/controller_map.h"
#include "platform/crc32.h"
#include "platform/file_io.h"
#include "platform/file_read.h"

namespace {

// A first byte above 127 and a CR LF then a lone LF, as PNG has: a file sent through a
// text-mode transfer or an editor comes out changed, and is refused at once.
constexpr char kSignature[8] = {'\x89', 'V', 'T', 'K', '\r', '\n', '\x1a', '\n'};
constexpr char kBlockMarker[4] = {'T', 'B', 'L', 'K'};
constexpr size_t kBlockHeader = 20;  // marker, payload length, first frame, frames, CRC
constexpr uint32_t kMaxHeaderBody = 4u << 20;

enum Record : uint8_t { kFrame = 1, kPointer = 2, kKey = 3, kWheel = 4, kMidi = 5, kEnd = 6 };

uint32_t crcOf(const char* data, size_t size, uint32_t crc = 0) {
    return platform::crc32_update(crc, data, size);
}

void put8(std::string& s, uint8_t v) { s.push_back(static_cast<char>(v)); }
void put16(std::string& s, uint16_t v) {
    put8(s, v & 0xFF);
    put8(s, v >> 8);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void put64(std::string& s, uint64_t v) {
    put32(s, static_cast<uint32_t>(v));
    put32(s, static_cast<uint32_t>(v >> 32));
}
void putFloat(std::string& s, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    put32(s, bits);
}
void putLongString(std::string& s, const std::string& text) {
    put32(s, static_cast<uint32_t>(text.size()));
    s += text;
}
void putString(std::string& s, const std::string& text) {
    const size_t n = std::min<size_t>(text.size(), 0xFFFF);
    put16(s, static_cast<uint16_t>(n));
    s.append(text, 0, n);
}

uint32_t le32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Reads little-endian values, checking "bytes left < bytes needed" before every read;
// after the first failed read every later one fails too and returns zero.
struct Cursor {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
    bool ok = true;

    Cursor(const std::string& s, size_t from, size_t to)
        : data(reinterpret_cast<const unsigned char*>(s.data()) + from), size(to - from) {}
    bool need(size_t n) {
        if (ok && size - at < n) ok = false;
        return ok;
    }
    bool done() const { return at == size; }
    uint8_t u8() { return need(1) ? data[at++] : 0; }
    uint16_t u16() {
        const uint16_t lo = u8();
        return static_cast<uint16_t>(lo | u8() << 8);
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | static_cast<uint32_t>(u16()) << 16;
    }
    uint64_t u64() {
        const uint64_t lo = u32();
        return lo | static_cast<uint64_t>(u32()) << 32;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() {
        const uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    std::string str() {
        const uint16_t n = u16();
        if (!need(n)) return {};
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return s;
    }
    std::string longStr() {
        const uint32_t n = u32();
        if (!need(n)) return {};
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return s;
    }
    void bytes(void* out, size_t n) {
        if (!need(n)) return;
        std::memcpy(out, data + at, n);
        at += n;
    }
};

bool finiteWithin(float v, float limit) { return std::isfinite(v) && std::fabs(v) <= limit; }

// Why a header body cannot be a take's, or null.
const char* headerFault(const TakeHeader& h) {
    if (h.width < 1 || h.width > 65535 || h.height < 1 || h.height > 65535) return "a window size out of range";
    if (const char* fault = cameraRecordFault(h.camera)) return fault;
    for (float v : {h.dragX, h.dragY, h.prevMouseX, h.prevMouseY, h.wheel})
        if (!finiteWithin(v, 1e9f)) return "a mouse history that is not finite";
    for (uint16_t key : h.heldKeys)
        if (key >= 512) return "a held key out of range";
    for (int i = 0; i < kTakeControls; ++i)
        if (!finiteWithin(h.controlValues[i], 1e6f) || h.toggleStates[i] < 0 || h.toggleStates[i] > 2)
            return "a controller state out of range";
    ControllerMap map;
    std::string why;
    if (!h.controllerMap.empty() && !parseControllerMap(h.controllerMap, map, why)) return "a controller map that does not read";
    return nullptr;
}

bool decodeHeaderBody(Cursor& c, uint32_t format, TakeHeader& h) {
    h.version = c.str();
    h.width = c.i32();
    h.height = c.i32();
    const uint8_t fullscreen = c.u8();
    h.fullscreen = fullscreen == 1;
    h.recordedAt = static_cast<int64_t>(c.u64());
    c.bytes(&h.camera, sizeof h.camera);
    h.dragX = c.f32();
    h.dragY = c.f32();
    h.prevMouseX = c.f32();
    h.prevMouseY = c.f32();
    h.wheel = c.f32();
    const uint16_t held = c.u16();
    for (uint16_t i = 0; c.ok && i < held; ++i) h.heldKeys.push_back(c.u16());
    for (float& v : h.controlValues) v = c.f32();
    for (int32_t& v : h.toggleStates) v = c.i32();
    const uint32_t files = c.u32();
    for (uint32_t i = 0; c.ok && i < files; ++i) {
        TakeDataFile f;
        f.path = c.str();
        f.size = c.u64();
        f.crc = c.u32();
        if (c.ok) h.data.push_back(std::move(f));
    }
    if (format >= 2) h.controllerMap = c.longStr();
    return c.ok && c.done() && fullscreen <= 1;
}

// One input record of the kind `tag`, its fields checked where they have a range. False,
// with why, for a record no input step makes; a record cut short leaves c.ok false.
bool decodeInput(Cursor& c, uint8_t tag, TakeInput& in, std::string& why) {
    switch (tag) {
    case kPointer:
        in.kind = TakeInputKind::Pointer;
        in.x = c.i32();
        in.y = c.i32();
        in.buttons = c.u8();
        if (c.ok && (std::abs(static_cast<int64_t>(in.x)) > (1 << 20) || std::abs(static_cast<int64_t>(in.y)) > (1 << 20)))
            return why = "a mouse position out of range", false;
        return true;
    case kKey: {
        in.kind = TakeInputKind::Key;
        const uint8_t flags = c.u8();
        in.down = flags & 1;
        in.repeat = flags & 2;
        in.scancode = c.u16();
        in.sym = c.i32();
        if (c.ok && (in.scancode >= 512 || flags > 3)) return why = "a key out of range", false;
        return true;
    }
    case kWheel:
        in.kind = TakeInputKind::Wheel;
        in.wheelY = c.i32();
        return true;
    case kMidi:
        in.kind = TakeInputKind::Midi;
        in.midiKind = c.u32();
        in.midiParam1 = c.u32();
        in.midiParam2 = c.u32();
        return true;
    default:
        return why = "a record of an unknown kind (" + std::to_string(tag) + ")", false;
    }
}

// The records of one block, checked whole before any of it joins the take: a block is
// played completely or not at all. Only the frames are kept; their inputs are read again
// when they play (readTakeInputs).
bool decodeBlock(const std::string& payload, uint32_t expectedFrames, Take& take, bool& ended, std::string& why) {
    Cursor c(payload, 0, payload.size());
    std::vector<TakeFrame> frames;
    while (!c.done() && !ended) {
        const uint8_t tag = c.u8();
        if (tag == kFrame) {
            TakeFrame f;
            f.dt = c.f32();
            f.clock = c.f32();
            if (c.ok && !(std::isfinite(f.dt) && f.dt >= 0.0f && f.dt <= 0.35f)) return why = "a frame duration out of range", false;
            if (c.ok && !(f.clock >= kTakeClockLowest && f.clock <= kTakeClockHighest)) {
                char text[120];
                std::snprintf(text, sizeof text, "a part clock of %g s, which no run of the show (%g s long) shows",
                              static_cast<double>(f.clock), static_cast<double>(kShowEnd));
                return why = text, false;
            }
            f.inputsAt = static_cast<uint32_t>(c.at);  // a payload is at most kTakeMaxBlockBytes
            frames.push_back(f);
            continue;
        }
        if (tag == kEnd) {
            const uint8_t reason = c.u8();
            take.endDt = c.f32();
            if (c.ok && (reason == 0 || reason > kTakeEndLast)) return why = "an unknown ending", false;
            if (c.ok && !(std::isfinite(take.endDt) && take.endDt >= 0.0f && take.endDt <= 0.35f))
                return why = "a frame duration out of range", false;
            take.end = static_cast<TakeEnd>(reason);
            ended = c.ok;
            if (ended && !c.done()) return why = "records after the closing record", false;
            continue;
        }
        TakeInput in;
        if (!decodeInput(c, tag, in, why)) return false;
        if (frames.empty()) return why = "an input before any frame", false;
        if (frames.back().inputCount == kTakeMaxFrameInputs)
            return why = "a frame with more inputs than an input step takes", false;
        frames.back().inputCount += 1;
    }
    if (!c.ok) return why = "a record cut short", false;
    if (frames.size() != expectedFrames) return why = "a frame count that does not match its frames", false;
    take.frames.insert(take.frames.end(), frames.begin(), frames.end());
    return true;
}

std::string playsUpTo(const Take& take) {
    char text[96];
    std::snprintf(text, sizeof text, "it plays up to frame %zu (%.1f s) and stops there", take.frames.size(),
                  takeLength(take));
    return text;
}

}  // namespace

// Where a take's bytes are: in memory (decodeTake) or in a file held open (readTakeFile).
// Also the block readTakeInputs read last, which the next frames mostly share.
class TakeBytes {
public:
    std::string memory;
    platform::File file;
    bool inFile = false;
    uint64_t size = 0;
    size_t cachedBlock = SIZE_MAX;
    std::string payload;  // the cached block's

    // Exactly n bytes at `at`; false with why when they are not there.
    bool read(uint64_t at, size_t n, std::string& out, std::string& why) {
        if (at > size || n > size - at) return why = "the file ends early", false;
        if (!inFile) {
            out.assign(memory, static_cast<size_t>(at), n);
            return true;
        }
        out.resize(n);
        const int64_t got = n ? file.read_at(at, &out[0], n, &why) : 0;
        if (got == static_cast<int64_t>(n)) return true;
        if (got >= 0) why = "the file ends early";
        return false;
    }
};

namespace {

bool decodeFrom(const std::shared_ptr<TakeBytes>& source, Take& take, std::string& error) {
    take = Take();
    take.bytes = source;
    TakeBytes& src = *source;
    const uint64_t size = src.size;
    std::string head, body, why;
    if (!src.read(0, static_cast<size_t>(std::min<uint64_t>(size, 16)), head, why)) {
        error = "cannot read it: " + why;
        return false;
    }
    if (head.size() < sizeof kSignature || std::memcmp(head.data(), kSignature, sizeof kSignature) != 0) {
        error = "not a take (it does not start with a take's signature)";
        return false;
    }
    if (head.size() < 16) {
        error = "the take is cut off inside its header";
        return false;
    }
    const uint32_t format = le32(head, 8), length = le32(head, 12);
    if (format == 0 || format > kTakeFormat) {
        error = "the take is in format " + std::to_string(format) + ", made by a newer version of the program (this one reads format " +
                std::to_string(kTakeFormat) + ")";
        return false;
    }
    if (length > kMaxHeaderBody) {
        error = "the take's header is damaged (it claims " + std::to_string(length) + " bytes)";
        return false;
    }
    if (size - 16 < static_cast<uint64_t>(length) + 4) {
        error = "the take is cut off inside its header";
        return false;
    }
    if (!src.read(16, length + 4, body, why)) {
        error = "cannot read it: " + why;
        return false;
    }
    if (crcOf(body.data(), length, crcOf(head.data() + 8, 8)) != le32(body, length)) {
        error = "the take's header is damaged (its checksum does not match)";
        return false;
    }
    Cursor fields(body, 0, length);
    take.format = format;
    if (!decodeHeaderBody(fields, format, take.header)) {
        error = "the take's header is damaged (its fields do not fit it)";
        return false;
    }
    if (const char* fault = headerFault(take.header)) {
        error = std::string("the take's header is damaged (") + fault + ")";
        return false;
    }

    uint64_t at = 20 + static_cast<uint64_t>(length);
    bool ended = false;
    std::string block, payload;
    while (!ended) {
        const uint64_t left = size - at;
        if (left == 0) {
            take.damage = "the take is cut off without its closing record (the recording program crashed or was "
                          "killed); " + playsUpTo(take);
            break;
        }
        why.clear();
        if (left < kBlockHeader) {
            why = "the file ends inside a block";
        } else if (!src.read(at, kBlockHeader, block, why)) {
            why = "it cannot be read: " + why;
        } else if (std::memcmp(block.data(), kBlockMarker, 4) != 0) {
            why = "no block starts where one should";
        } else {
            const uint32_t bytes = le32(block, 4), first = le32(block, 8), frames = le32(block, 12), crc = le32(block, 16);
            if (bytes > left - kBlockHeader) {
                why = "the file ends inside a block";
            } else if (bytes > kTakeMaxBlockBytes) {
                why = "a block larger than any the program writes";
            } else if (!src.read(at + kBlockHeader, bytes, payload, why)) {
                why = "it cannot be read: " + why;
            } else if (crcOf(payload.data(), payload.size(), crcOf(block.data() + 4, 12)) != crc) {
                why = "a block's checksum does not match";
            } else if (first != take.frames.size()) {
                why = "a block out of order";
            } else if (frames > kTakeMaxFrames - take.frames.size()) {
                why = "more than " + std::to_string(kTakeMaxFrames) + " frames, more than a replay holds";
            } else if (decodeBlock(payload, frames, take, ended, why)) {
                take.blocks.push_back(TakeBlock{at, bytes, first, crc});
                at += kBlockHeader + bytes;
                continue;
            }
        }
        take.end = TakeEnd::Cut;
        take.endDt = 0.0f;
        take.damage = "the take is damaged at byte " + std::to_string(at) + " (" + why + "); " + playsUpTo(take);
        break;
    }
    if (ended) take.trailing = size - at;
    return true;
}

}  // namespace

std::string encodeTakeHeader(const TakeHeader& h) {
    std::string body;
    putString(body, h.version);
    put32(body, static_cast<uint32_t>(h.width));
    put32(body, static_cast<uint32_t>(h.height));
    put8(body, h.fullscreen ? 1 : 0);
    put64(body, static_cast<uint64_t>(h.recordedAt));
    body.append(reinterpret_cast<const char*>(&h.camera), sizeof h.camera);  // the camera file's own layout
    for (float v : {h.dragX, h.dragY, h.prevMouseX, h.prevMouseY, h.wheel}) putFloat(body, v);
    put16(body, static_cast<uint16_t>(h.heldKeys.size()));
    for (uint16_t key : h.heldKeys) put16(body, key);
    for (float v : h.controlValues) putFloat(body, v);
    for (int32_t v : h.toggleStates) put32(body, static_cast<uint32_t>(v));
    put32(body, static_cast<uint32_t>(h.data.size()));
    for (const TakeDataFile& f : h.data) {
        putString(body, f.path);
        put64(body, f.size);
        put32(body, f.crc);
    }
    putLongString(body, h.controllerMap);
    std::string out(kSignature, sizeof kSignature);
    put32(out, kTakeFormat);
    put32(out, static_cast<uint32_t>(body.size()));
    out += body;
    put32(out, crcOf(out.data() + 8, out.size() - 8));
    return out;
}

void encodeTakeFrame(std::string& p, const TakeFrame& frame, const TakeInput* inputs) {
    put8(p, kFrame);
    putFloat(p, frame.dt);
    putFloat(p, frame.clock);
    for (uint32_t i = 0; i < frame.inputCount; ++i) {
        const TakeInput& in = inputs[i];
        switch (in.kind) {
        case TakeInputKind::Pointer:
            put8(p, kPointer);
            put32(p, static_cast<uint32_t>(in.x));
            put32(p, static_cast<uint32_t>(in.y));
            put8(p, in.buttons);
            break;
        case TakeInputKind::Key:
            put8(p, kKey);
            put8(p, (in.down ? 1 : 0) | (in.repeat ? 2 : 0));
            put16(p, in.scancode);
            put32(p, static_cast<uint32_t>(in.sym));
            break;
        case TakeInputKind::Wheel:
            put8(p, kWheel);
            put32(p, static_cast<uint32_t>(in.wheelY));
            break;
        case TakeInputKind::Midi:
            put8(p, kMidi);
            put32(p, in.midiKind);
            put32(p, in.midiParam1);
            put32(p, in.midiParam2);
            break;
        }
    }
}

void encodeTakeEnd(std::string& p, TakeEnd end, float dt) {
    put8(p, kEnd);
    put8(p, static_cast<uint8_t>(end));
    putFloat(p, dt);
}

std::string encodeTakeBlock(uint32_t firstFrame, uint32_t frames, const std::string& payload) {
    std::string out(kBlockMarker, sizeof kBlockMarker);
    put32(out, static_cast<uint32_t>(payload.size()));
    put32(out, firstFrame);
    put32(out, frames);
    const uint32_t crc = crcOf(payload.data(), payload.size(), crcOf(out.data() + 4, 12));
    put32(out, crc);
    out += payload;
    return out;
}

bool decodeTake(const std::string& bytes, Take& take, std::string& error) {
    auto source = std::make_shared<TakeBytes>();
    source->memory = bytes;
    source->size = bytes.size();
    return decodeFrom(source, take, error);
}

bool readTakeFile(const std::string& path, Take& take, std::string& error) {
    auto source = std::make_shared<TakeBytes>();
    std::string why;
    if (!source->file.open_regular(path, &why)) {
        take = Take();
        error = "cannot read the take " + why;
        return false;
    }
    source->inFile = true;
    source->size = source->file.size();
    if (source->size > kTakeMaxBytes) {
        take = Take();
        error = "cannot read the take \"" + path + "\": it is larger than " + platform::size_text(kTakeMaxBytes) +
                ", more than any take";
        return false;
    }
    if (!decodeFrom(source, take, error)) {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

bool readTakeInputs(const Take& take, size_t frame, std::vector<TakeInput>& inputs, std::string& why) {
    inputs.clear();
    if (frame >= take.frames.size() || !take.bytes || take.blocks.empty()) return why = "no such frame", false;
    const TakeFrame& f = take.frames[frame];
    if (f.inputCount == 0) return true;
    TakeBytes& src = *take.bytes;
    const auto after = std::upper_bound(take.blocks.begin(), take.blocks.end(), frame,
                                        [](size_t k, const TakeBlock& b) { return k < b.firstFrame; });
    const size_t index = static_cast<size_t>(after - take.blocks.begin()) - 1;
    const TakeBlock& block = take.blocks[index];
    const std::string changed = "the take's file changed since it was read (its block at byte " + std::to_string(block.at) + ")";
    if (src.cachedBlock != index) {
        src.cachedBlock = SIZE_MAX;
        std::string head;
        if (!src.read(block.at, kBlockHeader, head, why) || !src.read(block.at + kBlockHeader, block.size, src.payload, why))
            return why = changed + ": " + why, false;
        if (le32(head, 4) != block.size || le32(head, 16) != block.crc ||
            crcOf(src.payload.data(), src.payload.size(), crcOf(head.data() + 4, 12)) != block.crc)
            return why = changed, false;
        src.cachedBlock = index;
    }
    Cursor c(src.payload, 0, src.payload.size());
    c.at = f.inputsAt;
    inputs.reserve(f.inputCount);
    for (uint32_t i = 0; i < f.inputCount; ++i) {
        TakeInput in;
        std::string fault;
        const uint8_t tag = c.u8();
        if (!decodeInput(c, tag, in, fault) || !c.ok) return why = changed, false;
        inputs.push_back(in);
    }
    return true;
}
