// Positions as FEN text: set-ups for tests and perft, and the state probe's view of the game.
#pragma once

#include "ports.h"
#include "position.h"

#include <string>

namespace korvane {

// Loads a position: pieces into their pool slots (pawn on file f preferably into pawn f,
// extra promoted pieces into reserve slots), castling rights into hasMoved of the king and
// rooks 0 and 1, the en-passant file, the side to move. Halfmove and move numbers are
// accepted and ignored. On malformed text returns false, fills `error` and leaves the
// position and state untouched. On success the rules are refreshed and no move is recorded.
bool loadFen(Position& position, GameState& state, const std::string& fen,
             std::string* error = nullptr);

// The current position; halfmove clock and move number are written as "0 1".
std::string writeFen(const Position& position, Turn sideToMove);

} // namespace korvane
