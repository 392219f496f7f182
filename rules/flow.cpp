#include "flow.h"

#include "fen.h"

#include <memory>

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
    drawnByRule_ = false;
    history_.start(position_, Turn::White);
    repaint();
    board_.hideArrow();
    if (settings_.highlighting)
        refreshLooks();
    announceSideToMove();
    screens_.movesChanged(history_);
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

    // The history's view of the move is taken before the move changes the position.
    syncHistory();
    pending_ = PlayedMove();
    pending_.colour = p.colour;
    pending_.squares = {squareIndex(p.x, p.y), dest, 0};
    pending_.san = describeMove(position_, p, dest, 0);
    if (const Fig* victim = position_.findPieceAt(1 - p.colour, dx, dy))
        pending_.captured = victim->kind;
    else if (p.kind == PawnKind && dx != p.x)
        pending_.captured = PawnKind;

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
    if (!state_.promotionPending) {
        recordPending();
        testGameEnd();
    }
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
    pending_.squares.promotion = pieceCode;
    pending_.san.promotion = pieceCode;
    recordPending();
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
    history_.pop();
    announceSideToMove();

    position_.refreshRules();
    if (settings_.highlighting)
        refreshLooks();
    state_.selectionKind = -2;
    repaint();
    board_.hideArrow();
    screens_.movesChanged(history_);
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
    drawnByRule_ = false;
    history_.start(position_, state_.sideToMove);
    repaint();
    if (settings_.highlighting)
        refreshLooks();
    announceSideToMove();
    screens_.movesChanged(history_);
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
    if (end == GameEnd::None) {
        // Both peers of a network game see the same position, so both end it here alike.
        const DrawReason draw = settings_.drawRulesEndGame ? automaticDraw() : DrawReason::None;
        if (draw != DrawReason::None)
            endInDraw(draw);
        return;
    }
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
    screens_.hideWindow("GameEnd/Draw");
    screens_.hideWindow("LocalIngame");
    screens_.hideWindow("NetworkIngame");
    screens_.showWindow("GameEnd");
    screens_.activateWindow("GameEnd");
    // The mated side is still the side to move, but the status bar must not say so.
    screens_.showGameOver(end == GameEnd::Checkmate ? Outcome::Checkmate : Outcome::Stalemate,
                          state_.sideToMove == Turn::White ? Black : White);
}

void GameFlow::endInDraw(DrawReason reason) {
    // Nobody is to move: the board closes and nothing looks selectable.
    state_.sideToMove = Turn::Over;
    drawnByRule_ = true;
    state_.selectionKind = -2;
    board_.hideArrow();
    board_.resetPieceLooks(White);
    board_.resetPieceLooks(Black);
    for (const char* name :
         {"GameEnd/Stalemate", "GameEnd/Checkmate", "GameEnd/WhiteWon", "GameEnd/BlackWon"})
        screens_.hideWindow(name);
    screens_.showWindow("GameEnd/Draw");
    screens_.hideWindow("LocalIngame");
    screens_.hideWindow("NetworkIngame");
    screens_.showWindow("GameEnd");
    screens_.activateWindow("GameEnd");
    screens_.showDrawnGame(reason);
}

bool GameFlow::claimDraw() {
    if (state_.networkGame() || state_.joinPending || state_.question != Question::None)
        return false;
    return endByClaim();
}

bool GameFlow::endByClaim() {
    if (!isColour(state_.sideToMove) || state_.promotionPending)
        return false;
    const DrawReason reason = canClaimDraw();
    if (reason == DrawReason::None)
        return false;
    endInDraw(reason);
    return true;
}

void GameFlow::syncHistory() {
    if (history_.currentKey() != positionKey(position_, state_.sideToMove))
        history_.start(position_, state_.sideToMove);
}

void GameFlow::recordPending() {
    drawnByRule_ = false;
    const int side = colourOf(state_.sideToMove);
    if (position_.inCheck(side))
        pending_.san.mark =
            position_.sets[side].legalMoveTotal == 0 ? CheckMark::Mate : CheckMark::Check;
    pending_.after = positionKey(position_, state_.sideToMove);
    FenCounters counters = history_.counters();
    const bool irreversible = pending_.san.kind == PawnKind || pending_.captured >= 0;
    counters.halfmoveClock = irreversible ? 0 : counters.halfmoveClock + 1;
    if (pending_.colour == Black)
        ++counters.fullmoveNumber;
    pending_.counters = counters;
    history_.record(pending_);
    screens_.movesChanged(history_);
}

bool GameFlow::playMove(const MoveSquares& move) {
    if (!state_.boardOpen() || move.from < 0 || move.from > 63 || move.to < 0 || move.to > 63)
        return false;
    const int side = colourOf(state_.sideToMove);
    Fig* p = position_.findPieceAt(side, move.from % 8, move.from / 8);
    if (!p)
        return false;
    int ordinal = -1;
    for (int k = 0; k < p->moveCount && ordinal < 0; ++k)
        if (p->moves[k] == move.to)
            ordinal = k;
    const bool promotes = p->kind == PawnKind && (move.to / 8 == 0 || move.to / 8 == 7);
    const bool pieceGiven = move.promotion >= RookKind && move.promotion <= QueenKind;
    if (ordinal < 0 || promotes != pieceGiven || (!promotes && move.promotion != 0))
        return false;
    if (!selectPiece(side, p->kind, p->index, true) || !executeMove(ordinal, true))
        return false;
    return !promotes || completePromotion(move.promotion);
}

bool GameFlow::replay(HeadlessGame& game, const std::vector<MoveSquares>& moves,
                      std::string* error) {
    for (std::size_t i = 0; i < moves.size(); ++i)
        if (!game.flow.playMove(moves[i])) {
            if (error)
                *error =
                    "move " + std::to_string(i + 1) + " (" + uciText(moves[i]) + ") is not legal";
            return false;
        }
    return true;
}

void GameFlow::adopt(HeadlessGame& game) {
    position_ = game.position;
    position_.setView(&board_);
    for (PieceSet& set : position_.sets)
        for (Fig& p : set.pieces) {
            position_.setAlive(p, p.alive || p.kind == KingKind);
            if (p.alive || p.kind == KingKind)
                position_.place(p, p.x, p.y);
        }
    state_.sideToMove = game.state.sideToMove;
    state_.selectionKind = -2;
    state_.promotionPending = false;
    state_.deferredSend = false;
    state_.question = Question::None;
    state_.joinPending = false;
    drawnByRule_ = false;
    history_ = game.flow.history_;
    position_.refreshRules();
    repaint();
    board_.hideArrow();
    if (settings_.highlighting)
        refreshLooks();
    // A local game that turns the view keeps it turned towards the side to move.
    if (state_.gameMode == GameMode::Local && settings_.flipView &&
        state_.viewFlipped != (state_.sideToMove == Turn::Black))
        viewFlipIfLocal();
    announceSideToMove();
    screens_.movesChanged(history_);
    // A game loaded at its end (mate, stalemate, a draw by itself) shows that end at once.
    testGameEnd();
}

bool GameFlow::takeBack() {
    // A draw by rule leaves nobody to move, yet its last move may still go back.
    const bool over = !isColour(state_.sideToMove) && !drawnByRule_;
    if (over || state_.promotionPending || state_.joinPending || state_.networkGame() ||
        state_.question != Question::None)
        return false;
    // The position of a drawn game is the history's last; nobody to move is no new game.
    if (!drawnByRule_)
        syncHistory();
    if (history_.empty())
        return false;
    std::vector<MoveSquares> moves;
    for (std::size_t i = 0; i + 1 < history_.size(); ++i)
        moves.push_back(history_.moves()[i].squares);
    auto game = std::make_unique<HeadlessGame>();
    game->position = history_.startPosition();
    game->position.setView(&game->board);
    game->state.gameMode = GameMode::Local;
    game->state.sideToMove = history_.startSide();
    game->flow.history_.start(game->position, history_.startSide(), history_.startCounters());
    if (!replay(*game, moves, nullptr))
        return false;
    adopt(*game);
    return true;
}

bool GameFlow::loadGame(const std::string& startFen, const std::vector<MoveSquares>& moves,
                        std::string* error) {
    if (state_.networkGame() || state_.joinPending) {
        if (error)
            *error = "a network game cannot load a game";
        return false;
    }
    auto game = std::make_unique<HeadlessGame>();
    game->state.gameMode = GameMode::Local;
    FenCounters counters;
    if (startFen.empty()) {
        game->flow.newGame();
    } else {
        if (!loadFen(game->position, game->state, startFen, error, &counters))
            return false;
        game->flow.history_.start(game->position, game->state.sideToMove, counters);
    }
    if (!replay(*game, moves, error))
        return false;
    adopt(*game);
    return true;
}

std::string GameFlow::fen() const {
    FenCounters counters = history_.counters();
    // The pawn move waiting for its piece is not in the history yet.
    if (state_.promotionPending) {
        counters.halfmoveClock = 0;
        if (state_.promotionColour == Black)
            ++counters.fullmoveNumber;
    }
    return writeFen(position_, state_.sideToMove, counters);
}

DrawReason GameFlow::canClaimDraw() const {
    if (state_.promotionPending || state_.joinPending)
        return DrawReason::None;
    return claimableDraw(history_, position_, state_.sideToMove);
}

DrawReason GameFlow::automaticDraw() const {
    if (state_.promotionPending || state_.joinPending)
        return DrawReason::None;
    return korvane::automaticDraw(history_, position_, state_.sideToMove);
}

void GameFlow::rewind(const Position& position, const GameState& state, std::size_t plies) {
    position_ = position;
    state_ = state;
    while (history_.size() > plies)
        history_.pop();
}

} // namespace korvane
