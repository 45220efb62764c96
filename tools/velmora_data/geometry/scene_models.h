// Builders of the show's models, each sized and placed for the scene transforms that
// draw it. `tiny` lowers the tessellation only; shapes and sizes stay the same.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "mesh.h"

namespace velmora_data {

// The tower scene's cube (2.4 units wide) and the wire cube of the box swarm (about 2).
Mesh buildBox();
Mesh buildWireBox();
// The height field of the canyon flight: x -5..5, z from kTerrainTileFront back by
// kTerrainTileDepth, y up.
Mesh buildTerrain(bool tiny);
// A figure-like sculpture on a plinth, z up, facing +x (the way both scenes that draw
// it look at it), about 3 units tall from the plinth's foot at z = -1.118.
Mesh buildSculpture270(bool tiny);
// A tessellated ball; loaded by the show but never drawn.
Mesh buildTessellatedBall(bool tiny);
// The title in solid letters, centred on the origin, facing +z, `width` wide.
Mesh buildTitle(double width, double depth, bool underline);
// The ant, head towards +z, standing on y = 0, about one unit long: the body, and the
// two alternating leg tripods that the scenes swing about y.
Mesh buildAntBody(bool tiny);
Mesh buildAntLegs(bool firstTripod, bool tiny);
// The two coloured sculptures, each already in the frame in which the show draws it.
Mesh buildSculptureOne(bool tiny);
Mesh buildSculptureTwo(bool tiny);
// The figure's 19 body-part objects, in object order, as (name, mesh).
std::vector<std::pair<std::string, Mesh>> buildBodyParts(bool tiny);

// Tiles of the terrain are laid out every 1.74 units along -z by the canyon scene.
constexpr double kTerrainTileDepth = 1.74;
constexpr double kTerrainTileFront = 0.54;

}  // namespace velmora_data
