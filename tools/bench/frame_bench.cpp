// Prints the median time of a frame of the start position, drawn the way the game draws it,
// for shadow settings the game has or could have (best of three rounds): none, stencil volumes
// extruded to infinity, and the game's volumes ending just under the board. The board has no GUI
// here: the numbers are the scene's share of a frame.
//   xvfb-run -a -s "-screen 0 1280x1024x24" korvane-frame-bench [width height]
// With --parts first, it prints instead what each part of the shadowed frame costs: the frame
// is drawn with one part left out at a time, the variants taking turns frame by frame so that
// the machine's drift falls on all of them alike.
#include "game/game.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"

#include <Ogre.h>

#include "tests/support/offscreen_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

using namespace korvane;

namespace {

enum class Shadows { None, Infinite, Game };

struct FrameTimes {
    double wallMs = 0; // median time of a frame
    double cpuMs = 0;  // processor time of all the process's threads per frame: on a shared
                       // machine it moves far less with the other load than the wall time
};

double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// One frame drawn, in milliseconds: reading one pixel back waits until it is really drawn.
double drawnFrameMs(Ogre::RenderWindow* window) {
    unsigned char pixel[3];
    Ogre::PixelBox box(1, 1, 1, Ogre::PF_BYTE_RGB, pixel);
    const auto t0 = std::chrono::steady_clock::now();
    window->update();
    window->copyContentsToMemory(Ogre::Box(0, 0, 1, 1), box);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The start position on the board, seen by the game's camera.
struct Opening {
    BoardScene board;
    OrbitCamera orbit;
    Game game;
    // The board is built before the position is laid out on it.
    Opening(Ogre::SceneManager* sm, Ogre::Camera* camera, PieceLooks looks)
        : board(sm, std::move(looks)), orbit(camera) {
        board.build();
        BoardMarks marks;
        BoardPresenter(board, marks).showPieces(game);
    }
};

// A scene manager with the game's camera filling the window.
Ogre::SceneManager* sceneOnWindow(Ogre::Root* root, Ogre::RenderWindow* window) {
    Ogre::SceneManager* sm = root->createSceneManager();
    Ogre::Camera* camera = sm->createCamera("DefaultCam");
    camera->setNearClipDistance(0.05f);
    sm->getRootSceneNode()->createChildSceneNode()->attachObject(camera);
    window->removeAllViewports();
    window->addViewport(camera)->setBackgroundColour(
        Ogre::ColourValue(kRoomColour[0], kRoomColour[1], kRoomColour[2]));
    camera->setAspectRatio(Ogre::Real(window->getWidth()) / Ogre::Real(window->getHeight()));
    return sm;
}

FrameTimes frameTimes(Ogre::Root* root, Ogre::RenderWindow* window, Shadows shadows, bool cartoon) {
    Ogre::SceneManager* sm = sceneOnWindow(root, window);
    Ogre::Camera* camera = sm->getCamera("DefaultCam");
    lightBoard(sm, shadows != Shadows::None);
    if (shadows == Shadows::Infinite) {
        sm->setShadowUseInfiniteFarPlane(true);
        sm->getLight("MainLight")->setAttenuation(100000, 1, 0, 0);
    }
    FrameTimes result;
    {
        Opening opening(sm, camera, PieceLooks::forCartoon(cartoon));
        for (int i = 0; i < 5; ++i)
            window->update();
        std::vector<double> times;
        const double cpu0 = processCpuMs();
        for (int i = 0; i < 40; ++i)
            times.push_back(drawnFrameMs(window));
        result.cpuMs = (processCpuMs() - cpu0) / double(times.size());
        // To see what was measured: KORVANE_FRAME_SHOTS=folder keeps each setting's last frame.
        if (const char* folder = std::getenv("KORVANE_FRAME_SHOTS"))
            window->writeContentsToFile(std::string(folder) + "/shadows" +
                                        std::to_string(int(shadows)) + "-cartoon" +
                                        std::to_string(int(cartoon)) + ".png");
        result.wallMs = median(times);
    }
    window->removeAllViewports();
    root->destroySceneManager(sm);
    return result;
}

// Lets the full-screen shadow modulation through only where `rect` says (all of the window
// when it is empty), so its share of a frame can be measured.
class ModulationScissor : public Ogre::RenderObjectListener {
  public:
    Ogre::Rect rect;
    void notifyRenderSingleObject(Ogre::Renderable*, const Ogre::Pass* pass,
                                  const Ogre::AutoParamDataSource*, const Ogre::LightList*,
                                  bool) override {
        Ogre::RenderSystem* rs = Ogre::Root::getSingleton().getRenderSystem();
        const bool modulation =
            pass->getParent()->getParent()->getName() == "Ogre/StencilShadowModulationPass";
        if (modulation && rect.width() > 0)
            rs->setScissorTest(true, rect);
        else if (scissored_)
            rs->setScissorTest(false);
        scissored_ = modulation && rect.width() > 0;
    }

  private:
    bool scissored_ = false;
};

void printParts(Ogre::Root* root, Ogre::RenderWindow* window) {
    Ogre::SceneManager* sm = sceneOnWindow(root, window);
    Ogre::Camera* camera = sm->getCamera("DefaultCam");
    lightBoard(sm, true);
    ModulationScissor scissor;
    sm->addRenderObjectListener(&scissor);
    {
        Opening opening(sm, camera, PieceLooks());
        BoardScene& board = opening.board;
        std::vector<Ogre::MovableObject*> pieces;
        for (int colour = 0; colour < 2; ++colour)
            for (int kind = 0; kind < 6; ++kind)
                for (int i = 0; i < 10; ++i)
                    if (Ogre::Entity* e = board.pieceEntity(colour, kind, i); e && e->isVisible())
                        pieces.push_back(e);
        auto hide = [](std::vector<Ogre::MovableObject*> objects) {
            return [objects](bool hidden) {
                for (Ogre::MovableObject* o : objects)
                    o->setVisible(!hidden);
            };
        };
        struct Part {
            const char* label;
            std::function<void(bool)> leaveOut;
            std::vector<double> times;
        };
        std::vector<Part> parts = {
            {"the whole frame", [](bool) {}, {}},
            {"squares", hide({sm->getManualObject("BoardSquares")}), {}},
            {"table", hide({sm->getEntity("BoardTable")}), {}},
            {"frame", hide({board.frameEntity()}), {}},
            {"pieces (their shadows stay)", hide(pieces), {}},
            {"lighter far pieces (negative: saved)",
             [&](bool out) {
                 for (Ogre::MovableObject* piece : pieces)
                     static_cast<Ogre::Entity*>(piece)->setMeshLodBias(1, 0, out ? 0 : 99);
             },
             {}},
            {"shadow modulation",
             [&](bool out) {
                 scissor.rect = {0, 0, out ? 1 : 0, 1};
             },
             {}},
            {"shadows (volumes and modulation)",
             [&](bool out) {
                 sm->setShadowTechnique(out ? Ogre::SHADOWTYPE_NONE
                                            : Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
             },
             {}},
        };
        for (int round = 0; round < 63; ++round)
            for (Part& part : parts) {
                part.leaveOut(true);
                // The first frame of a setting takes its state changes; the second is timed.
                drawnFrameMs(window);
                const double ms = drawnFrameMs(window);
                if (round >= 3)
                    part.times.push_back(ms);
                part.leaveOut(false);
            }
        const double whole = median(parts[0].times);
        window->update();
        std::printf("%ux%u whole frame with shadows: median %.2f ms, %zu triangles in %zu draws\n",
                    window->getWidth(), window->getHeight(), whole,
                    window->getStatistics().triangleCount, window->getStatistics().batchCount);
        for (size_t i = 1; i < parts.size(); ++i)
            std::printf("  %-36s %5.2f ms (frame without it %.2f ms)\n", parts[i].label,
                        whole - median(parts[i].times), median(parts[i].times));
    }
    sm->removeRenderObjectListener(&scissor);
    window->removeAllViewports();
    root->destroySceneManager(sm);
}

} // namespace

int main(int argc, char** argv) {
    const bool parts = argc > 1 && std::string(argv[1]) == "--parts";
    if (parts) {
        --argc;
        ++argv;
    }
    const unsigned w = argc > 2 ? unsigned(std::atoi(argv[1])) : 800;
    const unsigned h = argc > 2 ? unsigned(std::atoi(argv[2])) : 600;
    korvane::testing::OffscreenEngine engine("frame_bench.log", "Korvane frame bench", w, h);
    Ogre::Root* root = engine.root;
    Ogre::RenderWindow* window = engine.window;
    if (parts) {
        printParts(root, window);
        return 0;
    }
    const struct {
        const char* label;
        Shadows shadows;
    } variants[] = {{"shadows off", Shadows::None},
                    {"stencil shadows, infinite volumes", Shadows::Infinite},
                    {"stencil shadows as the game draws them", Shadows::Game}};
    // The machine is shared: each setting is measured in three rounds, interleaved with the
    // others, and its best median is printed.
    FrameTimes best[2][3];
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 3; ++i) {
                const FrameTimes t = frameTimes(root, window, variants[i].shadows, c == 1);
                FrameTimes& b = best[c][i];
                b.wallMs = round == 0 ? t.wallMs : std::min(b.wallMs, t.wallMs);
                b.cpuMs = round == 0 ? t.cpuMs : std::min(b.cpuMs, t.cpuMs);
            }
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 3; ++i)
            std::printf("%ux%u cartoon=%d %-44s median frame %6.2f ms (%.0f FPS), cpu %6.2f ms\n",
                        w, h, c, variants[i].label, best[c][i].wallMs, 1000.0 / best[c][i].wallMs,
                        best[c][i].cpuMs);
    return 0;
}
