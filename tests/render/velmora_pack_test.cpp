// velmora-pack: its inputs (manifests, frame folders) and the tool itself run on a folder
// of a few hundred small JPEGs, checked through the show's own archive reader.
#include "pack_inputs.h"
#include "render/frame_archive.h"
#include "run_program.h"
#include "special_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

std::string jpeg(int seed) {
    cv::Mat picture(12, 20, CV_8UC3);
    cv::RNG generator(static_cast<uint64_t>(seed) + 1);  // the same seed gives the same picture
    generator.fill(picture, cv::RNG::UNIFORM, 0, 256);
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", picture, bytes);
    return std::string(bytes.begin(), bytes.end());
}

std::string run(const std::string& arguments, int* status) {
    const std::string command = std::string(VELMORA_PACK_EXE) + " " + arguments + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int result = pclose(pipe);
    *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

// The lines of the run's output that are velmora-pack's messages.
int messageLines(const std::string& output) {
    int lines = 0;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) lines += line.rfind("velmora-pack:", 0) == 0;
    return lines;
}

// A folder with an earlier archive (bin.txt, bin.bin) and a manifest of two pictures.
struct EarlierArchive {
    TempFolder dir;
    std::string base = dir / "bin";
    EarlierArchive() {
        writeFile(base + ".txt", "1 a 1 0\n");
        writeFile(base + ".bin", "A");
        writeFile(dir / "a.jpg", jpeg(1));
        writeFile(dir / "b.jpg", jpeg(2));
        writeFile(dir / "list.txt", "a a.jpg\nb b.jpg\n");
    }
    ProgramRun pack(const std::string& to) { return runProgram(VELMORA_PACK_EXE, {"-o", to, "-m", dir / "list.txt"}); }
    void expectKept(const std::string& at, const ProgramRun& run) {
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(messageLines(run.output), 1) << run.output;
        EXPECT_EQ(readFile(at + ".txt"), "1 a 1 0\n");
        EXPECT_EQ(readFile(at + ".bin"), "A");
    }
};

}  // namespace

TEST(PackInputs, FrameFileNamesFollowTheShowsFrameNaming) {
    EXPECT_EQ(frameEntryName("c://videos//", "fog00000.jpg"), "c://videos//fog00000_n.jpg");
    EXPECT_EQ(frameEntryName("c://videos//2//", "outputMRI100075.JPEG"), "c://videos//2//outputMRI100075_n.jpg");
}

TEST(PackInputs, FolderScanTakesJpegsInNameOrderAndNothingElse) {
    TempFolder dir;
    for (const char* name : {"b00002.jpg", "b00010.jpg", "b00001.JPG", "a.jpeg", "notes.txt", "b00003.png"})
        writeFile(dir / name, "x");
    std::filesystem::create_directory(dir / "sub.jpg");
    std::vector<PackInput> inputs;
    size_t skipped = 0;
    std::string error;
    ASSERT_TRUE(scanFrameFolder(dir.path(), "p//", inputs, skipped, error)) << error;
    std::vector<std::string> names;
    for (const PackInput& input : inputs) names.push_back(input.name);
    EXPECT_EQ(names, (std::vector<std::string>{"p//a_n.jpg", "p//b00001_n.jpg", "p//b00002_n.jpg", "p//b00010_n.jpg"}));
    EXPECT_EQ(inputs[1].path, dir / "b00001.JPG");
    EXPECT_EQ(skipped, 3u);
    EXPECT_FALSE(scanFrameFolder(dir / "missing", "p", inputs, skipped, error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(PackInputs, ManifestLinesGiveNameAndFileRelativeToTheManifest) {
    TempFolder dir;
    writeFile(dir / "list.txt",
              "# frames of the fog sequence\r\n\r\n  c://videos//fog00000_n.jpg   frames/fog 0.jpg  \r\n"
              "abs\t/srv/x.jpg\n");
    std::vector<PackInput> inputs;
    std::string error;
    ASSERT_TRUE(readManifest(dir / "list.txt", inputs, error)) << error;
    ASSERT_EQ(inputs.size(), 2u);
    EXPECT_EQ(inputs[0].name, "c://videos//fog00000_n.jpg");
    EXPECT_EQ(inputs[0].path, dir / "frames/fog 0.jpg");
    EXPECT_EQ(inputs[1].path, "/srv/x.jpg");

    writeFile(dir / "bad.txt", "ok file.jpg\nname_without_file\n");
    EXPECT_FALSE(readManifest(dir / "bad.txt", inputs, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(readManifest(dir / "none.txt", inputs, error));
}

TEST(VelmoraPack, PacksAFolderOfFramesThatReadBackByteIdentical) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "fog");
    std::vector<std::string> frames;
    for (int n = 0; n < 300; ++n) {
        frames.push_back(jpeg(n % 250));  // the last 50 repeat earlier pictures
        char name[32];
        std::snprintf(name, sizeof name, "fog%05d.jpg", n);
        writeFile(dir / "fog/" + name, frames.back());
    }
    writeFile(dir / "extra.txt", "c://videos//X00000.jpg fog/fog00007.jpg\n");
    int status = -1;
    const std::string output =
        run("-o " + (dir / "bin") + " -f " + (dir / "fog") + " c://videos// -m " + (dir / "extra.txt"), &status);
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("301 entries, 250 stored, 51 sharing"), std::string::npos) << output;

    FrameArchive archive;
    ASSERT_TRUE(archive.open(dir / "bin"));
    ASSERT_EQ(archive.entries.size(), 301u);
    std::vector<unsigned char> bytes;
    for (int n = 0; n < 300; ++n) {
        char name[48];
        std::snprintf(name, sizeof name, "c://videos//fog%05d_n.jpg", n);
        ASSERT_TRUE(readArchiveEntry(archive, name, bytes)) << name;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), frames[n]) << name;
    }
    ASSERT_TRUE(readArchiveEntry(archive, "c://videos//X00000.jpg", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), frames[7]);

    // A second run on the same input writes the same bytes.
    const std::string index = readFile(dir / "bin.txt"), data = readFile(dir / "bin.bin");
    run("-o " + (dir / "bin") + " -f " + (dir / "fog") + " c://videos// -m " + (dir / "extra.txt"), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readFile(dir / "bin.txt"), index);
    EXPECT_EQ(readFile(dir / "bin.bin"), data);
}

TEST(VelmoraPack, FailureLeavesTheEarlierArchiveAndNoTemporaries) {
    TempFolder dir;
    writeFile(dir / "bin.txt", "1 a 1 0\n");
    writeFile(dir / "bin.bin", "A");
    writeFile(dir / "list.txt", "a a.jpg\nb missing.jpg\n");
    writeFile(dir / "a.jpg", jpeg(1));
    int status = -1;
    const std::string output = run("-o " + (dir / "bin") + " -m " + (dir / "list.txt"), &status);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("missing.jpg"), std::string::npos) << output;
    EXPECT_EQ(readFile(dir / "bin.txt"), "1 a 1 0\n");
    EXPECT_EQ(readFile(dir / "bin.bin"), "A");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 4);

    // A pipe named in a manifest used to hold the tool for good: it is opened only to be refused.
    ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    writeFile(dir / "list.txt", "a a.jpg\np pipe.jpg\n");
    EXPECT_NE(run("-o " + (dir / "bin") + " -m " + (dir / "list.txt"), &status).find("pipe.jpg (entry p): not a regular file"),
              std::string::npos);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(readFile(dir / "bin.bin"), "A");

    run("-o " + (dir / "bin") + " -f " + (dir / "no_such_folder") + " p", &status);
    EXPECT_EQ(status, 1);
    run("-o " + (dir / "bin"), &status);
    EXPECT_EQ(status, 2) << "nothing to pack is a usage error";
    run("-f " + dir.path(), &status);
    EXPECT_EQ(status, 2) << "a folder without its prefix is a usage error";
}

// An empty file and a cut JPEG read back byte for byte as written, yet the show cannot
// show them: they are named, and the run is not called a success.
TEST(VelmoraPack, EmptyAndCutPicturesAreNamedAndNotPassedAsVerified) {
    TempFolder dir;
    std::filesystem::create_directory(dir / "f");
    const std::string whole = jpeg(5);
    writeFile(dir / "f/a00000.jpg", whole);
    writeFile(dir / "f/a00001.jpg", "");
    writeFile(dir / "f/a00002.jpg", whole.substr(0, whole.size() / 2));
    int status = -1;
    const std::string output = run("-o " + (dir / "bin") + " -f " + (dir / "f") + " p//", &status);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("entry p//a00001_n.jpg is not a picture the show can show"), std::string::npos) << output;
    EXPECT_NE(output.find("entry p//a00002_n.jpg is not a picture"), std::string::npos) << output;
    EXPECT_NE(output.find("2 of them are not a valid picture"), std::string::npos) << output;
}

// A pipe named as the archive is refused at the first entry, left as it is.
TEST(VelmoraPackOutput, APipeAsTheArchiveIsRefused) {
    EarlierArchive earlier;
    ASSERT_EQ(mkfifo((earlier.dir / "pipe.bin").c_str(), 0600), 0);
    writeFile(earlier.dir / "pipe.txt", "1 a 1 0\n");
    const ProgramRun run = earlier.pack(earlier.dir / "pipe");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("pipe.bin\" is not a regular file"), std::string::npos) << run.output;
    EXPECT_EQ(readFile(earlier.dir / "pipe.txt"), "1 a 1 0\n");
}

TEST(VelmoraPackOutput, APlantedLinkIsReplacedAndItsTargetKept) {
    EarlierArchive earlier;
    writeFile(earlier.dir / "target", "keep");
    std::filesystem::remove(earlier.base + ".bin");
    std::filesystem::create_symlink(earlier.dir / "target", earlier.base + ".bin");
    const ProgramRun run = earlier.pack(earlier.base);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(readFile(earlier.dir / "target"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(earlier.base + ".bin"));
    FrameArchive archive;
    ASSERT_TRUE(archive.open(earlier.base));
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(readArchiveEntry(archive, "b", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), jpeg(2));
}

// "-o frames/a" with frames/a.bin among the pictures used to pack the picture over itself.
TEST(VelmoraPackOutput, AnInputAsTheArchiveIsRefused) {
    EarlierArchive earlier;
    writeFile(earlier.dir / "list.txt", "a a.jpg\nb bin.bin\n");
    ProgramRun run = earlier.pack(earlier.base);
    earlier.expectKept(earlier.base, run);
    EXPECT_NE(run.output.find("is one of this run's input files"), std::string::npos) << run.output;
    run = runProgram(VELMORA_PACK_EXE, {"-o", earlier.dir / "list", "-m", earlier.dir / "list.txt"});
    EXPECT_EQ(run.status, 1) << "the manifest is an input too";
    EXPECT_EQ(readFile(earlier.dir / "list.txt"), "a a.jpg\nb bin.bin\n");
}

TEST(VelmoraPackOutput, AFullDiskIsSaidOnceAndTheEarlierArchiveKept) {
    EarlierArchive earlier;
    const SmallDisk disk(earlier.dir, 64);
    if (disk.path.empty()) GTEST_SKIP() << "no small disk here (not root)";
    const std::string base = disk.path + "/bin";
    writeFile(base + ".txt", "1 a 1 0\n");
    writeFile(base + ".bin", "A");
    std::ofstream filler(disk.path + "/filler", std::ios::binary);
    for (int k = 0; k < 1000 && filler.write(std::string(4096, 'x').data(), 4096).flush(); ++k) {
    }
    filler.close();
    const ProgramRun run = earlier.pack(base);
    earlier.expectKept(base, run);
    EXPECT_NE(run.output.find("the disk is full"), std::string::npos) << run.output;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path), std::filesystem::directory_iterator()), 3)
        << "no temporary file left";
}
