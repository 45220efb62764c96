// A stand-in show part that clears the frame, listed until the clip sequencer exists.
#pragma once
#include <GL/glew.h>

#include "app/part.h"

class Part_Blank : public Part {
public:
    void render() override {
        glClearColor(0.02f, 0.02f, 0.03f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void update() override {}
    void load() override {}
};
