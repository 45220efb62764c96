// A small blur of "texture2d": the centre and four diagonal taps placed between texels,
// so that with linear filtering each tap averages four texels (17 texels for five reads).
// Built with the other programs; the passes of the show do not use it.
#version 130

uniform sampler2D texture2d;

in vec2 vUV;

void main() {
    vec2 texel = 1.0 / max(vec2(textureSize(texture2d, 0)), vec2(1.0));
    vec2 a = vec2(1.5, 1.5) * texel;
    vec2 b = vec2(1.5, -1.5) * texel;
    vec4 sum = texture(texture2d, vUV) * 0.2;
    sum += (texture(texture2d, vUV + a) + texture(texture2d, vUV - a) +
            texture(texture2d, vUV + b) + texture(texture2d, vUV - b)) * 0.2;
    gl_FragColor = sum;
}
