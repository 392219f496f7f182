// Prints click-to-result times of the picker (ray query plus off-screen confirmation) on the
// start position at 800x600 with the game's lights, shadows and materials: the first click
// apart (it pays for the off-screen target's first use), then median and worst of the rest.
// For comparison it also times the confirmation done by drawing the whole scene.
//   xvfb-run -a -s "-screen 0 1280x1024x24" korvane-pick-bench
#include "game/game.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "scene/screen_points.h"

#include <Ogre.h>

#include "tests/support/offscreen_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace korvane;

namespace {

constexpr unsigned kWidth = 800, kHeight = 600;

double millisecondsOf(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void report(const char* label, const std::function<void()>& click) {
    const double first = millisecondsOf(click);
    std::vector<double> times;
    for (int i = 0; i < 60; ++i)
        times.push_back(millisecondsOf(click));
    std::sort(times.begin(), times.end());
    std::printf("%-44s first %7.2f ms, median %6.2f ms, worst %6.2f ms (%zu clicks)\n", label,
                first, times[times.size() / 2], times.back(), times.size());
}

} // namespace

int main() {
    korvane::testing::OffscreenEngine engine("pick_bench.log", "Korvane pick bench", kWidth,
                                             kHeight);
    Ogre::Root* root = engine.root;
    Ogre::RenderWindow* window = engine.window;
    Ogre::SceneManager* sm = root->createSceneManager();
    sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f));
    sm->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
    sm->setShadowColour(Ogre::ColourValue(0.3f, 0.3f, 0.3f, 0.2f));
    sm->setShadowFarDistance(24);
    Ogre::Camera* camera = sm->createCamera("DefaultCam");
    camera->setNearClipDistance(0.05f);
    sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
    window->addViewport(camera);
    camera->setAspectRatio(Ogre::Real(kWidth) / Ogre::Real(kHeight));
    Ogre::SceneNode* lightNode = sm->getRootSceneNode()->createChildSceneNode();
    lightNode->attachObject(sm->createLight("MainLight"));
    lightNode->setPosition(4, 10, 4);
    {
        BoardScene board(sm, PieceLooks());
        board.build();
        OrbitCamera orbit(camera);
        Game game;
        BoardMarks marks;
        BoardPresenter(board, marks).showPieces(game);
        Picker picker(sm, camera, board, game.position(), kWidth, kHeight);
        window->update();

        const WindowPoint pawn = pieceCentre(board, camera, 0, PawnKind, 4, kWidth, kHeight);
        const WindowPoint square = squareCentre(camera, 28, kWidth, kHeight);
        // Just above the d1 queen's crown the ray passes the queen's box and goes on to d2's
        // pawn: two pieces to confirm in one click.
        const WindowPoint queen = pieceCentre(board, camera, 0, QueenKind, 0, kWidth, kHeight);
        report("piece (e2 pawn)", [&] { picker.pick(pawn.x, pawn.y, kWidth, kHeight); });
        report("empty square (e4)", [&] { picker.pick(square.x, square.y, kWidth, kHeight); });
        report("queen's box, pawn behind",
               [&] { picker.pick(queen.x, queen.y - 40.0f, kWidth, kHeight); });

        // The same question answered by drawing every entity, as a yardstick.
        Ogre::Entity* pawnEntity = board.pieceEntity(0, PawnKind, 4);
        Ogre::TexturePtr tex = Ogre::TextureManager::getSingleton().createManual(
            "wholeSceneTex", Ogre::RGN_DEFAULT, Ogre::TEX_TYPE_2D, kWidth / 2, kHeight / 2, 0,
            Ogre::PF_BYTE_BGR, Ogre::TU_RENDERTARGET);
        Ogre::RenderTexture* target = tex->getBuffer()->getRenderTarget();
        target->setAutoUpdated(false);
        Ogre::Viewport* vp = target->addViewport(camera);
        vp->setShadowsEnabled(false);
        vp->setOverlaysEnabled(false);
        std::vector<unsigned char> pixels(size_t(kWidth / 2) * (kHeight / 2) * 3);
        report("whole-scene confirmation (yardstick)", [&] {
            const std::string material = pawnEntity->getSubEntity(0)->getMaterialName();
            pawnEntity->setMaterialName("Fig/Confirm");
            sm->getLight("MainLight")->setVisible(false);
            target->update();
            sm->getLight("MainLight")->setVisible(true);
            pawnEntity->setMaterialName(material);
            Ogre::PixelBox box(kWidth / 2, kHeight / 2, 1, Ogre::PF_BYTE_BGR, pixels.data());
            target->copyContentsToMemory(box, box);
        });
        target->removeAllViewports();
    }
    root->destroySceneManager(sm);
    return 0;
}
