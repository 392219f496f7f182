// A UCI chess engine run as a child process over two pipes. Nothing here blocks: the game
// polls once a frame and reads whatever the engine has written so far, so the window stays
// alive while the engine thinks, hangs or dies.
#pragma once

#include <chrono>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace korvane {

class UciEngine {
  public:
    using Clock = std::chrono::steady_clock;

    enum class State {
        Off,       // no process
        Starting,  // "uci" sent, waiting for "uciok"
        Preparing, // options and "isready" sent, waiting for "readyok"
        Idle,      // ready for a search
        Thinking,  // "go" sent, waiting for "bestmove"
        Failed,    // crashed, hung or spoke nonsense; the process is gone or going
    };

    // What poll found.
    struct Event {
        enum Type { None, Ready, BestMove, Failed } type = None;
        std::string text; // the move for BestMove, the reason for Failed
    };

    UciEngine() = default;
    UciEngine(const UciEngine&) = delete;
    UciEngine& operator=(const UciEngine&) = delete;
    // Stops the process and reaps it (a kill after a short wait for "quit").
    ~UciEngine();

    // True when the path names an executable file.
    static bool available(const std::string& path);

    using Options = std::vector<std::pair<std::string, std::string>>;
    // Spawns the engine and sends "uci". Once "uciok" comes, every option of `options` the
    // engine listed is set (the others are left out), then "isready"; the Ready event follows
    // "readyok". False (state Failed, reason in failure()) when the program cannot be started.
    // No "readyok" within `patience` counts as a hang.
    bool start(const std::string& path, const Options& options,
               std::chrono::milliseconds patience = std::chrono::seconds(10));
    // From Idle: "position startpos moves ...", then "go movetime N". BestMove follows; no
    // answer within the move time and `grace` counts as a hang.
    bool think(const std::vector<std::string>& moves, int moveTimeMs,
               std::chrono::milliseconds grace = std::chrono::seconds(5));
    // The clocks of a game with a time control, in milliseconds.
    struct Clocks {
        long long wtime = 0, btime = 0, winc = 0, binc = 0;
    };
    // The same on the clocks: "go wtime … btime … winc … binc … movetime N", the engine
    // dividing its own time and `moveTimeMs` capping each move; its hang deadline is the
    // mover's time left (`ownMs`) or the cap, whichever comes first, and `grace`.
    bool thinkOnClock(const std::vector<std::string>& moves, const Clocks& clocks, long long ownMs,
                      int moveTimeMs, std::chrono::milliseconds grace = std::chrono::seconds(5));
    // Ends a search early; its bestmove is swallowed and the engine is Idle again after it.
    void cancel();
    // Reads what has arrived and reports the first thing that matters. Call it often.
    Event poll();
    // Sends "quit" and reaps the process, killing it when it has not gone within `wait`.
    void stop(std::chrono::milliseconds wait = std::chrono::milliseconds(300));

    State state() const { return state_; }
    // A search whose answer is wanted runs.
    bool searching() const { return state_ == State::Thinking && !discardBestMove_; }
    const std::set<std::string>& options() const { return options_; }
    const std::string& failure() const { return failure_; }
    // The child's process id, 0 when none has been started or it has been reaped.
    pid_t pid() const { return pid_; }
    // The descriptor of the engine's output, -1 when closed: a frame loop may wait on it.
    int outputFd() const { return out_; }

  private:
    bool search(const std::vector<std::string>& moves, const std::string& go, long long limitMs,
                std::chrono::milliseconds grace);
    bool send(const std::string& line, bool reportFailure = true);
    void handleLine(const std::string& line, Event& event);
    Event fail(const std::string& reason);
    void closePipes();
    void reap(std::chrono::milliseconds wait);

    State state_ = State::Off;
    pid_t pid_ = 0;
    int in_ = -1;  // we write, the engine reads
    int out_ = -1; // the engine writes, we read
    std::string buffer_;
    std::set<std::string> options_;
    Options wanted_;
    std::string failure_;
    bool discardBestMove_ = false;
    Clock::time_point deadline_{};
};

// The engine's "option name <name> type ..." line gives <name>; empty for other lines.
std::string uciOptionName(const std::string& line);
// The move of a "bestmove <move> [ponder <move>]" line; empty for other lines.
std::string uciBestMove(const std::string& line);

} // namespace korvane
