/* The decode cases that crt_decode_dump and the loaded-executable test share. */
#include "decode_dump.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Arrays a damaged header asks for are capped: both builds skip the same decodes. */
#define MAX_ARRAY_BYTES (64u << 20)
#define GUARD_FLOATS 16
/* Streams above this size get two cuts, not the full set: the fuzz corpus already holds
 * header mutations of the large ones. */
#define FULL_DAMAGE_BELOW 65536

static void put_bytes(const DumpOutput* out, const void* data, size_t size) { out->write(out->context, data, size); }
static void put_text(const DumpOutput* out, const char* text) { put_bytes(out, text, strlen(text) + 1); }
static void put_i32(const DumpOutput* out, int32_t v) { put_bytes(out, &v, sizeof v); }

static uint32_t read_u32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* The component counts of the last "position" and "uv" descriptors (a later one replaces an
 * earlier one), read from the header the way the format lays it out; a C caller has to
 * know them to size those arrays. Returns 0 when the header ends early. */
static int header_components(const unsigned char* s, size_t n, int* position, int* uv) {
    size_t at = 9, k;
    uint32_t properties, count;
    int32_t attributes;
    if (n < at + 4) return 0;
    properties = read_u32(s + at);
    at += 4;
    for (k = 0; k < 2 * (size_t)properties; ++k) {
        if (n - at < 2) return 0;
        at += 2 + (size_t)(s[at] | s[at + 1] << 8);
        if (at > n) return 0;
    }
    if (n - at < 4) return 0;
    attributes = (int32_t)read_u32(s + at);
    at += 4;
    for (count = 0; attributes > 0 && count < (uint32_t)attributes; ++count) {
        size_t length, name;
        if (n - at < 2) return 0;
        length = (size_t)(s[at] | s[at + 1] << 8);
        name = at + 2;
        at = name + length;
        if (at > n || n - at < 11) return 0;
        if (length >= 9 && memcmp(s + name, "position", 9) == 0) *position = s[at + 8];
        if (length >= 3 && memcmp(s + name, "uv", 3) == 0) *uv = s[at + 8];
        at += 11;
    }
    return 1;
}

static float* guarded_floats(size_t count) {
    float* p = (float*)malloc((count + GUARD_FLOATS) * sizeof(float));
    if (p) memset(p, 0xA5, (count + GUARD_FLOATS) * sizeof(float));
    return p;
}

void dump_decode(const CrtFunctions* crt, const DumpOutput* out, DumpCounts* counts, const char* name, int variant,
                 const unsigned char* stream, size_t size) {
    float info[2] = {-1.0f, -1.0f};
    char label[512];
    void* decoder;
    unsigned char* copy = (unsigned char*)malloc(size ? size : 1);
    memcpy(copy, stream, size);
    snprintf(label, sizeof label, "%s#%d", name, variant);
    put_text(out, label);
    decoder = crt->create((int)size, copy, info);
    put_i32(out, decoder != NULL);
    if (!decoder) ++counts->refused;
    put_text(out, crt->last_error());
    put_bytes(out, info, sizeof info);
    if (decoder) {
        const double faces = info[0], vertices = info[1];
        int position = 3, uv = 2;
        header_components(copy, size, &position, &uv);
        if (faces * 12 + vertices * 4 * (position + uv + 7) > MAX_ARRAY_BYTES) {
            put_text(out, "arrays too large to compare");
        } else {
            const size_t F = (size_t)faces, V = (size_t)vertices;
            float* positions = guarded_floats(V * position);
            float* indices = guarded_floats(F * 3);
            float* normals = guarded_floats(V * 3);
            float* colors = guarded_floats(V * 4);
            float* uvs = guarded_floats(V * uv);
            const int result = crt->decode(decoder, positions, (uint32_t*)indices, normals, colors, uvs);
            put_i32(out, result);
            counts->decoded += result >= 0;
            counts->failed += result == -2;
            counts->empty += result == -1;
            put_text(out, crt->last_error());
            put_bytes(out, positions, (V * position + GUARD_FLOATS) * sizeof(float));
            put_bytes(out, indices, (F * 3 + GUARD_FLOATS) * sizeof(float));
            put_bytes(out, normals, (V * 3 + GUARD_FLOATS) * sizeof(float));
            put_bytes(out, colors, (V * 4 + GUARD_FLOATS) * sizeof(float));
            put_bytes(out, uvs, (V * uv + GUARD_FLOATS) * sizeof(float));
            free(positions);
            free(indices);
            free(normals);
            free(colors);
            free(uvs);
        }
        crt->destroy(decoder);
    }
    free(copy);
}

int dump_variants(const unsigned char* stream, size_t size,
                  void (*each)(void* context, int variant, const unsigned char* bytes, size_t size), void* context) {
    unsigned char* damaged = (unsigned char*)malloc(size ? size : 1);
    uint32_t state = (uint32_t)size * 2654435761u + 1;
    int cases = 0, k;
    const size_t cuts[] = {size - 1, size * 3 / 4, size / 2, size / 4, 13, 4};
    const int cut_count = size >= FULL_DAMAGE_BELOW ? 2 : 6;
    each(context, cases++, stream, size);
    for (k = 0; k < cut_count && size > 0; ++k) each(context, cases++, stream, cuts[k] < size ? cuts[k] : 0);
    for (k = 0; size < FULL_DAMAGE_BELOW && size > 0 && k < 8; ++k) {
        state = state * 1664525u + 1013904223u;
        memcpy(damaged, stream, size);
        damaged[(state >> 8) % size] ^= (unsigned char)(1u << (state >> 29));
        each(context, cases++, damaged, size);
    }
    free(damaged);
    return cases;
}

unsigned char* dump_read_file(const char* path, size_t* size) {
    FILE* in = fopen(path, "rb");
    unsigned char* bytes;
    long length;
    if (!in || fseek(in, 0, SEEK_END) != 0 || (length = ftell(in)) < 0 || fseek(in, 0, SEEK_SET) != 0) {
        if (in) fclose(in);
        return NULL;
    }
    bytes = (unsigned char*)malloc(length ? (size_t)length : 1);
    if (fread(bytes, 1, (size_t)length, in) != (size_t)length) {
        fclose(in);
        free(bytes);
        return NULL;
    }
    fclose(in);
    *size = (size_t)length;
    return bytes;
}
