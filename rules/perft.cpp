#include "perft.h"

#include "make_move.h"

namespace korvane {

namespace {

std::string squareName(int square) {
    return std::string(1, char('a' + square % 8)) + char('1' + square / 8);
}

// Plays every legal move of `side` and calls visit(name) on each resulting position, restoring
// the position in between.
template <typename Visit> void forEachMove(Position& position, int side, Visit visit) {
    const Position saved = position;
    for (int slot = 0; slot < kPiecesPerSet; ++slot) {
        const Fig& p = saved.sets[side].pieces[slot];
        if (!p.alive)
            continue;
        for (int k = 0; k < p.moveCount; ++k) {
            const int from = squareIndex(p.x, p.y);
            const int to = p.moves[k];
            Fig& mover = position.sets[side].pieces[slot];
            if (reachesLastRank(mover, to)) {
                position.doMove(mover, Square(to));
                const Position afterMove = position;
                for (int code = RookKind; code <= QueenKind; ++code) {
                    position.promote(side, p.index, code);
                    position.refreshRules();
                    visit(squareName(from) + squareName(to) + "rnbq"[code - 1]);
                    position = afterMove;
                }
            } else {
                position.doMove(mover, Square(to));
                position.refreshRules();
                visit(squareName(from) + squareName(to));
            }
            position = saved;
        }
    }
}

} // namespace

std::uint64_t perft(Position& position, Turn sideToMove, int depth) {
    if (depth <= 0)
        return 1;
    if (!isColour(sideToMove))
        return 0;
    const int side = colourOf(sideToMove);
    if (depth == 1) {
        std::uint64_t nodes = 0;
        for (const Fig& p : position.sets[side].pieces)
            if (p.alive)
                for (int k = 0; k < p.moveCount; ++k)
                    nodes += reachesLastRank(p, p.moves[k]) ? 4 : 1;
        return nodes;
    }
    std::uint64_t nodes = 0;
    forEachMove(position, side, [&](const std::string&) {
        nodes += perft(position, opposite(sideToMove), depth - 1);
    });
    return nodes;
}

std::vector<DivideEntry> perftDivide(Position& position, Turn sideToMove, int depth) {
    std::vector<DivideEntry> out;
    if (depth <= 0 || !isColour(sideToMove))
        return out;
    forEachMove(position, colourOf(sideToMove), [&](const std::string& name) {
        out.push_back({name, perft(position, opposite(sideToMove), depth - 1)});
    });
    return out;
}

} // namespace korvane
