#include "korvane_app.h"

#include "computer_game.h"
#include "config/config_store.h"
#include "config/settings.h"
#include "display_options.h"
#include "frame_listener.h"
#include "gui/screens.h"
#include "rules/position.h"
#include "scene/board_scene.h"
#include "version/version_query.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <Ogre.h>
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>

namespace korvane {

namespace {

// Engine exceptions are the one failure the entry point reports; a GUI toolkit failure
// during start-up or inside a frame is reported the same way.
[[noreturn]] void rethrowGuiFailure(const CEGUI::Exception& e) {
    OGRE_EXCEPT(Ogre::Exception::ERR_INTERNAL_ERROR,
                std::string("GUI: ") + e.getMessage().c_str() + " (" + e.getFileName().c_str() +
                    ")",
                e.getFunctionName().c_str());
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string settingValue(const char* key, const char* section) {
    return ConfigStore::getValue(key, section, kConfigFile);
}

} // namespace

KorvaneApp::KorvaneApp() = default;

KorvaneApp::~KorvaneApp() {
    // The screens' event subscriptions go before the GUI system that holds them.
    screens_.reset();
    if (guiSystem_) {
        // The GUI system and its renderer were created together and go together:
        // system first, then the renderer.
        CEGUI::OgreRenderer::destroySystem();
        guiSystem_ = nullptr;
        guiRenderer_ = nullptr;
    }
    // Not removed from the root first: the loop has already ended.
    delete frameListener_;
    frameListener_ = nullptr;
    board_.reset();
    if (root_ && sceneManager_)
        sceneManager_->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
    delete root_; // closes the render window, destroys the scene and unloads plug-ins
    root_ = nullptr;
    delete logManager_;
    logManager_ = nullptr;
    if (sdlWindow_)
        SDL_DestroyWindow(sdlWindow_);
    sdlWindow_ = nullptr;
    if (sdlStarted_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void KorvaneApp::run() {
    if (setUp())
        root_->startRendering();
}

bool KorvaneApp::setUp() {
    // The GL render system opens the X display while the engine root is being built. When
    // that fails, the half-built root unloads the plug-in that threw, and the exception's
    // texts point into the unloaded library. So the display is tried first, and its
    // absence is said plainly; nothing has touched the settings then.
    const char* displayName = std::getenv("DISPLAY");
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::cerr << "Korvane: cannot open the X display \"" << (displayName ? displayName : "")
                  << "\"; the game needs a running X server (is DISPLAY set?)\n";
        return false;
    }
    XCloseDisplay(display);

    // The engine log goes to "log.log" only, not to the console as well.
    logManager_ = new Ogre::LogManager;
    logManager_->createLog("log.log", true, false, false);
    root_ = new Ogre::Root("plugins.cfg", "", "");
    registerResourceLocations();
    if (!applyDisplaySettings())
        return false;

    sceneManager_ = root_->createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME,
                                              "SMInstance");

    camera_ = sceneManager_->createCamera("DefaultCam");
    camera_->setNearClipDistance(0.05f);
    Ogre::SceneNode* camNode =
        sceneManager_->getRootSceneNode()->createChildSceneNode("DefaultCamNode");
    camNode->attachObject(camera_);
    camNode->setPosition(0, 0, 4);
    camNode->setFixedYawAxis(true);
    camNode->lookAt(Ogre::Vector3(0, 0, -15), Ogre::Node::TS_WORLD);

    Ogre::Viewport* vp = renderWindow_->addViewport(camera_, 0, 0, 0, 1, 1);
    vp->setBackgroundColour(Ogre::ColourValue(0.3f, 0.3f, 0.5f, 1.0f));
    camera_->setAspectRatio(Ogre::Real(vp->getActualWidth()) / Ogre::Real(vp->getActualHeight()));

    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();

    try {
        buildScene();
        frameListener_ =
            new KorvaneFrameListener(sceneManager_, camera_, renderWindow_, guiRenderer_, root_,
                                     sdlWindow_, *screens_, *this, *board_);
    } catch (const CEGUI::Exception& e) {
        rethrowGuiFailure(e);
    }
    root_->addFrameListener(frameListener_);
    return true;
}

void KorvaneApp::registerResourceLocations() {
    Ogre::ConfigFile cf;
    cf.load("resources.cfg", "\t:=", true);
    auto& rgm = Ogre::ResourceGroupManager::getSingleton();
    for (const auto& section : cf.getSettingsBySection()) {
        for (const auto& setting : section.second) {
            // This engine accepts a folder that is not there and fails much later with a
            // puzzling message; a missing media folder is a broken installation, said plainly.
            if (setting.first == "FileSystem" && !isDirectory(setting.second))
                OGRE_EXCEPT(Ogre::Exception::ERR_FILE_NOT_FOUND,
                            "Resource location '" + setting.second + "' of group '" +
                                section.first + "' in resources.cfg is not a folder",
                            "registerResourceLocations");
            rgm.addResourceLocation(setting.second, setting.first, section.first, false);
        }
    }
}

bool KorvaneApp::applyDisplaySettings() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Ogre::RenderSystemList& systems = root_->getAvailableRenderers();
        VideoSettings v;
        v.rs = settingValue("RS", "Video");
        if (systems.empty()) {
            std::cerr << "Korvane: no render system is available (asked for \"" << v.rs << "\")\n";
            return false;
        }
        Ogre::RenderSystem* chosen = nullptr;
        for (Ogre::RenderSystem* rs : systems) {
            if (rs->getName() == renderSystemName(v.rs)) {
                chosen = rs;
                break;
            }
        }
        if (!chosen) {
            std::string offered;
            for (Ogre::RenderSystem* rs : systems)
                offered += (offered.empty() ? "\"" : ", \"") + rs->getName() + "\"";
            std::cerr << "Korvane: no render system matches [Video] RS=\"" << v.rs
                      << "\"; available: " << offered << "\n";
            return false;
        }
        root_->setRenderSystem(chosen);
        settingsOnTrial_ = true;

        v.w = settingValue("W", "Video");
        v.h = settingValue("H", "Video");
        v.depth = settingValue("Depth", "Video");
        v.aa = settingValue("AA", "Video");
        v.vsync = settingValue("VSync", "Video");
        v.fs = settingValue("FS", "Video");

        // Only options this render system offers are set: setting any other one throws.
        OptionList set;
        for (const auto& option : renderSystemOptions(v)) {
            if (chosen->getConfigOptions().count(option.first)) {
                chosen->setConfigOption(option.first, option.second);
                set.push_back(option);
            }
        }

        OfferedOptions offered;
        for (const auto& [name, option] : chosen->getConfigOptions())
            offered[name] = option.possibleValues;
        int screenW = 1 << 14, screenH = 1 << 14;
        SDL_DisplayMode desktop;
        if (sdlStarted_ || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
            sdlStarted_ = true;
            if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
                screenW = desktop.w;
                screenH = desktop.h;
            }
        }
        std::string complaint = validateOptions(offered, set, screenW, screenH);

        const bool backup = ConfigStore::fileExists(kConfigBackupFile);
        if (!complaint.empty() && backup && attempt == 0) {
            restoreConfigBackup();
            continue; // the second attempt, with the restored file, decides
        }
        if (complaint.empty() && backup)
            deleteConfigBackup();

        loadPieceMaterials();

        std::string mode = v.w + " x " + v.h;
        openWindow(mode, v.fs, v.aa, v.vsync);
        settingsOnTrial_ = false;
        return true;
    }
    return false;
}

void KorvaneApp::openWindow(const std::string& videoMode, const std::string& fullScreen,
                            const std::string& fsaa, const std::string& vsync) {
    // The GL render system speaks GLX only; without a display SDL would quietly pick an
    // off-screen driver and Ogre could not draw into its window.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (!sdlStarted_ && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
                    std::string("Cannot open a window: ") + SDL_GetError(), "openWindow");
    sdlStarted_ = true;

    int w = 1024, h = 768;
    if (!parseVideoMode(videoMode, w, h)) {
        w = 1024;
        h = 768;
    }
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullScreen == "Yes")
        flags |= SDL_WINDOW_FULLSCREEN;
    sdlWindow_ =
        SDL_CreateWindow("Korvane", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!sdlWindow_)
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
                    std::string("Cannot open a window: ") + SDL_GetError(), "openWindow");
    SDL_GetWindowSize(sdlWindow_, &w, &h);

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdlWindow_, &info) || info.subsystem != SDL_SYSWM_X11)
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR, "The window is not an X11 window",
                    "openWindow");

    // Under a UTF-8 locale SDL stores the title only as UTF8_STRING, which older tools and
    // window managers cannot read; the plain Latin-1 form says the same for this title.
    XStoreName(info.info.x11.display, info.info.x11.window, "Korvane");
    XFlush(info.info.x11.display);

    root_->initialise(false);
    Ogre::NameValuePairList params;
    params["parentWindowHandle"] =
        Ogre::StringConverter::toString(static_cast<unsigned long>(info.info.x11.window));
    params["FSAA"] = fsaa.empty() ? "0" : fsaa;
    params["vsync"] = vsync == "Yes" ? "true" : "false";
    renderWindow_ = root_->createRenderWindow("Korvane", w, h, false, &params);
}

void KorvaneApp::buildScene() {
    guiRenderer_ = &CEGUI::OgreRenderer::bootstrapSystem(*renderWindow_);
    guiSystem_ = CEGUI::System::getSingletonPtr();
    // The GUI's own start-up messages are logged; afterwards only errors.
    CEGUI::Logger::getSingleton().setLoggingLevel(CEGUI::Errors);

    setUpGuiResources(*guiSystem_);
    screens_ = std::make_unique<Screens>(*this);
    screens_->buildGui();
    guiSheet_ = guiSystem_->getDefaultGUIContext().getRootWindow();

    // The board stands on a table in a dim room, not in a coloured void.
    if (Ogre::Viewport* vp = camera_->getViewport())
        vp->setBackgroundColour(Ogre::ColourValue(kRoomColour[0], kRoomColour[1], kRoomColour[2]));

    // The square tiles and both piece sets, then the rules' data of the starting position.
    board_ = std::make_unique<BoardScene>(
        sceneManager_,
        PieceLooks{settings().whiteMaterial, settings().blackMaterial, settings().movableMaterial});
    board_->build();

    lightBoard(sceneManager_, settingValue("Shadows", "Video") == "true");
}

// --- GUI handlers' way into the game -------------------------------------------------

const GameState& KorvaneApp::gameState() {
    return frameListener_ ? frameListener_->game().state() : startupState_;
}

void KorvaneApp::seat(Players players) {
    if (frameListener_)
        frameListener_->game().seat(players);
}

void KorvaneApp::leaveGame() {
    if (frameListener_)
        frameListener_->game().leave();
}

void KorvaneApp::newGame() {
    if (frameListener_)
        frameListener_->game().newGame();
}

void KorvaneApp::showWhiteSide() {
    if (frameListener_)
        frameListener_->showWhiteSide();
}

void KorvaneApp::resetCamera() {
    if (frameListener_)
        frameListener_->resetView(false);
}

void KorvaneApp::clearBoardMarks() {
    if (!frameListener_)
        return;
    frameListener_->game().clearSelection();
    frameListener_->clearBoardMarks();
}

void KorvaneApp::completePromotion(int pieceCode) {
    if (frameListener_ && frameListener_->game().state().mayChoosePromotion())
        frameListener_->game().completePromotion(pieceCode);
}

void KorvaneApp::resetPieceLooks() {
    if (frameListener_) {
        board_->resetPieceLooks(0);
        board_->resetPieceLooks(1);
    }
}

void KorvaneApp::flowFlagsChanged(bool flipView, bool highlighting, bool lastMoveHighlighting) {
    if (frameListener_)
        frameListener_->setFlowFlags(flipView, highlighting, lastMoveHighlighting);
}

void KorvaneApp::requestQuit() {
    if (frameListener_)
        frameListener_->requestQuit();
}

void KorvaneApp::playClickSound() {
    if (frameListener_)
        frameListener_->sounds().playClick();
}

std::vector<std::string> KorvaneApp::renderSystems() {
    std::vector<std::string> names;
    const std::string suffix = " Rendering Subsystem";
    for (Ogre::RenderSystem* rs : root_->getAvailableRenderers()) {
        const std::string& name = rs->getName();
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name.substr(0, name.size() - suffix.size()));
    }
    return names;
}

bool KorvaneApp::cartoonShadersSupported() {
    return Ogre::GpuProgramManager::getSingleton().isSyntaxSupported("glsl");
}

void KorvaneApp::startVersionQuery() {
    if (frameListener_)
        frameListener_->startVersionQuery();
}

void KorvaneApp::cancelVersionQuery() {
    if (frameListener_)
        frameListener_->cancelVersionQuery();
}

void KorvaneApp::network(NetRequest request) {
    if (frameListener_)
        frameListener_->session().request(request, settings().playerName);
}

void KorvaneApp::connectTo(const std::string& address, bool typed) {
    if (typed) {
        // The settings file cannot keep blanks at a value's end.
        std::string kept = address;
        ConfigStore::trim(kept, " \t");
        ConfigStore::setValue("LastIP", kept, "Game", kConfigFile);
    }
    if (frameListener_)
        frameListener_->session().connect(address, settings().playerName);
}

void KorvaneApp::sendChat(const std::string& text) {
    if (frameListener_)
        frameListener_->session().sendChat(text);
}

std::string KorvaneApp::missingEngine() {
    return korvane::missingEngine();
}

void KorvaneApp::startComputerGame(int colour, int level) {
    if (frameListener_)
        frameListener_->computer().start(colour, level);
}

void KorvaneApp::takeBack() {
    if (!frameListener_)
        return;
    if (frameListener_->game().state().localGame())
        frameListener_->game().takeBack();
    else
        frameListener_->computer().takeBack();
}

bool KorvaneApp::mayChoosePromotion() {
    return frameListener_ && frameListener_->game().state().mayChoosePromotion();
}

std::string KorvaneApp::lastAddress() {
    return ConfigStore::getValue("LastIP", "Game", kConfigFile);
}

} // namespace korvane
