// libFuzzer target for game files: the reader takes any text without crashing or reading out
// of bounds, and whatever it accepts, written out again and read back, is the same game
// (moves, final position, roster names, result), written the same the second time, in lines
// of fewer than 80 characters. A refusal always has a line and a reason.
#include "pgn.h"
#include "replay.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace korvane;

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& first, const std::string& then) {
    std::fprintf(stderr, "pgn_fuzz: %s\n--- first:\n%s\n--- then:\n%s\n", what, first.c_str(),
                 then.c_str());
    std::abort();
}

PgnResult resultOf(const std::string& token) {
    if (token == "1-0")
        return PgnResult::WhiteWins;
    if (token == "0-1")
        return PgnResult::BlackWins;
    if (token == "1/2-1/2")
        return PgnResult::Draw;
    return PgnResult::Unfinished;
}

// A tag value as it reads back: a line break cannot stay in a tag, an empty name is unknown.
std::string writtenValue(std::string value) {
    for (char& c : value)
        if (c == '\n' || c == '\r')
            c = ' ';
    return value.empty() ? "?" : value;
}

std::string write(const PgnGame& game, std::string& error) {
    Replay replay;
    if (!replay.load(game.startFen, game.moves, &error))
        return std::string();
    PgnHeader header;
    header.event = game.tag("Event");
    header.white = game.tag("White");
    header.black = game.tag("Black");
    return writePgn(replay.history(), header, resultOf(game.result));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    PgnGame game;
    PgnError error;
    if (!readPgn(text, game, error)) {
        if (error.reason.empty() || error.line < 1)
            mismatch("a refusal without its line and reason", text, error.reason);
        return 0;
    }
    std::string why;
    const std::string written = write(game, why);
    if (written.empty())
        mismatch("an accepted game does not replay", text, why);
    PgnGame again;
    if (!readPgn(written, again, error))
        mismatch("a written game is refused", written,
                 std::to_string(error.line) + ": " + error.reason);
    if (again.san != game.san || again.finalFen != game.finalFen)
        mismatch("a written game reads back as another game", text, written);
    if (again.tag("White") != writtenValue(game.tag("White")) ||
        again.tag("Black") != writtenValue(game.tag("Black")) ||
        again.tag("Event") != writtenValue(game.tag("Event")))
        mismatch("a written game lost its names", text, written);
    if (resultOf(again.result) != resultOf(game.result))
        mismatch("a written game lost its result", text, written);
    if (write(again, why) != written)
        mismatch("a game read back writes differently", written, write(again, why));
    for (std::size_t at = 0, end; at < written.size(); at = end + 1) {
        end = written.find('\n', at);
        if (end == std::string::npos)
            end = written.size();
        if (end - at > 79 && written[at] != '[')
            mismatch("a movetext line of 80 characters or more", written, "");
    }
    return 0;
}
