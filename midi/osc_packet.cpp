// The OSC 1.0 reader: padded strings, big-endian arguments, bundles of sized elements.
#include "midi/osc_packet.h"

#include <cmath>
#include <cstring>

#include "midi/controller_map.h"

namespace {

// Bundles inside bundles: a few levels are plenty; a packet nesting deeper is refused
// rather than followed down the stack.
constexpr int kDeepestBundle = 8;

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    size_t left() const { return size - at; }

    // A string ends with a NUL and is padded with NULs to a multiple of 4 bytes.
    bool string(std::string& out) {
        const void* end = std::memchr(data + at, 0, left());
        if (!end) return false;
        const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(end) - (data + at));
        const size_t padded = (length + 4) & ~size_t(3);
        if (left() < padded) return false;
        out.assign(reinterpret_cast<const char*>(data + at), length);
        at += padded;
        return true;
    }
    bool word(uint32_t& out) {
        if (left() < 4) return false;
        out = uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
        at += 4;
        return true;
    }
    bool skip(size_t bytes) {
        if (left() < bytes) return false;
        at += bytes;
        return true;
    }
};

bool fail(std::string& why, const char* text) {
    why = text;
    return false;
}

// Skips an argument the show does not use, by its type tag.
bool skipArgument(Reader& r, char tag) {
    uint32_t length = 0;
    std::string ignored;
    switch (tag) {
    case 'i': case 'f': case 'c': case 'r': case 'm': return r.skip(4);
    case 'h': case 't': case 'd': return r.skip(8);
    case 's': case 'S': return r.string(ignored);
    case 'b': return r.word(length) && r.skip((size_t(length) + 3) & ~size_t(3));
    case 'T': case 'F': case 'N': case 'I': case '[': case ']': return true;
    default: return false;
    }
}

bool message(Reader& r, OscPacket& packet, std::string& why) {
    std::string address, tags;
    if (!r.string(address) || address.empty() || address[0] != '/') return fail(why, "a message without an address");
    // A message without a type tag string (OSC before 1.0) carries nothing the show reads.
    if (r.left() > 0 && !r.string(tags)) return fail(why, "a type tag string runs past the end");
    if (!tags.empty() && tags[0] != ',') return fail(why, "a type tag string that does not start with ','");

    const size_t prefix = std::strlen(kOscPrefix);
    const ShowControl* control =
        address.compare(0, prefix, kOscPrefix) == 0 ? findShowControl(address.substr(prefix)) : nullptr;
    bool used = false;
    if (control && (tags == ",f" || tags == ",i")) {
        uint32_t bits = 0;
        if (!r.word(bits)) return fail(why, "an argument runs past the end");
        float value = 0.0f;
        if (tags == ",f") {
            float f;
            std::memcpy(&f, &bits, 4);
            // 0..1 as a controller's 0..127; NaN sets nothing.
            if (std::isfinite(f)) value = f < 0.0f ? 0.0f : f > 1.0f ? 127.0f : f * 127.0f;
            used = std::isfinite(f);
        } else {
            const int32_t i = static_cast<int32_t>(bits);
            value = static_cast<float>(i < 0 ? 0 : i > 127 ? 127 : i);
            used = true;
        }
        if (used) packet.controls.push_back({control->slot, value});
    } else {
        for (size_t t = 1; t < tags.size(); ++t)
            if (!skipArgument(r, tags[t])) return fail(why, "an argument runs past the end or has an unknown type");
    }
    if (!used) {
        if (packet.ignored == 0) packet.firstIgnored = address + (tags.empty() ? "" : " " + tags);
        packet.ignored += 1;
    }
    return true;
}

bool element(Reader& r, OscPacket& packet, int depth, std::string& why) {
    if (r.left() >= 8 && std::memcmp(r.data + r.at, "#bundle\0", 8) == 0) {
        if (depth >= kDeepestBundle) return fail(why, "bundles nested too deep");
        if (!r.skip(16)) return fail(why, "a bundle without its time tag");
        while (r.left() > 0) {
            uint32_t size = 0;
            if (!r.word(size) || size % 4 != 0 || size > r.left() || size == 0)
                return fail(why, "a bundle element's size runs past the end");
            Reader inner{r.data + r.at, size};
            if (!element(inner, packet, depth + 1, why)) return false;
            r.at += size;
        }
        return true;
    }
    return message(r, packet, why);
}

}  // namespace

bool parseOscPacket(const uint8_t* data, size_t size, OscPacket& packet, std::string& why) {
    packet = OscPacket{};
    if (!data || size == 0 || size % 4 != 0) return fail(why, "a packet whose size is not a multiple of 4 bytes");
    Reader r{data, size};
    if (!element(r, packet, 0, why)) {
        packet = OscPacket{};
        return false;
    }
    return true;
}
