// objmodel's GPU parts and its three ways of drawing: by object through client-side
// arrays, by part through vertex array objects, and immediate mode from the parts' CPU
// arrays. All of it needs the GL context, except build_parts' CPU half.
#include "platform/gl.h"

#include <algorithm>
#include <cmath>

#include "models/objmodel.h"
#include "models/view_volume.h"

namespace {

// Attribute locations the scene shaders bind.
constexpr GLuint kPositionLocation = 0;
constexpr GLuint kTextureLocation = 2;
constexpr GLuint kNormalLocation = 3;
constexpr GLuint kColourLocation = 4;
constexpr GLuint kUnusedLocation = 5;

// Buffer-object entry points exist only once GLEW has been initialised on a context.
bool gl_buffers_loaded() { return glGenVertexArrays != nullptr && glGenBuffers != nullptr; }

uint8_t colour_byte(float c) {
    // Components are expected in 0-1; clamp so a stray value cannot overflow the byte.
    const float v = c * 255.0f;
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint8_t>(v);  // truncation
}

template <typename T>
void upload(GLenum target, GLuint buffer, const std::vector<T>& data) {
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(data.size() * sizeof(T)), data.empty() ? nullptr : data.data(),
                 GL_STATIC_DRAW);
}

}  // namespace

void objmodel::build_parts() {
    for (int i = 0; i < 3; ++i) {
        part_box_min[i] = 100000;
        part_box_max[i] = -100000;
    }
    part_count = 0;
    if (object_starts.empty()) return;
    const int count = std::min(static_cast<int>(object_starts.size()), kMaxParts);
    const size_t nv = vertices.size();
    for (int i = 0; i < count; ++i) {
        objpart& p = parts[i];
        p.number = i;
        ++part_count;
        const int32_t triangles = std::clamp(object_starts[i], 0, triangle_count);
        p.vertex_count = static_cast<int32_t>(nv);
        p.index_count = 3 * triangles;
        p.positions.resize(3 * nv);
        p.normals.resize(3 * nv);
        p.texcoords.resize(3 * nv);
        p.colours.resize(3 * nv);
        for (size_t v = 0; v < nv; ++v) {
            const objvertex& src = vertices[v];
            for (int c = 0; c < 3; ++c) {
                const float pos = src.position[c] * scale[c] + offset[c];
                p.positions[3 * v + c] = pos;
                part_box_min[c] = std::min(part_box_min[c], pos);
                part_box_max[c] = std::max(part_box_max[c], pos);
                p.normals[3 * v + c] = src.normal[c];
                p.colours[3 * v + c] = colour_byte(src.colour[c]);
            }
            p.texcoords[3 * v + 0] = src.texcoord[0];
            p.texcoords[3 * v + 1] = src.texcoord[1];
            p.texcoords[3 * v + 2] = static_cast<float>(i);
        }
        // Part i covers triangles 0 to S - 1 of the whole model, not only object i's.
        p.indices.assign(indices.begin(), indices.begin() + p.index_count);
        if (gl_buffers_loaded()) upload_part(p);
    }
}

void objmodel::upload_part(objpart& p) {
    if (!p.vao) {
        glGenVertexArrays(1, &p.vao);
        glGenBuffers(5, p.buffers);
    }
    glBindVertexArray(p.vao);
    upload(GL_ARRAY_BUFFER, p.buffers[0], p.positions);
    glEnableVertexAttribArray(kPositionLocation);
    glVertexAttribPointer(kPositionLocation, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    upload(GL_ARRAY_BUFFER, p.buffers[1], p.normals);
    glEnableVertexAttribArray(kNormalLocation);
    glVertexAttribPointer(kNormalLocation, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    upload(GL_ARRAY_BUFFER, p.buffers[2], p.colours);
    glEnableVertexAttribArray(kColourLocation);
    glVertexAttribPointer(kColourLocation, 3, GL_UNSIGNED_BYTE, GL_TRUE, 0, nullptr);
    upload(GL_ARRAY_BUFFER, p.buffers[3], p.texcoords);
    glEnableVertexAttribArray(kTextureLocation);
    glVertexAttribPointer(kTextureLocation, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDisableVertexAttribArray(kUnusedLocation);
    upload(GL_ELEMENT_ARRAY_BUFFER, p.buffers[4], p.indices);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void objmodel::release_parts() {
    if (!gl_buffers_loaded()) return;
    for (objpart& p : parts) {
        if (!p.vao) continue;
        glDeleteVertexArrays(1, &p.vao);
        glDeleteBuffers(5, p.buffers);
        p.vao = 0;
        std::fill(std::begin(p.buffers), std::end(p.buffers), 0u);
    }
}

void objmodel::draw_object(int k) {
    if (gpu) {
        draw_parts(k);
        return;
    }
    if (!loaded || vertices.empty()) return;
    const int objects = object_count();
    const char* base = reinterpret_cast<const char*>(vertices.data());
    auto draw_one = [&](int j) {
        const int32_t first = std::clamp(object_starts[j], 0, triangle_count);
        const int32_t last = std::clamp(object_starts[j + 1], first, triangle_count);
        if (last == first) return;
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        // Client-side indices need no element buffer: leave any vertex array object.
        glBindVertexArray(0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        if (has_positions) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, sizeof(objvertex), base);
        }
        if (has_texcoords) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, sizeof(objvertex), base + 12);
        }
        if (has_normals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, sizeof(objvertex), base + 20);
        }
        glDrawElements(GL_TRIANGLES, 3 * (last - first), GL_UNSIGNED_INT, indices.data() + 3 * static_cast<size_t>(first));
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    };
    if (k >= 0) {
        if (k < objects) draw_one(k);
        return;
    }
    for (int j = 0; j < objects; ++j) draw_one(j);
}

void objmodel::draw_parts(int k) {
    auto draw_one = [&](int i) {
        const objpart& p = parts[i];
        if (!p.vao || p.index_count <= 0) return;
        glBindVertexArray(p.vao);
        glDrawElements(GL_TRIANGLES, p.index_count, GL_UNSIGNED_INT, nullptr);
        glBindVertexArray(0);
    };
    if (k >= 0) {
        if (k < part_count) draw_one(k);
        return;
    }
    for (int i = 0; i < part_count; ++i) draw_one(i);
}

void objmodel::draw_immediate() {
    // A triangle whose bounding sphere is out of view draws no pixel: it is not sent, so
    // the driver does not transform, clip and set up the half of a terrain row behind or
    // beside the camera. The pixels are the same.
    float projection[16], modelview[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    const ViewVolume view = viewVolume(projection, modelview);
    const float* lastNormal = nullptr;
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < part_count; ++i) {
        const objpart& p = parts[i];
        const size_t nv = p.positions.size() / 3;
        for (size_t t = 0; t + 2 < p.indices.size() && t + 2 < static_cast<size_t>(p.index_count); t += 3) {
            const uint32_t* tri = &p.indices[t];
            if (tri[0] >= nv || tri[1] >= nv || tri[2] >= nv) continue;
            // Flat shading: the first corner's normal for all three.
            const float* n = &p.normals[3 * tri[0]];
            lastNormal = n;
            const float* v[3] = {&p.positions[3 * tri[0]], &p.positions[3 * tri[1]], &p.positions[3 * tri[2]]};
            if (view.usable) {
                float centre[3], reach2 = 0.0f;
                for (int e = 0; e < 3; ++e) centre[e] = (v[0][e] + v[1][e] + v[2][e]) / 3.0f;
                for (const float* corner : v) {
                    float d2 = 0.0f;
                    for (int e = 0; e < 3; ++e) d2 += (corner[e] - centre[e]) * (corner[e] - centre[e]);
                    reach2 = std::max(reach2, d2);
                }
                if (sphereOutside(view, centre[0], centre[1], centre[2], std::sqrt(reach2) * 1.001f + 1e-5f)) continue;
            }
            for (const float* corner : v) {
                glNormal3f(n[0], n[1], n[2]);
                glVertex3f(corner[0], corner[1], corner[2]);
            }
        }
    }
    glEnd();
    // The current normal is left as if every triangle had been sent: later draws that
    // give none inherit it.
    if (lastNormal) glNormal3f(lastNormal[0], lastNormal[1], lastNormal[2]);
}
