// Moves in the long algebraic notation of UCI engines ("e2e4", "e1g1", "e7e8q") and the
// piece and move ordinal that name the same move in the rules.
#pragma once

#include "position.h"

#include <optional>
#include <string>

namespace korvane {

struct UciMove {
    int colour = 0;
    int kind = 0;
    int index = 0;
    int ordinal = 0;   // in the piece's legal-move list
    int promotion = 0; // piece code 1..4 for a pawn reaching the last rank, else 0
};

// The move `text` of the side `colour` in the position, or nothing when the text is not a
// move of that notation or not a legal move here. A pawn reaching the last rank needs its
// letter (q, r, b, n); any other move must have none. Castling is the king's two-square step.
std::optional<UciMove> uciMoveFor(const Position& position, int colour, const std::string& text);

// "e2e4" for squares 12 and 28; a promotion code 1..4 adds its letter. Empty for squares off
// the board.
std::string uciMoveText(int from, int to, int promotion = 0);

// The position's last move as the notation writes it (the promotion letter from the piece
// the pawn became); empty when the position records no last move.
std::string lastUciMove(const Position& position);

} // namespace korvane
