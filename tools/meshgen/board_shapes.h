// The board's surroundings: the frame around the squares, the table under the board and the
// glow under a king in check. Built without the engine, like the pieces, so tests can measure
// them.
#pragma once

#include "geometry.h"

#include <string>
#include <vector>

namespace meshgen {

// The frame's top texture spans world X and Z from -kFrameUvMargin to 8 + kFrameUvMargin;
// tools/boardtex paints its labels for that mapping.
constexpr float kFrameUvMargin = 0.8f;
// Outer edge of the frame, seen from the squares, and the heights of its top and of the table.
constexpr float kFrameWidth = 0.62f;
constexpr float kFrameTop = 0.035f;
constexpr float kTableY = -0.38f;

// Shapes by mesh name without extension: frame, table, glow. Unknown names give an empty mesh.
const std::vector<std::string>& boardShapeNames();
TriMesh buildBoardShape(const std::string& name);
// The material a board shape's mesh names.
const char* boardShapeMaterial(const std::string& name);

} // namespace meshgen
