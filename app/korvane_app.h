#pragma once
// The application object: brings the engine, the window, the GUI and the scene up in a
// fixed order, hands over to the engine's render loop, and tears everything down.

#include "gui/gui_backend.h"

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
class Screens;
class BoardScene;

// The GUI's handlers reach the game through the application object, which hands them on to
// the frame listener that owns the game state.
class KorvaneApp : public GuiBackend {
  public:
    KorvaneApp();
    KorvaneApp(const KorvaneApp&) = delete;
    KorvaneApp& operator=(const KorvaneApp&) = delete;
    virtual ~KorvaneApp();

    // setUp, then the render loop when a render system was configured.
    virtual void run();
    // False when no usable render system was configured: nothing else exists then.
    bool setUp();

    KorvaneFrameListener* frameListener() const { return frameListener_; }

    // True while a failure can be the stored display settings' fault: from choosing the
    // render system's options until the render window is open. Only such a failure brings
    // the last settings that started back from their backup.
    bool settingsOnTrial() const { return settingsOnTrial_; }

    // GuiBackend
    const GameState& gameState() override;
    void seat(Players players) override;
    void leaveGame() override;
    void newGame() override;
    void showWhiteSide() override;
    void resetCamera() override;
    void clearBoardMarks() override;
    void completePromotion(int pieceCode) override;
    void resetPieceLooks() override;
    void flowFlagsChanged(bool flipView, bool highlighting, bool lastMoveHighlighting) override;
    void requestQuit() override;
    void playClickSound() override;
    std::vector<std::string> renderSystems() override;
    bool cartoonShadersSupported() override;
    void startVersionQuery() override;
    void cancelVersionQuery() override;
    void network(NetRequest request) override;
    void connectTo(const std::string& address, bool typed) override;
    std::string lastAddress() override;
    void sendChat(const std::string& text) override;
    bool mayChoosePromotion() override;
    std::string missingEngine() override;
    void startComputerGame(int colour, int level) override;
    void takeBack() override;
    // Drawn and saved games (game_files_backend.cpp).
    DrawReason claimableDraw() override;
    void claimDraw() override;
    const GameHistory* gameHistory() override;
    std::string sideName(int colour) override;
    bool loadGame(const PgnGame& game, std::string& error) override;

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
    std::unique_ptr<Screens> screens_;
    std::unique_ptr<BoardScene> board_;
    // Before the frame listener exists the game fields still need a home for the GUI.
    GameState startupState_;
    Ogre::LogManager* logManager_ = nullptr;
    bool sdlStarted_ = false;
    bool settingsOnTrial_ = false;
};

} // namespace korvane
