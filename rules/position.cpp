#include "position.h"

#include <cstring>

namespace korvane {

namespace {

// First slot of each kind within a set.
constexpr int kKindBase[6] = {0, 8, 18, 28, 38, 48};
constexpr int kKindCount[6] = {8, 10, 10, 10, 10, 1};

// The order in which a square's occupant is looked up: index-major, then the king. Capture
// takes the first match, so the order decides which of two stacked pieces is taken.
struct ScanOrder {
    int slots[kPiecesPerSet];
    ScanOrder() {
        int n = 0;
        for (int i = 0; i < 10; ++i) {
            if (i < 8)
                slots[n++] = i;
            for (int kind = RookKind; kind <= QueenKind; ++kind)
                slots[n++] = kKindBase[kind] + i;
        }
        slots[n++] = kKingSlot;
    }
};
const ScanOrder kScan;

constexpr int kRookRays[4][2] = {{0, 1}, {1, 0}, {-1, 0}, {0, -1}};
constexpr int kBishopRays[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
constexpr int kKnightSteps[8][2] = {{-1, 2},  {1, 2},  {-2, 1},  {2, 1},
                                    {-1, -2}, {1, -2}, {-2, -1}, {2, -1}};
constexpr int kKingSteps[8][2] = {{0, 1},  {1, 1},   {1, 0},  {1, -1},
                                  {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}};

} // namespace

int slotOf(int kind, int index) {
    if (kind < 0 || kind > 5 || index < 0 || index >= kKindCount[kind])
        return -1;
    return kKindBase[kind] + index;
}

int kindOfSlot(int slot) {
    for (int kind = KingKind; kind > 0; --kind)
        if (slot >= kKindBase[kind])
            return kind;
    return PawnKind;
}

int indexOfSlot(int slot) {
    return slot - kKindBase[kindOfSlot(slot)];
}

Position::Position() {
    for (int colour = 0; colour < 2; ++colour) {
        sets[colour].isBlackSet = colour;
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            Fig& p = sets[colour].pieces[slot];
            p.colour = colour;
            p.kind = kindOfSlot(slot);
            p.index = indexOfSlot(slot);
        }
    }
    resetSet(White);
    resetSet(Black);
    refreshRules();
}

Fig* Position::pieceByKind(int index, int kind, int colour) {
    int slot = slotOf(kind, index);
    if (slot < 0 || colour < 0 || colour > 1)
        return nullptr;
    return &sets[colour].pieces[slot];
}

const Fig* Position::pieceByKind(int index, int kind, int colour) const {
    return const_cast<Position*>(this)->pieceByKind(index, kind, colour);
}

bool Position::pieceAt(int colour, int x, int y) const {
    const Fig* pieces = sets[colour].pieces;
    for (int slot = 0; slot < kKingSlot; ++slot) {
        const Fig& p = pieces[slot];
        if (p.x == x && p.y == y && p.alive && !p.lifted)
            return true;
    }
    return pieces[kKingSlot].x == x && pieces[kKingSlot].y == y;
}

Fig* Position::findPieceAt(int colour, int x, int y) {
    Fig* pieces = sets[colour].pieces;
    for (int slot : kScan.slots) {
        Fig& p = pieces[slot];
        if (p.x != x || p.y != y)
            continue;
        if (slot == kKingSlot || (p.alive && !p.lifted))
            return &p;
    }
    return nullptr;
}

int Position::occupancy(int x, int y) const {
    if (pieceAt(White, x, y))
        return 1;
    if (pieceAt(Black, x, y))
        return 2;
    return 0;
}

void Position::capturePieceAt(int colour, int x, int y) {
    for (int slot : kScan.slots) {
        Fig& p = sets[colour].pieces[slot];
        if (slot == kKingSlot || !p.alive || p.x != x || p.y != y)
            continue;
        setAlive(p, false);
        RecordedPiece& c = board.record.captured;
        c.valid = true;
        c.colour = p.colour;
        c.kind = p.kind;
        c.index = p.index;
        c.x = x;
        c.y = y;
        c.alive = true;
        c.hasMoved = p.hasMoved;
        return;
    }
}

void Position::liftPieceAt(int colour, int x, int y) {
    for (int slot = 0; slot < kKingSlot; ++slot) {
        Fig& p = sets[colour].pieces[slot];
        if (p.alive && p.x == x && p.y == y)
            p.lifted = true;
    }
}

void Position::clearLifted(int colour) {
    for (int slot = 0; slot < kKingSlot; ++slot)
        sets[colour].pieces[slot].lifted = false;
}

void Position::moveTo(Fig& piece, int x, int y) {
    const int opponent = 1 - piece.colour;
    if (piece.kind == PawnKind && x != piece.x && y != piece.y && !pieceAt(opponent, x, y))
        capturePieceAt(opponent, x, piece.colour == White ? y - 1 : y + 1);
    if (pieceAt(opponent, x, y))
        capturePieceAt(opponent, x, y);
    place(piece, x, y);
}

void Position::place(Fig& piece, int x, int y) {
    piece.x = x;
    piece.y = y;
}

void Position::setAlive(Fig& piece, bool alive) {
    piece.alive = alive;
}

void Position::resetSet(int colour) {
    const int back = colour == White ? 0 : 7;
    const int pawnRank = colour == White ? 1 : 6;
    Fig* pieces = sets[colour].pieces;
    for (int slot = 0; slot < kPiecesPerSet; ++slot) {
        Fig& p = pieces[slot];
        p.moveCount = 0;
        p.pseudoMoveCount = 0;
        p.lifted = false;
        p.hasMoved = false;
        if (p.kind == PawnKind) {
            place(p, p.index, pawnRank);
            setAlive(p, true);
        } else if (p.kind != KingKind) {
            setAlive(p, false);
        }
    }
    const int startFiles[5][2] = {{-1, -1}, {0, 7}, {1, 6}, {2, 5}, {3, -1}};
    for (int kind = RookKind; kind <= QueenKind; ++kind)
        for (int index = 0; index < 2; ++index)
            if (startFiles[kind][index] >= 0) {
                Fig& p = pieces[slotOf(kind, index)];
                place(p, startFiles[kind][index], back);
                setAlive(p, true);
            }
    Fig& k = pieces[kKingSlot];
    place(k, 4, back);
    setAlive(k, true);
    board.lastMoveFrom = board.lastMoveTo = -1;
}

void Position::clearAll() {
    for (int colour = 0; colour < 2; ++colour) {
        for (Fig& p : sets[colour].pieces) {
            p.moveCount = p.pseudoMoveCount = 0;
            p.lifted = false;
            p.hasMoved = false;
            if (p.kind != KingKind)
                setAlive(p, false);
        }
        sets[colour].legalMoveTotal = 0;
    }
    board = Board();
}

// ---- move generation ----

void Position::addPseudo(Fig& piece, int x, int y) {
    if (piece.pseudoMoveCount < kMaxMoves)
        piece.pseudoMoves[piece.pseudoMoveCount++] = squareIndex(x, y);
}

bool Position::addLegal(Fig& piece, int x, int y, int kind) {
    if (piece.moveCount >= kMaxMoves)
        return false;
    piece.moves[piece.moveCount++] = squareIndex(x, y);
    validateLastMove(piece, kind);
    return true;
}

void Position::pseudoPiece(Fig& p) {
    const int own = p.colour + 1;
    const int opponent = 1 - p.colour;
    auto rays = [&](const int(*dirs)[2], int count) {
        for (int r = 0; r < count; ++r) {
            int x = p.x, y = p.y;
            for (int step = 0; step < 7; ++step) {
                x += dirs[r][0];
                y += dirs[r][1];
                if (!onBoard(x, y) || occupancy(x, y) == own)
                    break;
                addPseudo(p, x, y);
                if (pieceAt(opponent, x, y))
                    break;
            }
        }
    };
    auto steps = [&](const int(*dirs)[2]) {
        for (int s = 0; s < 8; ++s) {
            int x = p.x + dirs[s][0], y = p.y + dirs[s][1];
            if (onBoard(x, y) && occupancy(x, y) != own)
                addPseudo(p, x, y);
        }
    };
    switch (p.kind) {
    case PawnKind: {
        const int dir = p.colour == White ? 1 : -1;
        const int start = p.colour == White ? 1 : 6;
        if (p.x > 0 && pieceAt(opponent, p.x - 1, p.y + dir))
            addPseudo(p, p.x - 1, p.y + dir);
        if (p.x < 7 && pieceAt(opponent, p.x + 1, p.y + dir))
            addPseudo(p, p.x + 1, p.y + dir);
        if (onBoard(p.x, p.y + dir) && occupancy(p.x, p.y + dir) == 0) {
            addPseudo(p, p.x, p.y + dir);
            if (p.y == start && occupancy(p.x, p.y + 2 * dir) == 0)
                addPseudo(p, p.x, p.y + 2 * dir);
        }
        break;
    }
    case RookKind:
        rays(kRookRays, 4);
        break;
    case KnightKind:
        steps(kKnightSteps);
        break;
    case BishopKind:
        rays(kBishopRays, 4);
        break;
    case QueenKind:
        rays(kRookRays, 4);
        rays(kBishopRays, 4);
        break;
    default:
        steps(kKingSteps);
        break;
    }
}

void Position::generatePseudoMoves(int colour) {
    for (Fig& p : sets[colour].pieces) {
        p.pseudoMoveCount = 0;
        if ((p.alive && !p.lifted) || p.kind == KingKind)
            pseudoPiece(p);
    }
}

void Position::rebuildReach(int opponent) {
    std::memset(board.whiteReach, 0, sizeof board.whiteReach);
    std::memset(board.blackReach, 0, sizeof board.blackReach);
    int* reach = opponent == Black ? board.blackReach : board.whiteReach;
    for (const Fig& p : sets[opponent].pieces) {
        if (!(p.alive || p.kind == KingKind) || p.lifted)
            continue;
        for (int i = 0; i < p.pseudoMoveCount; ++i) {
            const int sq = p.pseudoMoves[i];
            if (!pieceAt(opponent, sq % 8, sq / 8))
                ++reach[sq];
        }
    }
}

bool Position::squareAttacked(int byColour, int x, int y) {
    generatePseudoMoves(byColour);
    rebuildReach(byColour);
    const int* reach = byColour == Black ? board.blackReach : board.whiteReach;
    return reach[squareIndex(x, y)] > 0;
}

void Position::validateLastMove(Fig& piece, int kind) {
    const int opponent = 1 - piece.colour;
    const int sq = piece.moves[piece.moveCount - 1];
    const int tx = sq % 8, ty = sq / 8;
    const int ox = piece.x, oy = piece.y;
    piece.x = tx;
    piece.y = ty;
    liftPieceAt(opponent, tx, ty);

    Fig* rook = nullptr;
    int rookX = 0, rookY = 0;
    if (kind == CastlingMove) {
        rook = &sets[piece.colour].pieces[slotOf(RookKind, tx < ox ? 0 : 1)];
        rookX = rook->x;
        rookY = rook->y;
        rook->x = tx < ox ? tx + 1 : tx - 1;
        rook->y = ty;
    } else if (kind == EnPassantMove) {
        liftPieceAt(opponent, tx, piece.colour == White ? ty - 1 : ty + 1);
    }

    generatePseudoMoves(opponent);
    rebuildReach(opponent);
    const int* reach = opponent == Black ? board.blackReach : board.whiteReach;
    bool illegal;
    if (kind == CastlingMove) {
        illegal = reach[squareIndex((ox + tx) / 2, ty)] > 0 || reach[sq] > 0;
    } else {
        const Fig& k = king(piece.colour);
        illegal = reach[squareIndex(k.x, k.y)] > 0;
    }

    clearLifted(White);
    clearLifted(Black);
    if (rook) {
        rook->x = rookX;
        rook->y = rookY;
    }
    piece.x = ox;
    piece.y = oy;
    if (illegal)
        --piece.moveCount;
}

void Position::legalPiece(Fig& p) {
    const int own = p.colour + 1;
    const int opponent = 1 - p.colour;
    auto rays = [&](const int(*dirs)[2], int count) {
        for (int r = 0; r < count; ++r) {
            int x = p.x, y = p.y;
            for (int step = 0; step < 7; ++step) {
                x += dirs[r][0];
                y += dirs[r][1];
                if (!onBoard(x, y) || occupancy(x, y) == own)
                    break;
                addLegal(p, x, y, OrdinaryMove);
                if (pieceAt(opponent, x, y))
                    break;
            }
        }
    };
    auto steps = [&](const int(*dirs)[2]) {
        for (int s = 0; s < 8; ++s) {
            int x = p.x + dirs[s][0], y = p.y + dirs[s][1];
            if (onBoard(x, y) && occupancy(x, y) != own)
                addLegal(p, x, y, OrdinaryMove);
        }
    };
    switch (p.kind) {
    case PawnKind: {
        const int dir = p.colour == White ? 1 : -1;
        const int start = p.colour == White ? 1 : 6;
        const int passantRank = p.colour == White ? 4 : 3;
        if (p.x > 0 && pieceAt(opponent, p.x - 1, p.y + dir))
            addLegal(p, p.x - 1, p.y + dir, OrdinaryMove);
        if (p.x < 7 && pieceAt(opponent, p.x + 1, p.y + dir))
            addLegal(p, p.x + 1, p.y + dir, OrdinaryMove);
        if (onBoard(p.x, p.y + dir) && occupancy(p.x, p.y + dir) == 0) {
            addLegal(p, p.x, p.y + dir, OrdinaryMove);
            if (p.y == start && occupancy(p.x, p.y + 2 * dir) == 0)
                addLegal(p, p.x, p.y + 2 * dir, OrdinaryMove);
        }
        const int file = board.enPassantFile;
        if (file > -1 && p.y == passantRank) {
            // Only a real opposing pawn beside us, with the square behind it free, can be
            // taken; a stale or invented file must not produce a move.
            auto passable = [&](int fx) {
                Fig* victim = findPieceAt(opponent, fx, p.y);
                return victim && victim->kind == PawnKind && occupancy(fx, p.y + dir) == 0;
            };
            if (p.x > 0 && file == p.x - 1 && passable(file))
                addLegal(p, p.x - 1, p.y + dir, EnPassantMove);
            if (p.x < 7 && file == p.x + 1 && passable(file))
                addLegal(p, p.x + 1, p.y + dir, EnPassantMove);
        }
        break;
    }
    case RookKind:
        rays(kRookRays, 4);
        break;
    case KnightKind:
        steps(kKnightSteps);
        break;
    case BishopKind:
        rays(kBishopRays, 4);
        break;
    case QueenKind:
        rays(kRookRays, 4);
        rays(kBishopRays, 4);
        break;
    default: {
        steps(kKingSteps);
        if (p.hasMoved)
            break;
        const Fig& queenRook = sets[p.colour].pieces[slotOf(RookKind, 0)];
        const Fig& kingRook = sets[p.colour].pieces[slotOf(RookKind, 1)];
        const bool queenSide = queenRook.alive && !queenRook.hasMoved && p.x - 3 >= 0 &&
                               occupancy(p.x - 1, p.y) == 0 && occupancy(p.x - 2, p.y) == 0 &&
                               occupancy(p.x - 3, p.y) == 0;
        const bool kingSide = kingRook.alive && !kingRook.hasMoved && p.x + 2 <= 7 &&
                              occupancy(p.x + 1, p.y) == 0 && occupancy(p.x + 2, p.y) == 0;
        if ((queenSide || kingSide) && !squareAttacked(opponent, p.x, p.y)) {
            if (queenSide)
                addLegal(p, p.x - 2, p.y, CastlingMove);
            if (kingSide)
                addLegal(p, p.x + 2, p.y, CastlingMove);
        }
        break;
    }
    }
}

void Position::generateLegalMoves(int colour) {
    int total = 0;
    for (Fig& p : sets[colour].pieces) {
        p.moveCount = 0;
        if (p.alive || p.kind == KingKind)
            legalPiece(p);
        total += p.moveCount;
    }
    sets[colour].legalMoveTotal = total;
}

void Position::computeCaptureMaps() {
    std::memset(board.whiteCaptures, 0, sizeof board.whiteCaptures);
    std::memset(board.blackCaptures, 0, sizeof board.blackCaptures);
    for (int colour = 0; colour < 2; ++colour) {
        int* map = colour == White ? board.whiteCaptures : board.blackCaptures;
        for (const Fig& p : sets[colour].pieces) {
            if (!(p.alive || p.kind == KingKind))
                continue;
            for (int i = 0; i < p.moveCount; ++i) {
                const int sq = p.moves[i];
                if (pieceAt(1 - colour, sq % 8, sq / 8))
                    ++map[sq];
            }
        }
    }
}

void Position::refreshRules() {
    std::memset(board.whiteCaptures, 0, sizeof board.whiteCaptures);
    std::memset(board.blackCaptures, 0, sizeof board.blackCaptures);
    std::memset(board.whiteReach, 0, sizeof board.whiteReach);
    std::memset(board.blackReach, 0, sizeof board.blackReach);
    generateLegalMoves(White);
    generateLegalMoves(Black);
    computeCaptureMaps();
}

bool Position::inCheck(int colour) {
    const Fig& k = king(colour);
    return squareAttacked(1 - colour, k.x, k.y);
}

bool Position::castlingRight(int colour, int wing) const {
    const int back = colour == White ? 0 : 7;
    const Fig& k = king(colour);
    const Fig& r = sets[colour].pieces[slotOf(RookKind, wing)];
    return !k.hasMoved && k.x == 4 && k.y == back && r.alive && !r.hasMoved &&
           r.x == (wing ? 7 : 0) && r.y == back;
}

} // namespace korvane
