// The application's side of drawn and saved games: the GUI's requests turned into calls on
// the game.
#include "app_backend.h"

#include "computer_game.h"
#include "config/settings.h"

namespace korvane {

DrawReason AppBackend::claimableDraw() {
    // Against the computer and over the network the claim is made on one's own move.
    if (!frameListener_.game().state().localSideToMove())
        return DrawReason::None;
    return frameListener_.game().canClaimDraw();
}

void AppBackend::claimDraw() {
    if (frameListener_.game().state().networkGame())
        network(NetRequest::ClaimDraw);
    else
        frameListener_.game().claimDraw();
}

const GameHistory* AppBackend::gameHistory() {
    return &frameListener_.game().history();
}

std::string AppBackend::sideName(int colour) {
    const GameState& state = frameListener_.game().state();
    if (state.players.of(colour) == PlayerKind::Engine)
        return "Computer";
    if (state.players.of(colour) == PlayerKind::Network) {
        const std::string& peer = frameListener_.session().peerName();
        return peer.empty() ? "?" : peer;
    }
    return std::string();
}

bool AppBackend::loadGame(const PgnGame&, Replay& replayed, std::string& error) {
    Game& played = frameListener_.game();
    if (played.state().networkGame()) {
        error = "a network game is running";
        return false;
    }
    if (!played.loadGame(replayed, &error))
        return false;
    played.seatLocal();
    // A loaded game starts from White's side, as a new one does, or from the side to move
    // when the settings turn the view to it.
    frameListener_.resetView(settings().flipView && played.state().sideToMove == Turn::Black);
    return true;
}

} // namespace korvane
