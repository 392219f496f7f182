#pragma once
// What the game runs in: the engine's root with its log, the window, the GUI system and the
// sound. Each lives in a member declared in the reverse of teardown order, so the members
// themselves take everything down in the one order that works: the GUI while the render
// window it draws into is open, the sound, the root (which closes the render window, destroys
// the scene and unloads plug-ins), then the SDL window the render window sat in.

#include "sound/game_sounds.h"

#include <memory>
#include <string>

struct SDL_Window;
namespace Ogre {
class LogManager;
class RenderWindow;
class Root;
} // namespace Ogre
namespace CEGUI {
class Logger;
class OgreRenderer;
} // namespace CEGUI

namespace korvane {

class AppContext {
  public:
    AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;
    ~AppContext();

    // The X display, the root with its log and media, the render system and the window the
    // stored settings ask for. False when there is no display or no usable render system.
    bool open();
    // The GUI system drawing into the render window, with its schemes and fonts.
    void startGui();

    Ogre::Root& root() const { return *root_; }
    Ogre::RenderWindow& window() const { return *renderWindow_; }
    CEGUI::OgreRenderer& guiRenderer() const { return *gui_; }
    GameSounds& sounds() { return sounds_; }

    // True while a failure can be the stored display settings' fault: from choosing the
    // render system's options until the render window is open.
    bool settingsOnTrial() const { return settingsOnTrial_; }

  private:
    void registerResourceLocations();
    bool applyDisplaySettings();
    void openWindow(const std::string& videoMode, const std::string& fullScreen,
                    const std::string& fsaa, const std::string& vsync);
    bool startVideo();
    void startGuiLog();

    struct SdlVideo {
        bool started = false;
        ~SdlVideo();
    };
    struct SdlWindowDeleter {
        void operator()(SDL_Window* window) const;
    };
    struct RootDeleter {
        void operator()(Ogre::Root* root) const;
    };
    struct GuiDeleter {
        void operator()(CEGUI::OgreRenderer*) const;
    };

    SdlVideo sdlVideo_;
    std::unique_ptr<SDL_Window, SdlWindowDeleter> sdlWindow_;
    std::unique_ptr<Ogre::LogManager> log_;
    std::unique_ptr<Ogre::Root, RootDeleter> root_;
    Ogre::RenderWindow* renderWindow_ = nullptr; // the root's
    GameSounds sounds_;
    // The GUI's log, made before the GUI so that a run directory that cannot take CEGUI.log
    // does not stop the start; it outlives the GUI, which logs while it goes.
    std::unique_ptr<CEGUI::Logger> guiLog_;
    std::unique_ptr<CEGUI::OgreRenderer, GuiDeleter> gui_;
    bool settingsOnTrial_ = false;
};

} // namespace korvane
