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
#include "decode_dump.h"

static const CrtFunctions kLinked = {CreateDecoder, DecodeMesh, DestroyDecoder, GetLastDecoderError};

static void write_file(void* context, const void* data, size_t size) { fwrite(data, 1, size, (FILE*)context); }

struct Dump {
    DumpOutput out;
    DumpCounts counts;
    const char* name;
};

static void decode_one(void* context, int variant, const unsigned char* bytes, size_t size) {
    struct Dump* dump = (struct Dump*)context;
    dump_decode(&kLinked, &dump->out, &dump->counts, dump->name, variant, bytes, size);
}

int main(int argc, char** argv) {
    char path[4096];
    int streams = 0, total = 0;
    FILE* list;
    struct Dump dump;
    memset(&dump, 0, sizeof dump);
    if (argc != 3) {
        fprintf(stderr, "usage: %s OUTPUT LIST\n", argv[0]);
        return 2;
    }
    list = fopen(argv[2], "rb");
    dump.out.write = write_file;
    dump.out.context = fopen(argv[1], "wb");
    if (!list || !dump.out.context) {
        fprintf(stderr, "cannot read %s or write %s\n", argv[2], argv[1]);
        return 1;
    }
    while (fgets(path, sizeof path, list)) {
        const char* base;
        unsigned char* bytes;
        size_t size = 0;
        path[strcspn(path, "\r\n")] = 0;
        if (!path[0]) continue;
        bytes = dump_read_file(path, &size);
        if (!bytes) {
            fprintf(stderr, "cannot read %s\n", path);
            return 1;
        }
        base = strrchr(path, '/');
        dump.name = base ? base + 1 : path;
        total += dump_variants(bytes, size, decode_one, &dump);
        free(bytes);
        ++streams;
    }
    fclose(list);
    if (fclose((FILE*)dump.out.context) != 0) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    printf("%d decodes of %d streams (%d meshes, %d refused by CreateDecoder, %d failed in DecodeMesh, %d without faces)\n",
           total, streams, dump.counts.decoded, dump.counts.refused, dump.counts.failed, dump.counts.empty);
    return 0;
}
