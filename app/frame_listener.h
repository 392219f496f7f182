#pragma once
// The object the engine drives every frame: input from SDL down the chain of listeners, the
// polled keyboard, and the per-frame steps of the other subsystems in a fixed order. It owns
// the game, the views that follow it, the network session and the game against the computer.

#include "frame_pacer.h"
#include "game/cues.h"
#include "game/game.h"
#include "gui/game_view.h"
#include "input_listeners.h"
#include "net/session.h"
#include "scene/board_presenter.h"
#include "scene/board_scene.h"
#include "scene/orbit_camera.h"
#include "scene/picker.h"
#include "version/version_task.h"

#include <CEGUI/Event.h>
#include <OgreFrameListener.h>

#include <memory>
#include <string>
#include <vector>

namespace Ogre {
class SceneManager;
class Camera;
class RenderWindow;
} // namespace Ogre

namespace korvane {

class AppContext;
class StateProbe;
class Screens;
class ComputerGame;
struct ProbeFacts;

class KorvaneFrameListener : public Ogre::FrameListener {
  public:
    KorvaneFrameListener(AppContext& context, Ogre::SceneManager* sceneManager,
                         Ogre::Camera* camera, Screens& screens, BoardScene& board);
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
    void windowResized(int width, int height);
    void mouseClicked(int x, int y);
    // Drops the local player's selection, but only while the board takes that player's input.
    void deselect();
    // Enter: connects to a typed address, or opens or sends the chat line. True when it did.
    bool enterPressed();
    // What may end the pacing's idle wait early: a packet, the engine's answer.
    FramePacer::Arrival arrival();
    bool busy() const;
    ProbeFacts probeFacts() const;

    Ogre::SceneManager* sceneManager_;
    AppContext& context_;
    bool quitRequest_ = false;
    Ogre::Camera* camera_;
    Ogre::RenderWindow* window_;
    bool windowClosed_ = false;

    Screens& screens_;
    BoardMarks marks_;
    CueSettings cues_;
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

    // Input: the GUI first, then the game's own listeners, each taking what is its.
    HeldKeys heldKeys_;
    KeyCommands keyCommands_;
    CameraInput cameraInput_;
    BoardInput boardInput_;
    InputListenerChain gameInput_;
    GuiInput guiInput_;
    InputListenerChain input_;
    std::vector<SDL_Event> heldEvents_;

    FramePacer pacer_;
    VersionQueryTask versionQuery_;
    unsigned long frameNumber_ = 0;
    unsigned long framesDrawn_ = 0; // ticks that drew the window
    unsigned long guiDraws_ = 0;    // render queues the GUI has drawn, for the probe
    std::unique_ptr<StateProbe> probe_;
    CEGUI::Event::ScopedConnection guiDrawCounter_;
};

} // namespace korvane
