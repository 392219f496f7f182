// A game against a UCI engine: the engine's moves go through the same game flow as a network
// peer's, the moves played so far are kept in the engine's notation, and every fault of the
// engine turns the game into a local one from the position on the board.
#pragma once

#include "engine/uci_engine.h"
#include "rules/flow.h"

#include <functional>
#include <string>
#include <vector>

namespace korvane {

class Screens;
class BoardView;

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

class ComputerGame {
  public:
    // `resetView` turns the camera to the side the view-flipped flag names.
    ComputerGame(GameFlow& flow, const FlowSettings& settings, BoardView& board, Screens& screens,
                 std::function<void()> resetView);

    // From the dialog: colour 0 White, 1 Black, 2 random; level 1..8.
    void start(int colour, int level);
    // Once a frame: notes the player's moves, asks the engine, plays its answer. True when the
    // board changed.
    bool update();
    // The player's last move and the engine's reply go back; while the engine thinks, only
    // the player's move (the search is stopped).
    void takeBack();

    // The board takes the player's click: a game against the computer on the player's turn.
    bool acceptsClick() const;
    // The engine owes an answer: the frame loop looks at its pipe often.
    bool waitingForEngine() const;
    // The engine's answer can be read without waiting.
    bool engineOutputReady() const;
    // The colour the player at this computer plays.
    int playerColour() const { return playerColour_; }
    // "computer <state> <player colour> <level> <pid>" and "computermoves <moves>" lines.
    std::string probeLines() const;

  private:
    bool active() const;
    bool enginesTurn() const;
    void noteMoves();
    bool playEngineMove(const std::string& text);
    void fault(const std::string& reason);
    void endEngine();

    GameFlow& flow_;
    Screens& screens_;
    std::function<void()> resetView_;
    UciEngine engine_;
    int playerColour_ = 0;
    int level_ = 1;
    std::vector<std::string> moves_;
    GameMode lastMode_ = GameMode::None;
    bool thinkingShown_ = false;
};

} // namespace korvane
