// The board scene following the game: pieces on their squares, the last move, the selected
// piece's arrow and targets, the movable pieces and the check glow, each repainted when the
// game says it changed.
#pragma once

#include "game/observer.h"

namespace korvane {

class BoardCanvas;
class Game;

// What the board marks, from the settings.
struct BoardMarks {
    bool movable = false;  // movable pieces and the selected piece's targets
    bool lastMove = false; // the last move's squares
};

// The world point over square (file x, rank y) at board height, for whatever is placed there
// (a sound, a piece).
struct WorldPoint {
    float x = 0, y = 0, z = 0;
};
WorldPoint squareWorldPoint(int square);

class BoardPresenter : public GameObserver {
  public:
    // Both must outlive the presenter; `marks` is read at each change.
    BoardPresenter(BoardCanvas& scene, const BoardMarks& marks);

    void positionChanged(const Game& game) override;
    void playersChanged(const Game& game) override;
    void selectionChanged(const Game& game) override;
    void moveMade(const Game& game, const MoveEvent& move) override;
    void promotionChosen(const Game& game, const MoveEvent& move, int pieceCode) override;
    void moveTakenBack(const Game& game) override;
    void gameEnded(const Game& game, const GameResult& result) override;

    // No arrow, no targets, no marked pieces, no last move: the board as a position only.
    void clearMarks();
    // The pieces where the game has them and the check glow, nothing else (the start-up
    // board behind the menu).
    void showPieces(const Game& game);

  private:
    void repaint(const Game& game);
    void refreshLooks(const Game& game);
    void resetLooks();

    BoardCanvas& scene_;
    const BoardMarks& marks_;
    // What the scene shows of each piece: its square, -1 hidden, -2 not yet shown.
    int shown_[2][49];
};

} // namespace korvane
