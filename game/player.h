// The players of a game. Every opponent is a player: the player at this computer's board, the
// chess engine, the peer over the network. The game asks the player of the side to move for
// its move, and the player answers through the game's door (Game::submit), at once or later;
// the game refuses an answer for a side that is not to move, so no player can move for the
// other and none has to pretend to be the board's mouse.
#pragma once

namespace korvane {

class Game;

// The kinds of player, as the screens and the state probe tell games apart; Nobody while no
// game runs.
enum class PlayerKind { Nobody, Local, Engine, Network };

class Player {
  public:
    virtual ~Player() = default;
    virtual PlayerKind kind() const = 0;
    // `side` is to move in `game`, whose board is open: the game waits for this player's move.
    // Asked again after every change of the position that leaves it to move (a take-back, a
    // new game); a player that is thinking drops its old search when the position changes.
    virtual void yourMove(Game& game, int side) {
        (void)game;
        (void)side;
    }
};

// The player at this computer's board: its moves are the board's clicks, which the board
// turns into selectPiece and executeMove on the game (both sides in a game of two at one
// board). It waits for the clicks, so the game's question needs no answer here.
class LocalPlayer final : public Player {
  public:
    PlayerKind kind() const override { return PlayerKind::Local; }
};

} // namespace korvane
