// Part_Clips: the part that plays the whole production. It owns the frame archive, the
// two timelines, the texture slots, the models, the figure, the two PLY meshes and the
// shader programs; update() moves the clock through the edit, render() draws the frame.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "app/part.h"
#include "clips/frame_forecast.h"
#include "clips/ply_mesh.h"
#include "clips/scene_timing.h"
#include "clips/timeline.h"
#include "models/body.h"
#include "models/objmodel.h"
#include "render/frame_archive.h"
#include "render/image_texture.h"
#include "render/pass_timer.h"
#include "render/picture_cache.h"
#include "render/picture_problems.h"
#include "render/render_scale.h"
#include "render/shader_program.h"

// Texture slots of Part_Clips::textures.
enum ClipTexture {
    textureVideo = 0,   // each scene's main sequence
    textureVideo2 = 1,  // a second sequence, two scenes
    overlayTexture = 3,
    textureNoise = 4,   // the film grain sequence
    x0 = 5, x1 = 6, x2 = 7, x3 = 8,  // the carousel's photos
    tvphoto = 15,
    credits = 16,
};

class Part_Clips : public Part {
public:
    Part_Clips();
    ~Part_Clips() override;
    void render() override;
    void update() override;
    void load() override;

    // Builds the four programs from their files (at load, and while Space is held).
    void setupShaders();
    // Rebuilds the programs whose files (#includes too) were saved since their last build,
    // looking a few times a second; prints "reloaded <file>" when all of them built.
    void reloadChangedShaders();
    // The errors of programs that did not build, over the finished picture.
    void drawShaderErrors() const;
    // The scene that owns the edit position in clock draws one frame, or the frame is
    // cleared dark red outside every scene.
    void dispatchScene();
    // A frame name; ends the process once the show is over (endClock past kShowEnd).
    std::string frameName(const char* prefix, int number);

    ImageTexture moon;  // sampled as "moon"; nothing loads it
    FrameArchive archive;
    // The print, the final look, has no program of its own: the post pass prints each pixel
    // with shaders/f_postprocess_final.cpp, which it includes.
    ShaderProgram blurProgram, postProgram, finalClipsProgram, objectProgram;
    float ttime = 0.0f;   // edit position after both timelines
    float cttime = 0.0f;  // after the first timeline only
    int32_t theType = 0;  // the second timeline's tag
    float fttime = 0.0f;
    float cameraEye[3] = {}, cameraCenter[3] = {}, cameraUp[3] = {};
    ImageTexture blueTexture;  // "videos//LDR_RGBA_0.png", sampled nearest
    float viewMatrix[16] = {}, projMatrix[16] = {};
    ImageTexture textures[17];
    Timeline remap;
    Timeline edit;
    objmodel human4;  // the figure's parts
    objmodel model270, box, box2, terrain, velmora2, velmora3, ant0, ant2, antall;
    std::unique_ptr<body> figure;
    int32_t type = 0;
    float endClock = 0.0f;
    int32_t count = 0;
    objmodel tessan[100];
    PlyMesh scul1, scul2;

    TimelineCache editCache, remapCache;  // rebuilding an unchanged timeline only resets the generator
    SceneTiming timing;                   // whole-frame times per scene (--timing)
    int64_t lastFrameTicks = 0;
    int64_t lastShaderPoll = 0;           // tick of the last look at the shader files
    double lastFrameCpu = 0.0;
    float lastScenePosition = 0.0f;
    PassTimer passTimer;  // GPU time of the scene, composite, post and final passes (--timing)
    RenderScale renderScale;  // the share of the window's sides the off-screen targets have

    // The picture road: damage met in the archive, the pictures decoded ahead on worker
    // threads (declared after the damage report they write to), and the forecast of the
    // pictures the next frames ask for.
    PictureProblems pictureProblems;
    PictureCache pictures;
    FrameForecast forecast;

    // The scenes, one per range of edit positions.
    void scene0();
    void scene10();
    void scene20();
    void scene30();
    void scene40();
    void scene50();
    void scene60();
    void scene70();
    void scene80();
    void scene90();
    void scene100();
    void scene110();
    void scene120();
    void scene130();
    void scene150();
    void scene160();
    void scene170();
    void scene180();
    void scene190();
    void scene220();
    void scene280();
    void scene300();
    void scene330();
    void scene380();
    void scene500();

    // Steps 1-3 of every scene: variant 0, no program, this frame's pictures, the clear.
    void beginScene(int scene, const float clear[4]);
    // The scene's pictures for edit position x into their texture slots.
    void fetchFrames(int scene, float x);

    // The small black ant walking over the finished picture while 45 < endClock < 140.
    void overlayAnt();
    // Renders every scene once into small off-screen targets so that the driver prepares
    // its shaders for them during loading, then puts everything back as it was.
    void warmUp();
    bool warmingUp = false;
    bool warmUpKeepsPictures = false;  // a slot with a picture keeps it (the driver minds no pixels)

    // Sizes the scene, composite and post targets to the window at the render scale; the
    // composite's last result (its trails and lag) is scaled along, never cleared.
    void applyRenderScale();

private:
    void startPictures();
    void addTimingLines();
    void forecastPictures();
    void compositePass();
    void postPass();
    void finalPass();
    void clockUniforms(const ShaderProgram& p);
};
