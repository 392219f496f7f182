// The pick confirmation draws only what the click's ray meets. These cases hold it against a
// render of the whole scene, the plain way of answering the same question, wherever two
// pieces' boxes overlap on screen: a piece in front must still hide the one behind it.
#include "game/game.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"

#include <Ogre.h>
#include <gtest/gtest.h>

#include "tests/support/offscreen_environment.h"

#include <map>
#include <memory>

using namespace korvane;

namespace {

Ogre::Root* gRoot = nullptr;
Ogre::RenderWindow* gWindow = nullptr;
constexpr unsigned kWidth = 800, kHeight = 600;

bool isPiece(const std::string& name) {
    return name.rfind("Field", 0) != 0 && name != "Arrow" && !name.empty();
}

struct PickFixture : public ::testing::Test {
    Ogre::SceneManager* sm = nullptr;
    Ogre::Camera* camera = nullptr;
    std::unique_ptr<BoardScene> board;
    std::unique_ptr<OrbitCamera> orbit;
    std::unique_ptr<Game> game;
    Ogre::RenderTexture* reference = nullptr;
    static constexpr unsigned kRefW = kWidth / 2, kRefH = kHeight / 2;

    void SetUp() override {
        sm = gRoot->createSceneManager();
        sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1));
        camera = sm->createCamera("DefaultCam");
        camera->setNearClipDistance(0.05f);
        sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
        gWindow->removeAllViewports();
        gWindow->addViewport(camera);
        camera->setAspectRatio(Ogre::Real(kWidth) / Ogre::Real(kHeight));
        board = std::make_unique<BoardScene>(sm, PieceLooks());
        board->build();
        sm->getRootSceneNode()->createChildSceneNode()->attachObject(sm->createLight("MainLight"));
        orbit = std::make_unique<OrbitCamera>(camera);
        game = std::make_unique<Game>();
        BoardMarks marks;
        BoardPresenter(*board, marks).showPieces(*game);
        Ogre::TexturePtr tex = Ogre::TextureManager::getSingleton().createManual(
            "referenceTex", Ogre::RGN_DEFAULT, Ogre::TEX_TYPE_2D, kRefW, kRefH, 0,
            Ogre::PF_BYTE_BGR, Ogre::TU_RENDERTARGET);
        reference = tex->getBuffer()->getRenderTarget();
        reference->setAutoUpdated(false);
        Ogre::Viewport* vp = reference->addViewport(camera);
        vp->setBackgroundColour(Ogre::ColourValue::Black);
        vp->setOverlaysEnabled(false);
        vp->setShadowsEnabled(false);
    }
    void TearDown() override {
        reference->removeAllViewports();
        Ogre::TextureManager::getSingleton().remove("referenceTex", Ogre::RGN_DEFAULT);
        gWindow->removeAllViewports();
        orbit.reset();
        board.reset();
        gRoot->destroySceneManager(sm);
    }

    // Whether the entity, drawn pure red with the lights off, shows at the tested pixel of a
    // render of every visible entity (or of the entity alone).
    bool wholeSceneConfirms(Ogre::Entity* entity, float mx, float my, bool alone = false) {
        std::vector<Ogre::Entity*> hidden;
        if (alone)
            for (const auto& [name, object] : sm->getMovableObjects("Entity"))
                if (object != entity && object->isVisible()) {
                    object->setVisible(false);
                    hidden.push_back(static_cast<Ogre::Entity*>(object));
                }
        const std::string material = entity->getSubEntity(0)->getMaterialName();
        entity->setMaterialName("Fig/Confirm");
        Ogre::Light* light = sm->getLight("MainLight");
        light->setVisible(false);
        sm->setAmbientLight(Ogre::ColourValue(0, 0, 0, 1));
        reference->update();
        sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1));
        light->setVisible(true);
        entity->setMaterialName(material);
        for (Ogre::Entity* e : hidden)
            e->setVisible(true);
        std::vector<unsigned char> px(size_t(kRefW) * kRefH * 3);
        Ogre::PixelBox box(kRefW, kRefH, 1, Ogre::PF_BYTE_BGR, px.data());
        reference->copyContentsToMemory(box, box);
        const size_t x = std::min(size_t(mx * kRefW), size_t(kRefW - 1));
        const size_t y = std::min(size_t(my * kRefH), size_t(kRefH - 1));
        return box.getColourAt(x, y, 0) == Ogre::ColourValue(1, 0, 0, 1);
    }
};

TEST_F(PickFixture, ConfirmationAnswersAsAWholeSceneRenderWherePiecesOverlap) {
    Picker picker(sm, camera, *board, game->position(), kWidth, kHeight);
    // The game has drawn a frame before any click: the boxes are where the pieces are.
    gWindow->update();
    // One visibility bit of our own on a tile, to see that every entity gets its bits back.
    Ogre::Entity* tile = board->tileEntity(12);
    tile->setVisibilityFlags(0x5);

    // Pixels whose ray meets the boxes of at least two pieces, spread over the window.
    struct Spot {
        float mx, my;
        std::vector<Ogre::Entity*> pieces;
    };
    std::vector<Spot> spots;
    for (unsigned py = 0; py < kHeight; py += 5)
        for (unsigned px = 0; px < kWidth; px += 5) {
            const float mx = (float(px) + 0.25f) / kWidth, my = (float(py) + 0.25f) / kHeight;
            std::vector<Ogre::Entity*> entities;
            const std::vector<std::string> names = picker.rayHits(mx, my, &entities);
            Spot s{mx, my, {}};
            for (size_t i = 0; i < names.size(); ++i)
                if (isPiece(names[i]))
                    s.pieces.push_back(entities[i]);
            if (s.pieces.size() >= 2)
                spots.push_back(s);
        }
    ASSERT_GT(spots.size(), 40u);

    int confirmed = 0, hiddenBehind = 0, missed = 0;
    const size_t step = spots.size() / 40;
    for (size_t i = 0; i < spots.size(); i += step) {
        const Spot& s = spots[i];
        for (Ogre::Entity* piece : s.pieces) {
            const bool quick = picker.confirmPieceHit(piece, s.mx, s.my);
            const bool whole = wholeSceneConfirms(piece, s.mx, s.my);
            EXPECT_EQ(quick, whole)
                << piece->getName() << " at " << s.mx * kWidth << ", " << s.my * kHeight;
            if (whole) {
                ++confirmed;
            } else if (wholeSceneConfirms(piece, s.mx, s.my, true)) {
                ++hiddenBehind;
            } else {
                ++missed;
            }
        }
    }
    // The sample holds every kind of answer: shown, hidden by a piece in front, and a box hit
    // that misses the shape.
    EXPECT_GT(confirmed, 0);
    EXPECT_GT(hiddenBehind, 0);
    EXPECT_GT(missed, 0);

    EXPECT_EQ(tile->getVisibilityFlags(), 0x5u);
    for (const auto& [name, object] : sm->getMovableObjects("Entity")) {
        if (object != tile) {
            EXPECT_EQ(object->getVisibilityFlags(), 0xFFFFFFFFu) << name;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new korvane::testing::OffscreenEnvironment(
        "perf_pick_test.log", "Korvane pick test", kWidth, kHeight, gRoot, gWindow));
    return RUN_ALL_TESTS();
}
