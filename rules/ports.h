// The rules library reaches the scene, the GUI, the sound and the network only through the
// small interfaces below, so that it builds and is tested without any of those libraries.
// Everything is plain C++: colours, kinds, indices and squares are ints, window names strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvane {

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
};

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
};

// Implemented by the sound manager.
class SoundPlayer {
  public:
    enum Effect : int { Select = 0, Move = 1 };
    virtual ~SoundPlayer() = default;
    virtual void playEffect(Effect effect, float worldX, float worldY, float worldZ) = 0;
};

// Implemented by the network layer.
class PeerLink {
  public:
    virtual ~PeerLink() = default;
    // Send one complete game message (identifier byte first, final zero byte included).
    // The rules build PieceSelected (89), Move (85) and Promotion (86) themselves.
    virtual void sendToPeer(const std::uint8_t* bytes, std::size_t length) = 0;
    // Host role only: after every completed move the side-to-move byte of the host info
    // block becomes sideToMove + 1 and the block is stored again.
    virtual void hostSideToMoveChanged(int sideToMove) = 0;
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
    void sendToPeer(const std::uint8_t*, std::size_t) override {}
    void hostSideToMoveChanged(int) override {}
};

// The game fields the frame listener owns and the game flow interprets.
struct GameState {
    // -1 no game, 0 local game, 1 network game as White, 2 network game as Black,
    // 3 connecting to a host. Above 0 counts as a network game.
    int gameMode = -1;
    // 0 White, 1 Black, -1 game over (resignation or accepted draw).
    int sideToMove = 0;
    // An open draw offer or revoke request: nobody moves until it is answered. Kept apart
    // from sideToMove so that a frozen White-to-move board is frozen too.
    bool boardFrozen = false;

    int selectionColour = 0;
    int selectionKind = -2; // -2: nothing selected
    int selectionIndex = 0;

    bool promotionPending = false;
    int promotionColour = 0;
    int promotionPawnIndex = 0;

    // The move that led to a pending promotion, sent together with the choice.
    bool deferredSend = false;
    int deferredKind = 0;
    int deferredIndex = 0;
    int deferredOrdinal = 0;

    bool viewFlipped = false;
    bool hostRole = false;

    bool networkGame() const { return gameMode > 0; }
    // The board takes a move or selection only in this state.
    bool boardOpen() const {
        return (sideToMove == 0 || sideToMove == 1) && !boardFrozen && !promotionPending;
    }
};

// The settings flags the game flow reads (the in-memory settings copies).
struct FlowSettings {
    bool highlighting = false;         // movable pieces and target squares
    bool lastMoveHighlighting = false; // mark the last move's squares
    bool flipView = false;             // local game: turn the view to the side to move
    bool sounds = false;
};

// Message identifiers the rules build and read.
enum RulesMessageId : std::uint8_t {
    MsgMove = 85,
    MsgPromotion = 86,
    MsgPieceState = 87,
    MsgPieceSelected = 89,
};

} // namespace korvane
