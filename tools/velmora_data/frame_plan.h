// The set of archive names the show can load: every frame that a scene's frame rule asks
// to load somewhere inside its own range of edit positions, grouped by sequence.
#pragma once
#include <map>
#include <set>
#include <string>

// Sequence prefix ("c://videos//fog") -> the frame numbers its rules load (never negative).
using FramePlan = std::map<std::string, std::set<int>>;

// Samples every scene's range densely enough to meet every frame number its rules can
// give (frame numbers change at most every 1/50 of a unit of edit position) and takes
// both sides of every rule that depends on the part clock.
FramePlan collectRequestedFrames();

// Total number of names in a plan.
size_t planNameCount(const FramePlan& plan);
