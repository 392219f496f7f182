#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace korvane;
using korvane::testing::Harness;

namespace {
int sq(const char* name) {
    return Harness::square(name);
}
} // namespace

TEST(MoveGeneration, StartPositionListsTwentyMovesInGenerationOrder) {
    Harness h;
    EXPECT_EQ(h.position.sets[White].legalMoveTotal, 20);
    EXPECT_EQ(h.position.sets[Black].legalMoveTotal, 20);
    EXPECT_EQ(h.movesOf("b1"), (std::vector<int>{16, 18}));
    EXPECT_EQ(h.movesOf("e2"), (std::vector<int>{sq("e3"), sq("e4")}));
}

TEST(MoveGeneration, BlockedPawnGetsNeitherStepNorDoubleStep) {
    Harness h("4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1");
    EXPECT_TRUE(h.movesOf("e2").empty());
    Harness far("4k3/8/8/8/4n3/8/4P3/4K3 w - - 0 1");
    EXPECT_EQ(far.movesOf("e2"), (std::vector<int>{sq("e3")}));
}

TEST(MoveGeneration, PinnedPieceKeepsOnlyThePinLine) {
    Harness h("4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1");
    EXPECT_EQ(h.movesOf("e2"),
              (std::vector<int>{sq("e3"), sq("e4"), sq("e5"), sq("e6"), sq("e7")}));
    Harness knight("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    EXPECT_TRUE(knight.movesOf("e2").empty());
}

TEST(MoveGeneration, TwoPiecesOnOneSquareShieldTheKingForEachOther) {
    // No game reaches it (a peer's stacked set-up is refused at the join), but the generator
    // keeps its rule for the pool it is given: whichever of the two leaves, the other still
    // blocks.
    Position p;
    p.clearAll();
    auto put = [&](int colour, int kind, int x, int y) {
        Fig& f = *p.pieceByKind(0, kind, colour);
        p.setAlive(f, true);
        p.place(f, x, y);
    };
    put(White, KingKind, 4, 0);
    put(White, RookKind, 4, 1);
    put(White, BishopKind, 4, 1);
    put(Black, RookKind, 4, 6);
    put(Black, KingKind, 7, 7);
    p.refreshRules();
    const Fig& rook = *p.pieceByKind(0, RookKind, White);
    EXPECT_NE(std::find(rook.moves, rook.moves + rook.moveCount, 8 * 1 + 0),
              rook.moves + rook.moveCount); // e2-a2, the rook found first on the square
    EXPECT_EQ(p.pieceByKind(0, BishopKind, White)->moveCount, 9);
}

TEST(MoveGeneration, KingsNeverStandSideBySide) {
    Harness h("8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    for (const char* s : {"c4", "d4", "e4"})
        EXPECT_FALSE(h.lists("d3", s)) << s;
    EXPECT_TRUE(h.lists("d3", "d2"));
}

TEST(MoveGeneration, EnPassantOnlyDirectlyAfterTheDoubleStep) {
    Harness h("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    ASSERT_TRUE(h.play("d7d5"));
    EXPECT_EQ(h.position.board.enPassantFile, 3);
    EXPECT_TRUE(h.lists("e5", "d6"));
    ASSERT_TRUE(h.play("e1e2"));
    ASSERT_TRUE(h.play("e8e7"));
    EXPECT_EQ(h.position.board.enPassantFile, -1);
    EXPECT_FALSE(h.lists("e5", "d6"));

    Harness take("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1");
    ASSERT_TRUE(take.play("d7d5"));
    ASSERT_TRUE(take.play("e5d6"));
    EXPECT_FALSE(take.position.pieceAt(Black, 3, 4));
    EXPECT_EQ(take.fen(), "4k3/8/3P4/8/8/8/8/4K3 b - - 0 1");
}

TEST(MoveGeneration, EnPassantRefusedWhenBothPawnsLeavingExposeTheKing) {
    Harness h("8/8/8/KPp4r/8/8/8/7k w - c6 0 1");
    EXPECT_EQ(h.movesOf("b5"), (std::vector<int>{sq("b6")}));
    Harness open("8/8/8/KPp5/8/8/8/7k w - c6 0 1");
    EXPECT_TRUE(open.lists("b5", "c6"));
    // A file with no pawn that just stepped gives nothing. A FEN cannot carry one; a joining
    // guest's received details can.
    Position stale;
    Turn side = Turn::White;
    ASSERT_TRUE(loadFen(stale, side, "8/8/8/KP6/8/8/8/7k w - - 0 1"));
    stale.board.enPassantFile = 2;
    stale.refreshRules();
    const Fig* pawn = stale.findPieceAt(White, 1, 4);
    EXPECT_EQ(std::vector<int>(pawn->moves, pawn->moves + pawn->moveCount),
              (std::vector<int>{sq("b6")}));
}

TEST(MoveGeneration, CastlingConditions) {
    const char* open = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    EXPECT_TRUE(Harness(open).lists("e1", "c1"));
    EXPECT_TRUE(Harness(open).lists("e1", "g1"));
    struct Case {
        const char* fen;
        bool queenSide, kingSide;
    } cases[] = {
        {"r3k2r/8/8/4r3/8/8/8/R3K2R w KQ - 0 1", false, false}, // in check
        {"r3k2r/8/8/5r2/8/8/8/R3K2R w KQ - 0 1", true, false},  // f1 passed over, attacked
        {"r3k2r/8/8/6r1/8/8/8/R3K2R w KQ - 0 1", true, false},  // g1 attacked
        {"r3k2r/8/8/3r4/8/8/8/R3K2R w KQ - 0 1", false, true},  // d1 attacked
        {"r3k2r/8/8/1r6/8/8/8/R3K2R w KQ - 0 1", true, true},   // b1 attacked is fine
        {"r3k2r/8/8/8/8/8/8/RN2K2R w KQ - 0 1", false, true},   // b1 occupied
        {"r3k2r/8/8/8/8/8/8/R3K1NR w KQ - 0 1", true, false},   // g1 occupied
        {"r3k2r/8/8/8/8/8/8/R3K2R w Q - 0 1", true, false},     // king-side rook moved
        {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", false, false},    // king moved
        {"r3k2r/8/8/8/8/8/6p1/R3K2R w KQ - 0 1", true, false},  // pawn on g2 attacks f1
        {"r3k2r/8/8/8/8/8/5p2/R3K2R w KQ - 0 1", false, false}, // pawn on f2 gives check
    };
    for (const Case& c : cases) {
        Harness h(c.fen);
        EXPECT_EQ(h.lists("e1", "c1"), c.queenSide) << c.fen;
        EXPECT_EQ(h.lists("e1", "g1"), c.kingSide) << c.fen;
    }
}

TEST(MoveGeneration, CastlingRefusedOnceTheRookIsTaken) {
    Harness h("r3k2r/8/8/8/8/8/6b1/R3K2R b KQkq - 0 1");
    ASSERT_TRUE(h.play("g2h1"));
    EXPECT_FALSE(h.lists("e1", "g1"));
    EXPECT_TRUE(h.lists("e1", "c1"));
}

TEST(MoveGeneration, AttackedCastlingSquaresRemoveOnlyTheCastling) {
    Harness h("r3k2r/8/8/5rr1/8/8/8/R3K2R w KQ - 0 1");
    EXPECT_EQ(h.movesOf("e1"), (std::vector<int>{sq("e2"), sq("d1"), sq("d2"), sq("c1")}));
}

TEST(MoveGeneration, PinnedCheckerStillGivesCheckAndMates) {
    // The black bishop on e4 is pinned to its king along the e-file, yet it checks h1; White
    // has no legal move, which is checkmate, not stalemate.
    Harness h("4k1r1/8/8/5b2/8/8/7P/r3R2K b - - 0 1");
    EXPECT_TRUE(h.game.sideInCheck(Black));
    EXPECT_EQ(h.board.check[Black], sq("e8"));
    ASSERT_TRUE(h.play("f5e4"));
    EXPECT_EQ(h.position.sets[White].legalMoveTotal, 0);
    EXPECT_TRUE(h.game.sideInCheck(White));
    // The board marks that check too, though the checker has no legal capture of the king.
    EXPECT_EQ(h.board.check[White], sq("h1"));
    EXPECT_EQ(h.board.check[Black], -1);
    EXPECT_EQ(h.game.gameEnd(), Ending::Checkmate);
    EXPECT_TRUE(h.screens.isShown("GameEnd/Checkmate"));
    EXPECT_TRUE(h.screens.isShown("GameEnd/BlackWon"));
    EXPECT_FALSE(h.screens.isShown("GameEnd/Stalemate"));
}

TEST(MoveGeneration, StalemateAndCheckmateClassification) {
    Harness stale("7k/4Q3/6K1/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(stale.play("e7f7"));
    EXPECT_EQ(stale.game.gameEnd(), Ending::Stalemate);
    EXPECT_TRUE(stale.screens.isShown("GameEnd/Stalemate"));
    EXPECT_FALSE(stale.screens.isShown("GameEnd/Checkmate"));
    EXPECT_FALSE(stale.screens.isShown("GameEnd/WhiteWon"));
    EXPECT_FALSE(stale.screens.isShown("GameEnd/BlackWon"));
    EXPECT_TRUE(stale.screens.isShown("GameEnd"));

    Harness mate("7k/4Q3/6K1/8/8/8/8/8 w - - 0 1");
    ASSERT_TRUE(mate.play("e7g7"));
    EXPECT_EQ(mate.game.gameEnd(), Ending::Checkmate);
    EXPECT_TRUE(mate.screens.isShown("GameEnd/Checkmate"));
    EXPECT_TRUE(mate.screens.isShown("GameEnd/WhiteWon"));
    EXPECT_FALSE(mate.screens.isShown("GameEnd/BlackWon"));
    EXPECT_FALSE(mate.screens.isShown("LocalIngame"));
    // No piece of the mated side can move any more.
    EXPECT_FALSE(mate.play("h8h7"));
}
