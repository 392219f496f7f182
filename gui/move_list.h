// The move list beside the board: the game's moves in SAN, a numbered line per move pair, and
// the pieces each side has lost, in English or Czech piece letters.
#pragma once

#include "history.h"
#include "texts.h"

#include <string>
#include <vector>

namespace korvane {

// "1. e4 e5", "2. Nf3"; a game whose first move is Black's starts "1... e5" with the set-up's
// move number.
std::vector<std::string> moveListLines(const GameHistory& history, PieceLetters letters);

// Two lines, White's losses then Black's, strongest piece first: "White lost: N P P".
std::string capturedText(const GameHistory& history, const Texts& texts);

} // namespace korvane
