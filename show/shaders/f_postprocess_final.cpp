// The final pass, to the window: the print. Lateral colour and an optional echo from
// the lens and the projector, the print curve (contrast), split toning and the
// temperature of the print, per-clip printer lights, the print's burnt edges (vignette),
// and a dither of its own, since the window is 8 bits and this pass has no noise picture.
// Both samplers hold the post result, filtered nearest: every tap is a whole pixel.
#version 130

uniform float ttime;
uniform float fttime;
uniform float cttime;
uniform float fullttime;
uniform float TheType;  // edit tag: tagged stretches print a flash
uniform float type;     // print variant: 1 is black and white, toned a little
uniform float k0;
uniform float k1;
uniform float k2;
uniform float k3;
uniform float k4;
uniform float k5;

uniform sampler2D texture2d;    // the post result
uniform sampler2D textureprev;  // the same picture, for the displaced taps

in vec2 vUV;

#include "shaders/common.cpp"
#include "shaders/film.cpp"

void main() {
    vec2 size = vec2(textureSize(texture2d, 0));
    vec2 texel = 1.0 / max(size, vec2(1.0));
    float aspect = size.x / max(size.y, 1.0);
    vec3 c = texture(texture2d, vUV).rgb;

    // Lateral colour: the lens draws red a little larger than green, so red fringes grow
    // towards the edges; halation (k2) stands for a softer, older lens.
    vec2 outwards = (vUV - 0.5) * 2.0;
    float fringe = 1.2 + 2.5 * knobAmount(k2);
    c.r = texture(texture2d, vUV - outwards * fringe * texel).r;

    // Echo: a ghost a few pixels to the right, as of a second reflection in the projector;
    // none as designed, it comes in with the feedback knob (k1).
    vec3 echo = texture(textureprev, vUV - vec2(5.0, 0.0) * texel).rgb;
    c = mix(c, max(c, echo), 0.45 * knobAmount(k1));

    // Printer lights per clip: the white clips are printed a little down so paper white is
    // not glaring, the red clears a little less saturated.
    c *= 1.0 - 0.05 * clipRange(ttime, 280.0, 500.0);
    float redClear = clipRange(cttime, 180.0, 220.0) + clipRange(cttime, 500.0, 510.0);
    // The print's density breathes by a fraction of a percent from film frame to frame.
    c *= 1.0 + 0.012 * (hash12(vec2(filmFrame(fttime), 21.0)) - 0.5);
    c = mix(c, vec3(1.0), 0.3 * clamp(TheType, 0.0, 1.0));

    c = printCurve(c, contrastAmount(k4));

    // Split toning: shadows towards teal, highlights towards the print's warmth (k3);
    // a black and white print is toned only faintly.
    float warmth = temperatureShift(k3);
    float y = luma(c);
    vec3 shadows = vec3(-0.012, 0.004, 0.016);
    vec3 highlights = vec3(0.018, 0.006, -0.02) * (0.5 + warmth);
    float colourPrint = 1.0 - 0.6 * clamp(type, 0.0, 1.0);
    c += (shadows * (1.0 - y) + highlights * y) * (1.0 - y * 0.5) * colourPrint;
    float saturation = (0.86 - 0.12 * redClear) * colourPrint;
    c = mix(vec3(luma(c)), c, saturation);

    // Burnt edges of the print, a shade warm or cold with the temperature.
    float burn = 1.0 - lensFalloff(fromCentre(vUV, aspect), 0.6 * vignetteStrength(k5));
    c -= burn * (vec3(0.9) + vec3(-0.06, 0.0, 0.08) * warmth) * c;

    // Dither, plus pixel-fine noise when the grain knob (k0) goes up.
    float frame = floor(fullttime * 60.0);
    c += gradientDither(gl_FragCoord.xy, frame) * (1.0 + 4.0 * knobAmount(k0));
    gl_FragColor = vec4(c, 1.0);
}
