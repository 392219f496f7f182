// The application's side of drawn and saved games: the GUI's requests turned into calls on
// the game flow.
#include "korvane_app.h"

#include "computer_game.h"
#include "config/settings.h"
#include "frame_listener.h"

namespace korvane {

DrawReason KorvaneApp::claimableDraw() {
    // Against the computer and over the network the claim is made on one's own move.
    if (!frameListener_ || !frameListener_->game().state().localSideToMove())
        return DrawReason::None;
    return frameListener_->game().canClaimDraw();
}

void KorvaneApp::claimDraw() {
    if (!frameListener_)
        return;
    if (frameListener_->game().state().networkGame())
        network(NetRequest::ClaimDraw);
    else
        frameListener_->game().claimDraw();
}

const GameHistory* KorvaneApp::gameHistory() {
    return frameListener_ ? &frameListener_->game().history() : nullptr;
}

std::string KorvaneApp::sideName(int colour) {
    if (!frameListener_)
        return std::string();
    const GameState& state = frameListener_->game().state();
    if (state.players.of(colour) == Player::Engine)
        return "Computer";
    if (state.players.of(colour) == Player::Network) {
        const std::string& peer = frameListener_->session().peerName();
        return peer.empty() ? "?" : peer;
    }
    return std::string();
}

bool KorvaneApp::loadGame(const PgnGame& game, std::string& error) {
    if (!frameListener_) {
        error = "the game is not running";
        return false;
    }
    Game& played = frameListener_->game();
    if (played.state().networkGame()) {
        error = "a network game is running";
        return false;
    }
    if (!played.loadGame(game.startFen, game.moves, &error))
        return false;
    played.seat(Players::local());
    // A loaded game starts from White's side, as a new one does, or from the side to move
    // when the settings turn the view to it.
    frameListener_->resetView(settings().flipView && played.state().sideToMove == Turn::Black);
    return true;
}

} // namespace korvane
