// OBJ/MTL files as untrusted input: over-long tokens and lines, every truncated prefix of
// a valid file, random bytes and passes that disagree. Run under AddressSanitizer too.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "model_files.h"
#include "models/objloader.h"
#include "models/objmodel.h"
#include "models/text_scanner.h"

namespace {

const char* kValidObj =
    "mtllib lib.mtl\n# a comment\no first\nv 0 0 0 1 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 1\n"
    "vn 0 0 1\nusemtl red\nf 1/1/1 2/2/1 3/1/1 4/2/1\no second\nusemtl blue\nf -4//1 -3//1 -2//1\n"
    "f 1 2 3\ng grp\ns 1\nf 1/1 2/2 3/1\n";
const char* kValidMtl = "newmtl red\nKa 0.1 0.2 0.3\nKd 1 0 0\nNs 10\nillum 1\nnewmtl blue\nd 0.5\nmap_Kd a.png\n";

// Loads the text with both OBJ readers and checks the model's own invariants.
void load_and_check(const TempFolder& dir, const std::string& obj, const std::string& mtl) {
    dir.write("lib.mtl", mtl);
    const std::string path = dir.write("m.obj", obj);
    objmodel model;
    capture_stdout([&] {
        model.load(path, false);
        model.build_parts();
        objloader loader(path);
    });
    ASSERT_EQ(model.indices.size(), 3 * static_cast<size_t>(model.triangle_count));
    for (uint32_t i : model.indices) ASSERT_LT(i, model.vertices.size());
    for (int32_t m : model.triangle_materials) ASSERT_LT(m, static_cast<int32_t>(model.materials.size()));
    for (size_t j = 1; j < model.object_starts.size(); ++j)
        ASSERT_LE(model.object_starts[j - 1], model.object_starts[j]);
}

}  // namespace

TEST(TextScanner, LongTokensAreCutAndTheirRestSkipped) {
    text_scanner s(std::string(1000, 'f') + " next\r\n  usemtl " + std::string(600, 'n') + "\r\nlast");
    std::string token;
    ASSERT_TRUE(s.next_token(token));
    EXPECT_EQ(token.size(), text_scanner::kMaxToken);
    ASSERT_TRUE(s.next_token(token));
    EXPECT_EQ(token, "next");
    ASSERT_TRUE(s.next_token(token));
    EXPECT_EQ(s.rest_of_line().size(), text_scanner::kMaxToken);  // and the line end is consumed
    ASSERT_TRUE(s.next_token(token));
    EXPECT_EQ(token, "last");
    EXPECT_FALSE(s.next_token(token));
}

TEST(TextScanner, NumbersDoNotConsumeTheNextKeyword) {
    text_scanner s("1.5\n-2 vt 7");
    float f = 0;
    int i = 0;
    EXPECT_TRUE(s.read_float(f));
    EXPECT_EQ(f, 1.5f);
    EXPECT_TRUE(s.read_int(i));
    EXPECT_EQ(i, -2);
    EXPECT_FALSE(s.read_float(f));
    EXPECT_EQ(f, 1.5f);
    std::string token;
    ASSERT_TRUE(s.next_token(token));
    EXPECT_EQ(token, "vt");
    EXPECT_EQ(parse_int("99999999999"), INT32_MAX);
    EXPECT_EQ(parse_double("junk"), 0.0);
}

TEST(ObjHostile, OverlongTokensNamesAndNumbersLoadSafely) {
    TempFolder dir;
    const std::string big(100000, 'x');
    const std::string digits(100000, '7');
    load_and_check(dir,
                   "mtllib " + big + "\nusemtl " + big + "\no " + big + "\nv " + digits + " 1 2\nv 1 " + digits +
                       " 0\nv 0 0 " + digits + "\nf 1/" + digits + " 2 3\nf " + big + "\n" + big + "\nf 1 2 3\n",
                   "newmtl " + big + "\nKd " + digits + "\nmap_Kd " + big + "\n");
}

TEST(ObjHostile, PassesThatReadLinesDifferentlyStayInBounds) {
    TempFolder dir;
    // Two v on one line count once but fill twice; a face continues over a line end.
    load_and_check(dir, "v 1 2 3 v 4 5 6\nv 7 8 9\nf 1 2\n3 4\nf 1 2 3 f 2 3 4\n", kValidMtl);
}

TEST(ObjHostile, EveryTruncatedPrefixLoads) {
    TempFolder dir;
    const std::string obj = kValidObj, mtl = kValidMtl;
    for (size_t n = 0; n <= obj.size(); ++n) load_and_check(dir, obj.substr(0, n), mtl);
    for (size_t n = 0; n <= mtl.size(); ++n) load_and_check(dir, obj, mtl.substr(0, n));
}

TEST(ObjHostile, RandomBytesAndMutatedFilesLoad) {
    TempFolder dir;
    std::mt19937 rng(7);
    const std::string alphabet = "vtnfomusl/-+.e0123456789 \n\r\t#";
    for (int round = 0; round < 200; ++round) {
        std::string obj = kValidObj;
        for (int k = 0; k < 8; ++k) obj[rng() % obj.size()] = alphabet[rng() % alphabet.size()];
        std::string noise(rng() % 300, '\0');
        for (char& c : noise) c = static_cast<char>(rng() % 256);
        load_and_check(dir, round % 2 ? obj : noise, round % 3 ? kValidMtl : noise);
    }
}

TEST(ObjHostile, FilesYieldingNothingSaySo) {
    TempFolder dir;
    objmodel model;
    std::string out;
    for (const char* text : {"", "# only a comment\nv 1 2 3\n", "\x01\x02\xff random"}) {
        const std::string path = dir.write("nothing.obj", text);
        out = capture_stdout([&] { model.load(path, false); });
        EXPECT_NE(out.find(path + " yielded no triangles"), std::string::npos) << out;
    }
    out = capture_stdout([&] { model.load(dir.write("fine.obj", kValidObj), false); });
    EXPECT_EQ(out.find("yielded"), std::string::npos) << out;
}
