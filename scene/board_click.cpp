#include "board_click.h"

#include "pick_names.h"

namespace korvane {
namespace {

// Ordinal of `square` in the selected piece's moves, or -1.
int targetOrdinal(GameFlow& flow, int square) {
    const GameState& s = flow.state();
    if (s.selectionKind == -2)
        return -1;
    const Fig* piece =
        flow.position().pieceByKind(s.selectionIndex, s.selectionKind, s.selectionColour);
    if (!piece)
        return -1;
    for (int k = 0; k < piece->moveCount && k < kMaxMoves; ++k)
        if (piece->moves[k] == square)
            return k;
    return -1;
}

} // namespace

bool boardAcceptsClick(const GameState& state) {
    // An open question or a pending promotion choice freezes the board for both players.
    if (!state.boardOpen())
        return false;
    switch (state.gameMode) {
    case GameMode::Local:
        return true;
    case GameMode::NetworkWhite:
        return state.sideToMove == Turn::White;
    case GameMode::NetworkBlack:
        return state.sideToMove == Turn::Black;
    default:
        return false;
    }
}

PickHit walkPickNames(const std::vector<std::string>& names,
                      const std::function<bool(int, int, int)>& alive,
                      const std::function<bool(size_t)>& confirm) {
    PickHit current;
    for (size_t i = 0; i < names.size(); ++i) {
        const PickName n = parsePickName(names[i]);
        switch (n.type) {
        case PickName::Ignored:
            continue;
        case PickName::Foreign:
            return PickHit();
        case PickName::Square:
            current = PickHit();
            current.type = PickHit::Square;
            current.square = n.square;
            continue;
        case PickName::Piece:
            current = PickHit();
            if (!alive(n.colour, n.kind, n.index))
                continue;
            current.type = PickHit::Piece;
            current.colour = n.colour;
            current.kind = n.kind;
            current.index = n.index;
            if (confirm(i))
                return current;
            continue;
        }
    }
    return current;
}

bool applyBoardClick(GameFlow& flow, const PickHit& hit) {
    if (hit.type == PickHit::None || !isColour(flow.state().sideToMove))
        return false;
    const int side = colourOf(flow.state().sideToMove);
    if (hit.type == PickHit::Square) {
        const int k = targetOrdinal(flow, hit.square);
        return k >= 0 && flow.executeMove(k, true);
    }
    const Fig* piece = flow.position().pieceByKind(hit.index, hit.kind, hit.colour);
    if (!piece)
        return false;
    if (hit.colour == side) {
        const GameState& s = flow.state();
        // The selected piece clicked again is put back down.
        if (s.selectionColour == side && s.selectionKind == hit.kind &&
            s.selectionIndex == hit.index) {
            flow.clearSelection();
            return true;
        }
        return piece->moveCount > 0 && flow.selectPiece(side, hit.kind, hit.index, true);
    }
    const int k = targetOrdinal(flow, squareIndex(piece->x, piece->y));
    return k >= 0 && flow.executeMove(k, true);
}

} // namespace korvane
