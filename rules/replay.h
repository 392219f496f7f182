// A game of chess alone: a position, the side to move and the game's history, with moves
// played whole (a promotion together with its piece). The PGN reader, the tools and the game's
// own loading replay moves on it; the game on screen builds on the same steps (make_move.h).
// Each recorded move keeps its undo record, so a game loaded from a replay can take its moves
// back.
#pragma once

#include "draw.h"
#include "history.h"
#include "make_move.h"
#include "position.h"

#include <string>
#include <vector>

namespace korvane {

class Replay {
  public:
    // The usual start position, White to move.
    Replay();

    // From `startFen` (empty: the usual start) with `moves` played on it, all or nothing: on an
    // unloadable FEN or a move that is not legal, false with the reason in `error` and this
    // replay untouched.
    bool load(const std::string& startFen, const std::vector<Move>& moves,
              std::string* error = nullptr);

    // Plays a legal move given by its squares and, for a pawn reaching the last rank, its
    // promotion piece. False, nothing changed, when it is not legal here or nobody is to move.
    bool play(const Move& move);

    Position& position() { return position_; }
    const Position& position() const { return position_; }
    Turn sideToMove() const { return sideToMove_; }
    const GameHistory& history() const { return history_; }
    // The position as FEN, with the game's half-move clock and move number.
    std::string fen() const;
    Ending end();

  private:
    Position position_;
    Turn sideToMove_ = Turn::White;
    GameHistory history_;
};

} // namespace korvane
