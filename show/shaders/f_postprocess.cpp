// The post pass: the optics, the projector and the print, in one pass to the window. The
// film weaves in the gate; highlights halate into a warm glow (the comet tails of bright
// lights in the dark come from the composite, whose last result holds them); the second
// reel is double-exposed over the last stretch of the edit; the moon and its flare sit
// where the free camera sees them; the lens veils the frame with its own light; the
// exposure flickers with the grain picture; the gate rounds the corners; the lens's
// lateral colour and the projector's echo come first. Then the final look, the print
// (printer lights, the print curve, toning, burnt edges, a dither), from
// f_postprocess_final.cpp. The print works per pixel, so it needs no picture of its own:
// printing here spares a whole pass over the frame and the 8-bit picture between the two.
#version 130

uniform float ttime;      // the edit position: the second reel is printed only over the last reels
uniform float k0;         // grain, here the depth of the exposure flicker
uniform float k4;         // contrast, here a cleaner lens
uniform float k5;         // vignette, here the roundness of the gate
uniform float k1;         // feedback: the echo comes in as it goes up
uniform float renderScale;  // the picture's pixels per screen pixel; 0 (not set) reads as 1

uniform sampler2D texture2d;        // the composite, linearly filtered
uniform sampler2D textureVideo2;    // the second reel
// The vertex stage reads the rest: the other clocks, "type", "TheType", "k2", "k3", the free
// camera ("MV", "MP"), "moon", "textureVideo", "texture2d2", "texture2d3",
// "texture2dOther", "texture2dOtherdepth" and "textureNoise". This pass keeps no history of
// its own, so "textureFeedback" is bound but not read: the lag of lights lives in the
// composite, whose last result is the history it needs. "BlueTexture" is bound but not
// read either: the only 8-bit picture this pass makes is the window's, which the print's
// dither serves.

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
#include "shaders/f_postprocess_final.cpp"

// How much light the gate lets through at uv: rounded corners of this radius, and a soft
// edge, as a gate's shadow is.
float gateAt(vec2 uv, float aspect, float radius) {
    vec2 p = abs(uv - 0.5) * vec2(aspect, 1.0);
    float edge = length(max(p - (vec2(0.5 * aspect, 0.5) - radius), 0.0)) - radius;
    return 1.0 - smoothstep(-0.03, 0.0, edge);
}

void main() {
    vec2 size = vec2(textureSize(texture2d, 0));
    vec2 texel = 1.0 / max(size, vec2(1.0));
    float aspect = size.x / max(size.y, 1.0);
    // Gate weave: each film frame sits a fraction of a pixel off the last.
    vec2 uv = vUV + vWeave * texel;
    vec3 c = texture(texture2d, uv).rgb;

    // Lateral colour: the lens draws red a little larger than green, so red fringes grow
    // towards the edges. Offsets are sizes on the screen, in screen pixels, and become
    // the picture's pixels at the render scale; red comes from the whole pixel that far
    // towards the centre, as a print of a finished picture would take it. What the optics
    // add below is smooth over a pixel or two, so that red goes through them with the
    // rest; only the gate, sharp at small sizes, is worked out for red at its own place.
    // Below full scale a picture's pixel stands for several on the screen, each with its
    // own whole pixel of red: red is read filtered at the offset itself, which they average.
    float perScreenPixel = renderScale > 0.0 ? renderScale : 1.0;
    vec2 redPixel = gl_FragCoord.xy - (vUV - 0.5) * (2.0 * vLens.x * perScreenPixel);
    vec2 redAt = (perScreenPixel < 1.0 ? redPixel : floor(redPixel) + 0.5) * texel;
    c.r = texture(texture2d, redAt + vWeave * texel).r;

    // Echo: a ghost a few pixels to the right, as of a second reflection in the projector.
    // None while the knob is untouched (llvmpipe still works out the masked read).
    if (knobAmount(k1) > 0.0) {
        vec3 echo = texelAt(texture2d, uv - vec2(5.0 * perScreenPixel, 0.0) * texel).rgb;  // a ghost needs no filter
        c = mix(c, max(c, echo), vLens.y);
    }

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
    float radius = 0.02 + 0.1 * knobAmount(k5);
    c *= vec3(gateAt(redAt, aspect, radius), vec2(gateAt(vUV, aspect, radius)));

    // The print takes the picture as an 8-bit picture would hold it.
    gl_FragColor = vec4(printed(clamp(c, 0.0, 1.0), vUV, gl_FragCoord.xy), 1.0);
}
