// Perft: counts the leaf positions of the move tree, playing every move with the very
// generator and move execution the game uses.
#pragma once

#include "position.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct DivideEntry {
    std::string move; // long algebraic, e.g. "e2e4", "a7a8q"
    std::uint64_t nodes = 0;
};

// Leaf count at `depth` from `position` with `sideToMove` to move. A pawn move onto the last
// rank counts once per promotion piece. The position is restored afterwards.
std::uint64_t perft(Position& position, Turn sideToMove, int depth);

// The same count split by the first move, in generation order.
std::vector<DivideEntry> perftDivide(Position& position, Turn sideToMove, int depth);

} // namespace korvane
