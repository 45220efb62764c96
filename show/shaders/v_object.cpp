// Vertex stage of the object program: everything the scenes draw with it, from the
// immediate-mode background quads to the OBJ models, meshes, tubes and points.
#version 130

out vec3 vEyePosition;   // eye space, for lighting, fog and the face normal
out vec3 vEyeNormal;     // the normal the draw supplied; may be stale (meshes give none)
out vec4 vColour;        // glColor or the per-vertex colour
out vec2 vTexCoord;      // unit 0 coordinates through the texture matrix, as fixed function
flat out float vFlat;    // 1 for draws without perspective: background and overlay quads

void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    vEyePosition = eye.xyz / eye.w;
    vEyeNormal = gl_NormalMatrix * gl_Normal;
    vColour = gl_Color;
    vTexCoord = (gl_TextureMatrix[0] * gl_MultiTexCoord0).xy;
    // gluPerspective puts -1 in the third column's w row; identity and scaled projections
    // (the scenes' 2D quads) have 0 there.
    vFlat = 1.0 - step(1e-6, abs(gl_ProjectionMatrix[2][3]));
    // ftransform keeps depth identical to draws made without a program in the same scene.
    gl_Position = ftransform();
}
