// The chess position: two fixed pools of pieces, the board record with its per-square maps,
// and the move generator. The generation order is a contract between the two peers of a
// network game: a move travels as its ordinal in the moving piece's list.
#pragma once

#include "types.h"

namespace korvane {

constexpr int kMaxMoves = 28;     // a queen in the centre of an empty board has 27
constexpr int kPiecesPerSet = 49; // 8 pawns, 10 each of rook/knight/bishop/queen, king
constexpr int kKingSlot = 48;

struct Fig {
    int colour = 0;
    int kind = 0;
    int index = 0;
    int moves[kMaxMoves] = {};
    int x = -1;
    int y = -1;
    bool alive = false;
    int moveCount = 0;
    bool lifted = false;
    bool hasMoved = false;
};

struct PieceSet {
    Fig pieces[kPiecesPerSet];
    int isBlackSet = 0;
    int legalMoveTotal = 0;
};

// One piece's part in the last move: enough to put it back exactly as it was.
struct RecordedPiece {
    bool valid = false;
    int colour = 0;
    int kind = 0;
    int index = 0;
    int x = -1; // the square to put it back on
    int y = -1;
    bool alive = true;     // its state after a revoke
    bool hasMoved = false; // its castling flag before the move
};

// Single-level undo record: the moved piece, a second piece (castling rook or the piece a pawn
// promoted into), the captured piece, and the board fields the move changed.
struct MoveRecord {
    RecordedPiece moved;
    RecordedPiece second;
    RecordedPiece captured;
    int enPassantFile = -1;
    int lastMoveFrom = -1;
    int lastMoveTo = -1;
};

struct Board {
    int whiteCaptures[64] = {};
    int blackCaptures[64] = {};
    int lastMoveFrom = -1;
    int lastMoveTo = -1;
    MoveRecord record;
    int enPassantFile = -1;
};

// What a position holds beyond its placement and side to move.
struct PositionDetails {
    bool whiteKingSide = false; // castling still possible on that wing
    bool whiteQueenSide = false;
    bool blackKingSide = false;
    bool blackQueenSide = false;
    int enPassantFile = -1; // -1 none, else 0..7
    int lastMoveFrom = -1;  // -1 none, else square 0..63
    int lastMoveTo = -1;
    bool operator==(const PositionDetails& o) const {
        return whiteKingSide == o.whiteKingSide && whiteQueenSide == o.whiteQueenSide &&
               blackKingSide == o.blackKingSide && blackQueenSide == o.blackQueenSide &&
               enPassantFile == o.enPassantFile && lastMoveFrom == o.lastMoveFrom &&
               lastMoveTo == o.lastMoveTo;
    }
};

// Slot of (kind, index) within a set, or -1 when the pair names no piece.
int slotOf(int kind, int index);
// Kind and index of a slot 0..48.
int kindOfSlot(int slot);
int indexOfSlot(int slot);

inline int squareIndex(int x, int y) {
    return x + 8 * y;
}
inline bool onBoard(int x, int y) {
    return x >= 0 && x < 8 && y >= 0 && y < 8;
}

class Position {
  public:
    Position();

    PieceSet sets[2];
    Board board;

    // Piece of (index, kind, colour), or null when out of range.
    Fig* pieceByKind(int index, int kind, int colour);
    const Fig* pieceByKind(int index, int kind, int colour) const;
    Fig& king(int colour) { return sets[colour].pieces[kKingSlot]; }
    const Fig& king(int colour) const { return sets[colour].pieces[kKingSlot]; }

    // Alive, not lifted piece of the set on (x, y); kings match on coordinates alone.
    bool pieceAt(int colour, int x, int y) const;
    // The piece pieceAt would find, or null.
    Fig* findPieceAt(int colour, int x, int y);
    const Fig* findPieceAt(int colour, int x, int y) const {
        return const_cast<Position*>(this)->findPieceAt(colour, x, y);
    }
    // 1 White, 2 Black, 0 empty or off the board.
    int occupancy(int x, int y) const;
    // Removes the first alive non-king piece of the set on (x, y) and records it as the
    // captured piece of the move record.
    void capturePieceAt(int colour, int x, int y);

    // The piece's move with capture (a pawn's empty diagonal captures en passant).
    void moveTo(Fig& piece, int x, int y);
    // Sets coordinates, capturing nothing.
    void place(Fig& piece, int x, int y);
    void setAlive(Fig& piece, bool alive);

    // Start position of one set; newGame resets White then Black.
    void resetSet(int colour);
    // Every non-king piece dead and hidden, flags and board record cleared (for set-ups).
    void clearAll();

    // Plays `piece` to `to` (one of its legal moves) with everything the move changes: a
    // capture (en passant included), the castling rook, the en-passant file, the last-move
    // squares, and the undo record that puts it all back. The legal-move lists are stale
    // afterwards: refresh the rules.
    void doMove(Fig& piece, Square to);
    // The pawn (colour, index) standing on its last rank becomes a new piece of kind
    // `pieceCode` (RookKind..QueenKind) from the reserve; the undo record notes it. False,
    // nothing changed, when the code is out of range or no reserve piece is free.
    bool promote(int colour, int pawnIndex, int pieceCode);
    // Puts the last move back exactly as it was, from the undo record, and clears the record.
    // Returns the colour that had moved, or -1 when there is nothing to take back. Refresh the
    // rules afterwards.
    int undoMove();
    // The same for the move that `record` (kept from its doMove) describes, which must be the
    // last move played on this position.
    int undoMove(const MoveRecord& record);

    void generateLegalMoves(int colour);
    void computeCaptureMaps();
    void refreshRules();

    // Castling still possible for the colour on the wing (0 queen-side, 1 king-side): king and
    // rook unmoved on their home squares.
    bool castlingRight(int colour, int wing) const;

    // The opponent's pieces attack the king's square (pinned attackers included).
    bool inCheck(int colour);
};

} // namespace korvane
