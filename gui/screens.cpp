#include "screens.h"

#include "catalogue.h"
#include "config_store.h"
#include "move_list.h"
#include "settings.h"
#include "text_util.h"

#include <CEGUI/CEGUI.h>

#include <cmath>

namespace korvane {

namespace {

constexpr std::size_t kMaxNameBytes = 50;

bool allDigits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool sizeText(const std::string& s) {
    return s.size() >= 3 && s.size() <= 5 && allDigits(s) && s[0] != '0';
}

const char* yesNo(bool on) {
    return on ? "Yes" : "No";
}
const char* trueFalse(bool on) {
    return on ? "true" : "false";
}

std::string video(const std::string& key) {
    return ConfigStore::getValue(key, "Video", kConfigFile);
}
std::string game(const std::string& key) {
    return ConfigStore::getValue(key, "Game", kConfigFile);
}

bool isSelected(const std::string& name) {
    auto* box = dynamic_cast<CEGUI::ToggleButton*>(findWindow(name));
    return box && box->isSelected();
}

void setSelected(const std::string& name, bool selected) {
    if (auto* box = dynamic_cast<CEGUI::ToggleButton*>(findWindow(name)))
        box->setSelected(selected);
}

// The language list shows Czech with its accent; the settings file keeps the plain value that
// every settings file written so far holds and that selects the Czech layout.
const char* const kCzechStored = "Cesky";
const char* const kCzechShown = "Česky";

std::string shownLanguage(const std::string& stored) {
    return stored == kCzechStored ? kCzechShown : stored;
}
std::string storedLanguage(const std::string& shown) {
    return shown == kCzechShown ? kCzechStored : shown;
}

std::string gameOverText(bool czech, Outcome outcome, int winner) {
    const bool white = winner == White;
    switch (outcome) {
    case Outcome::Checkmate:
        return czech ? (white ? "Mat: vyhrál bílý" : "Mat: vyhrál černý")
                     : (white ? "Checkmate: White wins" : "Checkmate: Black wins");
    case Outcome::Resignation:
        return czech ? (white ? "Vzdáno: vyhrál bílý" : "Vzdáno: vyhrál černý")
                     : (white ? "Resignation: White wins" : "Resignation: Black wins");
    case Outcome::Stalemate:
        return czech ? "Pat: remíza" : "Stalemate: a draw";
    case Outcome::AgreedDraw:
        return czech ? "Remíza dohodou" : "Draw agreed";
    case Outcome::DrawByRule: // shown with its rule
    case Outcome::Abandoned:
        break;
    }
    return std::string();
}

} // namespace

void setUpGuiResources(CEGUI::System& system) {
    CEGUI::Scheme::setDefaultResourceGroup("GUI");
    CEGUI::ImageManager::setImagesetDefaultResourceGroup("GUI");
    CEGUI::Font::setDefaultResourceGroup("GUI");
    CEGUI::WidgetLookManager::setDefaultResourceGroup("GUI");
    CEGUI::WindowManager::setDefaultResourceGroup("GUI");
    CEGUI::ScriptModule::setDefaultResourceGroup("GUI");

    CEGUI::SchemeManager::getSingleton().createFromFile("DrawingsLook.scheme");
    // The scheme normally brings the font along; a scheme without it still gets one.
    if (!CEGUI::FontManager::getSingleton().isDefined("Trebuchet-10"))
        CEGUI::FontManager::getSingleton().createFromFile("Trebuchet-10.font");

    CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
    ctx.getMouseCursor().setDefaultImage("DrawingsLook/MouseArrow");
    ctx.setDefaultFont("Trebuchet-10");
    ctx.getMouseCursor().setImage("DrawingsLook/MouseArrow");
    ctx.getMouseCursor().show();
}

std::string layoutFileFor(const std::string& language) {
    return language == "Cesky" ? "guicz.xml" : "guien.xml";
}

bool parseResolution(const std::string& text, std::string& width, std::string& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const std::string w = text.substr(0, x);
    const std::string h = text.substr(x + 1);
    if (!sizeText(w) || !sizeText(h))
        return false;
    width = w;
    height = h;
    return true;
}

bool parseAntiAliasing(const std::string& text, std::string& level) {
    if (text.size() < 2 || text.size() > 3 || text.back() != 'x')
        return false;
    const std::string digits = text.substr(0, text.size() - 1);
    if (!allDigits(digits))
        return false;
    level = digits;
    return true;
}

Screens::Screens(GuiBackend& backend) : backend_(backend), computer_(backend), files_(backend) {}

Screens::~Screens() {
    for (auto& c : globalConnections_)
        c->disconnect();
}

// ---------------------------------------------------------------- building

void Screens::buildGui() {
    rebuildPending_ = false;
    chatLineOpen_ = false;
    networkLive_ = false;
    CEGUI::System& system = CEGUI::System::getSingleton();
    CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
    CEGUI::WindowManager& wm = CEGUI::WindowManager::getSingleton();

    // Detach the old sheet first so the context never points into the dead pool.
    ctx.setRootWindow(nullptr);
    wm.destroyAllWindows();

    const std::string layout = layoutFileFor(game("Lang"));
    CEGUI::Window* sheet = wm.loadLayoutFromFile(layout.c_str());
    ctx.setRootWindow(sheet);

    // Global subscriptions outlive the windows, so they are made once per Screens; a
    // second set would play the click twice.
    if (globalConnections_.empty()) {
        CEGUI::GlobalEventSet& global = CEGUI::GlobalEventSet::getSingleton();
        for (const char* event : {"PushButton/Clicked", "Combobox/DropListDisplayed",
                                  "Combobox/DropListRemoved", "ToggleButton/SelectStateChanged"})
            globalConnections_.push_back(global.subscribeEvent(
                event, CEGUI::Event::Subscriber(&Screens::playClickSound, this)));
    }

    activateWindow("Menu");

    subscribeClick("Menu/LocalButton", &Screens::startLocalGame);
    subscribeClick("Menu/SettingsButton", &Screens::showSettings);
    subscribeClick("Menu/AboutButton", &Screens::openAbout);
    subscribeClick("Menu/ExitButton", &Screens::exitGame);
    subscribeClick("LocalIngame/RestartButton", &Screens::restartLocalGame);
    subscribeClick("LocalIngame/QuitButton", &Screens::leaveLocalGame);
    subscribeClick("Menu/NetworkButton", &Screens::openNetworkMenu);
    subscribeClick("NetworkMenu/CreateButton", &Screens::hostGame);
    subscribeClick("NetworkMenu/BackButton", &Screens::backFromNetworkMenu);
    subscribeClick("NetworkMenu/JoinButton", &Screens::openJoinScreen);
    subscribeClick("JoinGame/BackButton", &Screens::backFromJoinScreen);
    subscribeClick("JoinGame/RefreshButton", &Screens::refreshLan);
    subscribeClick("JoinGame/DirectButton", &Screens::openDirectConnect);
    subscribeClick("JoinGame/ConnectButton", &Screens::connectClicked);
    subscribeEvent("JoinGameDirect", CEGUI::FrameWindow::EventCloseClicked.c_str(),
                   &Screens::closeDirectConnect);
    subscribeClick("JoinGameDirect/ConnectButton", &Screens::connectClicked);
    subscribeClick("NetworkIngame/LeaveButton", &Screens::leaveNetworkGame);
    subscribeClick("NetworkIngame/NewButton", &Screens::newNetworkGame);
    subscribeClick("NetworkIngame/SwitchButton", &Screens::swapColours);
    subscribeClick("IngamePawnTransform/Rook", &Screens::promoteRook);
    subscribeClick("IngamePawnTransform/Knight", &Screens::promoteKnight);
    subscribeClick("IngamePawnTransform/Bishop", &Screens::promoteBishop);
    subscribeClick("IngamePawnTransform/Queen", &Screens::promoteQueen);
    subscribeClick("GameEnd/OKButton", &Screens::closeGameEnd);
    subscribeClick("ChatLine/SendButton", &Screens::sendChatClicked);
    subscribeClick("ConnectingPopUp/OKButton", &Screens::closeConnecting);
    subscribeClick("NetworkErrPopUp/OKButton", &Screens::closeNetworkError);
    subscribeClick("Settings/CancelButton", &Screens::closeSettings);
    subscribeClick("Settings/OKButton", &Screens::applySettings);
    subscribeEvent("About", CEGUI::Window::EventShown.c_str(), &Screens::aboutShown);
    subscribeEvent("About", CEGUI::FrameWindow::EventCloseClicked.c_str(), &Screens::closeAbout);
    subscribeClick("About/OKButton", &Screens::closeAbout);
    subscribeClick("NetworkIngame/ResignButton", &Screens::resign);
    subscribeClick("NetworkIngame/DrawButton", &Screens::offerDraw);
    subscribeClick("NetworkIngame/RevokeButton", &Screens::requestRevoke);
    subscribeClick("OfferDrawPopUp/AcceptButton", &Screens::acceptDraw);
    subscribeClick("OfferDrawPopUp/DeclineButton", &Screens::declineDraw);
    subscribeClick("WantsRemovePopUp/AcceptButton", &Screens::acceptRevoke);
    subscribeClick("WantsRemovePopUp/DeclineButton", &Screens::declineRevoke);

    fillCombobox("Settings/RS", backend_.renderSystems());
    fillCombobox("Settings/Res", {"800x600", "1024x768", "1280x960"});
    fillCombobox("Settings/Depth", {"16", "32"});
    fillCombobox("Settings/AA", {"0x", "2x", "4x"});
    fillCombobox("Settings/Lang", {"English", kCzechShown});

    if (auto* line = dynamic_cast<CEGUI::Editbox*>(findWindow("ChatLine/Line")))
        line->setMaxTextLength(kMaxChatBytes);
    if (auto* name = dynamic_cast<CEGUI::Editbox*>(findWindow("Settings/PName")))
        name->setMaxTextLength(kMaxNameBytes);

    if (!backend_.cartoonShadersSupported())
        enableWindow("Settings/Cartoon", false);
    computer_.wire();
    files_.wire();
    refreshMoveList();
}

bool Screens::runPendingRebuild() {
    if (!rebuildPending_)
        return false;
    buildGui();
    return true;
}

void Screens::subscribeClick(const std::string& window,
                             bool (Screens::*handler)(const CEGUI::EventArgs&)) {
    subscribeEvent(window, CEGUI::PushButton::EventClicked.c_str(), handler);
}

void Screens::subscribeEvent(const std::string& window, const char* event,
                             bool (Screens::*handler)(const CEGUI::EventArgs&)) {
    if (CEGUI::Window* w = findWindow(window))
        w->subscribeEvent(event, CEGUI::Event::Subscriber(handler, this));
}

void Screens::fillCombobox(const std::string& name, const std::vector<std::string>& items) {
    auto* box = dynamic_cast<CEGUI::Combobox*>(findWindow(name));
    if (!box)
        return;
    for (const std::string& text : items)
        box->addItem(listItem(text));
}

// ---------------------------------------------------------------- window helpers

void Screens::showWindow(const std::string& name) {
    if (CEGUI::Window* w = findWindow(name))
        w->show();
}

void Screens::hideWindow(const std::string& name) {
    if (CEGUI::Window* w = findWindow(name))
        w->hide();
    if (name == "ChatLine")
        chatLineOpen_ = false;
}

void Screens::activateWindow(const std::string& name) {
    activate(name);
}

void Screens::enableWindow(const std::string& name, bool enabled) {
    setEnabled(name, enabled);
}

void Screens::setText(const std::string& name, const std::string& text) {
    if (CEGUI::Window* w = findWindow(name))
        w->setText(toGui(text));
}

std::string Screens::text(const std::string& name) const {
    CEGUI::Window* w = findWindow(name);
    return w ? fromGui(w->getText()) : std::string();
}

void Screens::showSideToMove(int side) {
    if (side == 0) {
        showWindow("StatusBar/WhiteOnMove");
        hideWindow("StatusBar/BlackOnMove");
        hideWindow("StatusBar/Result");
    } else if (side == 1) {
        hideWindow("StatusBar/WhiteOnMove");
        showWindow("StatusBar/BlackOnMove");
        hideWindow("StatusBar/Result");
    }
    // A move, the peer's as well, changes who may ask for a take-back.
    refreshNetworkButtons();
}

void Screens::movesChanged(const GameHistory& history) {
    moves_ = history;
    files_.setResult(PgnResult::Unfinished);
    refreshMoveList();
    files_.refreshClaimDraw();
    refreshNetworkButtons();
}

void Screens::refreshMoveList() {
    const bool cz = czech();
    if (auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("MoveList/Moves"))) {
        list->resetList();
        for (const std::string& line :
             moveListLines(moves_, cz ? PieceLetters::Czech : PieceLetters::English))
            list->addItem(listItem(line));
        // The newest move is the one a player looks for.
        if (const std::size_t n = list->getItemCount())
            list->ensureItemIsVisible(n - 1);
    }
    setText("MoveList/Captured", capturedText(moves_, cz));
}

void Screens::showDrawnGame(DrawReason reason) {
    const std::string why = drawText(reason, czech());
    setText("GameEnd/Draw", why);
    showStatusText(why);
    files_.setResult(PgnResult::Draw);
    files_.refreshClaimDraw();
}

void Screens::showStatusText(const std::string& line) {
    hideWindow("StatusBar/WhiteOnMove");
    hideWindow("StatusBar/BlackOnMove");
    setText("StatusBar/Result", line);
    showWindow("StatusBar/Result");
}

void Screens::showGameOver(Outcome outcome, int winner) {
    const bool decided = outcome == Outcome::Checkmate || outcome == Outcome::Resignation;
    files_.setResult(!decided          ? PgnResult::Draw
                     : winner == White ? PgnResult::WhiteWins
                                       : PgnResult::BlackWins);
    showStatusText(gameOverText(czech(), outcome, winner));
}

void Screens::showPromotionChoice(int colour) {
    const bool white = colour == White;
    if (czech())
        showStatusText(white ? "Bílý vybírá figuru" : "Černý vybírá figuru");
    else
        showStatusText(white ? "White chooses a piece" : "Black chooses a piece");
}

// ---------------------------------------------------------------- chat

void Screens::appendChatLine(const std::string& line) {
    for (int i = 0; i < 8; ++i) {
        const std::string name = "CH/" + std::to_string(i);
        if (text(name).empty()) {
            setText(name, line);
            return;
        }
    }
    for (int i = 0; i < 7; ++i)
        setText("CH/" + std::to_string(i), text("CH/" + std::to_string(i + 1)));
    setText("CH/7", line);
}

bool Screens::openChatLine() {
    CEGUI::Window* chat = findWindow("ChatLine");
    CEGUI::Window* save = findWindow("SaveGame");
    // The save dialog keeps the keyboard for the file name.
    if (!networkLive_ || !backend_.gameState().networkGame() || !chat || chat->isVisible() ||
        (save && save->isVisible()))
        return false;
    showWindow("ChatLine");
    activateWindow("ChatLine");
    activateWindow("ChatLine/Line");
    chatLineOpen_ = true;
    return true;
}

void Screens::closeChatLine() {
    hideWindow("ChatLine");
}

void Screens::sendChatLine() {
    closeChatLine();
    // The edit box counts characters, the message bytes: cut on a character boundary.
    const std::string line = utf8Prefix(text("ChatLine/Line"), kMaxChatBytes);
    if (line.empty())
        return;
    backend_.sendChat(line);
    setText("ChatLine/Line", "");
}

bool Screens::sendChatClicked(const CEGUI::EventArgs&) {
    sendChatLine();
    return true;
}

// ---------------------------------------------------------------- navigation

bool Screens::playClickSound(const CEGUI::EventArgs&) {
    if (settings().sounds)
        backend_.playClickSound();
    // Not handled: the window's own handler and text entry must still see the event.
    return false;
}

bool Screens::startLocalGame(const CEGUI::EventArgs&) {
    backend_.setGameMode(GameMode::Local);
    showWindow("StatusBar");
    showWindow("MoveList");
    showSideToMove(0);
    backend_.newGame();
    // A new game starts from White's side with the camera where it stood at start-up,
    // however the last game left it.
    backend_.resetCamera();
    showWindow("LocalIngame");
    hideWindow("Menu");
    hideWindow("Logo");
    activateWindow("LocalIngame");
    hideWindow("ChatHistory");
    return true;
}

bool Screens::restartLocalGame(const CEGUI::EventArgs&) {
    showSideToMove(0);
    backend_.newGame();
    // White moves first, so a view that followed Black turns back; the player's tilt and
    // zoom stay.
    backend_.showWhiteSide();
    return true;
}

bool Screens::leaveLocalGame(const CEGUI::EventArgs&) {
    backend_.setGameMode(GameMode::None);
    // Over the menu nobody plays: nothing on the board may look selected or movable.
    backend_.clearBoardMarks();
    hideWindow("LocalIngame");
    hideWindow("MoveList");
    showWindow("Menu");
    showWindow("Logo");
    activateWindow("Menu");
    return true;
}

bool Screens::openNetworkMenu(const CEGUI::EventArgs&) {
    hideWindow("Menu");
    hideWindow("Logo");
    showWindow("NetworkMenu");
    activateWindow("NetworkMenu");
    return true;
}

bool Screens::backFromNetworkMenu(const CEGUI::EventArgs&) {
    hideWindow("NetworkMenu");
    showWindow("Menu");
    showWindow("Logo");
    activateWindow("Menu");
    return true;
}

bool Screens::swapColours(const CEGUI::EventArgs&) {
    request(NetRequest::SwitchSides);
    return true;
}

void Screens::backToIngamePanel() {
    const char* panel = backend_.gameState().networkGame() ? "NetworkIngame" : "LocalIngame";
    showWindow(panel);
    activateWindow(panel);
}

bool Screens::closeGameEnd(const CEGUI::EventArgs&) {
    hideWindow("GameEnd");
    backToIngamePanel();
    return true;
}

bool Screens::openAbout(const CEGUI::EventArgs&) {
    setText("About/LatestVersion", "...");
    enableWindow("Menu", false);
    showWindow("About");
    activateWindow("About");
    return true;
}

bool Screens::aboutShown(const CEGUI::EventArgs&) {
    // The window shows "..." until the answer arrives; the game goes on meanwhile.
    backend_.startVersionQuery();
    return true;
}

void Screens::showLatestVersion(const std::string& text) {
    CEGUI::Window* about = findWindow("About");
    if (about && about->isVisible())
        setText("About/LatestVersion", text);
}

bool Screens::closeAbout(const CEGUI::EventArgs&) {
    backend_.cancelVersionQuery();
    hideWindow("About");
    enableWindow("Menu", true);
    activateWindow("Menu");
    return true;
}

bool Screens::exitGame(const CEGUI::EventArgs&) {
    backend_.requestQuit();
    return true;
}

void Screens::promote(int pieceCode) {
    if (!backend_.gameState().promotionPending || !backend_.mayChoosePromotion())
        return;
    backend_.completePromotion(pieceCode);
    hideWindow("IngamePawnTransform");
    backToIngamePanel();
}

bool Screens::promoteRook(const CEGUI::EventArgs&) {
    promote(1);
    return true;
}
bool Screens::promoteKnight(const CEGUI::EventArgs&) {
    promote(2);
    return true;
}
bool Screens::promoteBishop(const CEGUI::EventArgs&) {
    promote(3);
    return true;
}
bool Screens::promoteQueen(const CEGUI::EventArgs&) {
    promote(4);
    return true;
}

// ---------------------------------------------------------------- network screens

bool czechLanguage() {
    return ConfigStore::getValue("Lang", "Game", kConfigFile) == kCzechStored;
}

bool Screens::czech() const {
    return czechLanguage();
}

void Screens::clearChatHistory() {
    for (int i = 0; i < 8; ++i)
        setText("CH/" + std::to_string(i), "");
}

void Screens::closeGamePopUps() {
    for (const char* w : {"OfferDrawPopUp", "WantsRemovePopUp", "IngamePawnTransform", "GameEnd"})
        hideWindow(w);
    closeChatLine();
}

void Screens::request(NetRequest request) {
    backend_.network(request);
    refreshNetworkButtons();
}

bool Screens::hostGame(const CEGUI::EventArgs&) {
    hideWindow("NetworkMenu/Status");
    // The session opens the port first; hostingStarted or hostingFailed says how it went.
    request(NetRequest::Host);
    return true;
}

void Screens::hostingStarted() {
    hideWindow("Menu");
    hideWindow("Logo");
    hideWindow("NetworkMenu");
    hideWindow("NetworkMenu/Status");
    closeGamePopUps();
    showWindow("NetworkIngame");
    activateWindow("NetworkIngame");
    showWindow("NetworkIngame/NewButton");
    showWindow("NetworkIngame/SwitchButton");
    clearChatHistory();
    showWindow("ChatHistory");
    showWindow("StatusBar");
    showWindow("MoveList");
    showSideToMove(0);
    networkLive_ = true;
    refreshNetworkButtons();
}

void Screens::hostingFailed(const std::string& reason) {
    setText("NetworkMenu/Status",
            (czech() ? "Hru nelze založit: " : "Cannot host a game: ") + reason);
    showWindow("NetworkMenu/Status");
    refreshNetworkButtons();
}

bool Screens::openJoinScreen(const CEGUI::EventArgs&) {
    hideWindow("NetworkMenu");
    showWindow("JoinGame");
    activateWindow("JoinGame");
    request(NetRequest::SearchLan);
    return true;
}

bool Screens::backFromJoinScreen(const CEGUI::EventArgs&) {
    hideWindow("JoinGame");
    showWindow("NetworkMenu");
    activateWindow("NetworkMenu");
    return true;
}

bool Screens::refreshLan(const CEGUI::EventArgs&) {
    request(NetRequest::SearchLan);
    return true;
}

void Screens::lanSearchStarted() {
    if (auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("JoinGame/LANServersList")))
        list->resetList();
    setText("JoinGame/SearchStatus", czech() ? "Hledám hry…" : "Searching…");
    refreshNetworkButtons();
}

void Screens::lanHostFound(const std::string& address) {
    auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("JoinGame/LANServersList"));
    if (list && !list->findItemWithText(toGui(address), nullptr))
        list->addItem(listItem(address));
    refreshNetworkButtons();
}

void Screens::lanSearchEnded(int hostsFound) {
    std::string line;
    if (hostsFound <= 0)
        line = czech() ? "Žádná hra nenalezena" : "No games found";
    else if (czech())
        line = "Nalezené hry: " + std::to_string(hostsFound);
    else
        line = std::to_string(hostsFound) + (hostsFound == 1 ? " game found" : " games found");
    setText("JoinGame/SearchStatus", line);
    refreshNetworkButtons();
}

bool Screens::openDirectConnect(const CEGUI::EventArgs&) {
    const std::string last = backend_.lastAddress();
    if (!last.empty())
        setText("JoinGameDirect/Line", last);
    enableWindow("JoinGame", false);
    showWindow("JoinGameDirect");
    activateWindow("JoinGameDirect/Line");
    return true;
}

void Screens::startConnecting(const std::string& address, bool typed) {
    hideWindow("JoinGameDirect");
    enableWindow("JoinGame", false);
    showWindow("ConnectingPopUp");
    showWindow("ConnectingPopUp/Connecting");
    hideWindow("ConnectingPopUp/NotConnected");
    enableWindow("ConnectingPopUp/OKButton", false);
    activateWindow("ConnectingPopUp");
    // Nothing to try: the pop-up says so at once and the network is not disturbed.
    if (address.empty()) {
        connectFailed();
        return;
    }
    backend_.connectTo(address, typed);
    refreshNetworkButtons();
}

bool Screens::connectClicked(const CEGUI::EventArgs&) {
    CEGUI::Window* direct = findWindow("JoinGameDirect");
    const bool typed = direct && direct->isVisible();
    std::string address;
    if (typed) {
        address = text("JoinGameDirect/Line");
    } else if (auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("JoinGame/LANServersList"))) {
        if (CEGUI::ListboxItem* item = list->getFirstSelectedItem())
            address = fromGui(item->getText());
    }
    // Nothing chosen in the list: the button does nothing.
    if (!typed && address.empty())
        return true;
    startConnecting(address, typed);
    return true;
}

bool Screens::connectTypedAddress() {
    CEGUI::Window* direct = findWindow("JoinGameDirect");
    if (!direct || !direct->isVisible())
        return false;
    startConnecting(text("JoinGameDirect/Line"), false);
    return true;
}

void Screens::connectFailed() {
    hideWindow("ConnectingPopUp/Connecting");
    showWindow("ConnectingPopUp/NotConnected");
    enableWindow("ConnectingPopUp/OKButton", true);
    activateWindow("ConnectingPopUp");
    refreshNetworkButtons();
}

void Screens::joined(int) {
    hideWindow("Menu");
    hideWindow("Logo");
    hideWindow("ConnectingPopUp");
    enableWindow("JoinGame", true);
    hideWindow("JoinGame");
    hideWindow("JoinGameDirect");
    closeGamePopUps();
    clearChatHistory();
    showWindow("ChatHistory");
    showWindow("NetworkIngame");
    activateWindow("NetworkIngame");
    hideWindow("NetworkIngame/NewButton");
    hideWindow("NetworkIngame/SwitchButton");
    showWindow("StatusBar");
    showWindow("MoveList");
    const Turn side = backend_.gameState().sideToMove;
    if (isColour(side))
        showSideToMove(colourOf(side));
    else
        showStatusText(czech() ? "Hra skončila" : "The game is over");
    networkLive_ = true;
    refreshNetworkButtons();
}

void Screens::sessionRefused() {
    networkLive_ = false;
    closeGamePopUps();
    for (const char* w : {"ChatHistory", "NetworkIngame", "MoveList", "ConnectingPopUp", "JoinGame",
                          "JoinGameDirect"})
        hideWindow(w);
    enableWindow("JoinGame", true);
    showWindow("Menu");
    showWindow("Logo");
    activateWindow("Menu");
    refreshNetworkButtons();
}

void Screens::hostGone(bool lost) {
    networkLive_ = false;
    closeGamePopUps();
    hideWindow("NetworkIngame");
    showStatusText(czech() ? "Hra skončila" : "The game is over");
    backend_.clearBoardMarks();
    showWindow("NetworkErrPopUp");
    if (lost) {
        hideWindow("NetworkErrPopUp/Disconnected");
        showWindow("NetworkErrPopUp/Lost");
    } else {
        showWindow("NetworkErrPopUp/Disconnected");
        hideWindow("NetworkErrPopUp/Lost");
    }
    activateWindow("NetworkErrPopUp");
    refreshNetworkButtons();
}

void Screens::questionAsked(Question question) {
    if (question == Question::None)
        return;
    const char* popUp = question == Question::Draw ? "OfferDrawPopUp" : "WantsRemovePopUp";
    closeChatLine();
    showWindow(popUp);
    activateWindow(popUp);
    hideWindow("LocalIngame");
    hideWindow("NetworkIngame");
    refreshNetworkButtons();
}

void Screens::questionClosed() {
    hideWindow("OfferDrawPopUp");
    hideWindow("WantsRemovePopUp");
    auto up = [](const char* name) {
        CEGUI::Window* w = findWindow(name);
        return w && w->isVisible();
    };
    const GameState& state = backend_.gameState();
    if (state.networkGame() && !up("NetworkIngame") && !up("GameEnd") &&
        !up("IngamePawnTransform") && !up("NetworkErrPopUp")) {
        showWindow("NetworkIngame");
        activateWindow("NetworkIngame");
    }
    // A question that closes with nobody to move was a draw offer accepted: the game is over
    // without a move and without the game-end panel.
    if (state.networkGame() && state.sideToMove == Turn::Over && !up("GameEnd")) {
        showGameOver(Outcome::AgreedDraw, White);
        backend_.clearBoardMarks();
    }
    refreshNetworkButtons();
}

void Screens::newGameStarted() {
    for (const char* w : {"GameEnd", "IngamePawnTransform", "OfferDrawPopUp", "WantsRemovePopUp"})
        hideWindow(w);
    showWindow("NetworkIngame");
    activateWindow("NetworkIngame");
    showSideToMove(0);
    refreshNetworkButtons();
}

void Screens::resigned(int winner) {
    hideWindow("GameEnd/Stalemate");
    hideWindow("GameEnd/Checkmate");
    hideWindow("GameEnd/Draw");
    showWindow(winner == 0 ? "GameEnd/WhiteWon" : "GameEnd/BlackWon");
    hideWindow(winner == 0 ? "GameEnd/BlackWon" : "GameEnd/WhiteWon");
    hideWindow("LocalIngame");
    hideWindow("NetworkIngame");
    hideWindow("OfferDrawPopUp");
    hideWindow("WantsRemovePopUp");
    showWindow("GameEnd");
    activateWindow("GameEnd");
    showGameOver(Outcome::Resignation, winner);
    // Nobody moves any more, so no piece may look movable.
    backend_.clearBoardMarks();
    refreshNetworkButtons();
}

void Screens::refreshNetworkButtons() {
    const GameState& state = backend_.gameState();
    const bool live = state.networkGame() && isColour(state.sideToMove) &&
                      state.question == Question::None && !state.joinPending;
    enableWindow("NetworkIngame/DrawButton", live && networkLive_);
    enableWindow("NetworkIngame/ClaimDrawButton", live && networkLive_);
    enableWindow("NetworkIngame/RevokeButton",
                 live && networkLive_ && colourOf(state.sideToMove) != localColour(state.gameMode));
}

bool Screens::closeDirectConnect(const CEGUI::EventArgs&) {
    hideWindow("JoinGameDirect");
    enableWindow("JoinGame", true);
    activateWindow("JoinGame");
    return true;
}

bool Screens::leaveNetworkGame(const CEGUI::EventArgs&) {
    networkLive_ = false;
    closeGamePopUps();
    hideWindow("ChatHistory");
    hideWindow("NetworkIngame");
    hideWindow("MoveList");
    showWindow("Menu");
    showWindow("Logo");
    activateWindow("Menu");
    request(NetRequest::Leave);
    return true;
}

bool Screens::newNetworkGame(const CEGUI::EventArgs&) {
    request(NetRequest::NewGame);
    return true;
}

bool Screens::closeConnecting(const CEGUI::EventArgs&) {
    hideWindow("ConnectingPopUp");
    enableWindow("JoinGame", true);
    activateWindow("JoinGame");
    request(NetRequest::CloseConnecting);
    return true;
}

bool Screens::closeNetworkError(const CEGUI::EventArgs&) {
    networkLive_ = false;
    hideWindow("NetworkErrPopUp");
    // Nothing of the ended game stays over the menu.
    hideWindow("ChatHistory");
    hideWindow("StatusBar");
    hideWindow("MoveList");
    showWindow("Menu");
    showWindow("Logo");
    activateWindow("Menu");
    request(NetRequest::CloseError);
    return true;
}

bool Screens::resign(const CEGUI::EventArgs&) {
    request(NetRequest::Resign);
    return true;
}

bool Screens::offerDraw(const CEGUI::EventArgs&) {
    request(NetRequest::OfferDraw);
    return true;
}

bool Screens::requestRevoke(const CEGUI::EventArgs&) {
    request(NetRequest::RequestRevoke);
    return true;
}

bool Screens::acceptDraw(const CEGUI::EventArgs&) {
    request(NetRequest::AcceptDraw);
    return true;
}
bool Screens::declineDraw(const CEGUI::EventArgs&) {
    request(NetRequest::DeclineDraw);
    return true;
}
bool Screens::acceptRevoke(const CEGUI::EventArgs&) {
    request(NetRequest::AcceptRevoke);
    return true;
}
bool Screens::declineRevoke(const CEGUI::EventArgs&) {
    request(NetRequest::DeclineRevoke);
    return true;
}

// ---------------------------------------------------------------- settings dialog

bool Screens::showSettings(const CEGUI::EventArgs&) {
    enableWindow("Menu", false);
    showWindow("Settings");
    activateWindow("Settings");
    hideWindow(kSettingsHintWindow);
    setText("Settings/RS", video("RS"));
    const std::string height = video("H");
    const std::string width = video("W");
    setText("Settings/Res", width + "x" + height);
    setText("Settings/Depth", video("Depth"));
    setText("Settings/AA", video("AA") + "x");
    setText("Settings/Lang", shownLanguage(game("Lang")));
    setSelected("Settings/FS", video("FS") == "Yes");
    setSelected("Settings/VSync", video("VSync") == "Yes");
    setSelected("Settings/Shadows", video("Shadows") == "true");
    setSelected("Settings/Sounds", game("Sounds") == "true");
    setSelected("Settings/FlipView", game("FlipView") == "true");
    setSelected("Settings/Highlighting", game("Highlighting") == "true");
    setSelected("Settings/LastMoveHighlighting", game("LastMoveHighlighting") == "true");
    setSelected("Settings/Cartoon", game("Cartoon") == "true");
    setText("Settings/PName", game("PlayerName"));
    return true;
}

void Screens::showSettingsHint() {
    CEGUI::Window* hint = findWindow(kSettingsHintWindow);
    if (!hint) {
        // A layout without its own hint still gets one, in the layout's language.
        CEGUI::Window* settingsWindow = findWindow("Settings");
        CEGUI::Window* label = findWindow("GameEnd/Stalemate");
        if (!settingsWindow || !label)
            return;
        hint = CEGUI::WindowManager::getSingleton().createWindow(label->getType(), "Hint");
        // Left of the OK and Cancel buttons, which sit in the bottom right corner.
        hint->setArea(CEGUI::URect(CEGUI::UDim(0.03f, 0), CEGUI::UDim(0.905f, 0),
                                   CEGUI::UDim(0.5f, 0), CEGUI::UDim(0.975f, 0)));
        hint->setText(toGui(czech() ? "Rozlišení zadejte jako 1024x768 a vyhlazování jako 2x."
                                    : "Enter the resolution as 1024x768 and anti-aliasing as 2x."));
        settingsWindow->addChild(hint);
    }
    hint->show();
    hint->moveToFront();
}

bool Screens::applySettings(const CEGUI::EventArgs&) {
    // Refuse texts the next start could not use before anything is written.
    std::string width, height, level;
    const std::string rs = text("Settings/RS");
    const std::vector<std::string> offered = backend_.renderSystems();
    bool rsOffered = false;
    for (const std::string& name : offered)
        rsOffered = rsOffered || name == rs;
    if (!parseResolution(text("Settings/Res"), width, height) ||
        !parseAntiAliasing(text("Settings/AA"), level) || !rsOffered) {
        showSettingsHint();
        return true;
    }

    if (!ConfigStore::fileExists(kConfigBackupFile))
        ConfigStore::backupConfigFile(kConfigFile, kConfigBackupFile);
    // Typed texts lose blanks at their ends: the settings file could not keep them there.
    auto typed = [&](const char* name) {
        std::string value = text(name);
        ConfigStore::trim(value, " \t");
        return value;
    };
    const std::string language = storedLanguage(typed("Settings/Lang"));
    const bool languageChanged = language != game("Lang");
    Settings& flags = settings();
    flags.flipView = isSelected("Settings/FlipView");
    flags.highlighting = isSelected("Settings/Highlighting");
    flags.lastMoveHighlighting = isSelected("Settings/LastMoveHighlighting");
    CEGUI::Window* cartoon = findWindow("Settings/Cartoon");
    const bool cartoonOn = isSelected("Settings/Cartoon") && !(cartoon && cartoon->isDisabled());
    // The edit box limits characters; the name's limit is in bytes. A cut can end on a blank,
    // which the file could not keep (and which would refuse every other setting with it).
    std::string name = utf8Prefix(typed("Settings/PName"), kMaxNameBytes);
    ConfigStore::trim(name, " \t");
    // All values go in one rewrite, so a kill part-way through never leaves a mix of old
    // and new settings. The order is the order in which new keys are added to the file.
    const bool saved = ConfigStore::setValues(
        {
            {"RS", rs, "Video"},
            {"W", width, "Video"},
            {"H", height, "Video"},
            {"Depth", typed("Settings/Depth"), "Video"},
            {"AA", level, "Video"},
            {"Lang", language, "Game"},
            {"FS", yesNo(isSelected("Settings/FS")), "Video"},
            {"VSync", yesNo(isSelected("Settings/VSync")), "Video"},
            {"Shadows", trueFalse(isSelected("Settings/Shadows")), "Video"},
            {"Sounds", trueFalse(isSelected("Settings/Sounds")), "Game"},
            {"FlipView", trueFalse(flags.flipView), "Game"},
            {"Highlighting", trueFalse(flags.highlighting), "Game"},
            {"LastMoveHighlighting", trueFalse(flags.lastMoveHighlighting), "Game"},
            {"Cartoon", trueFalse(cartoonOn), "Game"},
            {"PlayerName", name, "Game"},
        },
        kConfigFile);
    backend_.flowFlagsChanged(flags.flipView, flags.highlighting, flags.lastMoveHighlighting);
    backend_.resetPieceLooks();
    // What was stored reads back the same; only a failed save needs the file's own name.
    setPlayerName(saved ? name : game("PlayerName"));

    // This very button dies in a rebuild, so it waits until the click has been dispatched.
    if (languageChanged)
        rebuildPending_ = true;
    return closeSettings(CEGUI::EventArgs());
}

bool Screens::closeSettings(const CEGUI::EventArgs&) {
    hideWindow("Settings");
    enableWindow("Menu", true);
    activateWindow("Menu");
    return true;
}

} // namespace korvane
