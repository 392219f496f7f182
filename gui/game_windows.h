// What the game's screens view shows things on: the screens in the game, a recording
// stand-in in tests. Names are the window catalogue names, e.g. "GameEnd/Checkmate".
#pragma once

#include "game/observer.h"

#include <string>

namespace korvane {

class GameHistory;

class GameWindows {
  public:
    virtual ~GameWindows() = default;
    virtual void showWindow(const std::string& name) = 0;
    virtual void hideWindow(const std::string& name) = 0;
    virtual void activateWindow(const std::string& name) = 0;
    // Status bar for the side to move: 0 shows "StatusBar/WhiteOnMove" and hides
    // "StatusBar/BlackOnMove", 1 the reverse.
    virtual void showSideToMove(int side) = 0;
    // The status bar says how the game ended; `winner` (a colour) counts for checkmate and
    // resignation. It stays until the side to move is shown again.
    virtual void showGameOver(Outcome, int /*winner*/) {}
    // The status bar names the colour whose pawn waits for its promotion piece.
    virtual void showPromotionChoice(int /*colour*/) {}
    // The game's moves changed: one played, taken back, a new or loaded game.
    virtual void movesChanged(const GameHistory& /*history*/) {}
    // The game ended as a draw by a rule: the status bar says which.
    virtual void showDrawnGame(DrawReason /*reason*/) {}
    virtual void showFlag(int /*flagged*/, int /*winner*/) {}
};

} // namespace korvane
