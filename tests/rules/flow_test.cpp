#include "fakes.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace korvane;
using korvane::testing::Harness;

TEST(GameFlow, SelectionPaintsTargetsShowsArrowAndPlaysSound) {
    Harness h;
    h.settings.highlighting = true;
    h.settings.sounds = true;
    ASSERT_TRUE(h.flow.selectPiece(White, KnightKind, 0, true));
    EXPECT_EQ(h.board.green, (std::vector<int>{16, 18}));
    EXPECT_TRUE(h.board.arrowShown);
    ASSERT_EQ(h.sounds.played.size(), 1u);
    EXPECT_EQ(h.sounds.played[0].second, (std::vector<float>{0.5f, 0.0f, 1.5f}));
    EXPECT_TRUE(h.peer.sent.empty()); // local game sends nothing
    // Black's pieces cannot be picked on White's turn.
    EXPECT_FALSE(h.flow.selectPiece(Black, KnightKind, 0, true));

    h.settings.highlighting = false;
    ASSERT_TRUE(h.flow.selectPiece(White, KnightKind, 0, true));
    EXPECT_TRUE(h.board.green.empty());
}

TEST(GameFlow, MoveSwitchesTurnMarksLastMoveAndHighlightsMovablePieces) {
    Harness h;
    h.settings.highlighting = true;
    h.settings.lastMoveHighlighting = true;
    h.flow.newGame();
    EXPECT_EQ(h.board.marked.size(), 10u); // eight pawns and two knights
    ASSERT_TRUE(h.play("g1f3"));
    EXPECT_EQ(h.state.sideToMove, Turn::Black);
    EXPECT_EQ(h.screens.statusSide, Black);
    EXPECT_EQ(h.board.lastRepaint, (std::vector<int>{6, 21}));
    EXPECT_EQ(h.state.selectionKind, -2);
    EXPECT_FALSE(h.board.arrowShown);
    EXPECT_EQ(h.board.marked.size(), 10u);
    EXPECT_EQ(h.board.marked.front(), "1,0,0");
    h.settings.lastMoveHighlighting = false;
    ASSERT_TRUE(h.play("e7e5"));
    EXPECT_EQ(h.board.lastRepaint, (std::vector<int>{-1, -1}));
}

TEST(GameFlow, LocalGameTurnsTheViewOnlyWithFlipViewSet) {
    Harness h;
    ASSERT_TRUE(h.play("e2e4"));
    EXPECT_EQ(h.board.turns, 0);
    h.settings.flipView = true;
    ASSERT_TRUE(h.play("e7e5"));
    EXPECT_EQ(h.board.turns, 1);
    EXPECT_TRUE(h.state.viewFlipped);
}

TEST(GameFlow, DoubleStepSetsTheEnPassantFileForExactlyOneReply) {
    Harness h;
    ASSERT_TRUE(h.play("e2e4"));
    EXPECT_EQ(h.position.board.enPassantFile, 4);
    ASSERT_TRUE(h.play("g8f6"));
    EXPECT_EQ(h.position.board.enPassantFile, -1);
}

TEST(GameFlow, RejectsOrdinalsOutOfRangeAndMovesWithoutSelection) {
    Harness h;
    EXPECT_FALSE(h.flow.executeMove(0, true)); // nothing selected
    ASSERT_TRUE(h.flow.selectPiece(White, KnightKind, 0, true));
    const std::string before = h.fen();
    EXPECT_FALSE(h.flow.executeMove(2, true));
    EXPECT_FALSE(h.flow.executeMove(-1, true));
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.state.sideToMove, Turn::White);
}

class Promotion : public ::testing::TestWithParam<int> {};

TEST_P(Promotion, ChoiceBringsInTheReservePieceAndRevokeTakesItBack) {
    const int code = GetParam();
    Harness h("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(h.flow.selectPiece(White, PawnKind, 0, true));
    ASSERT_TRUE(h.flow.executeMove(0, true));
    EXPECT_TRUE(h.state.promotionPending);
    EXPECT_EQ(h.state.sideToMove, Turn::Black); // turn already switched
    EXPECT_TRUE(h.screens.isShown("IngamePawnTransform"));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    EXPECT_EQ(h.position.pieceByKind(0, PawnKind, White)->moveCount, 0);
    // The board is closed until the choice.
    EXPECT_FALSE(h.flow.selectPiece(Black, KingKind, 0, true));
    EXPECT_FALSE(h.flow.revokeLastMove());
    EXPECT_FALSE(h.flow.completePromotion(0));
    EXPECT_FALSE(h.flow.completePromotion(5));

    ASSERT_TRUE(h.flow.completePromotion(code));
    const Fig* promoted = h.position.pieceByKind(2, code, White);
    EXPECT_TRUE(promoted->alive);
    EXPECT_EQ(promoted->x, 0);
    EXPECT_EQ(promoted->y, 7);
    EXPECT_FALSE(h.position.pieceByKind(0, PawnKind, White)->alive);
    EXPECT_FALSE(h.screens.isShown("IngamePawnTransform"));
    EXPECT_TRUE(h.screens.isShown("LocalIngame"));
    EXPECT_FALSE(h.state.promotionPending);

    ASSERT_TRUE(h.flow.revokeLastMove());
    EXPECT_FALSE(promoted->alive);
    EXPECT_EQ(h.fen(), "7k/P7/8/8/8/8/8/K7 w - - 0 1");
}

INSTANTIATE_TEST_SUITE_P(EachPiece, Promotion, ::testing::Values(1, 2, 3, 4));

TEST(GameFlow, PromotionThatMatesEndsTheGameAtTheChoice) {
    Harness h("k7/7P/1K6/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(h.flow.selectPiece(White, PawnKind, 7, true));
    ASSERT_TRUE(h.flow.executeMove(0, true));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    ASSERT_TRUE(h.flow.completePromotion(QueenKind));
    EXPECT_TRUE(h.screens.isShown("GameEnd/Checkmate"));
    EXPECT_TRUE(h.screens.isShown("GameEnd/WhiteWon"));
}

TEST(GameFlow, PromotionWaitsForTheChoiceBeforeTheGameEndTest) {
    // With the pawn still a pawn on h8, Black has no move; with a knight it has.
    Harness h("k7/2K4P/8/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(h.flow.selectPiece(White, PawnKind, 7, true));
    ASSERT_TRUE(h.flow.executeMove(0, true));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    ASSERT_TRUE(h.flow.completePromotion(KnightKind));
    EXPECT_FALSE(h.screens.isShown("GameEnd"));
    EXPECT_EQ(h.flow.gameEnd(), GameEnd::None);
}

TEST(Revoke, CastlingPutsKingAndRookBackWithTheirRights) {
    Harness h("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ASSERT_TRUE(h.play("e1g1"));
    EXPECT_EQ(h.fen(), "r3k2r/8/8/8/8/8/8/R4RK1 b kq - 0 1");
    ASSERT_TRUE(h.flow.revokeLastMove());
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
    ASSERT_TRUE(h.flow.revokeLastMove());
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
    ASSERT_TRUE(h.flow.revokeLastMove());
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.position.sets[White].legalMoveTotal, 31);

    Harness p("1r5k/P7/8/8/8/8/8/K7 w - - 0 1");
    ASSERT_TRUE(p.play("a7b8q"));
    EXPECT_EQ(p.fen(), "1Q5k/8/8/8/8/8/8/K7 b - - 0 1");
    ASSERT_TRUE(p.flow.revokeLastMove());
    EXPECT_EQ(p.fen(), "1r5k/P7/8/8/8/8/8/K7 w - - 0 1");
    EXPECT_TRUE(p.board.visible["1,1,0"]);  // the rook is shown again
    EXPECT_FALSE(p.board.visible["0,4,2"]); // the queen hidden
}

TEST(Revoke, SecondRevokeAndRevokeWithoutMoveAreRefused) {
    Harness h;
    EXPECT_FALSE(h.flow.revokeLastMove());
    ASSERT_TRUE(h.play("e2e4"));
    ASSERT_TRUE(h.play("e7e5"));
    ASSERT_TRUE(h.flow.revokeLastMove());
    const std::string after = h.fen();
    EXPECT_FALSE(h.flow.revokeLastMove());
    EXPECT_EQ(h.fen(), after);
    EXPECT_EQ(h.state.sideToMove, Turn::Black);
}

TEST(FrozenBoard, OpenQuestionBlocksBothSides) {
    Harness h;
    h.state.question = Question::Draw;
    EXPECT_FALSE(h.flow.selectPiece(White, PawnKind, 4, true));
    h.state.selectionColour = White;
    h.state.selectionKind = PawnKind;
    h.state.selectionIndex = 4;
    EXPECT_FALSE(h.flow.executeMove(0, true));
    EXPECT_FALSE(h.flow.receiveMove(PawnKind, 4, 0));
    h.state.question = Question::None;
    EXPECT_TRUE(h.flow.receiveMove(PawnKind, 4, 0));
    h.state.sideToMove = Turn::Over; // game over
    EXPECT_FALSE(h.flow.receiveMove(PawnKind, 4, 0));
}

namespace {

// Hands everything one side told its peer to the other side's receiving operations.
int deliver(Harness& from, Harness& to) {
    int rejected = 0;
    for (const std::string& m : from.peer.sent) {
        std::istringstream in(m);
        std::string what;
        int a = 0, b = 0, c = 0;
        in >> what >> a >> b >> c;
        const bool ok = what == "select" ? to.flow.receivePieceSelected(a, b)
                        : what == "move" ? to.flow.receiveMove(a, b, c)
                                         : to.flow.receivePromotion(a, b);
        rejected += ok ? 0 : 1;
    }
    from.peer.sent.clear();
    return rejected;
}

} // namespace

TEST(NetworkFlow, PeersStayIdenticalThroughCastlingEnPassantAndPromotion) {
    const char* start = "r3k2r/1P6/8/8/2p5/8/3P4/R3K2R w KQkq - 0 1";
    Harness host(start), guest(start);
    host.state.gameMode = GameMode::NetworkWhite;
    host.state.hostRole = true;
    guest.state.gameMode = GameMode::NetworkBlack;
    const char* moves[] = {"d2d4", "c4d3", "e1c1", "e8g8", "b7b8n"};
    bool hostTurn = true;
    for (const char* m : moves) {
        Harness& mover = hostTurn ? host : guest;
        Harness& other = hostTurn ? guest : host;
        ASSERT_TRUE(mover.play(m)) << m;
        EXPECT_EQ(deliver(mover, other), 0) << m;
        EXPECT_EQ(host.fen(), guest.fen()) << m;
        hostTurn = !hostTurn;
    }
    EXPECT_EQ(host.fen(), "rN3rk1/8/8/8/8/3p4/8/2KR3R b - - 0 1");
    EXPECT_FALSE(guest.state.promotionPending);
    EXPECT_FALSE(guest.screens.isShown("IngamePawnTransform"));
    EXPECT_GT(host.peer.sideChanges, 0);
}

TEST(NetworkFlow, PromotionSendsMoveThenPromotionAfterTheChoice) {
    Harness h("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    h.state.gameMode = GameMode::NetworkWhite;
    ASSERT_TRUE(h.flow.selectPiece(White, PawnKind, 0, true));
    EXPECT_EQ(h.peer.sent, (std::vector<std::string>{"select 0 0"}));
    ASSERT_TRUE(h.flow.executeMove(0, true));
    EXPECT_EQ(h.peer.sent.size(), 1u);
    EXPECT_TRUE(h.screens.isShown("IngamePawnTransform"));
    ASSERT_TRUE(h.flow.completePromotion(RookKind));
    EXPECT_EQ(h.peer.sent, (std::vector<std::string>{"select 0 0", "move 0 0 0", "promote 0 1"}));
}

TEST(ReceivedData, OutOfRangeOrMismatchedActionsAreRejectedAndChangeNothing) {
    Harness h;
    h.state.gameMode = GameMode::NetworkBlack;
    const std::string before = h.fen();
    const int bad[][3] = {
        {-1, 0, 0},        {6, 0, 0},          {PawnKind, 8, 0},
        {RookKind, 10, 0}, {KingKind, 1, 0},   {PawnKind, 4, 2},   // the e2 pawn has two moves
        {PawnKind, 4, -1}, {PawnKind, 4, 254}, {KnightKind, 2, 0}, // a dead reserve
    };
    for (const auto& m : bad) {
        EXPECT_FALSE(h.flow.receiveMove(m[0], m[1], m[2])) << m[0] << " " << m[1] << " " << m[2];
        EXPECT_FALSE(h.flow.receivePieceSelected(m[0], m[1]) && m[0] != PawnKind);
        EXPECT_EQ(h.fen(), before);
        EXPECT_EQ(h.state.sideToMove, Turn::White);
    }
    EXPECT_FALSE(h.flow.receivePromotion(3, QueenKind)); // nothing pending
    EXPECT_TRUE(h.flow.receiveMove(PawnKind, 4, 1));
    EXPECT_EQ(h.state.sideToMove, Turn::Black);

    // Promotion naming the wrong pawn is refused while one is pending; the receiver never
    // sees the choice pop-up, the peer makes that choice.
    Harness p("7k/P7/8/8/8/8/8/K7 w - - 0 1");
    p.state.gameMode = GameMode::NetworkBlack;
    ASSERT_TRUE(p.flow.receiveMove(PawnKind, 0, 0));
    EXPECT_FALSE(p.screens.isShown("IngamePawnTransform"));
    EXPECT_FALSE(p.flow.receivePromotion(3, QueenKind));
    EXPECT_FALSE(p.flow.receivePromotion(0, 0));
    EXPECT_TRUE(p.state.promotionPending);
    EXPECT_TRUE(p.flow.receivePromotion(0, QueenKind));
}

TEST(ReceivedData, JoinPlacesWithoutCapturingAndTakesTheSentDetails) {
    Harness h;
    EXPECT_FALSE(h.flow.applyPieceState(White, PawnKind, 0, true, 0, 1)); // not joining
    h.flow.beginJoin(Turn::White);
    EXPECT_FALSE(h.flow.selectPiece(White, KingKind, 0, true)); // closed until finished
    // The dead white queen's last square holds the black knight that took it.
    ASSERT_TRUE(h.flow.applyPieceState(Black, KnightKind, 0, true, 3, 0));
    ASSERT_TRUE(h.flow.applyPieceState(White, QueenKind, 0, false, 3, 0));
    ASSERT_TRUE(h.flow.applyPieceState(White, RookKind, 1, true, 7, 0));
    ASSERT_TRUE(h.flow.applyPieceState(White, RookKind, 0, true, 0, 0));
    ASSERT_TRUE(h.flow.applyPieceState(White, KingKind, 0, true, 4, 0));
    ASSERT_TRUE(h.flow.applyPieceState(Black, KingKind, 0, true, 4, 7));
    EXPECT_FALSE(h.flow.applyPieceState(Black, KingKind, 0, false, 4, 7)); // kings never die
    EXPECT_FALSE(h.flow.applyPieceState(Black, PawnKind, 0, true, 8, 7));
    EXPECT_TRUE(h.position.pieceByKind(0, KnightKind, Black)->alive);
    EXPECT_FALSE(h.position.pieceByKind(0, QueenKind, White)->alive);
    EXPECT_EQ(h.position.occupancy(3, 0), 2);

    // Home squares alone would give both castlings; the details say the king side is gone.
    PositionDetails details;
    details.whiteQueenSide = true;
    details.lastMoveFrom = 12;
    details.lastMoveTo = 28;
    h.flow.finishJoin(&details);
    EXPECT_EQ(h.fen(), "4k3/8/8/8/8/8/8/R2nK2R w Q - 0 1");
    EXPECT_EQ(h.flow.details(), details);
    EXPECT_FALSE(h.flow.revokeLastMove());

    // Without details (an older host) castling rights are guessed from the home squares.
    Harness old;
    old.flow.beginJoin(Turn::White);
    ASSERT_TRUE(old.flow.applyPieceState(White, RookKind, 1, true, 7, 0));
    old.flow.finishJoin(nullptr);
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
        for (int ply = 0; ply < 160 && h.flow.gameEnd() == GameEnd::None; ++ply) {
            const int side = colourOf(h.state.sideToMove);
            std::vector<std::pair<Fig*, int>> choices;
            for (Fig& p : h.position.sets[side].pieces)
                if (p.alive)
                    for (int k = 0; k < p.moveCount; ++k)
                        choices.push_back({&p, k});
            ASSERT_FALSE(choices.empty());
            const auto [piece, ordinal] = choices[next(unsigned(choices.size()))];
            const int code = int(next(4)) + 1;
            auto playIt = [&, piece = piece, ordinal = ordinal] {
                ASSERT_TRUE(h.flow.selectPiece(side, piece->kind, piece->index, true));
                ASSERT_TRUE(h.flow.executeMove(ordinal, true));
                if (h.state.promotionPending) {
                    ASSERT_TRUE(h.flow.completePromotion(code));
                }
            };
            const std::string before = signature(h);
            playIt();
            const std::string after = signature(h);
            ASSERT_TRUE(h.flow.revokeLastMove());
            ASSERT_EQ(signature(h), before) << "seed " << seed << " ply " << ply;
            playIt();
            ASSERT_EQ(signature(h), after) << "seed " << seed << " ply " << ply;
        }
    }
}
