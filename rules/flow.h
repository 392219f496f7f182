// The flow of a game: selection, moves, promotion, the end of the game and taking a move
// back, for the local game and for moves received from the peer.
#pragma once

#include "ports.h"
#include "position.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

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

    // The received piece dump: places the piece without capturing anything. False for values
    // out of range (alive must be 0 or 1; a king is never dead).
    bool applyPieceState(int colour, int kind, int index, int alive, int x, int y);

    // Received messages, decoded values (no +1). False: rejected, nothing changed.
    bool receivePieceSelected(int kind, int index);
    bool receiveMove(int kind, int index, int ordinal);
    bool receivePromotion(int pawnIndex, int pieceCode);

    // Received bytes of PieceSelected (89), Move (85), Promotion (86) or PieceState (87),
    // identifier byte first. False when the identifier is not one of these, the message is
    // too short or any field is out of range.
    bool handleMessage(const std::uint8_t* data, std::size_t length);

    // The state after the last position change, for the side to move.
    GameEnd gameEnd();
    bool sideInCheck(int colour) { return position_.inCheck(colour); }

  private:
    void refreshLooks();
    void viewFlipIfLocal();
    void sendBytes(std::initializer_list<std::uint8_t> bytes);
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
