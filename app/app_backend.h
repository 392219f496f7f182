#pragma once
// The GUI's handlers' way into the game. It is built together with the screens and the frame
// listener it hands the calls on to, so every call finds them there: the screens call it only
// once they build their windows, and by then the game is up.

#include "frame_listener.h"
#include "gui/gui_backend.h"
#include "gui/screens.h"

namespace Ogre {
class Camera;
class SceneManager;
} // namespace Ogre

namespace korvane {

class AppContext;
class BoardScene;

class AppBackend final : public GuiBackend {
  public:
    AppBackend(AppContext& context, Ogre::SceneManager* sceneManager, Ogre::Camera* camera,
               BoardScene& board);
    AppBackend(const AppBackend&) = delete;
    AppBackend& operator=(const AppBackend&) = delete;

    Screens& screens() { return screens_; }
    KorvaneFrameListener& frameListener() { return frameListener_; }

    // GuiBackend
    const GameState& gameState() override;
    void seatLocal() override;
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
    TimeControl timeControl() override;
    void chooseTimeControl(const TimeControl& control) override;
    void takeBack() override;
    // Drawn and saved games (game_files_backend.cpp).
    DrawReason claimableDraw() override;
    void claimDraw() override;
    const GameHistory* gameHistory() override;
    std::string sideName(int colour) override;
    bool loadGame(const PgnGame& game, Replay& replayed, std::string& error) override;

  private:
    AppContext& context_;
    BoardScene& board_;
    // The screens keep a reference to this object but call it only from buildGui on.
    Screens screens_;
    // The game's flow and network hold the screens: the frame listener comes after them and
    // goes before them.
    KorvaneFrameListener frameListener_;
};

} // namespace korvane
