// Clocks: the arithmetic of a control, and the game's rules for them (a flag, the material
// draw, take-backs, pauses, a promotion's choice), on a game whose time is a test's number.
#include "harness.h"
#include "rules/draw.h"
#include "tests/rules/placed.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::testing;

TEST(TimeControl, TextsReadBackAndBadOnesAreRefused) {
    for (const char* text : {"300+5", "60+0", "5400+30", "-"})
        EXPECT_EQ(TimeControl::parse(text)->text(), text);
    EXPECT_EQ(TimeControl::parse("180")->text(), "180+0");
    for (const char* bad :
         {"", "+5", "300+", "0+5", "abc", "300+5+1", "-300+5", "999999+0", "300+3601", " 300+5"})
        EXPECT_FALSE(TimeControl::parse(bad)) << bad;
    EXPECT_EQ(TimeControl::of(5, 3).label(), "5+3");
    EXPECT_EQ(TimeControl::presets().size(), 12u);
    EXPECT_EQ(clockText(297000), "4:57");
    EXPECT_EQ(clockText(20400), "0:21") << "whole seconds round up above 20 s";
    EXPECT_EQ(clockText(19990), "0:19.9") << "tenths are cut below 20 s";
    EXPECT_EQ(clockText(5400000), "1:30:00");
}

TEST(ChessClock, RunsForOneSideAddsTheIncrementAndFlags) {
    ChessClock c;
    c.reset(TimeControl{10000, 2000});
    c.run(White, 0);
    EXPECT_EQ(c.left(White, 3000), 7000);
    EXPECT_TRUE(c.press(3000));
    EXPECT_EQ(c.left(White, 9000), 9000) << "stopped, with its increment";
    EXPECT_EQ(c.left(Black, 9000), 4000);
    EXPECT_EQ(c.flagged(12000), -1);
    EXPECT_EQ(c.flagged(13000), Black);
    EXPECT_TRUE(c.press(14000));
    EXPECT_EQ(c.left(Black, 20000), 0) << "a flag stays down";
}

TEST(FlagMaterial, OnlyMaterialThatCanNeverMateSavesTheFlaggedSide) {
    struct Case {
        const char* fen;
        int colour;
        bool cannot;
    };
    for (const Case c :
         {Case{"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", Black, true},  // bare king
          Case{"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", White, false}, // a rook
          Case{"4k3/8/8/8/8/8/8/N3K1Q1 w - - 0 1", Black, true},
          Case{"4kn2/8/8/8/8/8/8/4K1Q1 w - - 0 1", Black, true},  // knight vs queen only
          Case{"4kn2/8/8/8/8/8/8/R3K3 w - - 0 1", Black, false},  // a rook can block
          Case{"4kb2/8/8/8/8/8/8/R3K3 w - - 0 1", Black, true},   // bishop vs rook
          Case{"4kb2/8/8/8/8/8/P7/4K3 w - - 0 1", Black, false},  // a pawn can block
          Case{"4kb2/8/8/8/8/8/8/3BK3 w - - 0 1", Black, false},  // other-coloured bishop
          Case{"4kbb1/8/8/8/8/8/8/4K3 w - - 0 1", Black, false}}) // both colours
        EXPECT_EQ(cannotCheckmate(Placed(c.fen).position, c.colour), c.cannot) << c.fen;
}

namespace {

struct Timed : Harness {
    Millis t = 0;
    std::vector<GameResult> ends;
    struct Ends : GameObserver {
        std::vector<GameResult>& out;
        explicit Ends(std::vector<GameResult>& o) : out(o) {}
        void gameEnded(const Game&, const GameResult& r) override { out.push_back(r); }
    } endsSeen{ends};
    explicit Timed(TimeControl control, const char* fen = nullptr) {
        game.setTimeSource([this] { return t; });
        game.setTimeControl(control);
        game.addObserver(endsSeen);
        if (fen)
            game.setUp(fen);
        else
            game.newGame();
    }
    Millis left(int side) const { return game.clock().left(side, t); }
};

} // namespace

TEST(GameClock, AFlagLosesUnlessTheOtherSideCouldNeverMate) {
    Timed g(TimeControl{5000, 1000});
    EXPECT_EQ(g.game.clock().running(), White) << "White's turn from the start";
    g.t = 2000;
    ASSERT_TRUE(g.play("e2e4"));
    EXPECT_EQ(g.left(White), 4000);
    g.t = 6999; // Black's five seconds run from White's move
    g.game.tick();
    EXPECT_TRUE(g.ends.empty());
    g.t = 7000;
    // A move that comes after the flag fell, before a frame noticed it, is too late.
    EXPECT_EQ(g.game.submit(Black, Move(Square(52), Square(36))), Refusal::TimeUp);
    ASSERT_EQ(g.ends.size(), 1u);
    EXPECT_EQ(g.ends[0].outcome, Outcome::Time);
    EXPECT_EQ(g.ends[0].flagged, Black);
    EXPECT_EQ(g.ends[0].winner, White);
    EXPECT_FALSE(g.state.boardTakesClicks());
    EXPECT_EQ(g.game.clock().running(), -1);

    Timed bare(TimeControl{5000, 0}, "4k3/8/8/8/8/8/8/R3K3 b - - 0 1");
    bare.t = 5000;
    bare.game.tick();
    ASSERT_EQ(bare.ends.size(), 1u);
    EXPECT_EQ(bare.ends[0].winner, White) << "a rook mates";
    Timed rookless(TimeControl{5000, 0}, "4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    rookless.t = 5000;
    rookless.game.tick();
    ASSERT_EQ(rookless.ends.size(), 1u);
    EXPECT_EQ(rookless.ends[0].winner, -1) << "Black's bare king never mates: a draw";
}

TEST(GameClock, TakeBackPauseAndPromotionKeepEachSidesTime) {
    Timed g(TimeControl{60000, 2000});
    g.t = 1000;
    ASSERT_TRUE(g.play("e2e4"));
    g.t = 4000;
    ASSERT_TRUE(g.play("e7e5"));
    g.t = 10000;
    ASSERT_TRUE(g.game.takeBack());
    EXPECT_EQ(g.left(White), 61000) << "White's increment stays, its move did";
    EXPECT_EQ(g.left(Black), 57000) << "Black's clock is back to the moment before its move";
    EXPECT_EQ(g.game.clock().running(), Black);

    ASSERT_TRUE(g.game.pause());
    g.t = 50000;
    EXPECT_EQ(g.left(Black), 57000);
    EXPECT_FALSE(g.state.boardTakesClicks());
    EXPECT_FALSE(g.play("e7e5"));
    ASSERT_TRUE(g.game.resume());
    g.t = 51000;
    EXPECT_EQ(g.left(Black), 56000);

    // The mover's clock runs on while its promotion choice is open.
    Timed p(TimeControl{10000, 0}, "4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    p.t = 1000;
    ASSERT_EQ(p.game.submit(White, Move(Square(48), Square(56))), Refusal::None);
    EXPECT_EQ(p.game.clock().running(), White);
    p.t = 4000;
    ASSERT_TRUE(p.game.completePromotion(QueenKind));
    EXPECT_EQ(p.left(White), 6000);
    EXPECT_EQ(p.game.clock().running(), Black);
}

TEST(GameClock, NetworkGamesAndGamesWithoutAControlHaveNoClock) {
    Timed none(TimeControl::none());
    EXPECT_FALSE(none.game.clock().any());
    EXPECT_FALSE(none.game.pause());
    Timed net(TimeControl{60000, 0});
    seatAs(net.game, Pairing::NetworkWhite);
    net.game.newGame();
    EXPECT_FALSE(net.game.clock().any());
    EXPECT_FALSE(net.game.pause());
}
