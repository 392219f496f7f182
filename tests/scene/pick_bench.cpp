// Prints the time from a click to its result: ray query plus off-screen confirmation, on the
// start position at 800x600. Run on an X display (xvfb-run -a korvane-scene-pick-bench).
#include "flow.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "scene/screen_points.h"

#include <Ogre.h>

#include <chrono>
#include <cstdio>

using namespace korvane;

int main() {
    auto* logs = new Ogre::LogManager();
    logs->createLog("scene_pick_bench.log", true, false, false);
    auto* root = new Ogre::Root("", "", "");
    root->loadPlugin(std::string(KORVANE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
    root->setRenderSystem(root->getRenderSystemByName("OpenGL Rendering Subsystem"));
    root->initialise(false);
    const unsigned w = 800, h = 600;
    Ogre::RenderWindow* window = root->createRenderWindow("Korvane pick bench", w, h, false);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    groups.addResourceLocation(std::string(KORVANE_RUN_MEDIA) + "/materials", "FileSystem");
    groups.addResourceLocation(std::string(KORVANE_RUN_MEDIA) + "/meshes", "FileSystem");
    groups.initialiseAllResourceGroups();
    Ogre::SceneManager* sm = root->createSceneManager();
    sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f));
    Ogre::Camera* camera = sm->createCamera("DefaultCam");
    camera->setNearClipDistance(0.05f);
    window->addViewport(camera);
    camera->setAspectRatio(Ogre::Real(w) / Ogre::Real(h));
    sm->getRootSceneNode()->createChildSceneNode()->attachObject(sm->createLight("MainLight"));
    {
        BoardScene board(sm, PieceLooks());
        board.build();
        OrbitCamera orbit(camera);
        Position position(&board);
        Picker picker(sm, camera, board, position, w, h);
        window->update();
        const WindowPoint pawn = pieceCentre(board, camera, 0, PawnKind, 4, w, h);
        const WindowPoint square = squareCentre(camera, 28, w, h);
        for (const auto& [label, p] : {std::make_pair("piece (e2 pawn)", pawn),
                                       std::make_pair("empty square (e4)", square)}) {
            const int runs = 50;
            double worst = 0, total = 0;
            for (int i = 0; i < runs; ++i) {
                const auto t0 = std::chrono::steady_clock::now();
                picker.pick(p.x, p.y, w, h);
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
                total += ms;
                worst = std::max(worst, ms);
            }
            std::printf("click to result, %s: mean %.2f ms, worst %.2f ms over %d clicks\n", label,
                        total / runs, worst, runs);
        }
        position.setView(nullptr);
    }
    root->destroySceneManager(sm);
    delete root;
    delete logs;
    return 0;
}
