#include "position.h"

#include <cstdint>
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
            p.moveCount = 0;
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

namespace {

// Move kinds a candidate is checked as.
enum MoveKind : int { OrdinaryMove = 0, CastlingMove = 1, EnPassantMove = 2 };

constexpr std::uint8_t bitOf(int kind) {
    return std::uint8_t(1u << kind);
}
constexpr std::uint8_t kStraightSliders = bitOf(RookKind) | bitOf(QueenKind);
constexpr std::uint8_t kDiagonalSliders = bitOf(BishopKind) | bitOf(QueenKind);

// The board as pieceAt sees it, square by square: alive pieces that are not lifted, and the
// kings wherever they stand. Counts rather than flags because a position set up over the
// network may put several pieces on one square.
struct Squares {
    std::uint8_t count[2][64] = {};
    std::uint8_t kinds[2][64] = {}; // a bit per kind present
    bool stacked = false;

    explicit Squares(const Position& position) {
        for (int colour = 0; colour < 2; ++colour)
            for (int slot = 0; slot < kPiecesPerSet; ++slot) {
                const Fig& p = position.sets[colour].pieces[slot];
                if (!onBoard(p.x, p.y) || (slot != kKingSlot && (!p.alive || p.lifted)))
                    continue;
                const int sq = squareIndex(p.x, p.y);
                stacked = stacked || count[0][sq] + count[1][sq] > 0;
                ++count[colour][sq];
                kinds[colour][sq] |= bitOf(p.kind);
            }
    }
    bool has(int colour, int x, int y) const {
        return onBoard(x, y) && count[colour][squareIndex(x, y)] > 0;
    }
    bool empty(int sq) const { return count[0][sq] + count[1][sq] == 0; }
    // 1 White, 2 Black, 0 empty, as Position::occupancy.
    int occupancy(int x, int y) const { return has(White, x, y) ? 1 : has(Black, x, y) ? 2 : 0; }
};

// Whether a piece of `by` could move onto (x, y), which holds a piece of the other side:
// looked for from the square outward. A square that `by` itself stands on is never reached;
// that only happens on stacked set-ups, and where a king has just taken a king.
bool attacked(const Squares& s, int by, int x, int y) {
    if (!onBoard(x, y) || s.count[by][squareIndex(x, y)])
        return false;
    const std::uint8_t* kinds = s.kinds[by];
    auto holds = [&](int px, int py, std::uint8_t wanted) {
        return onBoard(px, py) && (kinds[squareIndex(px, py)] & wanted);
    };
    const int pawnY = by == White ? y - 1 : y + 1;
    if (holds(x - 1, pawnY, bitOf(PawnKind)) || holds(x + 1, pawnY, bitOf(PawnKind)))
        return true;
    for (int i = 0; i < 8; ++i)
        if (holds(x + kKnightSteps[i][0], y + kKnightSteps[i][1], bitOf(KnightKind)) ||
            holds(x + kKingSteps[i][0], y + kKingSteps[i][1], bitOf(KingKind)))
            return true;
    auto slides = [&](const int(*dirs)[2], std::uint8_t sliders) {
        for (int r = 0; r < 4; ++r) {
            int px = x + dirs[r][0], py = y + dirs[r][1];
            while (onBoard(px, py) && s.empty(squareIndex(px, py))) {
                px += dirs[r][0];
                py += dirs[r][1];
            }
            if (holds(px, py, sliders))
                return true;
        }
        return false;
    };
    return slides(kRookRays, kStraightSliders) || slides(kBishopRays, kDiagonalSliders);
}

// Changes to a Squares for one trial, undone when it goes out of scope.
class Trial {
  public:
    explicit Trial(Squares& s) : s_(s) {}
    ~Trial() {
        while (n_ > 0) {
            --n_;
            *log_[n_].cell = log_[n_].was;
        }
    }
    Trial(const Trial&) = delete;
    Trial& operator=(const Trial&) = delete;

    void remove(int colour, int sq) {
        if (s_.count[colour][sq] > 0)
            set(s_.count[colour][sq], s_.count[colour][sq] - 1);
    }
    void add(int colour, int sq) { set(s_.count[colour][sq], s_.count[colour][sq] + 1); }
    // A capture: every piece of the colour on the square goes, except a king, which is never
    // taken off the board.
    void capture(int colour, int sq) {
        const std::uint8_t king = s_.kinds[colour][sq] & bitOf(KingKind);
        set(s_.count[colour][sq], king ? 1 : 0);
        set(s_.kinds[colour][sq], king);
    }

  private:
    void set(std::uint8_t& cell, int value) {
        log_[n_++] = {&cell, cell};
        cell = std::uint8_t(value);
    }
    struct Undo {
        std::uint8_t* cell;
        std::uint8_t was;
    };
    Squares& s_;
    Undo log_[8];
    int n_ = 0;
};

// One side's legal moves: each piece's pseudo-legal moves in the order the peers agree on,
// each kept when it leaves the own king unattacked. Most moves are settled by the pins alone;
// only king moves, en passant, castling, evasions and stacked set-ups play the move out on
// the squares.
class Generator {
  public:
    Generator(Position& position, Squares& squares, int colour)
        : position_(position), s_(squares), colour_(colour), opponent_(1 - colour) {
        const Fig& k = position.king(colour);
        kx_ = k.x;
        ky_ = k.y;
        checked_ = attacked(s_, opponent_, kx_, ky_);
        byPins_ = onBoard(kx_, ky_) && !checked_ && !s_.stacked;
        if (byPins_) {
            findPins(kRookRays, kStraightSliders);
            findPins(kBishopRays, kDiagonalSliders);
        }
    }

    bool checked() const { return checked_; }

    int run() {
        int total = 0;
        for (Fig& p : position_.sets[colour_].pieces) {
            p.moveCount = 0;
            if (p.alive || p.kind == KingKind)
                piece(p);
            total += p.moveCount;
        }
        return total;
    }

  private:
    // An own piece is pinned when it is the only thing between the king and an opposing
    // slider that moves along that line.
    void findPins(const int (*dirs)[2], std::uint8_t sliders) {
        for (int r = 0; r < 4; ++r) {
            int x = kx_, y = ky_, blocker = -1;
            for (;;) {
                x += dirs[r][0];
                y += dirs[r][1];
                if (!onBoard(x, y))
                    break;
                const int sq = squareIndex(x, y);
                if (s_.empty(sq))
                    continue;
                if (blocker < 0 && s_.count[colour_][sq]) {
                    blocker = sq;
                    continue;
                }
                if (blocker >= 0 && (s_.kinds[opponent_][sq] & sliders))
                    pinned_ |= std::uint64_t(1) << blocker;
                break;
            }
        }
    }

    bool legal(const Fig& p, int tx, int ty, MoveKind kind) {
        const int from = squareIndex(p.x, p.y);
        if (byPins_ && kind == OrdinaryMove && p.kind != KingKind) {
            if (!(pinned_ >> from & 1))
                return true;
            // A pinned piece may only move along the line through its king.
            return (p.x - kx_) * (ty - ky_) == (p.y - ky_) * (tx - kx_);
        }
        const int to = squareIndex(tx, ty);
        Trial trial(s_);
        trial.remove(colour_, from);
        trial.add(colour_, to);
        trial.capture(opponent_, to);
        if (kind == EnPassantMove)
            trial.capture(opponent_, squareIndex(tx, colour_ == White ? ty - 1 : ty + 1));
        if (kind == CastlingMove) {
            // The king passes the square the rook lands on.
            const int passX = (p.x + tx) / 2;
            const Fig& rook = position_.sets[colour_].pieces[slotOf(RookKind, tx < p.x ? 0 : 1)];
            if (onBoard(rook.x, rook.y))
                trial.remove(colour_, squareIndex(rook.x, rook.y));
            trial.add(colour_, squareIndex(passX, ty));
            return !attacked(s_, opponent_, passX, ty) && !attacked(s_, opponent_, tx, ty);
        }
        if (p.kind == KingKind)
            return !attacked(s_, opponent_, tx, ty);
        return !attacked(s_, opponent_, kx_, ky_);
    }

    void add(Fig& p, int x, int y, MoveKind kind) {
        if (p.moveCount < kMaxMoves && legal(p, x, y, kind))
            p.moves[p.moveCount++] = squareIndex(x, y);
    }

    void piece(Fig& p) {
        const int own = colour_ + 1;
        auto rays = [&](const int(*dirs)[2]) {
            for (int r = 0; r < 4; ++r) {
                int x = p.x, y = p.y;
                for (int step = 0; step < 7; ++step) {
                    x += dirs[r][0];
                    y += dirs[r][1];
                    if (!onBoard(x, y) || s_.occupancy(x, y) == own)
                        break;
                    add(p, x, y, OrdinaryMove);
                    if (s_.has(opponent_, x, y))
                        break;
                }
            }
        };
        auto steps = [&](const int(*dirs)[2]) {
            for (int i = 0; i < 8; ++i) {
                const int x = p.x + dirs[i][0], y = p.y + dirs[i][1];
                if (onBoard(x, y) && s_.occupancy(x, y) != own)
                    add(p, x, y, OrdinaryMove);
            }
        };
        switch (p.kind) {
        case PawnKind:
            pawn(p);
            break;
        case RookKind:
            rays(kRookRays);
            break;
        case KnightKind:
            steps(kKnightSteps);
            break;
        case BishopKind:
            rays(kBishopRays);
            break;
        case QueenKind:
            rays(kRookRays);
            rays(kBishopRays);
            break;
        default:
            steps(kKingSteps);
            castling(p);
            break;
        }
    }

    void pawn(Fig& p) {
        const int dir = colour_ == White ? 1 : -1;
        const int start = colour_ == White ? 1 : 6;
        const int passantRank = colour_ == White ? 4 : 3;
        const int ahead = p.y + dir;
        if (p.x > 0 && s_.has(opponent_, p.x - 1, ahead))
            add(p, p.x - 1, ahead, OrdinaryMove);
        if (p.x < 7 && s_.has(opponent_, p.x + 1, ahead))
            add(p, p.x + 1, ahead, OrdinaryMove);
        if (onBoard(p.x, ahead) && s_.occupancy(p.x, ahead) == 0) {
            add(p, p.x, ahead, OrdinaryMove);
            if (p.y == start && s_.occupancy(p.x, ahead + dir) == 0)
                add(p, p.x, ahead + dir, OrdinaryMove);
        }
        const int file = position_.board.enPassantFile;
        if (file > -1 && p.y == passantRank) {
            // Only a real opposing pawn beside us, with the square behind it free, can be
            // taken; a stale or invented file must not produce a move.
            auto passable = [&](int fx) {
                const Fig* victim = position_.findPieceAt(opponent_, fx, p.y);
                return victim && victim->kind == PawnKind && s_.occupancy(fx, ahead) == 0;
            };
            if (p.x > 0 && file == p.x - 1 && passable(file))
                add(p, p.x - 1, ahead, EnPassantMove);
            if (p.x < 7 && file == p.x + 1 && passable(file))
                add(p, p.x + 1, ahead, EnPassantMove);
        }
    }

    void castling(Fig& k) {
        if (k.hasMoved || checked_)
            return;
        const Fig& queenRook = position_.sets[colour_].pieces[slotOf(RookKind, 0)];
        const Fig& kingRook = position_.sets[colour_].pieces[slotOf(RookKind, 1)];
        auto free = [&](int x) { return s_.occupancy(x, k.y) == 0; };
        if (queenRook.alive && !queenRook.hasMoved && k.x - 3 >= 0 && free(k.x - 1) &&
            free(k.x - 2) && free(k.x - 3))
            add(k, k.x - 2, k.y, CastlingMove);
        if (kingRook.alive && !kingRook.hasMoved && k.x + 2 <= 7 && free(k.x + 1) && free(k.x + 2))
            add(k, k.x + 2, k.y, CastlingMove);
    }

    Position& position_;
    Squares& s_;
    const int colour_;
    const int opponent_;
    int kx_ = -1;
    int ky_ = -1;
    bool checked_ = false;
    bool byPins_ = false;
    std::uint64_t pinned_ = 0;
};

void fillCaptureMaps(Position& position, const Squares& s) {
    Board& board = position.board;
    std::memset(board.whiteCaptures, 0, sizeof board.whiteCaptures);
    std::memset(board.blackCaptures, 0, sizeof board.blackCaptures);
    for (int colour = 0; colour < 2; ++colour) {
        int* map = colour == White ? board.whiteCaptures : board.blackCaptures;
        for (const Fig& p : position.sets[colour].pieces) {
            if (!(p.alive || p.kind == KingKind))
                continue;
            for (int i = 0; i < p.moveCount; ++i)
                if (s.count[1 - colour][p.moves[i]])
                    ++map[p.moves[i]];
        }
    }
}

} // namespace

void Position::generateLegalMoves(int colour) {
    Squares squares(*this);
    sets[colour].legalMoveTotal = Generator(*this, squares, colour).run();
}

void Position::computeCaptureMaps() {
    fillCaptureMaps(*this, Squares(*this));
}

void Position::refreshRules() {
    Squares squares(*this);
    for (int colour = 0; colour < 2; ++colour)
        sets[colour].legalMoveTotal = Generator(*this, squares, colour).run();
    fillCaptureMaps(*this, squares);
}

bool Position::inCheck(int colour) {
    const Fig& k = king(colour);
    return attacked(Squares(*this), 1 - colour, k.x, k.y);
}

bool Position::castlingRight(int colour, int wing) const {
    const int back = colour == White ? 0 : 7;
    const Fig& k = king(colour);
    const Fig& r = sets[colour].pieces[slotOf(RookKind, wing)];
    return !k.hasMoved && k.x == 4 && k.y == back && r.alive && !r.hasMoved &&
           r.x == (wing ? 7 : 0) && r.y == back;
}

} // namespace korvane
