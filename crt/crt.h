/* crt mesh decoder: C interface.
 * Decodes a triangle mesh stored in the compressed crt format from a block of memory into
 * arrays the caller supplies. Exported unmangled from the velmora executable, libcrt.so
 * and crt.dll. */
#ifndef CRT_CRT_H
#define CRT_CRT_H

#include <stdint.h>

#if defined(_WIN32)
#define CRT_API __declspec(dllexport)
#else
#define CRT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Reads the stream header and returns an opaque decoder handle, or NULL on failure.
 *
 *   length  the stream's length in bytes. Nothing at or past data + length is ever read;
 *           a stream that needs more is reported as truncated. Negative is refused.
 *   data    the first byte of the stream (its magic, bytes 00 63 7A 78). No alignment is
 *           needed. The decoder does not copy it: keep it alive and unchanged until
 *           DecodeMesh has returned.
 *   info    two floats, or NULL: info[0] receives the face count and info[1] the vertex
 *           count (as floats; exact up to 2^24).
 *
 * Safe on untrusted input. On failure (not a crt file, truncated header, a length of 0,
 * counts the stream cannot hold, out of memory) it returns NULL and GetLastDecoderError()
 * says why.
 *
 * The counts are checked before they are reported, so that a short stream cannot make a
 * caller size large arrays: a stream with faces is refused when its face count is above
 * 255 times the bytes after the header (no byte of the format stands for more than 255
 * connectivity symbols, a block of one repeated symbol aside), above the symbols it
 * holds or above 1431655764, or when its vertex count is above three times its face
 * count (every vertex is numbered by a face). A stream without faces decodes nothing:
 * its vertex count is reported unchecked and DecodeMesh needs no arrays for it.
 *
 * Memory and time, for a stream of L bytes decoding to D bytes (12 a face and 4 for each
 * attribute component of each vertex: the mesh as the arrays below hold it):
 * CreateDecoder allocates at most 32 L bytes and a few kilobytes, DecodeMesh at most
 * 13 D more, besides the caller's arrays. Every loop is bounded by the stream's length
 * or by those checked counts, so both run in time linear in L + D.
 *
 * Threads: separate handles may be used on separate threads at the same time; one handle
 * must not be used by two threads at once. */
CRT_API void* CreateDecoder(int length, const void* data, float* info);

/* Decodes the mesh into the caller's arrays and returns the face count.
 *
 * Returns -1, doing nothing else, when the stream has no faces (the handle can then be
 * destroyed as usual). Returns -2 on any failure, with GetLastDecoderError() saying why;
 * the arrays may then hold partial results.
 *
 * Array sizes, with F and V the counts that CreateDecoder reported:
 *   indices    3 * F uint32 values; required when F > 0.
 *   positions  V * (components of the "position" attribute) floats.
 *   normals    V * 3 floats.
 *   colors     V * 4 floats (RGBA, 1.0 = full; values above 1 are not clamped; a colour
 *              stored without alpha gets alpha 1).
 *   uvs        V * (components of the "uv" attribute) floats.
 * Any of positions, normals, colors and uvs may be NULL: that attribute is still read
 * to keep the stream in step and its values are discarded. Attributes of other names are
 * read and discarded. An attribute that would write a different number of values per
 * vertex than its array holds under these rules fails the decode instead of writing
 * past the array.
 *
 * A handle serves one DecodeMesh call; a second one fails. Safe on untrusted input:
 * damaged connectivity, counts that do not fit the data and out-of-range indices are
 * reported, never read or written outside the stream or the arrays. */
CRT_API int DecodeMesh(void* decoder, float* positions, uint32_t* indices, float* normals, float* colors,
                       float* uvs);

/* Frees the decoder and everything it owns. NULL is ignored. */
CRT_API void DestroyDecoder(void* decoder);

/* The message of the last failed CreateDecoder or DecodeMesh call on the calling thread,
 * or "" when the last call on this thread succeeded. The text is a constant that stays
 * valid for the life of the program; each thread has its own. Never NULL. */
CRT_API const char* GetLastDecoderError(void);

#ifdef __cplusplus
}
#endif

#endif /* CRT_CRT_H */
