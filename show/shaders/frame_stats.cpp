// Whole-picture figures for vertex stages. A pass that needs a picture only as an overall
// light reads it here, nine taps per vertex, instead of once per pixel: on llvmpipe each
// per-pixel texture read of a 1280 x 720 pass costs about 2 ms.

// Mean of a 3 x 3 grid of taps inside the picture. An unloaded texture reads black.
vec4 pictureMean(sampler2D picture) {
    vec4 sum = vec4(0.0);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            sum += textureLod(picture, vec2(0.2 + 0.3 * float(i), 0.2 + 0.3 * float(j)), 0.0);
    return sum / 9.0;
}

// Mean colour of a render target where its depth says something was drawn, and the
// share of the taps that had something (0 when the target is empty or never drawn).
vec4 drawnMean(sampler2D picture, sampler2D depth) {
    vec3 sum = vec3(0.0);
    float drawn = 0.0;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            vec2 at = vec2(0.2 + 0.3 * float(i), 0.2 + 0.3 * float(j));
            vec4 c = textureLod(picture, at, 0.0);
            // A depth of exactly 0 is a target nobody ever cleared or drew: treat it as empty.
            float d = textureLod(depth, at, 0.0).r;
            float w = step(1e-7, d) * (1.0 - step(0.999999, d)) * step(1e-3, c.a);
            sum += c.rgb * w;
            drawn += w;
        }
    return vec4(sum / max(drawn, 1.0), drawn / 9.0);
}

// Share of a depth picture nearer than its far plane: how much of the frame 3D covers.
float coverage(sampler2D depth) {
    float covered = 0.0;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            covered += 1.0 - step(1.0, textureLod(depth, vec2(0.2 + 0.3 * float(i), 0.2 + 0.3 * float(j)), 0.0).r);
    return covered / 9.0;
}
