#include "scene/board_click.h"
#include "scene/orbit.h"
#include "scene/pick_names.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvane;

TEST(Orbit, InitialCameraStandsBehindWhiteLookingAtTheCentre) {
    OrbitState o;
    clampOrbit(o);
    const OrbitPoint p = orbitPosition(o);
    EXPECT_NEAR(p.x, -3.07f, 0.01f);
    EXPECT_NEAR(p.y, 8.43f, 0.01f);
    EXPECT_NEAR(p.z, 3.99f, 0.01f);
    // Distance from the board centre is the orbit distance.
    EXPECT_NEAR(std::hypot(p.x - 4, p.y, p.z - 4), 11.0f, 1e-4f);
}

TEST(Orbit, ClampsElevationAndDistance) {
    OrbitState o;
    OrbitKeys up;
    up.up = true;
    for (int i = 0; i < 100; ++i)
        applyOrbitKeys(o, up, 0.1f);
    EXPECT_FLOAT_EQ(o.elevation, degrees(80));
    OrbitKeys down;
    down.down = true;
    applyOrbitKeys(o, down, 10.0f);
    EXPECT_FLOAT_EQ(o.elevation, degrees(5));

    OrbitKeys in;
    in.zoomIn = true;
    applyOrbitKeys(o, in, 10.0f);
    EXPECT_FLOAT_EQ(o.distance, 8.0f);
    OrbitKeys out;
    out.zoomOut = true;
    applyOrbitKeys(o, out, 0.2f);
    EXPECT_FLOAT_EQ(o.distance, 9.0f);
    applyOrbitKeys(o, out, 10.0f);
    EXPECT_FLOAT_EQ(o.distance, 20.0f);
    // At 80 degrees the camera is high above the centre, still at the orbit distance.
    o.elevation = degrees(80);
    const OrbitPoint p = orbitPosition(o);
    EXPECT_NEAR(p.y, 20.0f * std::sin(degrees(80)), 1e-4f);
}

TEST(Orbit, YawWrapsBothWaysAndMovesSmoothlyThroughZero) {
    OrbitState o;
    o.yaw = 0.01f;
    OrbitKeys right; // right arrow decreases yaw
    right.right = true;
    const OrbitPoint before = orbitPosition(o);
    applyOrbitKeys(o, right, 0.02f);
    EXPECT_NEAR(o.yaw, kTwoPi - 0.02f, 1e-4f);
    const OrbitPoint after = orbitPosition(o);
    EXPECT_LT(std::hypot(after.x - before.x, after.z - before.z), 0.5f);

    OrbitKeys left;
    left.left = true;
    applyOrbitKeys(o, left, 0.04f);
    EXPECT_NEAR(o.yaw, 0.04f, 1e-4f);
    EXPECT_GE(o.yaw, 0.0f);

    // A long frame still ends inside the range.
    applyOrbitKeys(o, left, 30.0f);
    EXPECT_GE(o.yaw, 0.0f);
    EXPECT_LT(o.yaw, kTwoPi);
    o.yaw = NAN;
    clampOrbit(o);
    EXPECT_FLOAT_EQ(o.yaw, OrbitState().yaw);
}

TEST(Orbit, FlipPutsTheCameraBehindBlack) {
    OrbitState o;
    flipOrbit(o);
    EXPECT_NEAR(o.yaw, degrees(90.1f), 1e-4f);
    EXPECT_GT(orbitPosition(o).x, 8.0f);
    flipOrbit(o);
    EXPECT_NEAR(o.yaw, degrees(270.1f), 1e-4f);
    EXPECT_FALSE(applyOrbitKeys(o, OrbitKeys(), 1.0f));
}

TEST(Names, EveryTileAndPieceNameReadsBack) {
    EXPECT_EQ(tileName(9), "Field_09");
    EXPECT_EQ(pieceName(0, 0, 3), "Pawn_03");
    EXPECT_EQ(pieceName(1, 2, 1), "KnigB_01");
    EXPECT_EQ(pieceName(0, 5, 0), "King_00");
    EXPECT_EQ(pieceName(1, 5, 0), "KingB_00");
    for (int sq = 0; sq < 64; ++sq) {
        const PickName n = parsePickName(tileName(sq));
        ASSERT_EQ(n.type, PickName::Square);
        EXPECT_EQ(n.square, sq);
    }
    const int counts[6] = {8, 10, 10, 10, 10, 1};
    int total = 0;
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 6; ++k)
            for (int i = 0; i < counts[k]; ++i, ++total) {
                const PickName n = parsePickName(pieceName(c, k, i));
                ASSERT_EQ(n.type, PickName::Piece) << pieceName(c, k, i);
                EXPECT_EQ(n.colour, c);
                EXPECT_EQ(n.kind, k);
                EXPECT_EQ(n.index, i);
            }
    EXPECT_EQ(total, 98);
}

TEST(Names, ArrowAndEmptyAreSkippedOthersEndTheClick) {
    EXPECT_EQ(parsePickName("Arrow").type, PickName::Ignored);
    EXPECT_EQ(parsePickName("").type, PickName::Ignored);
    for (const char* bad : {"Table", "DefaultCam", "Field_64", "Field_", "Field_x1", "Pawn_08",
                            "KingB_01", "Quee_10", "Rook", "PawnB_", "Bish_-1"})
        EXPECT_EQ(parsePickName(bad).type, PickName::Foreign) << bad;
}

namespace {
bool allAlive(int, int, int) {
    return true;
}
} // namespace

TEST(PickWalk, UnconfirmedPieceFallsThroughToWhatIsBehind) {
    // The ray passes a white pawn's box, misses its shape, and meets the square behind.
    const PickHit h =
        walkPickNames({"Pawn_04", "Field_28"}, allAlive, [](size_t) { return false; });
    EXPECT_EQ(h.type, PickHit::Square);
    EXPECT_EQ(h.square, 28);

    // Confirmed: the walk stops at the piece even with a square behind it.
    std::vector<size_t> asked;
    const PickHit p = walkPickNames({"Arrow", "", "KnigB_01", "Field_61"}, allAlive, [&](size_t i) {
        asked.push_back(i);
        return true;
    });
    EXPECT_EQ(p.type, PickHit::Piece);
    EXPECT_EQ(p.colour, 1);
    EXPECT_EQ(p.kind, 2);
    EXPECT_EQ(p.index, 1);
    EXPECT_EQ(asked, std::vector<size_t>{2});

    // An unconfirmed piece with nothing behind stays the hit.
    EXPECT_EQ(walkPickNames({"Field_10", "Pawn_02"}, allAlive, [](size_t) { return false; }).type,
              PickHit::Piece);
}

TEST(PickWalk, DeadPiecesClearTheHitAndForeignNamesEndIt) {
    auto deadQueens = [](int, int kind, int) { return kind != 4; };
    EXPECT_EQ(walkPickNames({"Field_03", "Quee_05"}, deadQueens, [](size_t) { return true; }).type,
              PickHit::None);
    const PickHit h =
        walkPickNames({"Quee_05", "Field_03"}, deadQueens, [](size_t) { return true; });
    EXPECT_EQ(h.type, PickHit::Square);
    EXPECT_EQ(h.square, 3);
    EXPECT_EQ(walkPickNames({"Field_03", "Lamp"}, allAlive, [](size_t) { return true; }).type,
              PickHit::None);
}
