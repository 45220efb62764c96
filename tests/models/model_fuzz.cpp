// libFuzzer target for the model loaders: the bytes become an OBJ (with a companion MTL),
// a BVH or an objloader part, chosen by the first byte, read from a temporary file as the
// show reads its assets; the loaded model's own invariants are then checked.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "models/body.h"
#include "models/objloader.h"
#include "models/objmodel.h"

namespace {

std::string folder() {
    static std::string dir = [] {
        char pattern[] = "/tmp/velmora_model_fuzz_XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    return dir;
}

void write(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static std::ostringstream sink;
    std::cout.rdbuf(sink.rdbuf());  // the loaders' progress lines
    sink.str("");
    const std::string obj = folder() + "/m.obj", mtl = folder() + "/lib.mtl", bvh = folder() + "/m.bvh";
    const uint8_t kind = data[0] % 3;
    ++data, --size;
    if (kind == 0) {
        // The second half doubles as the material library a "mtllib lib.mtl" line would name.
        write(obj, data, size);
        write(mtl, data + size / 2, size - size / 2);
        objmodel model;
        model.load(obj, false);
        model.build_parts();
        for (uint32_t i : model.indices)
            if (i >= model.vertices.size()) std::abort();
        for (int32_t m : model.triangle_materials)
            if (m < 0 || m >= static_cast<int32_t>(model.materials.size())) std::abort();
    } else if (kind == 1) {
        write(bvh, data, size);
        body figure(bvh);
        for (const joint* j : figure.skeleton->joint_list)
            if (static_cast<int>(j->matrices.size()) != figure.skeleton->frame_count) std::abort();
        figure.update();
    } else {
        write(obj, data, size);
        rigid part(obj);
        for (const meshgroup* g : part.groups)
            for (const meshface& f : g->faces)
                for (int32_t p : f.position)
                    if (p < 1 || static_cast<size_t>(p) > part.positions.size()) std::abort();
    }
    return 0;
}
