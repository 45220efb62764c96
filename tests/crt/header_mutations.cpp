// One-byte changes of the headers of real streams.
#include "header_mutations.h"

#include <string>

#include "crt/encoder.h"
#include "encode_mesh.h"
#include "encoded_samples.h"

namespace crt_test {

std::vector<SampleStream> header_mutations() {
    std::vector<SampleStream> streams = encoded_large_streams();
    if (streams.empty()) return {};
    crt_encode::EncodeSettings cornell;
    cornell.groups = true;
    cornell.entropy = crt::kEntropySmaller;
    streams.push_back({"cornell_box",
                       crt_encode::encode_mesh(crt_encode::read_mesh(testdata("obj/cornell_box.obj")), cornell).bytes});
    std::vector<SampleStream> out;
    for (const SampleStream& stream : streams) {
        for (size_t at = 0; at < 64 && at < stream.bytes.size(); ++at) {
            for (uint8_t value : {0x00, 0xFF}) {
                if (stream.bytes[at] == value) continue;
                SampleStream changed{stream.name + "_byte" + std::to_string(at) + "_" + std::to_string(value),
                                     stream.bytes};
                changed.bytes[at] = value;
                out.push_back(std::move(changed));
            }
        }
    }
    return out;
}

}  // namespace crt_test
