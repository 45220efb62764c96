// BVH inspection: the joints in file order with their channel counts, the frames read
// and announced, and the frame time, as the show's skeleton reads them.
#include <ostream>

#include "inspect.h"
#include "models/skeleton.h"
#include "platform/printable.h"

namespace {

struct tally {
    int joints = 0;
    int end_sites = 0;
    long channels = 0;
};

void print_joint(std::ostream& out, const joint* j, int depth, tally& t) {
    out << "  " << std::string(2 * depth, ' ');
    if (j->children.empty() && j->name.empty()) {
        ++t.end_sites;
        out << "End Site\n";
    } else {
        ++t.joints;
        t.channels += static_cast<long>(j->channels.size());
        out << (j->name.empty() ? "(unnamed)" : platform::printable(j->name, 64)) << ": " << j->channels.size() << " channels\n";
    }
    for (const joint* child : j->children) print_joint(out, child, depth + 1, t);
}

}  // namespace

int inspect_bvh(const std::string& path, std::ostream& out) {
    try {
        skeleton bvh(path);
        out << "BVH " << path << "\n";
        if (bvh.too_deep) {
            out << "joints nested deeper than " << skeleton::kMaxJointDepth << " levels: the show refuses this file\n";
            return 1;
        }
        if (!bvh.root) {
            out << "no ROOT: the file has no joint hierarchy\n";
            return 1;
        }
        out << "joints in file order:\n";
        tally t;
        print_joint(out, bvh.root, 0, t);
        out << "joints: " << t.joints << ", end sites: " << t.end_sites << "\n";
        out << "channels per frame: " << t.channels << "\n";
        const int frames = bvh.frame_count > 0 ? bvh.frame_count - 1 : 0;
        out << "frames: " << frames << " (announced " << bvh.announced_frames << ")\n";
        out << "frame time: " << bvh.frame_time << " s\n";
        if (frames == 0) out << "no motion frame: the body draws nothing with this file\n";
        return 0;
    } catch (const fileNotFound&) {
        out << "velmora-inspect: cannot open " << path << "\n";
        return 1;
    }
}
