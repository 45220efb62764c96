// The free camera: an orbiting camera turned, rolled, panned, dollied and zoomed with the
// mouse. The record is also the byte layout of "FreeCam.bin" (292 bytes, little-endian),
// so a camera placed during one run becomes the starting camera of the next.
#pragma once
#include <cstddef>
#include <cstdint>

struct FreeCamera {
    float q[4] = {};           // 0: orientation quaternion x, y, z, w (not normalised)
    float reserved16[3] = {};  // 16
    float reserved28 = 1.0f;   // 28
    float lastStep[2] = {};    // 32: last drag step of the active mouse mode
    float dragSum[2] = {};     // 40: reserved sum of left-drag steps
    float pitchAxis[3] = {};   // 48: row 2 of R(q), captured by orbit and pan
    float rollAxis[3] = {};    // 60: row 0 of R(q), captured by orbit and roll
    float yawAxis[3] = {};     // 72: row 1 of R(q), captured by orbit and pan
    float row0[3] = {};        // 84: rows of R(q) at the last update
    float row2[3] = {};        // 96
    float row1[3] = {};        // 108
    float row2Copy[3] = {};    // 120
    float row1Copy[3] = {};    // 132
    float pivot[3] = {};       // 144: never changed by the program; a file may set it
    float reserved156[3] = {}; // 156
    float lastInput[2] = {};   // 168: last mouse input seen by the camera
    uint8_t orbitLatch = 0;    // 176
    uint8_t dollyLatch = 0;    // 177
    uint8_t rollLatch = 0;     // 178
    uint8_t reserved179 = 0;   // 179
    float speed = 5.0f;        // 180
    uint8_t dragging = 0;      // 184: set while orbit or pan is active
    uint8_t reserved185 = 0;   // 185
    uint8_t panLatch = 0;      // 186
    uint8_t reserved187 = 0;   // 187
    float dragAccum[3] = {};   // 188
    float eyeOffset[3] = {};   // 200: d * s * row 0
    float pan[3] = {};         // 212: tx, ty, tz
    float up[3] = {};          // 224: row 1
    float distance = 0.65f;    // 236
    float reserved240 = 45.0f; // 240
    float reserved244[6] = {}; // 244
    float eye[3] = {};         // 268
    float centre[3] = {};      // 280

    FreeCamera();  // the initial orientation, then one derivation
};

static_assert(sizeof(FreeCamera) == 292, "FreeCam.bin holds exactly the record");
static_assert(offsetof(FreeCamera, speed) == 180 && offsetof(FreeCamera, panLatch) == 186 &&
                  offsetof(FreeCamera, pan) == 212 && offsetof(FreeCamera, up) == 224 &&
                  offsetof(FreeCamera, distance) == 236 && offsetof(FreeCamera, eye) == 268 &&
                  offsetof(FreeCamera, centre) == 280 && offsetof(FreeCamera, pivot) == 144,
              "the record is the camera file's layout");

// One camera step with mouse input (x, y) and the three buttons; derives eye, centre, up.
void cameraUpdate(FreeCamera& camera, float x, float y, bool left, bool middle, bool right);
// Derives the rows, eye offset, up, centre and eye from q, d, s, the pan and the pivot.
void deriveCamera(FreeCamera& camera);

struct AppState;
// Reads the mouse state of the application record and moves the camera.
void updateFreeCamera(AppState& app);

// Why a record cannot be a camera (a number not finite or beyond 1e6, an orientation that
// is not a unit quaternion, a distance or speed out of range), or null when it can.
const char* cameraRecordFault(const FreeCamera& camera);
// Reads up to 292 bytes of the file over the camera (a short file replaces only its
// leading bytes). Returns false when the file cannot be opened, or when the result is no
// camera: then one line says so and the camera keeps its values (the next save replaces
// the file).
bool loadCameraFile(FreeCamera& camera, const char* path);
// Writes the record through a temporary file renamed into place, so an interrupted
// write never leaves a truncated camera behind, and a planted link never redirects it.
// Returns false when it cannot be written.
bool saveCameraFile(const FreeCamera& camera, const char* path);
