// A position that arrives piece by piece from outside the rules: what no game can reach is
// refused, with its reason; what a game can reach passes.
#include "placed.h"
#include "plausible.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::testing::Placed;

namespace {

// The reason of the refusal, or "" when the position passes.
std::string refusal(const Position& position, Turn side) {
    std::string why;
    return plausiblePosition(position, side, &why) ? "" : why;
}

Fig& piece(Position& p, int colour, int kind, int index) {
    return *p.pieceByKind(index, kind, colour);
}

} // namespace

TEST(PlausiblePosition, PositionsAGameReachesPass) {
    Placed start("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(refusal(start.position, start.side), "");
    ASSERT_TRUE(start.play("e2e4"));
    EXPECT_EQ(refusal(start.position, start.side), "");
    // Ten knights, eight of them from pawns, and the side to move in check.
    Placed promoted("7k/8/8/8/8/NNNNN3/NNNNN1q1/7K w - - 0 1");
    EXPECT_EQ(refusal(promoted.position, promoted.side), "");
    // A finished game (no side to move) may leave one king in check.
    EXPECT_EQ(refusal(promoted.position, Turn::Over), "");
}

TEST(PlausiblePosition, StackedPiecesAndATakenKingAreRefused) {
    Placed p("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    Fig& rook = piece(p.position, White, RookKind, 0);
    p.position.place(rook, 4, 7); // onto the black king
    EXPECT_EQ(refusal(p.position, Turn::White), "two pieces stand on e8");
    p.position.place(rook, 4, 0); // onto its own king
    EXPECT_EQ(refusal(p.position, Turn::White), "two pieces stand on e1");
    p.position.place(p.position.king(White), 4, 7); // both kings on one square
    p.position.place(rook, 0, 0);
    EXPECT_EQ(refusal(p.position, Turn::White), "two pieces stand on e8");
    p.position.place(p.position.king(White), -1, -1);
    EXPECT_EQ(refusal(p.position, Turn::White), "White's king stands off the board");
}

TEST(PlausiblePosition, PawnsOnTheEdgeRanksAndTooManyPromotionsAreRefused) {
    Placed p("4k3/8/8/8/8/8/P7/4K3 w - - 0 1");
    Fig& pawn = piece(p.position, White, PawnKind, 0);
    p.position.place(pawn, 0, 7);
    EXPECT_EQ(refusal(p.position, Turn::White), "a pawn of White stands on the first or last rank");
    p.position.place(pawn, 0, 0);
    EXPECT_EQ(refusal(p.position, Turn::White), "a pawn of White stands on the first or last rank");

    // Eight pawns and a third knight: one pawn too many has promoted.
    Placed full("4k3/8/8/8/8/8/PPPPPPPP/1NN1K1N1 b - - 0 1");
    EXPECT_EQ(refusal(full.position, full.side),
              "White has more pawns and promoted pieces than eight pawns allow");
}

TEST(PlausiblePosition, TheSideNotToMoveInCheckIsRefused) {
    Placed p("4k3/8/8/8/8/8/8/4KR2 w - - 0 1");
    ASSERT_TRUE(p.play("f1f8"));
    EXPECT_EQ(refusal(p.position, Turn::Black), "");
    EXPECT_EQ(refusal(p.position, Turn::White), "the side not to move (Black) is in check");
    Fig& blackRook = piece(p.position, Black, RookKind, 0);
    p.position.setAlive(blackRook, true);
    p.position.place(blackRook, 4, 3);
    EXPECT_EQ(refusal(p.position, Turn::Over), "both kings are in check");
}

TEST(PlausiblePosition, AnEnPassantFileNeedsThePawnThatJustSteppedTwice) {
    Placed p("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
    p.position.board.enPassantFile = 4;
    EXPECT_EQ(refusal(p.position, Turn::Black),
              "an en-passant file without a double step to go with it");
    ASSERT_TRUE(p.play("e2e4"));
    EXPECT_EQ(p.position.board.enPassantFile, 4);
    EXPECT_EQ(refusal(p.position, Turn::Black), "");
    EXPECT_NE(refusal(p.position, Turn::White), ""); // White did not just move
    p.position.board.enPassantFile = 3;
    EXPECT_NE(refusal(p.position, Turn::Black), "");
    // A game that ended after the double step keeps its file.
    p.position.board.enPassantFile = 4;
    EXPECT_EQ(refusal(p.position, Turn::Over), "");
}
