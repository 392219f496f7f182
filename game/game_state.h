// What a game is at one moment besides its position: who plays, whose move it is, what is
// selected, what waits for an answer. Only the Game writes it; everyone else reads it.
#pragma once

#include "rules/types.h"

namespace korvane {

// Which game is running and which side this program plays in it.
enum class GameMode : int {
    None = -1,
    Local = 0,
    NetworkWhite = 1, // a network game, this program plays White
    NetworkBlack = 2,
    Joining = 3,  // connecting to a host, nothing heard yet
    Computer = 4, // against a chess engine on this computer
};

inline bool isNetworkGame(GameMode m) {
    return m == GameMode::NetworkWhite || m == GameMode::NetworkBlack;
}
// The colour this program plays in a network game.
inline int localColour(GameMode m) {
    return m == GameMode::NetworkBlack ? Black : White;
}
inline GameMode networkModeFor(int colour) {
    return colour == Black ? GameMode::NetworkBlack : GameMode::NetworkWhite;
}

// An open question between the two players of a network game. While one is open nobody
// moves, on either side, whoever's turn it is.
enum class Question { None, Draw, Revoke };

struct GameState {
    GameMode gameMode = GameMode::None;
    Turn sideToMove = Turn::White;
    Question question = Question::None;
    bool questionMine = false; // this program asked the open question
    // A guest that has the host's block but not yet the whole position.
    bool joinPending = false;

    PieceId selection;

    bool promotionPending = false;
    int promotionColour = 0;
    int promotionPawnIndex = 0;

    // In a game against the computer, the colour the player at this computer plays.
    int humanColour = White;

    bool networkGame() const { return isNetworkGame(gameMode); }
    // The board takes a move or selection only in this state.
    bool boardOpen() const {
        return isColour(sideToMove) && question == Question::None && !promotionPending &&
               !joinPending;
    }
    // Whether the side to move plays at this computer's board (both sides in a local game).
    bool localSideToMove() const {
        if (!isColour(sideToMove))
            return false;
        switch (gameMode) {
        case GameMode::Local:
            return true;
        case GameMode::NetworkWhite:
        case GameMode::NetworkBlack:
            return colourOf(sideToMove) == localColour(gameMode);
        case GameMode::Computer:
            return colourOf(sideToMove) == humanColour;
        default:
            return false;
        }
    }
    // The one place that decides whether a click on the board may select or move.
    bool boardTakesClicks() const { return boardOpen() && localSideToMove(); }
    // Whether the pending promotion's piece is this computer's to choose (never the peer's).
    bool mayChoosePromotion() const {
        if (!promotionPending)
            return false;
        return !networkGame() || promotionColour == localColour(gameMode);
    }
};

} // namespace korvane
