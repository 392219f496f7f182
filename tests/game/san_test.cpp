#include "../fuzz/chess_oracle.h"
#include "harness.h"
#include "san.h"
#include "uci_move.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace korvane;
using korvane::testing::Harness;

namespace {

// The SAN of a move worked out on the independent model alone.
std::string modelSan(const oracle::Game& g, const oracle::Move& m) {
    const char kind = oracle::Game::kindOf(g.board[m.from]);
    auto square = [](int s) { return std::string{char('a' + s % 16), char('1' + s / 16)}; };
    std::string out;
    if (kind == 'k' && std::abs(m.to - m.from) == 2) {
        out = m.to > m.from ? "O-O" : "O-O-O";
    } else {
        const bool capture = g.board[m.to] != '.' || (kind == 'p' && m.from % 16 != m.to % 16);
        if (kind == 'p') {
            if (capture)
                out += char('a' + m.from % 16);
        } else {
            out += char(std::toupper(kind));
            bool rival = false, sameFile = false, sameRank = false;
            for (const oracle::Move& o : g.legalMoves())
                if (o.to == m.to && o.from != m.from &&
                    oracle::Game::kindOf(g.board[o.from]) == kind) {
                    rival = true;
                    sameFile |= o.from % 16 == m.from % 16;
                    sameRank |= o.from / 16 == m.from / 16;
                }
            if (rival && (!sameFile || sameRank))
                out += char('a' + m.from % 16);
            if (rival && sameFile)
                out += char('1' + m.from / 16);
        }
        if (capture)
            out += 'x';
        out += square(m.to);
        if (m.promotion)
            out += std::string("=") + char(std::toupper(m.promotion));
    }
    const oracle::Game next = g.after(m);
    if (next.inCheck(next.side))
        out += next.legalMoves().empty() ? '#' : '+';
    return out;
}

std::string czech(std::string san) {
    for (char& c : san)
        if (c == 'Q')
            c = 'D';
        else if (c == 'R')
            c = 'V';
        else if (c == 'B')
            c = 'S';
        else if (c == 'N')
            c = 'J';
    return san;
}

Move squaresOf(const oracle::Move& m) {
    return Move(Square::at(m.from % 16, m.from / 16), Square::at(m.to % 16, m.to / 16),
                m.promotion ? int(std::string(" rnbq").find(m.promotion)) : 0);
}

} // namespace

// Seeded random games from positions rich in promotions, castling and en passant: every move's
// SAN, in both sets of letters, is the model's, and reading the model's SAN finds the move.
TEST(San, RandomGamesMatchTheIndependentModel) {
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "4k3/1P4P1/8/2pP4/8/8/1p4p1/4K3 w - c6 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    };
    std::mt19937 random(20261208);
    int plies = 0, castles = 0, passants = 0, promotions = 0, disambiguated = 0, mates = 0;
    for (int round = 0; round < 6; ++round)
        for (const char* start : starts) {
            Harness h;
            ASSERT_TRUE(h.game.loadGame(start, {}));
            oracle::Game model;
            int epRank = -1;
            ASSERT_TRUE(oracle::parse(start, model, epRank));
            for (int ply = 0; ply < 150; ++ply) {
                const std::vector<oracle::Move> legal = model.legalMoves();
                if (legal.empty())
                    break;
                const oracle::Move m = legal[random() % legal.size()];
                const std::string expected = modelSan(model, m);
                passants += oracle::Game::kindOf(model.board[m.from]) == 'p' &&
                            m.from % 16 != m.to % 16 && model.board[m.to] == '.';
                Move read;
                std::string error;
                ASSERT_TRUE(
                    resolveSan(h.position, colourOf(h.state.sideToMove), expected, read, &error))
                    << expected << ": " << error;
                ASSERT_EQ(read, squaresOf(m)) << expected;
                ASSERT_TRUE(h.game.playMove(read)) << expected << " in " << model.fen();
                const SanMove& played = h.game.history().moves().back().san;
                ASSERT_EQ(sanText(played), expected) << model.fen();
                ASSERT_EQ(sanText(played, PieceLetters::Czech), czech(expected));
                model = model.after(m);
                ++plies;
                castles += played.castling != 0;
                promotions += played.promotion != 0;
                disambiguated += played.kind != PawnKind && (played.showFile || played.showRank);
                mates += played.mark == CheckMark::Mate;
            }
        }
    // The games went through the kinds of move the test is about.
    EXPECT_GT(plies, 1500);
    EXPECT_GT(castles, 3);
    EXPECT_GT(promotions, 10);
    EXPECT_GT(passants, 0);
    EXPECT_GT(disambiguated, 10);
    EXPECT_GT(mates, 0);
}

TEST(San, RareMovesAreWrittenAndReadInBothLetterSets) {
    struct Case {
        const char* fen;
        const char* uci;
        const char* english;
        const char* czech;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "a1b2", "Qa1b2", "Da1b2"}, // file and rank
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "a3b2", "Q3b2", "D3b2"},
        {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "c1b2", "Qcb2", "Dcb2"},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", "Nbd2", "Jbd2"},
        {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "a1a3", "R1a3", "V1a3"},
        {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8q", "exd8=Q+", "exd8=D+"},
        {"3r2k1/4Pppp/8/8/8/8/8/4K3 w - - 0 1", "e7d8r", "exd8=R#", "exd8=V#"},
        {"8/1P1k4/8/8/8/8/8/4K3 w - - 0 1", "b7b8n", "b8=N+", "b8=J+"},
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "O-O+", "O-O+"},
        {"3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", "O-O-O+", "O-O-O+"},
        {"8/8/8/8/3Pp3/8/4K3/7k b - d3 0 1", "e4d3", "exd3+", "exd3+"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6", "exd6"},
        {"6k1/5ppp/8/8/8/8/8/3QK3 w - - 0 1", "d1d8", "Qd8#", "Dd8#"},
    };
    for (const Case& c : cases) {
        Harness h;
        ASSERT_TRUE(h.game.loadGame(c.fen, {})) << c.fen;
        Move move;
        std::string error;
        ASSERT_TRUE(resolveSan(h.position, colourOf(h.state.sideToMove), c.english, move, &error))
            << c.english << ": " << error;
        EXPECT_EQ(uciText(move), c.uci);
        ASSERT_TRUE(h.game.playMove(move)) << c.uci;
        const SanMove& san = h.game.history().moves().back().san;
        EXPECT_EQ(sanText(san), c.english);
        EXPECT_EQ(sanText(san, PieceLetters::Czech), c.czech);
    }
}

TEST(San, ReadingTakesTheUsualVariantsAndRefusesWhatNamesNoSingleMove) {
    Harness h;
    ASSERT_TRUE(h.game.loadGame("r3k3/1P6/8/8/8/Q7/8/Q1Q1K2R w K - 0 1", {}));
    const Position& p = h.position;
    struct Read {
        const char* text;
        const char* uci; // null: refused, with the part of the reason below
        const char* reason;
    };
    const Read reads[] = {
        {"0-0", "e1g1", nullptr},         {"O-O+!?", "e1g1", nullptr},
        {"Qa1b2", "a1b2", nullptr},       {"Qa1xb2", "a1b2", nullptr},
        {"bxa8=Q", "b7a8q", nullptr},     {"bxa8Q", "b7a8q", nullptr},
        {"b8=N", "b7b8n", nullptr},       {"Qb2", nullptr, "ambiguous"},
        {"Qab2", nullptr, "ambiguous"},   {"b8", nullptr, "needs a promotion piece"},
        {"Kf2=Q", nullptr, "not a move"}, {"Nf3", nullptr, "not a legal move"},
        {"O-O-O", nullptr, "not legal"},  {"Ke9", nullptr, "not a move"},
        {"", nullptr, "not a move"},      {"Qa1b2c3", nullptr, "not a move"},
    };
    for (const Read& r : reads) {
        Move move;
        std::string error;
        const bool read = resolveSan(p, White, r.text, move, &error);
        EXPECT_EQ(read, r.uci != nullptr) << r.text;
        if (r.uci)
            EXPECT_EQ(uciText(move), r.uci) << r.text;
        else
            EXPECT_NE(error.find(r.reason), std::string::npos) << r.text << ": " << error;
    }
    Move move;
    EXPECT_TRUE(parseUci("a7a8q", move));
    EXPECT_EQ(move, Move(Square(48), Square(56), QueenKind));
    for (const char* bad : {"a7a8k", "a7a9", "i2i4", "e2e4qq", "e2"})
        EXPECT_FALSE(parseUci(bad, move)) << bad;
}
