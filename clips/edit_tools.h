// For show makers: the built edit as a picture and as raw values.
#pragma once
#include <string>
#include <vector>

struct Timeline;

// Part clock across, edit position up, each scene's range in its own colour, the end of
// the show marked. Returns false with a message when the file cannot be written or is one
// of the run's input files.
bool plotEdit(const Timeline& edit, const std::string& path, const std::vector<std::string>& inputs, std::string& error);
// The 1,000,000 values as little-endian 32-bit floats.
bool dumpEdit(const Timeline& edit, const std::string& path, const std::vector<std::string>& inputs, std::string& error);
