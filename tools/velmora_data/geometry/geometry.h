// The geometry of the default show: every OBJ model, the walking figure's motion file
// and the two coloured PLY sculptures that the show reads from "resources3//".
#pragma once
#include <string>
#include <vector>

namespace velmora_data {

// File names written under outDir/resources3/, in writing order.
const std::vector<std::string>& geometryFileNames();

// Writes every geometry file into outDir/resources3/ (created when missing). Files are
// written under temporary names and renamed only once all of them are complete, so an
// interrupted or failed run leaves no half-written model under a real name. The
// output is byte-identical from run to run; `tiny` lowers mesh resolution only.
// Returns false with a one-line message in `error` when a file cannot be written.
bool writeGeometry(const std::string& outDir, bool tiny, std::string& error);

}  // namespace velmora_data

using velmora_data::writeGeometry;
