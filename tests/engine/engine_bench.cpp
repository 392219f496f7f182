// How long the player waits for the engine at level 1 (50 ms per move): from the "go" to the
// "bestmove" read by a loop that looks at the pipe every 5 ms, as the game's idle wait does.
// Prints numbers; not a test. Usage: korvane-engine-bench [engine] [moves]
#include "engine/uci_engine.h"
#include "game/game.h"
#include "rules/uci_move.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

using namespace std::chrono;
using korvane::UciEngine;

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "/usr/games/stockfish";
    const int replies = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    UciEngine engine;
    const auto t0 = steady_clock::now();
    if (!engine.start(path, {{"Skill Level", "0"}})) {
        std::fprintf(stderr, "cannot start %s: %s\n", path.c_str(), engine.failure().c_str());
        return 1;
    }
    auto wait = [&engine] {
        for (;;) {
            UciEngine::Event e = engine.poll();
            if (e.type != UciEngine::Event::None)
                return e;
            std::this_thread::sleep_for(milliseconds(5));
        }
    };
    if (wait().type != UciEngine::Event::Ready) {
        std::fprintf(stderr, "no handshake: %s\n", engine.failure().c_str());
        return 1;
    }
    std::printf("start to readyok: %.1f ms\n",
                duration<double, std::milli>(steady_clock::now() - t0).count());

    korvane::Game game(false);
    const korvane::Position& position = game.position();
    const korvane::GameState& state = game.state();
    game.newGame();
    std::mt19937 random(7);
    std::vector<std::string> moves;
    std::vector<double> ms;
    auto play = [&](const std::string& text) {
        const auto m = korvane::uciMoveFor(position, korvane::colourOf(state.sideToMove), text);
        const int side = korvane::colourOf(state.sideToMove);
        if (!m || game.submit(side, *m) != korvane::Refusal::None)
            return false;
        moves.push_back(text);
        return true;
    };
    while (int(ms.size()) < replies && game.gameEnd() == korvane::Ending::None) {
        if (state.sideToMove == korvane::Turn::White) {
            std::vector<std::string> legal;
            for (const korvane::Fig& p : position.sets[korvane::White].pieces)
                for (int k = 0; p.alive && k < p.moveCount; ++k)
                    legal.push_back(korvane::uciText(
                        korvane::Move(korvane::Square::at(p.x, p.y), korvane::Square(p.moves[k]),
                                      p.kind == korvane::PawnKind && p.moves[k] / 8 == 7 ? 4 : 0)));
            play(legal[random() % legal.size()]);
            continue;
        }
        const auto begin = steady_clock::now();
        engine.think(moves, 50);
        const UciEngine::Event e = wait();
        ms.push_back(duration<double, std::milli>(steady_clock::now() - begin).count());
        if (e.type != UciEngine::Event::BestMove || !play(e.text)) {
            std::fprintf(stderr, "bad reply: %s\n", e.text.c_str());
            return 1;
        }
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("level 1 (50 ms per move), %zu replies: min %.1f  median %.1f  mean %.1f  max "
                "%.1f ms\n",
                ms.size(), sorted.front(), sorted[sorted.size() / 2], sum / double(ms.size()),
                sorted.back());
    engine.stop();
    return 0;
}
