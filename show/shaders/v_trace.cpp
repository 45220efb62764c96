// Vertex stage of the composite: a full-screen quad with its texture coordinates.
// Whatever is the same over the whole frame is worked out here, four times, instead of at
// every pixel (llvmpipe does not lift it out of the fragment stage): the look the knobs
// and clocks ask for, the overall light of the footage on screen, how much of it the 3D
// covers, and the exposure of this frame's grain picture.
#version 130

uniform sampler2D texture2d;  // for the frame's size
uniform sampler2D textureVideo;
uniform sampler2D textureVideo2;
uniform sampler2D textureNoise;
uniform sampler2D texture2ddepth;
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
flat out vec2 vCorner;      // scales uv - 0.5 to "from the centre", 1 at the corners
flat out vec2 vFrameTexel;  // size of a pixel of the frame, in uv
flat out float vFrame;      // display frame number, for the dithers

flat out vec3 vPlateLight;  // mean colour of the footage on screen: the light the 3D sits in
flat out float vGrainBase;  // mean of the grain picture; grain is its deviation from this
flat out vec2 vGrainShift;  // where the grain picture starts this projector frame, in its texels
flat out vec4 vDirt;        // xy: window into the overlay picture; z: its strength; w: 1 to print it dark
flat out vec2 vTrail;       // share of the last frame a trail shows, and how fast it decays
flat out vec4 vLook;        // grain, glow of emitting surfaces, fill from the footage, lens fall-off
flat out vec3 vBalance;     // white balance
flat out float vMono;       // 1 for a black and white print
flat out float vLag;        // share of a light the next frame keeps on a dark ground, by k1 (feedback)

#include "shaders/common.cpp"
#include "shaders/frame_stats.cpp"

void main() {
    vUV = gl_MultiTexCoord0.xy;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;

    vec2 size = vec2(max(textureSize(texture2d, 0), ivec2(1)));
    vCorner = frameCorner(size);
    vFrameTexel = 1.0 / size;
    vFrame = floor(fullttime * 60.0);
    float warmth = temperatureShift(k3);
    float mono = clamp(type, 0.0, 1.0);
    float tagged = clamp(TheType, 0.0, 1.0);

    vec3 first = pictureMean(textureVideo).rgb;
    vec3 second = pictureMean(textureVideo2).rgb;
    vPlateLight = mix(first, 0.5 * (first + second), secondReelOnScreen(ttime));
    // The more of the frame the 3D covers, the less footage is left to light it.
    vPlateLight *= 1.0 - 0.5 * coverage(texture2ddepth);
    vGrainBase = pictureMean(textureNoise).r;
    vGrainShift = floor(hash22(vec2(floor(fullttime * 24.0), 1.0)) * 4096.0);
    // Dirt jumps to a new window of the overlay each film frame, at its own strength;
    // over the white clips it prints dark.
    vDirt = vec4(hash22(vec2(filmFrame(cttime), 11.0)) * 0.4, 0.16 + 0.14 * hash12(vec2(filmFrame(fttime), 5.0)),
                 clipRange(ttime, 280.0, 500.0));
    // Tagged stretches of the edit trail harder.
    vTrail = vec2(min(trailStrength(k1) * (1.0 + 0.5 * tagged), 0.95), 0.72 + 0.2 * knobAmount(k1));
    // More contrast, less fill from the footage in the shadows of the 3D.
    vLook = vec4(grainStrength(k0), 0.45 * halationStrength(k2), 0.05 * (1.0 - 0.7 * knobAmount(k4)), vignetteStrength(k5));
    vBalance = vec3(1.0 + 0.11 * warmth, 1.0 + 0.015 * warmth, 1.0 - 0.15 * warmth);
    vMono = mono;
    vLag = 0.5 + 0.4 * knobAmount(k1);
}
