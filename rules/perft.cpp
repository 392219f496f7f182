#include "perft.h"

namespace korvane {

namespace {

bool promotes(const Fig& p, int square) {
    return p.kind == PawnKind && square / 8 == (p.colour == White ? 7 : 0);
}

std::string squareName(int square) {
    return std::string(1, char('a' + square % 8)) + char('1' + square / 8);
}

// Plays every legal move of the side to move and calls visit(name, after) for each resulting
// position, restoring position and state in between.
template <typename Visit> void forEachMove(GameFlow& flow, Visit visit) {
    Position& position = flow.position();
    GameState& state = flow.state();
    const int side = colourOf(state.sideToMove);
    const Position savedPosition = position;
    const GameState savedState = state;
    const std::size_t plies = flow.history().size();
    for (int slot = 0; slot < kPiecesPerSet; ++slot) {
        const Fig& p = position.sets[side].pieces[slot];
        if (!p.alive)
            continue;
        const int count = p.moveCount;
        for (int k = 0; k < count; ++k) {
            const int from = squareIndex(p.x, p.y);
            const int to = p.moves[k];
            state.selectionColour = side;
            state.selectionKind = p.kind;
            state.selectionIndex = p.index;
            flow.executeMove(k, false);
            if (state.promotionPending) {
                const Position afterMove = position;
                const GameState stateAfterMove = state;
                for (int code = RookKind; code <= QueenKind; ++code) {
                    flow.completePromotion(code);
                    visit(squareName(from) + squareName(to) + "rnbq"[code - 1]);
                    flow.rewind(afterMove, stateAfterMove, plies);
                }
            } else {
                visit(squareName(from) + squareName(to));
            }
            flow.rewind(savedPosition, savedState, plies);
        }
    }
}

} // namespace

std::uint64_t perft(GameFlow& flow, int depth) {
    if (depth <= 0)
        return 1;
    const int side = colourOf(flow.state().sideToMove);
    if (side != White && side != Black)
        return 0;
    if (depth == 1) {
        std::uint64_t nodes = 0;
        for (const Fig& p : flow.position().sets[side].pieces)
            if (p.alive)
                for (int k = 0; k < p.moveCount; ++k)
                    nodes += promotes(p, p.moves[k]) ? 4 : 1;
        return nodes;
    }
    std::uint64_t nodes = 0;
    forEachMove(flow, [&](const std::string&) { nodes += perft(flow, depth - 1); });
    return nodes;
}

std::vector<DivideEntry> perftDivide(GameFlow& flow, int depth) {
    std::vector<DivideEntry> out;
    if (depth <= 0)
        return out;
    forEachMove(flow, [&](const std::string& name) {
        out.push_back({name, perft(flow, depth - 1)});
    });
    return out;
}

} // namespace korvane
