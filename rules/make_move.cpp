#include "make_move.h"

namespace korvane {

namespace {

void note(RecordedPiece& r, const Fig& p, bool aliveAfterRevoke) {
    r.valid = true;
    r.colour = p.colour;
    r.kind = p.kind;
    r.index = p.index;
    r.x = p.x;
    r.y = p.y;
    r.alive = aliveAfterRevoke;
    r.hasMoved = p.hasMoved;
}

} // namespace

bool reachesLastRank(const Fig& piece, int dest) {
    return piece.kind == PawnKind && dest / 8 == (piece.colour == White ? 7 : 0);
}

PlayedMove startMove(Position& position, Fig& p, int dest) {
    const int dx = dest % 8, dy = dest / 8;
    // The history's view of the move is taken before the move changes the position.
    PlayedMove played;
    played.colour = p.colour;
    played.squares = Move(Square::at(p.x, p.y), Square(dest));
    played.san = describeMove(position, p, dest, 0);
    if (const Fig* victim = position.findPieceAt(1 - p.colour, dx, dy))
        played.captured = victim->kind;
    else if (p.kind == PawnKind && dx != p.x)
        played.captured = PawnKind;
    position.doMove(p, Square(dest));
    return played;
}

void Position::doMove(Fig& p, Square to) {
    Board& b = board;
    const int dx = to.file(), dy = to.rank();

    // Everything the move changes is noted first, so that undoMove can restore it.
    MoveRecord record;
    record.enPassantFile = b.enPassantFile;
    record.lastMoveFrom = b.lastMoveFrom;
    record.lastMoveTo = b.lastMoveTo;
    b.record = record;

    if (p.kind == KingKind && (dx - p.x == -2 || dx - p.x == 2)) {
        const int rookIndex = dx < p.x ? 0 : 1;
        Fig& rook = *pieceByKind(rookIndex, RookKind, p.colour);
        note(b.record.second, rook, true);
        moveTo(rook, rookIndex == 0 ? dx + 1 : dx - 1, dy);
    }

    b.enPassantFile = -1;
    if (p.kind == PawnKind && (dy - p.y == 2 || dy - p.y == -2))
        b.enPassantFile = p.x;

    note(b.record.moved, p, true);
    b.lastMoveFrom = squareIndex(p.x, p.y);
    b.lastMoveTo = to.index;

    moveTo(p, dx, dy);
    p.hasMoved = true;
}

bool Position::promote(int colour, int pawnIndex, int pieceCode) {
    if (pieceCode < RookKind || pieceCode > QueenKind)
        return false;
    Fig* pawn = pieceByKind(pawnIndex, PawnKind, colour);
    if (!pawn)
        return false;
    Fig* promoted = pieceByKind(pawnIndex + 2, pieceCode, colour);
    if (!promoted || promoted->alive) {
        // The pawn's own reserve slot is taken (a set-up with extra pieces): use the first
        // free reserve instead; both peers choose the same one.
        promoted = nullptr;
        for (int index = 2; index < 10 && !promoted; ++index) {
            Fig* candidate = pieceByKind(index, pieceCode, colour);
            if (!candidate->alive)
                promoted = candidate;
        }
        if (!promoted)
            return false;
    }
    setAlive(*promoted, true);
    promoted->hasMoved = true;
    place(*promoted, pawn->x, pawn->y);
    setAlive(*pawn, false);
    RecordedPiece& s = board.record.second;
    note(s, *promoted, false);
    s.hasMoved = false;
    return true;
}

int Position::undoMove() {
    return undoMove(board.record);
}

int Position::undoMove(const MoveRecord& undo) {
    const MoveRecord record = undo; // `undo` may be this position's own record
    if (!record.moved.valid)
        return -1;
    auto restore = [&](const RecordedPiece& r) {
        if (!r.valid)
            return;
        Fig* p = pieceByKind(r.index, r.kind, r.colour);
        if (!p)
            return;
        place(*p, r.x, r.y);
        setAlive(*p, r.alive || p->kind == KingKind);
        p->hasMoved = r.hasMoved;
    };
    // The moved piece first, then the rook or promoted piece, then the captured piece: a
    // capturing promotion puts the victim back on the square the promoted piece leaves.
    restore(record.moved);
    restore(record.second);
    restore(record.captured);
    Board& b = board;
    b.enPassantFile = record.enPassantFile;
    b.lastMoveFrom = record.lastMoveFrom;
    b.lastMoveTo = record.lastMoveTo;
    b.record = MoveRecord();
    return record.moved.colour;
}

void recordMove(GameHistory& history, Position& position, Turn sideToMove, PlayedMove move) {
    const int side = colourOf(sideToMove);
    if (isColour(sideToMove) && position.inCheck(side))
        move.san.mark =
            position.sets[side].legalMoveTotal == 0 ? CheckMark::Mate : CheckMark::Check;
    move.after = positionKey(position, sideToMove);
    FenCounters counters = history.counters();
    const bool irreversible = move.san.kind == PawnKind || move.captured >= 0;
    counters.halfmoveClock = irreversible ? 0 : counters.halfmoveClock + 1;
    if (move.colour == Black)
        ++counters.fullmoveNumber;
    move.counters = counters;
    move.undo = position.board.record;
    history.record(move);
}

const Fig* moverOf(const Position& position, int side, const Move& move, int& ordinal) {
    if (!move.any())
        return nullptr;
    const Fig* p = position.findPieceAt(side, move.from.file(), move.from.rank());
    if (!p)
        return nullptr;
    for (int k = 0; k < p->moveCount; ++k)
        if (p->moves[k] == move.to.index) {
            ordinal = k;
            return p;
        }
    return nullptr;
}

bool promotionFits(const Fig& piece, const Move& move) {
    const bool pieceGiven = move.promotion >= RookKind && move.promotion <= QueenKind;
    return reachesLastRank(piece, move.to.index) ? pieceGiven : move.promotion == 0;
}

const Fig* legalMove(const Position& position, int side, const Move& move) {
    int ordinal = -1;
    const Fig* p = moverOf(position, side, move, ordinal);
    return p && promotionFits(*p, move) ? p : nullptr;
}

Move moveOf(const Position& position, int side, const OrdinalMove& named) {
    const Fig* p = side == White || side == Black
                       ? position.pieceByKind(named.index, named.kind, side)
                       : nullptr;
    if (!p || !p->alive || named.ordinal < 0 || named.ordinal >= p->moveCount)
        return Move::none();
    return Move(Square::at(p->x, p->y), Square(p->moves[named.ordinal]));
}

} // namespace korvane
