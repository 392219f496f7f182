// What a game is at one moment besides its position: who plays, whose move it is, what is
// selected, what waits for an answer. Only the Game writes it; everyone else reads it.
#pragma once

#include "player.h"
#include "rules/types.h"

namespace korvane {

// The kinds of the two players of a game. Every kind of game is a pairing: two players at
// this board, one against the engine, one against the peer over the network.
struct Players {
    PlayerKind white = PlayerKind::Nobody;
    PlayerKind black = PlayerKind::Nobody;

    static Players local() { return {PlayerKind::Local, PlayerKind::Local}; }
    // The player at this board plays `colour`; the other side is `opponent`.
    static Players against(PlayerKind opponent, int colour) {
        return colour == Black ? Players{opponent, PlayerKind::Local}
                               : Players{PlayerKind::Local, opponent};
    }
    PlayerKind of(int colour) const { return colour == Black ? black : white; }
    bool has(PlayerKind p) const { return white == p || black == p; }
    bool operator==(const Players& o) const { return white == o.white && black == o.black; }
};

// An open question between the two players of a network game. While one is open nobody
// moves, on either side, whoever's turn it is.
enum class Question { None, Draw, Revoke };

struct GameState {
    Players players;
    // A guest that waits for the host to seat it: connecting, nothing heard yet.
    bool joining = false;
    Turn sideToMove = Turn::White;
    Question question = Question::None;
    bool questionMine = false; // this program asked the open question
    // A guest that has the host's block but not yet the whole position.
    bool joinPending = false;

    PieceId selection;

    bool promotionPending = false;
    int promotionColour = 0;
    int promotionPawnIndex = 0;

    bool playing() const { return players.white != PlayerKind::Nobody; }
    bool networkGame() const { return players.has(PlayerKind::Network); }
    bool engineGame() const { return players.has(PlayerKind::Engine); }
    bool localGame() const { return players == Players::local(); }
    // The colour the player at this board plays against the engine or the peer (White when both
    // sides are played here).
    int localColour() const {
        return players.black == PlayerKind::Local && players.white != PlayerKind::Local ? Black
                                                                                        : White;
    }
    // The kind of game as one number, for the state probe: -1 none, 0 local, 1 and 2 a network
    // game with this board playing White or Black, 3 joining, 4 against the engine.
    int kindCode() const {
        if (joining)
            return 3;
        if (!playing())
            return -1;
        if (engineGame())
            return 4;
        if (networkGame())
            return localColour() == Black ? 2 : 1;
        return 0;
    }
    // The board takes a move or selection only in this state.
    bool boardOpen() const {
        return isColour(sideToMove) && question == Question::None && !promotionPending &&
               !joinPending;
    }
    // Whether the side to move plays at this computer's board (both sides in a local game).
    bool localSideToMove() const {
        return isColour(sideToMove) && players.of(colourOf(sideToMove)) == PlayerKind::Local;
    }
    // The one place that decides whether a click on the board may select or move.
    bool boardTakesClicks() const { return boardOpen() && localSideToMove(); }
    // Whether the pending promotion's piece is this computer's to choose (never the peer's).
    bool mayChoosePromotion() const {
        if (!promotionPending)
            return false;
        return players.of(promotionColour) != PlayerKind::Network;
    }
};

} // namespace korvane
