#include "uci_move.h"

namespace korvane {

namespace {

// Promotion codes in piece-code order: 1 rook, 2 knight, 3 bishop, 4 queen.
constexpr char kPromotionLetters[] = " rnbq";

int promotionCode(char letter) {
    for (int code = RookKind; code <= QueenKind; ++code)
        if (kPromotionLetters[code] == letter)
            return code;
    return 0;
}

int squareOf(char file, char rank) {
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8')
        return -1;
    return squareIndex(file - 'a', rank - '1');
}

} // namespace

std::optional<UciMove> uciMoveFor(const Position& position, int colour, const std::string& text) {
    if ((colour != White && colour != Black) || (text.size() != 4 && text.size() != 5))
        return std::nullopt;
    const int from = squareOf(text[0], text[1]);
    const int to = squareOf(text[2], text[3]);
    if (from < 0 || to < 0)
        return std::nullopt;
    const int fx = from % 8, fy = from / 8;
    const Fig* mover = nullptr;
    for (const Fig& p : position.sets[colour].pieces) {
        if ((p.alive || p.kind == KingKind) && !p.lifted && p.x == fx && p.y == fy) {
            mover = &p;
            break;
        }
    }
    if (!mover)
        return std::nullopt;
    const bool promotes = mover->kind == PawnKind && to / 8 == (colour == White ? 7 : 0);
    int promotion = 0;
    if (text.size() == 5) {
        promotion = promotionCode(text[4]);
        if (!promotes || promotion == 0)
            return std::nullopt;
    } else if (promotes) {
        return std::nullopt;
    }
    for (int k = 0; k < mover->moveCount && k < kMaxMoves; ++k) {
        if (mover->moves[k] == to) {
            UciMove m;
            m.colour = colour;
            m.kind = mover->kind;
            m.index = mover->index;
            m.ordinal = k;
            m.promotion = promotion;
            return m;
        }
    }
    return std::nullopt;
}

std::string uciMoveText(int from, int to, int promotion) {
    if (from < 0 || from > 63 || to < 0 || to > 63)
        return std::string();
    std::string s;
    s += char('a' + from % 8);
    s += char('1' + from / 8);
    s += char('a' + to % 8);
    s += char('1' + to / 8);
    if (promotion >= RookKind && promotion <= QueenKind)
        s += kPromotionLetters[promotion];
    return s;
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
    return uciMoveText(b.lastMoveFrom, b.lastMoveTo, promotion);
}

} // namespace korvane
