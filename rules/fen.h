// Positions as FEN text: set-ups for tests and perft, and the state probe's view of the game.
#pragma once

#include "ports.h"
#include "position.h"

#include <string>

namespace korvane {

// Loads a position: pieces into their pool slots (pawn on file f preferably into pawn f,
// extra promoted pieces into reserve slots), castling rights into hasMoved of the king and
// rooks 0 and 1, the en-passant file, the side to move. Halfmove and move numbers are
// accepted and ignored. On malformed text or a position no game can reach (not one king a
// side, a pawn on the first or last rank, a castling right without its king and rook at home,
// an en-passant square no double step of the side that just moved left, the side not to move
// in check) returns false, fills `error` with the reason and leaves the position and state
// untouched. On success the rules are refreshed and no move is recorded.
bool loadFen(Position& position, GameState& state, const std::string& fen,
             std::string* error = nullptr);

// The current position; halfmove clock and move number are written as "0 1".
std::string writeFen(const Position& position, Turn sideToMove);

} // namespace korvane
