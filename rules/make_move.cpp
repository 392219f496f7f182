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
    Board& b = position.board;
    const int dx = dest % 8, dy = dest / 8;

    // The history's view of the move is taken before the move changes the position.
    PlayedMove played;
    played.colour = p.colour;
    played.squares = {squareIndex(p.x, p.y), dest, 0};
    played.san = describeMove(position, p, dest, 0);
    if (const Fig* victim = position.findPieceAt(1 - p.colour, dx, dy))
        played.captured = victim->kind;
    else if (p.kind == PawnKind && dx != p.x)
        played.captured = PawnKind;

    // Everything the move changes is noted first, so that a revoke can restore it.
    MoveRecord record;
    record.enPassantFile = b.enPassantFile;
    record.lastMoveFrom = b.lastMoveFrom;
    record.lastMoveTo = b.lastMoveTo;
    b.record = record;

    if (p.kind == KingKind && (dx - p.x == -2 || dx - p.x == 2)) {
        const int rookIndex = dx < p.x ? 0 : 1;
        Fig& rook = *position.pieceByKind(rookIndex, RookKind, p.colour);
        note(b.record.second, rook, true);
        position.moveTo(rook, rookIndex == 0 ? dx + 1 : dx - 1, dy);
    }

    b.enPassantFile = -1;
    if (p.kind == PawnKind && (dy - p.y == 2 || dy - p.y == -2))
        b.enPassantFile = p.x;

    note(b.record.moved, p, true);
    b.lastMoveFrom = squareIndex(p.x, p.y);
    b.lastMoveTo = dest;

    position.moveTo(p, dx, dy);
    p.hasMoved = true;
    return played;
}

bool promotePawn(Position& position, int colour, int pawnIndex, int pieceCode) {
    if (pieceCode < RookKind || pieceCode > QueenKind)
        return false;
    Fig* pawn = position.pieceByKind(pawnIndex, PawnKind, colour);
    if (!pawn)
        return false;
    Fig* promoted = position.pieceByKind(pawnIndex + 2, pieceCode, colour);
    if (!promoted || promoted->alive) {
        // The pawn's own reserve slot is taken (a set-up with extra pieces): use the first
        // free reserve instead; both peers choose the same one.
        promoted = nullptr;
        for (int index = 2; index < 10 && !promoted; ++index) {
            Fig* candidate = position.pieceByKind(index, pieceCode, colour);
            if (!candidate->alive)
                promoted = candidate;
        }
        if (!promoted)
            return false;
    }
    position.setAlive(*promoted, true);
    promoted->hasMoved = true;
    position.place(*promoted, pawn->x, pawn->y);
    position.setAlive(*pawn, false);
    RecordedPiece& s = position.board.record.second;
    note(s, *promoted, false);
    s.hasMoved = false;
    return true;
}

int revokeLastMove(Position& position) {
    MoveRecord& record = position.board.record;
    if (!record.moved.valid)
        return -1;
    auto restore = [&](const RecordedPiece& r) {
        if (!r.valid)
            return;
        Fig* p = position.pieceByKind(r.index, r.kind, r.colour);
        if (!p)
            return;
        position.place(*p, r.x, r.y);
        position.setAlive(*p, r.alive || p->kind == KingKind);
        p->hasMoved = r.hasMoved;
    };
    // The moved piece first, then the rook or promoted piece, then the captured piece: a
    // capturing promotion puts the victim back on the square the promoted piece leaves.
    restore(record.moved);
    restore(record.second);
    restore(record.captured);
    Board& b = position.board;
    b.enPassantFile = record.enPassantFile;
    b.lastMoveFrom = record.lastMoveFrom;
    b.lastMoveTo = record.lastMoveTo;
    const int mover = record.moved.colour;
    record = MoveRecord();
    return mover;
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

Fig* legalMove(Position& position, int side, const MoveSquares& move, int& ordinal) {
    if (move.from < 0 || move.from > 63 || move.to < 0 || move.to > 63)
        return nullptr;
    Fig* p = position.findPieceAt(side, move.from % 8, move.from / 8);
    if (!p)
        return nullptr;
    ordinal = -1;
    for (int k = 0; k < p->moveCount && ordinal < 0; ++k)
        if (p->moves[k] == move.to)
            ordinal = k;
    const bool promotes = reachesLastRank(*p, move.to);
    const bool pieceGiven = move.promotion >= RookKind && move.promotion <= QueenKind;
    if (ordinal < 0 || promotes != pieceGiven || (!promotes && move.promotion != 0))
        return nullptr;
    return p;
}

} // namespace korvane
