// The print's look for the whole frame, for the vertex stage of the pass that prints the
// picture (v_fixed.cpp, the post pass's): printer lights, split toning, burnt edges and the
// lens, which the print (f_postprocess_final.cpp) applies to every pixel. The including
// stage declares the clocks, "type", "TheType" and "k0" .. "k5" as uniforms.

flat out vec4 vPrint;       // exposure, flash, saturation, contrast
flat out vec3 vShadows;     // split-tone of the shadows
flat out vec3 vHighlights;  // and of the highlights
flat out vec3 vBurn;        // colour of the print's burnt edges
flat out vec4 vLens;        // lateral colour (pixels), echo share, burn strength, noise gain

void printLook() {
    float warmth = temperatureShift(k3);
    float mono = clamp(type, 0.0, 1.0);
    float tagged = clamp(TheType, 0.0, 1.0);
    // Printer lights: the white clips are printed a little down so paper white is not
    // glaring; the print's density breathes by a fraction of a percent per film frame;
    // tagged stretches print a flash; the red clears print a little less saturated.
    float exposure = (1.0 - 0.05 * clipRange(ttime, 280.0, 500.0)) * (1.0 + 0.012 * (hash12(vec2(filmFrame(fttime), 21.0)) - 0.5));
    float redClear = clipRange(cttime, 180.0, 220.0) + clipRange(cttime, 500.0, 510.0);
    float colourPrint = 1.0 - 0.6 * mono;
    vPrint = vec4(exposure, 0.3 * tagged, (0.86 - 0.12 * redClear) * colourPrint, contrastAmount(k4));
    // Shadows towards teal, highlights towards the print's warmth; a black and white
    // print is toned only faintly.
    vShadows = vec3(-0.012, 0.004, 0.016) * colourPrint;
    vHighlights = vec3(0.018, 0.006, -0.02) * (0.5 + warmth) * colourPrint;
    vBurn = vec3(0.9) + vec3(-0.06, 0.0, 0.08) * warmth;
    // Halation (k2) stands for a softer, older lens; the feedback knob (k1) brings in the
    // echo; the grain knob (k0) adds pixel-fine noise to the dither.
    vLens = vec4(1.2 + 2.5 * knobAmount(k2), 0.45 * knobAmount(k1), 0.6 * vignetteStrength(k5), 1.0 + 4.0 * knobAmount(k0));
}
