// What a click on the board means: the walk over the ray's hits (nearest first) and the
// rules call the final hit leads to. Free of the engine so it is tested on its own.
#pragma once

#include "game/game.h"

#include <functional>
#include <string>
#include <vector>

namespace korvane {

struct PickHit {
    enum Type { None, Square, Piece };
    Type type = None;
    int square = -1;                     // Square
    int colour = 0, kind = 0, index = 0; // Piece
};

// Walks the names of the ray's hits, nearest first (an empty name: a hit without an object).
// Squares become the current hit and the walk goes on; a live piece becomes the current hit
// and ends the walk when `confirm(i)` says the cursor is really on its shape; a dead piece
// clears the current hit; any name that is not ours ends the click with no hit.
PickHit walkPickNames(const std::vector<std::string>& names,
                      const std::function<bool(int colour, int kind, int index)>& alive,
                      const std::function<bool(size_t i)>& confirm);

// Selects or moves for a hit: an own piece with moves is selected, the selected piece is put
// back down; with a piece selected, a target square or an enemy piece on a target square
// plays that move. True when the game changed.
bool applyBoardClick(Game& game, const PickHit& hit);

} // namespace korvane
