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

namespace {

struct Material {
    int pawns = 0, knights = 0, rooks = 0, queens = 0;
    int bishops[2] = {0, 0}; // by square colour
    int minorsAndMajors() const { return knights + rooks + queens + bishops[0] + bishops[1]; }
};

Material materialOf(const Position& position, int colour) {
    Material m;
    for (const Fig& p : position.sets[colour].pieces) {
        if (!p.alive)
            continue;
        switch (p.kind) {
        case PawnKind:
            ++m.pawns;
            break;
        case KnightKind:
            ++m.knights;
            break;
        case BishopKind:
            ++m.bishops[(p.x + p.y) % 2];
            break;
        case RookKind:
            ++m.rooks;
            break;
        case QueenKind:
            ++m.queens;
            break;
        default:
            break;
        }
    }
    return m;
}

} // namespace

bool cannotCheckmate(const Position& position, int colour) {
    if (colour != White && colour != Black)
        return true;
    const Material own = materialOf(position, colour);
    const Material other = materialOf(position, 1 - colour);
    if (own.pawns || own.rooks || own.queens)
        return false;
    if (own.minorsAndMajors() == 0)
        return true;
    if (own.knights == 1 && own.minorsAndMajors() == 1)
        return other.pawns == 0 && other.minorsAndMajors() == other.queens;
    if (own.knights == 0 && (own.bishops[0] == 0 || own.bishops[1] == 0)) {
        const int shade = own.bishops[0] ? 0 : 1;
        return other.pawns == 0 && other.knights == 0 && other.bishops[1 - shade] == 0;
    }
    return false;
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
