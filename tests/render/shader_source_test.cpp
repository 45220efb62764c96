// The shader source preprocessor and its scrambled twins, without a GL context.
#include "render/shader_program.h"
#include "render/shader_twin.h"
#include "temp_folder.h"

#include "platform/runtime_random.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The key stream computed from the generator's recurrence, independently of the platform
// layer: state = state * 214013 + 2531011, output bits 16..30, modulo 255.
std::vector<unsigned char> keyStream(size_t count) {
    std::vector<unsigned char> key;
    uint32_t state = 4817;
    for (size_t k = 0; k < count; ++k) {
        state = state * 214013u + 2531011u;
        key.push_back(static_cast<unsigned char>(((state >> 16) & 0x7FFF) % 255));
    }
    return key;
}

std::string load(ShaderProgram& program, const std::string& path) {
    ::testing::internal::CaptureStdout();
    std::string text = loadShaderSource(program, path).value_or("<nothing>");
    ::testing::internal::GetCapturedStdout();
    return text;
}

std::string unscrambled(const std::string& twinPath) {
    std::string text;
    EXPECT_TRUE(readTwin(twinPath, text)) << twinPath;
    return text;
}

class ShaderSource : public ::testing::Test {
protected:
    TempFolder dir;
    ShaderProgram program;
};

}  // namespace

TEST_F(ShaderSource, ShortLinesKeepTabsAndLeadingSpacesLongLinesLoseThem) {
    // 9 characters stay as they are; from 10 on tabs become spaces and leading spaces go.
    writeFile(dir / "a.cpp", "\t\tx = 1.;\n\t\tx = 1.0;\n  float\ty = 2.0;\n   short\n");
    EXPECT_EQ(load(program, dir / "a.cpp"), "\t\tx = 1.;\nx = 1.0;\nfloat y = 2.0;\n   short\n");
}

TEST_F(ShaderSource, DirectivesOnlyOnRawLinesLongerThanNineCharacters) {
    program.replacements["k"] = "REPLACED";
    writeFile(dir / "a.cpp", "#replace\n#replace k\n   \t#replace k\n#replace k extra tokens\n");
    EXPECT_EQ(load(program, dir / "a.cpp"), "#replace\nREPLACED\nREPLACED\nREPLACED\n");
}

TEST_F(ShaderSource, MissingReplaceKeyAndEmptyTokenGiveOneSpace) {
    program.replacements["key"] = "never";
    writeFile(dir / "a.cpp", "#replace nokey\n#replace  key\nend\n");
    EXPECT_EQ(load(program, dir / "a.cpp"), " \n \nend\n");
}

TEST_F(ShaderSource, QuotedAndUnquotedIncludesGiveTheSameTextWithAnExtraEmptyLine) {
    writeFile(dir / "inc.cpp", "float shared_value = 0.5;\n");
    writeFile(dir / "quoted.cpp", "#include \"" + (dir / "inc.cpp") + "\"\nvoid main() {}\n");
    writeFile(dir / "plain.cpp", "#include " + (dir / "inc.cpp") + "\nvoid main() {}\n");
    const std::string expected = "float shared_value = 0.5;\n\nvoid main() {}\n";
    EXPECT_EQ(load(program, dir / "quoted.cpp"), expected);
    EXPECT_EQ(load(program, dir / "plain.cpp"), expected);
}

TEST_F(ShaderSource, IncludedFileIsProcessedAndWritesItsOwnTwin) {
    program.replacements["inner"] = "uniform float inner;";
    writeFile(dir / "inc.cpp", "        #replace inner\n");
    writeFile(dir / "top.cpp", "#include " + (dir / "inc.cpp") + "\n");
    EXPECT_EQ(load(program, dir / "top.cpp"), "uniform float inner;\n\n");
    EXPECT_EQ(unscrambled(dir / "inc.xxx"), "uniform float inner;\n");
    EXPECT_EQ(unscrambled(dir / "top.xxx"), "uniform float inner;\n\n");
}

TEST_F(ShaderSource, MissingIncludeLeavesAnEmptyLineAndSaysSo) {
    writeFile(dir / "top.cpp", "#include " + (dir / "gone.cpp") + "\nrest\n");
    ::testing::internal::CaptureStdout();
    const auto text = loadShaderSource(program, dir / "top.cpp");
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.value_or("<nothing>"), "\nrest\n");
    EXPECT_NE(log.find("ERROR XXX or CPP FILE NOT FOUND !"), std::string::npos) << log;
}

TEST_F(ShaderSource, ANulByteIsReadAsASpaceAndSaidWithItsLine) {
    writeFile(dir / "a.cpp", std::string("first\nfloat\0x = 1.0;\n", 21));
    ::testing::internal::CaptureStdout();
    const auto text = loadShaderSource(program, dir / "a.cpp");
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.value_or("<nothing>"), "first\nfloat x = 1.0;\n");
    EXPECT_NE(log.find(dir / "a.cpp" + " line 2 holds a NUL byte"), std::string::npos) << log;
}

TEST_F(ShaderSource, IncludeLoopIsReportedInsteadOfOverflowingTheStack) {
    writeFile(dir / "a.cpp", "#include " + (dir / "b.cpp") + "\nA\n");
    writeFile(dir / "b.cpp", "#include " + (dir / "a.cpp") + "\nB\n");
    ::testing::internal::CaptureStdout();
    const auto text = loadShaderSource(program, dir / "a.cpp");
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(text.value_or("<nothing>"), "\nB\n\nA\n");
    EXPECT_NE(log.find("LOOP"), std::string::npos) << log;
}

TEST_F(ShaderSource, TwinIsTextPlusZeroXoredWithTheKeyStream) {
    const std::string source = "void main()\n{\n    gl_FragColor = vec4(1.0);\n}\n";
    writeFile(dir / "f_x.cpp", source);
    const std::string text = load(program, dir / "f_x.cpp");
    const std::string expectedText = "void main()\n{\ngl_FragColor = vec4(1.0);\n}\n";
    ASSERT_EQ(text, expectedText);
    const std::string twin = readFile(dir / "f_x.xxx");
    ASSERT_EQ(twin.size(), text.size() + 1);
    const std::vector<unsigned char> key = keyStream(twin.size());
    for (size_t k = 0; k < twin.size(); ++k) {
        const unsigned char plain = k < text.size() ? static_cast<unsigned char>(text[k]) : 0;
        ASSERT_EQ(static_cast<unsigned char>(twin[k]), plain ^ key[k]) << "byte " << k;
    }
    // The show's own generator is the one consumed: later unseeded draws depend on it.
    platform::runtime_srand(4817);
    for (size_t k = 0; k < twin.size(); ++k) platform::runtime_rand();
    const uint32_t afterTwin = platform::runtime_random_state();
    writeFile(dir / "f_x.cpp", source);
    load(program, dir / "f_x.cpp");
    EXPECT_EQ(platform::runtime_random_state(), afterTwin);
}

TEST_F(ShaderSource, TwinReadsBackAsTheProcessedTextWhenThePlainFileIsGone) {
    program.replacements["body"] = "gl_FragColor = vec4(0.25);";
    writeFile(dir / "f.cpp", "void main() {\n\t\t#replace body\n}\n");
    const std::string processed = load(program, dir / "f.cpp");
    const std::string firstTwin = readFile(dir / "f.xxx");
    load(program, dir / "f.cpp");
    EXPECT_EQ(readFile(dir / "f.xxx"), firstTwin) << "loading twice must give the same twin";
    std::filesystem::remove(dir / "f.cpp");
    program.replacements.clear();  // the twin holds the text as it was processed
    EXPECT_EQ(load(program, dir / "f.cpp"), processed);
}

TEST_F(ShaderSource, CrlfAndLfSourcesGiveIdenticalTwins) {
    writeFile(dir / "lf.cpp", "\t\tx = 1.;\nvoid main() {\n   gl_FragColor = vec4(1.0);\n}");
    writeFile(dir / "crlf.cpp", "\t\tx = 1.;\r\nvoid main() {\r\n   gl_FragColor = vec4(1.0);\r\n}\r\n");
    EXPECT_EQ(load(program, dir / "lf.cpp"), load(program, dir / "crlf.cpp"));
    EXPECT_EQ(readFile(dir / "lf.xxx"), readFile(dir / "crlf.xxx"));
}

TEST_F(ShaderSource, OnlyTheFirstDotCppOfThePathBecomesDotXxx) {
    EXPECT_EQ(twinPathFor("shaders.cpp/v_a.cpp"), "shaders.xxx/v_a.cpp");
    EXPECT_EQ(twinPathFor("shaders/f_a.cppx.cpp"), "shaders/f_a.xxxx.cpp");
    EXPECT_EQ(twinPathFor("no_extension"), "");
    std::filesystem::create_directory(dir / "s.cpp");
    std::filesystem::create_directory(dir / "s.xxx");
    writeFile(dir / "s.cpp/v.cpp", "void main() {}\n");
    load(program, dir / "s.cpp/v.cpp");
    EXPECT_TRUE(std::filesystem::exists(dir / "s.xxx/v.cpp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "s.cpp/v.xxx"));
}

TEST_F(ShaderSource, UnwritableTwinIsSkippedAndTheSourceStillLoads) {
    // The twin of "d.cpp/v.cpp" belongs in "d.xxx/", which does not exist.
    std::filesystem::create_directory(dir / "d.cpp");
    writeFile(dir / "d.cpp/v.cpp", "void main() {}\n");
    EXPECT_EQ(load(program, dir / "d.cpp/v.cpp"), "void main() {}\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "d.xxx"));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ShaderSource, NeitherFileGivesTheRedErrorAndNoSource) {
    ::testing::internal::CaptureStdout();
    const auto text = loadShaderSource(program, dir / "missing.cpp");
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(text.has_value());
    EXPECT_NE(log.find("Loading... " + (dir / "missing.cpp")), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR XXX or CPP FILE NOT FOUND ! " + (dir / "missing.cpp")), std::string::npos) << log;
}

TEST_F(ShaderSource, CompilerLinesAreMappedBackThroughIncludesAndReplacementsToTheEditedFile) {
    program.replacements["two"] = "float a;\nfloat b;";
    const std::string common = dir / "common.cpp", f = dir / "f.cpp";
    writeFile(common, "float first;\nfloat second;\nfloat third;\n");
    writeFile(f, "#version 120\n#include " + common + "\n#replace two\nvoid main() {}\n");
    ::testing::internal::CaptureStdout();
    const ProcessedShader source = readShaderSource(program, f);
    ::testing::internal::GetCapturedStdout();
    // Compiled lines: 1 #version, 2-4 common.cpp, 5 the include's own, 6-7 the replacement, 8 main.
    EXPECT_EQ(mapShaderLog("0:3(5): error: x\n0:7(1): error: b\n0:8(2): y\nerror: z\n0:99(1): w\n", source),
              common + ":2(5): error: x\n" + f + ":3(1): error: b\n" + f + ":4(2): y\nerror: z\n0:99(1): w\n");
    EXPECT_EQ(mapShaderLog("0(3) : error C0000: x\n", source), common + ":2 : error C0000: x\n");
}

TEST_F(ShaderSource, EmptyOrDamagedTwinsNeverReadOutsideTheFile) {
    writeFile(dir / "empty.xxx", "");
    EXPECT_EQ(load(program, dir / "empty.cpp"), "");
    writeFile(dir / "one.xxx", std::string(1, static_cast<char>(keyStream(1)[0])));
    EXPECT_EQ(load(program, dir / "one.cpp"), "");
    writeFile(dir / "junk.xxx", std::string(1000, '\xff'));
    EXPECT_EQ(load(program, dir / "junk.cpp").size(), 999u);
}

TEST_F(ShaderSource, PathWithoutDotCppLoadsWithoutATwin) {
    writeFile(dir / "plain.glsl", "void main() {}\n");
    EXPECT_EQ(load(program, dir / "plain.glsl"), "void main() {}\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

namespace {

// The log of one read of path, and what the read kept for the overlay.
std::string readLog(ShaderProgram& program, const std::string& path, ProcessedShader& source) {
    ::testing::internal::CaptureStdout();
    source = readShaderSource(program, path);
    return ::testing::internal::GetCapturedStdout();
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

// With Space held the sources are read every frame: a file that cannot be read printed its
// line (and the compiler its complaints) tens of thousands of times in a few seconds.
TEST_F(ShaderSource, AFailingReadIsSaidOnceUntilItChanges) {
    const std::string path = dir / "f.cpp";
    std::filesystem::create_directory(path);
    ProcessedShader source;
    EXPECT_EQ(count(readLog(program, path, source), "a folder, not a file"), 1u);
    EXPECT_EQ(source.repeatedFaults, 0u);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(count(readLog(program, path, source), "a folder, not a file"), 0u);
        EXPECT_NE(source.errors.find("a folder, not a file"), std::string::npos) << "the overlay still shows it";
        EXPECT_EQ(source.repeatedFaults, 1u);
    }
    // Readable again, then failing again: said again.
    std::filesystem::remove(path);
    writeFile(path, "void main() {}\n");
    EXPECT_EQ(count(readLog(program, path, source), "ERROR"), 0u);
    EXPECT_EQ(source.text, "void main() {}\n");
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(count(readLog(program, path, source), "a folder, not a file"), 1u);
}

#ifdef _WIN32
// Another program (an editor, a sync tool) holds the file open without sharing it.
TEST_F(ShaderSource, AFileHeldOpenIsSaidOnceWhileItIsHeld) {
    const std::string path = dir / "f.cpp";
    writeFile(path, "void main() {}\n");
    const std::wstring wide = std::filesystem::u8path(path).wstring();
    HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ProcessedShader source;
    const std::string first = readLog(program, path, source);
    EXPECT_EQ(count(first, "ERROR " + path), 1u) << first;
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(count(readLog(program, path, source), "ERROR"), 0u);
    CloseHandle(held);
    EXPECT_EQ(count(readLog(program, path, source), "ERROR"), 0u);
    EXPECT_EQ(source.text, "void main() {}\n");
}
#endif
