#include "san.h"

namespace korvane {

namespace {

constexpr char kEnglish[] = " RNBQK";
constexpr char kCzech[] = " VJSDK";

bool fail(std::string* error, const std::string& message) {
    if (error)
        *error = message;
    return false;
}

bool lists(const Fig& piece, int square) {
    for (int k = 0; k < piece.moveCount; ++k)
        if (piece.moves[k] == square)
            return true;
    return false;
}

bool onTheBoard(const Fig& piece) {
    return piece.alive || piece.kind == KingKind;
}

int promotionKind(char c) {
    switch (c) {
    case 'R':
        return RookKind;
    case 'N':
        return KnightKind;
    case 'B':
        return BishopKind;
    case 'Q':
        return QueenKind;
    default:
        return 0;
    }
}

} // namespace

std::string squareText(int square) {
    if (square < 0 || square > 63)
        return "-";
    return {char('a' + square % 8), char('1' + square / 8)};
}

std::string sanText(const SanMove& move, PieceLetters letters) {
    const char* names = letters == PieceLetters::Czech ? kCzech : kEnglish;
    std::string out;
    if (move.castling) {
        out = move.castling == 1 ? "O-O" : "O-O-O";
    } else {
        if (move.kind > PawnKind && move.kind <= KingKind)
            out += names[move.kind];
        if (move.showFile)
            out += char('a' + move.from % 8);
        if (move.showRank)
            out += char('1' + move.from / 8);
        if (move.capture)
            out += 'x';
        out += squareText(move.to);
        if (move.promotion >= RookKind && move.promotion <= QueenKind) {
            out += '=';
            out += names[move.promotion];
        }
    }
    if (move.mark == CheckMark::Check)
        out += '+';
    else if (move.mark == CheckMark::Mate)
        out += '#';
    return out;
}

SanMove describeMove(const Position& position, const Fig& piece, int to, int promotion) {
    SanMove m;
    m.kind = piece.kind;
    m.from = squareIndex(piece.x, piece.y);
    m.to = to;
    const int tx = to % 8, ty = to / 8;
    if (piece.kind == KingKind && (tx - piece.x == 2 || tx - piece.x == -2)) {
        m.castling = tx > piece.x ? 1 : 2;
        return m;
    }
    m.capture =
        position.pieceAt(1 - piece.colour, tx, ty) || (piece.kind == PawnKind && tx != piece.x);
    if (piece.kind == PawnKind) {
        m.showFile = m.capture;
        if (ty == 0 || ty == 7)
            m.promotion = promotion;
        return m;
    }
    bool rival = false, sameFile = false, sameRank = false;
    for (const Fig& other : position.sets[piece.colour].pieces) {
        if (&other == &piece || other.kind != piece.kind || !onTheBoard(other) || !lists(other, to))
            continue;
        rival = true;
        sameFile = sameFile || other.x == piece.x;
        sameRank = sameRank || other.y == piece.y;
    }
    if (rival) {
        m.showFile = !sameFile || sameRank;
        m.showRank = sameFile;
    }
    return m;
}

bool resolveSan(const Position& position, int colour, const std::string& text, Move& move,
                std::string* error) {
    const std::string quoted = "'" + text + "'";
    std::string s = text;
    while (!s.empty() && (s.back() == '+' || s.back() == '#' || s.back() == '!' || s.back() == '?'))
        s.pop_back();
    if (s.size() > 4 && s.compare(s.size() - 4, 4, "e.p.") == 0)
        s.resize(s.size() - 4);
    if (colour != White && colour != Black)
        return fail(error, "no side is to move for " + quoted);
    const Fig& king = position.king(colour);
    const int back = colour == White ? 0 : 7;

    if (s == "O-O" || s == "0-0" || s == "O-O-O" || s == "0-0-0") {
        const int file = s.size() == 3 ? 6 : 2;
        if (king.x != 4 || king.y != back || !lists(king, squareIndex(file, back)))
            return fail(error, "castling " + quoted + " is not legal here");
        move = Move(Square::at(4, back), Square::at(file, back));
        return true;
    }

    int kind = PawnKind;
    std::size_t at = 0;
    if (!s.empty() && std::string("KQRBN").find(s[0]) != std::string::npos) {
        kind = s[0] == 'K' ? KingKind : promotionKind(s[0]);
        at = 1;
    }
    int promotion = 0;
    if (s.size() >= 2 && promotionKind(s.back()) && kind == PawnKind) {
        promotion = promotionKind(s.back());
        s.pop_back();
        if (!s.empty() && s.back() == '=')
            s.pop_back();
    }
    if (s.size() < at + 2)
        return fail(error, quoted + " is not a move");
    const char fileChar = s[s.size() - 2], rankChar = s[s.size() - 1];
    if (fileChar < 'a' || fileChar > 'h' || rankChar < '1' || rankChar > '8')
        return fail(error, quoted + " is not a move");
    const int to = squareIndex(fileChar - 'a', rankChar - '1');
    int fromFile = -1, fromRank = -1;
    bool capture = false;
    for (std::size_t i = at; i + 2 < s.size(); ++i) {
        const char c = s[i];
        if (c >= 'a' && c <= 'h' && fromFile < 0 && fromRank < 0 && !capture)
            fromFile = c - 'a';
        else if (c >= '1' && c <= '8' && fromRank < 0 && !capture)
            fromRank = c - '1';
        else if ((c == 'x' || c == ':') && !capture)
            capture = true;
        // Long algebraic as older programs and printed games write it: "e2-e4", "Ng1-f3".
        else if (c == '-' && fromFile >= 0 && fromRank >= 0 && !capture)
            capture = true;
        else
            return fail(error, quoted + " is not a move");
    }
    // A pawn that changes file always names its own file.
    if (kind == PawnKind && fromFile < 0)
        fromFile = to % 8;

    const Fig* found = nullptr;
    int matches = 0;
    for (const Fig& p : position.sets[colour].pieces) {
        if (p.kind != kind || !onTheBoard(p) || !lists(p, to) ||
            (fromFile >= 0 && p.x != fromFile) || (fromRank >= 0 && p.y != fromRank))
            continue;
        if (kind == KingKind && (to % 8 - p.x == 2 || to % 8 - p.x == -2))
            continue; // castling is written as such
        found = &p;
        ++matches;
    }
    if (matches == 0)
        return fail(error, quoted + " is not a legal move");
    if (matches > 1)
        return fail(error, quoted + " is ambiguous");
    const bool promotes = kind == PawnKind && (to / 8 == 0 || to / 8 == 7);
    if (promotes && !promotion)
        return fail(error, quoted + " needs a promotion piece");
    if (!promotes && promotion)
        return fail(error, quoted + " names a promotion where there is none");
    move = Move(Square::at(found->x, found->y), Square(to), promotion);
    return true;
}

} // namespace korvane
