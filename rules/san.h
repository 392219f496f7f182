// Moves as standard algebraic notation (SAN): written for the move list and game files, read
// back from game files. English piece letters are the ones game files use; Czech letters are
// for showing a move list to a Czech player.
#pragma once

#include "position.h"

#include <string>

namespace korvane {

enum class PieceLetters { English, Czech }; // K Q R B N, or K D V S J; pawns have none

enum class CheckMark { None, Check, Mate };

// A move's notation in parts, so that it can be written with either set of letters.
struct SanMove {
    int kind = PawnKind;
    int from = -1; // squares 0..63
    int to = -1;
    bool capture = false;
    bool showFile = false; // the origin's file (always for a pawn's capture) or rank is
    bool showRank = false; // written because another piece of the kind reaches `to`
    int promotion = 0;     // 0 none, else RookKind..QueenKind
    int castling = 0;      // 0 none, 1 king side, 2 queen side
    CheckMark mark = CheckMark::None;
    bool operator==(const SanMove& o) const {
        return kind == o.kind && from == o.from && to == o.to && capture == o.capture &&
               showFile == o.showFile && showRank == o.showRank && promotion == o.promotion &&
               castling == o.castling && mark == o.mark;
    }
};

std::string sanText(const SanMove& move, PieceLetters letters = PieceLetters::English);

// The notation of a legal move of `piece`, before it is played, check mark left out (it
// needs the position after the move). The position's legal-move lists must be current.
SanMove describeMove(const Position& position, const Fig& piece, int to, int promotion);

// The legal move of `colour` that English SAN `text` names. Check marks, "e.p." and the
// annotations ! and ? after the move are accepted and not checked; "0-0" counts as "O-O".
// False with the reason in `error` when the text is no move, names none or is ambiguous.
bool resolveSan(const Position& position, int colour, const std::string& text, Move& move,
                std::string* error = nullptr);

std::string squareText(int square);

} // namespace korvane
