// Perft: counts the leaf positions of the move tree, playing every move through the game flow,
// so the counts check the very generator and move execution the game uses.
#pragma once

#include "flow.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct DivideEntry {
    std::string move; // long algebraic, e.g. "e2e4", "a7a8q"
    std::uint64_t nodes = 0;
};

// Leaf count at `depth` from the flow's current position (side to move from its state). A
// pawn move onto the last rank counts once per promotion piece. Position and state are
// restored afterwards.
std::uint64_t perft(GameFlow& flow, int depth);

// The same count split by the first move, in generation order.
std::vector<DivideEntry> perftDivide(GameFlow& flow, int depth);

} // namespace korvane
