// The small value types every part of the game shares: colours, piece kinds, whose move it is,
// squares, pieces and moves. Colours and kinds stay plain ints where the wire and the piece
// pools index by them.
#pragma once

namespace korvane {

// Colour 0 White, 1 Black.
enum Colour : int { White = 0, Black = 1 };

// Piece kind codes; promotion piece codes are 1..4 (rook, knight, bishop, queen).
enum Kind : int {
    PawnKind = 0,
    RookKind = 1,
    KnightKind = 2,
    BishopKind = 3,
    QueenKind = 4,
    KingKind = 5
};

// Whose move it is; Over after resignation, an agreed draw, or a new game's wait.
enum class Turn : int { Over = -1, White = 0, Black = 1 };

inline bool isColour(Turn t) {
    return t == Turn::White || t == Turn::Black;
}
inline Turn turnOf(int colour) {
    return colour == Black ? Turn::Black : Turn::White;
}
// Colour code of a side; only meaningful for White and Black.
inline int colourOf(Turn t) {
    return t == Turn::Black ? Black : White;
}
inline Turn opposite(Turn t) {
    return t == Turn::White ? Turn::Black : t == Turn::Black ? Turn::White : Turn::Over;
}

// The state after the last position change, for the side to move.
enum class Ending { None, Checkmate, Stalemate };

} // namespace korvane

namespace korvane {

// A square of the board, a1 = 0 .. h8 = 63 (file + 8 * rank); `none()` is off the board.
struct Square {
    int index = -1;
    constexpr Square() = default;
    constexpr explicit Square(int i) : index(i) {}
    static constexpr Square at(int file, int rank) { return Square(file + 8 * rank); }
    static constexpr Square none() { return Square(); }
    constexpr bool valid() const { return index >= 0 && index < 64; }
    constexpr int file() const { return index % 8; }
    constexpr int rank() const { return index / 8; }
    constexpr bool operator==(const Square& o) const { return index == o.index; }
    constexpr bool operator!=(const Square& o) const { return index != o.index; }
};

// A move by its squares and, for a pawn reaching its last rank, the piece it becomes: "e7e8q"
// in UCI terms. This is the form every player hands the game; `none()` is no move.
struct Move {
    Square from;
    Square to;
    int promotion = 0; // 0 none, else RookKind..QueenKind
    constexpr Move() = default;
    constexpr Move(Square f, Square t, int p = 0) : from(f), to(t), promotion(p) {}
    static constexpr Move none() { return Move(); }
    constexpr bool any() const { return from.valid() && to.valid(); }
    constexpr bool operator==(const Move& o) const {
        return from == o.from && to == o.to && promotion == o.promotion;
    }
    constexpr bool operator!=(const Move& o) const { return !(*this == o); }
};

// One piece of a set, by its colour, kind and index within the kind: the name both peers of a
// network game use for it. `none()` names no piece.
struct PieceId {
    int colour = White;
    int kind = -1;
    int index = 0;
    static PieceId none() { return PieceId(); }
    bool any() const { return kind >= 0; }
    bool operator==(const PieceId& o) const {
        return colour == o.colour && kind == o.kind && index == o.index;
    }
    bool operator!=(const PieceId& o) const { return !(*this == o); }
};

} // namespace korvane
