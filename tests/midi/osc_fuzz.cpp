// libFuzzer entry: any bytes as an OSC packet from the network.
#include <cstddef>
#include <cstdint>

#include "midi/osc_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OscPacket packet;
    std::string why;
    parseOscPacket(data, size, packet, why);
    return 0;
}
