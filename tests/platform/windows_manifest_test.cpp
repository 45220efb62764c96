// What every Windows program declares in its manifest, read back from this program's own
// resource (the same object is linked into each): Windows acts on it before the program's
// first instruction. Wine 8 reports every program DPI-aware and has no long-path switch,
// so the declarations are checked as written; a long path is then used for real.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "temp_folder.h"

namespace {

std::string ownManifest() {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    if (!found) return {};
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
}

// The launcher is centred from the desktop's size before any window exists: a process
// that became DPI-aware only when its first window opened read a scaled size.
TEST(WindowsManifest, DeclaresPerMonitorDpiAwarenessFromTheStart) {
    const std::string manifest = ownManifest();
    ASSERT_FALSE(manifest.empty()) << "no manifest resource in the program";
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
    EXPECT_TRUE(IsProcessDPIAware());
}

TEST(WindowsManifest, DeclaresLongPathsAndUtf8) {
    const std::string manifest = ownManifest();
    EXPECT_NE(manifest.find(">true</longPathAware>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos) << manifest;
    EXPECT_EQ(GetACP(), 65001u);
}

TEST(WindowsManifest, FileHelpersWriteAndReadPastMaxPath) {
    TempFolder folder;
    std::string path = folder.path();
    for (int i = 0; path.size() < 300; ++i) path += "/folder-" + std::to_string(i) + "-\xc3\xa9t\xc3\xa9-0123456789";
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::u8path(path), ec);
    ASSERT_FALSE(ec) << ec.message();
    path += "/show.txt";
    ASSERT_GT(path.size(), 300u);
    std::string why, data;
    ASSERT_EQ(platform::write_file(path, "far down", platform::WriteOptions{}, why), platform::FileWrite::Written) << why;
    ASSERT_EQ(platform::read_regular_file(path, data, 100, why), platform::FileRead::Read) << why;
    EXPECT_EQ(data, "far down");
}

}  // namespace
