// The pairings the tests set up, by the kinds of game the state probe's numbers name, so that a
// table of cases can list them.
#pragma once

#include "game/game.h"

namespace korvane::testing {

enum class Pairing {
    None = -1,
    Local = 0,
    NetworkWhite = 1,
    NetworkBlack = 2,
    Joining = 3,
    Computer = 4
};

// A player that only waits: the engine or the peer where a test plays their moves itself.
struct StandInPlayer : Player {
    explicit StandInPlayer(PlayerKind k) : k_(k) {}
    PlayerKind kind() const override { return k_; }
    PlayerKind k_;
};

inline Player& standIn(PlayerKind kind) {
    static StandInPlayer engine(PlayerKind::Engine), peer(PlayerKind::Network);
    return kind == PlayerKind::Engine ? static_cast<Player&>(engine) : peer;
}

inline Players playersOf(Pairing p) {
    switch (p) {
    case Pairing::Local:
        return Players::local();
    case Pairing::NetworkWhite:
        return Players::against(PlayerKind::Network, White);
    case Pairing::NetworkBlack:
        return Players::against(PlayerKind::Network, Black);
    case Pairing::Computer:
        return Players::against(PlayerKind::Engine, White);
    default:
        return Players();
    }
}

inline Pairing pairingOf(const GameState& s) {
    return Pairing(s.kindCode());
}

// For a recorded state that stands in for the game's.
inline void setPairing(GameState& s, Pairing p) {
    s.players = playersOf(p);
    s.joining = p == Pairing::Joining;
}

// For a real game, through its doors.
inline void seatAs(Game& game, Pairing p) {
    if (p == Pairing::None)
        game.leave();
    else if (p == Pairing::Joining)
        game.awaitSeat();
    else if (p == Pairing::Local)
        game.seatLocal();
    else if (p == Pairing::Computer)
        game.seatAgainst(standIn(PlayerKind::Engine), White);
    else
        game.seatAgainst(standIn(PlayerKind::Network), p == Pairing::NetworkWhite ? White : Black);
}

} // namespace korvane::testing
