// The board in a real Ogre scene on an X display (the test is run under xvfb-run): entity
// layout and materials through the rules, the orbit camera, and picking with the off-screen
// confirmation. Pictures of the start position are written next to the test for a look.
#include "game/game.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "scene/screen_points.h"
#include "tests/support/pairing.h"

#include <Ogre.h>
#include <gtest/gtest.h>

#include "tests/support/offscreen_environment.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

using namespace korvane;
using namespace korvane::testing;

namespace {

Ogre::Root* gRoot = nullptr;
Ogre::RenderWindow* gWindow = nullptr;
constexpr unsigned kWidth = 800, kHeight = 600;

// One scene as the game sets it up: lights, camera on its node, the board, a local game.
struct SceneFixture : public ::testing::Test {
    Ogre::SceneManager* sm = nullptr;
    Ogre::Camera* camera = nullptr;
    std::unique_ptr<BoardScene> board;
    std::unique_ptr<OrbitCamera> orbit;
    BoardMarks marks;
    std::unique_ptr<BoardPresenter> presenter;
    std::unique_ptr<Game> game;

    void build(bool shadows, bool cartoon) {
        sm = gRoot->createSceneManager();
        camera = sm->createCamera("DefaultCam");
        camera->setNearClipDistance(0.05f);
        sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        gWindow->removeAllViewports();
        Ogre::Viewport* vp = gWindow->addViewport(camera);
        vp->setBackgroundColour(Ogre::ColourValue(0.12f, 0.14f, 0.18f));
        camera->setAspectRatio(Ogre::Real(kWidth) / Ogre::Real(kHeight));
        board = std::make_unique<BoardScene>(sm, PieceLooks::forCartoon(cartoon));
        board->build();
        lightBoard(sm, shadows);
        orbit = std::make_unique<OrbitCamera>(camera);
        marks.movable = true;
        marks.lastMove = true;
        presenter = std::make_unique<BoardPresenter>(*board, marks);
        game = std::make_unique<Game>();
        game->addObserver(*presenter);
        seatAs(*game, Pairing::Local);
        game->newGame();
    }
    void SetUp() override { build(false, false); }
    void TearDown() override {
        game.reset();
        presenter.reset();
        gWindow->removeAllViewports();
        orbit.reset();
        board.reset();
        gRoot->destroySceneManager(sm);
    }
    std::string material(Ogre::Entity* e) { return e->getSubEntity(0)->getMaterialName(); }
    void shot(const std::string& file) {
        gWindow->update();
        gWindow->writeContentsToFile(file);
    }
    // The rendered window, read back.
    std::vector<unsigned char> pixels;
    void grab() {
        gWindow->update();
        pixels.assign(size_t(kWidth) * kHeight * 3, 0);
        Ogre::PixelBox box(kWidth, kHeight, 1, Ogre::PF_BYTE_RGB, pixels.data());
        gWindow->copyContentsToMemory(box, box);
    }
    Ogre::ColourValue colourAt(float x, float y) const {
        const size_t i = (size_t(std::clamp(y, 0.0f, kHeight - 1.0f)) * kWidth +
                          size_t(std::clamp(x, 0.0f, kWidth - 1.0f))) *
                         3;
        return Ogre::ColourValue(pixels[i] / 255.0f, pixels[i + 1] / 255.0f,
                                 pixels[i + 2] / 255.0f);
    }
    Ogre::ColourValue colourAt(const Ogre::Vector3& world) const {
        const WindowPoint p = worldToWindow(camera, world, kWidth, kHeight);
        return colourAt(p.x, p.y);
    }
    // Brightness (0..3) of the rendered window at a piece's projected centre.
    float brightnessAt(int colour, int kind, int index) {
        grab();
        const WindowPoint p = pieceCentre(*board, camera, colour, kind, index, kWidth, kHeight);
        const Ogre::ColourValue c = colourAt(p.x, p.y);
        return c.r + c.g + c.b;
    }
};

TEST_F(SceneFixture, TilesAndPiecesAreLaidOutAndNamed) {
    EXPECT_EQ(sm->getEntity("Field_09")->getParentSceneNode()->getPosition(),
              Ogre::Vector3(1, 0, 1));
    EXPECT_EQ(sm->getEntity("Field_63")->getParentSceneNode()->getPosition(),
              Ogre::Vector3(7, 0, 7));
    EXPECT_FALSE(sm->getEntity("Field_00")->getCastShadows());
    EXPECT_EQ(material(sm->getEntity("Field_00")), "Desk/Black");
    EXPECT_EQ(material(sm->getEntity("Field_07")), "Desk/White");
    EXPECT_EQ(material(sm->getEntity("Field_08")), "Desk/White");
    // e2 pawn and g8 knight of the start position.
    Ogre::Entity* pawn = sm->getEntity("Pawn_04");
    EXPECT_TRUE(pawn->isVisible());
    EXPECT_EQ(pawn->getParentSceneNode()->getPosition(), Ogre::Vector3(1.5f, 0, 4.5f));
    Ogre::Entity* blackKnight = sm->getEntity("KnigB_01");
    EXPECT_EQ(blackKnight->getParentSceneNode()->getPosition(), Ogre::Vector3(7.5f, 0, 6.5f));
    const Ogre::Vector3 faces =
        blackKnight->getParentSceneNode()->getOrientation() * Ogre::Vector3::UNIT_X;
    EXPECT_NEAR(faces.x, -1.0f, 1e-4f);
    EXPECT_NEAR(
        (sm->getEntity("Knig_01")->getParentSceneNode()->getOrientation() * Ogre::Vector3::UNIT_X)
            .x,
        1.0f, 1e-4f);
    // Reserves are hidden; the arrow exists and is hidden until a selection.
    EXPECT_FALSE(sm->getEntity("Quee_05")->isVisible());
    EXPECT_FALSE(sm->getEntity("QueeB_09")->isVisible());
    EXPECT_TRUE(sm->getEntity("KingB_00")->isVisible());
    EXPECT_FALSE(sm->getEntity("Arrow")->isVisible());
    int pieces = 0;
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 10; ++i)
                pieces += board->pieceEntity(c, k, i) != nullptr;
    EXPECT_EQ(pieces, 98);
}

TEST_F(SceneFixture, MovablePiecesLastMoveAndTargetsArePainted) {
    // Start: White's pawns and knights are movable, the rest keep their colour.
    EXPECT_EQ(material(sm->getEntity("Pawn_00")), "Fig/Moveable");
    EXPECT_EQ(material(sm->getEntity("Knig_00")), "Fig/Moveable");
    EXPECT_EQ(material(sm->getEntity("Rook_00")), "Fig/White");
    EXPECT_EQ(material(sm->getEntity("King_00")), "Fig/White");
    EXPECT_EQ(material(sm->getEntity("PawnB_00")), "Fig/Black");

    // Selecting b1's knight: a3 and c3 green, the arrow over b1.
    ASSERT_TRUE(game->selectPiece(0, KnightKind, 0));
    EXPECT_EQ(board->tileMaterial(16), "Desk/Green");
    EXPECT_EQ(board->tileMaterial(18), "Desk/Green");
    EXPECT_EQ(board->tileMaterial(17), "Desk/White");
    // The squares are drawn as one mesh apart from the tiles: it shows what they wear.
    auto greenOnScreen = [&](int square) {
        const Ogre::ColourValue c = colourAt(
            Ogre::Vector3(Ogre::Real(square / 8) + 0.5f, 0, Ogre::Real(square % 8) + 0.5f));
        return c.g > c.r + 0.1f;
    };
    grab();
    EXPECT_TRUE(greenOnScreen(16));
    EXPECT_TRUE(greenOnScreen(18));
    EXPECT_FALSE(greenOnScreen(17));
    EXPECT_TRUE(board->arrowEntity()->isVisible());
    // The arrow's tip hovers just over the knight's head, above b1.
    auto arrowTip = [&] {
        return board->arrowNode()->getPosition().y +
               board->arrowEntity()->getBoundingBox().getMinimum().y;
    };
    const float knightTop = sm->getEntity("Knig_00")->getBoundingBox().getMaximum().y;
    EXPECT_NEAR(board->arrowNode()->getPosition().x, 0.5f, 1e-5f);
    EXPECT_NEAR(board->arrowNode()->getPosition().z, 1.5f, 1e-5f);
    EXPECT_NEAR(arrowTip(), knightTop + kArrowGap, 1e-4f);
    const Ogre::Quaternion before = board->arrowNode()->getOrientation();
    board->spinArrow(0.1f);
    EXPECT_NEAR((board->arrowNode()->getOrientation() * before.Inverse()).getYaw().valueRadians(),
                0.5f, 1e-4f);

    // Over a pawn the arrow sits lower, just over the pawn.
    ASSERT_TRUE(game->selectPiece(0, PawnKind, 3));
    EXPECT_NEAR(arrowTip(), sm->getEntity("Pawn_03")->getBoundingBox().getMaximum().y + kArrowGap,
                1e-4f);
    EXPECT_LT(arrowTip(), knightTop);

    // g1-f3: g1 dark, f3 light.
    ASSERT_TRUE(game->selectPiece(0, KnightKind, 1));
    int ordinal = -1;
    const Fig* knight = game->position().pieceByKind(1, KnightKind, 0);
    for (int k = 0; k < knight->moveCount; ++k)
        if (knight->moves[k] == 21)
            ordinal = k;
    ASSERT_TRUE(game->executeMove(ordinal));
    EXPECT_EQ(board->tileMaterial(6), "Desk/BlackHighlighted");
    EXPECT_EQ(board->tileMaterial(21), "Desk/WhiteHighlighted");
    EXPECT_EQ(board->tileMaterial(16), "Desk/Black");
    grab();
    EXPECT_FALSE(greenOnScreen(16));
    EXPECT_EQ(material(sm->getEntity("PawnB_03")), "Fig/Moveable");
    EXPECT_EQ(material(sm->getEntity("Pawn_03")), "Fig/White");
}

TEST_F(SceneFixture, PiecesSmallOnScreenAreDrawnWithFewerTriangles) {
    std::vector<Ogre::Entity*> pieces;
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < 10; ++i)
                if (Ogre::Entity* e = board->pieceEntity(c, k, i); e && e->isVisible())
                    pieces.push_back(e);
    for (Ogre::Entity* e : pieces)
        e->setMeshLodBias(1, 0, 0);
    grab();
    const size_t full = gWindow->getStatistics().triangleCount;
    for (Ogre::Entity* e : pieces)
        e->setMeshLodBias(1);
    grab();
    EXPECT_LT(gWindow->getStatistics().triangleCount, full * 3 / 4);
    // White's side, nearer the camera, keeps more detail than Black's.
    EXPECT_LT(sm->getEntity("Pawn_03")->getCurrentLodIndex(),
              sm->getEntity("PawnB_03")->getCurrentLodIndex());
    EXPECT_LT(sm->getEntity("King_00")->getCurrentLodIndex(),
              sm->getEntity("KingB_00")->getCurrentLodIndex());
}

TEST_F(SceneFixture, CameraStartsBehindWhiteAndFlipsToBlack) {
    const Ogre::Vector3 p = camera->getDerivedPosition();
    EXPECT_NEAR(p.x, -3.07f, 0.01f);
    EXPECT_NEAR(p.y, 8.43f, 0.01f);
    EXPECT_NEAR(p.z, 3.99f, 0.01f);
    const Ogre::Vector3 toCentre = (Ogre::Vector3(4, 0, 4) - p).normalisedCopy();
    EXPECT_GT(camera->getDerivedDirection().dotProduct(toCentre), 0.9999f);
    // The board centre is in the middle of the window.
    const WindowPoint c = worldToWindow(camera, Ogre::Vector3(4, 0, 4), kWidth, kHeight);
    EXPECT_NEAR(c.x, kWidth / 2.0f, 0.5f);
    EXPECT_NEAR(c.y, kHeight / 2.0f, 0.5f);

    Ogre::Vector3 heard;
    orbit->setListenerHook([&](const Ogre::Vector3& pos, const Ogre::Quaternion&) { heard = pos; });
    orbit->flip();
    EXPECT_GT(camera->getDerivedPosition().x, 8.0f);
    EXPECT_EQ(heard, camera->getDerivedPosition());
    OrbitKeys in;
    in.zoomIn = true;
    orbit->update(in, 10.0f);
    EXPECT_NEAR(camera->getDerivedPosition().distance(Ogre::Vector3(4, 0, 4)), 8.0f, 1e-3f);
}

TEST_F(SceneFixture, PickingFindsPiecesOnTheirShapeAndSquaresBehindThem) {
    Picker picker(sm, camera, *board, game->position(), kWidth, kHeight);
    std::vector<bool> guiCalls;
    picker.setGuiVisibility([&](bool shown) { guiCalls.push_back(shown); });
    shot("scene_start.png");

    // The e2 pawn at its projected centre.
    const WindowPoint e2 = pieceCentre(*board, camera, 0, PawnKind, 4, kWidth, kHeight);
    ASSERT_TRUE(e2.inFront);
    PickHit h = picker.pick(e2.x, e2.y, kWidth, kHeight);
    EXPECT_EQ(h.type, PickHit::Piece);
    EXPECT_EQ(h.colour, 0);
    EXPECT_EQ(h.kind, PawnKind);
    EXPECT_EQ(h.index, 4);
    EXPECT_EQ(guiCalls, (std::vector<bool>{false, true}));
    // The lights and the pawn's look are back.
    EXPECT_EQ(sm->getAmbientLight(), Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1));
    EXPECT_TRUE(sm->getLight("MainLight")->isVisible());
    EXPECT_EQ(material(sm->getEntity("Pawn_04")), "Fig/Moveable");

    // Inside the pawn's box, beside its head: the box is hit, the shape is not, so the
    // click goes to the square the ray meets behind it.
    Ogre::Entity* pawn = sm->getEntity("Pawn_04");
    const Ogre::AxisAlignedBox box = pawn->getWorldBoundingBox(true);
    const Ogre::Vector3 corner(box.getCenter().x, box.getMaximum().y - 0.03f,
                               box.getMaximum().z - 0.03f);
    const WindowPoint off = worldToWindow(camera, corner, kWidth, kHeight);
    std::vector<Ogre::Entity*> ents;
    const std::vector<std::string> names = picker.rayHits(off.x / kWidth, off.y / kHeight, &ents);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "Pawn_04");
    const Ogre::Ray ray = camera->getCameraToViewportRay(off.x / kWidth, off.y / kHeight);
    const auto ground = ray.intersects(Ogre::Plane(Ogre::Vector3::UNIT_Y, 0));
    ASSERT_TRUE(ground.first);
    const Ogre::Vector3 g = ray.getPoint(ground.second);
    const int behind = int(g.z) + 8 * int(g.x);
    h = picker.pick(off.x, off.y, kWidth, kHeight);
    EXPECT_EQ(h.type, PickHit::Square);
    EXPECT_EQ(h.square, behind);

    // An empty square's projected centre picks that square: e4.
    const WindowPoint e4 = squareCentre(camera, 28, kWidth, kHeight);
    h = picker.pick(e4.x, e4.y, kWidth, kHeight);
    EXPECT_EQ(h.type, PickHit::Square);
    EXPECT_EQ(h.square, 28);
    // The window's edge and beyond stay in range.
    picker.pick(float(kWidth), float(kHeight), kWidth, kHeight);
    picker.pick(-5, 1e6f, kWidth, kHeight);

    // Clicks drive the game: e2 selected, e4 played.
    ASSERT_TRUE(applyBoardClick(*game, picker.pick(e2.x, e2.y, kWidth, kHeight)));
    ASSERT_TRUE(applyBoardClick(*game, picker.pick(e4.x, e4.y, kWidth, kHeight)));
    EXPECT_EQ(game->position().pieceByKind(4, PawnKind, 0)->y, 3);
    EXPECT_EQ(board->tileMaterial(28), "Desk/WhiteHighlighted");
    EXPECT_EQ(board->tileMaterial(12), "Desk/WhiteHighlighted");
}

// Counts the objects drawn with the shadow casters' material.
struct CasterDraws : Ogre::RenderObjectListener {
    int count = 0;
    void notifyRenderSingleObject(Ogre::Renderable*, const Ogre::Pass* pass,
                                  const Ogre::AutoParamDataSource*, const Ogre::LightList*,
                                  bool) override {
        count += pass->getParent()->getParent()->getName() == "Fig/ShadowCaster";
    }
};

// The volumes reach just under the board and no further: a floor in the board's place is
// shaded, one a little lower is not (the board hides it in the game; the stencil fill of volumes
// reaching on cost the software renderer a third of the shadows).
TEST_F(SceneFixture, ShadowVolumesEndJustUnderTheBoard) {
    TearDown();
    build(true, false);
    sm->getManualObject("BoardSquares")->setVisible(false);
    sm->getEntity("BoardTable")->setVisible(false);
    board->frameEntity()->setVisible(false);
    Ogre::Entity* floor = sm->createEntity("TestFloor", "plane.mesh");
    floor->setMaterialName("Desk/White");
    floor->setCastShadows(false);
    Ogre::SceneNode* node = sm->getRootSceneNode()->createChildSceneNode();
    node->setScale(8, 1, 8);
    node->attachObject(floor);
    // Pixels the shadows darken by a fifth or more.
    auto pixelsShaded = [&](float height) {
        node->setPosition(0, height, 0);
        grab();
        const std::vector<unsigned char> shaded = pixels;
        sm->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
        grab();
        sm->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
        size_t darker = 0;
        for (size_t i = 0; i < pixels.size(); i += 3)
            darker += 5 * (shaded[i] + shaded[i + 1] + shaded[i + 2]) <
                      4 * (pixels[i] + pixels[i + 1] + pixels[i + 2]);
        return darker;
    };
    const size_t onBoard = pixelsShaded(0);
    EXPECT_GT(onBoard, 5000u);
    // What is left below are slivers beside the pieces, where the floor shows through their
    // casters' outline (the volumes reaching on darkened three times the board's share).
    EXPECT_LT(pixelsShaded(-0.3f), onBoard / 2);
}

// Pictures for a look at the pieces: shadows on, and the cartoon look.
TEST_F(SceneFixture, LooksRenderWithShadowsAndCartoon) {
    // The d1 queen's shadow falls on the board in front of her, away from the lamp.
    const Ogre::Vector3 inFront(0.07f, 0.0f, 3.5f);
    grab();
    const Ogre::ColourValue lit = colourAt(inFront);
    TearDown();
    build(true, false);
    shot("scene_shadows.png");
    CasterDraws casterDraws;
    sm->addRenderObjectListener(&casterDraws);
    grab();
    sm->removeRenderObjectListener(&casterDraws);
    const Ogre::ColourValue shaded = colourAt(inFront);
    EXPECT_LT(shaded.r + shaded.g + shaded.b, 0.75f * (lit.r + lit.g + lit.b));
    // The casters give their shadow volumes but are not drawn as objects themselves.
    EXPECT_EQ(casterDraws.count, 0);
    // Neither the shadows nor the pick confirmation (earlier tests) needed the engine's
    // warning texture, whose upload stalls the first frame on a software renderer.
    EXPECT_FALSE(
        Ogre::TextureManager::getSingleton().resourceExists("Warning", Ogre::RGN_INTERNAL));
    EXPECT_LT(brightnessAt(1, QueenKind, 0) + 0.6f, brightnessAt(0, QueenKind, 0));
    TearDown();
    build(true, true);
    EXPECT_EQ(material(sm->getEntity("Pawn_00")), "Fig/MoveableCartoon");
    EXPECT_EQ(material(sm->getEntity("PawnB_00")), "Fig/BlackCartoon");
    shot("scene_cartoon.png");
    // Each look has its own colour: dark pieces render darker than light ones.
    EXPECT_LT(brightnessAt(1, QueenKind, 0) + 0.6f, brightnessAt(0, QueenKind, 0));
    orbit->orbit().distance = 8;
    orbit->orbit().elevation = degrees(25);
    orbit->orbit().yaw = degrees(200);
    orbit->place();
    shot("scene_cartoon_close.png");
    TearDown();
    build(true, false);
    orbit->orbit().distance = 8;
    orbit->orbit().elevation = degrees(22);
    orbit->orbit().yaw = degrees(235);
    orbit->place();
    shot("scene_close.png");
}

// Each kind's outline, seen from White's side and from the files' side, against the others'.
// The outlines are scaled to one height first, so what differs is the shape, not the size: a
// bishop that reads as a tall pawn, or a knight that is a slab from the front, fails here.
class Silhouettes : public ::testing::TestWithParam<int> {
  public:
    static constexpr int kColumns = 40, kRows = 60;
    using Mask = std::vector<bool>; // kColumns x kRows, the piece's height filling the rows

    // Renders every kind once, lit by nothing but a white unlit material on black, and keeps
    // the masks; the pictures are left next to the test for a look.
    static const Mask& mask(int kind, bool side) {
        static std::map<std::pair<int, bool>, Mask> masks;
        if (masks.empty())
            for (int k = 0; k < 6; ++k)
                for (bool s : {false, true})
                    masks[{k, s}] = render(k, s);
        return masks[{kind, side}];
    }

  private:
    static Mask render(int kind, bool side) {
        static const char* const names[6] = {"pawn", "rook", "knight", "bishop", "queen", "king"};
        Ogre::SceneManager* sm = gRoot->createSceneManager();
        Ogre::Camera* camera = sm->createCamera("Outline");
        camera->setProjectionType(Ogre::PT_ORTHOGRAPHIC);
        camera->setOrthoWindowHeight(1.5f);
        camera->setNearClipDistance(0.5f);
        Ogre::SceneNode* node = sm->getRootSceneNode()->createChildSceneNode();
        node->attachObject(camera);
        node->setPosition(side ? Ogre::Vector3(0, 0.7f, 5) : Ogre::Vector3(-5, 0.7f, 0));
        node->lookAt(Ogre::Vector3(0, 0.7f, 0), Ogre::Node::TS_WORLD);
        gWindow->removeAllViewports();
        gWindow->addViewport(camera)->setBackgroundColour(Ogre::ColourValue::Black);
        camera->setAspectRatio(Ogre::Real(kWidth) / Ogre::Real(kHeight));
        Ogre::Entity* piece = sm->createEntity(std::string(names[kind]) + ".mesh");
        piece->setMaterialName("BaseWhiteNoLighting");
        sm->getRootSceneNode()->attachObject(piece);
        gWindow->update();
        gWindow->writeContentsToFile(std::string("outline_") + names[kind] +
                                     (side ? "_side.png" : "_front.png"));
        std::vector<unsigned char> px(size_t(kWidth) * kHeight * 3);
        Ogre::PixelBox box(kWidth, kHeight, 1, Ogre::PF_BYTE_RGB, px.data());
        gWindow->copyContentsToMemory(box, box);
        gWindow->removeAllViewports();
        gRoot->destroySceneManager(sm);
        auto lit = [&](int x, int y) { return px[(size_t(y) * kWidth + size_t(x)) * 3] > 128; };
        int top = int(kHeight), bottom = -1;
        for (int y = 0; y < int(kHeight); ++y)
            for (int x = 0; x < int(kWidth); ++x)
                if (lit(x, y)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        Mask m(size_t(kColumns) * kRows);
        if (bottom < top)
            return m;
        // Rows span the piece's height, columns as much width either side of its axis.
        const float cell = float(bottom - top + 1) / kRows;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                const int x = int(float(kWidth) / 2 + (float(c - kColumns / 2) + 0.5f) * cell);
                const int y = top + int((float(r) + 0.5f) * cell);
                m[size_t(r * kColumns + c)] = x >= 0 && x < int(kWidth) && lit(x, y);
            }
        return m;
    }
};

TEST_P(Silhouettes, DifferFromEveryOtherKindFromTheFrontAndTheSide) {
    const int kind = GetParam();
    for (bool side : {false, true}) {
        const Mask& own = mask(kind, side);
        ASSERT_GT(std::count(own.begin(), own.end(), true), kColumns * kRows / 10);
        for (int other = 0; other < 6; ++other) {
            if (other == kind)
                continue;
            const Mask& theirs = mask(other, side);
            int both = 0, either = 0;
            for (size_t i = 0; i < own.size(); ++i) {
                both += own[i] && theirs[i];
                either += own[i] || theirs[i];
            }
            // Shared area over joint area; two prints of the same outline score 1.
            EXPECT_LT(double(both) / double(either), 0.82)
                << "kind " << kind << " against " << other << (side ? " from the side" : "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Silhouettes, ::testing::Range(0, 6));

// The frame runs round the squares with the file letters and rank numbers on its top, upright
// for White on White's edge and the a-file edge and for Black on the other two; the board
// stands on a table.
TEST_F(SceneFixture, FrameCarriesTheLabelsForBothSidesOnATable) {
    Ogre::Entity* frame = board->frameEntity();
    ASSERT_NE(frame, nullptr);
    EXPECT_FALSE(frame->getCastShadows());
    EXPECT_EQ(frame->getQueryFlags(), 0u);
    const Ogre::AxisAlignedBox box = frame->getWorldBoundingBox(true);
    EXPECT_LT(box.getMinimum().x, -0.5f);
    EXPECT_GT(box.getMaximum().z, 8.5f);
    EXPECT_LT(box.getMinimum().y, -0.3f);

    // Brass strokes of a label are bright; the dark wood between two labels is not.
    const float top = 0.035f, fromEdge = 0.29f;
    auto brightest = [&](const Ogre::Vector3& world) {
        const WindowPoint p = worldToWindow(camera, world, kWidth, kHeight);
        float best = 0;
        for (int dy = -5; dy <= 5; ++dy)
            for (int dx = -5; dx <= 5; ++dx) {
                const Ogre::ColourValue c = colourAt(p.x + dx, p.y + dy);
                best = std::max(best, c.r + c.g + c.b);
            }
        return best;
    };
    auto expectLabels = [&](float edge, const char* side) {
        for (int k : {0, 3, 6}) {
            EXPECT_GT(brightest({edge, top, k + 0.5f}), 1.8f) << side << " letter " << k;
            EXPECT_GT(brightest({k + 0.5f, top, edge}), 1.8f) << side << " number " << k;
            EXPECT_LT(brightest({edge, top, k + 1.0f}), 1.6f) << side << " between " << k;
        }
    };
    grab();
    shot("scene_frame_white.png");
    expectLabels(-fromEdge, "White");
    // Beside the board the lit baize of the table, fading into the dim room further out.
    const Ogre::ColourValue near = colourAt(Ogre::Vector3(4, -0.38f, -1.4f));
    EXPECT_GT(near.g, near.r + 0.05f);
    const Ogre::ColourValue far = colourAt(Ogre::Vector3(8.62f + 2.0f, -0.38f, 4));
    EXPECT_NEAR(far.r, kRoomColour[0], 0.03f);
    EXPECT_NEAR(far.g, kRoomColour[1], 0.03f);
    EXPECT_NEAR(far.b, kRoomColour[2], 0.03f);
    orbit->flip();
    grab();
    shot("scene_frame_black.png");
    expectLabels(8 + fromEdge, "Black");
}

// The movable look keeps each side's own brightness in both looks: Black's movable pieces
// never take White's colour.
TEST_F(SceneFixture, MovableLookKeepsBlackDarkerThanWhite) {
    for (bool cartoon : {false, true}) {
        TearDown();
        build(true, cartoon);
        board->markMovable(0, QueenKind, 0);
        board->markMovable(1, QueenKind, 0);
        EXPECT_EQ(material(sm->getEntity("QueeB_00")), board->looks().movable);
        // Medians over a short column through the piece's centre: a cartoon outline line
        // crossing the body is one pixel of it, not the body's colour.
        auto body = [&](int colour, auto measure) {
            grab();
            const WindowPoint p =
                pieceCentre(*board, camera, colour, QueenKind, 0, kWidth, kHeight);
            std::vector<float> column;
            for (int dy = -6; dy <= 6; ++dy)
                column.push_back(measure(colourAt(p.x, p.y + float(dy))));
            std::nth_element(column.begin(), column.begin() + 6, column.end());
            return column[6];
        };
        auto brightness = [](const Ogre::ColourValue& c) { return c.r + c.g + c.b; };
        auto coolness = [](const Ogre::ColourValue& c) { return c.b - c.r; };
        EXPECT_LT(body(1, brightness) + 0.6f, body(0, brightness)) << "cartoon " << cartoon;
        // It still differs from the plain look: a cooler white.
        const float movable = body(0, coolness);
        board->resetPieceLooks(0);
        EXPECT_GT(movable, body(0, coolness) + 0.05f) << "cartoon " << cartoon;
    }
}

// Check is marked by a red ring under the king in check and nowhere else; the ring goes when
// the check does. Targets that take a piece get their own tint.
TEST_F(SceneFixture, CheckGlowsUnderTheKingInCheckOnly) {
    // Beside the king on e8 as White sees it: inside the ring, clear of the king and of the
    // pawn in front of it. The redder side counts.
    auto redness = [&] {
        grab();
        float most = -1;
        for (float side : {-0.44f, 0.44f}) {
            const Ogre::ColourValue c = colourAt(Ogre::Vector3(7.5f, 0, 4.5f + side));
            most = std::max(most, c.r - c.g);
        }
        return most;
    };
    const float quiet = redness();
    EXPECT_FALSE(board->checkGlow(0)->isVisible());
    EXPECT_FALSE(board->checkGlow(1)->isVisible());

    // 1.e4 f6 2.Qh5+
    ASSERT_TRUE(game->setUp("rnbqkbnr/ppppp1pp/5p2/7Q/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 2"));
    EXPECT_FALSE(board->checkGlow(0)->isVisible());
    ASSERT_TRUE(board->checkGlow(1)->isVisible());
    EXPECT_EQ(board->checkGlow(1)->getParentSceneNode()->getPosition().x, 7.5f);
    EXPECT_EQ(board->checkGlow(1)->getParentSceneNode()->getPosition().z, 4.5f);
    EXPECT_GT(redness(), quiet + 0.25f);
    shot("scene_check.png");

    // 2...g6 blocks.
    ASSERT_TRUE(game->setUp("rnbqkbnr/ppppp2p/5pp1/7Q/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 0 3"));
    EXPECT_FALSE(board->checkGlow(1)->isVisible());

    // The queen's targets: g6 takes a pawn, h6 does not.
    ASSERT_TRUE(game->selectPiece(0, QueenKind, 0));
    EXPECT_EQ(board->tileMaterial(46), "Desk/Green");
    EXPECT_TRUE(board->captureMarked(46));
    EXPECT_FALSE(board->captureMarked(47));
    game->newGame();
    EXPECT_FALSE(board->captureMarked(46));
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new korvane::testing::OffscreenEnvironment(
        "scene_render_test.log", "Korvane scene test", kWidth, kHeight, gRoot, gWindow));
    return RUN_ALL_TESTS();
}
