// Prints timings of the rule refresh and of perft; run by hand, not as a test.
#include "fen.h"
#include "perft.h"

#include <chrono>
#include <cstdio>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {

double refreshMicros(Position& position, int calls) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i)
        position.refreshRules();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

} // namespace

int main() {
    static Position position;
    Turn sideToMove = Turn::White;

    struct Named {
        const char* name;
        const char* fen;
    } positions[] = {
        {"start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"},
        {"middlegame", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"},
    };
    for (const Named& p : positions) {
        loadFen(position, sideToMove, p.fen);
        refreshMicros(position, 50);
        std::printf("refreshRules %-10s %8.1f us/call\n", p.name, refreshMicros(position, 2000));
    }

    loadFen(position, sideToMove, positions[1].fen);
    const auto start = Clock::now();
    const std::uint64_t nodes = perft(position, sideToMove, 3);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("perft middlegame depth 3: %llu nodes in %.3f s, %.0f nodes/s\n",
                static_cast<unsigned long long>(nodes), seconds, nodes / seconds);
    return 0;
}
