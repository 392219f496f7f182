#include "computer_game.h"

#include "config/config_store.h"
#include "gui/computer_setup.h"
#include "gui/screens.h"
#include "rules/uci_move.h"

#include <cmath>
#include <iostream>
#include <poll.h>
#include <random>

namespace korvane {

std::string configuredEngine() {
    const std::string path = ConfigStore::getValue("Engine", "Game", kConfigFile);
    return path.empty() ? std::string(kDefaultEngine) : path;
}

std::string missingEngine() {
    const std::string path = configuredEngine();
    return UciEngine::available(path) ? std::string() : path;
}

EngineLevel engineLevel(int level) {
    if (level < 1)
        level = 1;
    if (level > kComputerLevels)
        level = kComputerLevels;
    const double step = double(level - 1) / double(kComputerLevels - 1);
    EngineLevel e;
    e.skill = int(std::lround(20.0 * step));
    // 50 ms to 2 s in even ratios: each level thinks about 1.7 times as long as the one below.
    e.moveTimeMs = int(std::lround(50.0 * std::pow(40.0, step)));
    return e;
}

// The settings and board are the flow's own; taking back goes through the flow.
ComputerGame::ComputerGame(GameFlow& flow, const FlowSettings&, BoardView&, Screens& screens,
                           std::function<void()> resetView)
    : flow_(flow), screens_(screens), resetView_(std::move(resetView)) {}

bool ComputerGame::active() const {
    return flow_.state().gameMode == GameMode::Computer;
}

bool ComputerGame::enginesTurn() const {
    const GameState& s = flow_.state();
    return active() && s.boardOpen() && colourOf(s.sideToMove) != playerColour_ &&
           flow_.gameEnd() == GameEnd::None;
}

void ComputerGame::start(int colour, int level) {
    if (colour != White && colour != Black)
        colour = std::random_device{}() % 2 ? Black : White;
    playerColour_ = colour;
    level_ = level < 1 ? 1 : level > kComputerLevels ? kComputerLevels : level;
    moves_.clear();
    thinkingShown_ = false;

    GameState& state = flow_.state();
    state.gameMode = GameMode::Computer;
    lastMode_ = GameMode::Computer;
    flow_.newGame();
    // The player looks from their own side for the whole game.
    state.viewFlipped = playerColour_ == Black;
    if (resetView_)
        resetView_();

    const EngineLevel e = engineLevel(level_);
    if (!engine_.start(configuredEngine(), {{"Skill Level", std::to_string(e.skill)}}))
        fault(engine_.failure());
}

void ComputerGame::endEngine() {
    engine_.stop(std::chrono::milliseconds(100));
    moves_.clear();
    thinkingShown_ = false;
}

void ComputerGame::fault(const std::string& reason) {
    std::cerr << "Korvane: the chess engine failed: " << reason << "\n";
    endEngine();
    // The game goes on from this position with both sides at this computer.
    flow_.state().gameMode = GameMode::Local;
    lastMode_ = GameMode::Local;
    screens_.computer().showComputerPanel(false);
    screens_.computer().showEngineFailed();
}

void ComputerGame::noteMoves() {
    const Position& position = flow_.position();
    // A new game from the in-game panel: the position starts over under the moves.
    if (!moves_.empty() && !position.board.record.moved.valid) {
        engine_.cancel();
        moves_.clear();
        thinkingShown_ = false;
    }
    // A restart turns the view to White's side; the player keeps their own.
    GameState& state = flow_.state();
    if (state.viewFlipped != (playerColour_ == Black)) {
        state.viewFlipped = playerColour_ == Black;
        if (resetView_)
            resetView_();
    }
    const GameState& s = state;
    if (s.promotionPending || !isColour(s.sideToMove))
        return;
    // Every move flips the side to move; the list's length says whose turn it should be.
    const int expected = moves_.size() % 2 == 0 ? White : Black;
    if (colourOf(s.sideToMove) != expected) {
        const std::string last = lastUciMove(position);
        if (!last.empty())
            moves_.push_back(last);
    }
}

bool ComputerGame::playEngineMove(const std::string& text) {
    const GameState& s = flow_.state();
    const std::optional<UciMove> move = uciMoveFor(flow_.position(), colourOf(s.sideToMove), text);
    if (!move) {
        fault("it played \"" + text + "\", which is no legal move here");
        return false;
    }
    if (!flow_.receiveMove(move->kind, move->index, move->ordinal)) {
        fault("its move \"" + text + "\" was refused");
        return false;
    }
    if (move->promotion)
        flow_.completePromotion(move->promotion);
    thinkingShown_ = false;
    noteMoves();
    return true;
}

bool ComputerGame::update() {
    const GameMode mode = flow_.state().gameMode;
    if (mode != lastMode_) {
        // Leaving the game (Quit Game, a local or network game begun) ends the engine.
        screens_.computer().showComputerPanel(mode == GameMode::Computer);
        if (lastMode_ == GameMode::Computer)
            endEngine();
        lastMode_ = mode;
    }
    if (mode != GameMode::Computer)
        return false;

    noteMoves();
    bool changed = false;
    const UciEngine::Event event = engine_.poll();
    if (event.type == UciEngine::Event::Failed) {
        fault(event.text);
        return true;
    }
    if (event.type == UciEngine::Event::BestMove && enginesTurn()) {
        changed = true;
        if (!playEngineMove(event.text))
            return true;
    }
    if (enginesTurn()) {
        if (engine_.state() == UciEngine::State::Idle) {
            if (!engine_.think(moves_, engineLevel(level_).moveTimeMs)) {
                fault(engine_.failure());
                return true;
            }
        }
        if (!thinkingShown_) {
            screens_.computer().showThinking();
            thinkingShown_ = true;
        }
    }
    return changed;
}

void ComputerGame::takeBack() {
    if (!active() || flow_.state().promotionPending)
        return;
    noteMoves();
    std::size_t drop = 0;
    if (colourOf(flow_.state().sideToMove) != playerColour_) {
        // The engine's turn (or the player has just ended the game): the player's move goes.
        drop = moves_.empty() ? 0 : 1;
        engine_.cancel();
    } else if (moves_.size() >= 2) {
        drop = 2;
    }
    // The main flow takes each move back itself, so its history (the move list, a saved
    // game) stays the game's whole record.
    for (; drop > 0 && !moves_.empty() && flow_.takeBack(); --drop)
        moves_.pop_back();
    thinkingShown_ = false;
}

bool ComputerGame::acceptsClick() const {
    const GameState& s = flow_.state();
    return active() && s.boardOpen() && colourOf(s.sideToMove) == playerColour_;
}

bool ComputerGame::waitingForEngine() const {
    const UciEngine::State st = engine_.state();
    return active() && (st == UciEngine::State::Starting || st == UciEngine::State::Preparing ||
                        st == UciEngine::State::Thinking);
}

bool ComputerGame::engineOutputReady() const {
    const int fd = engine_.outputFd();
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

std::string ComputerGame::probeLines() const {
    const char* state = "off";
    switch (engine_.state()) {
    case UciEngine::State::Off:
        state = "off";
        break;
    case UciEngine::State::Starting:
    case UciEngine::State::Preparing:
        state = "starting";
        break;
    case UciEngine::State::Idle:
        state = "ready";
        break;
    case UciEngine::State::Thinking:
        state = engine_.searching() ? "thinking" : "stopping";
        break;
    case UciEngine::State::Failed:
        state = "failed";
        break;
    }
    std::string out = std::string("computer ") + state + " " + std::to_string(playerColour_) + " " +
                      std::to_string(level_) + " " + std::to_string(engine_.pid()) + "\n";
    out += "computermoves";
    for (const std::string& m : moves_)
        out += " " + m;
    out += "\n";
    return out;
}

} // namespace korvane
