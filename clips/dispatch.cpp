// Picking the scene for the edit position, and the frame pattern every scene begins with.
#include "platform/gl.h"

#include "clips/frame_rules.h"
#include "clips/part_clips.h"

void Part_Clips::dispatchScene() {
    using Scene = void (Part_Clips::*)();
    static const Scene scenes[25] = {
        &Part_Clips::scene0,   &Part_Clips::scene10,  &Part_Clips::scene20,  &Part_Clips::scene30,
        &Part_Clips::scene40,  &Part_Clips::scene50,  &Part_Clips::scene60,  &Part_Clips::scene70,
        &Part_Clips::scene80,  &Part_Clips::scene90,  &Part_Clips::scene100, &Part_Clips::scene110,
        &Part_Clips::scene120, &Part_Clips::scene130, &Part_Clips::scene150, &Part_Clips::scene160,
        &Part_Clips::scene170, &Part_Clips::scene180, &Part_Clips::scene190, &Part_Clips::scene220,
        &Part_Clips::scene280, &Part_Clips::scene300, &Part_Clips::scene330, &Part_Clips::scene380,
        &Part_Clips::scene500};
    const int scene = sceneForPosition(clock);
    for (int i = 0; i < 25; ++i)
        if (kSceneStarts[i] == scene) return (this->*scenes[i])();

    // Outside every scene: dark red.
    glClearColor(0.5f, 0.0f, 0.0f, 0.0f);
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void Part_Clips::beginScene(int scene, const float clear[4]) {
    type = 0;
    glUseProgram(0);
    fetchFrames(scene, clock);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
