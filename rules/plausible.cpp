#include "plausible.h"

namespace korvane {

namespace {

bool refuse(std::string* why, const std::string& reason) {
    if (why)
        *why = reason;
    return false;
}

const char* colourName(int colour) {
    return colour == White ? "White" : "Black";
}

std::string squareName(int x, int y) {
    return {char('a' + x), char('1' + y)};
}

} // namespace

bool plausiblePosition(const Position& position, Turn sideToMove, std::string* why) {
    const Fig* on[64] = {};
    for (int colour = 0; colour < 2; ++colour) {
        int count[KingKind + 1] = {};
        for (const Fig& p : position.sets[colour].pieces) {
            // The pool's king is never dead: a king taken off is one that is missing.
            if (!p.alive && p.kind != KingKind)
                continue;
            const std::string named =
                std::string(colourName(colour)) + "'s " + (p.kind == KingKind ? "king" : "piece");
            if (!onBoard(p.x, p.y))
                return refuse(why, named + " stands off the board");
            const int sq = squareIndex(p.x, p.y);
            if (on[sq])
                return refuse(why, "two pieces stand on " + squareName(p.x, p.y));
            on[sq] = &p;
            if (p.kind == PawnKind && (p.y == 0 || p.y == 7))
                return refuse(why, std::string("a pawn of ") + colourName(colour) +
                                       " stands on the first or last rank");
            ++count[p.kind];
        }
        // Each piece beyond the starting ones was a pawn once.
        const auto extra = [&](int kind, int starters) {
            return count[kind] > starters ? count[kind] - starters : 0;
        };
        const int promoted =
            extra(RookKind, 2) + extra(KnightKind, 2) + extra(BishopKind, 2) + extra(QueenKind, 1);
        if (count[PawnKind] + promoted > 8)
            return refuse(why, std::string(colourName(colour)) +
                                   " has more pawns and promoted pieces than eight pawns allow");
    }
    Position copy = position;
    if (isColour(sideToMove)) {
        const int waiting = 1 - colourOf(sideToMove);
        if (copy.inCheck(waiting))
            return refuse(why, std::string("the side not to move (") + colourName(waiting) +
                                   ") is in check");
    } else if (copy.inCheck(White) && copy.inCheck(Black)) {
        return refuse(why, "both kings are in check");
    }
    const int file = position.board.enPassantFile;
    // A finished game keeps the file of its last double step, which nobody can use any more.
    if (file >= 0 && isColour(sideToMove)) {
        // The pawn that has just made a double step stands on its fourth rank, with the two
        // squares it passed empty behind it.
        if (file > 7)
            return refuse(why, "an en-passant file without a double step to go with it");
        const int mover = 1 - colourOf(sideToMove);
        const int dir = mover == White ? 1 : -1;
        const int y = mover == White ? 3 : 4;
        const Fig* passer = on[squareIndex(file, y)];
        if (!passer || passer->kind != PawnKind || passer->colour != mover ||
            on[squareIndex(file, y - dir)] || on[squareIndex(file, y - 2 * dir)])
            return refuse(why, "an en-passant file without a double step to go with it");
    }
    return true;
}

} // namespace korvane
