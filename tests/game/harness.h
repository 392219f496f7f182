// The game with its real board presenter, screens view and cues painting on recording
// stand-ins, for the tests of the game and of what its views show.
#pragma once

#include "game/cues.h"
#include "game/game.h"
#include "gui/game_view.h"
#include "gui/game_windows.h"
#include "rules/fen.h"
#include "rules/make_move.h"
#include "scene/board_canvas.h"
#include "scene/board_presenter.h"
#include "tests/support/pairing.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::testing {

struct RecordingBoard : BoardCanvas {
    std::map<std::string, bool> visible;            // "colour,kind,index"
    std::map<std::string, std::vector<int>> square; // file, rank
    std::vector<int> lastRepaint{-2, -2};
    std::vector<int> green;
    std::vector<std::string> marked;
    bool arrowShown = false;
    int check[2] = {-1, -1}; // the square of each side's king in check

    static std::string key(int c, int k, int i) {
        return std::to_string(c) + "," + std::to_string(k) + "," + std::to_string(i);
    }
    void setPieceVisible(int c, int k, int i, bool v) override { visible[key(c, k, i)] = v; }
    void placePiece(int c, int k, int i, int x, int y) override { square[key(c, k, i)] = {x, y}; }
    void repaintSquares(int from, int to) override {
        lastRepaint = {from, to};
        green.clear();
    }
    void paintTargets(const int* squares, int count) override {
        green.assign(squares, squares + count);
    }
    void resetPieceLooks(int) override { marked.clear(); }
    void markMovable(int c, int k, int i) override { marked.push_back(key(c, k, i)); }
    void showArrow(int, int) override { arrowShown = true; }
    void hideArrow() override { arrowShown = false; }
    void kingInCheck(int c, int sq) override { check[c] = sq; }
};

struct RecordingScreens : GameWindows {
    std::map<std::string, bool> shown;
    std::vector<std::string> activated;
    int statusSide = -9;
    void showWindow(const std::string& n) override { shown[n] = true; }
    void hideWindow(const std::string& n) override { shown[n] = false; }
    void activateWindow(const std::string& n) override { activated.push_back(n); }
    void showSideToMove(int side) override { statusSide = side; }
    bool isShown(const std::string& n) const {
        auto it = shown.find(n);
        return it != shown.end() && it->second;
    }
};

struct Harness {
    BoardMarks marks;
    CueSettings cues;
    RecordingBoard board;
    RecordingScreens screens;
    std::vector<std::pair<Cue, int>> sounds; // what was heard, on which square
    int turns = 0;                           // half turns of the view
    bool flipped = false;                    // the view is on Black's side
    BoardPresenter presenter{board, marks};
    GameScreensView view{screens};
    GameCues gameCues{cues, CueHooks{[this] { turn(); },
                                     [this](bool blackSide) {
                                         if (blackSide != flipped)
                                             turn();
                                     },
                                     [this](Cue c, int sq) {
                                         sounds.push_back({c, sq});
                                     }}};
    Game game{false};
    const Position& position = game.position();
    const GameState& state = game.state();

    explicit Harness(const char* fen = nullptr) {
        game.addObserver(presenter);
        game.addObserver(view);
        game.addObserver(gameCues);
        seatAs(game, Pairing::Local);
        std::string error;
        if (fen) {
            if (!game.setUp(fen, &error))
                throw std::runtime_error("bad test FEN: " + error);
        } else {
            game.newGame();
        }
    }

    void turn() {
        ++turns;
        flipped = !flipped;
    }

    std::string fen() const { return writeFen(position, state.sideToMove); }

    static int square(const std::string& name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

    // Plays "e2e4" (optionally "a7a8q") by selection and ordinal, as a click would.
    bool play(const std::string& move) {
        const int from = square(move.substr(0, 2)), to = square(move.substr(2, 2));
        const Fig* p = position.findPieceAt(colourOf(state.sideToMove), from % 8, from / 8);
        if (!p || !game.selectPiece(p->colour, p->kind, p->index))
            return false;
        for (int k = 0; k < p->moveCount; ++k)
            if (p->moves[k] == to) {
                if (!game.executeMove(k))
                    return false;
                if (move.size() == 5)
                    return game.completePromotion(int(std::string("rnbq").find(move[4])) + 1);
                return true;
            }
        return false;
    }

    // The peer's actions, through the game's doors as the network session makes them.
    bool receivePieceSelected(int kind, int index) {
        return game.selectPiece(colourOf(state.sideToMove), kind, index);
    }
    bool receiveMove(int kind, int index, int ordinal) {
        const int side = colourOf(state.sideToMove);
        return game.submit(side, moveOf(position, side, {kind, index, ordinal})) == Refusal::None;
    }
    bool receivePromotion(int pawnIndex, int pieceCode) {
        return state.promotionPending && state.promotionPawnIndex == pawnIndex &&
               game.completePromotion(pieceCode);
    }

    std::vector<int> movesOf(const std::string& squareName) const {
        const int sq = square(squareName);
        const Fig* p = position.findPieceAt(White, sq % 8, sq / 8);
        if (!p)
            p = position.findPieceAt(Black, sq % 8, sq / 8);
        if (!p)
            return {};
        return std::vector<int>(p->moves, p->moves + p->moveCount);
    }

    bool lists(const std::string& from, const std::string& to) const {
        for (int sq : movesOf(from))
            if (sq == square(to))
                return true;
        return false;
    }
};

} // namespace korvane::testing
