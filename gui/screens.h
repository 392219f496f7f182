// The game's screens on CEGUI: building the GUI from the layout of the configured language and
// the one object the rest of the game talks to. Each screen is a class of its own, owned here,
// which wires its own buttons. No window pointer is kept between calls; every use looks the
// window up by its name.
#pragma once

#include <string>
#include <vector>

#include "about.h"
#include "chat.h"
#include "clock_view.h"
#include "computer_setup.h"
#include "draw.h"
#include "game_files.h"
#include "game_panels.h"
#include "game_windows.h"
#include "gui_backend.h"
#include "history.h"
#include "main_menu.h"
#include "net/net_ports.h"
#include "network_screens.h"
#include "settings_dialog.h"

#include <CEGUI/Event.h>

namespace CEGUI {
class EventArgs;
class System;
} // namespace CEGUI

namespace korvane {

// The shared start-up steps: every default resource group "GUI", the scheme
// "DrawingsLook.scheme", the cursor "DrawingsLook/MouseArrow" (shown), font "Trebuchet-10".
void setUpGuiResources(CEGUI::System& system);

// The layout file for a stored language value: only exactly "Cesky" is Czech.
std::string layoutFileFor(const std::string& language);

class Screens : public GameWindows, public NetView {
  public:
    explicit Screens(GuiBackend& backend);
    ~Screens() override;
    Screens(const Screens&) = delete;
    Screens& operator=(const Screens&) = delete;

    // Destroys the current windows and loads the layout of the configured language, makes it
    // the sheet, wires every event and fills the settings dialog's lists. Needs the scheme and
    // font of setUpGuiResources.
    void buildGui();
    // A language change asks for a rebuild from inside a click; the app calls this once the
    // input dispatch has returned. True when a rebuild ran.
    bool runPendingRebuild();
    bool rebuildPending() const { return settingsDialog_.languageChanged(); }
    // The windows of a game against the computer.
    ComputerSetup& computer() { return computer_; }
    // The clocks, once a frame.
    void refreshClocks(const Game& game) { clocks_.refresh(game); }
    // Claim Draw, Save Game and Load Game.
    GameFiles& files() { return files_; }

    // GameWindows, for the game's screens view.
    void showWindow(const std::string& name) override;
    void hideWindow(const std::string& name) override;
    void activateWindow(const std::string& name) override;
    void showSideToMove(int side) override;
    void showGameOver(Outcome outcome, int winner) override;
    void showPromotionChoice(int colour) override;
    // The move list shows these moves (kept, so that a language change shows them again).
    void movesChanged(const GameHistory& history) override;
    void showDrawnGame(DrawReason reason) override;
    void showFlag(int flagged, int winner) override;

    // NetView: what the network shows.
    void chatLine(const std::string& line) override {
        appendChatLine(line);
        refreshNetworkButtons();
    }
    void hostingStarted() override;
    void hostingFailed(const std::string& reason) override;
    void lanSearchStarted() override;
    void lanHostFound(const std::string& address) override;
    void lanSearchEnded(int hostsFound) override;
    void connectFailed() override;
    void joined(int colour) override;
    void sessionRefused() override;
    void positionRefused() override;
    void hostGone(bool lost) override;
    void questionAsked(Question question) override;
    void questionClosed() override;
    void newGameStarted() override;
    void resigned(int winner) override;

    // Take Back only on the opponent's turn, Offer a Draw only in a live game, neither while a
    // question is open. Every view call and request ends with it; the app also calls it once
    // per frame, since a received move changes the side to move without a view call. It costs
    // a few window look-ups.
    void refreshNetworkButtons();
    // Enter in the direct-connect window: connect to the typed address (not remembered); an
    // empty address shows the failed pop-up at once. False when the window is not open.
    bool connectTypedAddress();

    // Chat history and chat input.
    void appendChatLine(const std::string& text);
    // Enter during a network game: opens the chat input when it is closed. False when the
    // game mode does not allow it or it is already open.
    bool openChatLine();
    void sendChatLine();
    // True exactly while "ChatLine" is shown; the keyboard then belongs to the chat input.
    bool chatLineOpen() const { return chat_.isOpen(); }
    // Every path that hides "ChatLine" goes through here.
    void closeChatLine();

    // The answer of the version query started when About opened.
    void showLatestVersion(const std::string& text);
    // Every button, combo box and check box plays the click while sounds are on.
    bool playClickSound(const CEGUI::EventArgs&);

  private:
    GuiBackend& backend_;
    ComputerSetup computer_;
    GameFiles files_;
    Chat chat_;
    GamePanels panels_;
    MainMenu menu_;
    NetworkScreens network_;
    AboutBox about_;
    SettingsDialog settingsDialog_;
    ClockView clocks_;
    std::vector<CEGUI::Event::Connection> globalConnections_;
};

} // namespace korvane
