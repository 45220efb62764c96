// The cameras and model transforms under which the show's scenes draw each generated
// model, written out once here for the bounding-box checks (double-precision matrices)
// and the pixel checks (the same steps on the GL matrix stack).
#pragma once
#include <array>
#include <string>
#include <vector>

namespace geometry_test {

using Vec = std::array<double, 3>;
using Mat = std::array<double, 16>;  // column-major, as OpenGL

struct Step {
    enum Kind { kTranslate, kScale, kRotate } kind;
    double a, b, c, degrees;  // translate/scale by (a, b, c), or rotate by degrees about (a, b, c)
};

struct SceneView {
    std::string file;   // under resources3/
    std::string label;  // scene and what is drawn
    double fov;
    Vec eye, centre, up;
    double far;
    std::vector<Step> steps;
    double minExtent;   // smallest on-screen size expected, as a fraction of the screen
    bool whole = false; // the whole bounding box must be on screen
};

constexpr double kAspect = 16.0 / 9.0;

// Every scene model (OBJ and PLY) at an edit position where its scene shows it.
std::vector<SceneView> sceneViews();

Mat identity();
Mat multiply(const Mat& a, const Mat& b);
Mat perspective(double fovDegrees, double aspect, double nearPlane, double farPlane);
Mat lookAt(const Vec& eye, const Vec& centre, const Vec& up);
Mat apply(Mat m, const std::vector<Step>& steps);
std::array<double, 4> transform(const Mat& m, const Vec& p);
// Projection times modelview of a view.
Mat viewMatrix(const SceneView& v);

// How much of a box a camera sees: the fraction of a grid of points through the box that
// falls inside the view volume, and the on-screen extent (fractions of the screen's
// width and height) of those points.
struct Coverage {
    double insideFraction = 0;
    double width = 0, height = 0;
};
Coverage boxCoverage(const Mat& clip, const Vec& lo, const Vec& hi);

// Applies the view's projection and modelview on the GL stacks (needs a context).
void loadOnGl(const SceneView& v);

}  // namespace geometry_test
