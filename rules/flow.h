// The flow of a game: selection, moves, promotion, the end of the game and taking a move
// back, for the local game and for moves received from the peer.
#pragma once

#include "draw.h"
#include "history.h"
#include "ports.h"
#include "position.h"
#include "san.h"

#include <cstddef>
#include <string>
#include <vector>

namespace korvane {

enum class GameEnd { None, Checkmate, Stalemate };

struct HeadlessGame;

class GameFlow {
  public:
    // Every reference must outlive the flow. The position mirrors its pieces into `board`.
    GameFlow(Position& position, GameState& state, const FlowSettings& settings, BoardView& board,
             ScreenView& screens, SoundPlayer& sounds, PeerLink& peer);

    Position& position() { return position_; }
    GameState& state() { return state_; }

    // Both sets back to the start, White to move, rules refreshed, the history a new game's.
    void newGame();

    // Selects a piece of the side to move. False (nothing changes) when the board is closed or
    // the triple names no alive piece of that side.
    bool selectPiece(int colour, int kind, int index, bool send);
    // Plays entry `ordinal` of the selected piece's legal moves. False when nothing is
    // selected, the board is closed or the ordinal is out of range.
    bool executeMove(int ordinal, bool send);
    // Piece code 1 rook, 2 knight, 3 bishop, 4 queen. False when no promotion is pending or
    // the code is out of range.
    bool completePromotion(int pieceCode);
    // Takes the last move back completely. False when there is no move to take back or its
    // promotion choice is still pending.
    bool revokeLastMove();

    // Plays a legal move given by its squares and, for a pawn reaching the last rank, its
    // promotion piece, the way a click and the promotion choice would (a network game's peer
    // is told). False, nothing changed, when the board is closed or the move is not legal.
    bool playMove(const MoveSquares& move);
    // Takes back the last move of the history, any number of times down to the game's start:
    // the game is replayed from its start without that move, then the board is shown anew.
    // False when there is no move, a promotion choice or a question is open, the game was
    // resigned or agreed drawn, or in a network game (where the peer would not follow). A
    // draw by rule is taken back with its last move.
    bool takeBack();
    // A local game from `startFen` (empty: the usual start) with `moves` played on it, all or
    // nothing: on an unloadable FEN or a move that is not legal, false with the reason in
    // `error` and the game untouched. Refused in a network game.
    bool loadGame(const std::string& startFen, const std::vector<MoveSquares>& moves,
                  std::string* error = nullptr);

    // The game so far. A position loaded behind the flow's back (loadFen on the position)
    // starts a history of its own at the next move or take-back.
    const GameHistory& history() const { return history_; }
    // The position as FEN, with the game's half-move clock and move number.
    std::string fen() const;
    // The draw the side to move may claim now (threefold repetition, fifty-move rule), or None.
    DrawReason canClaimDraw() const;
    // Ends the game as a draw the side to move may claim. False, nothing changed, when there
    // is none, a question or promotion is open, or in a network game (where a claim is a draw
    // offer to the peer).
    bool claimDraw();
    // The same end for a claim the network session has settled with the peer: no question
    // or game-mode check, only that the claim still holds. False, nothing changed, otherwise.
    bool endByClaim();
    // The draw that has ended the game by itself (insufficient material, fivefold repetition,
    // 75-move rule), or None.
    DrawReason automaticDraw() const;
    // For searches that play moves and go back: puts back a position and state saved from this
    // flow and forgets the moves recorded after the first `plies`.
    void rewind(const Position& position, const GameState& state, std::size_t plies);

    // A guest about to receive the host's position: every piece but the kings gone, nothing
    // to take back, the board closed until finishJoin.
    void beginJoin(Turn sideToMove);
    // One piece of the received position, placed without capturing anything. A dead piece may
    // sit anywhere (its square means nothing). False for values out of range (a king is never
    // dead) or outside a join.
    bool applyPieceState(int colour, int kind, int index, bool alive, int x, int y);
    // The rest of the received position; opens the board. Without details (a host that does
    // not send them) castling rights are guessed from the home squares.
    void finishJoin(const PositionDetails* details);
    // What the position holds beyond its placement, for a guest that joins.
    PositionDetails details() const;

    // No piece selected: the arrow and the target squares go.
    void clearSelection();
    // Nothing to take back any more (a peer that joins never saw the last move).
    void forgetLastMove() { position_.board.record = MoveRecord(); }

    // Received actions of the peer, decoded values. False: rejected, nothing changed.
    bool receivePieceSelected(int kind, int index);
    bool receiveMove(int kind, int index, int ordinal);
    bool receivePromotion(int pawnIndex, int pieceCode);

    // The state after the last position change, for the side to move.
    GameEnd gameEnd();
    bool sideInCheck(int colour) { return position_.inCheck(colour); }

  private:
    void refreshLooks();
    void viewFlipIfLocal();
    void announceSideToMove();
    void testGameEnd();
    void endInDraw(DrawReason reason);
    void repaint();
    bool selectedPiece(Fig*& piece);
    void syncHistory();
    void recordPending();
    void adopt(HeadlessGame& game);
    static bool replay(HeadlessGame& game, const std::vector<MoveSquares>& moves,
                       std::string* error);

    Position& position_;
    GameState& state_;
    const FlowSettings& settings_;
    BoardView& board_;
    ScreenView& screens_;
    SoundPlayer& sounds_;
    PeerLink& peer_;
    GameHistory history_;
    PlayedMove pending_;       // the move being played, recorded once its promotion is chosen
    bool drawnByRule_ = false; // the game ended in a claimed or automatic draw
};

// A game flow with nothing attached: the position and its rules alone, for perft, replays,
// the benchmarks and the command-line tools.
struct HeadlessGame {
    Position position;
    GameState state;
    FlowSettings settings;
    NullBoardView board;
    NullScreenView screens;
    NullSoundPlayer sounds;
    NullPeerLink peer;
    GameFlow flow{position, state, settings, board, screens, sounds, peer};
};

} // namespace korvane
