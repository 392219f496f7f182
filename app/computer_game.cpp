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

ComputerGame::ComputerGame(Game& game, Screens& screens, std::function<void(bool)> resetView)
    : game_(game), screens_(screens), resetView_(std::move(resetView)) {
    game_.addObserver(*this);
}

ComputerGame::~ComputerGame() {
    game_.removeObserver(*this);
    if (game_.seats(*this))
        game_.leave();
}

bool ComputerGame::active() const {
    return game_.state().engineGame();
}

bool ComputerGame::enginesTurn() const {
    return moveOwed_ && active() && game_.state().boardOpen();
}

void ComputerGame::yourMove(Game&, int) {
    moveOwed_ = true;
}

std::vector<std::string> ComputerGame::moves() const {
    std::vector<std::string> out;
    if (!active())
        return out;
    for (const PlayedMove& m : game_.history().moves())
        out.push_back(uciText(m.squares));
    return out;
}

void ComputerGame::start(int colour, int level) {
    if (colour != White && colour != Black)
        colour = std::random_device{}() % 2 ? Black : White;
    level_ = level < 1 ? 1 : level > kComputerLevels ? kComputerLevels : level;
    thinkingShown_ = false;

    playerColour_ = colour;
    game_.seatAgainst(*this, colour);
    game_.newGame();
    engineGame_ = true;

    const EngineLevel e = engineLevel(level_);
    if (!engine_.start(configuredEngine(), {{"Skill Level", std::to_string(e.skill)}}))
        fault(engine_.failure());
}

void ComputerGame::endEngine() {
    engine_.stop(std::chrono::milliseconds(100));
    engineGame_ = false;
    thinkingShown_ = false;
}

void ComputerGame::fault(const std::string& reason) {
    std::cerr << "Korvane: the chess engine failed: " << reason << "\n";
    endEngine();
    // The game goes on from this position with both sides at this computer.
    game_.seatLocal();
    screens_.computer().showComputerPanel(false);
    screens_.computer().showEngineFailed();
}

void ComputerGame::moveMade(const Game&, const MoveEvent&) {
    moveOwed_ = false;
}

void ComputerGame::moveTakenBack(const Game&) {
    moveOwed_ = false;
}

void ComputerGame::gameEnded(const Game&, const GameResult&) {
    moveOwed_ = false;
}

void ComputerGame::positionChanged(const Game& game) {
    moveOwed_ = false;
    if (!active())
        return;
    // A search for the position before is worth nothing now.
    engine_.cancel();
    thinkingShown_ = false;
    // A restart turns the view to White's side; the player keeps their own.
    if (resetView_)
        resetView_(playerColour_ == Black);
}

void ComputerGame::playersChanged(const Game& game) {
    moveOwed_ = false;
    const bool computer = game.state().engineGame();
    screens_.computer().showComputerPanel(computer);
    // Leaving the game (Quit Game, a local or network game begun) ends the engine.
    if (!computer && engineGame_)
        endEngine();
}

bool ComputerGame::playEngineMove(const std::string& text) {
    const GameState& s = game_.state();
    const int side = colourOf(s.sideToMove);
    const std::optional<Move> move = uciMoveFor(game_.position(), side, text);
    if (!move) {
        fault("it played \"" + text + "\", which is no legal move here");
        return false;
    }
    if (game_.submit(side, *move) != Refusal::None) {
        fault("its move \"" + text + "\" was refused");
        return false;
    }
    thinkingShown_ = false;
    return true;
}

bool ComputerGame::update() {
    if (!active())
        return false;
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
            if (!engine_.think(moves(), engineLevel(level_).moveTimeMs)) {
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
    const GameState& s = game_.state();
    if (!active() || s.promotionPending)
        return;
    std::size_t drop = 0;
    const std::size_t played = game_.history().size();
    if (colourOf(s.sideToMove) != playerColour_) {
        // The engine's turn (or the player has just ended the game): the player's move goes.
        drop = played == 0 ? 0 : 1;
        engine_.cancel();
    } else if (played >= 2) {
        drop = 2;
    }
    // The game takes each move back itself, so its history (the move list, a saved game)
    // stays the game's whole record.
    for (; drop > 0 && game_.takeBack(); --drop) {
    }
    thinkingShown_ = false;
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
    std::string out = std::string("computer ") + state + " " + std::to_string(playerColour()) +
                      " " + std::to_string(level_) + " " + std::to_string(engine_.pid()) + "\n";
    out += "computermoves";
    for (const std::string& m : moves())
        out += " " + m;
    out += "\n";
    return out;
}

} // namespace korvane
