// The record of one game: every position it passed through, its moves, what each side lost and
// the FEN counters, from its start (the start position or a set-up) to the position on the
// board. The game feeds it; the move list, draw claims, taking back and game files read it.
#pragma once

#include "fen.h"
#include "position.h"
#include "san.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

// A position as the repetition rule compares them: placement, side to move, castling rights,
// and the en-passant file only when an en-passant capture is legal.
struct PositionKey {
    std::array<std::uint8_t, 64> squares{}; // 0 empty, else 1 + kind + 6 * colour
    std::uint8_t side = 0;
    std::uint8_t castling = 0; // bits: White king side, White queen side, Black k, Black q
    std::int8_t enPassantFile = -1;
    bool operator==(const PositionKey& o) const {
        return squares == o.squares && side == o.side && castling == o.castling &&
               enPassantFile == o.enPassantFile;
    }
    bool operator!=(const PositionKey& o) const { return !(*this == o); }
};

// The key of the position; its legal-move lists must be current.
PositionKey positionKey(const Position& position, Turn sideToMove);

// One move of the game, with what it left behind.
struct PlayedMove {
    int colour = White;
    Move squares;
    SanMove san;       // check mark included
    int captured = -1; // kind of the piece it took, -1 none
    PositionKey after;
    FenCounters counters; // after the move
    // What puts the position back as it was before the move: the history is the chain of undo
    // records, one a move. Invalid where the move cannot go back (a peer that joined after it).
    MoveRecord undo;
};

class GameHistory {
  public:
    // A game from the usual start position.
    GameHistory();
    // A new game from `position` (copied, pool slots and all, so that replaying gives the very
    // same pieces), `sideToMove` to move, with the counters of its FEN.
    void start(const Position& position, Turn sideToMove, FenCounters counters = FenCounters());
    void record(const PlayedMove& move);
    // Forgets the last move; false when there is none.
    bool pop();
    // No move recorded so far can be taken back by its undo record any more.
    void forgetUndo();

    const std::vector<PlayedMove>& moves() const { return moves_; }
    std::size_t size() const { return moves_.size(); }
    bool empty() const { return moves_.empty(); }

    // Where the game started.
    const Position& startPosition() const;
    Turn startSide() const { return startSide_; }
    FenCounters startCounters() const { return startCounters_; }
    std::string startFen() const;
    // A game from the usual start position, White to move, counters 0 1.
    bool standardStart() const;

    // The counters and repetition key of the position now on the board.
    FenCounters counters() const;
    const PositionKey& currentKey() const;
    // How often the position now on the board has occurred in the game, this time included.
    int repetitions() const;

    // The moves as SAN texts.
    std::vector<std::string> sanMoves(PieceLetters letters = PieceLetters::English) const;
    // Kinds of the pieces of `colour` its opponent has taken, in the order they fell.
    std::vector<int> capturedPieces(int colour) const;

  private:
    std::shared_ptr<const Position> start_; // shared: copies of a history stay cheap
    Turn startSide_ = Turn::White;
    FenCounters startCounters_;
    PositionKey startKey_;
    std::vector<PlayedMove> moves_;
};

} // namespace korvane
