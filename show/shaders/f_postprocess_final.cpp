// The print as a pass of its own, from the post result to the window: lateral colour and
// an optional echo from the lens and the projector, printer lights per clip, the print
// curve (contrast), split toning, the print's burnt edges (vignette), and a dither. The
// show builds and reloads it with its other programs but draws nothing with it: it prints
// inside the post pass (shaders/print.cpp, shared with this file), which spares a
// full-screen pass, and its final pass only enlarges a smaller picture to the window. So
// edit the print in print.cpp or print_look.cpp, not here. The uniforms that set the look
// (the clocks, "type", "TheType", "k0" .. "k5") are read by the vertex stage; "k1" here too.
// Both samplers hold the post result, filtered nearest.
#version 130

uniform sampler2D texture2d;    // the post result
uniform sampler2D textureprev;  // the same picture, for the displaced taps
uniform float k1;               // feedback: the echo comes in as it goes up
uniform float renderScale;      // the picture's pixels per screen pixel; 0 (not set) reads as 1

in vec2 vUV;

#include "shaders/common.cpp"
#include "shaders/film.cpp"
#include "shaders/print.cpp"

void main() {
    // This pass draws the picture at its own size with its corner at the origin, so the
    // pixel under gl_FragCoord is the picture's texel there: whole texels, read as such
    // (texelFetch, cheaper than a sampler on llvmpipe). Offsets are sizes on the screen,
    // in screen pixels, and become the picture's pixels at the render scale.
    ivec2 last = max(textureSize(texture2d, 0), ivec2(1)) - 1;
    vec2 at = gl_FragCoord.xy;
    float perScreenPixel = renderScale > 0.0 ? renderScale : 1.0;
    vec3 c = texelFetch(texture2d, clamp(ivec2(at), ivec2(0), last), 0).rgb;

    // Lateral colour: the lens draws red a little larger than green, so red fringes grow
    // towards the edges.
    c.r = texelFetch(texture2d, clamp(ivec2(at - (vUV - 0.5) * 2.0 * vLens.x * perScreenPixel), ivec2(0), last), 0).r;

    // Echo: a ghost a few pixels to the right, as of a second reflection in the projector.
    // None while the knob is untouched (llvmpipe still works out the masked read).
    if (knobAmount(k1) > 0.0) {
        vec3 echo = texelFetch(textureprev, clamp(ivec2(at - vec2(5.0 * perScreenPixel, 0.0)), ivec2(0), last), 0).rgb;
        c = mix(c, max(c, echo), vLens.y);
    }

    gl_FragColor = vec4(printed(c, vUV, gl_FragCoord.xy), 1.0);
}
