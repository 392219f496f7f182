#pragma once
// The object the engine drives every frame: input from SDL into the GUI and the board,
// the polled keyboard (camera, chat line, screenshots, quit chord), and the per-frame
// steps of the other subsystems in a fixed order.

#include "game/cues.h"
#include "game/game.h"
#include "gui/game_view.h"
#include "gui/gui_backend.h"
#include "net/session.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "sound/game_sounds.h"
#include "version/version_task.h"

#include <OgreFrameListener.h>

#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct SDL_Window;
union SDL_Event;
namespace Ogre {
class SceneManager;
class Camera;
class RenderWindow;
class Root;
class SceneNode;
class Entity;
} // namespace Ogre
namespace CEGUI {
class OgreRenderer;
}

namespace korvane {

class StateProbe;
class Screens;
class ComputerGame;

class KorvaneFrameListener : public Ogre::FrameListener {
  public:
    KorvaneFrameListener(Ogre::SceneManager* sceneManager, Ogre::Camera* camera,
                         Ogre::RenderWindow* window, CEGUI::OgreRenderer* guiRenderer,
                         Ogre::Root* root, SDL_Window* sdlWindow, Screens& screens,
                         GuiBackend& backend, BoardScene& board);
    ~KorvaneFrameListener() override;

    bool frameStarted(const Ogre::FrameEvent& evt) override;
    bool frameEnded(const Ogre::FrameEvent& evt) override;
    bool pollKeyboard(const Ogre::FrameEvent& evt);

    // The main menu's exit button: the next frameEnded ends the loop. Never cleared.
    void requestQuit() { quitRequest_ = true; }
    bool quitRequested() const { return quitRequest_; }

    Game& game() { return *game_; }
    const Game& game() const { return *game_; }
    net::NetSession& session() { return *session_; }
    BoardScene& board() { return board_; }
    ComputerGame& computer() { return *computer_; }
    GameSounds& sounds() { return sounds_; }
    // The view over to White's side, half a turn when it is on Black's.
    void showWhiteSide() { orbit_.showSide(false); }
    // The camera back to the orbit a game starts with, on the side the view is turned to.
    void resetView();
    // The same on the side named: Black's when `blackSide`.
    void resetView(bool blackSide);
    // No arrow, no targets, no marked pieces, no last move: the board as a position only.
    void clearBoardMarks() { presenter_->clearMarks(); }
    void setFlowFlags(bool flipView, bool highlighting, bool lastMoveHighlighting);
    // The About window's query, on a worker thread whose answer wakes the frame loop.
    void startVersionQuery();
    void cancelVersionQuery() { versionQuery_.cancel(); }

  private:
    void pumpEvents();
    void handleEvent(const SDL_Event& e);
    void mouseClicked(int x, int y);
    // Drops the local player's selection, but only while the board takes that player's input.
    void deselect();
    void dragCamera(int x, int y, unsigned buttons);
    // A GUI window (not the see-through root) lies under the window pixel.
    bool guiUnderCursor(float x, float y) const;
    bool editBoxHasKeyboard() const;
    void pace(float frameSeconds);
    // The player acted within the last second, or something on the board moves.
    bool busy() const;
    void waitIdle(double seconds, bool wakeOnMotion);
    bool keyHeld(int engineKey) const;
    std::string probeText() const;

    Ogre::SceneManager* sceneManager_;
    CEGUI::OgreRenderer* guiRenderer_;
    bool quitRequest_ = false;
    Ogre::Camera* camera_;
    Ogre::RenderWindow* window_;
    bool windowClosed_ = false;

    float keyRepeatTimer_ = 0;
    float arrowSpin_ = 0;
    bool chatLineOpen_ = false;
    std::bitset<512> pressedThisFrame_;
    // The right or middle button held down over the board: once the cursor has moved a few
    // pixels it turns the camera; the right one let go before that is a click.
    struct CameraDrag {
        int button = 0; // SDL button number, 0 when none is held
        int startX = 0, startY = 0, lastX = 0, lastY = 0;
        bool moving = false;
    };
    CameraDrag cameraDrag_;
    std::vector<SDL_Event> heldEvents_;

    Screens& screens_;
    BoardMarks marks_;
    CueSettings cues_;
    GameSounds sounds_;
    BoardScene& board_;
    OrbitCamera orbit_;
    // The views that follow the game; the game never calls them at its own teardown.
    std::unique_ptr<BoardPresenter> presenter_;
    std::unique_ptr<GameScreensView> screensView_;
    std::unique_ptr<GameCues> gameCues_;
    std::unique_ptr<Game> game_;
    // The players that act on the game leave it before it goes.
    std::unique_ptr<net::NetSession> session_;
    std::unique_ptr<ComputerGame> computer_;
    std::unique_ptr<Picker> picker_;

    // Frame pacing: a busy frame (input, animation) may come at up to 60 per second; an
    // idle game draws a few frames a second so it does not burn a core doing nothing.
    double lastFrameEnd_ = 0;
    double lastActivity_ = 0;
    bool paced_ = true;

    VersionQueryTask versionQuery_;
    unsigned long frameNumber_ = 0;
    unsigned long framesDrawn_ = 0; // ticks that drew the window
    unsigned long guiDraws_ = 0;    // render queues the GUI has drawn, for the probe
    std::unique_ptr<StateProbe> probe_;
};

} // namespace korvane
