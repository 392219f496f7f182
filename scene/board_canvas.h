// What the board presenter paints on: the board scene in the game, a recording stand-in in
// tests. A piece is named by (colour, kind, index within kind), a square by its index 0..63.
#pragma once

namespace korvane {

class BoardCanvas {
  public:
    virtual ~BoardCanvas() = default;
    virtual void setPieceVisible(int colour, int kind, int index, bool visible) = 0;
    // The piece standing on square (file x, rank y).
    virtual void placePiece(int colour, int kind, int index, int x, int y) = 0;
    // Checkerboard repaint with the last move's squares marked, -1 for none.
    virtual void repaintSquares(int lastMoveFrom, int lastMoveTo) = 0;
    // The listed squares painted as the selected piece's targets.
    virtual void paintTargets(const int* squares, int count) = 0;
    // Every piece of the side, dead or alive, back to that side's normal look.
    virtual void resetPieceLooks(int colour) = 0;
    virtual void markMovable(int colour, int kind, int index) = 0;
    // The selection arrow above square (file x, rank y).
    virtual void showArrow(int x, int y) = 0;
    virtual void hideArrow() = 0;
    // The square of the king of `colour` in check, -1 when it is not.
    virtual void kingInCheck(int colour, int square) = 0;
};

} // namespace korvane
