// The post pass: the optics and the projector. The film weaves in the gate; highlights
// halate into a warm glow (the comet tails of bright lights in the dark come from the
// composite, whose last result holds them); the second reel is double-exposed over the last stretch of
// the edit; the moon and its flare sit where the free camera sees them; the lens veils
// the frame with its own light; the exposure flickers with the grain picture; the gate
// rounds the corners. Blue noise dithers the result into its 8-bit target.
#version 130

uniform float ttime;      // the edit position: the second reel is printed only over the last reels
uniform float fullttime;  // the part's own clock: the dither moves every display frame
uniform float k0;         // grain, here the depth of the exposure flicker
uniform float k4;         // contrast, here a cleaner lens
uniform float k5;         // vignette, here the roundness of the gate

uniform sampler2D texture2d;        // the composite, linearly filtered
uniform sampler2D textureVideo2;    // the second reel
uniform sampler2D BlueTexture;
// The vertex stage reads the rest: the other clocks, "type", "TheType", "k2", "k3", the free
// camera ("MV", "MP"), "moon", "textureVideo", "texture2d2", "texture2d3",
// "texture2dOther", "texture2dOtherdepth" and "textureNoise". This pass keeps no history of
// its own, so "textureFeedback" and the feedback knob "k1" are bound but not read: the
// lag of lights lives in the composite, whose last result is the history it needs.

in vec2 vUV;
flat in vec3 vMoon;
flat in vec3 vMoonColour;
flat in vec3 vGlare;
flat in vec3 vOtherLight;
flat in float vExposure;
flat in vec3 vHalo;
flat in vec2 vWeave;
flat in vec3 vHalation;
flat in float vSecondExposure;
flat in vec3 vFlare;

#include "shaders/common.cpp"
#include "shaders/film.cpp"

void main() {
    vec2 size = vec2(textureSize(texture2d, 0));
    vec2 texel = 1.0 / max(size, vec2(1.0));
    float aspect = size.x / max(size.y, 1.0);
    // Gate weave: each film frame sits a fraction of a pixel off the last.
    vec2 uv = vUV + vWeave * texel;
    vec3 c = texture(texture2d, uv).rgb;

    // Halation: light that went through the emulsion comes back from the film base into
    // the red layer, a warm glow round highlights. Four unfiltered taps on a cross of two
    // radii, about 1.4 % and 2.7 % of the frame height, turned and resized every frame; the
    // eye and the persistence below average them into a smooth glow.
    vec2 across = vHalo.xy * (vHalo.z * 0.014 * size.y);
    vec2 a = across * texel;
    vec2 b = vec2(-across.y, across.x) * 1.9 * texel;
    vec4 taps = vec4(luma(texelAt(texture2d, uv + a).rgb), luma(texelAt(texture2d, uv - a).rgb),
                     luma(texelAt(texture2d, uv + b).rgb), luma(texelAt(texture2d, uv - b).rgb));
    // Each tap is bright-passed before they are averaged, so that a small light halates too.
    float bright = dot(max(taps - 0.55, 0.0), vec4(0.25)) / 0.45;
    c += bright * vHalation * (1.0 - 0.5 * c);

    // Double exposure of the second reel over the last stretch; the reels are stored top
    // row first, and the print of the second breathes a little from frame to frame. The
    // test is on a uniform, so the driver skips the read for the whole frame elsewhere.
    c = clamp(c, 0.0, 1.0);
    if (clipRange(ttime, 380.0, 500.0) > 0.0) {
        vec3 second = texture(textureVideo2, vec2(vUV.x, 1.0 - vUV.y)).rgb;
        c = 1.0 - (1.0 - c) * (1.0 - second * vSecondExposure);
    }

    // The moon, and a faint warm flare round the place where it hangs even when the sky
    // has no moon picture.
    vec2 toMoon = (vUV - vMoon.xy) * vec2(aspect, 1.0);
    float moonDistance2 = dot(toMoon, toMoon);
    float disc = 1.0 - smoothstep(0.0009, 0.0013, moonDistance2);
    float flare = 1.0 / (1.0 + 40.0 * moonDistance2);
    c += vMoon.z * (vMoonColour * (disc + 0.3 * flare) + vFlare * flare);

    // Veiling glare and the spill of the second picture lift the blacks; contrast (k4)
    // stands for a cleaner lens.
    c += (vGlare * 0.06 * (1.0 - 0.8 * knobAmount(k4)) + vOtherLight * 0.2) * (1.0 - clamp(c, 0.0, 1.0));

    // Exposure flicker, deeper as the grain knob (film artefacts) goes up.
    c *= 1.0 + vExposure * (1.5 + 3.0 * knobAmount(k0));

    // The gate: rounded corners whose radius follows the vignette knob.
    vec2 halfSize = vec2(0.5 * aspect, 0.5);
    vec2 p = abs(vUV - 0.5) * vec2(aspect, 1.0);
    float radius = 0.02 + 0.1 * knobAmount(k5);
    float edge = length(max(p - (halfSize - radius), 0.0)) - radius;
    // A soft edge: the final pass's lateral colour shifts red by a pixel or two, and a
    // hard gate edge would come out as a red line round the frame.
    c *= 1.0 - smoothstep(-0.03, 0.0, edge);

    c += blueDither(BlueTexture, gl_FragCoord.xy, floor(fullttime * 60.0) + 17.0);
    gl_FragColor = vec4(c, 1.0);
}
