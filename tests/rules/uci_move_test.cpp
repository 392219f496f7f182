// The engine's notation against the rules' move lists: castling, en passant, promotions and
// texts that name no legal move.
#include "fen.h"
#include "replay.h"
#include "uci_move.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct Loaded {
    Position position;
    Turn sideToMove = Turn::White;
    explicit Loaded(const std::string& fen) {
        std::string error;
        EXPECT_TRUE(loadFen(position, sideToMove, fen, &error)) << error;
    }
};

} // namespace

TEST(UciMove, OrdinaryMovesCastlingAndEnPassantNameTheRulesMove) {
    Loaded s("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
    struct Case {
        const char* text;
        int from;
        int to;
    };
    for (const Case c : {Case{"e1g1", 4, 6}, Case{"e1c1", 4, 2}, Case{"e5d6", 36, 43},
                         Case{"e5e6", 36, 44}, Case{"a1a8", 0, 56}}) {
        const auto m = uciMoveFor(s.position, White, c.text);
        ASSERT_TRUE(m) << c.text;
        EXPECT_EQ(*m, Move(Square(c.from), Square(c.to))) << c.text;
    }
    // Black's castling from its own side of the same position.
    Loaded b("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    const auto castle = uciMoveFor(b.position, Black, "e8c8");
    ASSERT_TRUE(castle);
    EXPECT_EQ(*castle, Move(Square(60), Square(58)));
}

TEST(UciMove, PromotionsNeedTheirLetterAndGetThatPiece) {
    Loaded s("1n5k/P7/8/8/8/8/8/K7 w - - 0 1");
    const std::pair<const char*, int> letters[] = {{"a7a8q", QueenKind},
                                                   {"a7a8r", RookKind},
                                                   {"a7a8b", BishopKind},
                                                   {"a7a8n", KnightKind},
                                                   {"a7b8q", QueenKind}};
    for (const auto& [text, code] : letters) {
        const auto m = uciMoveFor(s.position, White, text);
        ASSERT_TRUE(m) << text;
        EXPECT_EQ(m->from, Square(48)) << text;
        EXPECT_EQ(m->promotion, code) << text;
    }
    for (const char* bad : {"a7a8", "a7a8k", "a7a8p", "a7a8Q", "a1b2q"})
        EXPECT_FALSE(uciMoveFor(s.position, White, bad)) << bad;
}

TEST(UciMove, TextsThatNameNoLegalMoveAreRefused) {
    Loaded s("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    for (const char* bad : {"", "e2", "e2e", "e2e4e4", "e2e5", "e7e5", "i2i4", "e0e4", "e2e9",
                            "E2E4", "e2-e4", "e1g1", "(none)", "0000", "e2e4q", "d1d3"})
        EXPECT_FALSE(uciMoveFor(s.position, White, bad)) << bad;
    EXPECT_FALSE(uciMoveFor(s.position, 2, "e2e4"));
    EXPECT_FALSE(uciMoveFor(s.position, Black, "e2e4"));
    EXPECT_TRUE(uciMoveFor(s.position, White, "e2e4"));
    EXPECT_TRUE(uciMoveFor(s.position, Black, "g8f6"));
}

TEST(UciMove, TextsAndTheLastMoveAreWrittenInTheNotation) {
    EXPECT_EQ(uciText(Move(Square(12), Square(28))), "e2e4");
    EXPECT_EQ(uciText(Move(Square(48), Square(56), QueenKind)), "a7a8q");
    EXPECT_EQ(uciText(Move(Square(48), Square(56), KnightKind)), "a7a8n");
    EXPECT_EQ(uciText(Move(Square(-1), Square(3))), "");
    EXPECT_EQ(uciText(Move(Square(3), Square(64))), "");

    Replay game;
    std::string error;
    ASSERT_TRUE(game.load("4k3/P7/8/8/8/8/8/4K2R w K - 0 1", {}, &error)) << error;
    Position& position = game.position();
    auto play = [&](const Move& m) { return game.play(m); };
    EXPECT_EQ(lastUciMove(position), "");
    const auto castle = uciMoveFor(position, White, "e1g1");
    ASSERT_TRUE(castle);
    ASSERT_TRUE(play(*castle));
    EXPECT_EQ(lastUciMove(position), "e1g1");
    const auto reply = uciMoveFor(position, Black, "e8d7");
    ASSERT_TRUE(reply);
    ASSERT_TRUE(play(*reply));
    const auto promote = uciMoveFor(position, White, "a7a8n");
    ASSERT_TRUE(promote);
    ASSERT_TRUE(play(*promote));
    EXPECT_EQ(lastUciMove(position), "a7a8n");
}
