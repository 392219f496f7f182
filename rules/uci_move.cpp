#include "uci_move.h"

#include "make_move.h"
#include "san.h"

namespace korvane {

namespace {

// Promotion codes in piece-code order: 1 rook, 2 knight, 3 bishop, 4 queen.
constexpr char kPromotionLetters[] = " rnbq";

} // namespace

std::optional<Move> uciMoveFor(const Position& position, int colour, const std::string& text) {
    Move move;
    if ((colour != White && colour != Black) || !parseUci(text, move) ||
        !legalMove(position, colour, move))
        return std::nullopt;
    return move;
}

std::string uciText(const Move& move) {
    if (!move.any())
        return std::string();
    std::string out = squareText(move.from.index) + squareText(move.to.index);
    if (move.promotion >= RookKind && move.promotion <= QueenKind)
        out += kPromotionLetters[move.promotion];
    return out;
}

bool parseUci(const std::string& text, Move& move) {
    if (text.size() != 4 && text.size() != 5)
        return false;
    for (int i = 0; i < 4; i += 2)
        if (text[i] < 'a' || text[i] > 'h' || text[i + 1] < '1' || text[i + 1] > '8')
            return false;
    Move m(Square::at(text[0] - 'a', text[1] - '1'), Square::at(text[2] - 'a', text[3] - '1'));
    if (text.size() == 5) {
        const std::size_t code = std::string(kPromotionLetters).find(text[4]);
        if (code == std::string::npos || code == 0)
            return false;
        m.promotion = int(code);
    }
    move = m;
    return true;
}

std::string lastUciMove(const Position& position) {
    const Board& b = position.board;
    const MoveRecord& r = b.record;
    if (!r.moved.valid)
        return std::string();
    int promotion = 0;
    if (r.moved.kind == PawnKind && r.second.valid && r.second.kind != PawnKind &&
        r.second.kind != KingKind)
        promotion = r.second.kind;
    return uciText(Move(Square(b.lastMoveFrom), Square(b.lastMoveTo), promotion));
}

} // namespace korvane
