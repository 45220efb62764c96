// velmora-pack: its inputs (manifests, frame folders) and the tool itself run on a folder
// of a few hundred small JPEGs, and on footage the ffmpeg command makes (a video, pictures
// of other formats), checked through the show's own archive reader and picture decoder.
#include "pack_footage.h"
#include "pack_inputs.h"
#include "platform/picture_decode.h"
#include "render/frame_archive.h"
#include "run_program.h"
#include "special_files.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

TEST(PackInputs, FolderScanTakesPicturesInNameOrderAndNothingElse) {
    TempFolder dir;
    for (const char* name : {"b00002.jpg", "b00010.jpg", "b00001.JPG", "a.jpeg", "notes.txt", "b00003.png", "c.tiff"})
        writeFile(dir / name, "x");
    std::filesystem::create_directory(dir / "sub.jpg");
    std::vector<PackInput> inputs;
    size_t skipped = 0;
    std::string error;
    ASSERT_TRUE(scanFrameFolder(dir.path(), "p//", inputs, skipped, error)) << error;
    std::vector<std::string> names;
    for (const PackInput& input : inputs) names.push_back(input.name);
    EXPECT_EQ(names, (std::vector<std::string>{"p//a_n.jpg", "p//b00001_n.jpg", "p//b00002_n.jpg", "p//b00003_n.jpg",
                                               "p//b00010_n.jpg", "p//c_n.jpg"}));
    EXPECT_EQ(inputs[1].path, dir / "b00001.JPG");
    EXPECT_TRUE(inputs[3].frame);
    EXPECT_TRUE(isJpegFile(inputs[1].path));
    EXPECT_FALSE(isJpegFile(inputs[3].path));
    EXPECT_EQ(skipped, 2u);
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

namespace {

// The ffmpeg command on the PATH, which makes the footage below; empty when absent.
std::string ffmpegProgram() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && access((folder + "/ffmpeg").c_str(), X_OK) == 0) return folder + "/ffmpeg";
    return "";
}

// Runs in a fresh folder holding footage of ffmpeg's 160x90 test pattern, made on demand.
class VelmoraPackFootage : public ::testing::Test {
protected:
    void SetUp() override {
        if (ffmpeg.empty()) GTEST_SKIP() << "the ffmpeg command is not installed: no footage to pack";
    }
    // `frames` frames of the pattern as an H.264 MP4 (out ends in .mp4) or as numbered
    // pictures from 0 (out a pattern such as "pngs/fog%05d.png"), inside dir.
    void make(const std::string& out, int frames) {
        std::filesystem::create_directories(std::filesystem::path(dir / out).parent_path());
        std::vector<std::string> arguments = {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=160x90:rate=24",
                                              "-frames:v", std::to_string(frames)};
        if (out.size() > 4 && out.compare(out.size() - 4, 4, ".mp4") == 0)
            arguments.insert(arguments.end(), {"-pix_fmt", "yuv420p"});
        else if (frames > 1)
            arguments.insert(arguments.end(), {"-start_number", "0"});
        arguments.push_back(dir / out);
        const ProgramRun run = runProgram(ffmpeg, arguments);
        ASSERT_EQ(run.status, 0) << "ffmpeg could not make " << out << ": " << run.output;
    }
    ProgramRun pack(std::vector<std::string> arguments) { return runProgram(VELMORA_PACK_EXE, arguments); }

    const std::string ffmpeg = ffmpegProgram();
    TempFolder dir;
};

struct Unpacked {
    std::vector<std::string> names;
    std::vector<std::vector<unsigned char>> bytes;
    std::vector<platform::RgbaPicture> pictures;
};

// Every entry of the archive at base, read back and decoded as the show decodes it.
Unpacked unpack(const std::string& base) {
    Unpacked out;
    FrameArchive archive;
    EXPECT_TRUE(archive.open(base));
    for (const ArchiveEntry& entry : archive.entries) {
        out.names.push_back(entry.name);
        out.bytes.emplace_back();
        out.pictures.emplace_back();
        std::string message;
        EXPECT_TRUE(readArchiveEntry(archive, entry.name, out.bytes.back())) << entry.name;
        EXPECT_EQ(platform::decode_picture(out.bytes.back().data(), out.bytes.back().size(), out.pictures.back(), message),
                  platform::DecodeStatus::Decoded)
            << entry.name << ": " << message;
    }
    return out;
}

// Mean absolute difference of two pictures' colour channels, in levels.
double meanDifference(const platform::RgbaPicture& a, const platform::RgbaPicture& b) {
    if (a.width != b.width || a.height != b.height) return 255;
    double sum = 0;
    for (size_t k = 0; k < a.bytes(); ++k)
        if (k % 4 != 3) sum += std::abs(int(a.pixels[k]) - int(b.pixels[k]));
    return sum / (a.bytes() / 4 * 3);
}

}  // namespace

TEST(PackFootage, FrameSizeIsTwoNumbersFrom1To8192) {
    int width = 0, height = 0;
    EXPECT_TRUE(parseFrameSize("960x540", width, height));
    EXPECT_EQ(width, 960);
    EXPECT_EQ(height, 540);
    EXPECT_TRUE(parseFrameSize("8192x1", width, height));
    for (const char* bad : {"960X540", "x540", "960x", "0x540", "960x0", "8193x10", "96 0x540", "-1x5", "960x540x2", ""})
        EXPECT_FALSE(parseFrameSize(bad, width, height)) << bad;
}

TEST_F(VelmoraPackFootage, AVideoPacksEveryFrameNamedAsAFolderOfItsFramesWouldBe) {
    make("fog.mp4", 48);
    make("pngs/fog%05d.png", 12);
    const ProgramRun video = pack({"-o", dir / "v", "-f", dir / "fog.mp4", "c://videos//"});
    ASSERT_EQ(video.status, 0) << video.output;
    EXPECT_NE(video.output.find("fog.mp4: 48 frames of h264 through FFmpeg, encoded as JPEG at quality 90"),
              std::string::npos)
        << video.output;
    EXPECT_NE(video.output.find("note: frames are 160x90; the show's are 960x540"), std::string::npos) << video.output;
    EXPECT_NE(video.output.find("--size 960x540 scales them"), std::string::npos) << video.output;
    EXPECT_EQ(video.output.find('\r'), std::string::npos) << "no progress bar into a pipe";
    const ProgramRun folder = pack({"-o", dir / "f", "-f", dir / "pngs", "c://videos//"});
    ASSERT_EQ(folder.status, 0) << folder.output;
    EXPECT_NE(folder.output.find("pngs: 12 frames, 12 encoded as JPEG at quality 90"), std::string::npos) << folder.output;

    const Unpacked fromVideo = unpack(dir / "v"), fromFolder = unpack(dir / "f");
    ASSERT_EQ(fromVideo.names.size(), 48u);
    ASSERT_EQ(fromFolder.names.size(), 12u);
    EXPECT_EQ(fromVideo.names.front(), "c://videos//fog00000_n.jpg");
    EXPECT_EQ(fromVideo.names.back(), "c://videos//fog00047_n.jpg");
    for (size_t k = 0; k < 12; ++k) {
        EXPECT_EQ(fromVideo.names[k], fromFolder.names[k]);
        EXPECT_EQ(fromVideo.pictures[k].width, 160);
        EXPECT_EQ(fromVideo.pictures[k].height, 90);
        // The same frame through H.264 and through PNG: a wrong colour matrix or a swapped
        // red and blue is tens of levels off on the pattern's colour bars.
        EXPECT_LT(meanDifference(fromVideo.pictures[k], fromFolder.pictures[k]), 4.0) << fromVideo.names[k];
    }
}

TEST_F(VelmoraPackFootage, SizeScalesEveryFrameAndKeepsAJpegAlreadyThatSize) {
    make("fog.mp4", 6);
    make("pngs/fog%05d.png", 3);
    std::filesystem::create_directory(dir / "jpegs");
    cv::Mat grey(44, 80, CV_8UC3, cv::Scalar(90, 120, 150));
    std::vector<unsigned char> fitting;
    cv::imencode(".jpg", grey, fitting);
    writeFile(dir / "jpegs/j00000.jpg", std::string(fitting.begin(), fitting.end()));
    writeFile(dir / "jpegs/j00001.jpg", jpeg(3));  // 20x12
    const ProgramRun run = pack({"-o", dir / "s", "--size", "80x44", "-f", dir / "fog.mp4", "a//", "-f", dir / "pngs", "b//",
                                 "-f", dir / "jpegs", "c//"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("note: frames scaled to 80x44; the show's are 960x540"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("jpegs: 2 frames, 1 encoded as JPEG"), std::string::npos) << run.output;
    const Unpacked packed = unpack(dir / "s");
    ASSERT_EQ(packed.names.size(), 11u);
    EXPECT_EQ(packed.names[6], "b//fog00000_n.jpg");
    for (const platform::RgbaPicture& picture : packed.pictures) {
        EXPECT_EQ(picture.width, 80);
        EXPECT_EQ(picture.height, 44);
    }
    EXPECT_EQ(packed.bytes[9], fitting) << "a JPEG of the size asked for is not encoded again";
}

TEST_F(VelmoraPackFootage, AFolderOfMixedFormatsCopiesItsJpegsAndEncodesTheRestAtTheQualityAsked) {
    std::filesystem::create_directory(dir / "mixed");
    writeFile(dir / "mixed/m00000.jpg", jpeg(1));
    make("mixed/m00001.png", 1);
    make("mixed/m00002.tif", 1);
    make("mixed/m00003.webp", 1);
    make("mixed/m00004.bmp", 1);
    ProgramRun run = pack({"-o", dir / "q90", "-f", dir / "mixed", "p//"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("mixed: 5 frames, 4 encoded as JPEG at quality 90"), std::string::npos) << run.output;
    run = pack({"-o", dir / "q30", "--quality", "30", "-f", dir / "mixed", "p//"});
    ASSERT_EQ(run.status, 0) << run.output;
    const Unpacked q90 = unpack(dir / "q90"), q30 = unpack(dir / "q30");
    ASSERT_EQ(q90.names.size(), 5u);
    ASSERT_EQ(q30.names.size(), 5u);
    EXPECT_EQ(q90.names[3], "p//m00003_n.jpg");
    EXPECT_EQ(std::string(q90.bytes[0].begin(), q90.bytes[0].end()), jpeg(1));
    for (size_t k = 1; k < 5; ++k) {
        EXPECT_EQ(q90.pictures[k].width, 160) << q90.names[k];
        EXPECT_EQ(q90.bytes[k][0], 0xFF) << q90.names[k] << " is a JPEG";
        EXPECT_LT(q30.bytes[k].size(), q90.bytes[k].size() * 2 / 3) << q90.names[k];
        // The lossless formats (all but WebP) hold the same picture.
        if (k != 3) {
            EXPECT_LT(meanDifference(q90.pictures[k], q90.pictures[1]), 0.5) << q90.names[k];
        }
    }
}

TEST_F(VelmoraPackFootage, FootageThatCannotBePackedIsOneLineAndTheEarlierArchiveKept) {
    EarlierArchive earlier;
    make("fog.mp4", 48);
    make("lone.png", 1);
    make("cut/c%05d.png", 4);
    std::filesystem::create_directory(dir / "empty");
    writeFile(dir / "notes.txt", "frames are in the other folder\n");
    std::string video = readFile(dir / "fog.mp4");
    const size_t frames = video.find("mdat");
    ASSERT_NE(frames, std::string::npos);
    ASSERT_GT(video.size(), frames + 4500);
    video.replace(frames + 3000, 1500, 1500, '\xa5');
    writeFile(dir / "damaged.mp4", video);
    const std::string picture = readFile(dir / "cut/c00002.png");
    writeFile(dir / "cut/c00002.png", picture.substr(0, picture.size() / 2));

    const std::pair<const char*, const char*> cases[] = {
        {"notes.txt", "is neither a folder of pictures nor a video"},
        {"lone.png", "is neither a folder of pictures nor a video"},
        {"empty", "the folder holds no pictures"},
        {"damaged.mp4", "a frame does not decode"},
        {"cut", "c00002.png: not a picture OpenCV reads"},
        {"missing", "no such folder or video"},
    };
    for (const auto& [input, said] : cases) {
        const ProgramRun run = pack({"-o", earlier.base, "-f", dir / input, "p//"});
        earlier.expectKept(earlier.base, run);
        EXPECT_NE(run.output.find(said), std::string::npos) << input << ": " << run.output;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(earlier.dir.path()), std::filesystem::directory_iterator()), 5)
        << "no temporary file left";
    for (const std::vector<std::string>& misuse :
         {std::vector<std::string>{"--quality", "0", "-f", dir / "cut", "p"}, {"--quality", "9x", "-f", dir / "cut", "p"},
          {"--size", "960", "-f", dir / "cut", "p"}, {"-f", dir / "fog.mp4", "p", "--size"}})
        EXPECT_EQ(pack(misuse).status, 2) << misuse[0] << " " << misuse[1];
}

// A cut file must never pass as a whole frame: it would be packed with grey rows and no
// word said. Each cut is a fresh allocation, so the sanitizer build sees any read past it.
TEST_F(VelmoraPackFootage, CutPicturesOfEveryFormatAreRefusedNotReadPast) {
    for (const char* name : {"x.png", "x.tif", "x.webp", "x.bmp", "x.jpg"}) {
        make(name, 1);
        const std::vector<unsigned char> whole = asBytes(readFile(dir / name));
        RgbFrame frame;
        std::string why;
        ASSERT_TRUE(decodeFootagePicture(whole, frame, why)) << name << ": " << why;
        EXPECT_EQ(frame.width, 160);
        EXPECT_EQ(frame.height, 90);
        for (size_t cut = 0; cut < whole.size(); cut += whole.size() / 13 + 1) {
            const std::vector<unsigned char> part(whole.begin(), whole.begin() + cut);
            EXPECT_FALSE(decodeFootagePicture(part, frame, why)) << name << " cut to " << cut << " bytes";
            EXPECT_FALSE(why.empty());
        }
    }
}

TEST_F(VelmoraPackFootage, FramesOfSeveralSizesAreSaidInOneNote) {
    make("f/a00000.png", 1);
    const ProgramRun scaled = runProgram(ffmpeg, {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240",
                                                  "-frames:v", "1", dir / "f/a00001.png"});
    ASSERT_EQ(scaled.status, 0) << scaled.output;
    const ProgramRun run = pack({"-o", dir / "bin", "-f", dir / "f", "p//"});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("note: frames of more than one size (the first 160x90)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--size 960x540 brings them to one"), std::string::npos) << run.output;
}
