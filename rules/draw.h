// The draw rules beyond stalemate and agreement: the ones a player may claim (threefold
// repetition, fifty moves) and the ones that end the game by themselves (insufficient
// material, fivefold repetition, seventy-five moves). Queries only: what follows from them is
// the caller's choice.
#pragma once

#include "history.h"
#include "position.h"

namespace korvane {

enum class DrawReason {
    None,
    ThreefoldRepetition,
    FiftyMoveRule,
    InsufficientMaterial,
    FivefoldRepetition,
    SeventyFiveMoveRule,
};

// The draw the side to move may claim in the position the history ends with, None when there
// is none (or the game is already over: checkmate and stalemate come first). `position` is the
// position on the board, with its legal-move lists current.
DrawReason claimableDraw(const GameHistory& history, const Position& position, Turn sideToMove);

// The draw that has ended the game by itself, None when there is none. A move that mates on the
// 75-move limit wins all the same.
DrawReason automaticDraw(const GameHistory& history, const Position& position, Turn sideToMove);

// Neither side can mate: bare kings, a lone minor piece against a bare king, or bishops only,
// all on squares of one colour.
bool insufficientMaterial(const Position& position);

// `colour` cannot checkmate by any series of legal moves, whatever the other side does: a bare
// king; a king and one knight against a king with queens at most (no piece of the other side
// could block its king's flight); a king and bishops all on squares of one colour against a
// king with no pawn, no knight and no bishop on the other colour. Decides a flag: the side
// whose time is up loses, unless the other side could never mate.
bool cannotCheckmate(const Position& position, int colour);

} // namespace korvane
