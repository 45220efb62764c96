// OSC 1.0 packets as another program sends them over UDP to steer the show: a message
// "/velmora/<control name>" with one float 0..1 or one int 0..127 sets that control as a
// controller would. Bundles are taken apart (their time tags are not waited for: the show
// plays live). Packets come from the network: every length is checked against what is
// left of the packet, nesting is bounded, and nothing is read outside it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A control set by a message: its slot and the value 0..127 a controller would send.
struct OscControl {
    int slot;
    float value;
};

struct OscPacket {
    std::vector<OscControl> controls;  // in the packet's order
    int ignored = 0;                   // well-formed messages that set nothing
    std::string firstIgnored;          // the first of them, said once: "/other/address ,s"
};

// Reads one packet (a message or a bundle) of `size` bytes. False for a malformed packet,
// with `why`; what was read before the fault is dropped too.
bool parseOscPacket(const uint8_t* data, size_t size, OscPacket& packet, std::string& why);

// The prefix of the show's addresses.
constexpr const char* kOscPrefix = "/velmora/";
