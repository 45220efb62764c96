// The BVH token state machine: hierarchy keywords build the joint tree, the frame time
// closes the header, and every later number is one motion channel value.
#include "models/skeleton.h"

#include <algorithm>
#include <iostream>

#include "models/text_scanner.h"

namespace {

// Joint name -> OBJ file of the rigid part attached to that joint.
struct part_file {
    const char* joint;
    const char* path;
};
const part_file kPartFiles[] = {
    {"LeftKnee", "Other/obj/leftforeleg.obj"},     {"RightKnee", "Other/obj/rightforeleg.obj"},
    {"LeftHip", "Other/obj/leftthigh.obj"},        {"RightHip", "Other/obj/rightthigh.obj"},
    {"LeftAnkle", "Other/obj/leftfoot.obj"},       {"RightAnkle", "Other/obj/rightfoot.obj"},
    {"Chest2", "Other/obj/torso.obj"},             {"LeftShoulder", "Other/obj/leftshoulder.obj"},
    {"RightShoulder", "Other/obj/rightshoulder.obj"}, {"LeftElbow", "Other/obj/leftforearm.obj"},
    {"RightElbow", "Other/obj/rightforearm.obj"},  {"LeftWrist", "Other/obj/lefthand.obj"},
    {"RightWrist", "Other/obj/righthand.obj"},     {"Neck", "Other/obj/neck.obj"},
    {"Head", "Other/obj/head.obj"},
};

const char* part_file_for(const std::string& name) {
    for (const part_file& p : kPartFiles)
        if (name == p.joint) return p.path;
    return nullptr;
}

int32_t channel_code(const std::string& name) {
    static const char* const kNames[] = {"Xposition", "Yposition", "Zposition", "Zrotation", "Xrotation", "Yrotation"};
    for (int32_t i = 0; i < 6; ++i)
        if (name == kNames[i]) return i;
    return -1;
}

}  // namespace

skeleton::skeleton(const std::string& path) { load(path); }

void skeleton::load(const std::string& path) {
    T = Ry = Rx = Rz = identity_matrix();
    std::string text;
    std::string why;
    if (!read_text_file(path, text, &why)) {
        if (why.empty())
            std::cout << "File \"" << path << "\" not found.\n" << std::flush;
        else
            std::cout << "File \"" << path << "\": " << why << "; it is not read.\n" << std::flush;
        throw fileNotFound();
    }
    if (verbose) std::cout << "File \"" << path << "\" found.\n";
    text_scanner scanner(std::move(text));
    state = kIdle;
    std::string token;
    // Tokens are not limited in length here: a BVH has no fixed-size buffer.
    while (!too_deep && scanner.next_token(token, std::string::npos)) parse_token(token);
    if (too_deep) {
        std::cout << "File \"" << path << "\": joints nested deeper than " << kMaxJointDepth
                  << " levels; the hierarchy is refused.\n" << std::flush;
        root = current = nullptr;
        joint_list.clear();
        joints_.clear();
    }

    drop_partial_frame();
    if (!joint_list.empty())
        frame_count = static_cast<int32_t>(joint_list[0]->matrices.size());
    else
        frame_count = root ? static_cast<int32_t>(root->matrices.size()) : 0;
    // Without either the figure is not drawn at all: say why, once.
    if (!too_deep && (!root || frame_count <= 1))
        std::cout << "File \"" << path << "\" holds no " << (root ? "motion frames" : "joint hierarchy")
                  << "; the figure is not drawn.\n" << std::flush;
    if (verbose) {
        std::cout << "framesNum = " << frame_count << "\nframetime = " << frame_time << "\n";
        const int64_t per_frame = static_cast<int64_t>(frame_count) * 3;
        std::cout << (per_frame > 0 ? value_count / per_frame : 0) - 1 << " bodyparts\n" << std::flush;
    }
}

joint* skeleton::new_joint(joint* parent) {
    depth_ = parent ? depth_ + 1 : 0;
    if (depth_ > kMaxJointDepth) too_deep = true;
    joints_.push_back(std::make_unique<joint>());
    joint* j = joints_.back().get();
    j->parent = parent;
    if (parent) parent->children.push_back(j);
    return j;
}

void skeleton::parse_token(const std::string& token) {
    if (token == "HIERARCHY") {
        if (verbose) std::cout << state << "\n";
        // falls through to the state handling below
    } else if (token == "OFFSET") {
        state = kOffset;
        offset_counter = 0;
        return;
    } else if (token == "ROOT") {
        // Once the motion has started the tree is fixed: the joint list points into it.
        if (collected_) return;
        root = current = new_joint(nullptr);
        state = kRootName;
        return;
    } else if (token == "{") {
        return;
    } else if (token == "}") {
        if (current && current != root) {
            current = current->parent;
            --depth_;
            state = kIdle;
        }
        return;
    } else if (token == "JOINT" || token == "Site") {
        if (collected_) return;
        if (current) current = new_joint(current);
        state = token == "JOINT" ? kJointName : kIdle;
        return;
    } else if (token == "CHANNELS") {
        state = kChannels;
        expected_channels = 0;
        return;
    } else if (token == "End") {
        state = kAfterEnd;
        return;
    } else if (token == "MOTION") {
        state = kAfterMotion;
        return;
    } else if (token == "Frames:") {
        state = kFrameCount;
        return;
    } else if (token == "Frame") {
        state = kAfterFrame;
        return;
    } else if (token == "Time:") {
        state = kFrameTime;
        return;
    }

    switch (state) {
    case kOffset:
        if (current) {
            float* o = &current->offset.x;
            o[offset_counter] = static_cast<float>(parse_double(token));
        }
        if (++offset_counter == 3) {
            state = kIdle;
            offset_counter = 0;
        }
        break;
    case kChannels:
        if (expected_channels == 0) {
            expected_channels = parse_int(token);
            // "CHANNELS 0" (or a negative count) announces no channel names.
            if (expected_channels <= 0) {
                expected_channels = 0;
                state = kIdle;
            }
            break;
        }
        if (current) {
            const int32_t code = channel_code(token);
            if (code >= 0) current->channels.push_back(code);
            if (static_cast<int64_t>(current->channels.size()) >= expected_channels) {
                state = kIdle;
                expected_channels = 0;
            }
        }
        break;
    case kJointName:
        if (current) {
            current->name = token;
            if (const char* path = part_file_for(token)) {
                current->part = std::make_unique<rigid>(path);
                current->part->model_matrix[10] = 1.0f;  // undo the z-mirror of a new movable
            }
        }
        state = kIdle;
        break;
    case kRootName:
        if (root) root->name = token;
        state = kIdle;
        break;
    case kFrameCount:
        frame_count = announced_frames = parse_int(token);
        state = kIdle;
        break;
    case kFrameTime:
        frame_time = static_cast<float>(parse_double(token));
        state = kMotion;
        current = root;
        depth_ = 0;
        if (!collected_ && root) {
            collect_joints(root);
            collected_ = true;
            for (const joint* j : joint_list) channels_per_frame_ += static_cast<int64_t>(j->channels.size());
        }
        break;
    case kMotion:
        motion_value(token);
        break;
    default:
        break;
    }
}

void skeleton::collect_joints(joint* j) {
    if (!j) return;
    j->matrices.push_back(translation_matrix(j->offset));
    if (!j->children.empty()) joint_list.push_back(j);
    for (joint* child : j->children) collect_joints(child);
}

void skeleton::motion_value(const std::string& token) {
    // Nothing in the hierarchy takes values: there is no frame to fill.
    if (channels_per_frame_ == 0) return;
    complete_joints_without_channels();
    joint* j = joint_list[joint_number];
    const int32_t c = j->channels[channel_cursor];
    ++value_count;
    if (c <= kZposition) {
        const float v = static_cast<float>(parse_double(token));
        for (int r = 0; r < 3; ++r) T[12 + r] += v * T[4 * c + r];
    } else {
        // Degrees to radians in double, stored as float; the helpers rotate by -a, so the
        // matrices end as the right-handed rotation by the channel's angle.
        const float a = static_cast<float>(-(parse_double(token) * 3.141593 / 180));
        if (c == kZrotation)
            rotate_z(Rz, a);
        else if (c == kXrotation)
            rotate_x(Rx, a);
        else
            rotate_y(Ry, a);
    }
    if (++channel_cursor >= static_cast<int32_t>(j->channels.size())) {
        complete_joint();
        complete_joints_without_channels();
    }
}

void skeleton::complete_joint() {
    joint* j = joint_list[joint_number];
    // The rotation order Z, X, Y is fixed whatever the order of the CHANNELS names.
    j->matrices.push_back(multiply(multiply(multiply(T, Rz), Rx), Ry));
    T = Ry = Rx = Rz = identity_matrix();
    channel_cursor = 0;
    if (++joint_number >= static_cast<int32_t>(joint_list.size())) joint_number = 0;
}

void skeleton::complete_joints_without_channels() {
    // A listed joint without channels takes no value but still gets its (identity)
    // matrix each frame, so every listed joint keeps the same number of matrices.
    // Terminates: some listed joint has channels.
    while (channel_cursor == 0 && joint_list[joint_number]->channels.empty()) complete_joint();
}

void skeleton::drop_partial_frame() {
    // A file that ends inside a frame leaves the first joints of the list one matrix
    // ahead; drop that frame so every listed joint has the same count.
    if (joint_list.empty()) return;
    size_t frames = joint_list[0]->matrices.size();
    for (const joint* j : joint_list) frames = std::min(frames, j->matrices.size());
    for (joint* j : joint_list) j->matrices.resize(frames);
}
