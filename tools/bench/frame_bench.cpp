// Prints the median time of a frame of the start position, drawn the way the game draws it,
// for shadow settings the game has or could have (best of three rounds): none, stencil volumes
// extruded to infinity (the game's), and stencil volumes ending at a light range that still covers
// the board. The board has no GUI here: the numbers are the scene's share of a frame.
//   xvfb-run -a -s "-screen 0 1280x1024x24" korvane-frame-bench [width height]
#include "rules/position.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"

#include <Ogre.h>

#include "tests/support/offscreen_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace korvane;

namespace {

enum class Shadows { None, Infinite, Finite };

double medianFrameMs(Ogre::Root* root, Ogre::RenderWindow* window, Shadows shadows, bool cartoon) {
    Ogre::SceneManager* sm = root->createSceneManager();
    sm->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f));
    if (shadows != Shadows::None) {
        sm->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
        sm->setShadowColour(Ogre::ColourValue(0.3f, 0.3f, 0.3f, 0.2f));
        sm->setShadowFarDistance(24);
    }
    Ogre::Camera* camera = sm->createCamera("DefaultCam");
    camera->setNearClipDistance(0.05f);
    sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
    window->removeAllViewports();
    window->addViewport(camera)->setBackgroundColour(Ogre::ColourValue(0.3f, 0.3f, 0.5f));
    camera->setAspectRatio(Ogre::Real(window->getWidth()) / Ogre::Real(window->getHeight()));
    Ogre::Light* light = sm->createLight("MainLight");
    Ogre::SceneNode* lightNode = sm->getRootSceneNode()->createChildSceneNode();
    lightNode->attachObject(light);
    lightNode->setPosition(4, 10, 4);
    light->setDiffuseColour(0.7f, 0.7f, 0.7f);
    light->setSpecularColour(0.9f, 0.9f, 0.9f);
    if (shadows == Shadows::Finite) {
        // The farthest board corner is about 11.5 from the light.
        sm->setShadowUseInfiniteFarPlane(false);
        light->setAttenuation(13, 1, 0, 0);
    }
    double median = 0;
    {
        BoardScene board(sm, PieceLooks::forCartoon(cartoon));
        board.build();
        OrbitCamera orbit(camera);
        Position position(&board);
        position.resetSet(0);
        position.resetSet(1);
        position.refreshRules();
        // Reading one pixel back waits until the frame is really drawn.
        unsigned char pixel[3];
        Ogre::PixelBox box(1, 1, 1, Ogre::PF_BYTE_RGB, pixel);
        for (int i = 0; i < 5; ++i)
            window->update();
        std::vector<double> times;
        for (int i = 0; i < 40; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            window->update();
            window->copyContentsToMemory(Ogre::Box(0, 0, 1, 1), box);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
        }
        std::sort(times.begin(), times.end());
        median = times[times.size() / 2];
        position.setView(nullptr);
    }
    window->removeAllViewports();
    root->destroySceneManager(sm);
    return median;
}

} // namespace

int main(int argc, char** argv) {
    const unsigned w = argc > 2 ? unsigned(std::atoi(argv[1])) : 800;
    const unsigned h = argc > 2 ? unsigned(std::atoi(argv[2])) : 600;
    korvane::testing::OffscreenEngine engine("frame_bench.log", "Korvane frame bench", w, h);
    Ogre::Root* root = engine.root;
    Ogre::RenderWindow* window = engine.window;
    const struct {
        const char* label;
        Shadows shadows;
    } variants[] = {{"shadows off", Shadows::None},
                    {"stencil shadows, infinite volumes", Shadows::Infinite},
                    {"stencil shadows, volumes ending at range 13", Shadows::Finite}};
    // The machine is shared: each setting is measured in three rounds, interleaved with the
    // others, and its best median is printed.
    double best[2][3];
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 3; ++i) {
                const double ms = medianFrameMs(root, window, variants[i].shadows, c == 1);
                best[c][i] = round == 0 ? ms : std::min(best[c][i], ms);
            }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 3; ++i)
            std::printf("%ux%u cartoon=%d %-44s median frame %6.2f ms (%.0f FPS)\n", w, h, c,
                        variants[i].label, best[c][i], 1000.0 / best[c][i]);
    return 0;
}
