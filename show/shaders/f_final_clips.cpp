// The composite: turns the scene target into a frame of film. 3D content takes the light
// of the footage around it, sinks into haze with distance and glows where it emits; the
// overlay's dust, hairs and light leaks lie on top; the lens darkens the corners; the
// frame is white-balanced, gets this frame's grain and leaves trails where 3D objects
// were (this pass reads its own last result); blue noise dithers it into 8 bits.
// Alpha of the result is the trail mask, which the next frame reads back with the colour.
#version 130

uniform float type;       // print variant: 0 colour, 1 black and white
uniform float TheType;    // edit tag of the position: tagged stretches trail harder
uniform float ttime;      // edit position: which clip is being finished
uniform float cttime;
uniform float fttime;
uniform float fullttime;  // the part's own clock: runs on while the edit holds a frame
uniform float k0;
uniform float k1;
uniform float k2;
uniform float k3;
uniform float k4;
uniform float k5;

uniform sampler2D texture2d;        // scene colour
uniform sampler2D texture2ddepth;   // scene depth: 1 where only the background was drawn
uniform sampler2D texture2d2;       // emitted light, trail strength
uniform sampler2D texture2d3;       // normal, clarity
uniform sampler2D textureFeedback;  // this pass's result of the last frame
uniform sampler2D BlueTexture;
uniform sampler2D textureNoise;     // this frame's grain picture
uniform sampler2D OverlayTexture;   // dust, hairs and light leaks on black
// textureVideo and textureVideo2 are read by the vertex stage (vPlateLight).

in vec2 vUV;
flat in vec3 vPlateLight;
flat in float vGrainBase;

#include "shaders/common.cpp"
#include "shaders/film.cpp"

void main() {
    vec2 size = vec2(textureSize(texture2d, 0));
    float aspect = size.x / max(size.y, 1.0);

    // All taps sit on texel centres (the targets share one size): nothing is filtered, so
    // no colour of the background leaks into the 3D's outputs at a silhouette.
    vec2 uv = vUV;
    vec3 c = texture(texture2d, uv).rgb;
    float depth = texture(texture2ddepth, uv).r;
    vec4 emitted = texture(texture2d2, uv);
    vec4 surfaceInfo = texture(texture2d3, uv);
    // 3D was drawn here (depth is cleared to 1 after the background), and drawn by the
    // object program alone: pictures, draws without the program and additive draws over
    // them leave more than 1/2 in the alpha of output 2, and then outputs 1 and 2 hold
    // the background rather than the surface.
    float solid = 1.0 - step(1.0, depth);
    float shaded = solid * (1.0 - step(0.502, surfaceInfo.a));
    emitted *= shaded;
    vec3 normal = surfaceInfo.xyz * 2.0 - 1.0;
    float clarity = mix(1.0, surfaceInfo.a * 2.0, shaded);

    // The footage lights the 3D: a faint fill and a rim in its mean colour, so objects sit
    // in the plate rather than on it. Fogged surfaces catch less of it.
    float rim = 1.0 - clamp(normal.z, 0.0, 1.0);
    rim *= rim;
    c += shaded * clarity * vPlateLight * (0.05 + 0.45 * rim);

    // Haze: every scene camera has its near plane at 0.01, so the eye distance is about
    // 0.01 / (1 - depth) while the far plane is much further. More contrast, less haze.
    float eyeZ = 0.01 / max(1.0 - depth, 1e-7);
    float haze = solid * clarity * (1.0 - exp2(-eyeZ / 60.0)) * 0.55 * (1.0 - knobAmount(k4));
    c = mix(c, vPlateLight * 0.5, haze);

    // Emitting surfaces glow; the wide halation around them belongs to the post pass.
    c += emitted.rgb * 0.45 * halationStrength(k2);

    // Dust and light leaks: a new window into the overlay picture each film frame, so the
    // dirt jumps as dirt in a gate does. Over the dark clips it is screened (it lightens,
    // as dirt on a negative prints); over the white clips it darkens, as dirt on a print.
    vec2 jump = hash22(vec2(filmFrame(cttime), 11.0));
    vec3 dirt = texture(OverlayTexture, vec2(vUV.x, 1.0 - vUV.y) * 0.6 + jump * 0.4).rgb;
    dirt *= 0.16 + 0.14 * hash12(vec2(filmFrame(fttime), 5.0));
    c = clamp(c, 0.0, 1.0);
    c = mix(1.0 - (1.0 - c) * (1.0 - dirt), c * (1.0 - dirt), clipRange(ttime, 280.0, 500.0));

    c *= lensFalloff(fromCentre(vUV, aspect), vignetteStrength(k5));
    c = whiteBalance(c, temperatureShift(k3));
    c = mix(c, vec3(luma(c)), clamp(type, 0.0, 1.0));

    // Grain: the grain picture's deviation from its own mean (the mean, the frame's
    // exposure, is the post pass's flicker), about one grain per pixel, shifted every
    // projector frame so that a held frame keeps its grain alive.
    vec2 noiseSize = vec2(textureSize(textureNoise, 0));
    vec2 shift = hash22(vec2(floor(fullttime * 24.0), 1.0)) * noiseSize;
    vec2 grainUV = fract((gl_FragCoord.xy * 0.8 + shift) / max(noiseSize, vec2(1.0)));
    float grain = (texture(textureNoise, grainUV).r - vGrainBase) * step(1.0, noiseSize.x);
    c = addGrain(c, grain, grainStrength(k0));

    // Trails: where 3D content was, last frame shows through, decaying. The previous frame
    // is read a hair smaller so the trails drift outwards.
    vec4 previous = texture(textureFeedback, 0.5 + (vUV - 0.5) * 0.996);
    float strength = min(trailStrength(k1) * (1.0 + 0.5 * clamp(TheType, 0.0, 1.0)), 0.95);
    c = mix(c, previous.rgb, previous.a * strength * (1.0 - 0.75 * solid));
    // The 1.5 code values taken off every frame make sure an 8-bit mask reaches zero.
    float decay = 0.72 + 0.2 * knobAmount(k1);
    float mask = max(emitted.a, previous.a * decay - 1.5 / 255.0);

    c += blueDither(BlueTexture, gl_FragCoord.xy, floor(fullttime * 60.0));
    gl_FragColor = vec4(c, mask);
}
