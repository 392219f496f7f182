#pragma once
// The application object: brings the engine, the window, the GUI and the scene up in a
// fixed order, hands over to the engine's render loop, and tears everything down.

#include <memory>
#include <string>

struct SDL_Window;
namespace Ogre {
class Root;
class LogManager;
class Camera;
class SceneManager;
class RenderWindow;
} // namespace Ogre
namespace CEGUI {
class OgreRenderer;
class System;
class Window;
} // namespace CEGUI

namespace korvane {

class KorvaneFrameListener;

class KorvaneApp {
  public:
    KorvaneApp() = default;
    KorvaneApp(const KorvaneApp&) = delete;
    KorvaneApp& operator=(const KorvaneApp&) = delete;
    virtual ~KorvaneApp();

    // setUp, then the render loop when a render system was configured.
    virtual void run();
    // False when no usable render system was configured: nothing else exists then.
    bool setUp();

    KorvaneFrameListener* frameListener() const { return frameListener_; }

  private:
    void registerResourceLocations();
    bool applyDisplaySettings();
    void openWindow(const std::string& videoMode, const std::string& fullScreen,
                    const std::string& fsaa, const std::string& vsync);
    void buildScene();

    CEGUI::OgreRenderer* guiRenderer_ = nullptr;
    CEGUI::System* guiSystem_ = nullptr;
    CEGUI::Window* guiSheet_ = nullptr;
    Ogre::Root* root_ = nullptr;
    Ogre::Camera* camera_ = nullptr;
    Ogre::SceneManager* sceneManager_ = nullptr;
    KorvaneFrameListener* frameListener_ = nullptr;
    Ogre::RenderWindow* renderWindow_ = nullptr;
    SDL_Window* sdlWindow_ = nullptr;
    Ogre::LogManager* logManager_ = nullptr;
    bool sdlStarted_ = false;
};

} // namespace korvane
