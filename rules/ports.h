// The rules library reaches the scene, the GUI, the sound and the network only through the
// small interfaces below, so that it builds and is tested without any of those libraries.
// Everything is plain C++: colours, kinds, indices and squares are ints, window names strings;
// the game's own states are named types.
#pragma once

#include <string>

namespace korvane {

class GameHistory;
enum class DrawReason;

// Colour 0 White, 1 Black.
enum Colour : int { White = 0, Black = 1 };

// Piece kind codes; promotion piece codes are 1..4 (rook, knight, bishop, queen).
enum Kind : int {
    PawnKind = 0,
    RookKind = 1,
    KnightKind = 2,
    BishopKind = 3,
    QueenKind = 4,
    KingKind = 5
};

// Implemented by the 3D scene. A piece is named by (colour, kind, index within kind).
class BoardView {
  public:
    virtual ~BoardView() = default;
    // Show or hide the piece's entity.
    virtual void setPieceVisible(int colour, int kind, int index, bool visible) = 0;
    // Move the piece's node to the world position of square (x, y): (y + 0.5, 0, x + 0.5).
    virtual void setPiecePosition(int colour, int kind, int index, float worldX, float worldY,
                                  float worldZ) = 0;
    // Checkerboard repaint; lastMoveFrom / lastMoveTo are square indices to mark as the last
    // move, -1 for none. The rules pass -1 for both when last-move highlighting is off.
    virtual void repaintSquares(int lastMoveFrom, int lastMoveTo) = 0;
    // Paint the listed square tiles (indices 0..63) with the material, e.g. "Desk/Green".
    virtual void paintSquares(const int* squares, int count, const std::string& material) = 0;
    // Every entity of the side, dead or alive, back to that side's normal piece material.
    virtual void resetPieceLooks(int colour) = 0;
    // Give one piece the "movable" material; the rules call it for each piece with moves.
    virtual void markMovable(int colour, int kind, int index) = 0;
    // The selection arrow above square (x, y): world (y + 0.5, 1.8, x + 0.5).
    virtual void showArrow(int x, int y) = 0;
    virtual void hideArrow() = 0;
    // Turn the camera by pi around the board and place it; the rules keep the flipped flag.
    virtual void turnView() = 0;
    // After every refresh of the rules, for each colour: the square of that side's king when
    // it stands in check, -1 when it does not. Views without a check marker ignore it.
    virtual void kingInCheck(int colour, int square) {
        (void)colour;
        (void)square;
    }
};

// How a game ended, for the status bar.
enum class Outcome { Checkmate, Stalemate, Resignation, AgreedDraw };

// Implemented by the GUI. Names are the window catalogue names, e.g. "GameEnd/Checkmate".
class ScreenView {
  public:
    virtual ~ScreenView() = default;
    virtual void showWindow(const std::string& name) = 0;
    virtual void hideWindow(const std::string& name) = 0;
    virtual void activateWindow(const std::string& name) = 0;
    // Status bar for the side to move: 0 shows "StatusBar/WhiteOnMove" and hides
    // "StatusBar/BlackOnMove", 1 the reverse.
    virtual void showSideToMove(int side) = 0;
    // The status bar says how the game ended; `winner` (a colour) counts for checkmate and
    // resignation. It stays until the side to move is shown again.
    virtual void showGameOver(Outcome, int /*winner*/) {}
    // The status bar names the colour whose pawn waits for its promotion piece.
    virtual void showPromotionChoice(int /*colour*/) {}
    // The game's moves changed: one played, taken back, a new or loaded game.
    virtual void movesChanged(const GameHistory& /*history*/) {}
    // The game ended as a draw by a rule (claimed or by itself): "GameEnd/Draw" and the status
    // bar say which.
    virtual void showDrawnGame(DrawReason /*reason*/) {}
};

// Implemented by the sound manager.
class SoundPlayer {
  public:
    enum Effect : int { Select = 0, Move = 1 };
    virtual ~SoundPlayer() = default;
    virtual void playEffect(Effect effect, float worldX, float worldY, float worldZ) = 0;
};

// Implemented by the network session: what the rules tell the peer. The session turns each
// call into the message's bytes; the rules never see a byte.
class PeerLink {
  public:
    virtual ~PeerLink() = default;
    // A local selection of an own piece (kind, index within kind).
    virtual void pieceSelected(int kind, int index) = 0;
    // A completed local move: entry `ordinal` of the piece's legal-move list. A move that
    // promotes is reported only once the choice is made, followed by promotionChosen.
    virtual void movePlayed(int kind, int index, int ordinal) = 0;
    virtual void promotionChosen(int pawnIndex, int pieceCode) = 0;
    // After every completed move, local or received: the side to move changed.
    virtual void sideToMoveChanged() = 0;
};

// Do-nothing implementations, for perft, benchmarks and tests that do not look.
class NullBoardView : public BoardView {
  public:
    void setPieceVisible(int, int, int, bool) override {}
    void setPiecePosition(int, int, int, float, float, float) override {}
    void repaintSquares(int, int) override {}
    void paintSquares(const int*, int, const std::string&) override {}
    void resetPieceLooks(int) override {}
    void markMovable(int, int, int) override {}
    void showArrow(int, int) override {}
    void hideArrow() override {}
    void turnView() override {}
};

class NullScreenView : public ScreenView {
  public:
    void showWindow(const std::string&) override {}
    void hideWindow(const std::string&) override {}
    void activateWindow(const std::string&) override {}
    void showSideToMove(int) override {}
};

class NullSoundPlayer : public SoundPlayer {
  public:
    void playEffect(Effect, float, float, float) override {}
};

class NullPeerLink : public PeerLink {
  public:
    void pieceSelected(int, int) override {}
    void movePlayed(int, int, int) override {}
    void promotionChosen(int, int) override {}
    void sideToMoveChanged() override {}
};

// Which game is running and which side this program plays in it.
enum class GameMode : int {
    None = -1,
    Local = 0,
    NetworkWhite = 1, // a network game, this program plays White
    NetworkBlack = 2,
    Joining = 3,  // connecting to a host, nothing heard yet
    Computer = 4, // against a chess engine on this computer
};

// Whose move it is; Over after resignation, an agreed draw, or a new game's wait.
enum class Turn : int { Over = -1, White = 0, Black = 1 };

inline bool isColour(Turn t) {
    return t == Turn::White || t == Turn::Black;
}
inline Turn turnOf(int colour) {
    return colour == Black ? Turn::Black : Turn::White;
}
// Colour code of a side; only meaningful for White and Black.
inline int colourOf(Turn t) {
    return t == Turn::Black ? Black : White;
}
inline Turn opposite(Turn t) {
    return t == Turn::White ? Turn::Black : t == Turn::Black ? Turn::White : Turn::Over;
}
inline bool isNetworkGame(GameMode m) {
    return m == GameMode::NetworkWhite || m == GameMode::NetworkBlack;
}
// The colour this program plays in a network game.
inline int localColour(GameMode m) {
    return m == GameMode::NetworkBlack ? Black : White;
}
inline GameMode networkModeFor(int colour) {
    return colour == Black ? GameMode::NetworkBlack : GameMode::NetworkWhite;
}

// An open question between the two players of a network game. While one is open nobody
// moves, on either side, whoever's turn it is.
enum class Question { None, Draw, Revoke };

// The game fields the frame listener owns and the game flow interprets.
struct GameState {
    GameMode gameMode = GameMode::None;
    Turn sideToMove = Turn::White;
    Question question = Question::None;
    bool questionMine = false; // this program asked the open question
    // A guest that has the host's block but not yet the whole position.
    bool joinPending = false;

    int selectionColour = 0;
    int selectionKind = -2; // -2: nothing selected
    int selectionIndex = 0;

    bool promotionPending = false;
    int promotionColour = 0;
    int promotionPawnIndex = 0;

    // The move that led to a pending promotion, reported together with the choice.
    bool deferredSend = false;
    int deferredKind = 0;
    int deferredIndex = 0;
    int deferredOrdinal = 0;

    bool viewFlipped = false;
    bool hostRole = false;

    bool networkGame() const { return isNetworkGame(gameMode); }
    // The board takes a move or selection only in this state.
    bool boardOpen() const {
        return isColour(sideToMove) && question == Question::None && !promotionPending &&
               !joinPending;
    }
};

// The settings flags the game flow reads (the in-memory settings copies).
struct FlowSettings {
    bool highlighting = false;         // movable pieces and target squares
    bool lastMoveHighlighting = false; // mark the last move's squares
    bool flipView = false;             // local game: turn the view to the side to move
    bool sounds = false;
    // Insufficient material, fivefold repetition and the 75-move rule end the game. The game
    // on screen has it; searches, replays and tools play on through such positions.
    bool drawRulesEndGame = false;
};

} // namespace korvane
