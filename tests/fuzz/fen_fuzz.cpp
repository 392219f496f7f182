// libFuzzer target for loading positions and playing on them: the game's loader, move
// generator, move execution, promotion and take-back, checked step by step against the
// independent model in chess_oracle.h. Input: a FEN line up to the first '\n', then one byte
// per action: below 16 take the last move back, otherwise play legal move (byte - 16) modulo
// their number; a promoting move takes one more byte for the piece (modulo 4: rook, knight,
// bishop, queen), which from 0xC0 up first tries a take-back that must be refused.
// The loader and the model must agree on which texts are positions a game can reach; a
// position with more pieces than promotions can give is only loaded, not played.
#include "chess_oracle.h"
#include "fen.h"
#include "game/game.h"
#include "tests/support/pairing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace korvane;
using namespace korvane::testing;

namespace {

[[noreturn]] void mismatch(const char* what, const std::string& game, const std::string& model) {
    std::fprintf(stderr, "fen_fuzz: %s\n  game:  %s\n  model: %s\n", what, game.c_str(),
                 model.c_str());
    std::abort();
}

int modelSquare(int gameSquare) {
    return oracle::square(gameSquare % 8, gameSquare / 8);
}

std::string listText(const std::vector<std::pair<int, int>>& moves) {
    std::string out;
    for (const auto& m : moves)
        out += std::string{char('a' + m.first % 16), char('1' + m.first / 16),
                           char('a' + m.second % 16), char('1' + m.second / 16), ' '};
    return out;
}

// Every (from, to) the game lists for the side to move, and the model's, promotions folded:
// the game lists a promoting move once and asks for the piece afterwards.
void compareMoves(const Game& game, const oracle::Game& model,
                  const std::vector<oracle::Move>& legal) {
    std::vector<std::pair<int, int>> ours, theirs;
    const int side = colourOf(game.state().sideToMove);
    for (const Fig& p : game.position().sets[side].pieces) {
        if (p.moveCount > 0 && !p.alive && p.kind != KingKind)
            mismatch("a dead piece has moves", writeFen(game.position(), game.state().sideToMove),
                     model.fen());
        for (int k = 0; k < p.moveCount; ++k)
            ours.push_back({oracle::square(p.x, p.y), modelSquare(p.moves[k])});
    }
    for (const oracle::Move& m : legal)
        if (theirs.empty() || theirs.back() != std::make_pair(m.from, m.to))
            theirs.push_back({m.from, m.to});
    std::sort(ours.begin(), ours.end());
    if (ours != theirs)
        mismatch(("legal moves differ in " + model.fen()).c_str(), listText(ours),
                 listText(theirs));
    const Ending expected = !legal.empty()        ? Ending::None
                            : model.inCheck(side) ? Ending::Checkmate
                                                  : Ending::Stalemate;
    if (game.gameEnd() != expected || game.sideInCheck(side) != model.inCheck(side))
        mismatch("check or end of game differs", writeFen(game.position(), game.state().sideToMove),
                 model.fen());
}

void compareAll(const Game& game, const oracle::Game& model) {
    const std::string fen = writeFen(game.position(), game.state().sideToMove);
    if (fen != model.fen())
        mismatch("positions differ", fen, model.fen());
    compareMoves(game, model, model.legalMoves());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* end = data + size;
    const std::uint8_t* line = data;
    while (line < end && *line != '\n')
        ++line;
    const std::string text(reinterpret_cast<const char*>(data), line - data);

    // No draw by rule ends the game: the model knows none.
    auto game = std::make_unique<Game>(false);
    seatAs(*game, Pairing::Local);
    const std::string untouched = writeFen(game->position(), game->state().sideToMove);

    oracle::Game model;
    int epRank = -1;
    const bool parsed = oracle::parse(text, model, epRank);
    const bool reachable = parsed && oracle::legal(model, epRank);
    const bool playable = reachable && oracle::possibleMaterial(model);
    // The loader alone, then the game's set-up through it.
    auto probe = std::make_unique<Position>();
    Turn probeSide = Turn::White;
    std::string error;
    const bool loaded = loadFen(*probe, probeSide, text, &error);
    if (!loaded && writeFen(*probe, probeSide) != untouched)
        mismatch("a refused text changed the position", text, untouched);
    if (!loaded && error.empty())
        mismatch("a refused text has no reason", text, "");
    std::string setUpError;
    if (game->setUp(text, &setUpError) != loaded)
        mismatch("the game's set-up and the loader disagree", text, error);
    if (!loaded && writeFen(game->position(), game->state().sideToMove) != untouched)
        mismatch("a refused set-up changed the game", text, untouched);
    if (!loaded && setUpError.empty())
        mismatch("a refused set-up has no reason", text, "");
    // Too much material is refused only when the pieces do not fit the game's pools.
    if (loaded != reachable && (loaded || playable))
        mismatch(loaded ? "loaded a position no game reaches" : "refused a reachable position",
                 text + (loaded ? "" : " (" + error + ")"), model.fen());
    if (!loaded || !playable)
        return 0;
    compareAll(*game, model);

    std::unique_ptr<oracle::Game> previous; // the game takes back one move only
    const std::uint8_t* at = line < end ? line + 1 : end;
    for (int actions = 0; at < end && actions < 64; ++actions) {
        const std::uint8_t action = *at++;
        if (action < 16) {
            const std::string before = writeFen(game->position(), game->state().sideToMove);
            const bool revoked = game->revokeLastMove();
            if (revoked != bool(previous))
                mismatch(revoked ? "took back a move that was not there" : "refused a take-back",
                         before, previous ? previous->fen() : model.fen());
            if (revoked) {
                model = *previous;
                previous.reset();
            }
            compareAll(*game, model);
            continue;
        }
        const std::vector<oracle::Move> legal = model.legalMoves();
        if (legal.empty())
            continue;
        std::vector<oracle::Move> choices; // one entry per (from, to)
        for (const oracle::Move& m : legal)
            if (m.promotion == 0 || m.promotion == 'q')
                choices.push_back(m);
        oracle::Move move = choices[(action - 16) % choices.size()];

        const int side = colourOf(game->state().sideToMove);
        const Fig* piece = game->position().findPieceAt(side, move.from % 16, move.from / 16);
        if (!piece || !game->selectPiece(piece->colour, piece->kind, piece->index))
            mismatch("cannot select the piece to move", model.fen(), model.fen());
        int ordinal = -1;
        for (int k = 0; k < piece->moveCount; ++k)
            if (modelSquare(piece->moves[k]) == move.to)
                ordinal = k;
        if (ordinal < 0 || !game->executeMove(ordinal))
            mismatch("cannot play a legal move", model.fen(), listText({{move.from, move.to}}));
        if (game->state().promotionPending != (move.promotion != 0))
            mismatch("promotion pending differs", model.fen(), listText({{move.from, move.to}}));
        if (move.promotion) {
            const std::uint8_t choice = at < end ? *at++ : 3;
            if (choice >= 0xC0 && game->revokeLastMove())
                mismatch("took back a move with its promotion still open", model.fen(), "");
            const int code = RookKind + choice % 4;
            move.promotion = "rnbq"[choice % 4];
            if (!game->completePromotion(code))
                mismatch("promotion refused", model.fen(), std::string(1, move.promotion));
        }
        previous = std::make_unique<oracle::Game>(model);
        model = model.after(move);
        compareAll(*game, model);
    }
    return 0;
}
