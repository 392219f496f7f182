#include "flow.h"

namespace korvane {

GameFlow::GameFlow(Position& position, GameState& state, const FlowSettings& settings,
                   BoardView& board, ScreenView& screens, SoundPlayer& sounds, PeerLink& peer)
    : position_(position), state_(state), settings_(settings), board_(board), screens_(screens),
      sounds_(sounds), peer_(peer) {
    position_.setView(&board_);
}

void GameFlow::repaint() {
    const Board& b = position_.board;
    if (settings_.lastMoveHighlighting)
        board_.repaintSquares(b.lastMoveFrom, b.lastMoveTo);
    else
        board_.repaintSquares(-1, -1);
}

void GameFlow::announceSideToMove() {
    if (isColour(state_.sideToMove))
        screens_.showSideToMove(colourOf(state_.sideToMove));
}

void GameFlow::refreshLooks() {
    if (!isColour(state_.sideToMove))
        return;
    const int side = colourOf(state_.sideToMove);
    board_.resetPieceLooks(side);
    board_.resetPieceLooks(1 - side);
    for (const Fig& p : position_.sets[side].pieces)
        if ((p.alive || p.kind == KingKind) && p.moveCount > 0)
            board_.markMovable(p.colour, p.kind, p.index);
}

void GameFlow::viewFlipIfLocal() {
    if (state_.gameMode == GameMode::Local && settings_.flipView) {
        state_.viewFlipped = !state_.viewFlipped;
        board_.turnView();
    }
}

void GameFlow::newGame() {
    state_.sideToMove = Turn::White;
    state_.question = Question::None;
    state_.joinPending = false;
    state_.promotionPending = false;
    state_.deferredSend = false;
    state_.selectionKind = -2;
    position_.resetSet(White);
    position_.resetSet(Black);
    position_.board.record = MoveRecord();
    position_.board.enPassantFile = -1;
    position_.refreshRules();
    repaint();
    board_.hideArrow();
    if (settings_.highlighting)
        refreshLooks();
    announceSideToMove();
}

bool GameFlow::selectPiece(int colour, int kind, int index, bool send) {
    if (!state_.boardOpen() || turnOf(colour) != state_.sideToMove ||
        (colour != White && colour != Black))
        return false;
    Fig* p = position_.pieceByKind(index, kind, colour);
    if (!p || !p->alive)
        return false;
    state_.selectionColour = colour;
    state_.selectionKind = kind;
    state_.selectionIndex = index;
    if (state_.networkGame() && send)
        peer_.pieceSelected(kind, index);
    repaint();
    if (settings_.highlighting)
        board_.paintSquares(p->moves, p->moveCount, "Desk/Green");
    board_.showArrow(p->x, p->y);
    if (settings_.sounds)
        sounds_.playEffect(SoundPlayer::Select, p->y + 0.5f, 0.0f, p->x + 0.5f);
    return true;
}

bool GameFlow::selectedPiece(Fig*& piece) {
    if (state_.selectionKind == -2 || turnOf(state_.selectionColour) != state_.sideToMove)
        return false;
    piece =
        position_.pieceByKind(state_.selectionIndex, state_.selectionKind, state_.selectionColour);
    return piece && piece->alive;
}

bool GameFlow::executeMove(int ordinal, bool send) {
    Fig* pp = nullptr;
    if (!state_.boardOpen() || !selectedPiece(pp) || ordinal < 0 || ordinal >= pp->moveCount)
        return false;
    Fig& p = *pp;
    Board& b = position_.board;
    const int dest = p.moves[ordinal];
    const int dx = dest % 8, dy = dest / 8;

    // Everything the move changes is noted first, so that a revoke can restore it.
    MoveRecord record;
    record.enPassantFile = b.enPassantFile;
    record.lastMoveFrom = b.lastMoveFrom;
    record.lastMoveTo = b.lastMoveTo;
    b.record = record;

    if (p.kind == KingKind && (dx - p.x == -2 || dx - p.x == 2)) {
        const int rookIndex = dx < p.x ? 0 : 1;
        Fig& rook = *position_.pieceByKind(rookIndex, RookKind, p.colour);
        RecordedPiece& s = b.record.second;
        s.valid = true;
        s.colour = rook.colour;
        s.kind = RookKind;
        s.index = rookIndex;
        s.x = rook.x;
        s.y = rook.y;
        s.alive = true;
        s.hasMoved = rook.hasMoved;
        position_.moveTo(rook, rookIndex == 0 ? dx + 1 : dx - 1, dy);
    }

    b.enPassantFile = -1;
    if (p.kind == PawnKind && (dy - p.y == 2 || dy - p.y == -2))
        b.enPassantFile = p.x;

    RecordedPiece& m = b.record.moved;
    m.valid = true;
    m.colour = p.colour;
    m.kind = p.kind;
    m.index = p.index;
    m.x = p.x;
    m.y = p.y;
    m.alive = true;
    m.hasMoved = p.hasMoved;
    b.lastMoveFrom = squareIndex(p.x, p.y);
    b.lastMoveTo = dest;

    position_.moveTo(p, dx, dy);
    p.hasMoved = true;

    state_.sideToMove = opposite(state_.sideToMove);
    announceSideToMove();

    if (p.kind == PawnKind && dy == (p.colour == White ? 7 : 0)) {
        state_.promotionPending = true;
        state_.promotionColour = p.colour;
        state_.promotionPawnIndex = p.index;
        screens_.showPromotionChoice(p.colour);
        // The peer's choice arrives with its move; this player never makes it.
        if (send || !state_.networkGame()) {
            screens_.showWindow("IngamePawnTransform");
            screens_.hideWindow("LocalIngame");
            screens_.hideWindow("NetworkIngame");
            screens_.activateWindow("IngamePawnTransform");
        }
    }

    position_.refreshRules();
    if (settings_.highlighting && !state_.promotionPending)
        refreshLooks();
    if (!state_.promotionPending)
        viewFlipIfLocal();

    if (state_.networkGame()) {
        if (state_.promotionPending) {
            state_.deferredSend = send;
            state_.deferredKind = p.kind;
            state_.deferredIndex = p.index;
            state_.deferredOrdinal = ordinal;
        } else {
            peer_.sideToMoveChanged();
            if (send)
                peer_.movePlayed(p.kind, p.index, ordinal);
        }
    }

    if (settings_.sounds)
        sounds_.playEffect(SoundPlayer::Move, p.y + 0.5f, 0.0f, p.x + 0.5f);

    state_.selectionKind = -2;
    repaint();
    board_.hideArrow();

    // With the choice still open the position is not final: a stalemate without the new piece
    // may be a checkmate with it.
    if (!state_.promotionPending)
        testGameEnd();
    return true;
}

bool GameFlow::completePromotion(int pieceCode) {
    if (!state_.promotionPending || pieceCode < RookKind || pieceCode > QueenKind)
        return false;
    const int colour = state_.promotionColour;
    Fig* pawn = position_.pieceByKind(state_.promotionPawnIndex, PawnKind, colour);
    if (!pawn)
        return false;
    Fig* promoted = position_.pieceByKind(state_.promotionPawnIndex + 2, pieceCode, colour);
    if (!promoted || promoted->alive) {
        // The pawn's own reserve slot is taken (a set-up with extra pieces): use the first
        // free reserve instead; both peers choose the same one.
        promoted = nullptr;
        for (int index = 2; index < 10 && !promoted; ++index) {
            Fig* candidate = position_.pieceByKind(index, pieceCode, colour);
            if (!candidate->alive)
                promoted = candidate;
        }
        if (!promoted)
            return false;
    }

    position_.setAlive(*promoted, true);
    promoted->hasMoved = true;
    position_.place(*promoted, pawn->x, pawn->y);
    position_.setAlive(*pawn, false);

    RecordedPiece& s = position_.board.record.second;
    s.valid = true;
    s.colour = colour;
    s.kind = pieceCode;
    s.index = promoted->index;
    s.x = pawn->x;
    s.y = pawn->y;
    s.alive = false;
    s.hasMoved = false;

    screens_.hideWindow("IngamePawnTransform");
    const char* panel = state_.networkGame() ? "NetworkIngame" : "LocalIngame";
    screens_.showWindow(panel);
    screens_.activateWindow(panel);
    state_.promotionPending = false;
    announceSideToMove();

    if (state_.networkGame()) {
        peer_.sideToMoveChanged();
        if (state_.deferredSend) {
            peer_.movePlayed(state_.deferredKind, state_.deferredIndex, state_.deferredOrdinal);
            peer_.promotionChosen(state_.promotionPawnIndex, pieceCode);
        }
    }
    state_.deferredSend = false;

    position_.refreshRules();
    if (settings_.highlighting)
        refreshLooks();
    viewFlipIfLocal();
    testGameEnd();
    return true;
}

bool GameFlow::revokeLastMove() {
    MoveRecord& record = position_.board.record;
    if (!record.moved.valid || state_.promotionPending)
        return false;
    auto restore = [&](const RecordedPiece& r) {
        if (!r.valid)
            return;
        Fig* p = position_.pieceByKind(r.index, r.kind, r.colour);
        if (!p)
            return;
        position_.place(*p, r.x, r.y);
        position_.setAlive(*p, r.alive || p->kind == KingKind);
        p->hasMoved = r.hasMoved;
    };
    // The moved piece first, then the rook or promoted piece, then the captured piece: a
    // capturing promotion puts the victim back on the square the promoted piece leaves.
    restore(record.moved);
    restore(record.second);
    restore(record.captured);
    Board& b = position_.board;
    b.enPassantFile = record.enPassantFile;
    b.lastMoveFrom = record.lastMoveFrom;
    b.lastMoveTo = record.lastMoveTo;
    state_.sideToMove = turnOf(record.moved.colour);
    record = MoveRecord();
    announceSideToMove();

    position_.refreshRules();
    if (settings_.highlighting)
        refreshLooks();
    state_.selectionKind = -2;
    repaint();
    board_.hideArrow();
    return true;
}

void GameFlow::beginJoin(Turn sideToMove) {
    position_.clearAll();
    for (int colour = 0; colour < 2; ++colour)
        position_.king(colour).hasMoved = true;
    state_.sideToMove = sideToMove;
    state_.question = Question::None;
    state_.promotionPending = false;
    state_.deferredSend = false;
    state_.selectionKind = -2;
    state_.joinPending = true;
    repaint();
    board_.hideArrow();
    board_.resetPieceLooks(White);
    board_.resetPieceLooks(Black);
}

bool GameFlow::applyPieceState(int colour, int kind, int index, bool alive, int x, int y) {
    Fig* p = position_.pieceByKind(index, kind, colour);
    if (!state_.joinPending || !p || (kind == KingKind && !alive))
        return false;
    if (alive && !onBoard(x, y))
        return false;
    position_.setAlive(*p, alive);
    if (alive)
        position_.place(*p, x, y);
    return true;
}

void GameFlow::finishJoin(const PositionDetails* details) {
    Board& b = position_.board;
    for (int colour = 0; colour < 2; ++colour) {
        const int back = colour == White ? 0 : 7;
        Fig& king = position_.king(colour);
        for (int wing = 0; wing < 2; ++wing) {
            Fig& rook = *position_.pieceByKind(wing, RookKind, colour);
            bool right = rook.alive && rook.x == (wing ? 7 : 0) && rook.y == back && king.x == 4 &&
                         king.y == back;
            if (details) {
                const bool sent = colour == White
                                      ? (wing ? details->whiteKingSide : details->whiteQueenSide)
                                      : (wing ? details->blackKingSide : details->blackQueenSide);
                right = right && sent;
            }
            rook.hasMoved = !right;
        }
        const bool anyRight = !position_.pieceByKind(0, RookKind, colour)->hasMoved ||
                              !position_.pieceByKind(1, RookKind, colour)->hasMoved;
        king.hasMoved = !anyRight;
    }
    b.record = MoveRecord();
    b.enPassantFile = details ? details->enPassantFile : -1;
    b.lastMoveFrom = details ? details->lastMoveFrom : -1;
    b.lastMoveTo = details ? details->lastMoveTo : -1;
    state_.joinPending = false;
    position_.refreshRules();
    repaint();
    if (settings_.highlighting)
        refreshLooks();
    announceSideToMove();
}

PositionDetails GameFlow::details() const {
    PositionDetails d;
    d.whiteKingSide = position_.castlingRight(White, 1);
    d.whiteQueenSide = position_.castlingRight(White, 0);
    d.blackKingSide = position_.castlingRight(Black, 1);
    d.blackQueenSide = position_.castlingRight(Black, 0);
    d.enPassantFile = position_.board.enPassantFile;
    d.lastMoveFrom = position_.board.lastMoveFrom;
    d.lastMoveTo = position_.board.lastMoveTo;
    return d;
}

void GameFlow::clearSelection() {
    state_.selectionKind = -2;
    repaint();
    board_.hideArrow();
}

bool GameFlow::receivePieceSelected(int kind, int index) {
    return selectPiece(colourOf(state_.sideToMove), kind, index, false);
}

bool GameFlow::receiveMove(int kind, int index, int ordinal) {
    if (!state_.boardOpen())
        return false;
    const int colour = colourOf(state_.sideToMove);
    const Fig* p = position_.pieceByKind(index, kind, colour);
    if (!p || !p->alive || ordinal < 0 || ordinal >= p->moveCount)
        return false;
    state_.selectionColour = colour;
    state_.selectionKind = kind;
    state_.selectionIndex = index;
    return executeMove(ordinal, false);
}

bool GameFlow::receivePromotion(int pawnIndex, int pieceCode) {
    const int mover = state_.sideToMove == Turn::White ? Black : White;
    if (!state_.promotionPending || state_.promotionColour != mover ||
        state_.promotionPawnIndex != pawnIndex)
        return false;
    return completePromotion(pieceCode);
}

GameEnd GameFlow::gameEnd() {
    if (!isColour(state_.sideToMove) || state_.promotionPending || state_.joinPending)
        return GameEnd::None;
    const int side = colourOf(state_.sideToMove);
    if (position_.sets[side].legalMoveTotal != 0)
        return GameEnd::None;
    return position_.inCheck(side) ? GameEnd::Checkmate : GameEnd::Stalemate;
}

void GameFlow::testGameEnd() {
    const GameEnd end = gameEnd();
    if (end == GameEnd::None)
        return;
    if (end == GameEnd::Checkmate) {
        screens_.hideWindow("GameEnd/Stalemate");
        screens_.showWindow("GameEnd/Checkmate");
        const bool whiteLost = state_.sideToMove == Turn::White;
        screens_.showWindow(whiteLost ? "GameEnd/BlackWon" : "GameEnd/WhiteWon");
        screens_.hideWindow(whiteLost ? "GameEnd/WhiteWon" : "GameEnd/BlackWon");
    } else {
        screens_.showWindow("GameEnd/Stalemate");
        screens_.hideWindow("GameEnd/Checkmate");
        screens_.hideWindow("GameEnd/WhiteWon");
        screens_.hideWindow("GameEnd/BlackWon");
    }
    screens_.hideWindow("LocalIngame");
    screens_.hideWindow("NetworkIngame");
    screens_.showWindow("GameEnd");
    screens_.activateWindow("GameEnd");
    // The mated side is still the side to move, but the status bar must not say so.
    screens_.showGameOver(end == GameEnd::Checkmate ? Outcome::Checkmate : Outcome::Stalemate,
                          state_.sideToMove == Turn::White ? Black : White);
}

} // namespace korvane
