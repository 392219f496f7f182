#include "frame_listener.h"

#include "app_context.h"
#include "computer_game.h"
#include "config/settings.h"
#include "gui/catalogue.h"
#include "gui/screens.h"
#include "probe_text.h"
#include "scene/board_click.h"
#include "state_probe.h"
#include "version/version_query.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <Ogre.h>
#include <SDL2/SDL.h>

#include <cstdlib>

namespace korvane {

KorvaneFrameListener::KorvaneFrameListener(AppContext& context, Ogre::SceneManager* sceneManager,
                                           Ogre::Camera* camera, Screens& screens,
                                           BoardScene& board)
    : sceneManager_(sceneManager), context_(context), camera_(camera), window_(&context.window()),
      screens_(screens), board_(board), orbit_(camera),
      keyCommands_(heldKeys_,
                   {[this] { deselect(); }, [this] { return enterPressed(); },
                    [this] {
                        resetView();
                        pacer_.noteActivity();
                    },
                    [this] { window_->writeContentsToTimestampedFile("Korvane_", ".png"); },
                    [this] {
                        if (!game_->resume())
                            game_->pause();
                    }}),
      cameraInput_(orbit_, heldKeys_),
      boardInput_([this](int x, int y) { mouseClicked(x, y); }, [this] { deselect(); }),
      gameInput_{&keyCommands_, &cameraInput_, &boardInput_},
      guiInput_(gameInput_), input_{&guiInput_, &gameInput_} {
    // The camera leaves its start-up spot for the orbit; the listener follows it once sound
    // is up.
    orbit_.place();

    // --- The game and the views that follow it: the board, the screens, the camera and sound.
    loadSettings(kConfigFile);
    setFlowFlags(settings().flipView, settings().highlighting, settings().lastMoveHighlighting);
    cues_.sounds = settings().sounds;
    presenter_ = std::make_unique<BoardPresenter>(board_, marks_);
    screensView_ = std::make_unique<GameScreensView>(screens_);
    CueHooks hooks;
    hooks.flipView = [this] { orbit_.flip(); };
    hooks.showSide = [this](bool blackSide) { orbit_.showSide(blackSide); };
    hooks.sound = [this](Cue cue, int square) {
        const WorldPoint at = squareWorldPoint(square);
        context_.sounds().play(cue == Cue::Select ? GameSounds::Select : GameSounds::Move, at.x,
                               at.y, at.z);
    };
    gameCues_ = std::make_unique<GameCues>(cues_, std::move(hooks));
    game_ = std::make_unique<Game>();
    game_->addObserver(*presenter_);
    game_->addObserver(*screensView_);
    game_->addObserver(*gameCues_);
    // The start position stands behind the menu.
    presenter_->showPieces(*game_);

    picker_ = std::make_unique<Picker>(sceneManager_, camera_, board_, game_->position(),
                                       window_->getWidth(), window_->getHeight());
    // The off-screen pick render must not contain the GUI.
    picker_->setGuiVisibility([this](bool show) {
        context_.guiRenderer().setRenderingEnabled(show);
        if (CEGUI::Window* root = findWindow("Root"))
            root->setVisible(show);
    });

    // --- The players beside the one at this board: the peer and the computer.
    net::SessionOptions netOptions;
    // End-to-end tests shorten the time a silent peer takes to count as lost.
    const char* ms = std::getenv("KORVANE_NET_TIMEOUT_MS");
    if (const int limit = ms ? std::atoi(ms) : 0; limit > 0) {
        netOptions.timeouts.playMinimum = std::uint32_t(limit) / 2;
        netOptions.timeouts.playMaximum = std::uint32_t(limit);
    }
    session_ = std::make_unique<net::NetSession>(*game_, screens_, netOptions);
    computer_ = std::make_unique<ComputerGame>(*game_, screens_,
                                               [this](bool blackSide) { resetView(blackSide); });

    if (settings().sounds) {
        const Ogre::Vector3 p = camera_->getDerivedPosition();
        const Ogre::Quaternion q = camera_->getDerivedOrientation();
        GameSounds& sounds = context_.sounds();
        sounds.start(true, "./media/sounds/", SoundVec3{p.x, p.y, p.z},
                     SoundQuat{q.w, q.x, q.y, q.z});
        orbit_.setListenerHook([&sounds](const Ogre::Vector3& p, const Ogre::Quaternion& q) {
            sounds.followCamera(SoundVec3{p.x, p.y, p.z}, SoundQuat{q.w, q.x, q.y, q.z});
        });
    }

    if (const char* path = std::getenv("KORVANE_STATE_FILE"); path && *path) {
        probe_ = std::make_unique<StateProbe>(path);
        guiDrawCounter_ = CEGUI::System::getSingleton().getDefaultGUIContext().subscribeEvent(
            CEGUI::RenderingSurface::EventRenderQueueStarted, [this](const CEGUI::EventArgs&) {
                ++guiDraws_;
                return true;
            });
    }

    pacer_.start();
}

KorvaneFrameListener::~KorvaneFrameListener() = default;

void KorvaneFrameListener::setFlowFlags(bool flipView, bool highlighting,
                                        bool lastMoveHighlighting) {
    cues_.flipView = flipView;
    marks_.movable = highlighting;
    marks_.lastMove = lastMoveHighlighting;
}

void KorvaneFrameListener::startVersionQuery() {
    // The host is read here, on the frame thread; the worker only talks to the network.
    const std::string host = configuredVersionHost(kConfigFile);
    versionQuery_.start([host] { return queryLatestVersion(host); },
                        [] {
                            // Pushing an event is safe from any thread; it ends the idle wait.
                            SDL_Event wake{};
                            wake.type = SDL_USEREVENT;
                            SDL_PushEvent(&wake);
                        });
}

void KorvaneFrameListener::resetView() {
    orbit_.reset();
}

void KorvaneFrameListener::resetView(bool blackSide) {
    orbit_.reset(blackSide);
}

void KorvaneFrameListener::pumpEvents() {
    heldKeys_.newFrame();
    // The event that ended the idle wait comes first, in its place in the order.
    for (const SDL_Event& held : heldEvents_)
        handleEvent(held);
    heldEvents_.clear();
    SDL_Event e;
    while (SDL_PollEvent(&e))
        handleEvent(e);
}

void KorvaneFrameListener::handleEvent(const SDL_Event& e) {
    if (!countsAsActivity(e.type))
        return;
    if (e.type == SDL_QUIT ||
        (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE))
        windowClosed_ = true;
    else if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        windowResized(e.window.data1, e.window.data2);
    // Every press counts for the polled keys, whoever takes the event.
    else if (e.type == SDL_KEYDOWN)
        heldKeys_.notePress(e.key);
    input_.dispatch(e);
    pacer_.noteActivity();
}

void KorvaneFrameListener::windowResized(int width, int height) {
    window_->resize(width, height);
    window_->windowMovedOrResized();
    picker_->resize(window_->getWidth(), window_->getHeight());
    camera_->setAspectRatio(Ogre::Real(window_->getWidth()) /
                            Ogre::Real(std::max(1u, window_->getHeight())));
    CEGUI::System::getSingleton().notifyDisplaySizeChanged(
        CEGUI::Sizef(float(window_->getWidth()), float(window_->getHeight())));
}

bool KorvaneFrameListener::frameStarted(const Ogre::FrameEvent& evt) {
    pumpEvents();
    if (windowClosed_ || window_->isClosed())
        return false;
    const float dt = evt.timeSinceLastFrame;
    keyCommands_.tick(dt);
    board_.spinArrow(dt);

    // A language change rebuilds the GUI only now, outside the click that asked for it.
    screens_.runPendingRebuild();
    CEGUI::System::getSingleton().injectTimePulse(dt);
    CEGUI::System::getSingleton().getDefaultGUIContext().injectTimePulse(dt);

    if (!pollKeyboard(evt))
        return false;

    // Every packet that has arrived, in order, every frame: a join's whole position lands in
    // one frame, and a move never waits behind the idle pace.
    if (session_->trafficWaiting())
        pacer_.noteActivity();
    session_->service();
    if (computer_->update())
        pacer_.noteActivity();
    // A long game file read off the frame loop is set up in the frame after it is read.
    if (screens_.files().pollLoad())
        pacer_.noteActivity();
    // A flag falls in the first frame after the time is up; the idle pace looks a few times a
    // second, and the clocks' windows change (and draw) only when their text does.
    game_->tick();
    screens_.refreshClocks(*game_);
    if (std::optional<std::string> version = versionQuery_.poll())
        screens_.showLatestVersion(*version);

    // Render on demand: a still picture stays on screen without being drawn again. The
    // loop goes on ticking (the network, the GUI's timers and the probe need it), but only
    // activity, the spinning arrow or a GUI change draws; an uncovered window is an event.
    const bool draw =
        !pacer_.paced() || busy() || CEGUI::System::getSingleton().getDefaultGUIContext().isDirty();
    window_->setAutoUpdated(draw);
    // The GUI draws from a frame listener of its own, window or not: an undrawn tick would
    // still paint the whole menu into a buffer nobody shows.
    context_.guiRenderer().setRenderingEnabled(draw);
    if (draw)
        ++framesDrawn_;
    return true;
}

bool KorvaneFrameListener::busy() const {
    return pacer_.busy(board_.arrowEntity()->isVisible());
}

bool KorvaneFrameListener::pollKeyboard(const Ogre::FrameEvent& evt) {
    keyCommands_.pollEnter();
    // While the chat line is open the keys are its text's.
    if (screens_.chatLineOpen())
        return true;
    if (cameraInput_.steer(evt.timeSinceLastFrame))
        pacer_.noteActivity();
    return keyCommands_.poll();
}

bool KorvaneFrameListener::frameEnded(const Ogre::FrameEvent&) {
    ++frameNumber_;
    if (probe_)
        probe_->write(probeText(probeFacts(), game_->position(), orbit_.orbit(), camera_, board_,
                                window_->getWidth(), window_->getHeight()));
    if (pacer_.paced())
        pacer_.endFrame(busy(), arrival(), heldEvents_);
    return !quitRequest_;
}

// --- The game's side of input, pacing and the probe ------------------------------------------

void KorvaneFrameListener::mouseClicked(int x, int y) {
    if (!game_->state().boardTakesClicks())
        return;
    applyBoardClick(*game_,
                    picker_->pick(float(x), float(y), window_->getWidth(), window_->getHeight()));
}

void KorvaneFrameListener::deselect() {
    // While the peer is to move, the selection on this screen is the peer's: it stays.
    if (!game_->selection().any() || !game_->state().boardTakesClicks())
        return;
    game_->clearSelection();
}

bool KorvaneFrameListener::enterPressed() {
    if (!game_->state().networkGame())
        return !game_->state().joining && screens_.connectTypedAddress();
    if (screens_.chatLineOpen())
        screens_.sendChatLine();
    else
        screens_.openChatLine();
    return true;
}

FramePacer::Arrival KorvaneFrameListener::arrival() {
    const bool network = session_->socketsOpen();
    // An engine's answer is looked for as often as a packet.
    const bool engine = computer_->waitingForEngine();
    if (!network && !engine)
        return {};
    return [this, network, engine] {
        if (network) {
            session_->pump();
            if (session_->trafficWaiting())
                return true;
        }
        return engine && computer_->engineOutputReady();
    };
}

ProbeFacts KorvaneFrameListener::probeFacts() const {
    ProbeFacts f;
    f.frame = frameNumber_;
    f.framesDrawn = framesDrawn_;
    f.guiDraws = guiDraws_;
    const GameState& state = game_->state();
    f.mode = state.kindCode();
    f.sideToMove = state.sideToMove;
    f.selection = state.selection;
    f.promotionPending = state.promotionPending;
    f.viewFlipped = orbit_.flipped();
    const net::Role role = session_->role();
    f.role = role == net::Role::Host ? "host" : role == net::Role::Guest ? "guest" : "none";
    f.peerName = session_->peerName();
    f.computerLines = computer_->probeLines();
    f.gameLines = clockAndResultLines(*game_);
    return f;
}

} // namespace korvane
