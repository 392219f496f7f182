#include "uci_engine.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace korvane {

namespace {

// A line longer than this is no UCI any engine speaks.
constexpr std::size_t kMaxLine = 1 << 16;

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

} // namespace

std::string uciOptionName(const std::string& line) {
    if (!startsWith(line, "option name "))
        return std::string();
    const std::size_t begin = std::strlen("option name ");
    const std::size_t end = line.find(" type ", begin);
    if (end == std::string::npos)
        return std::string();
    return line.substr(begin, end - begin);
}

std::string uciBestMove(const std::string& line) {
    if (!startsWith(line, "bestmove"))
        return std::string();
    std::size_t begin = std::strlen("bestmove");
    if (begin < line.size() && line[begin] != ' ')
        return std::string();
    begin = line.find_first_not_of(' ', begin);
    if (begin == std::string::npos)
        return std::string();
    const std::size_t end = line.find(' ', begin);
    return line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

UciEngine::~UciEngine() {
    stop();
}

bool UciEngine::available(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool UciEngine::start(const std::string& path, const Options& options,
                      std::chrono::milliseconds patience) {
    stop();
    failure_.clear();
    options_.clear();
    buffer_.clear();
    wanted_ = options;
    discardBestMove_ = false;

    // Close-on-exec everywhere: the child gets its two pipe ends as stdin and stdout and none
    // of the game's other descriptors (sockets, the other pipe ends).
    int toEngine[2], fromEngine[2];
    if (::pipe2(toEngine, O_CLOEXEC) != 0) {
        fail(std::string("no pipe: ") + std::strerror(errno));
        return false;
    }
    if (::pipe2(fromEngine, O_CLOEXEC) != 0) {
        ::close(toEngine[0]);
        ::close(toEngine[1]);
        fail(std::string("no pipe: ") + std::strerror(errno));
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toEngine[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromEngine[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // The child starts with no blocked signals and the default SIGPIPE, whatever the game
    // has set for itself.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, pipeSignal;
    sigemptyset(&none);
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &pipeSignal);
    // A group of its own: an engine that is a script, or that forks helpers, leaves
    // processes behind when only its first one is ended. Ending the group ends them all.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETPGROUP);

    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    pid_t child = 0;
    const int rc = ::posix_spawn(&child, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(toEngine[0]);
    ::close(fromEngine[1]);
    if (rc != 0) {
        ::close(toEngine[1]);
        ::close(fromEngine[0]);
        fail("cannot start " + path + ": " + std::strerror(rc));
        return false;
    }
    pid_ = child;
    in_ = toEngine[1];
    out_ = fromEngine[0];
    // Neither side ever waits: an engine that stops reading fills its pipe and counts as hung.
    ::fcntl(in_, F_SETFL, ::fcntl(in_, F_GETFL) | O_NONBLOCK);
    ::fcntl(out_, F_SETFL, ::fcntl(out_, F_GETFL) | O_NONBLOCK);

    state_ = State::Starting;
    deadline_ = Clock::now() + patience;
    if (!send("uci"))
        return false;
    return true;
}

bool UciEngine::send(const std::string& line, bool reportFailure) {
    if (in_ < 0)
        return false;
    const std::string bytes = line + "\n";
    // A dead engine's pipe raises SIGPIPE, which would end the game: the signal is held back
    // for the write and swallowed when the write fails with EPIPE.
    sigset_t pipeSignal, old;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &old);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            error = n < 0 ? errno : EIO;
            break;
        }
    }
    if (error == EPIPE) {
        const timespec zero{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (error == 0)
        return true;
    if (reportFailure)
        fail(error == EPIPE ? std::string("the engine has quit")
             : error == EAGAIN
                 ? std::string("the engine does not read its input")
                 : std::string("cannot write to the engine: ") + std::strerror(error));
    return false;
}

bool UciEngine::think(const std::vector<std::string>& moves, int moveTimeMs,
                      std::chrono::milliseconds grace) {
    if (moveTimeMs < 1)
        moveTimeMs = 1;
    return search(moves, "go movetime " + std::to_string(moveTimeMs), moveTimeMs, grace);
}

bool UciEngine::thinkOnClock(const std::vector<std::string>& moves, const Clocks& clocks,
                             long long ownMs, int moveTimeMs, std::chrono::milliseconds grace) {
    if (moveTimeMs < 1)
        moveTimeMs = 1;
    auto ms = [](long long v) { return std::to_string(v < 0 ? 0 : v); };
    const std::string go = "go wtime " + ms(clocks.wtime) + " btime " + ms(clocks.btime) +
                           " winc " + ms(clocks.winc) + " binc " + ms(clocks.binc) + " movetime " +
                           std::to_string(moveTimeMs);
    const long long limit = ownMs > 0 && ownMs < moveTimeMs ? ownMs : moveTimeMs;
    return search(moves, go, limit, grace);
}

bool UciEngine::search(const std::vector<std::string>& moves, const std::string& go,
                       long long limitMs, std::chrono::milliseconds grace) {
    if (state_ != State::Idle)
        return false;
    std::string position = "position startpos";
    if (!moves.empty()) {
        position += " moves";
        for (const std::string& m : moves)
            position += " " + m;
    }
    state_ = State::Thinking;
    discardBestMove_ = false;
    deadline_ = Clock::now() + std::chrono::milliseconds(limitMs) + grace;
    return send(position) && send(go);
}

void UciEngine::cancel() {
    if (state_ != State::Thinking || discardBestMove_)
        return;
    discardBestMove_ = true;
    // A stopped search answers at once; one that does not is as hung as a silent one.
    const Clock::time_point soon = Clock::now() + std::chrono::seconds(5);
    if (soon < deadline_)
        deadline_ = soon;
    send("stop");
}

UciEngine::Event UciEngine::poll() {
    Event event;
    if (out_ < 0)
        return event;
    char chunk[4096];
    bool ended = false;
    for (;;) {
        const ssize_t n = ::read(out_, chunk, sizeof chunk);
        if (n > 0) {
            buffer_.append(chunk, std::size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    // Every complete line is handled, even after an event: the lines before a crash count.
    std::size_t start = 0;
    for (;;) {
        const std::size_t nl = buffer_.find('\n', start);
        if (nl == std::string::npos)
            break;
        std::string line = buffer_.substr(start, nl - start);
        start = nl + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (event.type == Event::None)
            handleLine(line, event);
        if (state_ == State::Failed) {
            event.type = Event::Failed;
            event.text = failure_;
            return event;
        }
    }
    buffer_.erase(0, start);
    if (buffer_.size() > kMaxLine)
        return fail("the engine writes endless lines");
    if (event.type != Event::None)
        return event;
    if (ended)
        return fail("the engine has quit");
    const bool waiting =
        state_ == State::Starting || state_ == State::Preparing || state_ == State::Thinking;
    if (waiting && Clock::now() > deadline_)
        return fail(state_ == State::Thinking ? "the engine does not answer"
                                              : "the engine does not start");
    return event;
}

void UciEngine::handleLine(const std::string& line, Event& event) {
    switch (state_) {
    case State::Starting: {
        const std::string name = uciOptionName(line);
        if (!name.empty()) {
            options_.insert(name);
        } else if (line == "uciok") {
            state_ = State::Preparing;
            for (const auto& [option, value] : wanted_)
                if (options_.count(option) && !send("setoption name " + option + " value " + value))
                    return;
            send("isready");
        }
        break;
    }
    case State::Preparing:
        if (line == "readyok") {
            state_ = State::Idle;
            event.type = Event::Ready;
        }
        break;
    case State::Thinking:
        if (line == "bestmove" || startsWith(line, "bestmove ")) {
            state_ = State::Idle;
            if (discardBestMove_) {
                discardBestMove_ = false;
            } else {
                event.type = Event::BestMove;
                event.text = uciBestMove(line);
            }
        }
        break;
    default:
        // Info lines, a late readyok, garbage: nothing the game waits for.
        break;
    }
}

UciEngine::Event UciEngine::fail(const std::string& reason) {
    // Only the first reason counts; later ones come from the same fault.
    if (state_ != State::Failed)
        failure_ = reason;
    closePipes();
    if (pid_ > 0) {
        ::kill(-pid_, SIGKILL);
        reap(std::chrono::milliseconds(0));
    }
    state_ = State::Failed;
    discardBestMove_ = false;
    Event e;
    e.type = Event::Failed;
    e.text = failure_;
    return e;
}

void UciEngine::stop(std::chrono::milliseconds wait) {
    if (pid_ > 0 && in_ >= 0) {
        if (state_ == State::Thinking)
            send("stop", false);
        send("quit", false);
    }
    closePipes();
    reap(wait);
    if (state_ != State::Failed)
        state_ = State::Off;
    discardBestMove_ = false;
}

void UciEngine::closePipes() {
    closeFd(in_);
    closeFd(out_);
    buffer_.clear();
}

void UciEngine::reap(std::chrono::milliseconds wait) {
    if (pid_ <= 0)
        return;
    const Clock::time_point end = Clock::now() + wait;
    bool exited = false;
    for (;;) {
        // Looked at without reaping: while the engine is a zombie its number cannot go to a
        // new process, so the group it leads can still be ended safely below.
        siginfo_t info{};
        const int r = ::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r < 0 && errno != EINTR) {
            pid_ = 0;
            return;
        }
        if (r == 0 && info.si_pid == pid_) {
            exited = true;
            break;
        }
        if (Clock::now() >= end)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // Closed input and "quit" were not enough, or the engine went and left helpers running:
    // no orphan is left behind.
    ::kill(-pid_, SIGKILL);
    if (!exited)
        ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
}

} // namespace korvane
