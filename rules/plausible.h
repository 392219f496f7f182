// Whether a placement could have come from a game, for positions that arrive from outside the
// rules (a peer's piece-by-piece dump) and must be refused rather than played on.
#pragma once

#include "position.h"

#include <string>

namespace korvane {

// True when `position` with `sideToMove` could come from a game: every alive piece on the
// board and no two on one square, each king on the board, no pawn on the first or last rank,
// no more pawns and promoted pieces of a side than its eight pawns allow, the side not to move
// not in check (with no side to move, not both kings), and, while a side is to move, an
// en-passant file only behind a pawn of the side that just moved that can have made a double
// step. False with the reason
// in `why` otherwise.
bool plausiblePosition(const Position& position, Turn sideToMove, std::string* why = nullptr);

} // namespace korvane
