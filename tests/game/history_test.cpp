#include "../fuzz/chess_oracle.h"
#include "draw.h"
#include "harness.h"
#include "history.h"
#include "tests/support/pairing.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvane;
using namespace korvane::testing;
using korvane::testing::Harness;

namespace {

// Plays SAN moves through the flow; false at the first that does not play.
bool playSan(Harness& h, const std::vector<std::string>& moves) {
    for (const std::string& san : moves) {
        Move move;
        if (!resolveSan(h.position, colourOf(h.state.sideToMove), san, move) ||
            !h.game.playMove(move))
            return false;
    }
    return true;
}

const std::vector<std::string> kKnightsOut = {"Nf3", "Nf6", "Ng1", "Ng8"};

} // namespace

TEST(History, CountersFollowPawnMovesCapturesAndBlacksMoves) {
    Harness h;
    EXPECT_EQ(h.game.fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    ASSERT_TRUE(playSan(h, {"Nf3", "Nc6", "Nc3"}));
    EXPECT_EQ(h.game.fen(), "r1bqkbnr/pppppppp/2n5/8/8/2N2N2/PPPPPPPP/R1BQKB1R b KQkq - 3 2");
    ASSERT_TRUE(playSan(h, {"e5", "Nxe5", "Nxe5"}));
    EXPECT_EQ(h.game.history().counters(), (FenCounters{0, 4}));
    ASSERT_TRUE(playSan(h, {"Rb1"}));
    EXPECT_EQ(h.game.history().counters(), (FenCounters{1, 4}));
    // The counters of a set-up are read from its FEN and carried on.
    ASSERT_TRUE(h.game.loadGame("4k3/8/8/8/8/8/8/R3K3 b Q - 37 81", {}));
    EXPECT_EQ(h.game.fen(), "4k3/8/8/8/8/8/8/R3K3 b Q - 37 81");
    ASSERT_TRUE(playSan(h, {"Kd7"}));
    EXPECT_EQ(h.game.fen(), "8/3k4/8/8/8/8/8/R3K3 w Q - 38 82");
    // A pawn move that waits for its promotion piece counts already.
    ASSERT_TRUE(h.game.loadGame("4k3/P7/8/8/8/8/8/4K3 w - - 12 50", {}));
    ASSERT_TRUE(h.play("a7a8"));
    EXPECT_EQ(h.game.fen(), "P3k3/8/8/8/8/8/8/4K3 b - - 0 50");
    EXPECT_TRUE(h.game.history().empty());
    ASSERT_TRUE(h.game.completePromotion(QueenKind));
    EXPECT_EQ(h.game.history().sanMoves(), std::vector<std::string>{"a8=Q+"});
    EXPECT_EQ(h.game.fen(), "Q3k3/8/8/8/8/8/8/4K3 b - - 0 50");
}

TEST(History, FenCountersAreReadCheckedAndWritten) {
    Position position;
    Turn side = Turn::White;
    FenCounters counters;
    ASSERT_TRUE(loadFen(position, side, "4k3/8/8/8/8/8/8/4K3 w - - 99 120", nullptr, &counters));
    EXPECT_EQ(counters, (FenCounters{99, 120}));
    EXPECT_EQ(writeFen(position, side, counters), "4k3/8/8/8/8/8/8/4K3 w - - 99 120");
    ASSERT_TRUE(loadFen(position, side, "4k3/8/8/8/8/8/8/4K3 w - - 0 0", nullptr, &counters));
    EXPECT_EQ(counters.fullmoveNumber, 1);
    ASSERT_TRUE(loadFen(position, side, "4k3/8/8/8/8/8/8/4K3 w", nullptr, &counters));
    EXPECT_EQ(counters, FenCounters());
    for (const char* bad : {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "4k3/8/8/8/8/8/8/4K3 w - - 1 -2",
                            "4k3/8/8/8/8/8/8/4K3 w - - 123456 1"}) {
        std::string error;
        EXPECT_FALSE(loadFen(position, side, bad, &error)) << bad;
        EXPECT_NE(error.find("half-move clock"), std::string::npos);
    }
}

TEST(History, RecordsEveryMoveLocalReceivedPromotedAndRevokedWithTheCapturedPieces) {
    Harness h;
    seatAs(h.game, Pairing::NetworkWhite);
    ASSERT_TRUE(playSan(h, {"e4"}));
    // The peer's move comes as piece and ordinal.
    const Fig& pawn = *h.position.pieceByKind(3, PawnKind, Black);
    int ordinal = -1;
    for (int k = 0; k < pawn.moveCount; ++k)
        if (pawn.moves[k] == Harness::square("d5"))
            ordinal = k;
    ASSERT_TRUE(h.receiveMove(PawnKind, 3, ordinal));
    ASSERT_TRUE(playSan(h, {"exd5"}));
    EXPECT_EQ(h.game.history().sanMoves(), (std::vector<std::string>{"e4", "d5", "exd5"}));
    EXPECT_EQ(h.game.history().capturedPieces(Black), std::vector<int>{PawnKind});
    EXPECT_TRUE(h.game.history().capturedPieces(White).empty());
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.game.history().size(), 2u);
    EXPECT_TRUE(h.game.history().capturedPieces(Black).empty());
    // Czech letters for the list of a Czech player.
    ASSERT_TRUE(playSan(h, {"exd5", "Qxd5"}));
    EXPECT_EQ(h.game.history().sanMoves(PieceLetters::Czech).back(), "Dxd5");
    EXPECT_EQ(h.game.history().capturedPieces(White), std::vector<int>{PawnKind});
    EXPECT_EQ(h.game.history().capturedPieces(Black), std::vector<int>{PawnKind});
}

TEST(History, APositionSetUpMidGameStartsAHistoryOfItsOwn) {
    Harness h;
    ASSERT_TRUE(playSan(h, {"e4", "e5"}));
    ASSERT_TRUE(h.game.setUp("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1"));
    ASSERT_TRUE(playSan(h, {"O-O-O"}));
    EXPECT_EQ(h.game.history().sanMoves(), std::vector<std::string>{"O-O-O"});
    EXPECT_EQ(h.game.history().startFen(), "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1");
}

TEST(Repetition, KeyHoldsAnEnPassantFileOnlyWhenTheCaptureIsLegal) {
    auto keyOf = [](const char* fen) {
        Harness h(fen);
        return positionKey(h.position, h.state.sideToMove);
    };
    // No pawn beside the double-stepped one, and a pawn pinned along the rank: no capture.
    EXPECT_EQ(keyOf("4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1"), keyOf("4k3/8/8/8/4P3/8/8/4K3 b - - 0 1"));
    EXPECT_EQ(keyOf("8/8/8/KPp4r/8/8/8/7k w - c6 0 1"), keyOf("8/8/8/KPp4r/8/8/8/7k w - - 0 1"));
    EXPECT_NE(keyOf("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"),
              keyOf("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1"));
    // Castling rights and the side to move count as well.
    EXPECT_NE(keyOf("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1"), keyOf("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
    EXPECT_NE(keyOf("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), keyOf("4k3/8/8/8/8/8/8/R3K3 b - - 0 1"));
}

TEST(Repetition, ThreefoldIsClaimableAtItsPlyAndFivefoldEndsTheGameAtItsPly) {
    Harness h;
    ASSERT_TRUE(playSan(h, kKnightsOut));
    ASSERT_TRUE(playSan(h, {"Nf3", "Nf6", "Ng1"}));
    EXPECT_EQ(h.game.canClaimDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, {"Ng8"}));
    EXPECT_EQ(h.game.history().repetitions(), 3);
    EXPECT_EQ(h.game.canClaimDraw(), DrawReason::ThreefoldRepetition);
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, kKnightsOut));
    ASSERT_TRUE(playSan(h, {"Nf3", "Nf6", "Ng1"}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, {"Ng8"}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::FivefoldRepetition);
    // Taking the move back takes the draw with it.
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
}

TEST(Repetition, AnUncapturableDoubleStepRepeatsAndACapturableOneDoesNot) {
    Harness h;
    // After 1. e4 no black pawn can take en passant: the position is the one 3. Nb1 reaches.
    ASSERT_TRUE(playSan(h, {"e4", "Nf6", "Nc3", "Ng8", "Nb1"}));
    EXPECT_EQ(h.game.history().repetitions(), 2);
    // After 2...d5 White may take en passant: the same placement later is another position,
    // so two rounds of knight moves bring it back twice, not three times.
    Harness p;
    ASSERT_TRUE(playSan(
        p, {"e4", "Nc6", "e5", "d5", "Nf3", "Nb8", "Ng1", "Nc6", "Nf3", "Nb8", "Ng1", "Nc6"}));
    EXPECT_EQ(p.game.history().repetitions(), 2);
    EXPECT_EQ(p.game.canClaimDraw(), DrawReason::None);
}

TEST(MoveRules, FiftyMovesAreClaimableAtTheHundredthHalfMoveAndSeventyFiveEndTheGame) {
    Harness h;
    ASSERT_TRUE(h.game.loadGame("k7/8/1K6/8/8/8/8/7R w - - 98 100", {}));
    ASSERT_TRUE(playSan(h, {"Rh2"}));
    EXPECT_EQ(h.game.canClaimDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, {"Kb8"}));
    EXPECT_EQ(h.game.canClaimDraw(), DrawReason::FiftyMoveRule);
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);

    ASSERT_TRUE(h.game.loadGame("k7/8/1K6/8/8/8/8/7R w - - 148 100", {}));
    ASSERT_TRUE(playSan(h, {"Rh2"}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, {"Kb8"}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::SeventyFiveMoveRule);
    // The 150th half-move mates: the mate stands, and there is nothing to claim.
    ASSERT_TRUE(h.game.loadGame("k7/8/1K6/8/8/8/8/7R w - - 149 100", {}));
    ASSERT_TRUE(playSan(h, {"Rh8#"}));
    EXPECT_EQ(h.game.gameEnd(), Ending::Checkmate);
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
    EXPECT_EQ(h.game.canClaimDraw(), DrawReason::None);
    // A capture starts the count again.
    ASSERT_TRUE(h.game.loadGame("k7/8/1K6/8/8/8/7p/7R w - - 99 100", {}));
    ASSERT_TRUE(playSan(h, {"Rxh2"}));
    EXPECT_EQ(h.game.history().counters().halfmoveClock, 0);
}

TEST(MoveRules, InsufficientMaterialIsAnAutomaticDraw) {
    struct Case {
        const char* fen;
        bool dead;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", true},
        {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", true},
        {"4k3/8/8/8/8/8/8/1N2K3 b - - 0 1", true},
        {"4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1", true},   // c1 and f8: both dark
        {"4k1b1/8/8/8/8/8/8/2B1K3 w - - 0 1", false}, // g8 is light
        {"4kn2/8/8/8/8/8/8/2B1K3 w - - 0 1", false},
        {"4k3/8/8/8/8/8/8/1NN1K3 w - - 0 1", false},
        {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", false},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", false},
    };
    for (const Case& c : cases) {
        Harness h(c.fen);
        EXPECT_EQ(insufficientMaterial(h.position), c.dead) << c.fen;
    }
    // Taking the last piece ends the game there.
    Harness h;
    ASSERT_TRUE(h.game.loadGame("4k3/8/8/8/8/8/3q4/4K3 w - - 0 1", {}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::None);
    ASSERT_TRUE(playSan(h, {"Kxd2"}));
    EXPECT_EQ(h.game.automaticDraw(), DrawReason::InsufficientMaterial);
}

// A seeded random game with promotions, taken back move by move to its start and played again:
// every position on the way, pool slots included, is the one the game passed through.
TEST(TakeBack, BackToTheStartAndForwardAgainGivesTheSamePositions) {
    Harness h;
    h.cues.flipView = true;
    ASSERT_TRUE(
        h.game.loadGame("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {}));
    auto snapshot = [](const Harness& g) {
        std::string out = g.game.fen();
        for (const PieceSet& set : g.position.sets)
            for (const Fig& p : set.pieces)
                if (p.alive || p.kind == KingKind)
                    out += " " + std::to_string(p.kind) + std::to_string(p.index) + "@" +
                           std::to_string(squareIndex(p.x, p.y));
        return out;
    };
    std::mt19937 random(7);
    std::vector<std::string> seen{snapshot(h)};
    std::vector<Move> played;
    for (int ply = 0; ply < 40; ++ply) {
        std::vector<Move> legal;
        const int side = colourOf(h.state.sideToMove);
        for (const Fig& p : h.position.sets[side].pieces)
            for (int k = 0; k < p.moveCount; ++k) {
                const int to = p.moves[k];
                const bool promotes = p.kind == PawnKind && (to / 8 == 0 || to / 8 == 7);
                legal.push_back(Move(Square::at(p.x, p.y), Square(to), promotes ? 1 + ply % 4 : 0));
            }
        if (legal.empty())
            break;
        played.push_back(legal[random() % legal.size()]);
        ASSERT_TRUE(h.game.playMove(played.back()));
        seen.push_back(snapshot(h));
    }
    ASSERT_GT(played.size(), 20u);
    for (std::size_t n = played.size(); n > 0; --n) {
        ASSERT_TRUE(h.game.takeBack());
        ASSERT_EQ(snapshot(h), seen[n - 1]) << "after taking back move " << n;
    }
    EXPECT_FALSE(h.game.takeBack());
    for (std::size_t n = 0; n < played.size(); ++n) {
        ASSERT_TRUE(h.game.playMove(played[n]));
        ASSERT_EQ(snapshot(h), seen[n + 1]);
    }
}

TEST(TakeBack, ALoadedGameGoesBackToItsStartMoveByMove) {
    Harness h;
    ASSERT_TRUE(h.game.loadGame(
        "", {Move(Square(12), Square(28)), Move(Square(52), Square(36))})); // 1. e4 e5
    ASSERT_TRUE(h.game.takeBack());
    ASSERT_TRUE(h.game.takeBack());
    EXPECT_FALSE(h.game.takeBack());
    EXPECT_EQ(h.game.fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST(TakeBack, TheBoardShowsTheTakenBackPositionAndTheLastMoveCanStillBeRevoked) {
    Harness h;
    h.cues.flipView = true;
    ASSERT_TRUE(h.play("e2e4"));
    ASSERT_TRUE(h.play("d7d5"));
    ASSERT_TRUE(h.play("e4d5"));
    EXPECT_FALSE(h.board.visible[korvane::testing::RecordingBoard::key(Black, PawnKind, 3)]);
    EXPECT_EQ(h.turns, 3);
    ASSERT_TRUE(h.game.takeBack());
    // The taken pawn is back on d5 and the white pawn on e4, Black faces the board.
    EXPECT_TRUE(h.board.visible[korvane::testing::RecordingBoard::key(Black, PawnKind, 3)]);
    EXPECT_EQ(h.board.square[korvane::testing::RecordingBoard::key(White, PawnKind, 4)],
              (std::vector<int>{4, 3}));
    EXPECT_EQ(h.state.sideToMove, Turn::White);
    EXPECT_EQ(h.screens.statusSide, White);
    EXPECT_EQ(h.turns, 4);
    EXPECT_FALSE(h.flipped);
    ASSERT_TRUE(h.game.revokeLastMove());
    EXPECT_EQ(h.game.fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
}

TEST(TakeBack, RefusedWithAChoiceOrQuestionOpenAndInANetworkGame) {
    Harness h("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
    ASSERT_TRUE(h.play("e1d1"));
    ASSERT_TRUE(h.play("e8d7"));
    ASSERT_TRUE(h.play("a7a8"));
    EXPECT_FALSE(h.game.takeBack());
    ASSERT_TRUE(h.game.completePromotion(QueenKind));
    h.game.openQuestion(Question::Draw, false);
    EXPECT_FALSE(h.game.takeBack());
    h.game.closeQuestion();
    seatAs(h.game, Pairing::NetworkBlack);
    EXPECT_FALSE(h.game.takeBack());
    seatAs(h.game, Pairing::Local);
    ASSERT_TRUE(h.game.takeBack());
    EXPECT_EQ(h.game.fen(), "8/P2k4/8/8/8/8/8/3K4 w - - 2 2");
    h.game.endGame(Outcome::Resignation, Black);
    EXPECT_FALSE(h.game.takeBack());
}
