#include "scene/board_click.h"
#include "tests/support/pairing.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::testing;

namespace {

struct ClickGame {
    Game game;
    const Position& position = game.position();
    const GameState& state = game.state();

    ClickGame() {
        seatAs(game, Pairing::Local);
        game.newGame();
    }
    PickHit square(int sq) {
        PickHit h;
        h.type = PickHit::Square;
        h.square = sq;
        return h;
    }
    PickHit piece(int colour, int kind, int index) {
        PickHit h;
        h.type = PickHit::Piece;
        h.colour = colour;
        h.kind = kind;
        h.index = index;
        return h;
    }
};

} // namespace

TEST(BoardClick, OwnPieceSelectsTargetSquareMovesOtherSquareKeepsSelection) {
    ClickGame g;
    // Nothing selected: a square does nothing, an enemy piece does nothing.
    EXPECT_FALSE(applyBoardClick(g.game, g.square(20)));
    EXPECT_FALSE(applyBoardClick(g.game, g.piece(1, PawnKind, 4)));
    // A rook with no moves cannot be selected.
    EXPECT_FALSE(applyBoardClick(g.game, g.piece(0, RookKind, 0)));
    EXPECT_FALSE(g.game.selection().any());

    ASSERT_TRUE(applyBoardClick(g.game, g.piece(0, PawnKind, 4)));
    EXPECT_EQ(g.game.selection().kind, PawnKind);
    EXPECT_EQ(g.game.selection().index, 4);
    // e5 is not a target: selection stays, nothing moves.
    EXPECT_FALSE(applyBoardClick(g.game, g.square(36)));
    EXPECT_EQ(g.game.selection().kind, PawnKind);
    EXPECT_EQ(g.state.sideToMove, Turn::White);
    // e3 is: the step is played.
    ASSERT_TRUE(applyBoardClick(g.game, g.square(20)));
    EXPECT_EQ(g.state.sideToMove, Turn::Black);
    const Fig* pawn = g.position.pieceByKind(4, PawnKind, 0);
    EXPECT_EQ(pawn->x, 4);
    EXPECT_EQ(pawn->y, 2);
}

TEST(BoardClick, ClickingACapturablePiecePlaysTheCapture) {
    ClickGame g;
    ASSERT_TRUE(g.game.setUp("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1"));
    const Fig* blackPawn = g.position.findPieceAt(1, 3, 4);
    ASSERT_NE(blackPawn, nullptr);
    const PickHit target = g.piece(1, blackPawn->kind, blackPawn->index);
    // Another own piece changes the selection first; it cannot take d5.
    ASSERT_TRUE(applyBoardClick(g.game, g.piece(0, KnightKind, 1)));
    EXPECT_FALSE(applyBoardClick(g.game, target));
    const Fig* e4 = g.position.findPieceAt(0, 4, 3);
    ASSERT_NE(e4, nullptr);
    ASSERT_TRUE(applyBoardClick(g.game, g.piece(0, e4->kind, e4->index)));
    ASSERT_TRUE(applyBoardClick(g.game, target));
    EXPECT_FALSE(blackPawn->alive);
    EXPECT_EQ(g.position.occupancy(3, 4), 1);
}

TEST(BoardClick, NetworkTurnsQuestionsAndPromotionGateTheBoard) {
    GameState s;
    setPairing(s, Pairing::Local);
    s.sideToMove = Turn::Black;
    EXPECT_TRUE(s.boardTakesClicks());
    setPairing(s, Pairing::NetworkBlack);
    EXPECT_TRUE(s.boardTakesClicks());
    s.sideToMove = Turn::White;
    EXPECT_FALSE(s.boardTakesClicks());
    setPairing(s, Pairing::NetworkWhite);
    EXPECT_TRUE(s.boardTakesClicks());
    s.promotionPending = true;
    EXPECT_FALSE(s.boardTakesClicks());
    s.promotionPending = false;
    // An open question freezes the board even on the player's own turn.
    s.question = Question::Draw;
    EXPECT_FALSE(s.boardTakesClicks());
    s.question = Question::None;
    s.joinPending = true;
    EXPECT_FALSE(s.boardTakesClicks());
    s.joinPending = false;
    for (Pairing mode : {Pairing::None, Pairing::Joining}) {
        setPairing(s, mode);
        EXPECT_FALSE(s.boardTakesClicks());
    }
    // A finished game takes no click even when one reaches the game.
    ClickGame g;
    g.game.endGame(Outcome::Resignation, Black);
    ASSERT_EQ(g.state.sideToMove, Turn::Over);
    EXPECT_FALSE(applyBoardClick(g.game, g.piece(0, PawnKind, 0)));
}
