#include "perft.h"
#include "placed.h"

#include <gtest/gtest.h>

using namespace korvane;

using korvane::testing::Placed;

TEST(Fen, RoundTripsPositionsSideCastlingAndEnPassant) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b Kq e3 0 1",
        "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    };
    for (const char* fen : fens) {
        Placed h(fen);
        EXPECT_EQ(h.fen(), fen);
    }
}

TEST(Fen, ExtraPiecesGoToReservesOfMissingPawns) {
    Placed h("QQQ1k3/8/8/8/8/8/1PPPPPPP/4K3 b - - 0 1");
    // Pawn 0 (a-file) is missing, so its reserve slot 2 holds the first extra queen.
    EXPECT_TRUE(h.position.pieceByKind(0, QueenKind, White)->alive);
    EXPECT_TRUE(h.position.pieceByKind(2, QueenKind, White)->alive);
    EXPECT_FALSE(h.position.pieceByKind(1, QueenKind, White)->alive);
    EXPECT_EQ(h.fen(), "QQQ1k3/8/8/8/8/8/1PPPPPPP/4K3 b - - 0 1");
    // The b-pawn still promotes into a free slot.
    Placed p("4k3/1P6/8/8/8/8/8/QQ2K3 w - - 0 1");
    ASSERT_TRUE(p.play("b7b8q"));
    EXPECT_EQ(p.fen(), "1Q2k3/8/8/8/8/8/8/QQ2K3 b - - 0 1");
}

TEST(Fen, MalformedTextIsRejectedAndLeavesThePositionAlone) {
    Placed h;
    const std::string before = h.fen();
    const char* bad[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w",          // seven ranks
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w", // nine files
        "rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", // bad letter
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x", // bad side
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", // no black king
        "P3k3/8/8/8/8/8/8/4K3 w",                        // pawn on the last rank
        "4k3/8/8/8/8/8/8/4K3 w - e5",                    // en-passant square on rank 5
        "4k3/8/8/8/8/8/8/4K3 w X",                       // bad castling
        "QQQQQQQQ/QQQ5/8/8/8/8/8/k3K3 w",                // eleven queens
        "4k3/8/8/8/8/8/8/4K3",                           // no side
    };
    for (const char* fen : bad) {
        std::string error;
        EXPECT_FALSE(loadFen(h.position, h.side, fen, &error)) << fen;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(h.fen(), before);
    }
}

TEST(Fen, PositionsNoGameCanReachAreRejectedWithTheReason) {
    struct Case {
        const char* fen;
        const char* reason; // part of the error; null: legal, loads and writes back unchanged
    };
    const Case cases[] = {
        {"k7/8/8/8/8/8/8/R3K3 w - - 0 1", "not to move (Black) in check"},
        {"4k3/8/8/8/8/8/3p4/4K3 b - - 0 1", "not to move (White) in check"},
        {"4k3/8/5N2/8/8/8/8/4K3 w - - 0 1", "in check"},
        {"8/8/8/3kK3/8/8/8/8 w - - 0 1", "in check"},
        {"4k3/8/8/8/8/8/8/K3K3 w - - 0 1", "exactly one king"},
        {"4k3/8/8/8/8/8/8/3pK3 w - - 0 1", "pawn on the first or last rank"},
        {"4k3/8/8/8/8/8/8/R5K1 w KQkq - 0 1", "needs the king on e1"},
        {"4k3/8/8/8/8/8/8/4K2R w Q - 0 1", "'Q' needs the king on e1 and a rook on a1"},
        {"r3k3/8/8/8/8/8/8/4K3 w k - 0 1", "'k' needs the king on e8 and a rook on h8"},
        {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "side to move made the last double step"},
        {"4k3/8/8/3p4/8/8/8/4K3 b - d6 0 1", "side to move made the last double step"},
        {"4k3/8/4n3/4p3/8/8/8/4K3 w - e6 0 1", "not empty"},
        {"4k3/4n3/8/4p3/8/8/8/4K3 w - e6 0 1", "not empty"},
        {"4k3/8/8/4P3/8/8/8/4K3 w - e6 0 1", "no pawn of the side that just moved"},
        {"4k3/8/8/8/8/8/8/4K3 b - a3 0 1", "no pawn of the side that just moved"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", nullptr},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1", nullptr},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", nullptr},
        {"4k3/8/8/8/8/8/8/4R1K1 b - - 0 1", nullptr}, // the side to move may be in check
    };
    for (const Case& c : cases) {
        Placed h;
        const std::string before = h.fen();
        std::string error;
        const bool loaded = loadFen(h.position, h.side, c.fen, &error);
        if (!c.reason) {
            EXPECT_TRUE(loaded) << c.fen << ": " << error;
            EXPECT_EQ(h.fen(), c.fen);
            continue;
        }
        EXPECT_FALSE(loaded) << c.fen;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.fen << ": " << error;
        EXPECT_EQ(h.fen(), before) << c.fen;
    }
    // The accepted en-passant square is one the side to move can take on.
    Placed passant("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_TRUE(passant.play("e5d6"));
    EXPECT_EQ(passant.fen(), "4k3/8/3P4/8/8/8/8/4K3 b - - 0 1");
}

struct PerftCase {
    const char* name;
    const char* fen;
    int depth;
    std::uint64_t nodes;
};

class Perft : public ::testing::TestWithParam<PerftCase> {};

TEST_P(Perft, MatchesThePublishedCount) {
    const PerftCase& c = GetParam();
    Placed h(c.fen);
    const std::string before = h.fen();
    EXPECT_EQ(perft(h.position, h.side, c.depth), c.nodes);
    EXPECT_EQ(h.fen(), before);
}

INSTANTIATE_TEST_SUITE_P(
    StandardPositions, Perft,
    ::testing::Values(
        PerftCase{"Start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3, 8902},
        PerftCase{"Kiwipete",
                  "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 97862},
        PerftCase{"Position3", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
        PerftCase{"Position4", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                  3, 9467},
        PerftCase{"Position4Mirrored",
                  "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 3, 9467},
        PerftCase{"Position5", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3,
                  62379},
        PerftCase{"Position6",
                  "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3,
                  89890}),
    [](const ::testing::TestParamInfo<PerftCase>& info) { return info.param.name; });

TEST(Perft, DivideSumsToTheTotalInGenerationOrder) {
    Placed h;
    const auto entries = perftDivide(h.position, h.side, 2);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries.front().move, "a2a3");
    std::uint64_t total = 0;
    for (const auto& e : entries)
        total += e.nodes;
    EXPECT_EQ(total, 400u);
    Placed p("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    const auto promotions = perftDivide(p.position, p.side, 1);
    ASSERT_GE(promotions.size(), 4u);
    EXPECT_EQ(promotions[0].move, "b7b8r");
    EXPECT_EQ(promotions[3].move, "b7b8q");
}
