#include "replay.h"

#include "fen.h"
#include "uci_move.h"

namespace korvane {

Replay::Replay() {
    history_.start(position_, sideToMove_);
}

bool Replay::load(const std::string& startFen, const std::vector<Move>& moves, std::string* error) {
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

bool Replay::play(const Move& move) {
    if (!isColour(sideToMove_))
        return false;
    Fig* piece = legalMove(position_, colourOf(sideToMove_), move);
    if (!piece)
        return false;
    PlayedMove played = startMove(position_, *piece, move.to.index);
    if (move.promotion) {
        if (!position_.promote(piece->colour, piece->index, move.promotion)) {
            position_.undoMove();
            position_.refreshRules();
            return false;
        }
        played.squares.promotion = move.promotion;
        played.san.promotion = move.promotion;
    }
    sideToMove_ = opposite(sideToMove_);
    position_.refreshRules();
    recordMove(history_, position_, sideToMove_, played);
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
