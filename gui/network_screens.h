// The way into a network game and out of it: hosting, the join screen with its LAN list and
// direct connection, the connecting and error pop-ups, and the peer's draw and take-back
// questions. The network itself sits behind the backend; what it reports arrives here.
#pragma once

#include "chat.h"
#include "game_panels.h"
#include "gui_backend.h"
#include "net/net_ports.h"

#include <string>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

class NetworkScreens {
  public:
    NetworkScreens(GuiBackend& backend, Chat& chat, GamePanels& panels)
        : backend_(backend), chat_(chat), panels_(panels) {}

    // After every GUI build.
    void wire();

    // What the network reports; each leaves the network buttons up to date.
    void hostingStarted();
    void hostingFailed(const std::string& reason);
    void lanSearchStarted();
    void lanHostFound(const std::string& address);
    void lanSearchEnded(int hostsFound);
    void connectFailed();
    void joined();
    void sessionRefused();
    void positionRefused();
    void hostGone(bool lost);
    void questionAsked(Question question);
    void questionClosed();
    void newGameStarted();

    // Enter in the direct-connect window; false when it is not open.
    bool connectTypedAddress();

    bool hostGame(const CEGUI::EventArgs&);
    bool openJoinScreen(const CEGUI::EventArgs&);
    bool backFromJoinScreen(const CEGUI::EventArgs&);
    bool openDirectConnect(const CEGUI::EventArgs&);
    bool closeDirectConnect(const CEGUI::EventArgs&);
    bool connectClicked(const CEGUI::EventArgs&);
    bool closeConnecting(const CEGUI::EventArgs&);
    bool closeNetworkError(const CEGUI::EventArgs&);

  private:
    void startConnecting(const std::string& address, bool typed);
    // The windows of a network game over the board, chat included, with a fresh history.
    void showNetworkGame();

    GuiBackend& backend_;
    Chat& chat_;
    GamePanels& panels_;
};

} // namespace korvane
