// Test support for the model loaders: small files written into a fresh temporary folder,
// paths into the shared test data, and the loaders' console output captured.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "temp_folder.h"

inline std::string testdata(const std::string& relative) { return std::string(VELMORA_TESTDATA) + "/" + relative; }

#define SKIP_WITHOUT_TESTDATA(folder)                                                           \
    if (!std::filesystem::exists(testdata(folder)))                                             \
    GTEST_SKIP() << "shared test data not found at " << testdata(folder)                        \
                 << " (the real OBJ/BVH files live beside the repository in ../shared/testdata)"

// Everything written to standard output (streams and printf) while f runs.
template <typename F>
std::string capture_stdout(F&& f) {
    testing::internal::CaptureStdout();
    f();
    std::cout.flush();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline std::string with_crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
