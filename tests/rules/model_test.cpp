#include "placed.h"

#include <gtest/gtest.h>

using namespace korvane;

using korvane::testing::Placed;

TEST(PieceModel, ResetPlacesBothArmiesAndHidesEveryReserve) {
    Placed h;
    const Fig* wq = h.position.pieceByKind(0, QueenKind, White);
    const Fig* bq = h.position.pieceByKind(0, QueenKind, Black);
    EXPECT_EQ(wq->x, 3);
    EXPECT_EQ(wq->y, 0);
    EXPECT_EQ(bq->x, 3);
    EXPECT_EQ(bq->y, 7);
    EXPECT_EQ(h.position.king(White).x, 4);
    EXPECT_EQ(h.position.king(Black).y, 7);
    for (int colour = 0; colour < 2; ++colour) {
        for (int kind = RookKind; kind <= QueenKind; ++kind)
            for (int index = 2; index < 10; ++index) {
                EXPECT_FALSE(h.position.pieceByKind(index, kind, colour)->alive);
            }
        EXPECT_FALSE(h.position.pieceByKind(1, QueenKind, colour)->alive);
        EXPECT_EQ(h.position.pieceByKind(1, QueenKind, colour)->alive, false);
    }
    EXPECT_EQ(writeFen(h.position, Turn::White),
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST(PieceModel, LookupSkipsDeadAndLiftedButAlwaysFindsKings) {
    Placed h;
    Fig& pawn = *h.position.pieceByKind(4, PawnKind, White); // e2
    EXPECT_TRUE(h.position.pieceAt(White, 4, 1));
    pawn.lifted = true;
    EXPECT_FALSE(h.position.pieceAt(White, 4, 1));
    EXPECT_EQ(h.position.occupancy(4, 1), 0);
    pawn.lifted = false;
    h.position.setAlive(pawn, false);
    EXPECT_FALSE(h.position.pieceAt(White, 4, 1));
    h.position.king(Black).alive = false;
    EXPECT_TRUE(h.position.pieceAt(Black, 4, 7));
    EXPECT_EQ(h.position.occupancy(4, 7), 2);
    EXPECT_EQ(h.position.occupancy(-1, 3), 0);
    EXPECT_EQ(h.position.occupancy(8, 0), 0);
}

TEST(PieceModel, CaptureNeverTakesAKingAndRecordsTheVictim) {
    Placed h;
    h.position.board.record = MoveRecord();
    h.position.capturePieceAt(Black, 4, 7);
    EXPECT_TRUE(h.position.pieceAt(Black, 4, 7));
    EXPECT_FALSE(h.position.board.record.captured.valid);

    h.position.capturePieceAt(Black, 3, 7);
    const RecordedPiece& c = h.position.board.record.captured;
    ASSERT_TRUE(c.valid);
    EXPECT_EQ(c.kind, QueenKind);
    EXPECT_EQ(c.index, 0);
    EXPECT_EQ(c.x, 3);
    EXPECT_EQ(c.y, 7);
    EXPECT_FALSE(h.position.pieceByKind(0, QueenKind, Black)->alive);
}

TEST(PieceModel, PawnDiagonalToAnEmptySquareTakesThePawnBehindStraightTakesNothing) {
    Placed h("4k3/8/8/3Pp3/8/8/8/4K3 w - - 0 1");
    Fig& white = *h.position.findPieceAt(White, 3, 4);
    h.position.moveTo(white, 4, 5);
    EXPECT_FALSE(h.position.pieceAt(Black, 4, 4));

    Placed straight("4k3/8/8/3Pp3/8/8/8/4K3 w - - 0 1");
    Fig& pawn = *straight.position.findPieceAt(White, 3, 4);
    straight.position.moveTo(pawn, 3, 5);
    EXPECT_TRUE(straight.position.pieceAt(Black, 4, 4));
}

TEST(PieceModel, SquareIndexAndSlots) {
    Placed h;
    EXPECT_EQ(squareIndex(4, 1), 12);
    EXPECT_EQ(slotOf(QueenKind, 10), -1);
    EXPECT_EQ(slotOf(PawnKind, 8), -1);
    EXPECT_EQ(slotOf(KingKind, 1), -1);
    EXPECT_EQ(slotOf(6, 0), -1);
    EXPECT_EQ(h.position.pieceByKind(0, KingKind, 2), nullptr);
}
