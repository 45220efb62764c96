// The drawing helpers the footage is built on: tiles and cell patterns must wrap exactly
// (looping clips depend on it), and the head phantom must put its anatomy where the scan
// footage expects it.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/velmora_data/head_phantom.h"
#include "tools/velmora_data/procedural.h"

using namespace vdata;

TEST(TileNoise, WrapsSeamlesslyAndSpansZeroToOne) {
    const cv::Mat1f tile = makeTileNoise(64, 4, 4, 5);
    double lo, hi;
    cv::minMaxLoc(tile, &lo, &hi);
    EXPECT_FLOAT_EQ(static_cast<float>(lo), 0.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(hi), 1.0f);
    // Across the seam the values step no more than between any two interior neighbours.
    float interior = 0, seam = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x + 1 < 64; ++x) interior = std::max(interior, std::fabs(tile(y, x + 1) - tile(y, x)));
        seam = std::max(seam, std::fabs(tile(y, 0) - tile(y, 63)));
    }
    EXPECT_LE(seam, interior * 1.01f);
}

TEST(TileNoise, SamplingWrapsByWholeTilesInBothDirections) {
    const cv::Mat1f tile = makeTileNoise(32, 4, 3, 9);
    for (float x : {0.0f, 3.25f, 31.5f, 17.75f})
        for (float y : {0.0f, 5.5f, 31.9f}) {
            const float v = sampleWrap(tile, x, y);
            EXPECT_NEAR(sampleWrap(tile, x + 32, y), v, 1e-5f);
            EXPECT_NEAR(sampleWrap(tile, x - 64, y + 96), v, 1e-5f);
        }
    // Whole pixels read the pixel itself.
    EXPECT_FLOAT_EQ(sampleWrap(tile, 7, 11), tile(11, 7));
}

TEST(CellField, IsTileableAndLoopsOverWholeTurns) {
    const CellField a(6, 11, 0.0f, 3), b(6, 11, 1.0f, 3), c(6, 11, 0.5f, 3);
    float moved = 0;
    for (float x = 0.03f; x < 1; x += 0.11f)
        for (float y = 0.07f; y < 1; y += 0.13f) {
            const CellDistance here = a.at(x, y), wrapped = a.at(x + 1, y - 2), later = b.at(x, y);
            EXPECT_NEAR(here.f1, wrapped.f1, 1e-4f);
            EXPECT_NEAR(here.f2, wrapped.f2, 1e-4f);
            EXPECT_NEAR(here.f1, later.f1, 1e-4f) << "a whole turn brings every point back";
            EXPECT_LE(here.f1, here.f2);
            moved = std::max(moved, std::fabs(here.f1 - c.at(x, y).f1));
        }
    EXPECT_GT(moved, 0.01f) << "half-way through the loop the points have moved";
}

TEST(Palette, EndsAtItsStopsAndClampsOutside) {
    const Palette p{{0, 0, 0}, {100, 50, 0}, {200, 100, 50}};
    EXPECT_EQ(p.at(0.0f), cv::Vec3f(0, 0, 0));
    EXPECT_EQ(p.at(1.0f), cv::Vec3f(200, 100, 50));
    EXPECT_EQ(p.at(-3.0f), cv::Vec3f(0, 0, 0));
    EXPECT_EQ(p.at(7.0f), cv::Vec3f(200, 100, 50));
    EXPECT_NEAR(p.at(0.25f)[0], 50.0f, 1e-3f);
}

TEST(HeadPhantom, AnatomySitsWhereTheScansLookForIt) {
    EXPECT_EQ(headTissue(0, 0, 1.1f), Tissue::Air) << "above the crown";
    EXPECT_EQ(headTissue(0.95f, 0, 0), Tissue::Air) << "beside the head";
    const Tissue centre = headTissue(0.3f, 0.2f, 0.4f);
    EXPECT_TRUE(centre == Tissue::Grey || centre == Tissue::White || centre == Tissue::Csf) << "brain inside the skull";
    EXPECT_EQ(headTissue(0.29f, -0.66f, -0.22f), Tissue::Fluid) << "an eye at the front";
    EXPECT_EQ(headTissue(0.11f, -0.02f, 0.08f), Tissue::Csf) << "a lateral ventricle";
    // Going out from the brain through the top of the head: bone before skin.
    bool bone = false, skin = false;
    for (float z = 0.5f; z < 1.0f; z += 0.002f) {
        const Tissue t = headTissue(0, 0.05f, z);
        if (t == Tissue::Bone) bone = true;
        if (t == Tissue::Skin) skin = bone;
    }
    EXPECT_TRUE(bone && skin);
    // The contrasts: bone bright on CT and dark on T1 MRI, fat the other way round.
    EXPECT_GT(ctBrain(Tissue::Bone), ctBrain(Tissue::Fat));
    EXPECT_LT(mriT1(Tissue::Bone), mriT1(Tissue::Fat));
    EXPECT_GT(mriT1(Tissue::White), mriT1(Tissue::Grey));
}
