// Moves in the long algebraic notation of UCI engines ("e2e4", "e1g1", "e7e8q"), checked
// against the rules' legal moves.
#pragma once

#include "position.h"

#include <optional>
#include <string>

namespace korvane {

// The move `text` of the side `colour` in the position, or nothing when the text is not a
// move of that notation or not a legal move here. A pawn reaching the last rank needs its
// letter (q, r, b, n); any other move must have none. Castling is the king's two-square step.
std::optional<Move> uciMoveFor(const Position& position, int colour, const std::string& text);

// "e2e4", "e7e8q": the squares and the promotion piece in lower case; empty for no move.
std::string uciText(const Move& move);
// Reads that form; false when the text is not of it (legality is not checked).
bool parseUci(const std::string& text, Move& move);

// The position's last move as the notation writes it (the promotion letter from the piece
// the pawn became); empty when the position records no last move.
std::string lastUciMove(const Position& position);

} // namespace korvane
