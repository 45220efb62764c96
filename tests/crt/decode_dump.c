/* crt_decode_dump OUTPUT LIST: decodes every stream that LIST names (one path a line)
 * through the exported C functions,
 * and damaged copies of it (cut short, single bits flipped), and writes to OUTPUT all that
 * the functions give back: whether a handle came, the counts, the results, the error
 * texts and every output array with the guard bytes after it. The same source built
 * against libcrt.so and against crt.dll must write identical files for identical streams.
 * Prints the number of decodes to standard output. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "crt/crt.h"

/* Arrays a damaged header asks for are capped: both builds skip the same decodes. */
#define MAX_ARRAY_BYTES (64u << 20)
#define GUARD_FLOATS 16
/* Streams above this size get two cuts, not the full set: the fuzz corpus already holds
 * header mutations of the large ones. */
#define FULL_DAMAGE_BELOW 65536

static FILE* g_out;
/* How the decodes ended: a mesh, refused by CreateDecoder, failed in DecodeMesh, no faces. */
static int g_decoded, g_refused, g_failed, g_empty;

static void put_text(const char* text) { fwrite(text, 1, strlen(text) + 1, g_out); }
static void put_i32(int32_t v) { fwrite(&v, sizeof v, 1, g_out); }
static void put_bytes(const void* data, size_t size) { fwrite(data, 1, size, g_out); }

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

static void decode_case(const char* name, int variant, const unsigned char* stream, size_t size) {
    float info[2] = {-1.0f, -1.0f};
    char label[512];
    void* decoder;
    /* Each case in an allocation of exactly its size, so a sanitizer sees any over-read. */
    unsigned char* copy = (unsigned char*)malloc(size ? size : 1);
    memcpy(copy, stream, size);
    snprintf(label, sizeof label, "%s#%d", name, variant);
    put_text(label);
    decoder = CreateDecoder((int)size, copy, info);
    put_i32(decoder != NULL);
    if (!decoder) ++g_refused;
    put_text(GetLastDecoderError());
    put_bytes(info, sizeof info);
    if (decoder) {
        const double faces = info[0], vertices = info[1];
        int position = 3, uv = 2;
        header_components(copy, size, &position, &uv);
        if (faces * 12 + vertices * 4 * (position + uv + 7) > MAX_ARRAY_BYTES) {
            put_text("arrays too large to compare");
        } else {
            const size_t F = (size_t)faces, V = (size_t)vertices;
            float* positions = guarded_floats(V * position);
            float* indices = guarded_floats(F * 3);
            float* normals = guarded_floats(V * 3);
            float* colors = guarded_floats(V * 4);
            float* uvs = guarded_floats(V * uv);
            const int result = DecodeMesh(decoder, positions, (uint32_t*)indices, normals, colors, uvs);
            put_i32(result);
            g_decoded += result >= 0;
            g_failed += result == -2;
            g_empty += result == -1;
            put_text(GetLastDecoderError());
            put_bytes(positions, (V * position + GUARD_FLOATS) * sizeof(float));
            put_bytes(indices, (F * 3 + GUARD_FLOATS) * sizeof(float));
            put_bytes(normals, (V * 3 + GUARD_FLOATS) * sizeof(float));
            put_bytes(colors, (V * 4 + GUARD_FLOATS) * sizeof(float));
            put_bytes(uvs, (V * uv + GUARD_FLOATS) * sizeof(float));
            free(positions);
            free(indices);
            free(normals);
            free(colors);
            free(uvs);
        }
        DestroyDecoder(decoder);
    }
    free(copy);
}

/* The original, then cuts and bit flips at places a fixed generator picks from the size. */
static int decode_with_damage(const char* name, const unsigned char* stream, size_t size) {
    unsigned char* damaged = (unsigned char*)malloc(size ? size : 1);
    uint32_t state = (uint32_t)size * 2654435761u + 1;
    int cases = 0, k;
    const size_t cuts[] = {size - 1, size * 3 / 4, size / 2, size / 4, 13, 4};
    const int cut_count = size >= FULL_DAMAGE_BELOW ? 2 : 6;
    decode_case(name, cases++, stream, size);
    for (k = 0; k < cut_count && size > 0; ++k) decode_case(name, cases++, stream, cuts[k] < size ? cuts[k] : 0);
    for (k = 0; size < FULL_DAMAGE_BELOW && size > 0 && k < 8; ++k) {
        state = state * 1664525u + 1013904223u;
        memcpy(damaged, stream, size);
        damaged[(state >> 8) % size] ^= (unsigned char)(1u << (state >> 29));
        decode_case(name, cases++, damaged, size);
    }
    free(damaged);
    return cases;
}

static int decode_file(const char* path) {
    const char* base = strrchr(path, '/');
    FILE* in = fopen(path, "rb");
    unsigned char* bytes;
    long size;
    int cases;
    if (!in || fseek(in, 0, SEEK_END) != 0 || (size = ftell(in)) < 0 || fseek(in, 0, SEEK_SET) != 0) {
        fprintf(stderr, "cannot read %s\n", path);
        if (in) fclose(in);
        return -1;
    }
    bytes = (unsigned char*)malloc(size ? (size_t)size : 1);
    if (fread(bytes, 1, (size_t)size, in) != (size_t)size) {
        fprintf(stderr, "cannot read %s\n", path);
        fclose(in);
        free(bytes);
        return -1;
    }
    fclose(in);
    cases = decode_with_damage(base ? base + 1 : path, bytes, (size_t)size);
    free(bytes);
    return cases;
}

int main(int argc, char** argv) {
    char path[4096];
    int streams = 0, total = 0;
    FILE* list;
    if (argc != 3) {
        fprintf(stderr, "usage: %s OUTPUT LIST\n", argv[0]);
        return 2;
    }
    list = fopen(argv[2], "rb");
    g_out = fopen(argv[1], "wb");
    if (!list || !g_out) {
        fprintf(stderr, "cannot read %s or write %s\n", argv[2], argv[1]);
        return 1;
    }
    while (fgets(path, sizeof path, list)) {
        int cases;
        path[strcspn(path, "\r\n")] = 0;
        if (!path[0]) continue;
        cases = decode_file(path);
        if (cases < 0) return 1;
        total += cases;
        ++streams;
    }
    fclose(list);
    if (fclose(g_out) != 0) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    printf("%d decodes of %d streams (%d meshes, %d refused by CreateDecoder, %d failed in DecodeMesh, %d without faces)\n",
           total, streams, g_decoded, g_refused, g_failed, g_empty);
    return 0;
}
