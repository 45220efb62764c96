// Vertex stage of the post pass and the blur: a full-screen quad with its texture
// coordinates. For the post pass it also works out, four times per frame instead of at
// every pixel, what stays the same over the frame: the moon's place under the free
// camera and its colour, the veiling glare, the light of the second picture, the
// exposure flicker of the grain picture, the halation, the weave, the double exposure
// and the print's look. The blur keeps none of it.
#version 130

uniform mat4 MV;  // the free camera's view
uniform mat4 MP;  // and projection
uniform sampler2D texture2d;  // the composite, for the frame's size
uniform sampler2D moon;
uniform sampler2D textureVideo;
uniform sampler2D textureVideo2;
uniform sampler2D texture2d2;
uniform sampler2D texture2d3;
uniform sampler2D texture2dOther;
uniform sampler2D texture2dOtherdepth;
uniform sampler2D textureNoise;
uniform float ttime;
uniform float cttime;
uniform float fttime;
uniform float fullttime;
uniform float type;
uniform float TheType;
uniform float k0;
uniform float k1;
uniform float k2;
uniform float k3;
uniform float k4;
uniform float k5;

out vec2 vUV;
flat out vec3 vMoon;        // xy: where the moon is on screen (0..1), z: 1 when in front
flat out vec3 vMoonColour;  // mean colour of the moon picture; black while there is none
flat out vec3 vGlare;       // light scattered over the whole frame inside the lens
flat out vec3 vOtherLight;  // mean light of the second picture where it has content
flat out float vExposure;   // this frame's exposure from the grain picture, 0 = as shot
flat out vec3 vHalo;        // the halation taps this frame: direction (cos, sin), radius scale
flat out vec3 vHalation;    // colour and strength of the halation
flat out vec3 vFlare;       // the faint flare round the moon's place
flat out vec2 vWeave;       // gate weave of this film frame, in pixels
flat out float vSecondExposure;  // how much of the second reel is printed over the first
flat out vec2 vCorner;      // scales uv - 0.5 to "from the centre", 1 at the corners
flat out float vFrame;      // display frame number, for the dither

#include "shaders/common.cpp"
#include "shaders/frame_stats.cpp"
#include "shaders/print_look.cpp"

// The moon hangs in this direction of the free camera's world: up and to the right of
// where the camera looks when it starts.
const vec3 kMoonDirection = vec3(-0.2426, -0.3174, 0.9167);

void main() {
    vUV = gl_MultiTexCoord0.xy;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;

    // A direction has w = 0: the camera's turning moves the moon, its travel does not.
    vec4 clip = MP * (MV * vec4(kMoonDirection, 0.0));
    float inFront = step(1e-4, clip.w);
    vMoon = vec3(clip.xy / max(clip.w, 1e-4) * 0.5 + 0.5, inFront);
    vMoonColour = pictureMean(moon).rgb;

    // Glare is the frame's own light spread by the lens: the footage on screen, the light
    // in the scene's glow output (where the background fills it, the background itself),
    // and more of it through haze (outputs with little clarity).
    vec3 first = pictureMean(textureVideo).rgb;
    vec3 second = pictureMean(textureVideo2).rgb;
    vec3 footage = mix(first, 0.5 * (first + second), secondReelOnScreen(ttime));
    vec3 emitted = pictureMean(texture2d2).rgb;
    float haze = 1.0 - pictureMean(texture2d3).a;
    vGlare = (0.6 * footage + 0.4 * emitted) * (0.6 + 0.8 * haze);

    vec4 other = drawnMean(texture2dOther, texture2dOtherdepth);
    vOtherLight = other.rgb * other.a;

    // The grain pictures are printed around mid-grey with a few levels of exposure
    // flicker: their mean is this frame's exposure.
    float noiseMean = pictureMean(textureNoise).r;
    vExposure = step(1e-3, noiseMean) * (noiseMean - 128.0 / 255.0);

    // What stays the same over the whole frame is worked out here, four times, rather
    // than at every pixel: llvmpipe does not lift it out of the fragment stage.
    // The halation taps turn and breathe every display frame; a quarter turn covers
    // every direction, since the taps form a cross.
    float frame = floor(fullttime * 60.0);
    float angle = hash12(vec2(frame, 2.0)) * 1.5707963;
    vHalo = vec3(cos(angle), sin(angle), 0.6 + 0.8 * hash12(vec2(frame, 4.0)));
    // Warm halation, redder as the print warms (k3); grey on a black and white print;
    // tagged stretches of the edit halate more.
    vec3 colour = mix(vec3(1.0, 0.42, 0.22), vec3(1.0, 0.3, 0.1), clamp(temperatureShift(k3) + 0.5, 0.0, 1.0));
    colour = mix(colour, vec3(0.6), clamp(type, 0.0, 1.0));
    float strength = halationStrength(k2) * (1.0 + 0.5 * clamp(TheType, 0.0, 1.0));
    vHalation = colour * 0.3 * strength;
    vFlare = vec3(1.0, 0.62, 0.34) * 0.025 * strength;
    vWeave = (hash22(vec2(filmFrame(fttime), 3.0)) - 0.5) * vec2(0.5, 0.8);
    // The double exposure breathes a little from film frame to film frame.
    vSecondExposure = 0.28 * clipRange(ttime, 380.0, 500.0) * (0.85 + 0.3 * hash12(vec2(filmFrame(cttime), 9.0)));

    vec2 size = vec2(max(textureSize(texture2d, 0), ivec2(1)));
    vCorner = frameCorner(size);
    vFrame = floor(fullttime * 60.0);
    printLook();
}
