// The composite: turns the scene target into a frame of film. 3D content takes the light
// of the footage around it and glows where it emits; the
// overlay's dust, hairs and light leaks lie on top; the lens darkens the corners; the
// frame is white-balanced, gets this frame's grain and leaves trails where 3D objects
// were (this pass reads its own last result), and bright lights on a dark ground fade over
// a few frames, as on a tube camera; blue noise dithers it into 8 bits.
// Alpha of the result is the trail mask, which the next frame reads back with the colour.
// The uniforms that set the look ("type", "TheType", the clocks, "k0" .. "k5"), the
// footage ("textureVideo", "textureVideo2") and the scene's depth ("texture2ddepth") are
// read by the vertex stage.
#version 130

uniform sampler2D texture2d;        // scene colour
uniform sampler2D texture2d2;       // emitted light, trail strength
uniform sampler2D texture2d3;       // normal, 1/4 + clarity / 4
uniform sampler2D textureFeedback;  // this pass's result of the last frame
uniform sampler2D BlueTexture;
uniform sampler2D textureNoise;     // this frame's grain picture
uniform sampler2D OverlayTexture;   // dust, hairs and light leaks on black
uniform float renderScale;          // the picture's pixels per screen pixel; 0 (not set) reads as 1

in vec2 vUV;
flat in vec2 vCorner;
flat in vec2 vFrameTexel;
flat in float vFrame;
flat in vec3 vPlateLight;
flat in float vGrainBase;
flat in vec2 vGrainShift;
flat in vec4 vDirt;
flat in vec2 vTrail;
flat in vec4 vLook;
flat in vec3 vBalance;
flat in float vMono;
flat in float vLag;

#include "shaders/common.cpp"
#include "shaders/film.cpp"

void main() {
    // Whole texels, unfiltered: cheaper, and at a silhouette no colour of the background
    // leaks into the 3D's outputs. The scene target has this pass's size, so the texel is
    // the one under the pixel (llvmpipe spends as much on working out a texel from uv as
    // on reading it).
    ivec2 at = ivec2(gl_FragCoord.xy);
    vec3 c = texelFetch(texture2d, at, 0).rgb;
    vec4 emitted = texelFetch(texture2d2, at, 0);
    vec4 surfaceInfo = texelFetch(texture2d3, at, 0);
    // The object program marks what it shaded with 1/4 .. 1/2 in the alpha of output 2.
    // Elsewhere (the clear colour, pictures, draws without the program, additive draws
    // over pictures) outputs 1 and 2 hold no surface and are left alone.
    float shaded = step(0.2, surfaceInfo.a) * (1.0 - step(0.502, surfaceInfo.a));
    emitted *= shaded;
    vec3 normal = surfaceInfo.xyz * 2.0 - 1.0;
    float clarity = clamp(surfaceInfo.a * 4.0 - 1.0, 0.0, 1.0) * shaded;

    // The footage lights the 3D: a faint fill and a rim in its mean colour, so objects sit
    // in the plate rather than on it. Hazy or fogged surfaces catch less of it.
    float rim = 1.0 - clamp(normal.z, 0.0, 1.0);
    rim *= rim;
    c += clarity * vPlateLight * (vLook.z + 0.45 * rim);

    // Emitting surfaces glow; the wide halation around them belongs to the post pass.
    c += emitted.rgb * vLook.y;

    // Dust and light leaks from a window of the overlay picture that jumps every film
    // frame, as dirt in a gate does. Over the dark clips it is screened (it lightens, as
    // dirt on a negative prints); over the white clips it darkens, as dirt on a print.
    vec3 dirt = texture(OverlayTexture, vec2(vUV.x, 1.0 - vUV.y) * 0.6 + vDirt.xy).rgb * vDirt.z;
    c = clamp(c, 0.0, 1.0);
    c = mix(1.0 - (1.0 - c) * (1.0 - dirt), c * (1.0 - dirt), vDirt.w);

    c *= lensFalloff((vUV - 0.5) * vCorner, vLook.w);
    c *= vBalance;
    c = mix(c, vec3(luma(c)), vMono);

    // Grain: the grain picture's deviation from its own mean (the mean, the frame's
    // exposure, is the post pass's flicker). The picture covers the frame once, as a film
    // layer does (tiled, its scratches and dust would repeat across the frame), but a
    // grain is never drawn larger than 2 x 2 pixels: a small picture is tiled instead.
    // It is shifted every projector frame so that a held frame keeps its grain alive.
    // Below full scale a pixel takes the mean of the grain that the screen pixels it
    // stands for would show: read one grain each, the grain would come out coarser and
    // stronger once the picture is enlarged, and some of it would be skipped. The first and
    // the last of those screen pixels on each axis read neighbouring grains (or the same
    // one, always so at full scale), and one filtered read between them is their mean.
    ivec2 noiseSize = max(textureSize(textureNoise, 0), ivec2(1));
    float perScreenPixel = renderScale > 0.0 ? renderScale : 1.0;
    vec2 grainScale = max(vec2(noiseSize) * vFrameTexel * perScreenPixel, vec2(0.5));
    vec2 firstScreenPixel = floor((gl_FragCoord.xy - 0.25) / perScreenPixel) + 0.5;
    vec2 lastScreenPixel = floor((gl_FragCoord.xy + 0.25) / perScreenPixel) + 0.5;
    vec2 grainAt = mod(0.5 * (floor(firstScreenPixel * grainScale) + floor(lastScreenPixel * grainScale)) + vGrainShift,
                       vec2(noiseSize)) + 0.5;
    float grain = (texture(textureNoise, grainAt / vec2(noiseSize)).r - vGrainBase) * step(2.0, float(noiseSize.x));
    c = addGrain(c, grain, vLook.x);

    // Trails: where 3D content was, last frame shows through, decaying. The previous frame
    // is read a hair smaller so the trails drift outwards.
    vec4 previous = texelAt(textureFeedback, 0.5 + (vUV - 0.5) * 0.996);
    c = mix(c, previous.rgb, previous.a * vTrail.x * (1.0 - 0.75 * shaded));
    // The 1.5 code values taken off every frame make sure an 8-bit mask reaches zero.
    float mask = max(emitted.a, previous.a * vTrail.y - 1.5 / 255.0);

    // Lag of a tube camera: a light on a dark ground fades over a few frames instead of
    // vanishing. Kept off bright grounds, where it would wash out anything dark that moves.
    // The last frame is the one the trails read, a hair smaller: a fading light drifts
    // outwards with them by at most a pixel at the frame's edge, and the pass reads its
    // history once instead of twice.
    vec3 before = previous.rgb;
    float lag = vLag * smoothstep(0.45, 0.9, luma(before)) * (1.0 - smoothstep(0.35, 0.7, luma(c)));
    c = max(c, before * lag);

    c += blueDither(BlueTexture, gl_FragCoord.xy, vFrame);
    gl_FragColor = vec4(c, mask);
}
