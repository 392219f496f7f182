#include "game.h"

#include "rules/fen.h"
#include "rules/make_move.h"
#include "rules/replay.h"

#include <algorithm>

namespace korvane {

Game::Game(bool drawRulesEndGame) : drawRulesEndGame_(drawRulesEndGame) {
    refreshRules();
}

void Game::addObserver(GameObserver& observer) {
    observers_.push_back(&observer);
}

void Game::removeObserver(GameObserver& observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer),
                     observers_.end());
}

template <typename Call> void Game::tell(Call call) {
    // An observer may remove itself (or others) while it is told: walk a copy.
    const std::vector<GameObserver*> observers = observers_;
    for (GameObserver* o : observers)
        if (std::find(observers_.begin(), observers_.end(), o) != observers_.end())
            call(*o);
}

void Game::refreshRules() {
    position_.refreshRules();
    // Attack, not the capture maps: those hold legal moves only, and a piece pinned to its own
    // king still gives check.
    for (int colour = 0; colour < 2; ++colour) {
        const Fig& k = position_.king(colour);
        checkSquare_[colour] =
            onBoard(k.x, k.y) && position_.inCheck(colour) ? squareIndex(k.x, k.y) : -1;
    }
}

void Game::clearTransient() {
    state_.question = Question::None;
    state_.questionMine = false;
    state_.joinPending = false;
    state_.promotionPending = false;
    state_.selection = PieceId::none();
    drawnByRule_ = false;
}

// ---------------------------------------------------------------- queries

const Fig* Game::selectedPiece() const {
    const PieceId s = state_.selection;
    if (!s.any() || turnOf(s.colour) != state_.sideToMove)
        return nullptr;
    const Fig* piece = position_.pieceByKind(s.index, s.kind, s.colour);
    return piece && piece->alive ? piece : nullptr;
}

Ending Game::gameEnd() const {
    if (!isColour(state_.sideToMove) || state_.promotionPending || state_.joinPending)
        return Ending::None;
    const int side = colourOf(state_.sideToMove);
    if (position_.sets[side].legalMoveTotal != 0)
        return Ending::None;
    return sideInCheck(side) ? Ending::Checkmate : Ending::Stalemate;
}

std::string Game::fen() const {
    FenCounters counters = history_.counters();
    // The pawn move waiting for its piece is not in the history yet.
    if (state_.promotionPending) {
        counters.halfmoveClock = 0;
        if (state_.promotionColour == Black)
            ++counters.fullmoveNumber;
    }
    return writeFen(position_, state_.sideToMove, counters);
}

DrawReason Game::canClaimDraw() const {
    if (state_.promotionPending || state_.joinPending)
        return DrawReason::None;
    return claimableDraw(history_, position_, state_.sideToMove);
}

DrawReason Game::automaticDraw() const {
    if (state_.promotionPending || state_.joinPending)
        return DrawReason::None;
    return korvane::automaticDraw(history_, position_, state_.sideToMove);
}

PositionDetails Game::details() const {
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

// ---------------------------------------------------------------- setting up

void Game::seat(Players players) {
    state_.players = players;
    state_.joining = false;
    tell([&](GameObserver& o) { o.playersChanged(*this); });
}

void Game::leave() {
    state_.players = Players();
    state_.joining = false;
    state_.joinPending = false;
    state_.promotionPending = false;
    state_.selection = PieceId::none();
    tell([&](GameObserver& o) { o.playersChanged(*this); });
}

void Game::awaitSeat() {
    state_.players = Players();
    state_.joining = true;
    tell([&](GameObserver& o) { o.playersChanged(*this); });
}

void Game::newGame() {
    state_.sideToMove = Turn::White;
    clearTransient();
    position_.resetSet(White);
    position_.resetSet(Black);
    position_.board.record = MoveRecord();
    position_.board.enPassantFile = -1;
    refreshRules();
    history_.start(position_, Turn::White);
    tell([&](GameObserver& o) { o.positionChanged(*this); });
}

bool Game::setUp(const std::string& fen, std::string* error) {
    Position loaded = position_;
    Turn side = state_.sideToMove;
    FenCounters counters;
    if (!loadFen(loaded, side, fen, error, &counters))
        return false;
    position_ = loaded;
    state_.sideToMove = side;
    clearTransient();
    refreshRules();
    history_.start(position_, side, counters);
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    return true;
}

bool Game::loadGame(const std::string& startFen, const std::vector<MoveSquares>& moves,
                    std::string* error) {
    if (state_.networkGame() || state_.joinPending) {
        if (error)
            *error = "a network game cannot load a game";
        return false;
    }
    Replay replay;
    if (!replay.load(startFen, moves, error))
        return false;
    return loadGame(replay, error);
}

bool Game::loadGame(Replay& replayed, std::string* error) {
    if (state_.networkGame() || state_.joinPending) {
        if (error)
            *error = "a network game cannot load a game";
        return false;
    }
    adopt(replayed);
    return true;
}

void Game::adopt(Replay& replay) {
    position_ = replay.position();
    state_.sideToMove = replay.sideToMove();
    clearTransient();
    history_ = replay.history();
    refreshRules();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    // A game loaded at its end (mate, stalemate, a draw by itself) shows that end at once.
    checkForEnd();
}

// ---------------------------------------------------------------- moves

bool Game::selectPiece(int colour, int kind, int index) {
    if (!state_.boardOpen() || turnOf(colour) != state_.sideToMove ||
        (colour != White && colour != Black))
        return false;
    const Fig* p = position_.pieceByKind(index, kind, colour);
    if (!p || !p->alive)
        return false;
    state_.selection = PieceId{colour, kind, index};
    tell([&](GameObserver& o) { o.selectionChanged(*this); });
    return true;
}

void Game::clearSelection() {
    state_.selection = PieceId::none();
    tell([&](GameObserver& o) { o.selectionChanged(*this); });
}

bool Game::executeMove(int ordinal) {
    const PieceId s = state_.selection;
    return s.any() && submit(s.colour, s, ordinal) == Refusal::None;
}

Refusal Game::submit(int side, PieceId piece, int ordinal) {
    if (!isColour(state_.sideToMove) || turnOf(side) != state_.sideToMove)
        return Refusal::NotYourTurn;
    if (!state_.boardOpen())
        return Refusal::BoardClosed;
    Fig* pp = piece.colour == side ? position_.pieceByKind(piece.index, piece.kind, side) : nullptr;
    if (!pp || !pp->alive)
        return Refusal::NoSuchPiece;
    if (ordinal < 0 || ordinal >= pp->moveCount)
        return Refusal::NotLegal;
    Fig& p = *pp;
    const int dest = p.moves[ordinal];

    syncHistory();
    MoveEvent event;
    event.piece = PieceId{p.colour, p.kind, p.index};
    event.ordinal = ordinal;
    event.from = squareIndex(p.x, p.y);
    event.to = dest;
    pending_ = startMove(position_, p, dest);
    state_.sideToMove = opposite(state_.sideToMove);
    state_.selection = PieceId::none();
    if (reachesLastRank(p, dest)) {
        state_.promotionPending = true;
        state_.promotionColour = p.colour;
        state_.promotionPawnIndex = p.index;
        event.promotionPending = true;
    }
    refreshRules();
    pendingEvent_ = event;
    // With the choice still open the position is not final: a stalemate without the new piece
    // may be a checkmate with it.
    if (!state_.promotionPending) {
        drawnByRule_ = false;
        recordMove(history_, position_, state_.sideToMove, pending_);
    }
    tell([&](GameObserver& o) { o.moveMade(*this, event); });
    if (!state_.promotionPending)
        checkForEnd();
    return Refusal::None;
}

bool Game::completePromotion(int pieceCode) {
    if (!state_.promotionPending ||
        !promotePawn(position_, state_.promotionColour, state_.promotionPawnIndex, pieceCode))
        return false;
    state_.promotionPending = false;
    refreshRules();
    pending_.squares.promotion = pieceCode;
    pending_.san.promotion = pieceCode;
    drawnByRule_ = false;
    recordMove(history_, position_, state_.sideToMove, pending_);
    const MoveEvent event = pendingEvent_;
    tell([&](GameObserver& o) { o.promotionChosen(*this, event, pieceCode); });
    checkForEnd();
    return true;
}

bool Game::playMove(const MoveSquares& move) {
    if (!state_.boardOpen())
        return false;
    const int side = colourOf(state_.sideToMove);
    int ordinal = -1;
    const Fig* p = legalMove(position_, side, move, ordinal);
    if (!p || !selectPiece(side, p->kind, p->index) || !executeMove(ordinal))
        return false;
    return !move.promotion || completePromotion(move.promotion);
}

bool Game::revokeLastMove() {
    if (state_.promotionPending)
        return false;
    // The peer may take back only the move just played: one revoke, then none until the next.
    const int mover = korvane::revokeLastMove(position_);
    if (mover < 0)
        return false;
    state_.sideToMove = turnOf(mover);
    state_.selection = PieceId::none();
    history_.pop();
    refreshRules();
    tell([&](GameObserver& o) { o.moveTakenBack(*this); });
    return true;
}

int Game::undoLastMove() {
    if (history_.empty() || !history_.moves().back().undo.moved.valid)
        return -1;
    position_.board.record = history_.moves().back().undo;
    const int mover = korvane::revokeLastMove(position_);
    if (mover < 0)
        return -1;
    history_.pop();
    position_.board.record = history_.empty() ? MoveRecord() : history_.moves().back().undo;
    return mover;
}

bool Game::takeBack() {
    // A draw by rule leaves nobody to move, yet its last move may still go back.
    const bool over = !isColour(state_.sideToMove) && !drawnByRule_;
    if (over || state_.promotionPending || state_.joinPending || state_.networkGame() ||
        state_.question != Question::None)
        return false;
    // The position of a drawn game is the history's last; nobody to move is no new game.
    if (!drawnByRule_)
        syncHistory();
    // The move's own undo record puts the position back at once, however long the game. Only
    // a peer's join forgets the records, and a network game takes nothing back this way.
    const int mover = undoLastMove();
    if (mover < 0)
        return false;
    state_.sideToMove = turnOf(mover);
    clearTransient();
    refreshRules();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    return true;
}

void Game::syncHistory() {
    if (history_.currentKey() != positionKey(position_, state_.sideToMove))
        history_.start(position_, state_.sideToMove);
}

// ---------------------------------------------------------------- the end

void Game::checkForEnd() {
    const Ending end = gameEnd();
    if (end == Ending::None) {
        // Both peers of a network game see the same position, so both end it here alike.
        const DrawReason draw = drawRulesEndGame_ ? automaticDraw() : DrawReason::None;
        if (draw != DrawReason::None)
            endInDraw(draw);
        return;
    }
    GameResult result;
    result.outcome = end == Ending::Checkmate ? Outcome::Checkmate : Outcome::Stalemate;
    // The mated side is still the side to move.
    result.winner = state_.sideToMove == Turn::White ? Black : White;
    tell([&](GameObserver& o) { o.gameEnded(*this, result); });
}

void Game::endInDraw(DrawReason reason) {
    // Nobody is to move: the board closes and nothing looks selectable.
    state_.sideToMove = Turn::Over;
    drawnByRule_ = true;
    state_.selection = PieceId::none();
    GameResult result;
    result.outcome = Outcome::DrawByRule;
    result.draw = reason;
    tell([&](GameObserver& o) { o.gameEnded(*this, result); });
}

bool Game::claimDraw() {
    if (state_.networkGame() || state_.joinPending || state_.question != Question::None)
        return false;
    return endByClaim();
}

bool Game::endByClaim() {
    if (!isColour(state_.sideToMove) || state_.promotionPending)
        return false;
    const DrawReason reason = canClaimDraw();
    if (reason == DrawReason::None)
        return false;
    endInDraw(reason);
    return true;
}

void Game::openQuestion(Question question, bool mine) {
    state_.question = question;
    state_.questionMine = mine;
    tell([&](GameObserver& o) { o.questionOpened(*this); });
}

void Game::closeQuestion(bool drawAgreed) {
    state_.question = Question::None;
    state_.questionMine = false;
    if (drawAgreed)
        state_.sideToMove = Turn::Over;
    tell([&](GameObserver& o) { o.questionClosed(*this, drawAgreed); });
    if (drawAgreed) {
        GameResult result;
        result.outcome = Outcome::AgreedDraw;
        tell([&](GameObserver& o) { o.gameEnded(*this, result); });
    }
}

void Game::endGame(Outcome outcome, int winner) {
    state_.sideToMove = Turn::Over;
    state_.question = Question::None;
    state_.questionMine = false;
    state_.promotionPending = false;
    state_.joinPending = false;
    state_.selection = PieceId::none();
    GameResult result;
    result.outcome = outcome;
    result.winner = winner;
    tell([&](GameObserver& o) { o.gameEnded(*this, result); });
}

// ---------------------------------------------------------------- a guest's join

void Game::beginJoin(Turn sideToMove) {
    position_.clearAll();
    for (int colour = 0; colour < 2; ++colour)
        position_.king(colour).hasMoved = true;
    state_.sideToMove = sideToMove;
    clearTransient();
    state_.joinPending = true;
    checkSquare_[0] = checkSquare_[1] = -1;
    tell([&](GameObserver& o) { o.positionChanged(*this); });
}

bool Game::applyPieceState(int colour, int kind, int index, bool alive, int x, int y) {
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

void Game::finishJoin(const PositionDetails* details) {
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
    refreshRules();
    drawnByRule_ = false;
    history_.start(position_, state_.sideToMove);
    tell([&](GameObserver& o) { o.positionChanged(*this); });
}

} // namespace korvane
