// Film helpers for the fragment stages of the full-screen passes: grain, lens fall-off,
// the print curve, unfiltered taps and the dithers that keep 8-bit targets free of bands.

// Grain sits mostly in the mid-tones, as on a print; some stays in the blacks so the dark
// clips still breathe, little survives in paper white.
vec3 addGrain(vec3 c, float grain, float amount) {
    float y = clamp(luma(c), 0.0, 1.0);
    float weight = 0.4 + 2.4 * y * (1.0 - y);
    return c + grain * amount * weight;
}

// Natural fall-off of a lens towards the corners (about cos^4); strength 1 takes the
// corners to a quarter of the centre. d is the position from the centre, 1 at a corner.
float lensFalloff(vec2 d, float strength) {
    float f = 1.0 - 0.5 * strength * dot(d, d);
    return f * f;
}

// Triangular dither of +-1 code value from the blue-noise picture: the difference of two
// independent ranks. Blue noise leaves no visible pattern where ordered dither would, and
// moving it every frame lets the eye average the rest away.
vec3 blueDither(sampler2D blue, vec2 fragCoord, float frame) {
    ivec2 size = max(textureSize(blue, 0), ivec2(1));
    ivec2 at = ivec2(mod(fragCoord + vec2(37.0, 71.0) * frame, vec2(size)));
    vec3 rank = texelFetch(blue, at, 0).rgb;
    rank = fract(rank + 0.61803399 * frame);
    // An unloaded blue-noise picture reads all zero: then no dither rather than a bias.
    return (rank - rank.gbr) / 255.0 * step(1.5, float(size.x));
}

// Interleaved gradient noise: a cheap blue-ish pattern for the pass that has no blue-noise
// picture. Two shifted copies make the triangular +-1 code value dither.
float gradientNoise(vec2 p) { return fract(52.9829189 * fract(dot(p, vec2(0.06711056, 0.00583715)))); }

vec3 gradientDither(vec2 fragCoord, float frame) {
    vec2 p = fragCoord + vec2(5.588238, 5.588238) * mod(frame, 64.0);
    float a = gradientNoise(p);
    float b = gradientNoise(p + vec2(17.0, 29.0));
    float c = gradientNoise(p + vec2(41.0, 7.0));
    return (vec3(a, b, c) - vec3(b, c, a)) / 255.0;
}

// The print: an S-curve about mid-grey whose slope follows the contrast, mid-tones pulled
// down for the dark look, blacks lifted a hair (a print never reaches 0) and highlights
// stopping short of paper white.
vec3 printCurve(vec3 x, float contrast) {
    x = clamp(x, 0.0, 1.0);
    vec3 s = x * x * (3.0 - 2.0 * x);
    vec3 y = clamp(mix(x, s, (contrast - 1.0) * 2.0), 0.0, 1.0);
    y = y * (0.74 + 0.26 * y);
    return mix(vec3(0.012), vec3(0.962), y);
}

// The texel of picture under uv, without filtering. On llvmpipe a texelFetch costs about
// half a filtered read, and the passes' targets all have the frame's size, so most taps
// land on texel centres anyway. Coordinates are clamped to the picture.
vec4 texelAt(sampler2D picture, vec2 uv) {
    ivec2 size = textureSize(picture, 0);
    return texelFetch(picture, clamp(ivec2(uv * vec2(size)), ivec2(0), max(size - 1, ivec2(0))), 0);
}
