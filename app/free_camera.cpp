#include "app/free_camera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "platform/file_read.h"
#include "platform/file_write.h"

namespace {

// Rows of R(q) for q = (x, y, z, w), not normalised.
void rotationRows(const float* q, float r0[3], float r1[3], float r2[3]) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    r0[0] = x * x - y * y - z * z + w * w;
    r0[1] = 2 * (x * y - z * w);
    r0[2] = 2 * (x * z + y * w);
    r1[0] = 2 * (x * y + z * w);
    r1[1] = y * y - x * x - z * z + w * w;
    r1[2] = 2 * (y * z - x * w);
    r2[0] = 2 * (x * z - y * w);
    r2[1] = 2 * (y * z + x * w);
    r2[2] = z * z + w * w - x * x - y * y;
}

void normalise(float v[3]) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length <= 1.1920929e-7f) return;
    for (int i = 0; i < 3; ++i) v[i] /= length;
}

void copy3(float* dst, const float* src) { std::copy(src, src + 3, dst); }

// q <- q (x) (axis sin(a/2), cos(a/2)): a turn in the camera's own frame.
void rotate(float* q, const float* axis, float degrees) {
    const float half = degrees * 0.017453292f * 0.5f;
    const float s = std::sin(half), c = std::cos(half);
    const float bx = axis[0] * s, by = axis[1] * s, bz = axis[2] * s, bw = c;
    const float ax = q[0], ay = q[1], az = q[2], aw = q[3];
    q[0] = aw * bx + ax * bw + ay * bz - az * by;
    q[1] = aw * by - ax * bz + ay * bw + az * bx;
    q[2] = aw * bz + ax * by - ay * bx + az * bw;
    q[3] = aw * bw - ax * bx - ay * by - az * bz;
}

}  // namespace

FreeCamera::FreeCamera() {
    q[3] = 1.0f;  // identity, then -30 degrees about z and -90 degrees about y
    const float z[3] = {0, 0, 1}, y[3] = {0, 1, 0};
    rotate(q, z, -30.0f);
    rotate(q, y, -90.0f);
    deriveCamera(*this);
}

void deriveCamera(FreeCamera& c) {
    float r0[3], r1[3], r2[3];
    rotationRows(c.q, r0, r1, r2);
    const float ds = c.distance * c.speed;
    for (int i = 0; i < 3; ++i) c.eyeOffset[i] = ds * r0[i];
    copy3(c.up, r1);
    copy3(c.row0, r0);
    copy3(c.row2, r2);
    copy3(c.row1, r1);
    copy3(c.row2Copy, r2);
    copy3(c.row1Copy, r1);
    for (int i = 0; i < 3; ++i) {
        const float world = c.pan[0] * r1[i] + c.pan[1] * r2[i] + c.pan[2] * r0[i];
        c.centre[i] = c.pivot[i] + world;
        c.eye[i] = c.centre[i] + c.eyeOffset[i];
    }
}

void cameraUpdate(FreeCamera& c, float x, float y, bool left, bool middle, bool right) {
    if (!left) c.orbitLatch = 0;
    if (!middle) c.dollyLatch = 0;
    if (!right) c.rollLatch = 0;
    if (!(right && c.rollLatch && c.orbitLatch)) c.panLatch = 0;
    c.dragging = 0;

    float r0[3], r1[3], r2[3];
    if (left && right) {  // pan
        c.dragging = 1;
        if (!c.panLatch) {
            c.lastInput[0] = x;
            c.lastInput[1] = y;
            rotationRows(c.q, r0, r1, r2);
            copy3(c.pitchAxis, r2);
            copy3(c.yawAxis, r1);
            c.panLatch = c.orbitLatch = c.rollLatch = 1;
        }
        c.lastStep[0] = x - c.lastInput[0];
        c.lastStep[1] = y - c.lastInput[1];
        const float k = 0.7f * std::max(c.distance, 0.2f);
        c.pan[0] += c.lastStep[1] * k * 0.002f * c.speed;
        c.pan[1] += c.lastStep[0] * k * 0.002f * c.speed;
        c.lastInput[0] = x;
        c.lastInput[1] = y;
    }
    if (right) {  // roll; after a pan it sees no movement
        if (!c.rollLatch) {
            c.lastInput[0] = x;
            c.lastInput[1] = y;
            rotationRows(c.q, r0, r1, r2);
            copy3(c.rollAxis, r0);
            normalise(c.rollAxis);
            c.rollLatch = 1;
        }
        const float dx = (x - c.lastInput[0]) * 0.6f;
        rotate(c.q, c.rollAxis, dx);
        c.lastInput[0] = x;
        c.lastInput[1] = y;
    }
    if (middle) {  // dolly; no orbit while it is held
        if (!c.dollyLatch) {
            c.lastInput[1] = y;
            c.dollyLatch = 1;
        }
        const float dy = y - c.lastInput[1];
        c.pan[2] += dy * 0.01f * c.speed;
        c.lastInput[1] = y;
    } else if (left) {  // orbit
        if (!c.orbitLatch) {
            c.lastInput[0] = x;
            c.lastInput[1] = y;
            c.orbitLatch = 1;
        }
        c.dragging = 1;
        rotationRows(c.q, r0, r1, r2);
        copy3(c.rollAxis, r0);
        copy3(c.yawAxis, r1);
        copy3(c.pitchAxis, r2);
        normalise(c.rollAxis);
        normalise(c.yawAxis);
        normalise(c.pitchAxis);
        const float dx = x - c.lastInput[0], dy = y - c.lastInput[1];
        rotate(c.q, c.pitchAxis, -dy);
        rotate(c.q, c.yawAxis, dx);
        c.lastInput[0] = x;
        c.lastInput[1] = y;
    }
    deriveCamera(c);
}

void updateFreeCamera(AppState& app) {
    FreeCamera& c = app.camera;
    const float d0 = c.distance;
    const float stepX = (app.mouseX - app.prevMouseX) * 0.5f / d0;
    const float stepY = (app.mouseY - app.prevMouseY) * 0.5f / d0;
    if (app.buttonLeft) {
        app.dragX += stepX;
        app.dragY += stepY;
    }
    if (app.buttonRight) {  // both buttons: twice the step
        app.dragX += stepX;
        app.dragY += stepY;
    }
    cameraUpdate(c, app.dragX * 0.15f, app.dragY * 0.15f, app.buttonLeft, app.buttonMiddle, app.buttonRight);
    c.distance += (app.inputs.wheelStep * 0.8f) * 0.03f * std::max(c.distance * 2.5f, 1.0f);
    c.distance = std::max(c.distance, 0.2f);
    app.prevMouseX = static_cast<float>(app.mouseX);
    app.prevMouseY = static_cast<float>(app.mouseY);
}

const char* cameraRecordFault(const FreeCamera& c) {
    // Every float of the record (the latch bytes at 176-179 and 184-187 are not floats).
    const auto* bytes = reinterpret_cast<const unsigned char*>(&c);
    for (size_t at = 0; at < sizeof c; at += 4) {
        if ((at >= 176 && at < 180) || (at >= 184 && at < 188)) continue;
        float v;
        std::memcpy(&v, bytes + at, sizeof v);
        if (!std::isfinite(v)) return "a number that is not finite";
        if (std::fabs(v) > 1e6f) return "a number out of range";
    }
    // Turning keeps q a unit quaternion up to float rounding, far inside this tolerance.
    const float norm = std::sqrt(c.q[0] * c.q[0] + c.q[1] * c.q[1] + c.q[2] * c.q[2] + c.q[3] * c.q[3]);
    if (std::fabs(norm - 1.0f) > 0.05f) return "an orientation that is not a unit quaternion";
    if (!(c.distance > 0.0f && c.distance <= 1e4f)) return "a distance out of range";
    if (!(c.speed > 0.0f && c.speed <= 1e3f)) return "a speed out of range";
    return nullptr;
}

bool loadCameraFile(FreeCamera& camera, const char* path) {
    std::string why;
    platform::FileRead status = platform::FileRead::Read;
    FILE* f = platform::open_regular_file(path, why, &status);
    if (!f) {
        // No file yet is the usual first run; anything else under the name is said.
        if (status != platform::FileRead::Missing) printf("%s: %s; starting from the default camera\n", path, why.c_str());
        return false;
    }
    unsigned char bytes[sizeof(FreeCamera)];
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    // A short file replaces only the leading bytes; check the record that results.
    FreeCamera loaded = camera;
    std::copy(bytes, bytes + n, reinterpret_cast<unsigned char*>(&loaded));
    if (const char* fault = cameraRecordFault(loaded)) {
        // A broken camera would blacken every frame, and be saved back for the next run.
        printf("%s: damaged camera record (%s); starting from the default camera\n", path, fault);
        return false;
    }
    camera = loaded;
    return true;
}

bool saveCameraFile(const FreeCamera& camera, const char* path) {
    std::string why;
    return platform::write_file(path, &camera, sizeof camera, {}, why) == platform::FileWrite::Written;
}
