#include "move_list.h"

#include <algorithm>

namespace korvane {

namespace {

// Queen, rook, bishop, knight, pawn: the order a player counts material in.
int strength(int kind) {
    switch (kind) {
    case QueenKind:
        return 4;
    case RookKind:
        return 3;
    case BishopKind:
        return 2;
    case KnightKind:
        return 1;
    default:
        return 0;
    }
}

char letterOf(int kind, const Texts& texts) {
    if (kind < PawnKind || kind > KingKind)
        return '?';
    return texts.lostPieceLetters[kind];
}

} // namespace

std::vector<std::string> moveListLines(const GameHistory& history, PieceLetters letters) {
    const std::vector<std::string> san = history.sanMoves(letters);
    const std::vector<PlayedMove>& moves = history.moves();
    std::vector<std::string> lines;
    int number = history.startCounters().fullmoveNumber;
    for (std::size_t i = 0; i < san.size(); ++i) {
        if (moves[i].colour == White || i == 0) {
            const bool blackFirst = moves[i].colour == Black;
            lines.push_back(std::to_string(number) + (blackFirst ? "... " : ". ") + san[i]);
        } else {
            lines.back() += " " + san[i];
        }
        if (moves[i].colour == Black)
            ++number;
    }
    return lines;
}

std::string capturedText(const GameHistory& history, const Texts& texts) {
    std::string out;
    for (int colour : {White, Black}) {
        std::vector<int> kinds = history.capturedPieces(colour);
        std::stable_sort(kinds.begin(), kinds.end(),
                         [](int a, int b) { return strength(a) > strength(b); });
        if (colour == Black)
            out += "\n";
        out += colour == White ? texts.whiteLost : texts.blackLost;
        for (int kind : kinds)
            out += std::string(" ") + letterOf(kind, texts);
    }
    return out;
}

} // namespace korvane
