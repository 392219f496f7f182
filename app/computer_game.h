// A game against a UCI engine: the engine is the player of one side. Asked for its move, it
// searches (a frame at a time, never blocking the frame loop) and hands its answer to the
// game's door like a network peer's; every fault of the engine turns the game into a local one
// from the position on the board.
#pragma once

#include "engine/uci_engine.h"
#include "game/game.h"

#include <functional>
#include <string>
#include <vector>

namespace korvane {

class Screens;

// The engine program [Game] "Engine" names, or the default one.
std::string configuredEngine();
// The configured engine when it cannot be run; empty when it can.
std::string missingEngine();

// What a strength level 1..8 asks of the engine.
struct EngineLevel {
    int skill = 0;      // Stockfish's "Skill Level", 0..20
    int moveTimeMs = 0; // per move
};
EngineLevel engineLevel(int level);

class ComputerGame : public GameObserver, public Player {
  public:
    // `resetView(blackSide)` puts the camera where a game starts it, on that side. Follows
    // `game`, which must outlive it.
    ComputerGame(Game& game, Screens& screens, std::function<void(bool)> resetView);
    ~ComputerGame() override;

    // From the dialog: colour 0 White, 1 Black, 2 random; level 1..8.
    void start(int colour, int level);
    // Once a frame: asks the engine, plays its answer. True when the board changed.
    bool update();
    // The player's last move and the engine's reply go back; while the engine thinks, only
    // the player's move (the search is stopped).
    void takeBack();

    // The engine owes an answer: the frame loop looks at its pipe often.
    bool waitingForEngine() const;
    // The engine's answer can be read without waiting.
    bool engineOutputReady() const;
    // The colour the player at this computer plays.
    int playerColour() const { return playerColour_; }
    // "computer <state> <player colour> <level> <pid>" and "computermoves <moves>" lines.
    std::string probeLines() const;

    // Player: the engine's side is to move; the next update starts the search.
    PlayerKind kind() const override { return PlayerKind::Engine; }
    void yourMove(Game& game, int side) override;

    // GameObserver: any change of the position ends what the engine owed for the old one (a
    // restart or a take-back also stops its search); leaving the game ends the engine.
    void positionChanged(const Game& game) override;
    void playersChanged(const Game& game) override;
    void moveMade(const Game& game, const MoveEvent& move) override;
    void moveTakenBack(const Game& game) override;
    void gameEnded(const Game& game, const GameResult& result) override;

  private:
    bool active() const;
    bool enginesTurn() const;
    // The game's moves in the engine's notation.
    std::vector<std::string> moves() const;
    bool playEngineMove(const std::string& text);
    void fault(const std::string& reason);
    void endEngine();

    Game& game_;
    Screens& screens_;
    std::function<void(bool)> resetView_;
    UciEngine engine_;
    int playerColour_ = White;
    int level_ = 1;
    bool engineGame_ = false; // the engine runs for the game on the board
    bool moveOwed_ = false;   // the game has asked for the engine's move
    bool thinkingShown_ = false;
};

} // namespace korvane
