// A game against the fake engine through the real game and the headless screens: who
// moves first, taking back, a restart, the engine's faults, and leaving the game.
#include "app/computer_game.h"
#include "game_view.h"
#include "gui_fixture.h"
#include "rules/fen.h"
#include "rules/make_move.h"
#include "rules/uci_move.h"
#include "tests/support/pairing.h"

#include <csignal>
#include <cstdlib>
#include <thread>

using namespace korvane;
using namespace korvane::testing;

namespace {

class ComputerGameTest : public GuiTest {
  protected:
    std::string config() const override {
        return std::string(kDefaultConfig) + "Engine=" + KORVANE_FAKE_ENGINE + "\n";
    }
    void SetUp() override {
        GuiTest::SetUp();
        build();
        flow = std::make_unique<Game>();
        view = std::make_unique<GameScreensView>(*screens_);
        flow->addObserver(*view);
        backend.game = flow.get();
        game = std::make_unique<ComputerGame>(*flow, *screens_, [this](bool blackSide) {
            ++viewResets;
            viewFlipped = blackSide;
        });
    }
    void TearDown() override {
        game.reset();
        backend.game = nullptr;
        flow.reset();
        view.reset();
        ::unsetenv("FAKE_ENGINE_MODE");
        GuiTest::TearDown();
    }
    void begin(const char* mode, int colour) {
        ::setenv("FAKE_ENGINE_MODE", mode, 1);
        game->start(colour, 1);
    }
    // Frames until the condition holds; false after `limit`.
    bool frames(const std::function<bool()>& until,
                std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            game->update();
            if (until())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    // The player's move as the board's two clicks make it.
    void play(const std::string& text) {
        const int side = colourOf(state().sideToMove);
        const auto m = uciMoveFor(flow->position(), side, text);
        ASSERT_TRUE(m) << text;
        ASSERT_TRUE(state().boardTakesClicks());
        int ordinal = -1;
        const Fig* piece = moverOf(flow->position(), side, *m, ordinal);
        ASSERT_TRUE(piece && flow->selectPiece(side, piece->kind, piece->index));
        ASSERT_TRUE(flow->executeMove(ordinal));
    }
    std::string moves() const {
        const std::string lines = game->probeLines();
        const std::size_t at = lines.find("computermoves");
        return lines.substr(at + 14, lines.find('\n', at) - at - 14);
    }
    // The engine's process id from the probe line "computer <state> <colour> <level> <pid>".
    int enginePid() const {
        const std::string lines = game->probeLines();
        const std::string first = lines.substr(0, lines.find('\n'));
        return std::atoi(first.substr(first.rfind(' ') + 1).c_str());
    }
    std::string placement() const {
        const std::string fen = writeFen(flow->position(), state().sideToMove);
        return fen.substr(0, fen.find(' ', fen.find(' ') + 1));
    }
    std::string status() const { return text("StatusBar/Result"); }
    // Shown by its own flag (the status bar itself is the screens' to show).
    static bool shown(const std::string& name) { return window(name)->isVisible(); }

    const GameState& state() const { return flow->state(); }

    std::unique_ptr<GameScreensView> view;
    std::unique_ptr<Game> flow;
    std::unique_ptr<ComputerGame> game;
    int viewResets = 0;
    bool viewFlipped = false;
};

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w";

} // namespace

TEST_F(ComputerGameTest, AsBlackTheEngineMovesFirstAndTakeBackReturnsBothMoves) {
    begin("good", Black);
    EXPECT_EQ(pairingOf(state()), Pairing::Computer);
    EXPECT_TRUE(viewFlipped);
    EXPECT_GE(viewResets, 1);
    game->update();
    EXPECT_EQ(status(), "Computer is thinking…");
    EXPECT_FALSE(state().boardTakesClicks());
    ASSERT_TRUE(frames([&] { return moves() == "e2e4"; }));
    EXPECT_EQ(state().sideToMove, Turn::Black);
    EXPECT_TRUE(shown("StatusBar/BlackOnMove"));

    play("e7e5");
    ASSERT_TRUE(frames([&] { return moves() == "e2e4 e7e5 g1f3"; }));
    EXPECT_EQ(placement(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b");

    // The player's move and the reply go; the engine's first move stays.
    game->takeBack();
    EXPECT_EQ(moves(), "e2e4");
    EXPECT_EQ(placement(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b");
    // The game's own record went back with it, not a copy of it.
    ASSERT_EQ(flow->history().size(), 1u);
    EXPECT_EQ(flow->history().sanMoves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(state().boardTakesClicks());
    // Nothing older than the engine's first move goes back.
    game->takeBack();
    EXPECT_EQ(moves(), "e2e4");
}

TEST_F(ComputerGameTest, TakeBackWhileTheEngineThinksStopsItAndDropsItsAnswer) {
    begin("slow", White);
    ASSERT_TRUE(frames([&] { return game->probeLines().rfind("computer ready", 0) == 0; }));
    play("e2e4");
    ASSERT_TRUE(frames([&] { return game->probeLines().rfind("computer thinking", 0) == 0; }));
    game->takeBack();
    EXPECT_EQ(moves(), "");
    EXPECT_EQ(placement(), kStart);
    // The answer "stop" brings is swallowed: the board stays as the take back left it.
    ASSERT_TRUE(frames([&] { return game->probeLines().rfind("computer ready", 0) == 0; }));
    frames([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(placement(), kStart);
    EXPECT_TRUE(shown("StatusBar/WhiteOnMove"));
    EXPECT_TRUE(state().boardTakesClicks());
}

TEST_F(ComputerGameTest, ARestartStartsTheMovesOverAndQuittingEndsTheEngine) {
    begin("good", White);
    play("e2e4");
    ASSERT_TRUE(frames([&] { return moves() == "e2e4 e7e5"; }));
    // What the in-game panel's Restart does.
    flow->newGame();
    game->update();
    EXPECT_EQ(moves(), "");
    play("d2d4");
    ASSERT_TRUE(frames([&] { return moves() == "d2d4 e7e5"; }));

    const int pid = enginePid();
    EXPECT_GT(pid, 0);
    seatAs(*flow, Pairing::None); // Quit Game
    game->update();
    EXPECT_EQ(game->probeLines().rfind("computer off 0 1 0\n", 0), 0u) << game->probeLines();
    EXPECT_FALSE(game->waitingForEngine());
    EXPECT_NE(::kill(pid, 0), 0); // reaped, not a zombie
}

TEST_F(ComputerGameTest, EngineFaultsLeaveALocalGameFromTheSamePosition) {
    struct Case {
        const char* mode;
        bool movesFirst; // the player moves before the fault shows
    };
    for (const Case c : {Case{"illegal", true}, Case{"crash", false}}) {
        SCOPED_TRACE(c.mode);
        begin(c.mode, White);
        screens_->computer().showComputerPanel(true);
        if (c.movesFirst)
            play("e2e4");
        ASSERT_TRUE(frames([&] { return pairingOf(state()) == Pairing::Local; }));
        EXPECT_EQ(status(), "Computer failed");
        // The local game it turns into takes moves back as well.
        EXPECT_TRUE(shown("LocalIngame/TakeBackButton"));
        EXPECT_EQ(placement(),
                  c.movesFirst ? "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b" : kStart);
        EXPECT_EQ(enginePid(), 0);
        EXPECT_TRUE(state().boardTakesClicks()); // the board is the local game's now, both sides
    }
}
