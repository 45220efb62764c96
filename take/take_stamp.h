// The show data's stamp: which files the show reads from its folder, with their sizes and
// CRC-32s, so that a replay can tell it plays the show a take was recorded with.
#pragma once
#include <string>
#include <vector>

#include "take/take.h"

// Stamps the show in folder: the frame archive, the music, the models, the pictures and
// the shader sources (not their scrambled twins, which the show rewrites itself). A file
// over 16 MB (the frame archive) is stamped by its size and 64 samples of 64 KB spread
// over it: a re-packed or other archive is told apart, a single changed picture may not be.
std::vector<TakeDataFile> stampShowData(const std::string& folder = ".");

// One line saying how here differs from recorded ("shaders/post.cpp differs (and 2 more
// files)"), or empty when they are the same.
std::string stampDifference(const std::vector<TakeDataFile>& recorded, const std::vector<TakeDataFile>& here);
