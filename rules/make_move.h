// Playing and taking back one move on a position, in the two steps a promotion takes: the
// pawn reaches the last rank, then the chosen piece replaces it. Both the game on screen,
// whose player chooses later, and a replay, which knows the piece at once, use these.
#pragma once

#include "history.h"
#include "position.h"

namespace korvane {

// Moves `piece` to `dest` (one of its legal moves) with everything the move changes: a capture
// (en passant included), the castling rook, the en-passant file, the last-move squares and the
// single-level undo record. Returns the move as the history will keep it, its check mark and
// counters still open. The legal-move lists are stale afterwards: refresh the rules.
PlayedMove startMove(Position& position, Fig& piece, int dest);

// The pawn (colour, index) standing on its last rank becomes a new piece of kind `pieceCode`
// (RookKind..QueenKind) from the reserve; the undo record notes it. False, nothing changed,
// when the code is out of range or no reserve piece is free.
bool promotePawn(Position& position, int colour, int pawnIndex, int pieceCode);

// A pawn move that lands on the last rank waits for its promotion piece.
bool reachesLastRank(const Fig& piece, int dest);

// Puts the last move back exactly as it was, from the undo record. Returns the colour that
// had moved, or -1 when there is nothing to take back. Refresh the rules afterwards.
int revokeLastMove(Position& position);

// Completes `move` once the position after it is final and its rules refreshed (`sideToMove`
// the side now to move): check mark, repetition key, counters and the move's undo record, then
// into the history.
void recordMove(GameHistory& history, Position& position, Turn sideToMove, PlayedMove move);

// A move by its squares as the entry of the moving piece's legal-move list: the piece of the
// side to move on `from` and the ordinal, or null when the move is not legal or its promotion
// piece is missing or not wanted.
Fig* legalMove(Position& position, int side, const MoveSquares& move, int& ordinal);

} // namespace korvane
