#include "board_presenter.h"

#include "board_canvas.h"
#include "game/game.h"

namespace korvane {

WorldPoint squareWorldPoint(int square) {
    // Files run along the world's z axis and ranks along x.
    return WorldPoint{float(square / 8) + 0.5f, 0.0f, float(square % 8) + 0.5f};
}

BoardPresenter::BoardPresenter(BoardCanvas& scene, const BoardMarks& marks)
    : scene_(scene), marks_(marks) {
    for (auto& set : shown_)
        for (int& square : set)
            square = -2;
}

void BoardPresenter::showPieces(const Game& game) {
    const Position& position = game.position();
    for (int colour = 0; colour < 2; ++colour) {
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            const Fig& p = position.sets[colour].pieces[slot];
            const int square = p.alive && onBoard(p.x, p.y) ? squareIndex(p.x, p.y) : -1;
            int& shown = shown_[colour][slot];
            if (shown == square)
                continue;
            if (square >= 0)
                scene_.placePiece(colour, p.kind, p.index, p.x, p.y);
            if ((shown >= 0) != (square >= 0) || shown == -2)
                scene_.setPieceVisible(colour, p.kind, p.index, square >= 0);
            shown = square;
        }
        scene_.kingInCheck(colour, game.checkSquare(colour));
    }
}

void BoardPresenter::repaint(const Game& game) {
    const Board& b = game.position().board;
    if (marks_.lastMove)
        scene_.repaintSquares(b.lastMoveFrom, b.lastMoveTo);
    else
        scene_.repaintSquares(-1, -1);
}

void BoardPresenter::resetLooks() {
    scene_.resetPieceLooks(White);
    scene_.resetPieceLooks(Black);
}

void BoardPresenter::refreshLooks(const Game& game) {
    const Turn turn = game.state().sideToMove;
    if (!marks_.movable || !isColour(turn))
        return;
    const int side = colourOf(turn);
    resetLooks();
    for (const Fig& p : game.position().sets[side].pieces)
        if ((p.alive || p.kind == KingKind) && p.moveCount > 0)
            scene_.markMovable(p.colour, p.kind, p.index);
}

void BoardPresenter::clearMarks() {
    scene_.hideArrow();
    resetLooks();
    scene_.repaintSquares(-1, -1);
}

void BoardPresenter::positionChanged(const Game& game) {
    showPieces(game);
    repaint(game);
    scene_.hideArrow();
    // A guest waiting for the rest of the host's position shows nothing as movable yet.
    if (game.state().joinPending)
        resetLooks();
    else
        refreshLooks(game);
}

void BoardPresenter::playersChanged(const Game& game) {
    // Over the menu nobody plays: the board shows the position only.
    if (!game.state().playing() && !game.state().joining)
        clearMarks();
}

void BoardPresenter::selectionChanged(const Game& game) {
    repaint(game);
    const Fig* p = game.selectedPiece();
    if (!p) {
        scene_.hideArrow();
        return;
    }
    if (marks_.movable)
        scene_.paintTargets(p->moves, p->moveCount);
    scene_.showArrow(p->x, p->y);
}

void BoardPresenter::moveMade(const Game& game, const MoveEvent& move) {
    showPieces(game);
    // Until the promotion piece is chosen the position is not final.
    if (!move.promotionPending)
        refreshLooks(game);
    repaint(game);
    scene_.hideArrow();
}

void BoardPresenter::promotionChosen(const Game& game, const MoveEvent&, int) {
    showPieces(game);
    refreshLooks(game);
}

void BoardPresenter::moveTakenBack(const Game& game) {
    showPieces(game);
    refreshLooks(game);
    repaint(game);
    scene_.hideArrow();
}

void BoardPresenter::gameEnded(const Game&, const GameResult& result) {
    if (result.outcome == Outcome::DrawByRule || result.outcome == Outcome::Time) {
        // Nobody is to move: nothing looks selectable.
        scene_.hideArrow();
        resetLooks();
    } else if (result.outcome == Outcome::Abandoned) {
        scene_.hideArrow();
    }
}

} // namespace korvane
