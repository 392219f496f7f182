#include "replay.h"

#include "fen.h"

namespace korvane {

Replay::Replay() {
    history_.start(position_, sideToMove_);
}

bool Replay::load(const std::string& startFen, const std::vector<MoveSquares>& moves,
                  std::string* error) {
    Replay fresh;
    if (!startFen.empty()) {
        FenCounters counters;
        if (!loadFen(fresh.position_, fresh.sideToMove_, startFen, error, &counters))
            return false;
        fresh.history_.start(fresh.position_, fresh.sideToMove_, counters);
    }
    for (std::size_t i = 0; i < moves.size(); ++i)
        if (!fresh.play(moves[i])) {
            if (error)
                *error =
                    "move " + std::to_string(i + 1) + " (" + uciText(moves[i]) + ") is not legal";
            return false;
        }
    *this = std::move(fresh);
    return true;
}

bool Replay::play(const MoveSquares& move) {
    if (!isColour(sideToMove_))
        return false;
    int ordinal = -1;
    Fig* piece = legalMove(position_, colourOf(sideToMove_), move, ordinal);
    return piece && play(*piece, ordinal, move.promotion);
}

bool Replay::play(Fig& piece, int ordinal, int promotion) {
    if (!isColour(sideToMove_) || ordinal < 0 || ordinal >= piece.moveCount)
        return false;
    const int dest = piece.moves[ordinal];
    if (reachesLastRank(piece, dest) != (promotion != 0))
        return false;
    PlayedMove move = startMove(position_, piece, dest);
    if (promotion) {
        if (!promotePawn(position_, piece.colour, piece.index, promotion)) {
            revokeLastMove(position_);
            position_.refreshRules();
            return false;
        }
        move.squares.promotion = promotion;
        move.san.promotion = promotion;
    }
    sideToMove_ = opposite(sideToMove_);
    position_.refreshRules();
    recordMove(history_, position_, sideToMove_, move);
    return true;
}

std::string Replay::fen() const {
    return writeFen(position_, sideToMove_, history_.counters());
}

Ending Replay::end() {
    if (!isColour(sideToMove_))
        return Ending::None;
    const int side = colourOf(sideToMove_);
    if (position_.sets[side].legalMoveTotal != 0)
        return Ending::None;
    return position_.inCheck(side) ? Ending::Checkmate : Ending::Stalemate;
}

} // namespace korvane
