// Shading of everything the scenes draw with the object program. "Mode" picks the
// shading and "cl" is its one free parameter:
//   0  plain geometry: glColor (or a mesh's vertex colours), lit. Quads drawn without
//      perspective (the scenes' backgrounds) show the texture bound on unit 0 times
//      glColor, unlit; with no texture there, glColor alone.
//   1  textured overlay: "Texture" times glColor, unlit (one scene adds it to the picture).
//   2  boxes: solid dark graphite, lit, with a hard highlight.
//   3  the box swarm: "cl" (0 .. 0.4) takes a box from ember to pale and makes it glow.
//   4  terrain: slate ground of its own colour, lit, fading with distance into fog of
//      brightness "cl" (1: the white clear).
// Points have no surface to light: they keep their colour and glow a little.
//
// The scene target has three colour outputs. Draws made without a program (the scenes'
// background quads, a few black tubes) write their colour into all three, so outputs 1
// and 2 carry a mark of their own:
//   0  colour; alpha = glColor alpha, which the scenes blend with.
//   1  rgb: light the surface emits, which the composite turns into glow;
//      a: how strongly the surface leaves a feedback trail behind it.
//   2  rgb: eye-space normal * 0.5 + 0.5, for the composite's rim light;
//      a: 1/4 + clarity / 4, clarity being the share of the surface seen through haze or
//      fog. That range marks the pixel as shaded by this program: the scenes clear with
//      alpha 0, pictures and draws without this program leave alpha 1, and additive
//      draws over them more; the composite reads outputs 1 and 2 only inside the range.
// Overlays and backgrounds drawn with this program write zeros to outputs 1 and 2.
#version 130

uniform float Mode;
uniform float cl;
uniform sampler2D Texture;      // overlay picture of mode 1; the scene binds it on unit 1
uniform sampler2D BaseTexture;  // never set, so it stays on unit 0 where backgrounds are bound
uniform float ttime;
uniform float k0;
uniform float k1;
uniform float k2;
uniform float k3;
uniform float k4;

in vec3 vEyePosition;
in vec3 vEyeNormal;
in vec4 vColour;
in vec2 vTexCoord;
flat in float vFlat;

#include "shaders/common.cpp"

// The light rig lives in eye space so that every scene camera sees the same modelling: a
// warm key from the upper left in front, a cool fill from the lower right, a fresnel rim.
const vec3 kKeyDirection = vec3(-0.4903, 0.6864, 0.5376);
const vec3 kFillDirection = vec3(0.8305, -0.2329, 0.5062);
const vec3 kEmber = vec3(1.0, 0.36, 0.12);
const vec3 kPale = vec3(0.8, 0.88, 1.0);

// Normal towards the camera. The face normal from screen derivatives is always there,
// whatever the draw supplied: meshes drawn from vertex colours supply none and leave a
// stale one, the same for every vertex. A supplied normal that varies over the surface
// and agrees with the face is kept, so smooth models stay smooth. surface is 0 for
// points, whose positions do not vary across the fragment.
vec3 surfaceNormal(out float surface) {
    vec3 face = cross(dFdx(vEyePosition), dFdy(vEyePosition));
    float area = length(face);
    surface = step(1e-30, area);
    face = area > 1e-30 ? face / area : vec3(0.0, 0.0, 1.0);
    if (dot(face, vEyePosition) > 0.0) face = -face;
    float len = length(vEyeNormal);
    vec3 given = len > 1e-12 ? vEyeNormal / len : face;
    if (dot(given, face) < 0.0) given = -given;
    float agree = smoothstep(0.35, 0.8, dot(given, face)) * step(1e-6, length(fwidth(vEyeNormal)));
    return normalize(mix(face, given, agree));
}

void main() {
    int mode = int(floor(Mode + 0.5));
    float surface;
    vec3 n = surfaceNormal(surface);
    float eyeDistance = length(vEyePosition);
    vec3 toEye = eyeDistance > 1e-12 ? -vEyePosition / eyeDistance : vec3(0.0, 0.0, 1.0);

    // k3 warms or cools the key; k4 (contrast) starves the fill and the ambient.
    float warmth = temperatureShift(k3);
    float hard = knobAmount(k4);
    // The key flickers a few percent per film frame of the edit, like a tungsten lamp on
    // an old stage: the same position always gives the same light.
    float flicker = 1.0 + 0.04 * (hash12(vec2(filmFrame(ttime), 7.0)) - 0.5);
    vec3 keyColour = vec3(1.0, 0.9, 0.78) * vec3(1.0 + 0.12 * warmth, 1.0, 1.0 - 0.2 * warmth) * flicker;
    vec3 fillColour = vec3(0.3, 0.38, 0.5) * (1.0 - 0.7 * hard);
    vec3 ambient = vec3(0.045, 0.05, 0.06) * (1.0 - 0.6 * hard);

    float keyDot = dot(n, kKeyDirection);
    float key = max(keyDot, 0.0);
    float softKey = clamp((keyDot + 0.3) / 1.3, 0.0, 1.0);
    float fill = max(dot(n, kFillDirection), 0.0);
    float edge = 1.0 - max(dot(n, toEye), 0.0);
    float rim = edge * edge * edge;
    float nh = max(dot(n, normalize(kKeyDirection + toEye)), 0.0);
    float nh4 = nh * nh * nh * nh;
    float nh16 = nh4 * nh4 * nh4 * nh4;
    float specular = nh16 * nh16;  // a tight highlight, (n.h)^32, without pow()

    vec4 base = vColour;
    float glowBoost = 0.7 + 1.3 * knobAmount(k2);
    vec3 colour;
    vec3 emit = vec3(0.0);
    float clarity = 1.0;
    float alpha = base.a;

    if (mode == 1) {
        vec4 t = texture(Texture, vTexCoord);
        colour = t.rgb * base.rgb;
        alpha *= t.a;
    } else if (mode == 2) {
        vec3 albedo = base.rgb * 0.36;
        colour = albedo * (ambient + keyColour * key * 1.25 + fillColour * fill * 0.8) +
                 keyColour * specular * 0.7 + rim * 0.1 * keyColour;
        emit = keyColour * specular * 0.3 * glowBoost;
    } else if (mode == 3) {
        float t = clamp(cl * 2.5, 0.0, 1.0);
        vec3 tint = mix(kEmber, kPale, t);
        vec3 albedo = base.rgb * tint * (0.3 + 0.5 * t);
        colour = albedo * (ambient + keyColour * softKey + fillColour * fill) + keyColour * specular * 0.4 +
                 rim * 0.3 * tint;
        emit = tint * (0.12 + 0.9 * cl) * glowBoost * (0.4 + 0.6 * rim);
        colour += emit * 0.5;
    } else if (mode == 4) {
        // Dark slate ridges in a white world: the scene sets no colour of its own for the
        // terrain (glColor is whatever the last draw left, black after the overlay ant),
        // so the ground has its own. Sky light from above, the relief drawn by the key
        // (more of it as contrast goes up); exponential fog takes half of what is left
        // every 10 units.
        vec3 slate = vec3(0.3, 0.31, 0.33);
        float sky = 0.35 - 0.15 * hard;
        colour = slate * (vec3(sky) + keyColour * softKey * (1.1 - sky) + fillColour * fill * 0.5);
        float fog = 1.0 - exp2(-eyeDistance / 10.0);
        colour = mix(colour, vec3(cl), fog);
        clarity = 1.0 - fog;
    } else if (vFlat > 0.5) {
        // Background quads: fixed-function texturing, the texture modulated by glColor.
        // Where no picture is bound (Mesa then reports a 1 x 1 texture that reads black)
        // fixed function would show glColor alone, and so does this.
        float textured = step(2.0, float(textureSize(BaseTexture, 0).x));
        vec4 t = mix(vec4(1.0), texture(BaseTexture, vTexCoord), textured);
        colour = t.rgb * base.rgb;
        alpha *= t.a;
    } else {
        vec3 lit = ambient + keyColour * softKey * 0.95 + fillColour * fill + rim * 0.3 * keyColour;
        colour = base.rgb * lit + keyColour * specular * 0.15;
        emit = keyColour * specular * 0.12 * glowBoost;
        // Points: nothing to light, they stay their colour and glow.
        colour = mix(base.rgb, colour, surface);
        emit = mix(base.rgb * 0.5 * glowBoost, emit, surface);
    }

    // Haze: lit surfaces sink into the dark with distance, less so as contrast (k4) goes
    // up; the terrain has its own fog.
    if (mode == 0 || mode == 2 || mode == 3) {
        float haze = (1.0 - exp2(-eyeDistance / 60.0)) * 0.55 * (1.0 - hard) * (1.0 - vFlat);
        colour = mix(colour, vec3(0.02), haze);
        clarity = 1.0 - haze;
    }

    // Overlays and backgrounds leave no trail and carry no surface; the rest trail by k1.
    float solid = (mode == 1 || (mode == 0 && vFlat > 0.5)) ? 0.0 : 1.0;
    float trail = solid * (0.6 + 0.4 * knobAmount(k1));

    // A little noise at the source breaks the 8-bit bands of smooth lit gradients; k0 (the
    // grain knob) roughens the surfaces further. It follows the edit position, so the same
    // position draws the same pixels.
    float noise = hash12(gl_FragCoord.xy + vec2(fract(ttime * 7.31) * 413.0, 0.0)) - 0.5;
    colour += noise * (1.5 + 6.0 * knobAmount(k0)) / 255.0 * solid;

    gl_FragData[0] = vec4(colour, alpha);
    // Overlays and backgrounds write zeros there, which additive blending leaves unchanged.
    gl_FragData[1] = vec4(emit, trail) * solid;
    gl_FragData[2] = vec4(n * 0.5 + 0.5, 0.25 + 0.25 * clarity) * solid;
}
