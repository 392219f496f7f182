// libFuzzer target for everything a peer can send: a session with a live game behind it takes
// a sequence of received items, and the local player moves in between. Input: byte 0 picks
// the role (even: a guest that is joining, odd: a host), then items as [length][bytes...]; a
// length of 0 is no item but the local player's move, its piece and entry picked by the next
// byte, as the clicks would play it.
// After every step the board must be one a game can have: one piece a square, one king a side
// on the board, no pawn on the first or last rank, the side not to move not in check. The last
// is judged by the independent oracle.
#include "chess_oracle.h"
#include "rules/fen.h"
#include "session.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace korvane;
using namespace korvane::net;

namespace {

void require(bool holds, const char* what, const Game& game) {
    if (holds)
        return;
    std::fprintf(stderr, "board invariant broken: %s\n%s\n", what, game.fen().c_str());
    std::abort();
}

void checkBoard(const Game& game) {
    // The host's dump is still arriving: the board is not open, nor anybody's yet.
    if (game.state().joinPending)
        return;
    const Position& position = game.position();
    // A pawn waiting for its piece stands on the last rank until the choice is made, and the
    // turn passes only then.
    const bool choosing = game.state().promotionPending;
    int pieces[64] = {};
    for (int colour = 0; colour < 2; ++colour) {
        const Fig& king = position.king(colour);
        require(onBoard(king.x, king.y), "a king is off the board", game);
        for (const Fig& p : position.sets[colour].pieces) {
            if (!p.alive && p.kind != KingKind)
                continue;
            require(onBoard(p.x, p.y), "an alive piece is off the board", game);
            require(++pieces[squareIndex(p.x, p.y)] == 1, "two pieces on one square", game);
            require(p.kind != PawnKind || (p.y != 0 && p.y != 7) ||
                        (choosing && p.index == game.state().promotionPawnIndex),
                    "a pawn on an edge rank", game);
        }
    }
    const Turn side = game.state().sideToMove;
    if (!isColour(side) || choosing)
        return;
    oracle::Game model;
    int epRank = -1;
    require(oracle::parse(writeFen(position, side), model, epRank), "no FEN", game);
    require(!model.inCheck(1 - colourOf(side)), "the side not to move is in check", game);
}

// The local player's move, when it is that player's turn: `pick` chooses among every entry of
// every movable piece, and a promotion it starts gets a piece too.
void moveLocally(Game& game, const NetSession& session, std::uint8_t pick) {
    const GameState& state = game.state();
    if (!state.boardTakesClicks())
        return;
    const int colour = colourOf(state.sideToMove);
    std::vector<std::pair<const Fig*, int>> entries;
    for (const Fig& p : game.position().sets[colour].pieces)
        if (p.alive)
            for (int k = 0; k < p.moveCount; ++k)
                entries.emplace_back(&p, k);
    if (entries.empty())
        return;
    const auto [piece, ordinal] = entries[pick % entries.size()];
    if (!game.selectPiece(colour, piece->kind, piece->index) || !game.executeMove(ordinal))
        return;
    if (game.state().promotionPending && session.mayChoosePromotion())
        game.completePromotion(1 + pick % 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Game game;
    NullNetView view;
    SessionOptions options;
    options.disconnectWaitMs = 0;
    NetSession session(game, view, options);
    game.newGame();
    if (data[0] % 2)
        session.host("Fuzz");
    else
        session.connect("127.0.0.1", "Fuzz");

    std::size_t at = 1;
    while (at < size) {
        const std::size_t length = data[at++];
        if (length == 0) {
            if (at < size)
                moveLocally(game, session, data[at++]);
        } else {
            const std::size_t take = length < size - at ? length : size - at;
            session.handleReceived(data + at, take);
            at += take;
        }
        checkBoard(game);
    }
    // The game the items built must stay one the rules can play on.
    Position position = game.position();
    position.refreshRules();
    return 0;
}
