// The small value types every part of the game shares: colours, piece kinds and whose move it
// is. Plain ints where the wire and the piece pools index by them.
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
