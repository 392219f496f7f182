// Positions as FEN text: set-ups for tests and perft, and the state probe's view of the game.
#pragma once

#include "position.h"

#include <string>

namespace korvane {

// The two counters at the end of a FEN: half-moves since the last capture or pawn move, and
// the number of the move to be played (it grows after each move of Black).
struct FenCounters {
    int halfmoveClock = 0;
    int fullmoveNumber = 1;
    bool operator==(const FenCounters& o) const {
        return halfmoveClock == o.halfmoveClock && fullmoveNumber == o.fullmoveNumber;
    }
};

// Loads a position: pieces into their pool slots (pawn on file f preferably into pawn f,
// extra promoted pieces into reserve slots), castling rights into hasMoved of the king and
// rooks 0 and 1, the en-passant file, the side to move; the counters into `counters` (0 and 1
// when the text leaves them out; each is one to five digits, a move number 0 reads as 1).
// Fields after the counters are ignored. On malformed text or a position no game can reach (not one
// king a side, a pawn on the first or last rank, a castling right without its king and rook at
// home, an en-passant square no double step of the side that just moved left, the side not to move
// in check) returns false, fills `error` with the reason and leaves the position and side
// untouched. On success the rules are refreshed and no move is recorded.
bool loadFen(Position& position, Turn& sideToMove, const std::string& fen,
             std::string* error = nullptr, FenCounters* counters = nullptr);

// The current position with the given counters. The placement alone does not know them: the
// game's history does (Game::fen()).
std::string writeFen(const Position& position, Turn sideToMove,
                     FenCounters counters = FenCounters());

} // namespace korvane
