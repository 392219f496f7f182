// Recording stand-ins for the scene, screens, sound and peer, and a harness that wires a game
// flow to them.
#pragma once

#include "fen.h"
#include "flow.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane::testing {

struct RecordingBoard : BoardView {
    std::map<std::string, bool> visible; // "colour,kind,index"
    std::map<std::string, std::vector<float>> position;
    std::vector<int> lastRepaint{-2, -2};
    std::vector<int> green;
    std::vector<std::string> marked;
    bool arrowShown = false;
    int turns = 0;

    static std::string key(int c, int k, int i) {
        return std::to_string(c) + "," + std::to_string(k) + "," + std::to_string(i);
    }
    void setPieceVisible(int c, int k, int i, bool v) override { visible[key(c, k, i)] = v; }
    void setPiecePosition(int c, int k, int i, float x, float y, float z) override {
        position[key(c, k, i)] = {x, y, z};
    }
    void repaintSquares(int from, int to) override {
        lastRepaint = {from, to};
        green.clear();
    }
    void paintSquares(const int* squares, int count, const std::string& material) override {
        if (material == "Desk/Green")
            green.assign(squares, squares + count);
    }
    void resetPieceLooks(int) override { marked.clear(); }
    void markMovable(int c, int k, int i) override { marked.push_back(key(c, k, i)); }
    void showArrow(int, int) override { arrowShown = true; }
    void hideArrow() override { arrowShown = false; }
    void turnView() override { ++turns; }
    int check[2] = {-1, -1}; // the square of each side's king in check
    void kingInCheck(int c, int square) override { check[c] = square; }
};

struct RecordingScreens : ScreenView {
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

struct RecordingSounds : SoundPlayer {
    std::vector<std::pair<Effect, std::vector<float>>> played;
    void playEffect(Effect e, float x, float y, float z) override {
        played.push_back({e, {x, y, z}});
    }
};

// What the rules told the peer, one text per call: "select k i", "move k i o", "promote p c".
struct RecordingPeer : PeerLink {
    std::vector<std::string> sent;
    int sideChanges = 0;
    void pieceSelected(int k, int i) override {
        sent.push_back("select " + std::to_string(k) + " " + std::to_string(i));
    }
    void movePlayed(int k, int i, int o) override {
        sent.push_back("move " + std::to_string(k) + " " + std::to_string(i) + " " +
                       std::to_string(o));
    }
    void promotionChosen(int p, int c) override {
        sent.push_back("promote " + std::to_string(p) + " " + std::to_string(c));
    }
    void sideToMoveChanged() override { ++sideChanges; }
};

struct Harness {
    Position position;
    GameState state;
    FlowSettings settings;
    RecordingBoard board;
    RecordingScreens screens;
    RecordingSounds sounds;
    RecordingPeer peer;
    GameFlow flow{position, state, settings, board, screens, sounds, peer};

    explicit Harness(const char* fen = nullptr) {
        state.gameMode = GameMode::Local;
        if (fen) {
            std::string error;
            if (!loadFen(position, state, fen, &error))
                throw std::runtime_error("bad test FEN: " + error);
        } else {
            flow.newGame();
        }
    }

    std::string fen() const { return writeFen(position, state.sideToMove); }

    static int square(const std::string& name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

    // Plays "e2e4" (optionally "a7a8q") by selection and ordinal, as a click would.
    bool play(const std::string& move) {
        const int from = square(move.substr(0, 2)), to = square(move.substr(2, 2));
        Fig* p = position.findPieceAt(colourOf(state.sideToMove), from % 8, from / 8);
        if (!p || !flow.selectPiece(p->colour, p->kind, p->index, true))
            return false;
        for (int k = 0; k < p->moveCount; ++k)
            if (p->moves[k] == to) {
                if (!flow.executeMove(k, true))
                    return false;
                if (move.size() == 5)
                    return flow.completePromotion(std::string("rnbq").find(move[4]) + 1);
                return true;
            }
        return false;
    }

    std::vector<int> movesOf(const std::string& squareName) {
        const int sq = square(squareName);
        Fig* p = position.findPieceAt(White, sq % 8, sq / 8);
        if (!p)
            p = position.findPieceAt(Black, sq % 8, sq / 8);
        if (!p)
            return {};
        return std::vector<int>(p->moves, p->moves + p->moveCount);
    }

    bool lists(const std::string& from, const std::string& to) {
        for (int sq : movesOf(from))
            if (sq == square(to))
                return true;
        return false;
    }
};

} // namespace korvane::testing
