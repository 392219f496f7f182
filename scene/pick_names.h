// Scene object names: how tiles and pieces are named, and how a clicked object's name is
// read back into a square or a piece.
#pragma once

#include <string>

namespace korvane {

// "Field_" + two-digit square index.
std::string tileName(int square);
// Kind prefix, "B" for Black, "_", two-digit index: "Pawn_03", "KnigB_01", "KingB_00".
std::string pieceName(int colour, int kind, int index);

struct PickName {
    enum Type {
        Ignored, // not ours to pick (no name, the selection arrow): look further
        Square,
        Piece,
        Foreign // any other name: the click ends without effect
    };
    Type type = Ignored;
    int square = -1;
    int colour = 0, kind = 0, index = 0;
};

// Reads an entity name. Names that start like ours but carry no valid square or piece are
// Foreign, so a malformed name never reaches the board as an out-of-range index.
PickName parsePickName(const std::string& name);

} // namespace korvane
