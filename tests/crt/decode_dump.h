/* Decodes crt streams, and damaged copies of them, through a set of the exported C
 * functions and writes all that comes back: whether a handle came, the counts, the
 * results, the error texts and every output array with the guard bytes after it. Two sets
 * of functions that decode alike write the same bytes for the same streams. */
#ifndef TESTS_CRT_DECODE_DUMP_H
#define TESTS_CRT_DECODE_DUMP_H

#include <stddef.h>
#include <stdint.h>

/* The four exported functions, from wherever the caller found them. */
typedef struct CrtFunctions {
    void* (*create)(int length, const void* data, float* info);
    int (*decode)(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors, float* uvs);
    void (*destroy)(void* decoder);
    const char* (*last_error)(void);
} CrtFunctions;

/* Where the bytes go. */
typedef struct DumpOutput {
    void (*write)(void* context, const void* data, size_t size);
    void* context;
} DumpOutput;

/* How the decodes ended: a mesh, refused by CreateDecoder, failed in DecodeMesh, no faces. */
typedef struct DumpCounts {
    int decoded, refused, failed, empty;
} DumpCounts;

/* One decode of the size bytes at stream (copied into an allocation of exactly that size,
 * so a sanitizer sees any over-read), labelled "name#variant". */
void dump_decode(const CrtFunctions* crt, const DumpOutput* out, DumpCounts* counts, const char* name, int variant,
                 const unsigned char* stream, size_t size);

/* Calls each(context, variant, bytes, size) for the stream as given (variant 0), then for
 * copies cut short and with a single bit flipped, at places a fixed generator picks from
 * the size. Returns the number of calls. */
int dump_variants(const unsigned char* stream, size_t size,
                  void (*each)(void* context, int variant, const unsigned char* bytes, size_t size), void* context);

/* The whole file in a fresh allocation (free it), or NULL when it cannot be read. */
unsigned char* dump_read_file(const char* path, size_t* size);

#endif
