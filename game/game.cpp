#include "game.h"

#include "rules/fen.h"
#include "rules/make_move.h"
#include "rules/plausible.h"
#include "rules/replay.h"

#include <algorithm>
#include <chrono>

namespace korvane {

Game::Game(bool drawRulesEndGame) : drawRulesEndGame_(drawRulesEndGame) {
    now_ = [] {
        using namespace std::chrono;
        return Millis(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
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
    state_.paused = false;
    drawnByRule_ = false;
    result_.reset();
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

void Game::seat(Player& white, Player& black) {
    seated_[0] = &white;
    seated_[1] = &black;
    state_.players = Players{white.kind(), black.kind()};
    state_.joining = false;
    state_.paused = false;
    if (state_.networkGame())
        startClock();
    tell([&](GameObserver& o) { o.playersChanged(*this); });
    askForMove();
}

void Game::seatAgainst(Player& opponent, int localColour) {
    if (localColour == Black)
        seat(opponent, local_);
    else
        seat(local_, opponent);
}

// ---------------------------------------------------------------- the clock

void Game::startClock() {
    clock_.reset(state_.networkGame() ? TimeControl::none() : control_);
    clockBefore_.clear();
}

void Game::syncClock() {
    if (!clock_.any())
        return;
    const Millis t = now();
    const bool live = state_.playing() && isColour(state_.sideToMove) && !state_.joinPending &&
                      !state_.paused && gameEnd() == Ending::None;
    if (!live) {
        clock_.stop(t);
        return;
    }
    // The mover's clock goes on while its promotion choice is open, as over the board.
    clock_.run(state_.promotionPending ? state_.promotionColour : colourOf(state_.sideToMove), t);
}

void Game::announceEnd(const GameResult& result) {
    result_ = result;
    tell([&](GameObserver& o) { o.gameEnded(*this, result); });
}

void Game::tick() {
    if (!clock_.any() || clock_.running() < 0 || !state_.playing())
        return;
    const int side = clock_.flagged(now());
    if (side >= 0)
        flagFall(side);
}

void Game::flagFall(int side) {
    clock_.stop(now());
    state_.sideToMove = Turn::Over;
    state_.question = Question::None;
    state_.questionMine = false;
    state_.promotionPending = false;
    state_.selection = PieceId::none();
    GameResult result;
    result.outcome = Outcome::Time;
    result.flagged = side;
    result.winner = cannotCheckmate(position_, 1 - side) ? -1 : 1 - side;
    announceEnd(result);
}

bool Game::pause() {
    if (!state_.localGame() || !clock_.any() || state_.paused || clock_.running() < 0)
        return false;
    state_.paused = true;
    state_.selection = PieceId::none();
    clock_.stop(now());
    tell([&](GameObserver& o) { o.clockChanged(*this); });
    return true;
}

bool Game::resume() {
    if (!state_.paused)
        return false;
    state_.paused = false;
    syncClock();
    tell([&](GameObserver& o) { o.clockChanged(*this); });
    askForMove();
    return true;
}

void Game::askForMove() {
    syncClock();
    if (!state_.boardOpen() || gameEnd() != Ending::None)
        return;
    const int side = colourOf(state_.sideToMove);
    if (Player* player = seated_[side])
        player->yourMove(*this, side);
}

void Game::leave() {
    dropHalfJoin();
    seated_[0] = seated_[1] = nullptr;
    result_.reset();
    state_.players = Players();
    state_.paused = false;
    clock_.stop(now());
    state_.joining = false;
    state_.joinPending = false;
    state_.promotionPending = false;
    state_.selection = PieceId::none();
    tell([&](GameObserver& o) { o.playersChanged(*this); });
}

void Game::awaitSeat() {
    seated_[0] = seated_[1] = nullptr;
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
    startClock();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    askForMove();
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
    startClock();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    askForMove();
    return true;
}

bool Game::loadGame(const std::string& startFen, const std::vector<Move>& moves,
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
    startClock();
    refreshRules();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    // A game loaded at its end (mate, stalemate, a draw by itself) shows that end at once.
    checkForEnd();
    askForMove();
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
    return s.any() && submit(s.colour, moveOf(position_, s.colour, {s.kind, s.index, ordinal})) ==
                          Refusal::None;
}

Refusal Game::submit(int side, const Move& move) {
    if (!isColour(state_.sideToMove) || turnOf(side) != state_.sideToMove)
        return Refusal::NotYourTurn;
    if (!state_.boardOpen())
        return Refusal::BoardClosed;
    const Millis t = now();
    if (clock_.any() && clock_.flagged(t) >= 0) {
        // The move came after the flag fell, before a frame noticed it.
        flagFall(clock_.flagged(t));
        return Refusal::TimeUp;
    }
    int ordinal = -1;
    Fig* pp = moverOf(position_, side, move, ordinal);
    if (!pp)
        return Refusal::NotLegal;
    Fig& p = *pp;
    const bool promotes = reachesLastRank(p, move.to.index);
    if (move.promotion != 0 && !promotionFits(p, move))
        return Refusal::NotLegal;

    syncHistory();
    MoveEvent event;
    event.move = Move(move.from, move.to);
    event.piece = PieceId{p.colour, p.kind, p.index};
    event.ordinal = ordinal;
    pending_ = startMove(position_, p, move.to.index);
    state_.sideToMove = opposite(state_.sideToMove);
    state_.selection = PieceId::none();
    if (promotes) {
        state_.promotionPending = true;
        state_.promotionColour = p.colour;
        state_.promotionPawnIndex = p.index;
        event.promotionPending = true;
    }
    refreshRules();
    pendingEvent_ = event;
    // With the choice still open the position is not final: a stalemate without the new piece
    // may be a checkmate with it.
    const ClockReading before = clock_.reading(t);
    if (!state_.promotionPending) {
        drawnByRule_ = false;
        recordMove(history_, position_, state_.sideToMove, pending_);
        clockBefore_.push_back(before);
        clock_.press(t);
    } else {
        pendingClock_ = before;
    }
    tell([&](GameObserver& o) { o.moveMade(*this, event); });
    if (!state_.promotionPending) {
        checkForEnd();
        askForMove();
    } else if (move.promotion != 0) {
        // A player that knows its piece at once (an engine, a game file) has it placed now.
        completePromotion(move.promotion);
    }
    return Refusal::None;
}

bool Game::completePromotion(int pieceCode) {
    const Millis t = now();
    if (state_.promotionPending && clock_.any() && clock_.flagged(t) >= 0) {
        flagFall(clock_.flagged(t));
        return false;
    }
    if (!state_.promotionPending ||
        !position_.promote(state_.promotionColour, state_.promotionPawnIndex, pieceCode))
        return false;
    state_.promotionPending = false;
    refreshRules();
    pending_.squares.promotion = pieceCode;
    pending_.san.promotion = pieceCode;
    drawnByRule_ = false;
    recordMove(history_, position_, state_.sideToMove, pending_);
    clockBefore_.push_back(pendingClock_);
    clock_.press(t);
    const MoveEvent event = pendingEvent_;
    tell([&](GameObserver& o) { o.promotionChosen(*this, event, pieceCode); });
    checkForEnd();
    askForMove();
    return true;
}

bool Game::playMove(const Move& move) {
    const int side = colourOf(state_.sideToMove);
    return state_.boardOpen() && legalMove(position_, side, move) &&
           submit(side, move) == Refusal::None;
}

bool Game::revokeLastMove() {
    if (state_.promotionPending)
        return false;
    // The peer may take back only the move just played: one revoke, then none until the next.
    const int mover = position_.undoMove();
    if (mover < 0)
        return false;
    restoreClock();
    result_.reset();
    state_.sideToMove = turnOf(mover);
    state_.selection = PieceId::none();
    history_.pop();
    refreshRules();
    tell([&](GameObserver& o) { o.moveTakenBack(*this); });
    askForMove();
    return true;
}

void Game::restoreClock() {
    // Called before the history forgets its last move: the clocks go back to what they were
    // before it, the mover's running again.
    if (clockBefore_.size() != history_.size() || clockBefore_.empty())
        return;
    clock_.restore(clockBefore_.back(), now());
    clockBefore_.pop_back();
}

int Game::undoLastMove() {
    if (history_.empty() || !history_.moves().back().undo.moved.valid)
        return -1;
    const int mover = position_.undoMove(history_.moves().back().undo);
    if (mover < 0)
        return -1;
    restoreClock();
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
    askForMove();
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
    announceEnd(result);
}

void Game::endInDraw(DrawReason reason) {
    // Nobody is to move: the board closes and nothing looks selectable.
    state_.sideToMove = Turn::Over;
    drawnByRule_ = true;
    state_.selection = PieceId::none();
    GameResult result;
    result.outcome = Outcome::DrawByRule;
    result.draw = reason;
    syncClock();
    announceEnd(result);
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
        syncClock();
        announceEnd(result);
    } else {
        askForMove();
    }
}

void Game::dropHalfJoin() {
    // A host's position that stopped half-way is no position: the board goes back to the start.
    if (state_.joinPending)
        newGame();
}

void Game::endGame(Outcome outcome, int winner) {
    dropHalfJoin();
    state_.sideToMove = Turn::Over;
    state_.question = Question::None;
    state_.questionMine = false;
    state_.promotionPending = false;
    state_.joinPending = false;
    state_.selection = PieceId::none();
    GameResult result;
    result.outcome = outcome;
    result.winner = winner;
    syncClock();
    announceEnd(result);
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

bool Game::finishJoin(const PositionDetails* details, std::string* why) {
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
    if (!plausiblePosition(position_, state_.sideToMove, why)) {
        // Played on, it would let kings be taken and pieces stack.
        leave();
        return false;
    }
    state_.joinPending = false;
    refreshRules();
    drawnByRule_ = false;
    history_.start(position_, state_.sideToMove);
    startClock();
    tell([&](GameObserver& o) { o.positionChanged(*this); });
    askForMove();
    return true;
}

} // namespace korvane
