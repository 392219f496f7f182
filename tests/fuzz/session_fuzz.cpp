// libFuzzer target for everything a peer can send: a session with a live game behind it takes
// a sequence of received items. Input: byte 0 picks the role (even: a guest that is joining,
// odd: a host), then items as [length][bytes...].
#include "session.h"

#include <cstddef>
#include <cstdint>

using namespace korvane;
using namespace korvane::net;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Game game;
    NullNetView view;
    SessionOptions options;
    options.disconnectWaitMs = 0;
    NetSession session(game, view, options);
    game.newGame();
    if (data[0] % 2)
        session.host("Fuzz");
    else
        session.connect("127.0.0.1", "Fuzz");

    std::size_t at = 1;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t take = length < size - at ? length : size - at;
        session.handleReceived(data + at, take);
        at += take;
    }
    // The game the items built must stay one the rules can play on.
    Position position = game.position();
    position.refreshRules();
    return 0;
}
