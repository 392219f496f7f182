// The board in the engine's scene: the 64 tiles, both piece sets (98 entities, most of them
// hidden promotion reserves), the selection arrow, and around them the frame with its labels,
// the table, the backdrop and the glow under a king in check. It paints what the board presenter
// tells it to and holds no game state of its own.
#pragma once

#include "board_canvas.h"
#include "rules/types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <OgrePrerequisites.h>

namespace korvane {

// The three piece materials, chosen once at start-up by the "Cartoon" setting.
struct PieceLooks {
    std::string white = "Fig/White";
    std::string black = "Fig/Black";
    std::string movable = "Fig/Moveable";

    static PieceLooks forCartoon(bool cartoon);
};

// The one scene-query bit of the pieces' shadow casters; queries other than the lamp's leave it
// out of their mask.
constexpr std::uint32_t kShadowCasterQueryFlag = 1u << 30;
// The visibility bit the picker's off-screen view draws; it sets it only on the entities a pick
// confirmation keeps, and whatever else the scene draws leaves it out.
constexpr std::uint32_t kPickOnlyFlag = 1u << 31;

// The dim room round the table, which the table fades into: the viewport's background.
constexpr float kRoomColour[3] = {0.11f, 0.095f, 0.085f};

// The ambient light, the lamp "MainLight" above the board's centre and, when `shadows`, the
// stencil-modulative shadows of the pieces: the one place the game and its benchmarks light the
// board.
void lightBoard(Ogre::SceneManager* sceneManager, bool shadows);

constexpr float kArrowSpinSpeed = 5.0f; // radians per second
// The arrow's tip over an empty square; over a piece it hovers kArrowGap above the piece's top.
constexpr float kArrowHeight = 1.8f;
constexpr float kArrowGap = 0.12f;

class BoardScene : public BoardCanvas {
  public:
    BoardScene(Ogre::SceneManager* sceneManager, PieceLooks looks);
    // The scene manager must outlive the board: the board takes its render queue hook back.
    ~BoardScene() override;
    BoardScene(const BoardScene&) = delete;
    BoardScene& operator=(const BoardScene&) = delete;

    // Creates the tiles (Field_00..Field_63, not casting shadows), the piece entities (white
    // set first; hidden, at the origin, black knights turned half round), the hidden arrow
    // "Arrow" on its node and the surroundings (none of them pickable or casting shadows),
    // then paints the checkerboard. Call once.
    void build();

    // BoardCanvas
    void setPieceVisible(int colour, int kind, int index, bool visible) override;
    void placePiece(int colour, int kind, int index, int x, int y) override;
    void repaintSquares(int lastMoveFrom, int lastMoveTo) override;
    void paintTargets(const int* squares, int count) override;
    void resetPieceLooks(int colour) override;
    void markMovable(int colour, int kind, int index) override;
    void showArrow(int x, int y) override;
    void hideArrow() override;
    void kingInCheck(int colour, int square) override;

    // Turns the arrow about its vertical axis for `seconds` of frame time.
    void spinArrow(float seconds);

    // Null for out-of-range arguments or before build().
    Ogre::Entity* tileEntity(int square) const;
    Ogre::Entity* pieceEntity(int colour, int kind, int index) const;
    Ogre::Entity* arrowEntity() const { return arrow_; }
    Ogre::SceneNode* arrowNode() const { return arrowNode_; }
    // The red glow under the king of `colour`; shown only while that king is in check.
    Ogre::Entity* checkGlow(int colour) const;
    Ogre::Entity* frameEntity() const { return frame_; }
    const PieceLooks& looks() const { return looks_; }
    Ogre::SceneManager* sceneManager() const { return sceneManager_; }

    // Current material name of a tile; empty for an unknown square.
    std::string tileMaterial(int square) const;
    // Whether a painted target square wears the capture frame (a piece stands on it).
    bool captureMarked(int square) const;

  private:
    void buildSurroundings();
    // Redraws the one mesh that shows all 64 squares from the tiles' materials.
    void syncSquares();
    // The visible piece standing on the square, or null.
    Ogre::Entity* pieceOn(int square) const;

    Ogre::SceneManager* sceneManager_;
    PieceLooks looks_;
    // Skips the render queue that is never drawn (see build()).
    std::unique_ptr<Ogre::RenderQueueListener> undrawnQueueSkip_;
    // The tiles carry the squares' names, materials and pick boxes but are not drawn: the
    // squares are drawn as one mesh, a draw per material in use instead of 64.
    Ogre::Entity* tiles_[64] = {};
    Ogre::ManualObject* squares_ = nullptr;
    Ogre::Entity* pieces_[2][6][10] = {};
    Ogre::Entity* casters_[2][6][10] = {}; // each piece's shadow, on the piece's node
    Ogre::Entity* arrow_ = nullptr;
    Ogre::SceneNode* arrowNode_ = nullptr;
    Ogre::Entity* frame_ = nullptr;
    Ogre::Entity* checkGlows_[2] = {};
    std::vector<Ogre::Entity*> captureMarks_;
};

} // namespace korvane
