#include "draw.h"

namespace korvane {

namespace {

bool noLegalMove(const Position& position, Turn sideToMove) {
    return !isColour(sideToMove) || position.sets[colourOf(sideToMove)].legalMoveTotal == 0;
}

} // namespace

bool insufficientMaterial(const Position& position) {
    int knights = 0, bishops = 0;
    bool bishopSquareColour[2] = {false, false};
    for (const PieceSet& set : position.sets)
        for (const Fig& p : set.pieces) {
            if (!p.alive || p.kind == KingKind)
                continue;
            if (p.kind == KnightKind) {
                ++knights;
            } else if (p.kind == BishopKind) {
                ++bishops;
                bishopSquareColour[(p.x + p.y) % 2] = true;
            } else {
                return false; // a pawn, rook or queen can still mate
            }
        }
    if (knights + bishops <= 1)
        return true;
    return knights == 0 && !(bishopSquareColour[0] && bishopSquareColour[1]);
}

DrawReason claimableDraw(const GameHistory& history, const Position& position, Turn sideToMove) {
    if (noLegalMove(position, sideToMove))
        return DrawReason::None;
    if (history.repetitions() >= 3)
        return DrawReason::ThreefoldRepetition;
    if (history.counters().halfmoveClock >= 100)
        return DrawReason::FiftyMoveRule;
    return DrawReason::None;
}

DrawReason automaticDraw(const GameHistory& history, const Position& position, Turn sideToMove) {
    if (insufficientMaterial(position))
        return DrawReason::InsufficientMaterial;
    // Checkmate (it wins even on the 75-move limit) and stalemate end the game first.
    if (noLegalMove(position, sideToMove))
        return DrawReason::None;
    if (history.repetitions() >= 5)
        return DrawReason::FivefoldRepetition;
    if (history.counters().halfmoveClock >= 150)
        return DrawReason::SeventyFiveMoveRule;
    return DrawReason::None;
}

} // namespace korvane
