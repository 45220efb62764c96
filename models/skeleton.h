// skeleton: a BVH motion capture file read as a stream of whitespace-separated tokens
// driving a small state machine, into a tree of joints that each hold a rest matrix and
// one local motion matrix per frame. Throws fileNotFound when the file cannot be opened.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "models/objloader.h"
#include "models/vecmath.h"

// Thrown when the BVH file cannot be opened.
class fileNotFound {};

// Channel codes, in the order of their names on a CHANNELS line.
enum : int32_t { kXposition = 0, kYposition = 1, kZposition = 2, kZrotation = 3, kXrotation = 4, kYrotation = 5 };

struct joint {
    std::string name;               // after ROOT or JOINT; empty for end sites
    vec3 offset;                    // from OFFSET
    std::vector<mat4> matrices;     // column-major: [0] rest (translation = offset), [f] frame f
    std::unique_ptr<rigid> part;    // for the joint names of the body-part table
    joint* parent = nullptr;        // none for the root
    std::vector<int32_t> channels;  // channel codes in CHANNELS order
    std::vector<joint*> children;   // in file order; owned by the skeleton
};

class skeleton {
public:
    // Reads the file (see load); fileNotFound when it cannot be opened.
    explicit skeleton(const std::string& path);
    skeleton(const skeleton&) = delete;
    skeleton& operator=(const skeleton&) = delete;

    void load(const std::string& path);
    void parse_token(const std::string& token);
    // Rest matrices for the joint and everything below it; joints with children join the
    // joint list, over which the motion values are distributed.
    void collect_joints(joint* j);

    // Parser states.
    enum : uint32_t {
        kIdle = 0, kOffset = 1, kChannels = 2, kJointName = 3, kRootName = 4, kAfterEnd = 5,
        kAfterMotion = 7, kFrameCount = 8, kAfterFrame = 9, kFrameTime = 10, kMotion = 11
    };

    bool verbose = true;
    joint* root = nullptr;
    float frame_time = 0;
    joint* current = nullptr;
    std::vector<joint*> joint_list;
    uint32_t state = kIdle;
    int32_t offset_counter = 0;
    int32_t channel_cursor = 0;
    int32_t joint_number = 0;
    int64_t value_count = 0;
    int32_t expected_channels = 0;
    mat4 T, Ry, Rx, Rz;     // working matrices of the joint being filled
    int32_t frame_count = 0;  // after loading: entries of the root's matrix list (1 + frames)
    int32_t announced_frames = 0;  // the number after "Frames:"

    // Deeper nesting than this is refused as a whole: real figures are a few dozen joints
    // deep, and the walks over the tree (drawing, inspection) recurse per level.
    static constexpr int32_t kMaxJointDepth = 512;
    bool too_deep = false;  // the file nested joints deeper than kMaxJointDepth

private:
    joint* new_joint(joint* parent);
    void motion_value(const std::string& token);
    void complete_joint();
    void complete_joints_without_channels();
    void drop_partial_frame();

    std::vector<std::unique_ptr<joint>> joints_;  // every joint created, in file order
    bool collected_ = false;
    int32_t depth_ = 0;  // nesting level of `current`; the root is 0
    int64_t channels_per_frame_ = 0;
};
