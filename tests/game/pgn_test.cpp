#include "harness.h"
#include "pgn.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>

using namespace korvane;
using korvane::testing::Harness;

namespace {

void playSan(Harness& h, const std::vector<std::string>& moves) {
    for (const std::string& san : moves) {
        Move move;
        ASSERT_TRUE(resolveSan(h.position, colourOf(h.state.sideToMove), san, move)) << san;
        ASSERT_TRUE(h.game.playMove(move)) << san;
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(PgnWrite, SevenTagRosterNumberedMovesInEightyColumnsAndTheResult) {
    Harness h;
    const std::vector<std::string> moves = {
        "e4",    "e5",  "Nf3",  "d6",   "d4",  "Bg4", "dxe5",  "Bxf3", "Qxf3", "dxe5",  "Bc4",
        "Nf6",   "Qb3", "Qe7",  "Nc3",  "c6",  "Bg5", "b5",    "Nxb5", "cxb5", "Bxb5+", "Nbd7",
        "O-O-O", "Rd8", "Rxd7", "Rxd7", "Rd1", "Qe6", "Bxd7+", "Nxd7", "Qb8+", "Nxb8",  "Rd8#"};
    playSan(h, moves);
    PgnHeader header;
    header.event = "Přátelská partie";
    header.white = "Paul \"the pride\" Morphy";
    header.black = "Vévoda";
    header.extra.push_back({"Annotator", "Jiří"});
    const std::string text = writePgn(h.game.history(), header, PgnResult::WhiteWins);
    const std::vector<std::string> out = lines(text);
    const std::vector<std::string> head = {"[Event \"Přátelská partie\"]",
                                           "[Site \"?\"]",
                                           "[Date \"????.??.??\"]",
                                           "[Round \"?\"]",
                                           "[White \"Paul \\\"the pride\\\" Morphy\"]",
                                           "[Black \"Vévoda\"]",
                                           "[Result \"1-0\"]",
                                           "[Annotator \"Jiří\"]",
                                           ""};
    ASSERT_GT(out.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + head.size()), head);
    std::string movetext;
    for (std::size_t i = head.size(); i < out.size(); ++i) {
        EXPECT_LE(out[i].size(), 79u) << out[i];
        movetext += (movetext.empty() ? "" : " ") + out[i];
    }
    EXPECT_EQ(movetext.substr(0, 30), "1. e4 e5 2. Nf3 d6 3. d4 Bg4 4");
    EXPECT_NE(movetext.find("12. O-O-O Rd8"), std::string::npos);
    EXPECT_EQ(movetext.substr(movetext.size() - 12), "17. Rd8# 1-0");
    EXPECT_GT(out.size(), head.size() + 1); // the moves took more than one line

    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn(text, game, error)) << error.line << ": " << error.reason;
    EXPECT_EQ(game.san, moves);
    EXPECT_EQ(game.finalFen, h.game.fen());
    EXPECT_EQ(game.tag("White"), "Paul \"the pride\" Morphy");
    EXPECT_EQ(game.tag("Event"), "Přátelská partie");
    EXPECT_EQ(game.result, "1-0");
}

TEST(PgnWrite, ASetUpGameCarriesItsFenAndNumbersBlacksFirstMove) {
    Harness h;
    ASSERT_TRUE(h.game.loadGame("r3k2r/1P6/8/8/3p4/8/4P1p1/R3K2R b KQkq - 3 40", {}));
    playSan(h, {"gxh1=Q+", "Kd2", "Qh5", "e4", "dxe3+"});
    const std::string text = writePgn(h.game.history(), PgnHeader(), PgnResult::Unfinished);
    EXPECT_NE(text.find("[Result \"*\"]\n[SetUp \"1\"]\n"
                        "[FEN \"r3k2r/1P6/8/8/3p4/8/4P1p1/R3K2R b KQkq - 3 40\"]\n\n"
                        "40... gxh1=Q+ 41. Kd2 Qh5 42. e4 dxe3+ *\n"),
              std::string::npos)
        << text;
    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn(text, game, error)) << error.reason;
    EXPECT_EQ(game.finalFen, h.game.fen());
    // Loaded into a game, it is the same game.
    Harness loaded;
    ASSERT_TRUE(loaded.game.loadGame(game.startFen, game.moves));
    EXPECT_EQ(loaded.game.history().sanMoves(), h.game.history().sanMoves());
    EXPECT_EQ(loaded.game.fen(), h.game.fen());
}

TEST(PgnRead, CommentsVariationsNagsAnnotationsAndSeveralGames) {
    const std::string text = "% an escaped line { not a comment\n"
                             "[Event \"One\"]\n"
                             "[Result \"*\"]\n"
                             "\n"
                             "1. e4 {a comment (with brackets)\n"
                             "over two lines} e5 $1 2. Nf3 (2. f4 exf4 (2... d5 {!})\n"
                             "3. Nf3) ; rest of the line ) {\n"
                             "2... Nc6!? 3. Bb5?! a6 !! 4.Ba4 4. ... Nf6 *\n"
                             "\n"
                             "[Event \"Two\"]\n"
                             "1. d4 d5 1/2-1/2\n"
                             "[Event \"Three, no result\"]\n"
                             "1. c4\n";
    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn(text, game, error)) << error.line << ": " << error.reason;
    EXPECT_EQ(game.san,
              (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4", "Nf6"}));
    EXPECT_EQ(game.tag("Event"), "One");
    EXPECT_EQ(game.result, "*");
    ASSERT_TRUE(readPgn(text, game, error, 1)) << error.reason;
    EXPECT_EQ(game.tag("Event"), "Two");
    EXPECT_EQ(game.result, "1/2-1/2");
    EXPECT_EQ(game.finalFen, "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq d6 0 2");
    ASSERT_TRUE(readPgn(text, game, error, 2)) << error.reason;
    EXPECT_EQ(game.san, std::vector<std::string>{"c4"});
    EXPECT_FALSE(readPgn(text, game, error, 3));
    EXPECT_EQ(error.reason, "the text holds 3 games, not 4");
}

TEST(PgnRead, RefusesWithTheLineAndReasonAndKeepsNothing) {
    struct Case {
        const char* text;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"[Event \"x\"]\n\n1. e4 e5\n2. Ke3 Nf6 *\n", 4, "2. Ke3 is not a legal move"},
        {"1. Nf3 d6 2. Na3 d5 3. Nc4 a6 4. Ne5 *", 1, "4. Ne5 is ambiguous"},
        {"1. e4 {never closed\n2. d4 *\n", 1, "comment that starts here is not closed"},
        {"1. e4\n(1. d4 (1. c4) e5\n2. Nf3 *\n", 2, "variation that starts here is not closed"},
        {"1. e4 ) e5 *", 1, "')' closes no variation"},
        {"[Event x]\n1. e4 *", 1, "a tag must read [Name \"value\"]"},
        {"[Event \"x\n\"]\n1. e4 *", 1, "not closed on its line"},
        {"[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 *", 2, "FEN tag"},
        {"1. e4 $ e5 *", 1, "'$' without a number"},
        {"1. e4 e5 2. Nf3 Nc6 3. @4 *", 1, "not a move"},
        {"1. f3 e5 2. g4 Qh4# 3. a3 *", 1, "3. a3 is not a legal move"},
        {"", 1, "no game"},
        {"\n\n{only a comment}\n", 3, "no game"},
    };
    for (const Case& c : cases) {
        PgnGame game;
        game.result = "untouched";
        PgnError error;
        EXPECT_FALSE(readPgn(c.text, game, error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.text << ": " << error.reason;
        EXPECT_EQ(game.result, "untouched");
    }
    // Engine notation, for turning an engine's game into a file.
    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn("e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 e1g1 *", game, error, 0, PgnMoves::Uci));
    EXPECT_EQ(game.san.back(), "O-O");
    EXPECT_FALSE(readPgn("e2e4 e7e5 e1e3 *", game, error, 0, PgnMoves::Uci));
    EXPECT_EQ(error.reason, "2. e1e3 is not a legal move");
}

// Every game of the corpus (Stockfish playing itself, and games written by hand) replays
// through the rules to the position Stockfish reported. Stockfish names an en-passant square
// only when a pawn can take there, as the repetition key does.
TEST(PgnCorpus, EveryGameEndsInThePositionStockfishReported) {
    DIR* dir = opendir(KORVANE_PGN_CORPUS);
    ASSERT_NE(dir, nullptr);
    std::vector<std::string> files;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".pgn") == 0)
            files.push_back(name);
    }
    closedir(dir);
    int games = 0;
    for (const std::string& name : files) {
        std::ifstream in(std::string(KORVANE_PGN_CORPUS) + "/" + name);
        std::ostringstream text;
        text << in.rdbuf();
        PgnGame game;
        PgnError error;
        for (int index = 0; readPgn(text.str(), game, error, index); ++index) {
            ++games;
            const std::string expected = game.tag("StockfishFEN");
            ASSERT_FALSE(expected.empty()) << name;
            Harness h;
            ASSERT_TRUE(h.game.loadGame(game.startFen, game.moves)) << name;
            std::istringstream fields(h.game.fen());
            std::string placement, side, castling, passant, clock, number;
            fields >> placement >> side >> castling >> passant >> clock >> number;
            const int file = h.game.history().currentKey().enPassantFile;
            passant = file < 0 ? "-" : passant;
            EXPECT_EQ(placement + " " + side + " " + castling + " " + passant + " " + clock + " " +
                          number,
                      expected)
                << name << " game " << index + 1;
        }
        EXPECT_NE(error.reason.find("the text holds"), std::string::npos)
            << name << ":" << error.line << ": " << error.reason;
    }
    EXPECT_GE(games, 23);
}

TEST(PgnRead, LongAlgebraicWithHyphenOrCaptureMark) {
    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn("1. e2-e4 e7-e5 2. Ng1-f3 Nb8-c6 3. Bf1-b5 a7-a6 4. Bb5xc6 d7xc6 "
                        "5. O-O *",
                        game, error))
        << error.reason;
    EXPECT_EQ(game.san, (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Bxc6",
                                                  "dxc6", "O-O"}));
    // A hyphen joins two squares only.
    EXPECT_FALSE(readPgn("1. e-e4 *", game, error));
    EXPECT_FALSE(readPgn("1. Ng-f3 *", game, error));
}

TEST(PgnRead, RefusalNamesTheMoveAsTheMovetextNumbersIt) {
    PgnGame game;
    PgnError error;
    EXPECT_FALSE(readPgn("1. e4 e5 2. Nf3 Nc6 3. Bb5 Rf1 *", game, error));
    EXPECT_EQ(error.reason, "3... Rf1 is not a legal move");
    // A set-up game numbers from its FEN.
    EXPECT_FALSE(readPgn("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/R3K3 w Q - 0 44\"]\n\n"
                         "44. Rf2 *",
                         game, error));
    EXPECT_EQ(error.reason, "44. Rf2 is not a legal move");
}

TEST(PgnRead, AGameDrawnByFivefoldRepetitionEndsThere) {
    std::string text;
    for (int round = 0; round < 4; ++round)
        text += "Nf3 Nf6 Ng1 Ng8 ";
    PgnGame game;
    PgnError error;
    ASSERT_TRUE(readPgn(text + "1/2-1/2", game, error)) << error.reason;
    EXPECT_EQ(game.san.size(), 16u);
    EXPECT_FALSE(readPgn(text + "Nf3 *", game, error));
    EXPECT_EQ(error.reason, "9. Nf3 comes after the game ended in a draw by fivefold repetition");
}

TEST(PgnWrite, AnEmptyNameIsWrittenAsUnknown) {
    Harness h;
    PgnHeader header;
    header.white = "";
    header.event = "";
    const std::string text = writePgn(h.game.history(), header, PgnResult::Unfinished);
    EXPECT_NE(text.find("[White \"?\"]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Event \"?\"]\n"), std::string::npos) << text;
}

// Long games fill their lines to the limit: written back, every line of the corpus's games
// stays under 80 characters and reads back as the same game.
TEST(PgnWrite, CorpusGamesWriteBackInLinesOfFewerThanEightyCharacters) {
    DIR* dir = opendir(KORVANE_PGN_CORPUS);
    ASSERT_NE(dir, nullptr);
    std::size_t longest = 0;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".pgn") != 0)
            continue;
        std::ifstream in(std::string(KORVANE_PGN_CORPUS) + "/" + name);
        std::ostringstream text;
        text << in.rdbuf();
        PgnGame game;
        PgnError error;
        for (int index = 0; readPgn(text.str(), game, error, index); ++index) {
            Harness h;
            ASSERT_TRUE(h.game.loadGame(game.startFen, game.moves)) << name;
            const std::string written =
                writePgn(h.game.history(), PgnHeader(), PgnResult::Unfinished);
            for (const std::string& line : lines(written))
                longest = std::max(longest, line.size());
            PgnGame again;
            ASSERT_TRUE(readPgn(written, again, error)) << name << ": " << error.reason;
            EXPECT_EQ(again.san, game.san) << name;
        }
    }
    closedir(dir);
    EXPECT_EQ(longest, 79u);
}
