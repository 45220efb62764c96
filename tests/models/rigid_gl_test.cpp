// rigid's fixed-function drawing on a real context: lit with its group's material, and
// nothing at all for a part whose file is missing.
#include <memory>

#include "gl_test_context.h"
#include "model_files.h"
#include "models/objloader.h"

class RigidGl : public GlTest {};

TEST_F(RigidGl, DrawsLitTrianglesInTheirMaterialColour) {
    TempFolder dir;
    dir.write("lib.mtl", "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\n");
    const std::string path = dir.write("tri.obj", "mtllib lib.mtl\nusemtl red\nv -0.5 -0.5 0\nv 0.5 -0.5 0\n"
                                                  "v 0 0.5 0\nf 1 2 3\n");
    std::unique_ptr<rigid> r;
    capture_stdout([&] { r = std::make_unique<rigid>(path); });
    r->model_matrix[10] = 1.0f;  // unmirrored, as the skeleton sets its parts
    glEnable(GL_LIGHT0);         // white, from +z
    const GLfloat no_ambient[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, no_ambient);
    r->draw();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    const auto centre = readPixels(kWidth / 2, kHeight / 2, 1, 1);
    EXPECT_GT(centre[0], 240);
    EXPECT_LT(centre[1], 10);
    const auto all = readPixels(0, 0, kWidth, kHeight);
    // Half of the middle quarter of the window.
    EXPECT_NEAR(countAbove(all, 0, 128), kWidth * kHeight / 8, kWidth * kHeight / 100);
    glDisable(GL_LIGHT0);
}

TEST_F(RigidGl, AMissingPartDrawsNothing) {
    std::unique_ptr<rigid> r;
    capture_stdout([&] { r = std::make_unique<rigid>("Other/obj/nothing.obj"); });
    glColor3f(1, 1, 1);
    r->draw();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(countAbove(readPixels(0, 0, kWidth, kHeight), 0, 0), 0);
}
