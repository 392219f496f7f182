// Games as PGN text: written from a game's history with the Seven Tag Roster, read back with
// every move checked by the rules. A text that does not give a complete legal game is refused
// with the line and the reason; nothing of it is kept.
#pragma once

#include "history.h"
#include "san.h"

#include <string>
#include <vector>

namespace korvane {

struct PgnTag {
    std::string name;
    std::string value;
};

// The tags of a game file; the seven of the roster are always written, "?" when unknown.
struct PgnHeader {
    std::string event = "?";
    std::string site = "?";
    std::string date = "????.??.??";
    std::string round = "?";
    std::string white = "?";
    std::string black = "?";
    std::vector<PgnTag> extra; // written after the roster (and after SetUp and FEN)
};

// The game's result as a PGN termination marker.
enum class PgnResult { WhiteWins, BlackWins, Draw, Unfinished };
const char* resultText(PgnResult result); // "1-0", "0-1", "1/2-1/2", "*"

// The game as PGN: the roster with Result, SetUp and FEN for a game that did not start from
// the usual position, the numbered SAN moves in lines of at most 79 characters, the result. An
// empty tag value is written "?".
std::string writePgn(const GameHistory& history, const PgnHeader& header, PgnResult result);

// One game read from a file, complete and legal.
struct PgnGame {
    std::vector<PgnTag> tags; // in the order of the file
    std::string startFen;     // the FEN tag's; empty for the usual start
    std::vector<Move> moves;
    std::vector<std::string> san; // the moves as the rules write them
    std::string result = "*";     // the termination marker, "*" when the file has none
    std::string finalFen;         // with the half-move clock and move number
    // The tag's value, empty when the game has no such tag.
    std::string tag(const std::string& name) const;
};

struct PgnError {
    int line = 0; // 1-based line of the text
    std::string reason;
};

// How the movetext names its moves: SAN as in every game file, or "e2e4" / "e7e8q" as chess
// engines talk (for turning an engine's game into a game file).
enum class PgnMoves { San, Uci };

// Reads game `index` (0 the first) of the text: tags, movetext with move numbers, comments
// {...} and ;..., variations (...) at any depth (skipped), NAGs $n, ! and ? annotations,
// the result. A FEN tag sets the start position. Moves may also be written in long algebraic,
// "e2-e4", "Ng1f3", "Ng1xf3". A draw that comes by itself (fivefold repetition, the 75-move
// rule, insufficient material) ends the game: a move after it is refused. False with `error`
// filled when that game cannot be read or a move of it is not legal; a move is named as in
// the movetext, "44. Rf1" or "44... Rf1".
bool readPgn(const std::string& text, PgnGame& game, PgnError& error, int index = 0,
             PgnMoves moves = PgnMoves::San);

} // namespace korvane
