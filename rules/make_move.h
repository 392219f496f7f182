// Playing and taking back one move on a position, in the two steps a promotion takes: the
// pawn reaches the last rank, then the chosen piece replaces it. Both the game on screen,
// whose player chooses later, and a replay, which knows the piece at once, use these.
#pragma once

#include "history.h"
#include "position.h"

#include <utility>

namespace korvane {

// Plays `piece` to `dest` (one of its legal moves) on the position and returns the move as the
// history will keep it, its check mark and counters still open. Refresh the rules afterwards.
PlayedMove startMove(Position& position, Fig& piece, int dest);

// A pawn move that lands on the last rank waits for its promotion piece.
bool reachesLastRank(const Fig& piece, int dest);

// Completes `move` once the position after it is final and its rules refreshed (`sideToMove`
// the side now to move): check mark, repetition key, counters and the move's undo record, then
// into the history.
void recordMove(GameHistory& history, Position& position, Turn sideToMove, PlayedMove move);

// A move as the network game names it: the moving piece by its kind and index within its set,
// and the move by its entry in that piece's legal-move list. moverOf and moveOf are the only
// conversions between this form and a Move; both read the position before the move, its
// legal-move lists current.
struct OrdinalMove {
    int kind = -1;
    int index = 0;
    int ordinal = -1;
};

// The piece of `side` on the move's origin, with the move's entry in that piece's legal-move
// list in `ordinal`; null when the squares name no legal move. The promotion piece is not
// looked at.
const Fig* moverOf(const Position& position, int side, const Move& move, int& ordinal);
inline Fig* moverOf(Position& position, int side, const Move& move, int& ordinal) {
    return const_cast<Fig*>(moverOf(std::as_const(position), side, move, ordinal));
}
// The move `named` of `side` (no promotion piece yet), or Move::none() when it names none.
Move moveOf(const Position& position, int side, const OrdinalMove& named);

// The move names a promotion piece exactly when `piece` reaches its last rank with it.
bool promotionFits(const Fig& piece, const Move& move);
// moverOf for a move whose promotion piece must fit too: a move read from a game file or an
// engine, played whole.
const Fig* legalMove(const Position& position, int side, const Move& move);
inline Fig* legalMove(Position& position, int side, const Move& move) {
    return const_cast<Fig*>(legalMove(std::as_const(position), side, move));
}

} // namespace korvane
