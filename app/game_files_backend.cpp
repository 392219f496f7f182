// The application's side of drawn and saved games: the GUI's requests turned into calls on
// the game flow.
#include "app_backend.h"

#include "computer_game.h"

namespace korvane {

DrawReason AppBackend::claimableDraw() {
    if (!isColour(frameListener_.game().sideToMove))
        return DrawReason::None;
    // Against the computer only the player claims, on the player's own turn.
    const GameState& state = frameListener_.game();
    if (state.gameMode == GameMode::Computer &&
        colourOf(state.sideToMove) != frameListener_.computer().playerColour())
        return DrawReason::None;
    // Over the network likewise: the claim is made on one's own move.
    if (state.networkGame() && colourOf(state.sideToMove) != localColour(state.gameMode))
        return DrawReason::None;
    return frameListener_.flow().canClaimDraw();
}

void AppBackend::claimDraw() {
    if (frameListener_.game().networkGame())
        network(NetRequest::ClaimDraw);
    else
        frameListener_.flow().claimDraw();
}

const GameHistory* AppBackend::gameHistory() {
    return &frameListener_.flow().history();
}

std::string AppBackend::sideName(int colour) {
    const GameState& state = frameListener_.game();
    if (state.gameMode == GameMode::Computer && colour != frameListener_.computer().playerColour())
        return "Computer";
    if (state.networkGame() && colour != localColour(state.gameMode)) {
        const std::string& peer = frameListener_.session().peerName();
        return peer.empty() ? "?" : peer;
    }
    return std::string();
}

bool AppBackend::loadGame(const PgnGame& game, std::string& error) {
    GameState& state = frameListener_.game();
    if (state.networkGame()) {
        error = "a network game is running";
        return false;
    }
    const GameMode before = state.gameMode;
    const bool flippedBefore = state.viewFlipped;
    state.gameMode = GameMode::Local;
    // A loaded game starts from White's side, as a new one does; the flow turns the view to
    // the side to move when the settings ask for it.
    state.viewFlipped = false;
    if (!frameListener_.flow().loadGame(game.startFen, game.moves, &error)) {
        state.gameMode = before;
        state.viewFlipped = flippedBefore;
        return false;
    }
    frameListener_.resetView();
    return true;
}

} // namespace korvane
