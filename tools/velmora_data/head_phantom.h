// A solid model of a human head made of nested ellipsoids and noise-shaped folds, which
// the scan footage slices: CT and MRI take their pictures from the same anatomy.
#pragma once

namespace vdata {

enum class Tissue { Air, Skin, Fat, Bone, Marrow, Csf, Grey, White, Fluid, Lens, Muscle };

// Head coordinates: x to the head's left-right, y from the face (-1) to the back (+1),
// z from the neck (-1) up to the crown (+1).
Tissue headTissue(float x, float y, float z);

// Smooth 3D value noise in 0..1 (used for tissue texture too).
float valueNoise3(float x, float y, float z, unsigned seed);

// Brightness of a tissue in a T1-weighted MRI and in a CT brain window, 0..1.
float mriT1(Tissue t);
float ctBrain(Tissue t);

}  // namespace vdata
