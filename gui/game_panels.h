// The windows around the board during a game: the status bar, the move list, the promotion
// choice, the game-end window, and the local and network in-game panels with their buttons.
#pragma once

#include "chat.h"
#include "draw.h"
#include "game/observer.h"
#include "game_files.h"
#include "gui_backend.h"
#include "history.h"
#include "net/net_ports.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

// "StatusBar/Result" with this text in place of whose move it is.
void showStatusText(const std::string& text);

class GamePanels {
  public:
    GamePanels(GuiBackend& backend, Chat& chat, GameFiles& files)
        : backend_(backend), chat_(chat), files_(files) {}

    // After every GUI build: the buttons' handlers, and the moves kept from before it.
    void wire();

    // The status bar for the side to move, and the network buttons, which follow it.
    void showSideToMove(int side);
    // The status bar alone, for callers that refresh the buttons themselves.
    void showSideOnStatusBar(int side);
    void showGameOver(Outcome outcome, int winner);
    void showPromotionChoice(int colour);
    void movesChanged(const GameHistory& history);
    void showDrawnGame(DrawReason reason);
    // A flag: `flagged` lost on time to `winner`, or drew (`winner` -1).
    void showFlag(int flagged, int winner);
    // The game-end window of a resignation over every in-game window.
    void showResignation(int winner);

    // The draw and take-back questions, the promotion choice, the game end and the chat
    // input: nothing of one game stays over the next screen.
    void closeGamePopUps();
    // The in-game panel of the game on the board, shown and active.
    void backToIngamePanel();

    // A network game whose peer link is up (or a host waiting for one): chat works.
    bool networkLive() const { return networkLive_; }
    void setNetworkLive(bool live) { networkLive_ = live; }
    void refreshNetworkButtons();
    // A network operation, then the buttons it may have changed.
    void request(NetRequest request);
    // A button that does nothing but hand its operation over.
    void requestOnClick(const std::string& button, NetRequest operation);

    bool restartLocalGame(const CEGUI::EventArgs&);
    bool leaveLocalGame(const CEGUI::EventArgs&);
    bool leaveNetworkGame(const CEGUI::EventArgs&);
    bool closeGameEnd(const CEGUI::EventArgs&);

  private:
    void promote(int pieceCode);
    void refreshMoveList();

    GuiBackend& backend_;
    Chat& chat_;
    GameFiles& files_;
    bool networkLive_ = false;
    GameHistory moves_;
};

} // namespace korvane
