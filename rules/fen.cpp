#include "fen.h"

#include <sstream>

namespace korvane {

namespace {

int kindOfLetter(char c) {
    switch (c) {
    case 'p':
        return PawnKind;
    case 'r':
        return RookKind;
    case 'n':
        return KnightKind;
    case 'b':
        return BishopKind;
    case 'q':
        return QueenKind;
    case 'k':
        return KingKind;
    default:
        return -1;
    }
}

constexpr char kLetters[] = "prnbqk";

bool fail(std::string* error, const std::string& message) {
    if (error)
        *error = message;
    return false;
}

struct Placement {
    int kind = -1;
    int colour = 0;
};

constexpr int kKnightSteps[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                    {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
constexpr int kKingSteps[8][2] = {{0, 1},  {1, 1},   {1, 0},  {1, -1},
                                  {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

// Whether a piece of `by` on the parsed board attacks (x, y). Worked out on the text's own
// squares, because the position must not change before the text is known to be playable.
bool attacked(const Placement* squares, int x, int y, int by) {
    auto holds = [&](int px, int py, int kind) {
        return onBoard(px, py) && squares[squareIndex(px, py)].kind == kind &&
               squares[squareIndex(px, py)].colour == by;
    };
    const int pawnRank = by == White ? y - 1 : y + 1;
    if (holds(x - 1, pawnRank, PawnKind) || holds(x + 1, pawnRank, PawnKind))
        return true;
    for (int i = 0; i < 8; ++i)
        if (holds(x + kKnightSteps[i][0], y + kKnightSteps[i][1], KnightKind) ||
            holds(x + kKingSteps[i][0], y + kKingSteps[i][1], KingKind))
            return true;
    for (const auto& step : kKingSteps) {
        const int slider = step[0] && step[1] ? BishopKind : RookKind;
        int px = x + step[0], py = y + step[1];
        while (onBoard(px, py) && squares[squareIndex(px, py)].kind < 0) {
            px += step[0];
            py += step[1];
        }
        if (holds(px, py, slider) || holds(px, py, QueenKind))
            return true;
    }
    return false;
}

std::string squareName(int x, int y) {
    return {char('a' + x), char('1' + y)};
}

bool readCounter(const std::string& text, int& value) {
    if (text.empty() || text.size() > 5)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

bool loadFen(Position& position, Turn& sideToMove, const std::string& fen, std::string* error,
             FenCounters* counters) {
    std::istringstream in(fen);
    std::string placement, side, castling = "-", passant = "-", halfmoves = "0", moveNumber = "1";
    if (!(in >> placement >> side))
        return fail(error, "FEN needs at least the placement and the side to move");
    in >> castling >> passant >> halfmoves >> moveNumber;
    FenCounters read;
    if (!readCounter(halfmoves, read.halfmoveClock) ||
        !readCounter(moveNumber, read.fullmoveNumber))
        return fail(error, "FEN half-move clock and move number must be numbers of one to five "
                           "digits");
    if (read.fullmoveNumber == 0)
        read.fullmoveNumber = 1;

    Placement squares[64];
    int rank = 7, file = 0;
    for (char c : placement) {
        if (c == '/') {
            if (file != 8 || rank == 0)
                return fail(error, "FEN rank does not hold eight squares");
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8)
                return fail(error, "FEN rank does not hold eight squares");
        } else {
            const bool black = c >= 'a' && c <= 'z';
            const int kind = kindOfLetter(black ? c : char(c - 'A' + 'a'));
            if (kind < 0 || file > 7)
                return fail(error, std::string("FEN placement has a bad character '") + c + "'");
            squares[squareIndex(file, rank)] = {kind, black ? Black : White};
            ++file;
        }
    }
    if (rank != 0 || file != 8)
        return fail(error, "FEN placement does not describe eight ranks");
    if (side != "w" && side != "b")
        return fail(error, "FEN side to move must be 'w' or 'b'");

    // Pool slots for every piece, worked out before anything is changed.
    int slotOfSquare[64];
    for (int& slot : slotOfSquare)
        slot = -1;
    bool rights[2][2] = {}; // [colour][0 queen side, 1 king side]
    for (char c : castling) {
        if (c == '-')
            continue;
        const int colour = c >= 'a' ? Black : White;
        const char lower = c >= 'a' ? c : char(c - 'A' + 'a');
        if (lower != 'k' && lower != 'q')
            return fail(error, "FEN castling field has a bad character");
        rights[colour][lower == 'k' ? 1 : 0] = true;
    }
    for (int colour = 0; colour < 2; ++colour) {
        const int back = colour == White ? 0 : 7;
        bool used[kPiecesPerSet] = {};
        int kings = 0;
        for (int sq = 0; sq < 64; ++sq) {
            if (squares[sq].kind == KingKind && squares[sq].colour == colour)
                ++kings;
            if (squares[sq].kind == PawnKind && squares[sq].colour == colour &&
                (sq / 8 == 0 || sq / 8 == 7))
                return fail(error, "FEN has a pawn on the first or last rank");
        }
        if (kings != 1)
            return fail(error, "FEN must give each side exactly one king");
        const Placement homeKing = squares[squareIndex(4, back)];
        const bool kingHome = homeKing.kind == KingKind && homeKing.colour == colour;
        for (int wing = 0; wing < 2; ++wing) {
            const Placement corner = squares[squareIndex(wing ? 7 : 0, back)];
            if (rights[colour][wing] &&
                !(kingHome && corner.kind == RookKind && corner.colour == colour))
                return fail(error, std::string("FEN castling right '") + "QKqk"[2 * colour + wing] +
                                       "' needs the king on " + squareName(4, back) +
                                       " and a rook on " + squareName(wing ? 7 : 0, back));
        }
        auto mine = [&](int sq, int kind) {
            return squares[sq].kind == kind && squares[sq].colour == colour;
        };
        // Pawns: onto their own file's slot where possible, the rest into the free ones.
        for (int sq = 0; sq < 64; ++sq)
            if (mine(sq, PawnKind)) {
                slotOfSquare[sq] = -1;
                if (!used[sq % 8]) {
                    used[sq % 8] = true;
                    slotOfSquare[sq] = sq % 8;
                }
            }
        for (int sq = 0; sq < 64; ++sq)
            if (mine(sq, PawnKind) && slotOfSquare[sq] < 0) {
                for (int i = 0; i < 8 && slotOfSquare[sq] < 0; ++i)
                    if (!used[i]) {
                        used[i] = true;
                        slotOfSquare[sq] = i;
                    }
                if (slotOfSquare[sq] < 0)
                    return fail(error, "FEN has more than eight pawns of one side");
            }
        // Castling rooks take rook 0 and 1.
        for (int wing = 0; wing < 2; ++wing)
            if (rights[colour][wing]) {
                slotOfSquare[squareIndex(wing ? 7 : 0, back)] = slotOf(RookKind, wing);
                used[slotOf(RookKind, wing)] = true;
            }
        for (int kind = RookKind; kind <= KingKind; ++kind)
            for (int sq = 0; sq < 64; ++sq) {
                if (!mine(sq, kind))
                    continue;
                if (kind == RookKind &&
                    (sq == squareIndex(0, back) || sq == squareIndex(7, back)) &&
                    rights[colour][sq % 8 == 7 ? 1 : 0])
                    continue;
                int slot = -1;
                const int starters = kind == QueenKind ? 1 : 2;
                for (int i = 0; i < starters && slot < 0; ++i)
                    if (kind == KingKind || !used[slotOf(kind, i)])
                        slot = slotOf(kind, i);
                // Promoted pieces: first the reserve of a pawn that is gone, so that the pawns
                // still on the board keep their own promotion slot free.
                for (int pawn = 0; pawn < 8 && slot < 0; ++pawn)
                    if (!used[pawn] && !used[slotOf(kind, pawn + 2)])
                        slot = slotOf(kind, pawn + 2);
                for (int i = 2; i < 10 && slot < 0; ++i)
                    if (!used[slotOf(kind, i)])
                        slot = slotOf(kind, i);
                if (slot < 0)
                    return fail(error, "FEN has more pieces of one kind than the pool holds");
                used[slot] = true;
                slotOfSquare[sq] = slot;
            }
    }
    int passantFile = -1;
    if (passant != "-") {
        if (passant.size() != 2 || passant[0] < 'a' || passant[0] > 'h' ||
            (passant[1] != '3' && passant[1] != '6'))
            return fail(error, "FEN en-passant field must be '-' or a square on rank 3 or 6");
        passantFile = passant[0] - 'a';
        // Only a double step of the side that just moved leaves one: the pawn stands in front
        // of the square, which it passed, and has left its start square behind it.
        const int mover = side == "w" ? Black : White;
        const int dir = mover == White ? 1 : -1;
        const int y = passant[1] - '1';
        const std::string named = "FEN en-passant square " + passant;
        if (y != (mover == White ? 2 : 5))
            return fail(error, named + " would mean the side to move made the last double step");
        if (squares[squareIndex(passantFile, y)].kind >= 0 ||
            squares[squareIndex(passantFile, y - dir)].kind >= 0)
            return fail(error, named + " or the square behind it is not empty");
        const Placement passer = squares[squareIndex(passantFile, y + dir)];
        if (passer.kind != PawnKind || passer.colour != mover)
            return fail(error, named + " has no pawn of the side that just moved in front of it");
    }
    // The side that just moved cannot have left its king attacked; playing on would let the
    // king be taken.
    const int waiting = side == "w" ? Black : White;
    for (int sq = 0; sq < 64; ++sq)
        if (squares[sq].kind == KingKind && squares[sq].colour == waiting &&
            attacked(squares, sq % 8, sq / 8, 1 - waiting))
            return fail(error, std::string("FEN puts the side not to move (") +
                                   (waiting == White ? "White" : "Black") + ") in check");

    position.clearAll();
    for (int sq = 0; sq < 64; ++sq) {
        if (squares[sq].kind < 0)
            continue;
        Fig& p = position.sets[squares[sq].colour].pieces[slotOfSquare[sq]];
        position.setAlive(p, true);
        position.place(p, sq % 8, sq / 8);
        p.hasMoved = false;
    }
    for (int colour = 0; colour < 2; ++colour) {
        position.king(colour).hasMoved = !rights[colour][0] && !rights[colour][1];
        for (int wing = 0; wing < 2; ++wing)
            position.sets[colour].pieces[slotOf(RookKind, wing)].hasMoved = !rights[colour][wing];
    }
    position.board.enPassantFile = passantFile;
    sideToMove = side == "w" ? Turn::White : Turn::Black;
    position.refreshRules();
    if (counters)
        *counters = read;
    return true;
}

std::string writeFen(const Position& position, Turn sideToMove, FenCounters counters) {
    char grid[64];
    for (char& c : grid)
        c = 0;
    for (int colour = 0; colour < 2; ++colour)
        for (const Fig& p : position.sets[colour].pieces)
            if ((p.alive || p.kind == KingKind) && onBoard(p.x, p.y)) {
                const char letter = kLetters[p.kind];
                grid[squareIndex(p.x, p.y)] = colour == White ? char(letter - 'a' + 'A') : letter;
            }
    std::string out;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char c = grid[squareIndex(file, rank)];
            if (!c) {
                ++empty;
                continue;
            }
            if (empty)
                out += char('0' + empty);
            empty = 0;
            out += c;
        }
        if (empty)
            out += char('0' + empty);
        if (rank)
            out += '/';
    }
    out += sideToMove == Turn::Black ? " b " : sideToMove == Turn::White ? " w " : " - ";
    std::string rights;
    for (int colour = 0; colour < 2; ++colour)
        for (int wing = 1; wing >= 0; --wing)
            if (position.castlingRight(colour, wing))
                rights += colour == White ? (wing ? 'K' : 'Q') : (wing ? 'k' : 'q');
    out += rights.empty() ? "-" : rights;
    out += ' ';
    const int file = position.board.enPassantFile;
    if (file >= 0 && file < 8) {
        out += char('a' + file);
        out += sideToMove == Turn::Black ? '3' : '6';
    } else {
        out += '-';
    }
    out += ' ' + std::to_string(counters.halfmoveClock) + ' ' +
           std::to_string(counters.fullmoveNumber);
    return out;
}

} // namespace korvane
