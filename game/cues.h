// What the game means for the camera and the sounds: the view turns to the side that plays at
// this computer, and a selection and a move are heard on their square. The hooks do the
// turning and the playing, so the game knows no camera and no sound device.
#pragma once

#include "observer.h"

#include <functional>

namespace korvane {

struct CueSettings {
    bool flipView = false; // local game: turn the view to the side to move
    bool sounds = false;
};

enum class Cue { Select, Move };

struct CueHooks {
    std::function<void()> flipView;               // half a turn around the board
    std::function<void(bool blackSide)> showSide; // over to that side, if not there yet
    std::function<void(Cue, int square)> sound;
};

class GameCues : public GameObserver {
  public:
    // `settings` must outlive the cues and is read at each change.
    GameCues(const CueSettings& settings, CueHooks hooks);

    void positionChanged(const Game& game) override;
    void playersChanged(const Game& game) override;
    void selectionChanged(const Game& game) override;
    void moveMade(const Game& game, const MoveEvent& move) override;
    void promotionChosen(const Game& game, const MoveEvent& move, int pieceCode) override;

  private:
    bool followsSideToMove(const Game& game) const;

    const CueSettings& settings_;
    CueHooks hooks_;
};

} // namespace korvane
