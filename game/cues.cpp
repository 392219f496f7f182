#include "cues.h"

#include "game.h"

namespace korvane {

GameCues::GameCues(const CueSettings& settings, CueHooks hooks)
    : settings_(settings), hooks_(std::move(hooks)) {}

bool GameCues::followsSideToMove(const Game& game) const {
    return settings_.flipView && game.state().localGame();
}

void GameCues::positionChanged(const Game& game) {
    // A local game that turns the view keeps it turned towards the side to move.
    const Turn side = game.state().sideToMove;
    if (followsSideToMove(game) && isColour(side) && hooks_.showSide)
        hooks_.showSide(side == Turn::Black);
}

void GameCues::playersChanged(const Game& game) {
    // Over the network each player looks from their own side.
    const GameState& s = game.state();
    if (s.networkGame() && hooks_.showSide)
        hooks_.showSide(s.localColour() == Black);
}

void GameCues::selectionChanged(const Game& game) {
    const Fig* p = game.selectedPiece();
    if (p && settings_.sounds && hooks_.sound)
        hooks_.sound(Cue::Select, squareIndex(p->x, p->y));
}

void GameCues::moveMade(const Game& game, const MoveEvent& move) {
    if (!move.promotionPending && followsSideToMove(game) && hooks_.flipView)
        hooks_.flipView();
    if (settings_.sounds && hooks_.sound)
        hooks_.sound(Cue::Move, move.move.to.index);
}

void GameCues::promotionChosen(const Game& game, const MoveEvent&, int) {
    if (followsSideToMove(game) && hooks_.flipView)
        hooks_.flipView();
}

} // namespace korvane
