// Benchmark, not a test: two network sessions on loopback, as two programs would run them.
// Prints the time from Connect to the whole position applied on the guest, and the time from
// a move played on one side to the move applied on the other, with the number of service
// steps (frames) the receiver needed once the packet had arrived. Run it inside a private
// network namespace: tools/netns-run.sh build/tools/bench/korvane-net-bench
#include "net/session.h"
#include "rules/fen.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace korvane;
using namespace korvane::net;
using Clock = std::chrono::steady_clock;

namespace {

struct Peer {
    Game game;
    NullNetView view;
    NetSession session{game, view};
    Peer() { game.newGame(); }
    // The placement alone: the guest's history starts at the join, with counters of its own.
    std::string fen() const { return writeFen(game.position(), game.state().sideToMove); }
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main() {
    std::vector<double> joins, moves, steps;
    for (int run = 0; run < 20; ++run) {
        Peer host, guest;
        if (!host.session.host("Host"))
            return 1;
        // A position worth sending: a few moves played by the host alone.
        for (int i = 0; i < 3; ++i) {
            const Fig& pawn = host.game.position().sets[0].pieces[i];
            host.game.selectPiece(0, pawn.kind, pawn.index);
            host.game.executeMove(0);
            const Fig& reply = host.game.position().sets[1].pieces[i];
            host.game.selectPiece(1, reply.kind, reply.index);
            host.game.executeMove(0);
        }
        const auto start = Clock::now();
        guest.session.connect("127.0.0.1", "Guest");
        // Each side services at its own pace, as a frame loop does; 1 ms apart.
        while (guest.game.state().joinPending || !guest.game.state().networkGame() ||
               guest.fen() != host.fen()) {
            host.session.service();
            guest.session.service();
            if (Clock::now() - start > std::chrono::seconds(5))
                return 2;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        joins.push_back(ms(Clock::now() - start));

        // The host moves; the guest's steps are counted from the packet's arrival.
        const Fig& pawn = host.game.position().sets[0].pieces[5];
        host.game.selectPiece(0, pawn.kind, pawn.index);
        const std::string before = guest.fen();
        const auto moved = Clock::now();
        host.game.executeMove(0);
        int stepsAfterArrival = 0;
        while (guest.fen() == before) {
            guest.session.pump();
            if (guest.session.trafficWaiting()) {
                guest.session.service();
                ++stepsAfterArrival;
            }
            host.session.service();
            if (Clock::now() - moved > std::chrono::seconds(5))
                return 3;
        }
        moves.push_back(ms(Clock::now() - moved));
        steps.push_back(stepsAfterArrival);
    }
    std::printf("join (connect to whole position on the guest): median %.2f ms, worst %.2f ms\n",
                median(joins), *std::max_element(joins.begin(), joins.end()));
    std::printf("move (played to applied on the peer): median %.3f ms, worst %.3f ms\n",
                median(moves), *std::max_element(moves.begin(), moves.end()));
    std::printf("frames the receiver needed after the packet arrived: median %.0f, worst %.0f\n",
                median(steps), *std::max_element(steps.begin(), steps.end()));
    return 0;
}
