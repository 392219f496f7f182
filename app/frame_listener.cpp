#include "frame_listener.h"

#include "computer_game.h"
#include "config/settings.h"
#include "gui/catalogue.h"
#include "gui/probe.h"
#include "gui/screens.h"
#include "input_keys.h"
#include "rules/fen.h"
#include "scene/board_click.h"
#include "scene/pick_names.h"
#include "scene/screen_points.h"
#include "state_probe.h"
#include "version/version_query.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <Ogre.h>
#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>

namespace korvane {

namespace {

double nowSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

CEGUI::MouseButton guiButton(Uint8 sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_RIGHT:
        return CEGUI::RightButton;
    case SDL_BUTTON_MIDDLE:
        return CEGUI::MiddleButton;
    case SDL_BUTTON_X1:
        return CEGUI::X1Button;
    default:
        return CEGUI::LeftButton;
    }
}

// Decodes UTF-8 into code points; a malformed sequence yields U+FFFD and moves on.
template <typename F> void forEachCodePoint(const char* s, F&& f) {
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        unsigned cp = *p;
        int extra = 0;
        if (cp >= 0xF0 && cp < 0xF8) {
            cp &= 0x07;
            extra = 3;
        } else if (cp >= 0xE0) {
            cp &= 0x0F;
            extra = 2;
        } else if (cp >= 0xC0) {
            cp &= 0x1F;
            extra = 1;
        } else if (cp >= 0x80) {
            f(0xFFFDu);
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        f(ok ? cp : 0xFFFDu);
    }
}

} // namespace

KorvaneFrameListener::KorvaneFrameListener(Ogre::SceneManager* sceneManager, Ogre::Camera* camera,
                                           Ogre::RenderWindow* window,
                                           CEGUI::OgreRenderer* guiRenderer, Ogre::Root* root,
                                           SDL_Window* sdlWindow, Screens& screens,
                                           GuiBackend& backend, BoardScene& board)
    : sceneManager_(sceneManager), guiRenderer_(guiRenderer), camera_(camera), window_(window),
      screens_(screens), board_(board), orbit_(camera) {
    // The camera leaves its start-up spot for the orbit; the listener follows it once sound
    // is up.
    orbit_.place();

    loadSettings(kConfigFile);
    setFlowFlags(settings().flipView, settings().highlighting, settings().lastMoveHighlighting);
    cues_.sounds = settings().sounds;
    // The views first, so that each hears the game's changes from the first.
    presenter_ = std::make_unique<BoardPresenter>(board_, marks_);
    screensView_ = std::make_unique<GameScreensView>(screens_);
    CueHooks hooks;
    hooks.flipView = [this] { orbit_.flip(); };
    hooks.showSide = [this](bool blackSide) { orbit_.showSide(blackSide); };
    hooks.sound = [this](Cue cue, int square) {
        const WorldPoint at = squareWorldPoint(square);
        sounds_.play(cue == Cue::Select ? GameSounds::Select : GameSounds::Move, at.x, at.y, at.z);
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
        guiRenderer_->setRenderingEnabled(show);
        if (CEGUI::Window* root = findWindow("Root"))
            root->setVisible(show);
    });

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
        sounds_.start(true, "./media/sounds/", SoundVec3{p.x, p.y, p.z},
                      SoundQuat{q.w, q.x, q.y, q.z});
        orbit_.setListenerHook([this](const Ogre::Vector3& p, const Ogre::Quaternion& q) {
            sounds_.followCamera(SoundVec3{p.x, p.y, p.z}, SoundQuat{q.w, q.x, q.y, q.z});
        });
    }

    if (const char* path = std::getenv("KORVANE_STATE_FILE"); path && *path) {
        probe_ = std::make_unique<StateProbe>(path);
        CEGUI::System::getSingleton().getDefaultGUIContext().subscribeEvent(
            CEGUI::RenderingSurface::EventRenderQueueStarted, [this](const CEGUI::EventArgs&) {
                ++guiDraws_;
                return true;
            });
    }

    // Benchmarks measure what a frame costs, so they switch the pacing off.
    const char* uncapped = std::getenv("KORVANE_UNCAPPED");
    paced_ = !(uncapped && std::string(uncapped) == "1");

    lastFrameEnd_ = lastActivity_ = nowSeconds();
}

KorvaneFrameListener::~KorvaneFrameListener() {
    sounds_.release();
}

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

bool KorvaneFrameListener::keyHeld(int engineKey) const {
    SDL_Scancode sc = scancodeFromEngineKey(engineKey);
    if (sc == SDL_SCANCODE_UNKNOWN)
        return false;
    // A key pressed and released between two frames still counts once.
    return SDL_GetKeyboardState(nullptr)[sc] != 0 || pressedThisFrame_[sc];
}

void KorvaneFrameListener::pumpEvents() {
    pressedThisFrame_.reset();
    // The event that ended the idle wait comes first, in its place in the order.
    for (const SDL_Event& held : heldEvents_)
        handleEvent(held);
    heldEvents_.clear();
    SDL_Event e;
    while (SDL_PollEvent(&e))
        handleEvent(e);
}

void KorvaneFrameListener::handleEvent(const SDL_Event& e) {
    CEGUI::GUIContext& gui = CEGUI::System::getSingleton().getDefaultGUIContext();
    switch (e.type) {
    case SDL_QUIT:
        windowClosed_ = true;
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
            windowClosed_ = true;
        } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            // The button's release may never come back to this window.
            cameraDrag_ = CameraDrag();
        } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            window_->resize(e.window.data1, e.window.data2);
            window_->windowMovedOrResized();
            picker_->resize(window_->getWidth(), window_->getHeight());
            camera_->setAspectRatio(Ogre::Real(window_->getWidth()) /
                                    Ogre::Real(std::max(1u, window_->getHeight())));
            CEGUI::System::getSingleton().notifyDisplaySizeChanged(
                CEGUI::Sizef(float(window_->getWidth()), float(window_->getHeight())));
        }
        break;
    case SDL_KEYDOWN:
        if (e.key.keysym.scancode < SDL_NUM_SCANCODES)
            pressedThisFrame_.set(e.key.keysym.scancode);
        if (int key = engineKeyFromScancode(e.key.keysym.scancode)) {
            const bool guiTookIt = gui.injectKeyDown(static_cast<CEGUI::Key::Scan>(key));
            // Escape keeps whatever it means to the window that has the keyboard; on the
            // board it drops the selection.
            if (key == KeyEscape && !e.key.repeat && !guiTookIt && !editBoxHasKeyboard())
                deselect();
        }
        break;
    case SDL_KEYUP:
        // The GUI never receives key releases: it works on presses alone.
        break;
    case SDL_USEREVENT:
        // A worker's answer is waiting: the frame that takes it comes at once.
        break;
    case SDL_TEXTINPUT:
        // Typed text goes to the GUI only while an edit box has the keyboard, so keypad plus
        // and minus steer the camera without typing into a box that had it earlier. Text
        // input itself stays on: a box clicked in this very batch of events gets the letters
        // that follow the click.
        if (editBoxHasKeyboard())
            forEachCodePoint(e.text.text, [&](unsigned cp) { gui.injectChar(cp); });
        break;
    case SDL_MOUSEMOTION:
        gui.injectMousePosition(float(e.motion.x), float(e.motion.y));
        dragCamera(e.motion.x, e.motion.y, e.motion.state);
        break;
    case SDL_MOUSEBUTTONDOWN:
        gui.injectMousePosition(float(e.button.x), float(e.button.y));
        // Only the left button plays, and the board sees its press before the GUI does. The
        // right and middle buttons turn the camera when pressed over the board itself.
        if (e.button.button == SDL_BUTTON_LEFT) {
            mouseClicked(e.button.x, e.button.y);
        } else if ((e.button.button == SDL_BUTTON_RIGHT || e.button.button == SDL_BUTTON_MIDDLE) &&
                   cameraDrag_.button == 0 &&
                   !guiUnderCursor(float(e.button.x), float(e.button.y))) {
            cameraDrag_ =
                CameraDrag{e.button.button, e.button.x, e.button.y, e.button.x, e.button.y, false};
        }
        gui.injectMouseButtonDown(guiButton(e.button.button));
        break;
    case SDL_MOUSEBUTTONUP:
        gui.injectMouseButtonUp(guiButton(e.button.button));
        if (e.button.button == cameraDrag_.button) {
            const bool click = !cameraDrag_.moving;
            cameraDrag_ = CameraDrag();
            if (click && e.button.button == SDL_BUTTON_RIGHT)
                deselect();
        }
        break;
    case SDL_MOUSEWHEEL: {
        float notches = e.wheel.preciseY;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        // Over a window the wheel is the window's (a list scrolls); over the board it zooms.
        const CEGUI::Vector2f at = gui.getMouseCursor().getPosition();
        if (guiUnderCursor(at.d_x, at.d_y))
            gui.injectMouseWheelChange(notches);
        else
            orbit_.zoom(notches);
        break;
    }
    default:
        return;
    }
    lastActivity_ = nowSeconds();
}

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

void KorvaneFrameListener::dragCamera(int x, int y, unsigned buttons) {
    if (cameraDrag_.button == 0)
        return;
    if (!(buttons & SDL_BUTTON(cameraDrag_.button))) {
        // Let go where this window did not see it.
        cameraDrag_ = CameraDrag();
        return;
    }
    // A hand never holds the mouse quite still: a few pixels still count as a click.
    constexpr int kDragThreshold = 4;
    if (!cameraDrag_.moving) {
        if (std::abs(x - cameraDrag_.startX) + std::abs(y - cameraDrag_.startY) < kDragThreshold)
            return;
        cameraDrag_.moving = true;
    }
    orbit_.drag(float(x - cameraDrag_.lastX), float(y - cameraDrag_.lastY));
    cameraDrag_.lastX = x;
    cameraDrag_.lastY = y;
}

bool KorvaneFrameListener::guiUnderCursor(float x, float y) const {
    CEGUI::Window* root = CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow();
    return root && root->isEffectiveVisible() &&
           root->getTargetChildAtPosition(CEGUI::Vector2f(x, y)) != nullptr;
}

bool KorvaneFrameListener::editBoxHasKeyboard() const {
    CEGUI::Window* root = CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow();
    CEGUI::Window* active = root ? root->getActiveChild() : nullptr;
    return active && dynamic_cast<CEGUI::Editbox*>(active) && active->isEffectiveVisible() &&
           !active->isEffectiveDisabled();
}

bool KorvaneFrameListener::frameStarted(const Ogre::FrameEvent& evt) {
    pumpEvents();
    if (windowClosed_ || window_->isClosed())
        return false;
    const float dt = evt.timeSinceLastFrame;
    if (keyRepeatTimer_ >= 0)
        keyRepeatTimer_ -= dt;

    arrowSpin_ = kArrowSpinSpeed * dt;
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
        lastActivity_ = nowSeconds();
    session_->service();
    if (computer_->update())
        lastActivity_ = nowSeconds();
    if (std::optional<std::string> version = versionQuery_.poll())
        screens_.showLatestVersion(*version);

    // Render on demand: a still picture stays on screen without being drawn again. The
    // loop goes on ticking (the network, the GUI's timers and the probe need it), but only
    // activity, the spinning arrow or a GUI change draws; an uncovered window is an event.
    const bool draw =
        !paced_ || busy() || CEGUI::System::getSingleton().getDefaultGUIContext().isDirty();
    window_->setAutoUpdated(draw);
    // The GUI draws from a frame listener of its own, window or not: an undrawn tick would
    // still paint the whole menu into a buffer nobody shows.
    guiRenderer_->setRenderingEnabled(draw);
    if (draw)
        ++framesDrawn_;
    return true;
}

bool KorvaneFrameListener::busy() const {
    return nowSeconds() - lastActivity_ < 1.0 || board_.arrowEntity()->isVisible();
}

bool KorvaneFrameListener::pollKeyboard(const Ogre::FrameEvent& evt) {
    const float dt = evt.timeSinceLastFrame;
    if (keyHeld(KeyReturn) && keyRepeatTimer_ <= 0) {
        if (!game_->state().networkGame()) {
            if (!game_->state().joining && screens_.connectTypedAddress())
                keyRepeatTimer_ = 0.5f;
        } else if (screens_.chatLineOpen()) {
            screens_.sendChatLine();
            keyRepeatTimer_ = 0.5f;
        } else {
            screens_.openChatLine();
            keyRepeatTimer_ = 0.5f;
        }
    }
    chatLineOpen_ = screens_.chatLineOpen();

    if (!chatLineOpen_) {
        OrbitKeys keys;
        keys.up = keyHeld(KeyUp);
        keys.down = keyHeld(KeyDown);
        keys.right = keyHeld(KeyRight);
        keys.left = keyHeld(KeyLeft);
        keys.zoomIn = keyHeld(KeyKeypadPlus);
        keys.zoomOut = keyHeld(KeyKeypadMinus);
        if (orbit_.update(keys, dt))
            lastActivity_ = nowSeconds();
        // Home puts the camera back where a game starts it; in an edit box Home is the text's.
        if (keyHeld(KeyHome) && !editBoxHasKeyboard()) {
            resetView();
            lastActivity_ = nowSeconds();
        }
        if (keyHeld(KeyEscape) && keyHeld(KeyLeftShift))
            return false;
        if (keyHeld(KeyPrintScreen) && keyRepeatTimer_ <= 0) {
            window_->writeContentsToTimestampedFile("Korvane_", ".png");
            keyRepeatTimer_ = 0.5f;
        }
    }
    return true;
}

std::string KorvaneFrameListener::probeText() const {
    const GameState& state = game().state();
    std::string out;
    out += "frame " + std::to_string(frameNumber_) + "\n";
    out += "mode " + std::to_string(state.kindCode()) + "\n";
    out += "side " + std::to_string(static_cast<int>(state.sideToMove)) + "\n";
    out += "fen " + writeFen(game().position(), state.sideToMove) + "\n";
    if (state.selection.any())
        out += "selected " + std::to_string(state.selection.colour) + " " +
               std::to_string(state.selection.kind) + " " + std::to_string(state.selection.index) +
               "\n";
    else
        out += "selected none\n";
    out += std::string("promotion ") + (state.promotionPending ? "1" : "0") + "\n";
    const OrbitState& o = orbit_.orbit();
    char line[160];
    std::snprintf(line, sizeof line, "camera %.6f %.6f %.6f %d\n", o.yaw, o.elevation, o.distance,
                  orbit_.flipped() ? 1 : 0);
    out += line;
    const unsigned w = window_->getWidth(), h = window_->getHeight();
    for (int sq = 0; sq < 64; ++sq) {
        const WindowPoint pt = squareCentre(camera_, sq, w, h);
        std::snprintf(line, sizeof line, "square %d %.1f %.1f\n", sq, pt.x, pt.y);
        out += line;
    }
    const Position& pos = game().position();
    for (int colour = 0; colour < 2; ++colour) {
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            const Fig& f = pos.sets[colour].pieces[slot];
            const WindowPoint pt = pieceCentre(board_, camera_, colour, f.kind, f.index, w, h);
            const int square = f.alive && onBoard(f.x, f.y) ? squareIndex(f.x, f.y) : -1;
            std::snprintf(line, sizeof line, "piece %s %d %d %.1f %.1f\n",
                          pieceName(colour, f.kind, f.index).c_str(), f.alive ? 1 : 0, square, pt.x,
                          pt.y);
            out += line;
        }
    }
    out += formatWindowLines(probeWindows());
    const net::Role role = session_->role();
    out += std::string("role ") +
           (role == net::Role::Host    ? "host"
            : role == net::Role::Guest ? "guest"
                                       : "none") +
           "\n";
    out += "peer " + session_->peerName() + "\n";
    out += formatLanLines(probeLanEntries());
    out += std::string("arrow ") + (board_.arrowEntity()->isVisible() ? "1" : "0") + "\n";
    out += "drawn " + std::to_string(framesDrawn_) + "\n";
    out += "guidrawn " + std::to_string(guiDraws_) + "\n";
    out += computer_->probeLines();
    return out;
}

void KorvaneFrameListener::pace(float) {
    // Busy while the player acts or something moves; otherwise the loop ticks a few times a
    // second without drawing.
    if (!paced_)
        return;
    const double now = nowSeconds();
    const bool active = busy();
    const double period = active ? 1.0 / 60.0 : 1.0 / 4.0;
    const double wait = lastFrameEnd_ + period - now;
    // Either wait ends early for a click, a key or a packet, which the next frame then handles
    // and draws at once; while busy, mouse motion only waits for the frame it is due in.
    if (wait > 0)
        waitIdle(wait, !active);
    lastFrameEnd_ = nowSeconds();
}

void KorvaneFrameListener::waitIdle(double seconds, bool wakeOnMotion) {
    // The wait ends at the first input event (left queued for the next frame) or the first
    // packet, so neither a click nor a peer's move waits for the pace.
    const double end = nowSeconds() + seconds;
    const bool network = session_->socketsOpen();
    // An engine's answer is looked for as often as a packet.
    const bool engine = computer_->waitingForEngine();
    for (;;) {
        const double left = end - nowSeconds();
        if (left <= 0)
            return;
        // The network is looked at every few milliseconds; without it one wait does.
        const int slice =
            std::max(1, int((network || engine ? std::min(left, 0.005) : left) * 1000.0));
        // The wait takes the event out of the queue: SDL 2.26 waiting with no event to fill
        // leaves a marker behind that makes the next poll miss what is queued, so a click or
        // a window close could sit unseen.
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, slice)) {
            heldEvents_.push_back(event);
            if (wakeOnMotion || event.type != SDL_MOUSEMOTION)
                return;
            continue;
        }
        if (network) {
            session_->pump();
            if (session_->trafficWaiting())
                return;
        }
        if (engine && computer_->engineOutputReady())
            return;
    }
}

bool KorvaneFrameListener::frameEnded(const Ogre::FrameEvent& evt) {
    ++frameNumber_;
    if (probe_)
        probe_->write(probeText());
    pace(evt.timeSinceLastFrame);
    return !quitRequest_;
}

} // namespace korvane
