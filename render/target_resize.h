// Changing a render target's size in place, for the render scale: the same GL names where
// possible, new storage of the new size, and optionally the newest picture carried over.
#pragma once
#include <cstdint>

#include "render/render_target.h"

// Re-specifies every renderbuffer and texture of a created target at width x height (same
// formats and sample count) and attaches the textures as createRenderTarget leaves them.
// With keepPicture, textures[1] (a feedback pass's newest result) is scaled into the new
// size with linear filtering instead of starting empty, so a pass that reads its own last
// frame goes on from it; everything else starts empty (transparent black, far depth), as
// after creation. Without emptied the rest of the new storage is left as the driver gives
// it: for a caller that draws every texel before it reads it (the show's passes do), which
// spares clears that are most of a step's cost on llvmpipe. Sizes below 1 or equal to the
// current one change nothing. Leaves framebuffer 0 bound.
void resizeRenderTarget(RenderTarget& target, int32_t width, int32_t height, bool keepPicture, bool emptied = true);
