// The game's screens on CEGUI: building the GUI from the layout of the configured language,
// the navigation handlers, the status bar, the chat history and the settings dialog.
// No window pointer is kept between calls; every use looks the window up by its name.
#pragma once

#include <string>
#include <vector>

#include "computer_setup.h"
#include "draw.h"
#include "game_files.h"
#include "game_windows.h"
#include "gui_backend.h"
#include "history.h"
#include "net/net_ports.h"

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

// Shown when the settings dialog refuses a resolution, anti-aliasing or render-system text.
inline const char* const kSettingsHintWindow = "Settings/Hint";

// The resolution box's text as W and H: digits, "x", digits (3 to 5 digits each, no leading
// zero). The offered items give what the positional split always gave: 800/600, 1024/768,
// 1280/960. False for any other shape.
bool parseResolution(const std::string& text, std::string& width, std::string& height);
// The anti-aliasing box's text: one or two digits followed by "x" give those digits.
bool parseAntiAliasing(const std::string& text, std::string& level);

// Whether the settings choose the Czech GUI; every screen's own texts follow it.
bool czechLanguage();

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
    bool rebuildPending() const { return rebuildPending_; }
    // The windows of a game against the computer.
    ComputerSetup& computer() { return computer_; }
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
    bool chatLineOpen() const { return chatLineOpen_; }
    // Every path that hides "ChatLine" goes through here.
    void closeChatLine();

    // Navigation handlers.
    bool startLocalGame(const CEGUI::EventArgs&);
    bool restartLocalGame(const CEGUI::EventArgs&);
    bool leaveLocalGame(const CEGUI::EventArgs&);
    bool openNetworkMenu(const CEGUI::EventArgs&);
    bool backFromNetworkMenu(const CEGUI::EventArgs&);
    bool swapColours(const CEGUI::EventArgs&);
    bool closeGameEnd(const CEGUI::EventArgs&);
    bool openAbout(const CEGUI::EventArgs&);
    bool aboutShown(const CEGUI::EventArgs&);
    // The answer of the version query started when About opened.
    void showLatestVersion(const std::string& text);
    bool closeAbout(const CEGUI::EventArgs&);
    bool exitGame(const CEGUI::EventArgs&);
    bool playClickSound(const CEGUI::EventArgs&);
    bool promoteRook(const CEGUI::EventArgs&);
    bool promoteKnight(const CEGUI::EventArgs&);
    bool promoteBishop(const CEGUI::EventArgs&);
    bool promoteQueen(const CEGUI::EventArgs&);
    bool sendChatClicked(const CEGUI::EventArgs&);

    // Network screens: window changes here, the operation through the backend.
    bool hostGame(const CEGUI::EventArgs&);
    bool openJoinScreen(const CEGUI::EventArgs&);
    bool backFromJoinScreen(const CEGUI::EventArgs&);
    bool refreshLan(const CEGUI::EventArgs&);
    bool openDirectConnect(const CEGUI::EventArgs&);
    bool connectClicked(const CEGUI::EventArgs&);
    bool closeDirectConnect(const CEGUI::EventArgs&);
    bool leaveNetworkGame(const CEGUI::EventArgs&);
    bool newNetworkGame(const CEGUI::EventArgs&);
    bool closeConnecting(const CEGUI::EventArgs&);
    bool closeNetworkError(const CEGUI::EventArgs&);
    bool resign(const CEGUI::EventArgs&);
    bool offerDraw(const CEGUI::EventArgs&);
    bool requestRevoke(const CEGUI::EventArgs&);
    bool acceptDraw(const CEGUI::EventArgs&);
    bool declineDraw(const CEGUI::EventArgs&);
    bool acceptRevoke(const CEGUI::EventArgs&);
    bool declineRevoke(const CEGUI::EventArgs&);

    // Settings dialog.
    bool showSettings(const CEGUI::EventArgs&);
    bool applySettings(const CEGUI::EventArgs&);
    bool closeSettings(const CEGUI::EventArgs&);

  private:
    void subscribeClick(const std::string& window,
                        bool (Screens::*handler)(const CEGUI::EventArgs&));
    void subscribeEvent(const std::string& window, const char* event,
                        bool (Screens::*handler)(const CEGUI::EventArgs&));
    void fillCombobox(const std::string& name, const std::vector<std::string>& items);
    void promote(int pieceCode);
    void backToIngamePanel();
    void startConnecting(const std::string& address, bool typed);
    // A network operation, then the buttons it may have changed.
    void request(NetRequest request);
    void closeGamePopUps();
    void clearChatHistory();
    bool czech() const;
    // "StatusBar/Result" with this text in place of whose move it is.
    void showStatusText(const std::string& text);
    void showSettingsHint();
    void setText(const std::string& name, const std::string& text);
    std::string text(const std::string& name) const;
    void enableWindow(const std::string& name, bool enabled);
    void refreshMoveList();

    GuiBackend& backend_;
    ComputerSetup computer_;
    GameFiles files_;
    bool rebuildPending_ = false;
    bool chatLineOpen_ = false;
    // A network game whose peer link is up (or a host waiting for one): chat works.
    bool networkLive_ = false;
    std::vector<CEGUI::Event::Connection> globalConnections_;
    GameHistory moves_;
};

} // namespace korvane
