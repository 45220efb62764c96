// The final look of every frame: the print. Printer lights per clip, the print curve
// (contrast), split toning, the print's burnt edges (vignette) and a dither into the
// window's 8 bits. The post pass (f_postprocess.cpp) ends with it: it includes this file
// and prints each pixel it has worked out, which spares a pass over the whole frame. So
// the print is edited here, and a save shows on the next frames. What stays the same over
// the frame (the printer lights, the toning colours, the burn, the lens) is worked out in
// print_look.cpp, for the vertex stage.

flat in vec2 vCorner;
flat in float vFrame;
flat in vec4 vPrint;
flat in vec3 vShadows;
flat in vec3 vHighlights;
flat in vec3 vBurn;
flat in vec4 vLens;

vec3 printed(vec3 c, vec2 uv, vec2 fragCoord) {
    c = mix(c * vPrint.x, vec3(1.0), vPrint.y);
    c = printCurve(c, vPrint.w);

    // Split toning: shadows towards teal, highlights towards the print's warmth.
    float y = luma(c);
    c += (vShadows * (1.0 - y) + vHighlights * y) * (1.0 - y * 0.5);
    c = mix(vec3(luma(c)), c, vPrint.z);

    // The print's burnt edges, a shade warm or cold with the temperature.
    c -= (1.0 - lensFalloff((uv - 0.5) * vCorner, vLens.z)) * vBurn * c;

    // Dither, with pixel-fine noise on top as the grain knob goes up.
    return c + gradientDither(fragCoord, vFrame) * vLens.w;
}
