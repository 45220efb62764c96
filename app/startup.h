// Runs once between opening the real window and the first frame.
#pragma once
#include <string>
#include <vector>

#include "app/app_state.h"

// What marks the working directory as a show's folder: the shader folder "shaders" and the
// frame archive "bin.txt" and "bin.bin" (links followed; whether they read well is for the
// loaders to say). Returns those of them that are missing; empty when all are there.
std::vector<std::string> missingShowData();

void startup(AppState& app);
// Right before the first frame: a take (the input source) puts its start in place, and the
// first frame sees the controller as that start left it.
void beginInputSource(AppState& app);
// The nine render targets at their sizes and sample counts, in their creation order.
void createShowTargets(AppState& app);
