#include "board_click.h"

#include "pick_names.h"

namespace korvane {
namespace {

// Ordinal of `square` in the selected piece's moves, or -1.
int targetOrdinal(const Game& game, int square) {
    const Fig* piece = game.selectedPiece();
    if (!piece)
        return -1;
    for (int k = 0; k < piece->moveCount && k < kMaxMoves; ++k)
        if (piece->moves[k] == square)
            return k;
    return -1;
}

} // namespace

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

bool applyBoardClick(Game& game, const PickHit& hit) {
    if (hit.type == PickHit::None || !isColour(game.state().sideToMove))
        return false;
    const int side = colourOf(game.state().sideToMove);
    if (hit.type == PickHit::Square) {
        const int k = targetOrdinal(game, hit.square);
        return k >= 0 && game.executeMove(k);
    }
    const Fig* piece = game.position().pieceByKind(hit.index, hit.kind, hit.colour);
    if (!piece)
        return false;
    if (hit.colour == side) {
        // The selected piece clicked again is put back down.
        if (game.selection() == PieceId{side, hit.kind, hit.index}) {
            game.clearSelection();
            return true;
        }
        return piece->moveCount > 0 && game.selectPiece(side, hit.kind, hit.index);
    }
    const int k = targetOrdinal(game, squareIndex(piece->x, piece->y));
    return k >= 0 && game.executeMove(k);
}

} // namespace korvane
