// The flow of a game: selection, moves, promotion, the end of the game and taking a move
// back, for the local game and for moves received from the peer.
#pragma once

#include "ports.h"
#include "position.h"

namespace korvane {

enum class GameEnd { None, Checkmate, Stalemate };

class GameFlow {
  public:
    // Every reference must outlive the flow. The position mirrors its pieces into `board`.
    GameFlow(Position& position, GameState& state, const FlowSettings& settings, BoardView& board,
             ScreenView& screens, SoundPlayer& sounds, PeerLink& peer);

    Position& position() { return position_; }
    GameState& state() { return state_; }

    // Both sets back to the start, White to move, rules refreshed.
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
    void repaint();
    bool selectedPiece(Fig*& piece);

    Position& position_;
    GameState& state_;
    const FlowSettings& settings_;
    BoardView& board_;
    ScreenView& screens_;
    SoundPlayer& sounds_;
    PeerLink& peer_;
};

} // namespace korvane
