// The board in a real Ogre scene on an X display (the test is run under xvfb-run): entity
// layout and materials through the rules, the orbit camera, and picking with the off-screen
// confirmation. Pictures of the start position are written next to the test for a look.
#include "fen.h"
#include "flow.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "scene/screen_points.h"

#include <Ogre.h>
#include <gtest/gtest.h>

#include "tests/support/offscreen_environment.h"

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace korvane;

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
    NullScreenView screens;
    NullSoundPlayer sounds;
    NullPeerLink peer;
    Position position;
    GameState state;
    FlowSettings settings;
    std::unique_ptr<GameFlow> flow;

    void build(bool shadows, bool cartoon) {
        sm = gRoot->createSceneManager();
        sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1));
        if (shadows) {
            sm->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
            sm->setShadowColour(Ogre::ColourValue(0.3f, 0.3f, 0.3f, 0.2f));
            sm->setShadowFarDistance(24);
        }
        camera = sm->createCamera("DefaultCam");
        camera->setNearClipDistance(0.05f);
        sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        gWindow->removeAllViewports();
        Ogre::Viewport* vp = gWindow->addViewport(camera);
        vp->setBackgroundColour(Ogre::ColourValue(0.12f, 0.14f, 0.18f));
        camera->setAspectRatio(Ogre::Real(kWidth) / Ogre::Real(kHeight));
        board = std::make_unique<BoardScene>(sm, PieceLooks::forCartoon(cartoon));
        board->build();
        Ogre::Light* light = sm->createLight("MainLight");
        Ogre::SceneNode* ln = sm->getRootSceneNode()->createChildSceneNode();
        ln->attachObject(light);
        ln->setPosition(4, 10, 4);
        light->setDiffuseColour(0.7f, 0.7f, 0.7f);
        light->setSpecularColour(0.9f, 0.9f, 0.9f);
        orbit = std::make_unique<OrbitCamera>(camera);
        board->setTurnViewHandler([this] { orbit->flip(); });
        settings.highlighting = true;
        settings.lastMoveHighlighting = true;
        state.gameMode = GameMode::Local;
        flow = std::make_unique<GameFlow>(position, state, settings, *board, screens, sounds, peer);
        flow->newGame();
    }
    void SetUp() override { build(false, false); }
    void TearDown() override {
        flow.reset();
        position.setView(nullptr);
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
    // Brightness (0..3) of the rendered window at a piece's projected centre.
    float brightnessAt(int colour, int kind, int index) {
        gWindow->update();
        std::vector<unsigned char> px(size_t(kWidth) * kHeight * 3);
        Ogre::PixelBox box(kWidth, kHeight, 1, Ogre::PF_BYTE_RGB, px.data());
        gWindow->copyContentsToMemory(box, box);
        const WindowPoint p = pieceCentre(*board, camera, colour, kind, index, kWidth, kHeight);
        const Ogre::ColourValue c = box.getColourAt(size_t(p.x), size_t(p.y), 0);
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
    ASSERT_TRUE(flow->selectPiece(0, KnightKind, 0, false));
    EXPECT_EQ(board->tileMaterial(16), "Desk/Green");
    EXPECT_EQ(board->tileMaterial(18), "Desk/Green");
    EXPECT_EQ(board->tileMaterial(17), "Desk/White");
    EXPECT_TRUE(board->arrowEntity()->isVisible());
    EXPECT_EQ(board->arrowNode()->getPosition(), Ogre::Vector3(0.5f, 1.8f, 1.5f));
    const Ogre::Quaternion before = board->arrowNode()->getOrientation();
    board->spinArrow(0.1f);
    EXPECT_NEAR((board->arrowNode()->getOrientation() * before.Inverse()).getYaw().valueRadians(),
                0.5f, 1e-4f);

    // g1-f3: g1 dark, f3 light.
    ASSERT_TRUE(flow->selectPiece(0, KnightKind, 1, false));
    int ordinal = -1;
    const Fig* knight = position.pieceByKind(1, KnightKind, 0);
    for (int k = 0; k < knight->moveCount; ++k)
        if (knight->moves[k] == 21)
            ordinal = k;
    ASSERT_TRUE(flow->executeMove(ordinal, false));
    EXPECT_EQ(board->tileMaterial(6), "Desk/BlackHighlighted");
    EXPECT_EQ(board->tileMaterial(21), "Desk/WhiteHighlighted");
    EXPECT_EQ(board->tileMaterial(16), "Desk/Black");
    EXPECT_EQ(material(sm->getEntity("PawnB_03")), "Fig/Moveable");
    EXPECT_EQ(material(sm->getEntity("Pawn_03")), "Fig/White");
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
    board->turnView();
    EXPECT_GT(camera->getDerivedPosition().x, 8.0f);
    EXPECT_EQ(heard, camera->getDerivedPosition());
    OrbitKeys in;
    in.zoomIn = true;
    orbit->update(in, 10.0f);
    EXPECT_NEAR(camera->getDerivedPosition().distance(Ogre::Vector3(4, 0, 4)), 8.0f, 1e-3f);
}

TEST_F(SceneFixture, PickingFindsPiecesOnTheirShapeAndSquaresBehindThem) {
    Picker picker(sm, camera, *board, position, kWidth, kHeight);
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
    ASSERT_TRUE(applyBoardClick(*flow, picker.pick(e2.x, e2.y, kWidth, kHeight)));
    ASSERT_TRUE(applyBoardClick(*flow, picker.pick(e4.x, e4.y, kWidth, kHeight)));
    EXPECT_EQ(position.pieceByKind(4, PawnKind, 0)->y, 3);
    EXPECT_EQ(board->tileMaterial(28), "Desk/WhiteHighlighted");
    EXPECT_EQ(board->tileMaterial(12), "Desk/WhiteHighlighted");
}

// Pictures for a look at the pieces: shadows on, and the cartoon look.
TEST_F(SceneFixture, LooksRenderWithShadowsAndCartoon) {
    TearDown();
    build(true, false);
    shot("scene_shadows.png");
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

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new korvane::testing::OffscreenEnvironment(
        "scene_render_test.log", "Korvane scene test", kWidth, kHeight, gRoot, gWindow));
    return RUN_ALL_TESTS();
}
