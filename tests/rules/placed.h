// A position and its side to move, as FEN loads them, for the tests of the rules alone.
#pragma once

#include "fen.h"
#include "make_move.h"
#include "uci_move.h"

#include <stdexcept>
#include <string>

namespace korvane::testing {
struct Placed {
    Position position;
    Turn side = Turn::White;

    explicit Placed(const char* fen = nullptr) {
        if (fen && !loadFen(position, side, fen))
            throw std::runtime_error(std::string("bad test FEN: ") + fen);
    }
    std::string fen() const { return writeFen(position, side); }
    // "e2e4" or "a7a8q", when it is legal.
    bool play(const std::string& text) {
        Move move;
        Fig* p = parseUci(text, move) ? legalMove(position, colourOf(side), move) : nullptr;
        if (!p)
            return false;
        position.doMove(*p, move.to);
        if (move.promotion && !position.promote(p->colour, p->index, move.promotion))
            return false;
        side = opposite(side);
        position.refreshRules();
        return true;
    }
};

} // namespace korvane::testing
