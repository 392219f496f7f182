// The screens following the game: the status bar, the move list, the promotion choice and the
// end-of-game windows.
#pragma once

#include "game/observer.h"

namespace korvane {

class GameWindows;

class GameScreensView : public GameObserver {
  public:
    explicit GameScreensView(GameWindows& screens) : screens_(screens) {}

    void positionChanged(const Game& game) override;
    void moveMade(const Game& game, const MoveEvent& move) override;
    void promotionChosen(const Game& game, const MoveEvent& move, int pieceCode) override;
    void moveTakenBack(const Game& game) override;
    void gameEnded(const Game& game, const GameResult& result) override;

  private:
    void announceSideToMove(const Game& game);
    void showEndWindow(const char* shown);

    GameWindows& screens_;
};

} // namespace korvane
