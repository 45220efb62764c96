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

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora_models_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes text as it stands (no line-end translation) and returns the file's path.
    std::string write(const std::string& name, const std::string& text) const {
        const std::string file = path_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

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
