// The scenes on the tiny show pack: what each draws into the scene target, read back.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <tuple>

#include "app/app_state.h"
#include "app/startup.h"
#include "clips/contact_sheet.h"
#include "clips/frame_rules.h"
#include "clips/part_clips.h"
#include "../render/gl_helpers.h"
#include "gl_test_context.h"
#include "temp_folder.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kW = 160, kH = 90;

struct Show {
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
    std::unique_ptr<Part_Clips> clips = std::make_unique<Part_Clips>();
};

Show* g_show = nullptr;

using Pixels = std::vector<uint8_t>;

// One scene frame at edit position x, as render() draws it, read from output 0.
Pixels scene(float x) {
    Part_Clips& c = *g_show->clips;
    RenderTarget& t = g_show->app->targets[2];
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glDisable(GL_BLEND);
    attachTextures(t, 3);
    glBindFramebuffer(GL_FRAMEBUFFER, t.drawFramebuffer);
    const GLenum buffers[3] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1, GL_COLOR_ATTACHMENT2};
    glDrawBuffers(3, buffers);
    glViewport(0, 0, t.width, t.height);
    useProgram(c.objectProgram);
    setUniformFloat(c.objectProgram, "Mode", 0);
    setUniformFloat(c.objectProgram, "ttime", x);
    c.endClock = 100;
    c.clock = x;
    c.dispatchScene();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, t.drawFramebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    Pixels px(kW * kH * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return px;
}

int differing(const Pixels& a, const Pixels& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); i += 4)
        if (std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 24) ++n;
    return n;
}

// Pixels whose r, g and b all lie in [lo, hi].
int within(const Pixels& p, int lo, int hi, int x0 = 0, int x1 = kW) {
    int n = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint8_t* q = &p[(y * kW + x) * 4];
            if (q[0] >= lo && q[0] <= hi && q[1] >= lo && q[1] <= hi && q[2] >= lo && q[2] <= hi) ++n;
        }
    return n;
}

size_t distinctColours(const Pixels& p) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i < p.size(); i += 4) colours.insert(p[i] | p[i + 1] << 8 | p[i + 2] << 16);
    return colours.size();
}

}  // namespace

class Scenes : public GlTest {
protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        if (g_show || !std::filesystem::exists(std::string(TINY_SHOW) + "/.velmora-data")) return;
        if (chdir(TINY_SHOW) != 0) return;
        g_show = new Show;  // kept for the whole run, as the show keeps its part
        AppState& app = *g_show->app;
        app.options.renderScaleAuto = false;  // the tests read the targets at the window's size
        app.window.width = kW;
        app.window.height = kH;
        app.window.aspect = float(kW) / kH;
        createShowTargets(app);
        Part_Clips& c = *g_show->clips;
        c.owner = &app;
        c.inputs = &app.inputs;
        app.inputs.controller = &app.nano_kontrol2;
        for (float& k : app.inputs.knobs) k = -1;
        for (float& k : app.inputs.knobsHigh) k = -1;
        c.load();
    }
    void SetUp() override {
        GlTest::SetUp();
        if (!IsSkipped() && !g_show) GTEST_SKIP() << "no tiny show pack at " << TINY_SHOW;
    }
};

// First in the file: it looks at the part as loading left it, warm-up included.
TEST_F(Scenes, WarmingUpLeavesTheShowAsLoadingLeftIt) {
    Part_Clips& c = *g_show->clips;
    for (int slot : {textureVideo, textureVideo2, textureNoise}) EXPECT_FALSE(c.textures[slot].generated) << slot;
    EXPECT_EQ(c.count, 0);
    EXPECT_EQ(c.clock, 0.0f);
    EXPECT_EQ(c.endClock, 0.0f);
    ASSERT_TRUE(c.textures[credits].loaded);
    GLint wrap = 0;
    glBindTexture(GL_TEXTURE_2D, c.textures[credits].id);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE) << "the credits scene sets its picture's wrap when it draws";
    // The show's own targets were never drawn into: the first frame's feedback is empty.
    for (int t : {4, 5}) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, g_show->app->targets[t].resolveFramebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        Pixels px(kW * kH * 4);
        glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        EXPECT_EQ(within(px, 0, 0), kW * kH) << "target " << t;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(Scenes, EveryScenePaintsTheSamePictureForTheSamePosition) {
    for (int i = 0; i < 25; ++i) {
        for (float offset : {2.5f, 7.5f}) {
            const float x = kSceneStarts[i] + offset;
            const Pixels first = scene(x);
            scene(x + 0.77f);  // something else in between
            const Pixels again = scene(x);
            EXPECT_EQ(first, again) << "scene" << kSceneStarts[i] << " at " << x;
            EXPECT_GT(distinctColours(first), 8u) << "scene" << kSceneStarts[i] << " at " << x << " is flat";
        }
    }
}

TEST_F(Scenes, WhiteScenesShowTheirClearAroundTheContent) {
    const Pixels terrain = scene(283);
    // The two rows leave the white clear open along the horizon between them.
    EXPECT_GT(within(terrain, 235, 255), kW * kH / 100) << "no white between the terrain rows";
    EXPECT_LT(within(terrain, 235, 255), kW * kH) << "no terrain";
    EXPECT_EQ(within(scene(300.5f), 250, 255), kW * kH) << "before 301 the credits are not drawn";
    const Pixels credits = scene(306);
    const int side = kW / 12;  // the picture is 0.8 wide: white bands at both sides
    EXPECT_EQ(within(credits, 250, 255, 0, side), side * kH);
    EXPECT_LT(within(credits, 250, 255, kW / 3, 2 * kW / 3), kW / 3 * kH) << "no credits";
}

TEST_F(Scenes, TheTitleStandsOnBlackAfterTheSecondClear) {
    const Pixels title = scene(505);
    const int black = within(title, 0, 8);
    EXPECT_GT(black, kW * kH / 2) << "the red background should be cleared away";
    EXPECT_LT(black, kW * kH) << "no title";
}

TEST_F(Scenes, TheFigureStandsInTheFog) {
    const Pixels with = scene(55);
    std::unique_ptr<body> figure = std::move(g_show->clips->figure);
    const Pixels without = scene(55);
    g_show->clips->figure = std::move(figure);
    EXPECT_GT(differing(with, without), 20);
    // ... in the left half of the picture, where the fog scene places it.
    int left = 0, right = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const size_t i = (y * kW + x) * 4;
            if (std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) > 24) (x < kW / 2 ? left : right)++;
        }
    EXPECT_GT(left, right);
}

TEST_F(Scenes, TendrilsGrow) {
    // Without an archive every picture stays as it is, so only the tendrils change with x.
    Part_Clips& c = *g_show->clips;
    FrameArchive archive = std::move(c.archive);
    c.archive = FrameArchive();
    for (float start : {120.0f, 150.0f, 180.0f}) {
        const Pixels none = scene(start);
        const int early = differing(scene(start + 1), none);
        const int late = differing(scene(start + 4), none);
        EXPECT_LT(early, late) << "tendrils of scene" << start;
        EXPECT_GT(early, 0) << "tendrils of scene" << start;
    }
    c.archive = std::move(archive);
}

TEST_F(Scenes, TheOverlayAntWalksOnlyBetween45And140) {
    Part_Clips& c = *g_show->clips;
    const auto antPixels = [&](float endClock) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        c.endClock = endClock;
        c.overlayAnt();
        return within(readPixels(0, 0, kWidth, kHeight), 0, 40);
    };
    // The route is long and the camera sees only its middle: find a moment the ant is in view.
    c.clock = 45;
    while (c.clock < 140 && antPixels(100) == 0) c.clock += 0.25f;
    ASSERT_LT(c.clock, 140) << "the ant is never in view";
    EXPECT_EQ(antPixels(45.0f), 0);
    EXPECT_GT(antPixels(45.01f), 0);
    EXPECT_GT(antPixels(139.9f), 0);
    EXPECT_EQ(antPixels(140.0f), 0);
}

TEST_F(Scenes, HoldingSpaceRebuildsTheFourProgramsEveryFrame) {
    Part_Clips& c = *g_show->clips;
    std::set<GLuint> ids[4];
    ShaderProgram* programs[4] = {&c.blurProgram, &c.postProgram, &c.finalClipsProgram, &c.objectProgram};
    for (int k = 0; k < 4; ++k) ids[k].insert(programs[k]->program);
    g_show->app->keys[44] = true;
    testing::internal::CaptureStdout();
    for (int frame = 0; frame < 3; ++frame) {
        c.ttime = c.cttime = 55;
        c.clock = 55;
        c.render();
        for (int k = 0; k < 4; ++k) ids[k].insert(programs[k]->program);
    }
    testing::internal::GetCapturedStdout();
    g_show->app->keys[44] = false;
    // The four programs and their eight shaders, and the program that enlarges a picture
    // drawn at a render scale; the replaced ones are deleted.
    int live = 0;
    for (GLuint name = 1; name <= *ids[3].rbegin() + 100; ++name) live += glIsProgram(name) || glIsShader(name);
    EXPECT_EQ(live, 13);
    for (int k = 0; k < 4; ++k) {
        EXPECT_GE(ids[k].size(), 2u) << "program " << k << " was rebuilt";
        EXPECT_TRUE(programs[k]->linked) << "program " << k;
    }
}

TEST_F(Scenes, AShaderSavedBrokenKeepsItsPassDrawingAndShowsItsErrorUntilSavedFixed) {
    Part_Clips& c = *g_show->clips;
    TempFolder dir;  // the post pass built from a copy that the test edits
    const std::string edited = dir / "f_postprocess.cpp", good = readFile("shaders/f_postprocess.cpp");
    writeFile(edited, good);
    testing::internal::CaptureStdout();
    loadProgram(c.postProgram, "shaders/v_fixed.cpp", edited);
    testing::internal::GetCapturedStdout();
    const auto frame = [&] {  // the log of one frame, the window's middle (the post pass prints there), red in its top rows
        testing::internal::CaptureStdout();
        c.lastShaderPoll = 0;
        c.update();
        c.ttime = c.cttime = c.clock = 55;
        c.render();
        const std::string log = testing::internal::GetCapturedStdout();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        const Pixels middle = readPixels(kW / 2, kH / 2, 1, 1);
        const Pixels top = readPixels(0, kH - 12, kW, 12);
        int red = 0;
        for (size_t i = 0; i < top.size(); i += 4) red += top[i] > 150 && top[i + 1] < 120 && top[i + 2] < 120;
        return std::make_tuple(log, middle, red);
    };
    const auto [cleanLog, goodMiddle, goodRed] = frame();
    writeFile(edited, "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n");
    const auto [brokenLog, brokenMiddle, brokenRed] = frame();
    EXPECT_NE(brokenLog.find(edited + ":2("), std::string::npos) << brokenLog;
    EXPECT_EQ(brokenLog.find("reloaded"), std::string::npos) << brokenLog;
    EXPECT_EQ(brokenMiddle, goodMiddle) << "the last good post pass still draws";
    EXPECT_GT(brokenRed, goodRed + 20) << "the error is written over the picture";
    writeFile(edited, good);
    const auto [fixedLog, fixedMiddle, fixedRed] = frame();
    EXPECT_NE(fixedLog.find("reloaded " + edited), std::string::npos) << fixedLog;
    EXPECT_LT(fixedRed, goodRed + 10) << "and gone once it is fixed";
    testing::internal::CaptureStdout();
    c.setupShaders();  // back to the show's own files for the other tests
    testing::internal::GetCapturedStdout();
}

// The four programs built from a copy of the show's shaders whose shared include is saved
// as a mistake or a mishap would leave it. Each save is a build error, shown as one, that
// neither replaces the include's twin nor holds up a frame; the good text brings it all back.
TEST_F(Scenes, SavesOfASharedIncludeThatSomeProgramCannotBuildAreErrorsAndKeepItsTwin) {
    namespace fs = std::filesystem;
    Part_Clips& c = *g_show->clips;
    TempFolder dir;
    fs::copy(fs::path(TINY_SHOW) / "shaders", dir / "shaders");
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const auto poll = [&](bool setup = false) {
        testing::internal::CaptureStdout();
        c.lastShaderPoll = 0;
        setup ? c.setupShaders() : c.update();
        return testing::internal::GetCapturedStdout();
    };
    const auto failing = [&](const std::string& why) {
        int n = 0;
        for (const ShaderProgram* p : {&c.blurProgram, &c.postProgram, &c.finalClipsProgram, &c.objectProgram})
            n += !p->buildError.empty() && p->buildError.find(why) != std::string::npos;
        return n;
    };
    poll(true);
    const std::string common = "shaders/common.cpp", good = readFile(common), twin = readFile("shaders/common.xxx");
    const struct {
        std::string text, why;
        int failing;
    } saves[] = {
        // fwidth() exists in fragment stages only: three programs include it in a vertex stage.
        {good + "float edgeWidth(float x) { return fwidth(x); }\n", "fwidth", 3},
        {good + "#include \"shaders/common.cpp\"\n", "#include LOOP", 4},
        {good + "// " + std::string(1 << 20, 'x') + "\n", "larger than 1 MB", 4},
        {good + "#include \"shaders/\"\n", "a folder, not a file", 4},
    };
    for (const auto& save : saves) {
        writeFile(common, save.text);
        const std::string log = poll();
        EXPECT_EQ(failing(save.why), save.failing) << log;
        EXPECT_EQ(log.find("reloaded"), std::string::npos) << log;
        EXPECT_EQ(readFile("shaders/common.xxx"), twin) << save.why;
    }
    writeFile("shaders/notes.txt", "the included folder's time changes");
    EXPECT_EQ(poll().find("Loading..."), std::string::npos) << "settled: nothing is rebuilt";
    // A pipe is never read from: it used to hold the frame for good.
    fs::remove(common);
    ASSERT_EQ(mkfifo(common.c_str(), 0600), 0);
    poll();
    EXPECT_EQ(failing("not a regular file"), 4);
    fs::remove(common);
    writeFile(common, good);
    EXPECT_NE(poll().find("reloaded " + common), std::string::npos);
    EXPECT_EQ(failing(""), 0);
    EXPECT_EQ(readFile("shaders/common.xxx"), twin);
    ASSERT_EQ(chdir(TINY_SHOW), 0);
    poll(true);
}

// The final look lives in the final pass's file, which the post pass includes: a show maker
// who saves it while the show runs sees the print change, and its twin follows.
TEST_F(Scenes, SavingTheFinalPasssFileChangesThePicture) {
    namespace fs = std::filesystem;
    Part_Clips& c = *g_show->clips;
    TempFolder dir;
    fs::copy(fs::path(TINY_SHOW) / "shaders", dir / "shaders");
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const auto frame = [&](bool setup = false) {  // the log of one frame, and the window's middle
        testing::internal::CaptureStdout();
        c.lastShaderPoll = 0;
        setup ? c.setupShaders() : c.update();
        c.ttime = c.cttime = c.clock = 55;
        c.render();
        const std::string log = testing::internal::GetCapturedStdout();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        return std::make_pair(log, readPixels(kW / 2 - 8, kH / 2 - 8, 16, 16));
    };
    const std::string file = "shaders/f_postprocess_final.cpp", good = readFile(file);
    const auto magenta = [](const Pixels& p) {  // the share of pixels the edited print makes (the ant may walk by)
        int n = 0;
        for (size_t i = 0; i < p.size(); i += 4) n += p[i] > 240 && p[i + 1] < 15 && p[i + 2] > 240;
        return n * 4.0 / p.size();
    };
    const auto [setupLog, before] = frame(true);
    ASSERT_EQ(magenta(before), 0.0);
    const std::string twin = readFile("shaders/f_postprocess_final.xxx");
    const std::string print = "    return c + gradientDither(fragCoord, vFrame) * vLens.w;";
    ASSERT_NE(good.find(print), std::string::npos);
    std::string edited = good;
    edited.replace(edited.find(print), print.size(), "    return vec3(1.0, 0.0, 1.0);");
    writeFile(file, edited);
    const auto [log, after] = frame();
    EXPECT_NE(log.find("reloaded " + file), std::string::npos) << log;
    EXPECT_GT(magenta(after), 0.7) << "the print did not change";
    EXPECT_NE(readFile("shaders/f_postprocess_final.xxx"), twin) << "the twin keeps the old print";
    writeFile(file, good);
    const auto [backLog, back] = frame();
    EXPECT_NE(backLog.find("reloaded " + file), std::string::npos) << backLog;
    EXPECT_EQ(magenta(back), 0.0) << "saved back, the picture is the show's again";
    EXPECT_EQ(readFile("shaders/f_postprocess_final.xxx"), twin);
    ASSERT_EQ(chdir(TINY_SHOW), 0);
    frame(true);
}

TEST_F(Scenes, Scene130AtExactly140DrawsNeitherTheCarouselNorThePair) {
    Part_Clips& c = *g_show->clips;
    const auto withoutPhotos = [&](float x) {
        GLuint ids[4];
        for (int k = 0; k < 4; ++k) {
            ids[k] = c.textures[x0 + k].id;
            c.textures[x0 + k].id = 0;
        }
        const Pixels p = scene(x);
        for (int k = 0; k < 4; ++k) c.textures[x0 + k].id = ids[k];
        return p;
    };
    EXPECT_EQ(differing(scene(140.0f), withoutPhotos(140.0f)), 0);
    EXPECT_GT(differing(scene(140.05f), withoutPhotos(140.05f)), 0) << "the pair";
    EXPECT_GT(differing(scene(139.5f), withoutPhotos(139.5f)), 0) << "the carousel";
}

TEST_F(Scenes, ArchiveFramesGiveTheTexelsOpenCvGave) {
    // One entry of every sequence of the pack, as the old road decoded it: OpenCV, trimmed
    // to whole 4-pixel groups, RGB.
    const FrameArchive& archive = g_show->clips->archive;
    std::set<std::string> prefixes;
    ImageTexture texture;
    std::vector<unsigned char> bytes;
    for (const ArchiveEntry& entry : archive.entries) {
        if (!prefixes.insert(entry.name.substr(0, entry.name.find_last_not_of("0123456789_n.jpg"))).second) continue;
        ASSERT_TRUE(readArchiveEntry(archive, entry.name, bytes));
        cv::Mat bgr = cv::imdecode(bytes, cv::IMREAD_UNCHANGED), rgb;
        cv::resize(bgr, bgr, cv::Size(bgr.cols / 4 * 4, bgr.rows), 0, 0, cv::INTER_LINEAR);
        cv::cvtColor(bgr, rgb, cv::COLOR_BGR2RGB);
        loadTextureFromArchive(texture, archive, entry.name);
        ASSERT_EQ(texture.width, rgb.cols) << entry.name;
        EXPECT_TRUE(texturePixels(texture.id, GL_RGB) == std::vector<uint8_t>(rgb.datastart, rgb.dataend)) << entry.name;
    }
    EXPECT_GT(prefixes.size(), 10u);
}

TEST_F(Scenes, AStillShownFrameAfterFrameIsDecodedOnce) {
    Part_Clips& c = *g_show->clips;
    scene(41.0f);  // the X-ray still and this moment's grain
    const uint64_t decoded = c.pictures.stats().decoded;
    scene(41.0f);
    scene(41.01f);  // the same grain picture too
    EXPECT_EQ(c.pictures.stats().decoded, decoded);
}

TEST_F(Scenes, AScaleStepCarriesThePictureHistoryAcrossWithoutAFlash) {
    Part_Clips& c = *g_show->clips;
    AppState& app = *g_show->app;
    const auto meanOf = [](const Pixels& p) {
        double sum = 0;
        for (size_t i = 0; i < p.size(); i += 4) sum += p[i] + p[i + 1] + p[i + 2];
        return sum / (p.size() / 4 * 3);
    };
    const auto frame = [&] {  // the fog scene with the figure: trails and lag in the composite's history
        c.ttime = c.cttime = c.clock = 55;
        c.render();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        return meanOf(readPixels(0, 0, kW, kH));
    };
    const auto historyMean = [&](int target) { return meanOf(texturePixels(app.targets[target].textures[1])); };
    c.renderScale.configure(false, 1.0f, 30.0f);
    double before = 0;
    for (int i = 0; i < 6; ++i) before = frame();
    const double composite = historyMean(4);
    ASSERT_GT(composite, 10.0);

    c.renderScale.configure(false, 0.5f, 30.0f);
    c.applyRenderScale();
    EXPECT_EQ(app.targets[2].width, kW / 2);
    EXPECT_EQ(app.targets[5].height, kH / 2);
    EXPECT_NEAR(historyMean(4), composite, 2.0) << "the composite's history is scaled, not cleared";
    const double after = frame();
    EXPECT_NEAR(after, before, 3.0) << "the first frame at the new scale is neither darker nor brighter";
    EXPECT_NEAR(frame(), before, 3.0);

    c.renderScale.configure(false, 1.0f, 30.0f);  // back as the other tests expect
    EXPECT_NEAR(frame(), before, 3.0);
    EXPECT_EQ(app.targets[2].width, kW);
}
