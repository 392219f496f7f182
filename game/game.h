// The game on the board: its position, history, whose move it is, the selection, a pending
// promotion, an open question and the result. The Game is the only writer of all of them;
// players act through its doors, which refuse what does not fit the moment, and views follow
// it as GameObservers.
#pragma once

#include "clock.h"
#include "game_state.h"
#include "observer.h"
#include "player.h"
#include "rules/draw.h"
#include "rules/history.h"
#include "rules/position.h"
#include "rules/san.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

class Replay;

// Why a move or selection was refused.
enum class Refusal { None, NotYourTurn, BoardClosed, NotLegal, TimeUp };

class Game {
  public:
    // `drawRulesEndGame`: insufficient material, fivefold repetition and the 75-move rule end
    // the game. The game on screen has it; tests that play on through such positions do not.
    explicit Game(bool drawRulesEndGame = true);
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Observers are told in the order they were added; each must outlive the game or be
    // removed first.
    void addObserver(GameObserver& observer);
    void removeObserver(GameObserver& observer);

    // ---- queries ----
    const Position& position() const { return position_; }
    const GameState& state() const { return state_; }
    const GameHistory& history() const { return history_; }
    PieceId selection() const { return state_.selection; }
    // The selected piece, or null when nothing is selected.
    const Fig* selectedPiece() const;
    // The square of the king of `colour` while it stands in check, -1 otherwise.
    int checkSquare(int colour) const { return checkSquare_[colour == Black ? 1 : 0]; }
    bool sideInCheck(int colour) const { return checkSquare(colour) >= 0; }
    // The state after the last position change, for the side to move.
    Ending gameEnd() const;
    // The position as FEN, with the game's half-move clock and move number.
    std::string fen() const;
    // The draw the side to move may claim now (threefold repetition, fifty-move rule), or None.
    DrawReason canClaimDraw() const;
    // The draw that has ended the game by itself, or None.
    DrawReason automaticDraw() const;
    // What the position holds beyond its placement, for a guest that joins.
    PositionDetails details() const;
    // How the game ended, or nothing while it goes on (or nobody plays).
    const std::optional<GameResult>& result() const { return result_; }
    // The last move can be taken back by its undo record.
    bool canRevoke() const { return position_.board.record.moved.valid; }

    // ---- the clock ----
    // Milliseconds on a steady clock; the game's own by default, a test's number otherwise.
    void setTimeSource(std::function<Millis()> now) { now_ = std::move(now); }
    Millis now() const { return now_(); }
    // The control of the games begun from now on (a new game, a set-up, a loaded game); a
    // network game has none.
    void setTimeControl(const TimeControl& control) { control_ = control; }
    const TimeControl& timeControl() const { return control_; }
    const ChessClock& clock() const { return clock_; }
    // Once a frame: a clock that has run out ends the game.
    void tick();
    // A local game with a clock stops both clocks and closes the board until resume(). False
    // in any other game, or when there is nothing to pause or resume.
    bool pause();
    bool resume();

    // ---- setting a game up ----
    // Who plays: a game is set up by choosing its two players (one player may play both
    // sides). Each must stay alive while seated: until the next seat or leave().
    void seat(Player& white, Player& black);
    // The player at this board against `opponent`, with `localColour`.
    void seatAgainst(Player& opponent, int localColour);
    // Both sides at this board.
    void seatLocal() { seat(local_, local_); }
    // The player at this board, whose moves are the board's clicks.
    Player& localPlayer() { return local_; }
    // `player` plays a side of this game.
    bool seats(const Player& player) const {
        return seated_[0] == &player || seated_[1] == &player;
    }
    // Nobody plays any more: a join, a promotion choice and a selection end with the game. A
    // join whose position has not all arrived leaves the board at a new game's start, here and
    // in endGame.
    void leave();
    // A guest connecting to a host waits to be seated by the host's block.
    void awaitSeat();
    // Both sets back to the start, White to move, the history a new game's.
    void newGame();
    // A position set up from FEN, with a history of its own; false with the reason, nothing
    // changed, when it cannot be loaded.
    bool setUp(const std::string& fen, std::string* error = nullptr);
    // A local game from `startFen` (empty: the usual start) with `moves` played on it, all or
    // nothing: false with the reason in `error` and the game untouched. Refused in a network
    // game.
    bool loadGame(const std::string& startFen, const std::vector<Move>& moves,
                  std::string* error = nullptr);
    // The same for a game already played through the rules (a game file read off the frame
    // loop): the board takes its position and history over as they are.
    bool loadGame(Replay& replayed, std::string* error = nullptr);

    // ---- the doors for moves ----
    // Selects a piece of the side to move. False (nothing changes) when the board is closed or
    // the piece is no alive piece of that side.
    bool selectPiece(int colour, int kind, int index);
    // No piece selected.
    void clearSelection();
    // The one door for moves: `move` played for `side`. A pawn reaching its last rank without
    // a promotion piece leaves the choice open for completePromotion; with one it completes
    // at once.
    Refusal submit(int side, const Move& move);
    // Plays entry `ordinal` of the selected piece's legal moves.
    bool executeMove(int ordinal);
    // Piece code 1 rook, 2 knight, 3 bishop, 4 queen. False when no promotion is pending or
    // the code is out of range.
    bool completePromotion(int pieceCode);
    // A legal move by its squares and, for a pawn reaching the last rank, its promotion piece,
    // as a click and the choice would play it. False, nothing changed, otherwise.
    bool playMove(const Move& move);
    // Takes the last move back completely by its undo record. False when there is none or its
    // promotion choice is still pending.
    bool revokeLastMove();
    // Takes back the last move of the history, any number of times down to the game's start.
    // False when there is no move, a promotion choice or a question is open, the game was
    // resigned or agreed drawn, or in a network game. A draw by rule goes with its last move.
    bool takeBack();
    // Nothing to take back any more (a peer that joins never saw the last move).
    void forgetLastMove() {
        position_.board.record = MoveRecord();
        history_.forgetUndo();
    }

    // ---- draws, questions and the end ----
    // Ends the game as a draw the side to move may claim. False when there is none, a question
    // or promotion is open, or in a network game (where a claim is a draw offer to the peer).
    bool claimDraw();
    // The same end for a claim the peer has settled: only that the claim still holds.
    bool endByClaim();
    // A question between the two players opens; `mine` when this program asked it.
    void openQuestion(Question question, bool mine);
    // The open question ends; `drawAgreed` when its answer was a draw agreed.
    void closeQuestion(bool drawAgreed = false);
    // The game ends without a move: resignation (`winner` the colour that won) or a peer
    // that left. Nobody moves any more.
    void endGame(Outcome outcome, int winner = -1);

    // ---- a guest's join ----
    // About to receive the host's position: every piece but the kings gone, nothing to take
    // back, the board closed until finishJoin.
    void beginJoin(Turn sideToMove);
    // One piece of the received position, placed without capturing anything. False for values
    // out of range (a king is never dead) or outside a join.
    bool applyPieceState(int colour, int kind, int index, bool alive, int x, int y);
    // The rest of the received position; opens the board. Without details castling rights are
    // guessed from the home squares. A position no game can reach is never played on: false
    // with the reason in `why`, the board back at a new game's start and nobody seated.
    bool finishJoin(const PositionDetails* details, std::string* why = nullptr);

  private:
    template <typename Call> void tell(Call call);
    void refreshRules();
    void checkForEnd();
    void endInDraw(DrawReason reason);
    void syncHistory();
    void adopt(Replay& replay);
    // Puts the history's last move back by its undo record, and makes the move before it the
    // one a revoke would take back next. Returns the colour that had moved, or -1 when the
    // record is gone.
    int undoLastMove();
    void clearTransient();
    void dropHalfJoin();
    // Asks the player of the side to move for its move, when the board waits for one. Runs
    // the clock of the side to move first (or stops both when nobody is to move).
    void askForMove();
    void syncClock();
    void startClock();
    void flagFall(int side);
    void restoreClock();
    void announceEnd(const GameResult& result);

    LocalPlayer local_;
    Player* seated_[2] = {nullptr, nullptr}; // White's and Black's
    std::function<Millis()> now_;
    TimeControl control_;
    ChessClock clock_;
    // The clocks before each move of the history, for taking it back; shorter than the
    // history when it begins with moves played without this game's clock (a loaded game).
    std::vector<ClockReading> clockBefore_;
    ClockReading pendingClock_; // before the move whose promotion is being chosen
    std::optional<GameResult> result_;
    Position position_;
    GameState state_;
    GameHistory history_;
    bool drawRulesEndGame_;
    PlayedMove pending_;       // the move being played, recorded once its promotion is chosen
    MoveEvent pendingEvent_;   // the same move as the observers saw it
    bool drawnByRule_ = false; // the game ended in a claimed or automatic draw
    int checkSquare_[2] = {-1, -1};
    std::vector<GameObserver*> observers_;
};

} // namespace korvane
