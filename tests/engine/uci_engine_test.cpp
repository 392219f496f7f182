// The engine process over its pipes: the handshake, searches, every way an engine can fail
// (against a scripted fake), and a whole game against the real Stockfish.
#include "engine/uci_engine.h"
#include "game/game.h"
#include "rules/uci_move.h"
#include "tests/support/pairing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using korvane::UciEngine;
using namespace std::chrono_literals;

namespace {

const char* const kStockfish = "/usr/games/stockfish";

// Polls until something other than None comes, or the time is up (then None).
UciEngine::Event waitEvent(UciEngine& engine, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        UciEngine::Event e = engine.poll();
        if (e.type != UciEngine::Event::None)
            return e;
        std::this_thread::sleep_for(1ms);
    }
    return UciEngine::Event();
}

// Gone: neither running nor a zombie waiting to be reaped.
bool processGone(pid_t pid) {
    struct stat st;
    const std::string proc = "/proc/" + std::to_string(pid);
    return ::kill(pid, 0) != 0 && errno == ESRCH && ::stat(proc.c_str(), &st) != 0;
}

class FakeEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/korvane-engine-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        log_ = dir_ + "/commands.txt";
        ::setenv("FAKE_ENGINE_LOG", log_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("FAKE_ENGINE_MODE");
        ::unsetenv("FAKE_ENGINE_LOG");
        std::remove(log_.c_str());
        ::rmdir(dir_.c_str());
    }
    // Starts the fake in `mode`, asking for the skill level and an option it never lists.
    bool start(const char* mode, std::chrono::milliseconds patience = 10s) {
        ::setenv("FAKE_ENGINE_MODE", mode, 1);
        return engine.start(KORVANE_FAKE_ENGINE, {{"Skill Level", "3"}, {"Threads", "2"}},
                            patience);
    }
    std::string commands() const {
        std::ifstream in(log_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    UciEngine engine;
    std::string dir_, log_;
};

} // namespace

TEST(UciLines, OptionNamesAndBestMovesAreReadFromTheirLinesOnly) {
    EXPECT_EQ(korvane::uciOptionName("option name Skill Level type spin default 20"),
              "Skill Level");
    EXPECT_EQ(korvane::uciOptionName("option name Hash"), "");
    EXPECT_EQ(korvane::uciOptionName("id name Stockfish"), "");
    EXPECT_EQ(korvane::uciBestMove("bestmove e7e8q ponder a2a3"), "e7e8q");
    EXPECT_EQ(korvane::uciBestMove("bestmove e2e4"), "e2e4");
    EXPECT_EQ(korvane::uciBestMove("bestmove"), "");
    EXPECT_EQ(korvane::uciBestMove("bestmovement e2e4"), "");
}

TEST_F(FakeEngineTest, HandshakeSetsOnlyListedOptionsAndSearchesThePlayedMoves) {
    ASSERT_TRUE(start("good"));
    EXPECT_NE(engine.pid(), 0);
    EXPECT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
    EXPECT_EQ(engine.options().count("Skill Level"), 1u);
    EXPECT_EQ(engine.options().count("Hash"), 1u);

    ASSERT_TRUE(engine.think({"e2e4"}, 20));
    EXPECT_TRUE(engine.searching());
    const UciEngine::Event reply = waitEvent(engine);
    EXPECT_EQ(reply.type, UciEngine::Event::BestMove);
    EXPECT_EQ(reply.text, "e7e5");
    EXPECT_EQ(engine.state(), UciEngine::State::Idle);

    const std::string sent = commands();
    EXPECT_NE(sent.find("setoption name Skill Level value 3\n"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("Threads"), std::string::npos) << sent;
    EXPECT_NE(sent.find("position startpos moves e2e4\ngo movetime 20\n"), std::string::npos)
        << sent;
    const pid_t pid = engine.pid();
    engine.stop();
    EXPECT_EQ(engine.pid(), 0);
    EXPECT_TRUE(processGone(pid));
    EXPECT_NE(commands().find("quit\n"), std::string::npos);
}

TEST_F(FakeEngineTest, GarbageLinesAreIgnored) {
    ASSERT_TRUE(start("garbage"));
    ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
    ASSERT_TRUE(engine.think({}, 10));
    const UciEngine::Event reply = waitEvent(engine);
    EXPECT_EQ(reply.type, UciEngine::Event::BestMove);
    EXPECT_EQ(reply.text, "e2e4");
}

TEST_F(FakeEngineTest, ACancelledSearchsAnswerIsSwallowed) {
    ASSERT_TRUE(start("good"));
    ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
    ASSERT_TRUE(engine.think({}, 10));
    engine.cancel();
    EXPECT_FALSE(engine.searching());
    // Both the search's own answer and the one to "stop" may come; neither is reported.
    EXPECT_EQ(waitEvent(engine, 500ms).type, UciEngine::Event::None);
    EXPECT_EQ(engine.state(), UciEngine::State::Idle);
    EXPECT_NE(commands().find("stop\n"), std::string::npos);
    ASSERT_TRUE(engine.think({"e2e4"}, 10));
    EXPECT_EQ(waitEvent(engine).text, "e7e5");
}

TEST_F(FakeEngineTest, EveryFaultEndsInFailedWithTheProcessReaped) {
    struct Case {
        const char* mode;
        bool search; // the fault shows only once a search runs
    };
    for (const Case c : {Case{"crash", false}, Case{"silent", true}, Case{"endless", false},
                         Case{"deaf", false}}) {
        SCOPED_TRACE(c.mode);
        ASSERT_TRUE(start(c.mode, 1s));
        const pid_t pid = engine.pid();
        if (c.search) {
            ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
            // A hang is the move time and the grace without an answer.
            const auto begin = std::chrono::steady_clock::now();
            ASSERT_TRUE(engine.think({}, 50, 300ms));
            const UciEngine::Event e = waitEvent(engine, 5s);
            EXPECT_EQ(e.type, UciEngine::Event::Failed);
            EXPECT_GE(std::chrono::steady_clock::now() - begin, 350ms);
        } else {
            EXPECT_EQ(waitEvent(engine, 5s).type, UciEngine::Event::Failed);
        }
        EXPECT_EQ(engine.state(), UciEngine::State::Failed);
        EXPECT_FALSE(engine.failure().empty());
        EXPECT_EQ(engine.pid(), 0);
        EXPECT_TRUE(processGone(pid));
        // A failed engine takes no search, and writing to it does not kill the game.
        EXPECT_FALSE(engine.think({}, 10));
        engine.cancel();
        engine.stop();
    }
}

TEST_F(FakeEngineTest, AMissingProgramFailsAtOnce) {
    EXPECT_FALSE(UciEngine::available(dir_ + "/none"));
    EXPECT_FALSE(UciEngine::available(dir_)); // a folder is searched, not run
    EXPECT_TRUE(UciEngine::available(KORVANE_FAKE_ENGINE));
    EXPECT_FALSE(engine.start(dir_ + "/none", {}));
    EXPECT_EQ(engine.state(), UciEngine::State::Failed);
    EXPECT_EQ(engine.pid(), 0);
    EXPECT_NE(engine.failure().find("none"), std::string::npos);
}

TEST_F(FakeEngineTest, AnEngineThatDiesWhileIdleIsNoticed) {
    ASSERT_TRUE(start("good"));
    ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
    const pid_t pid = engine.pid();
    ::kill(pid, SIGKILL);
    EXPECT_EQ(waitEvent(engine).type, UciEngine::Event::Failed);
    EXPECT_TRUE(processGone(pid));
}

// The helpers an engine starts end with it, whether it quits when asked or is ended for a
// fault. The test adopts orphans, so a helper left running is seen (and ended) here.
TEST_F(FakeEngineTest, HelpersTheEngineStartedEndWithIt) {
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const std::string helperFile = dir_ + "/helper.pid";
    ::setenv("FAKE_ENGINE_HELPER", helperFile.c_str(), 1);
    for (const char* mode : {"helper-good", "helper-deaf"}) {
        SCOPED_TRACE(mode);
        std::remove(helperFile.c_str());
        ASSERT_TRUE(start(mode, 1s));
        pid_t helper = 0;
        for (int i = 0; i < 2000 && helper <= 0; ++i) {
            std::ifstream(helperFile) >> helper;
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_GT(helper, 0);
        if (std::string(mode) == "helper-good") {
            ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
            engine.stop();
        } else {
            ASSERT_EQ(waitEvent(engine, 5s).type, UciEngine::Event::Failed);
        }
        bool ended = false;
        for (int i = 0; i < 2000 && !ended; ++i) {
            ended = ::waitpid(helper, nullptr, WNOHANG) == helper;
            std::this_thread::sleep_for(1ms);
        }
        if (!ended) {
            ::kill(helper, SIGKILL);
            ::waitpid(helper, nullptr, 0);
        }
        EXPECT_TRUE(ended) << "the helper " << helper << " outlived the engine";
    }
    ::unsetenv("FAKE_ENGINE_HELPER");
    std::remove(helperFile.c_str());
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// A whole game against the real engine at the lowest level: random legal moves for White,
// every engine move legal in the rules, the process gone after quit.
TEST(StockfishTest, PlaysAWholeGameOfLegalMoves) {
    if (!UciEngine::available(kStockfish))
        GTEST_SKIP() << kStockfish << " is not installed";
    UciEngine engine;
    ASSERT_TRUE(engine.start(kStockfish, {{"Skill Level", "0"}, {"No Such Option", "1"}}));
    ASSERT_EQ(waitEvent(engine).type, UciEngine::Event::Ready);
    EXPECT_EQ(engine.options().count("Skill Level"), 1u);

    // No draw by rule ends the game here: mate, stalemate or the ply limit does.
    korvane::Game game(false);
    const korvane::Position& position = game.position();
    const korvane::GameState& state = game.state();
    korvane::testing::seatAs(game, korvane::testing::Pairing::Computer);
    game.newGame();

    std::mt19937 random(20261208);
    std::vector<std::string> moves;
    auto play = [&](const std::string& text) {
        const auto move = korvane::uciMoveFor(position, korvane::colourOf(state.sideToMove), text);
        if (!move)
            return false;
        const int side = korvane::colourOf(state.sideToMove);
        if (game.submit(side, *move) != korvane::Refusal::None)
            return false;
        moves.push_back(korvane::lastUciMove(position));
        return moves.back() == text;
    };
    constexpr int kMaxPlies = 300;
    while (game.gameEnd() == korvane::Ending::None && int(moves.size()) < kMaxPlies) {
        if (state.sideToMove == korvane::Turn::White) {
            // Every legal move of White, written out, one of them at random.
            std::vector<std::string> legal;
            for (const korvane::Fig& p : position.sets[korvane::White].pieces) {
                if (!p.alive)
                    continue;
                for (int k = 0; k < p.moveCount; ++k) {
                    const int to = p.moves[k];
                    const bool promotes = p.kind == korvane::PawnKind && to / 8 == 7;
                    legal.push_back(korvane::uciText(
                        korvane::Move(korvane::Square::at(p.x, p.y), korvane::Square(to),
                                      promotes ? korvane::QueenKind : 0)));
                }
            }
            ASSERT_FALSE(legal.empty());
            const std::string pick = legal[random() % legal.size()];
            ASSERT_TRUE(play(pick)) << pick;
        } else {
            ASSERT_TRUE(engine.think(moves, 20));
            const UciEngine::Event reply = waitEvent(engine);
            ASSERT_EQ(reply.type, UciEngine::Event::BestMove) << engine.failure();
            ASSERT_TRUE(play(reply.text)) << "ply " << moves.size() << ": " << reply.text;
        }
    }
    std::string record;
    for (const std::string& m : moves)
        record += m + " ";
    RecordProperty("moves", record);
    EXPECT_NE(game.gameEnd(), korvane::Ending::None) << record;

    const pid_t pid = engine.pid();
    engine.stop();
    EXPECT_EQ(engine.pid(), 0);
    EXPECT_TRUE(processGone(pid));
}
