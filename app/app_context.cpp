#include "app_context.h"

#include "config/config_store.h"
#include "config/settings.h"
#include "display_options.h"
#include "gui/screens.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Ogre/Renderer.h>
#include <Ogre.h>
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string settingValue(const char* key, const char* section) {
    return ConfigStore::getValue(key, section, kConfigFile);
}

} // namespace

AppContext::SdlVideo::~SdlVideo() {
    if (started)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void AppContext::SdlWindowDeleter::operator()(SDL_Window* window) const {
    SDL_DestroyWindow(window);
}

void AppContext::RootDeleter::operator()(Ogre::Root* root) const {
    for (const auto& scene : root->getSceneManagers())
        scene.second->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
    delete root;
}

void AppContext::GuiDeleter::operator()(CEGUI::OgreRenderer*) const {
    // The GUI system and its renderer were created together and go together: system first,
    // then the renderer.
    CEGUI::OgreRenderer::destroySystem();
}

AppContext::AppContext() = default;
AppContext::~AppContext() = default;

bool AppContext::open() {
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
    log_ = std::make_unique<Ogre::LogManager>();
    log_->createLog("log.log", true, false, false);
    root_.reset(new Ogre::Root("plugins.cfg", "", ""));
    registerResourceLocations();
    return applyDisplaySettings();
}

namespace {

// Where no log file can be written at all, the GUI's messages go nowhere: the GUI's own
// logger would keep them all in memory.
class DiscardingLogger : public CEGUI::Logger {
  public:
    void logEvent(const CEGUI::String&, CEGUI::LoggingLevel) override {}
    void setLogFilename(const CEGUI::String&, bool) override {}
};

} // namespace

void AppContext::startGuiLog() {
    // The GUI would throw from its start when CEGUI.log cannot be opened (a read-only run
    // directory); the game starts all the same and logs elsewhere, or not at all.
    auto log = std::make_unique<CEGUI::DefaultLogger>();
    const char* tmp = std::getenv("TMPDIR");
    const std::string elsewhere = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvane-CEGUI-" +
                                  std::to_string(::getuid()) + ".log";
    for (const std::string& file : {std::string("CEGUI.log"), elsewhere}) {
        try {
            log->setLogFilename(file.c_str(), false);
            if (file != "CEGUI.log")
                std::cerr << "Korvane: CEGUI.log cannot be written in the run directory; the "
                             "GUI logs to "
                          << file << "\n";
            guiLog_ = std::move(log);
            return;
        } catch (const CEGUI::Exception&) {
        }
    }
    log.reset();
    std::cerr << "Korvane: no GUI log can be written (neither CEGUI.log nor " << elsewhere
              << "); the game runs without it\n";
    guiLog_ = std::make_unique<DiscardingLogger>();
}

void AppContext::startGui() {
    startGuiLog();
    gui_.reset(&CEGUI::OgreRenderer::bootstrapSystem(*renderWindow_));
    // The GUI's own start-up messages are logged; afterwards only errors.
    CEGUI::Logger::getSingleton().setLoggingLevel(CEGUI::Errors);
    setUpGuiResources(CEGUI::System::getSingleton());
}

void AppContext::registerResourceLocations() {
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

bool AppContext::startVideo() {
    if (!sdlVideo_.started && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0)
        sdlVideo_.started = true;
    return sdlVideo_.started;
}

bool AppContext::applyDisplaySettings() {
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
        if (startVideo() && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            screenW = desktop.w;
            screenH = desktop.h;
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

void AppContext::openWindow(const std::string& videoMode, const std::string& fullScreen,
                            const std::string& fsaa, const std::string& vsync) {
    // The GL render system speaks GLX only; without a display SDL would quietly pick an
    // off-screen driver and Ogre could not draw into its window.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (!startVideo())
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
                    std::string("Cannot open a window: ") + SDL_GetError(), "openWindow");

    int w = 1024, h = 768;
    if (!parseVideoMode(videoMode, w, h)) {
        w = 1024;
        h = 768;
    }
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
    if (fullScreen == "Yes")
        flags |= SDL_WINDOW_FULLSCREEN;
    sdlWindow_.reset(
        SDL_CreateWindow("Korvane", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags));
    if (!sdlWindow_)
        OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR,
                    std::string("Cannot open a window: ") + SDL_GetError(), "openWindow");
    SDL_GetWindowSize(sdlWindow_.get(), &w, &h);

    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdlWindow_.get(), &info) || info.subsystem != SDL_SYSWM_X11)
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

} // namespace korvane
