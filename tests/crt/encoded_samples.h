// Streams made by the encoder: from generated meshes (always) and from the small files
// of the shared test data (when it is present). Seeds for the fuzzer and inputs of the
// truncation and mutation tests.
#pragma once
#include <string>
#include <vector>

#include "stream_builder.h"

namespace crt_test {

// Small streams covering every attribute kind, both entropy kinds, every strategy and
// normal mode, groups, several pieces and non-manifold input.
std::vector<SampleStream> encoded_sample_streams();

// Streams of the larger shared meshes (bunny, teapot), empty without the test data.
std::vector<SampleStream> encoded_large_streams();

// Whether the shared test data folder is present, and a path inside it.
bool have_testdata();
std::string testdata(const std::string& relative);

}  // namespace crt_test
