// Real streams with one header byte changed: the cornell box as `crt-encode --groups
// --entropy auto` writes it, the bunny and suzanne, each with every one of its first 64
// bytes set to 0 and to 255. Inputs of the hostile-stream tests, and fuzzer seeds so that
// libFuzzer holds each one to its time and memory limits.
#pragma once
#include <vector>

#include "stream_builder.h"

namespace crt_test {

// Named "<stream>_byte<offset>_<value>"; empty without the shared test data.
std::vector<SampleStream> header_mutations();

}  // namespace crt_test
