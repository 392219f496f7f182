#include "game_view.h"

#include "game/game.h"
#include "game_windows.h"

namespace korvane {

namespace {

const char* const kEndWindows[] = {"GameEnd/Stalemate", "GameEnd/Checkmate", "GameEnd/WhiteWon",
                                   "GameEnd/BlackWon", "GameEnd/Draw"};

} // namespace

void GameScreensView::announceSideToMove(const Game& game) {
    const Turn side = game.state().sideToMove;
    if (isColour(side))
        screens_.showSideToMove(colourOf(side));
}

void GameScreensView::positionChanged(const Game& game) {
    // A guest's board stays as it is until the host's whole position has arrived.
    if (game.state().joinPending)
        return;
    announceSideToMove(game);
    screens_.movesChanged(game.history());
}

void GameScreensView::moveMade(const Game& game, const MoveEvent& move) {
    announceSideToMove(game);
    if (!move.promotionPending) {
        screens_.movesChanged(game.history());
        return;
    }
    screens_.showPromotionChoice(move.piece.colour);
    // The peer's choice arrives with its move; this player never makes it.
    if (game.state().mayChoosePromotion()) {
        screens_.showWindow("IngamePawnTransform");
        screens_.hideWindow("LocalIngame");
        screens_.hideWindow("NetworkIngame");
        screens_.activateWindow("IngamePawnTransform");
    }
}

void GameScreensView::promotionChosen(const Game& game, const MoveEvent&, int) {
    screens_.hideWindow("IngamePawnTransform");
    const char* panel = game.state().networkGame() ? "NetworkIngame" : "LocalIngame";
    screens_.showWindow(panel);
    screens_.activateWindow(panel);
    announceSideToMove(game);
    screens_.movesChanged(game.history());
}

void GameScreensView::moveTakenBack(const Game& game) {
    announceSideToMove(game);
    screens_.movesChanged(game.history());
}

void GameScreensView::showEndWindow(const char* shown) {
    for (const char* name : kEndWindows)
        screens_.hideWindow(name);
    screens_.showWindow(shown);
}

void GameScreensView::gameEnded(const Game&, const GameResult& result) {
    switch (result.outcome) {
    case Outcome::Checkmate:
        showEndWindow("GameEnd/Checkmate");
        screens_.showWindow(result.winner == White ? "GameEnd/WhiteWon" : "GameEnd/BlackWon");
        break;
    case Outcome::Stalemate:
        showEndWindow("GameEnd/Stalemate");
        break;
    case Outcome::DrawByRule:
    case Outcome::Time:
        showEndWindow("GameEnd/Draw");
        break;
    default:
        // A resignation, an agreed draw and a peer gone are the network screens' to show.
        return;
    }
    screens_.hideWindow("LocalIngame");
    screens_.hideWindow("NetworkIngame");
    screens_.showWindow("GameEnd");
    screens_.activateWindow("GameEnd");
    if (result.outcome == Outcome::DrawByRule)
        screens_.showDrawnGame(result.draw);
    else if (result.outcome == Outcome::Time)
        screens_.showFlag(result.flagged, result.winner);
    else
        screens_.showGameOver(result.outcome, result.winner);
}

} // namespace korvane
