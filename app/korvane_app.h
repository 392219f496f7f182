#pragma once
// The application object: brings the engine, the window, the GUI and the scene up in a
// fixed order, hands over to the engine's render loop, and tears everything down.

#include "app_context.h"

#include <memory>

namespace Ogre {
class Camera;
class SceneManager;
} // namespace Ogre

namespace korvane {

class AppBackend;
class BoardScene;

class KorvaneApp {
  public:
    KorvaneApp();
    KorvaneApp(const KorvaneApp&) = delete;
    KorvaneApp& operator=(const KorvaneApp&) = delete;
    virtual ~KorvaneApp();

    // setUp, then the render loop when a render system was configured.
    virtual void run();
    // False when no usable render system was configured: nothing else exists then.
    bool setUp();

    // True while a failure can be the stored display settings' fault: from choosing the
    // render system's options until the render window is open. Only such a failure brings
    // the last settings that started back from their backup.
    bool settingsOnTrial() const { return context_.settingsOnTrial(); }

  private:
    void buildScene();

    // Declared in the reverse of teardown order: the game and its screens first, the board,
    // then the context with the GUI, the sound and the engine.
    AppContext context_;
    Ogre::SceneManager* sceneManager_ = nullptr; // the root's
    Ogre::Camera* camera_ = nullptr;             // the scene's
    std::unique_ptr<BoardScene> board_;
    std::unique_ptr<AppBackend> backend_;
};

} // namespace korvane
