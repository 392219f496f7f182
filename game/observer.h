// What the game tells those who follow it: the board scene, the screens, the sounds, the
// camera, the network session and the probe. Every call comes after the game has changed, so
// a view reads the game's const queries for whatever it shows.
#pragma once

#include "rules/draw.h"
#include "rules/types.h"

namespace korvane {

class Game;

// One move as it was played: its squares, and the piece with the move's entry in that piece's
// legal-move list (the form a network peer is told). The promotion piece follows in
// promotionChosen.
struct MoveEvent {
    Move move;
    PieceId piece;
    int ordinal = 0;
    bool promotionPending = false; // the pawn waits on the last rank for its piece
};

// How a game ended.
enum class Outcome { Checkmate, Stalemate, Resignation, AgreedDraw, DrawByRule, Abandoned };

struct GameResult {
    Outcome outcome = Outcome::Checkmate;
    int winner = -1; // a colour for checkmate and resignation, -1 otherwise
    DrawReason draw = DrawReason::None;
};

class GameObserver {
  public:
    virtual ~GameObserver() = default;
    // A position on the board as a whole: a new game, a loaded game, a take-back by replay,
    // a guest's join begun or completed.
    virtual void positionChanged(const Game&) {}
    // Who plays changed (a game begun or left, colours swapped, a join begun or seated).
    virtual void playersChanged(const Game&) {}
    // A piece was selected or the selection dropped.
    virtual void selectionChanged(const Game&) {}
    virtual void moveMade(const Game&, const MoveEvent&) {}
    // The pawn of `move` became a piece of kind `pieceCode`.
    virtual void promotionChosen(const Game&, const MoveEvent&, int pieceCode) {}
    virtual void moveTakenBack(const Game&) {}
    virtual void questionOpened(const Game&) {}
    // The open question ended; with `gameOver` its answer ended the game.
    virtual void questionClosed(const Game&, bool gameOver) {}
    virtual void gameEnded(const Game&, const GameResult&) {}
};

} // namespace korvane
