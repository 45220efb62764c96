/* crt_loaded_exe_test VELMORA_EXE CRT_DLL STREAM_DIR: velmora.exe as another program sees
 * it. The program loads velmora.exe as a module (LoadLibrary, as a C or C# host does) and
 * crt.dll, takes the four exported functions from each, and decodes every stream in
 * STREAM_DIR, and damaged copies of each, through both: the results, the texts and the
 * arrays must be the same bytes. An executable loaded this way has its imports left
 * unbound, so its exports must not run its own code. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "decode_dump.h"

typedef struct Buffer {
    unsigned char* data;
    size_t size, capacity;
} Buffer;

static void buffer_write(void* context, const void* data, size_t size) {
    Buffer* buffer = (Buffer*)context;
    if (buffer->capacity - buffer->size < size) {
        size_t capacity = buffer->capacity ? buffer->capacity : 4096;
        while (capacity - buffer->size < size) capacity *= 2;
        buffer->data = (unsigned char*)realloc(buffer->data, capacity);
        if (!buffer->data) {
            printf("FAILED: out of memory\n");
            exit(1);
        }
        buffer->capacity = capacity;
    }
    memcpy(buffer->data + buffer->size, data, size);
    buffer->size += size;
}

static int functions_of(HMODULE module, const char* file, CrtFunctions* crt) {
    static const char* const kNames[] = {"CreateDecoder", "DecodeMesh", "DestroyDecoder", "GetLastDecoderError"};
    FARPROC found[4];
    int i;
    for (i = 0; i < 4; ++i) {
        found[i] = GetProcAddress(module, kNames[i]);
        if (!found[i]) {
            printf("FAILED: %s: no usable export %s (error %lu)\n", file, kNames[i], GetLastError());
            return 0;
        }
    }
    crt->create = (void* (*)(int, const void*, float*))(void (*)(void))found[0];
    crt->decode = (int (*)(void*, float*, uint32_t*, float*, float*, float*))(void (*)(void))found[1];
    crt->destroy = (void (*)(void*))(void (*)(void))found[2];
    crt->last_error = (const char* (*)(void))(void (*)(void))found[3];
    return 1;
}

typedef struct Compare {
    CrtFunctions exe, dll;
    Buffer fromExe, fromDll;
    DumpCounts exeCounts, dllCounts;
    const char* name;
    int cases, differing;
} Compare;

static void compare_one(void* context, int variant, const unsigned char* bytes, size_t size) {
    Compare* c = (Compare*)context;
    const DumpOutput toExe = {buffer_write, &c->fromExe}, toDll = {buffer_write, &c->fromDll};
    c->fromExe.size = c->fromDll.size = 0;
    dump_decode(&c->exe, &toExe, &c->exeCounts, c->name, variant, bytes, size);
    dump_decode(&c->dll, &toDll, &c->dllCounts, c->name, variant, bytes, size);
    ++c->cases;
    if (c->fromExe.size == c->fromDll.size && memcmp(c->fromExe.data, c->fromDll.data, c->fromExe.size) == 0) return;
    if (++c->differing <= 5)
        printf("FAILED: %s#%d: velmora.exe gives %lu bytes, crt.dll %lu, not the same\n", c->name, variant,
               (unsigned long)c->fromExe.size, (unsigned long)c->fromDll.size);
}

int main(int argc, char** argv) {
    Compare c;
    HMODULE exe, dll;
    WIN32_FIND_DATAA found;
    HANDLE search;
    char pattern[MAX_PATH + 8];
    int streams = 0;
    memset(&c, 0, sizeof c);
    if (argc != 4) {
        fprintf(stderr, "usage: %s VELMORA_EXE CRT_DLL STREAM_DIR\n", argv[0]);
        return 2;
    }
    /* velmora.exe first: its exports must work before anything else brought crt.dll in. */
    exe = LoadLibraryA(argv[1]);
    if (!exe) {
        printf("FAILED: cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    if (!functions_of(exe, "velmora.exe", &c.exe)) return 1;
    dll = LoadLibraryA(argv[2]);
    if (!dll) {
        printf("FAILED: cannot load %s (error %lu)\n", argv[2], GetLastError());
        return 1;
    }
    if (!functions_of(dll, "crt.dll", &c.dll)) return 1;

    snprintf(pattern, sizeof pattern, "%s/*.crt", argv[3]);
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        printf("FAILED: no streams in %s\n", argv[3]);
        return 1;
    }
    do {
        char path[2 * MAX_PATH];
        size_t size = 0;
        unsigned char* bytes;
        snprintf(path, sizeof path, "%s/%s", argv[3], found.cFileName);
        bytes = dump_read_file(path, &size);
        if (!bytes) {
            printf("FAILED: cannot read %s\n", path);
            return 1;
        }
        c.name = found.cFileName;
        dump_variants(bytes, size, compare_one, &c);
        free(bytes);
        ++streams;
    } while (FindNextFileA(search, &found));
    FindClose(search);

    printf("velmora.exe loaded by another program: %d decodes of %d streams through its exports, %d differing from "
           "crt.dll's (%d meshes, %d refused by CreateDecoder, %d failed in DecodeMesh)%s\n",
           c.cases, streams, c.differing, c.exeCounts.decoded, c.exeCounts.refused, c.exeCounts.failed,
           c.exe.create == c.dll.create ? "; its exports are crt.dll's own" : "");
    free(c.fromExe.data);
    free(c.fromDll.data);
    return c.differing == 0 && c.cases > 0 ? 0 : 1;
}
