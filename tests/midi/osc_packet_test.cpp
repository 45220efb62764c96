// OSC packets as other programs send them, and as an adversary would: every prefix of a
// good packet, lengths that lie, and bundles nested without end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "midi/osc_packet.h"

namespace {

struct Packet {
    std::vector<uint8_t> bytes;
    Packet& string(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        do bytes.push_back(0);
        while (bytes.size() % 4);
        return *this;
    }
    Packet& word(uint32_t w) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(w >> shift));
        return *this;
    }
    Packet& real(float f) {
        uint32_t w;
        std::memcpy(&w, &f, 4);
        return word(w);
    }
    Packet& element(const Packet& p) {
        word(static_cast<uint32_t>(p.bytes.size()));
        bytes.insert(bytes.end(), p.bytes.begin(), p.bytes.end());
        return *this;
    }
};

Packet bundle() { return Packet().string("#bundle").word(0).word(1); }

bool parse(const std::vector<uint8_t>& bytes, OscPacket& packet) {
    std::string why;
    // Its own allocation, so that AddressSanitizer sees a read past the end.
    std::vector<uint8_t> copy(bytes);
    return parseOscPacket(copy.data(), copy.size(), packet, why);
}

}  // namespace

TEST(OscPacket, SetsControlsFromFloatsAndIntsInMessagesAndBundles) {
    OscPacket p;
    ASSERT_TRUE(parse(Packet().string("/velmora/k0").string(",f").real(0.5f).bytes, p));
    ASSERT_EQ(p.controls.size(), 1u);
    EXPECT_EQ(p.controls[0].slot, 16);
    EXPECT_FLOAT_EQ(p.controls[0].value, 63.5f);
    const Packet inner = bundle().element(Packet().string("/velmora/run").string(",i").word(127));
    const Packet b = bundle()
                         .element(Packet().string("/velmora/speed").string(",i").word(300))  // held at 127
                         .element(inner)
                         .element(Packet().string("/velmora/k1").string(",f").real(-2.0f))  // held at 0
                         .element(Packet().string("/other").string(",sfb").string("x").real(1).word(3).word(0));
    ASSERT_TRUE(parse(b.bytes, p));
    ASSERT_EQ(p.controls.size(), 3u);
    EXPECT_EQ(p.controls[0].slot, 23);
    EXPECT_EQ(p.controls[0].value, 127.0f);
    EXPECT_EQ(p.controls[1].slot, 44);
    EXPECT_EQ(p.controls[2].value, 0.0f);
    EXPECT_EQ(p.ignored, 1);
    EXPECT_EQ(p.firstIgnored, "/other ,sfb");
}

TEST(OscPacket, CountsWhatSetsNothing) {
    OscPacket p;
    for (const Packet& m : std::vector<Packet>{Packet().string("/velmora/nothing").string(",f").real(1),
                            Packet().string("/velmora/k0").string(",s").string("high"),
                            Packet().string("/velmora/k0").string(",ff").real(1).real(1),
                            Packet().string("/velmora/k0").string(",f").real(std::numeric_limits<float>::quiet_NaN()),
                            Packet().string("/velmora/k0")}) {
        ASSERT_TRUE(parse(m.bytes, p));
        EXPECT_TRUE(p.controls.empty());
        EXPECT_EQ(p.ignored, 1);
    }
}

TEST(OscPacket, RefusesMalformedPacketsWithoutReadingPastThem) {
    const Packet good = bundle().element(Packet().string("/velmora/k0").string(",fb").real(1).word(5).string("abcd"));
    OscPacket p;
    ASSERT_TRUE(parse(good.bytes, p));
    for (size_t n = 0; n < good.bytes.size(); ++n) {
        std::vector<uint8_t> prefix(good.bytes.begin(), good.bytes.begin() + static_cast<long>(n));
        EXPECT_EQ(parse(prefix, p), n == 16) << n;  // 16: the bundle's head alone, an empty bundle
    }
    Packet lies = bundle().word(1000).string("/velmora/k0");
    EXPECT_FALSE(parse(lies.bytes, p));
    Packet blob = Packet().string("/x").string(",b").word(0xFFFFFFF0u);
    EXPECT_FALSE(parse(blob.bytes, p));
    Packet unterminated = Packet().word(0x2F616161);  // "/aaa" with no NUL
    EXPECT_FALSE(parse(unterminated.bytes, p));
    Packet deep = Packet().string("/velmora/k0").string(",i").word(1);
    for (int i = 0; i < 20; ++i) deep = bundle().element(deep);
    std::string why;
    EXPECT_FALSE(parseOscPacket(deep.bytes.data(), deep.bytes.size(), p, why));
    EXPECT_EQ(why, "bundles nested too deep");
    EXPECT_TRUE(p.controls.empty());
}
