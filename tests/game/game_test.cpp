#include "harness.h"
#include "rules/uci_move.h"
#include "tests/support/pairing.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::testing;
using korvane::testing::Harness;

TEST(Game, SelectionPaintsTargetsShowsArrowAndPlaysSound) {
    Harness h;
    h.marks.movable = true;
    h.cues.sounds = true;
    ASSERT_TRUE(h.game.selectPiece(White, KnightKind, 0));
    EXPECT_EQ(h.board.green, (std::vector<int>{16, 18}));
    EXPECT_TRUE(h.board.arrowShown);
    ASSERT_EQ(h.sounds.size(), 1u);
    EXPECT_EQ(h.sounds[0], (std::pair<Cue, int>{Cue::Select, 1})); // heard on b1
    // Black's pieces cannot be picked on White's turn.
    EXPECT_FALSE(h.game.selectPiece(Black, KnightKind, 0));

    h.marks.movable = false;
    ASSERT_TRUE(h.game.selectPiece(White, KnightKind, 0));
    EXPECT_TRUE(h.board.green.empty());
}

TEST(Game, MoveSwitchesTurnMarksLastMoveAndHighlightsMovablePieces) {
    Harness h;
    h.marks.movable = true;
    h.marks.lastMove = true;
    h.game.newGame();
    EXPECT_EQ(h.board.marked.size(), 10u); // eight pawns and two knights
    ASSERT_TRUE(h.play("g1f3"));
    EXPECT_EQ(h.state.sideToMove, Turn::Black);
    EXPECT_EQ(h.screens.statusSide, Black);
    EXPECT_EQ(h.board.lastRepaint, (std::vector<int>{6, 21}));
    EXPECT_FALSE(h.state.selection.any());
    EXPECT_FALSE(h.board.arrowShown);
    EXPECT_EQ(h.board.marked.size(), 10u);
    EXPECT_EQ(h.board.marked.front(), "1,0,0");
    h.marks.lastMove = false;
    ASSERT_TRUE(h.play("e7e5"));
    EXPECT_EQ(h.board.lastRepaint, (std::vector<int>{-1, -1}));
}

TEST(Game, LocalGameTurnsTheViewOnlyWithFlipViewSet) {
    Harness h;
    ASSERT_TRUE(h.play("e2e4"));
    EXPECT_EQ(h.turns, 0);
    h.cues.flipView = true;
    ASSERT_TRUE(h.play("e7e5"));
    EXPECT_EQ(h.turns, 1);
}

TEST(Game, DoubleStepSetsTheEnPassantFileForExactlyOneReply) {
    Harness h;
    ASSERT_TRUE(h.play("e2e4"));
    EXPECT_EQ(h.position.board.enPassantFile, 4);
    ASSERT_TRUE(h.play("g8f6"));
    EXPECT_EQ(h.position.board.enPassantFile, -1);
}

TEST(Game, RejectsOrdinalsOutOfRangeAndMovesWithoutSelection) {
    Harness h;
    EXPECT_FALSE(h.game.executeMove(0)); // nothing selected
    ASSERT_TRUE(h.game.selectPiece(White, KnightKind, 0));
    const std::string before = h.fen();
    EXPECT_FALSE(h.game.executeMove(2));
    EXPECT_FALSE(h.game.executeMove(-1));
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.state.sideToMove, Turn::White);
}

class Promotion : public ::testing::TestWithParam<int> {};

TEST_P(Promotion, ChoiceBringsInTheReservePieceAndRevokeTakesItBack) {
    const int code = GetParam();
    Harness h("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(h.game.selectPiece(White, PawnKind, 0));
    ASSERT_TRUE(h.game.executeMove(0));
    EXPECT_TRUE(h.state.promotionPending);
    EXPECT_EQ(h.state.sideToMove, Turn::Black); // turn already switched
    EXPECT_TRUE(h.screens.isShown("IngamePawnTransform"));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    EXPECT_EQ(h.position.pieceByKind(0, PawnKind, White)->moveCount, 0);
    // The board is closed until the choice.
    EXPECT_FALSE(h.game.selectPiece(Black, KingKind, 0));
    EXPECT_FALSE(h.game.revokeLastMove());
    EXPECT_FALSE(h.game.completePromotion(0));
    EXPECT_FALSE(h.game.completePromotion(5));

    ASSERT_TRUE(h.game.completePromotion(code));
    const Fig* promoted = h.position.pieceByKind(2, code, White);
    EXPECT_TRUE(promoted->alive);
    EXPECT_EQ(promoted->x, 0);
    EXPECT_EQ(promoted->y, 7);
    EXPECT_FALSE(h.position.pieceByKind(0, PawnKind, White)->alive);
    EXPECT_FALSE(h.screens.isShown("IngamePawnTransform"));
    EXPECT_TRUE(h.screens.isShown("LocalIngame"));
    EXPECT_FALSE(h.state.promotionPending);

    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_FALSE(promoted->alive);
    EXPECT_EQ(h.fen(), "7k/P7/8/8/8/8/8/K7 w - - 0 1");
}

INSTANTIATE_TEST_SUITE_P(EachPiece, Promotion, ::testing::Values(1, 2, 3, 4));

TEST(Game, PromotionThatMatesEndsTheGameAtTheChoice) {
    Harness h("k7/7P/1K6/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(h.game.selectPiece(White, PawnKind, 7));
    ASSERT_TRUE(h.game.executeMove(0));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    ASSERT_TRUE(h.game.completePromotion(QueenKind));
    EXPECT_TRUE(h.screens.isShown("GameEnd/Checkmate"));
    EXPECT_TRUE(h.screens.isShown("GameEnd/WhiteWon"));
}

TEST(Game, PromotionWaitsForTheChoiceBeforeTheGameEndTest) {
    // With the pawn still a pawn on h8, Black has no move; with a knight it has.
    Harness h("k7/2K4P/8/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(h.game.selectPiece(White, PawnKind, 7));
    ASSERT_TRUE(h.game.executeMove(0));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    ASSERT_TRUE(h.game.completePromotion(KnightKind));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    EXPECT_EQ(h.game.gameEnd(), Ending::None);
}

TEST(Revoke, CastlingPutsKingAndRookBackWithTheirRights) {
    Harness h("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ASSERT_TRUE(h.play("e1g1"));
    EXPECT_EQ(h.fen(), "r3k2r/8/8/8/8/8/8/R4RK1 b kq - 0 1");
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.fen(), "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_TRUE(h.lists("e1", "g1"));
    EXPECT_EQ(h.position.board.lastMoveFrom, -1);
    EXPECT_EQ(h.screens.statusSide, White);
}

TEST(Revoke, EnPassantBringsBackTheTakenPawnAndTheFile) {
    Harness h("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    ASSERT_TRUE(h.play("d7d5"));
    const std::string before = h.fen();
    ASSERT_TRUE(h.play("e5d6"));
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.position.board.enPassantFile, 3);
    EXPECT_TRUE(h.lists("e5", "d6"));
    EXPECT_EQ(h.position.board.lastMoveTo, Harness::square("d5"));
}

TEST(Revoke, CaptureAndCapturingPromotionRestoreEveryPiece) {
    Harness h;
    ASSERT_TRUE(h.play("e2e4"));
    ASSERT_TRUE(h.play("d7d5"));
    const std::string before = h.fen();
    ASSERT_TRUE(h.play("e4d5"));
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.position.sets[White].legalMoveTotal, 31);

    Harness p("1r5k/P7/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(p.play("a7b8q"));
    EXPECT_EQ(p.fen(), "1Q5k/8/8/8/8/8/8/K7 b - - 0 1");
    ASSERT_TRUE(p.game.revokeLastMove());
    EXPECT_EQ(p.fen(), "1r5k/P7/8/8/8/8/8/K7 w - - 0 1");
    EXPECT_TRUE(p.board.visible["1,1,0"]);  // the rook is shown again
    EXPECT_FALSE(p.board.visible["0,4,2"]); // the queen hidden
}

TEST(Revoke, SecondRevokeAndRevokeWithoutMoveAreRefused) {
    Harness h;
    EXPECT_FALSE(h.game.revokeLastMove());
    ASSERT_TRUE(h.play("e2e4"));
    ASSERT_TRUE(h.play("e7e5"));
    ASSERT_TRUE(h.game.revokeLastMove());
    const std::string after = h.fen();
    EXPECT_FALSE(h.game.revokeLastMove());
    EXPECT_EQ(h.fen(), after);
    EXPECT_EQ(h.state.sideToMove, Turn::Black);
}

TEST(FrozenBoard, OpenQuestionBlocksBothSides) {
    Harness h;
    ASSERT_TRUE(h.game.selectPiece(White, PawnKind, 3));
    h.game.openQuestion(Question::Draw, false);
    EXPECT_FALSE(h.game.selectPiece(White, PawnKind, 4));
    EXPECT_FALSE(h.game.executeMove(0));
    EXPECT_FALSE(h.receiveMove(PawnKind, 4, 0));
    h.game.closeQuestion();
    EXPECT_TRUE(h.receiveMove(PawnKind, 4, 0));
    h.game.endGame(Outcome::Resignation, Black);
    EXPECT_FALSE(h.receiveMove(PawnKind, 6, 0));
}

TEST(ReceivedData, OutOfRangeOrMismatchedActionsAreRejectedAndChangeNothing) {
    Harness h;
    seatAs(h.game, Pairing::NetworkBlack);
    const std::string before = h.fen();
    const int bad[][3] = {
        {-1, 0, 0},        {6, 0, 0},          {PawnKind, 8, 0},
        {RookKind, 10, 0}, {KingKind, 1, 0},   {PawnKind, 4, 2},   // the e2 pawn has two moves
        {PawnKind, 4, -1}, {PawnKind, 4, 254}, {KnightKind, 2, 0}, // a dead reserve
    };
    for (const auto& m : bad) {
        EXPECT_FALSE(h.receiveMove(m[0], m[1], m[2])) << m[0] << " " << m[1] << " " << m[2];
        EXPECT_FALSE(h.receivePieceSelected(m[0], m[1]) && m[0] != PawnKind);
        EXPECT_EQ(h.fen(), before);
        EXPECT_EQ(h.state.sideToMove, Turn::White);
    }
    EXPECT_FALSE(h.receivePromotion(3, QueenKind)); // nothing pending
    EXPECT_TRUE(h.receiveMove(PawnKind, 4, 1));
    EXPECT_EQ(h.state.sideToMove, Turn::Black);

    // Promotion naming the wrong pawn is refused while one is pending; the receiver never
    // sees the choice pop-up, the peer makes that choice.
    Harness p("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    seatAs(p.game, Pairing::NetworkBlack);
    ASSERT_TRUE(p.receiveMove(PawnKind, 0, 0));
    EXPECT_FALSE(p.screens.isShown("IngamePawnTransform"));
    EXPECT_FALSE(p.receivePromotion(3, QueenKind));
    EXPECT_FALSE(p.receivePromotion(0, 0));
    EXPECT_TRUE(p.state.promotionPending);
    EXPECT_TRUE(p.receivePromotion(0, QueenKind));
}

TEST(ReceivedData, JoinPlacesWithoutCapturingAndTakesTheSentDetails) {
    Harness h;
    EXPECT_FALSE(h.game.applyPieceState(White, PawnKind, 0, true, 0, 1)); // not joining
    h.game.beginJoin(Turn::White);
    EXPECT_FALSE(h.game.selectPiece(White, KingKind, 0)); // closed until finished
    // The dead white queen's last square holds the black knight that took it.
    ASSERT_TRUE(h.game.applyPieceState(Black, KnightKind, 0, true, 3, 0));
    ASSERT_TRUE(h.game.applyPieceState(White, QueenKind, 0, false, 3, 0));
    ASSERT_TRUE(h.game.applyPieceState(White, RookKind, 1, true, 7, 0));
    ASSERT_TRUE(h.game.applyPieceState(White, RookKind, 0, true, 0, 0));
    ASSERT_TRUE(h.game.applyPieceState(White, KingKind, 0, true, 4, 0));
    ASSERT_TRUE(h.game.applyPieceState(Black, KingKind, 0, true, 4, 7));
    EXPECT_FALSE(h.game.applyPieceState(Black, KingKind, 0, false, 4, 7)); // kings never die
    EXPECT_FALSE(h.game.applyPieceState(Black, PawnKind, 0, true, 8, 7));
    EXPECT_TRUE(h.position.pieceByKind(0, KnightKind, Black)->alive);
    EXPECT_FALSE(h.position.pieceByKind(0, QueenKind, White)->alive);
    EXPECT_EQ(h.position.occupancy(3, 0), 2);

    // Home squares alone would give both castlings; the details say the king side is gone.
    PositionDetails details;
    details.whiteQueenSide = true;
    details.lastMoveFrom = 12;
    details.lastMoveTo = 28;
    h.game.finishJoin(&details);
    EXPECT_EQ(h.fen(), "4k3/8/8/8/8/8/8/R2nK2R w Q - 0 1");
    EXPECT_EQ(h.game.details(), details);
    EXPECT_FALSE(h.game.revokeLastMove());

    // Without details (an older host) castling rights are guessed from the home squares.
    Harness old;
    old.game.beginJoin(Turn::White);
    ASSERT_TRUE(old.game.applyPieceState(White, RookKind, 1, true, 7, 0));
    old.game.finishJoin(nullptr);
    EXPECT_EQ(old.fen(), "4k3/8/8/8/8/8/8/4K2R w K - 0 1");
}

namespace {

// Everything the next moves depend on: the placement and every legal-move list in order.
std::string signature(Harness& h) {
    std::string s = h.fen();
    for (const PieceSet& set : h.position.sets)
        for (const Fig& p : set.pieces)
            for (int k = 0; k < p.moveCount; ++k)
                s += ' ' + std::to_string(p.moves[k]);
    return s;
}

} // namespace

TEST(Revoke, RandomGamesRevokeEveryMoveExactly) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        Harness h;
        unsigned rng = seed * 2654435761u;
        auto next = [&](unsigned n) {
            rng = rng * 1664525u + 1013904223u;
            return (rng >> 8) % n;
        };
        for (int ply = 0; ply < 160 && h.game.gameEnd() == Ending::None; ++ply) {
            const int side = colourOf(h.state.sideToMove);
            std::vector<std::pair<const Fig*, int>> choices;
            for (const Fig& p : h.position.sets[side].pieces)
                if (p.alive)
                    for (int k = 0; k < p.moveCount; ++k)
                        choices.push_back({&p, k});
            ASSERT_FALSE(choices.empty());
            const auto [piece, ordinal] = choices[next(unsigned(choices.size()))];
            const int code = int(next(4)) + 1;
            auto playIt = [&, piece = piece, ordinal = ordinal] {
                ASSERT_TRUE(h.game.selectPiece(side, piece->kind, piece->index));
                ASSERT_TRUE(h.game.executeMove(ordinal));
                if (h.state.promotionPending) {
                    ASSERT_TRUE(h.game.completePromotion(code));
                }
            };
            const std::string before = signature(h);
            playIt();
            const std::string after = signature(h);
            ASSERT_TRUE(h.game.revokeLastMove());
            ASSERT_EQ(signature(h), before) << "seed " << seed << " ply " << ply;
            playIt();
            ASSERT_EQ(signature(h), after) << "seed " << seed << " ply " << ply;
        }
    }
}

namespace {

// An opponent that answers at once, as a quick engine would: from its list, in order.
struct ScriptedPlayer : Player {
    std::vector<std::string> replies;
    std::vector<int> askedFor; // the side of each request
    PlayerKind kind() const override { return PlayerKind::Engine; }
    void yourMove(Game& game, int side) override {
        askedFor.push_back(side);
        Move m;
        if (askedFor.size() <= replies.size() && parseUci(replies[askedFor.size() - 1], m)) {
            EXPECT_EQ(game.submit(side, m), Refusal::None) << replies[askedFor.size() - 1];
        }
    }
};

} // namespace

TEST(Players, TheGameAsksOnlyThePlayerToMoveAndRefusesTheOther) {
    Harness h;
    ScriptedPlayer engine;
    engine.replies = {"e7e5", "b8c6"};
    h.game.seatAgainst(engine, White);
    EXPECT_TRUE(engine.askedFor.empty()) << "White, at this board, is to move";
    EXPECT_EQ(h.game.submit(Black, Move(Square(52), Square(36))), Refusal::NotYourTurn);

    ASSERT_TRUE(h.play("e2e4"));
    EXPECT_EQ(engine.askedFor, std::vector<int>{Black});
    EXPECT_EQ(h.game.fen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2");
    // Taking back the engine's reply leaves it to move again, and it is asked again.
    ASSERT_TRUE(h.game.takeBack());
    EXPECT_EQ(engine.askedFor.size(), 2u);
    EXPECT_EQ(h.game.history().size(), 2u) << "it answered b8c6 at once";

    // A promotion named with the move completes at once; the engine's turn follows a choice.
    Harness p("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    ScriptedPlayer black;
    black.replies = {"e8d7"};
    p.game.seatAgainst(black, White);
    ASSERT_EQ(p.game.submit(White, Move(Square(48), Square(56))), Refusal::None);
    EXPECT_TRUE(black.askedFor.empty()) << "asked before the piece is chosen";
    ASSERT_TRUE(p.game.completePromotion(QueenKind));
    EXPECT_EQ(black.askedFor, std::vector<int>{Black});
    EXPECT_EQ(p.game.fen(), "Q7/3k4/8/8/8/8/8/4K3 w - - 1 2");
}
