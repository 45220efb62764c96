// A frame archive in a fresh folder, read as the show reads it: shared by the archive
// reader's tests and the picture decoding tests that read through the archive.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/frame_archive.h"
#include "temp_folder.h"

class FrameArchiveRead : public ::testing::Test {
protected:
    TempFolder dir;
    std::string base = dir / "bin";
    FrameArchive archive;

    std::string read(const std::string& name, bool* found = nullptr) {
        std::vector<unsigned char> bytes = {1, 2, 3};  // stale content must be cleared
        const bool ok = readArchiveEntry(archive, name, bytes);
        if (found) *found = ok;
        return std::string(bytes.begin(), bytes.end());
    }
    bool open() {
        ::testing::internal::CaptureStdout();
        const bool ok = archive.open(base);
        ::testing::internal::GetCapturedStdout();
        return ok;
    }
};
