#include "game_panels.h"

#include "catalogue.h"
#include "main_menu.h"
#include "move_list.h"
#include "texts.h"
#include "time_choice.h"

#include <CEGUI/CEGUI.h>

#include <utility>

namespace korvane {

namespace {

const char* gameOverText(const Texts& t, Outcome outcome, int winner) {
    const bool white = winner == White;
    switch (outcome) {
    case Outcome::Checkmate:
        return white ? t.checkmateWhiteWins : t.checkmateBlackWins;
    case Outcome::Resignation:
        return white ? t.resignationWhiteWins : t.resignationBlackWins;
    case Outcome::Stalemate:
        return t.stalemate;
    case Outcome::AgreedDraw:
        return t.agreedDraw;
    case Outcome::DrawByRule: // shown with its rule
    case Outcome::Time:       // shown with who flagged
    case Outcome::Abandoned:
        break;
    }
    return "";
}

} // namespace

void showStatusText(const std::string& text) {
    setShown("StatusBar/WhiteOnMove", false);
    setShown("StatusBar/BlackOnMove", false);
    setText("StatusBar/Result", text);
    setShown("StatusBar/Result", true);
}

void GamePanels::wire() {
    networkLive_ = false;
    const std::pair<const char*, int> pieces[] = {
        {"IngamePawnTransform/Rook", 1},
        {"IngamePawnTransform/Knight", 2},
        {"IngamePawnTransform/Bishop", 3},
        {"IngamePawnTransform/Queen", 4},
    };
    for (const auto& [button, code] : pieces)
        subscribeClick(button, CEGUI::SubscriberSlot([this, code = code](const CEGUI::EventArgs&) {
                           promote(code);
                           return true;
                       }));
    onClick("GameEnd/OKButton", this, &GamePanels::closeGameEnd);
    onClick("LocalIngame/RestartButton", this, &GamePanels::restartLocalGame);
    onClick("LocalIngame/QuitButton", this, &GamePanels::leaveLocalGame);
    onClick("NetworkIngame/LeaveButton", this, &GamePanels::leaveNetworkGame);
    // The other buttons of the network panel only hand their operation over.
    const std::pair<const char*, NetRequest> requests[] = {
        {"NetworkIngame/NewButton", NetRequest::NewGame},
        {"NetworkIngame/SwitchButton", NetRequest::SwitchSides},
        {"NetworkIngame/ResignButton", NetRequest::Resign},
        {"NetworkIngame/DrawButton", NetRequest::OfferDraw},
        {"NetworkIngame/RevokeButton", NetRequest::RequestRevoke},
    };
    for (const auto& [button, operation] : requests)
        requestOnClick(button, operation);
    fillTimeChoice("LocalIngame/Time", backend_.timeControl());
    refreshMoveList();
}

// ---------------------------------------------------------------- status bar and move list

void GamePanels::showSideOnStatusBar(int side) {
    if (side != 0 && side != 1)
        return;
    setShown("StatusBar/WhiteOnMove", side == 0);
    setShown("StatusBar/BlackOnMove", side == 1);
    setShown("StatusBar/Result", false);
}

void GamePanels::showSideToMove(int side) {
    showSideOnStatusBar(side);
    // A move, the peer's as well, changes who may ask for a take-back.
    refreshNetworkButtons();
}

void GamePanels::showGameOver(Outcome outcome, int winner) {
    const bool decided = outcome == Outcome::Checkmate || outcome == Outcome::Resignation;
    files_.setResult(!decided          ? PgnResult::Draw
                     : winner == White ? PgnResult::WhiteWins
                                       : PgnResult::BlackWins);
    showStatusText(gameOverText(texts(), outcome, winner));
}

void GamePanels::showFlag(int flagged, int winner) {
    if (flagged != White && flagged != Black)
        return;
    const Texts& t = texts();
    const std::string why = winner < 0 ? t.drawnOnTime[flagged] : t.lostOnTime[flagged];
    setText("GameEnd/Draw", why);
    showStatusText(why);
    files_.setResult(winner < 0        ? PgnResult::Draw
                     : winner == White ? PgnResult::WhiteWins
                                       : PgnResult::BlackWins);
}

void GamePanels::showPromotionChoice(int colour) {
    const Texts& t = texts();
    showStatusText(colour == White ? t.whiteChooses : t.blackChooses);
}

void GamePanels::movesChanged(const GameHistory& history) {
    moves_ = history;
    files_.setResult(PgnResult::Unfinished);
    refreshMoveList();
    files_.refreshClaimDraw();
    refreshNetworkButtons();
}

void GamePanels::refreshMoveList() {
    const Texts& t = texts();
    if (auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("MoveList/Moves"))) {
        setListRows(*list, moveListLines(moves_, t.moveLetters));
        // The newest move is the one a player looks for.
        if (const std::size_t n = list->getItemCount())
            list->ensureItemIsVisible(n - 1);
    }
    setText("MoveList/Captured", capturedText(moves_, t));
}

void GamePanels::showDrawnGame(DrawReason reason) {
    const std::string why = texts().drawBy[int(reason)];
    setText("GameEnd/Draw", why);
    showStatusText(why);
    files_.setResult(PgnResult::Draw);
    files_.refreshClaimDraw();
}

// ---------------------------------------------------------------- promotion and game end

void GamePanels::promote(int pieceCode) {
    if (!backend_.gameState().promotionPending || !backend_.mayChoosePromotion())
        return;
    backend_.completePromotion(pieceCode);
    setShown("IngamePawnTransform", false);
    backToIngamePanel();
}

void GamePanels::backToIngamePanel() {
    const char* panel = backend_.gameState().networkGame() ? "NetworkIngame" : "LocalIngame";
    setShown(panel, true);
    activate(panel);
}

bool GamePanels::closeGameEnd(const CEGUI::EventArgs&) {
    setShown("GameEnd", false);
    backToIngamePanel();
    return true;
}

void GamePanels::showResignation(int winner) {
    for (const char* w : {"GameEnd/Stalemate", "GameEnd/Checkmate", "GameEnd/Draw"})
        setShown(w, false);
    setShown("GameEnd/WhiteWon", winner == 0);
    setShown("GameEnd/BlackWon", winner != 0);
    for (const char* w : {"LocalIngame", "NetworkIngame", "OfferDrawPopUp", "WantsRemovePopUp"})
        setShown(w, false);
    setShown("GameEnd", true);
    activate("GameEnd");
    showGameOver(Outcome::Resignation, winner);
    // Nobody moves any more, so no piece may look movable.
    backend_.clearBoardMarks();
}

void GamePanels::closeGamePopUps() {
    for (const char* w : {"OfferDrawPopUp", "WantsRemovePopUp", "IngamePawnTransform", "GameEnd"})
        setShown(w, false);
    chat_.close();
}

// ---------------------------------------------------------------- in-game panels

bool GamePanels::restartLocalGame(const CEGUI::EventArgs&) {
    // The clock chosen in the panel starts with the new game; a text that is no clock gives
    // way to the one in use.
    const std::optional<TimeControl> time = readTimeChoice("LocalIngame/Time");
    if (time && *time != backend_.timeControl())
        backend_.chooseTimeControl(*time);
    setText("LocalIngame/Time", timeChoiceText(time.value_or(backend_.timeControl())));
    showSideToMove(0);
    backend_.newGame();
    // White moves first, so a view that followed Black turns back; the player's tilt and
    // zoom stay.
    backend_.showWhiteSide();
    return true;
}

bool GamePanels::leaveLocalGame(const CEGUI::EventArgs&) {
    backend_.leaveGame();
    // Over the menu nobody plays: nothing on the board may look selected or movable.
    backend_.clearBoardMarks();
    setShown("LocalIngame", false);
    setShown("MoveList", false);
    showMainMenu();
    return true;
}

bool GamePanels::leaveNetworkGame(const CEGUI::EventArgs&) {
    networkLive_ = false;
    closeGamePopUps();
    for (const char* w : {"ChatHistory", "NetworkIngame", "MoveList"})
        setShown(w, false);
    showMainMenu();
    request(NetRequest::Leave);
    return true;
}

void GamePanels::refreshNetworkButtons() {
    const GameState& state = backend_.gameState();
    const bool live = networkLive_ && state.networkGame() && isColour(state.sideToMove) &&
                      state.question == Question::None && !state.joinPending;
    setEnabled("NetworkIngame/DrawButton", live);
    setEnabled("NetworkIngame/ClaimDrawButton", live);
    setEnabled("NetworkIngame/RevokeButton",
               live && colourOf(state.sideToMove) != state.localColour());
}

void GamePanels::request(NetRequest request) {
    backend_.network(request);
    refreshNetworkButtons();
}

void GamePanels::requestOnClick(const std::string& button, NetRequest operation) {
    subscribeClick(button, CEGUI::SubscriberSlot([this, operation](const CEGUI::EventArgs&) {
                       request(operation);
                       return true;
                   }));
}

} // namespace korvane
