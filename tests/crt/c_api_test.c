/* The exported functions called from C through crt/crt.h and libcrt, on a golden stream
 * that pins the format: one triangle with positions at step 0.5. */
#include <stdio.h>
#include <string.h>

#include "crt/crt.h"

static const unsigned char kOneTriangle[] = {
    0x00, 0x63, 0x7a, 0x78,  /* magic */
    0x04, 0x03, 0x02, 0x01,  /* not interpreted */
    0x00,                    /* entropy: stored */
    0x01, 0x00, 0x00, 0x00,  /* 1 property */
    0x0a, 0x00, 0x67, 0x65, 0x6e, 0x65, 0x72, 0x61, 0x74, 0x6f, 0x72, 0x00, /* "generator" */
    0x05, 0x00, 0x68, 0x61, 0x6e, 0x64, 0x00,                               /* "hand" */
    0x01, 0x00, 0x00, 0x00,  /* 1 attribute */
    0x09, 0x00, 0x70, 0x6f, 0x73, 0x69, 0x74, 0x69, 0x6f, 0x6e, 0x00, /* "position" */
    0x01, 0x00, 0x00, 0x00,  /* codec 1 (generic) */
    0x00, 0x00, 0x00, 0x3f,  /* step 0.5f */
    0x03, 0x06, 0x00,        /* 3 components, format 6, strategy 0 */
    0x03, 0x00, 0x00, 0x00,  /* 3 vertices */
    0x01, 0x00, 0x00, 0x00,  /* 1 face */
    0x01, 0x00, 0x00, 0x00,  /* 1 group */
    0x01, 0x00, 0x00, 0x00, 0x00, /* face end 1, no properties */
    0x10, 0x00, 0x00, 0x00,  /* front capacity 16 */
    0x01, 0x00, 0x00, 0x00, 0x00, /* symbol block: 1 symbol, 0 (first triangle) */
    0x00, 0x00, 0x00, 0x00,  /* 0 connectivity words, at offset 84: no padding */
    /* positions, per-component residuals (4,0,0) and (-4,8,0) from the vertex before: */
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x82, /* 1 word: bits 100 000 1000 */
    0x03, 0x00, 0x00, 0x00, 0x00, 0x03, 0x03,       /* x bit counts 0 3 3 */
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04,       /* y bit counts 0 0 4 */
    0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,       /* z bit counts 0 0 0 */
};

int main(void) {
    float info[2] = {0, 0};
    float positions[9];
    uint32_t indices[3];
    static const float expected[9] = {0, 0, 0, 2, 0, 0, 0, 4, 0};
    void* decoder = CreateDecoder((int)sizeof kOneTriangle, kOneTriangle, info);
    if (!decoder || info[0] != 1.0f || info[1] != 3.0f) {
        printf("CreateDecoder failed: %s\n", GetLastDecoderError());
        return 1;
    }
    if (DecodeMesh(decoder, positions, indices, NULL, NULL, NULL) != 1) {
        printf("DecodeMesh failed: %s\n", GetLastDecoderError());
        return 1;
    }
    DestroyDecoder(decoder);
    if (indices[0] != 0 || indices[1] != 1 || indices[2] != 2 || memcmp(positions, expected, sizeof expected) != 0) {
        printf("wrong mesh decoded\n");
        return 1;
    }
    /* One byte short: refused with a message, never a read past it. */
    decoder = CreateDecoder((int)sizeof kOneTriangle - 1, kOneTriangle, info);
    if (!decoder || DecodeMesh(decoder, positions, indices, NULL, NULL, NULL) != -2 || !GetLastDecoderError()[0]) {
        printf("truncated stream not refused\n");
        return 1;
    }
    DestroyDecoder(decoder);
    return 0;
}
