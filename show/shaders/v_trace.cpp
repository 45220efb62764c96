// Vertex stage of the composite and of the final pass to the window: a full-screen quad
// with its texture coordinates. For the composite it also measures, once per vertex, the
// overall light of the footage on screen and the exposure of this frame's grain picture.
#version 130

uniform sampler2D textureVideo;
uniform sampler2D textureVideo2;
uniform sampler2D textureNoise;
uniform float ttime;

out vec2 vUV;
flat out vec3 vPlateLight;  // mean colour of the footage on screen: the light the 3D sits in
flat out float vGrainBase;  // mean of the grain picture; grain is its deviation from this

#include "shaders/common.cpp"
#include "shaders/frame_stats.cpp"

void main() {
    vUV = gl_MultiTexCoord0.xy;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
    vec3 first = pictureMean(textureVideo).rgb;
    vec3 second = pictureMean(textureVideo2).rgb;
    vPlateLight = mix(first, 0.5 * (first + second), secondReelOnScreen(ttime));
    vGrainBase = pictureMean(textureNoise).r;
}
