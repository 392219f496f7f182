#include "network_screens.h"

#include "catalogue.h"
#include "main_menu.h"
#include "text_util.h"
#include "texts.h"

#include <CEGUI/CEGUI.h>

#include <utility>

namespace korvane {

namespace {

CEGUI::Listbox* lanList() {
    return dynamic_cast<CEGUI::Listbox*>(findWindow("JoinGame/LANServersList"));
}

} // namespace

void NetworkScreens::wire() {
    onClick("NetworkMenu/CreateButton", this, &NetworkScreens::hostGame);
    onClick("NetworkMenu/JoinButton", this, &NetworkScreens::openJoinScreen);
    onClick("JoinGame/BackButton", this, &NetworkScreens::backFromJoinScreen);
    onClick("JoinGame/DirectButton", this, &NetworkScreens::openDirectConnect);
    onClick("JoinGame/ConnectButton", this, &NetworkScreens::connectClicked);
    subscribe("JoinGameDirect", CEGUI::FrameWindow::EventCloseClicked,
              CEGUI::SubscriberSlot(&NetworkScreens::closeDirectConnect, this));
    onClick("JoinGameDirect/ConnectButton", this, &NetworkScreens::connectClicked);
    onClick("ConnectingPopUp/OKButton", this, &NetworkScreens::closeConnecting);
    onClick("NetworkErrPopUp/OKButton", this, &NetworkScreens::closeNetworkError);
    const std::pair<const char*, NetRequest> requests[] = {
        {"JoinGame/RefreshButton", NetRequest::SearchLan},
        {"OfferDrawPopUp/AcceptButton", NetRequest::AcceptDraw},
        {"OfferDrawPopUp/DeclineButton", NetRequest::DeclineDraw},
        {"WantsRemovePopUp/AcceptButton", NetRequest::AcceptRevoke},
        {"WantsRemovePopUp/DeclineButton", NetRequest::DeclineRevoke},
    };
    for (const auto& [button, operation] : requests)
        panels_.requestOnClick(button, operation);
}

void NetworkScreens::showNetworkGame() {
    panels_.closeGamePopUps();
    chat_.clearHistory();
    for (const char* w : {"ChatHistory", "StatusBar", "MoveList", "NetworkIngame"})
        setShown(w, true);
    activate("NetworkIngame");
}

// ---------------------------------------------------------------- hosting

bool NetworkScreens::hostGame(const CEGUI::EventArgs&) {
    setShown("NetworkMenu/Status", false);
    // The session opens the port first; hostingStarted or hostingFailed says how it went.
    panels_.request(NetRequest::Host);
    return true;
}

void NetworkScreens::hostingStarted() {
    hideMainMenu();
    setShown("NetworkMenu", false);
    setShown("NetworkMenu/Status", false);
    showNetworkGame();
    // Only the host starts new games and swaps the colours.
    setShown("NetworkIngame/NewButton", true);
    setShown("NetworkIngame/SwitchButton", true);
    panels_.setNetworkLive(true);
    panels_.showSideToMove(0);
}

void NetworkScreens::hostingFailed(const std::string& reason) {
    setText("NetworkMenu/Status", texts().cannotHost + reason);
    setShown("NetworkMenu/Status", true);
    panels_.refreshNetworkButtons();
}

// ---------------------------------------------------------------- join screen

bool NetworkScreens::openJoinScreen(const CEGUI::EventArgs&) {
    setShown("NetworkMenu", false);
    setShown("JoinGame", true);
    activate("JoinGame");
    panels_.request(NetRequest::SearchLan);
    return true;
}

bool NetworkScreens::backFromJoinScreen(const CEGUI::EventArgs&) {
    setShown("JoinGame", false);
    setShown("NetworkMenu", true);
    activate("NetworkMenu");
    return true;
}

void NetworkScreens::lanSearchStarted() {
    if (CEGUI::Listbox* list = lanList())
        list->resetList();
    setText("JoinGame/SearchStatus", texts().searching);
    panels_.refreshNetworkButtons();
}

void NetworkScreens::lanHostFound(const std::string& address) {
    CEGUI::Listbox* list = lanList();
    if (list && !list->findItemWithText(toGui(address), nullptr))
        list->addItem(listItem(address));
    panels_.refreshNetworkButtons();
}

void NetworkScreens::lanSearchEnded(int hostsFound) {
    const Texts& t = texts();
    const std::string line = hostsFound <= 0
                                 ? std::string(t.noGamesFound)
                                 : t.gamesFoundPrefix + std::to_string(hostsFound) +
                                       (hostsFound == 1 ? t.oneGameFound : t.gamesFound);
    setText("JoinGame/SearchStatus", line);
    panels_.refreshNetworkButtons();
}

bool NetworkScreens::openDirectConnect(const CEGUI::EventArgs&) {
    const std::string last = backend_.lastAddress();
    if (!last.empty())
        setText("JoinGameDirect/Line", last);
    setEnabled("JoinGame", false);
    setShown("JoinGameDirect", true);
    activate("JoinGameDirect/Line");
    return true;
}

bool NetworkScreens::closeDirectConnect(const CEGUI::EventArgs&) {
    setShown("JoinGameDirect", false);
    setEnabled("JoinGame", true);
    activate("JoinGame");
    return true;
}

// ---------------------------------------------------------------- connecting

void NetworkScreens::startConnecting(const std::string& address, bool typed) {
    setShown("JoinGameDirect", false);
    setEnabled("JoinGame", false);
    setShown("ConnectingPopUp", true);
    setShown("ConnectingPopUp/Connecting", true);
    setShown("ConnectingPopUp/NotConnected", false);
    setEnabled("ConnectingPopUp/OKButton", false);
    activate("ConnectingPopUp");
    // Nothing to try: the pop-up says so at once and the network is not disturbed.
    if (address.empty()) {
        connectFailed();
        return;
    }
    backend_.connectTo(address, typed);
    panels_.refreshNetworkButtons();
}

bool NetworkScreens::connectClicked(const CEGUI::EventArgs&) {
    const bool typed = isShown("JoinGameDirect");
    std::string address;
    if (typed) {
        address = windowText("JoinGameDirect/Line");
    } else if (CEGUI::Listbox* list = lanList()) {
        if (CEGUI::ListboxItem* item = list->getFirstSelectedItem())
            address = fromGui(item->getText());
    }
    // Nothing chosen in the list: the button does nothing.
    if (!typed && address.empty())
        return true;
    startConnecting(address, typed);
    return true;
}

bool NetworkScreens::connectTypedAddress() {
    if (!isShown("JoinGameDirect"))
        return false;
    startConnecting(windowText("JoinGameDirect/Line"), false);
    return true;
}

void NetworkScreens::connectFailed() {
    setShown("ConnectingPopUp/Connecting", false);
    setShown("ConnectingPopUp/NotConnected", true);
    setEnabled("ConnectingPopUp/OKButton", true);
    activate("ConnectingPopUp");
    panels_.refreshNetworkButtons();
}

bool NetworkScreens::closeConnecting(const CEGUI::EventArgs&) {
    setShown("ConnectingPopUp", false);
    setEnabled("JoinGame", true);
    activate("JoinGame");
    panels_.request(NetRequest::CloseConnecting);
    return true;
}

void NetworkScreens::joined() {
    hideMainMenu();
    setShown("ConnectingPopUp", false);
    setEnabled("JoinGame", true);
    setShown("JoinGame", false);
    setShown("JoinGameDirect", false);
    showNetworkGame();
    setShown("NetworkIngame/NewButton", false);
    setShown("NetworkIngame/SwitchButton", false);
    panels_.setNetworkLive(true);
    const Turn side = backend_.gameState().sideToMove;
    if (isColour(side))
        panels_.showSideOnStatusBar(colourOf(side));
    else
        showStatusText(texts().gameOver);
    panels_.refreshNetworkButtons();
}

void NetworkScreens::sessionRefused() {
    panels_.setNetworkLive(false);
    panels_.closeGamePopUps();
    for (const char* w : {"ChatHistory", "NetworkIngame", "MoveList", "ConnectingPopUp", "JoinGame",
                          "JoinGameDirect"})
        setShown(w, false);
    setEnabled("JoinGame", true);
    showMainMenu();
    panels_.refreshNetworkButtons();
}

// ---------------------------------------------------------------- the game's end and questions

void NetworkScreens::hostGone(bool lost) {
    panels_.setNetworkLive(false);
    panels_.closeGamePopUps();
    setShown("NetworkIngame", false);
    showStatusText(texts().gameOver);
    backend_.clearBoardMarks();
    setShown("NetworkErrPopUp", true);
    setShown("NetworkErrPopUp/Disconnected", !lost);
    setShown("NetworkErrPopUp/Lost", lost);
    setShown("NetworkErrPopUp/Impossible", false);
    activate("NetworkErrPopUp");
    panels_.refreshNetworkButtons();
}

void NetworkScreens::positionRefused() {
    // The game screen goes as after a refused join; the pop-up says why, over the menu.
    sessionRefused();
    setShown("NetworkErrPopUp/Disconnected", false);
    setShown("NetworkErrPopUp/Lost", false);
    setText("NetworkErrPopUp/Impossible", texts().impossiblePosition);
    setShown("NetworkErrPopUp/Impossible", true);
    setShown("NetworkErrPopUp", true);
    activate("NetworkErrPopUp");
}

bool NetworkScreens::closeNetworkError(const CEGUI::EventArgs&) {
    panels_.setNetworkLive(false);
    setShown("NetworkErrPopUp", false);
    // Nothing of the ended game stays over the menu.
    for (const char* w : {"ChatHistory", "StatusBar", "MoveList"})
        setShown(w, false);
    showMainMenu();
    panels_.request(NetRequest::CloseError);
    return true;
}

void NetworkScreens::questionAsked(Question question) {
    if (question == Question::None)
        return;
    const char* popUp = question == Question::Draw ? "OfferDrawPopUp" : "WantsRemovePopUp";
    chat_.close();
    setShown(popUp, true);
    activate(popUp);
    setShown("LocalIngame", false);
    setShown("NetworkIngame", false);
    panels_.refreshNetworkButtons();
}

void NetworkScreens::questionClosed() {
    setShown("OfferDrawPopUp", false);
    setShown("WantsRemovePopUp", false);
    const GameState& state = backend_.gameState();
    if (state.networkGame() && !isShown("NetworkIngame") && !isShown("GameEnd") &&
        !isShown("IngamePawnTransform") && !isShown("NetworkErrPopUp")) {
        setShown("NetworkIngame", true);
        activate("NetworkIngame");
    }
    // A question that closes with nobody to move was a draw offer accepted: the game is over
    // without a move and without the game-end panel.
    if (state.networkGame() && state.sideToMove == Turn::Over && !isShown("GameEnd")) {
        panels_.showGameOver(Outcome::AgreedDraw, White);
        backend_.clearBoardMarks();
    }
    panels_.refreshNetworkButtons();
}

void NetworkScreens::newGameStarted() {
    for (const char* w : {"GameEnd", "IngamePawnTransform", "OfferDrawPopUp", "WantsRemovePopUp"})
        setShown(w, false);
    setShown("NetworkIngame", true);
    activate("NetworkIngame");
    panels_.showSideToMove(0);
}

} // namespace korvane
