// Checks a PGN file through the game's own rules and prints the final position as FEN. With
// --from-uci the file's moves are in engine notation ("e2e4") and the game is printed as PGN
// with SAN moves instead, its tags kept.
#include "pgn.h"
#include "replay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: korvane-pgn [--game N] [--from-uci] FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace korvane;
    const char* file = nullptr;
    bool fromUci = false;
    long index = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--from-uci") == 0) {
            fromUci = true;
        } else if (std::strcmp(argv[i], "--game") == 0 && i + 1 < argc) {
            char* end = nullptr;
            index = std::strtol(argv[++i], &end, 10);
            if (!end || *end || index < 1 || index > 1000000)
                return usage();
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            return usage();
        }
    }
    if (!file)
        return usage();

    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        std::fprintf(stderr, "korvane-pgn: %s: cannot be read\n", file);
        return 1;
    }
    PgnGame game;
    PgnError error;
    if (!readPgn(text.str(), game, error, int(index - 1),
                 fromUci ? PgnMoves::Uci : PgnMoves::San)) {
        std::fprintf(stderr, "korvane-pgn: %s:%d: %s\n", file, error.line, error.reason.c_str());
        return 1;
    }
    if (!fromUci) {
        std::printf("%s\n", game.finalFen.c_str());
        return 0;
    }

    Replay replay;
    std::string reason;
    if (!replay.load(game.startFen, game.moves, &reason)) {
        std::fprintf(stderr, "korvane-pgn: %s: %s\n", file, reason.c_str());
        return 1;
    }
    PgnHeader header;
    for (const PgnTag& tag : game.tags) {
        std::string* roster[] = {&header.event, &header.site,  &header.date,
                                 &header.round, &header.white, &header.black};
        const char* names[] = {"Event", "Site", "Date", "Round", "White", "Black"};
        bool known = tag.name == "Result" || tag.name == "SetUp" || tag.name == "FEN";
        for (int i = 0; i < 6 && !known; ++i)
            if (tag.name == names[i]) {
                *roster[i] = tag.value;
                known = true;
            }
        if (!known)
            header.extra.push_back(tag);
    }
    const PgnResult result = game.result == "1-0"       ? PgnResult::WhiteWins
                             : game.result == "0-1"     ? PgnResult::BlackWins
                             : game.result == "1/2-1/2" ? PgnResult::Draw
                                                        : PgnResult::Unfinished;
    std::fputs(writePgn(replay.history(), header, result).c_str(), stdout);
    return 0;
}
