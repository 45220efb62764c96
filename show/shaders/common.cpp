// Shared by every stage of the show's programs: what the live knobs mean, which stretch
// of the edit a position lies in, luminance and cheap hashes. Included by both vertex
// and fragment sources, so nothing here may need a fragment-only built-in.

const vec3 kLumaWeights = vec3(0.2126, 0.7152, 0.0722);

float luma(vec3 c) { return dot(c, kLumaWeights); }

// A knob arrives as -1..1 and reads -1 until it first moves: the untouched controller is
// the designed look, so each knob is read as 0 (as designed) .. 1 (far end).
float knobAmount(float k) { return clamp(k * 0.5 + 0.5, 0.0, 1.0); }

// k0: film grain, up to four times the designed amount.
float grainStrength(float k0) { return 0.22 * (1.0 + 3.0 * knobAmount(k0)); }
// k1: feedback, the share of the last frame that a trail keeps.
float trailStrength(float k1) { return 0.5 + 0.42 * knobAmount(k1); }
// k2: halation, the warm glow that highlights spill into the dark around them.
float halationStrength(float k2) { return 0.55 + 1.6 * knobAmount(k2); }
// k3: colour temperature; a little warm as designed (> 0), cold at the far end (< 0).
float temperatureShift(float k3) { return 0.3 - 1.2 * knobAmount(k3); }
// k4: contrast, as a slope multiplier of the print curve (1 is a straight line).
float contrastAmount(float k4) { return 1.3 + 0.7 * knobAmount(k4); }
// k5: vignette, from a gentle fall-off to a deep one.
float vignetteStrength(float k5) { return 0.3 + 0.7 * knobAmount(k5); }

// 1 inside [from, to) of the edit, else 0: the passes know which clip they are finishing.
float clipRange(float x, float from, float to) { return step(from, x) * (1.0 - step(to, x)); }

// The second reel shares the screen with the first only in these two stretches: as the
// overlay of the driving clip and as the double exposure of the last reels.
float secondReelOnScreen(float x) { return clipRange(x, 170.0, 180.0) + clipRange(x, 380.0, 500.0); }

// Hashes built from fract and products only: llvmpipe evaluates sin() in software, and a
// sine-based hash per pixel costs more than a texture read.
float hash12(vec2 p) {
    vec3 p3 = fract(vec3(p.xyx) * 0.1031);
    p3 += dot(p3, p3.yzx + 33.33);
    return fract((p3.x + p3.y) * p3.z);
}

vec2 hash22(vec2 p) {
    vec3 p3 = fract(vec3(p.xyx) * vec3(0.1031, 0.1030, 0.0973));
    p3 += dot(p3, p3.yzx + 33.33);
    return fract((p3.xx + p3.yz) * p3.zy);
}

// Projection runs at 24 frames per second whatever the display does: weave, dust and
// flicker step with this frame number.
float filmFrame(float seconds) { return floor(seconds * 24.0); }

// Scales uv - 0.5 of a frame of this size to "from the centre", 1 at the corners.
vec2 frameCorner(vec2 size) {
    float aspect = size.x / size.y;
    return vec2(aspect, 1.0) * (2.0 / sqrt(aspect * aspect + 1.0));
}
