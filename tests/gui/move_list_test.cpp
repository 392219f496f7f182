// The local game's record on screen, headless: the move list, Take Back, Claim Draw and draws
// by rule, saving and loading games. A real game drives the screens through the screens view,
// as in the game itself.
#include "full_disk.h"
#include "gui_fixture.h"
#include "tests/support/pairing.h"

#include "game/game.h"
#include "game_files.h"
#include "game_view.h"
#include "san.h"
#include "texts.h"

#include <cstring>
#include <regex>

using namespace korvane::testing;

namespace {

// A local game that reports to the screens under test; Take Back goes to the game.
class FlowBackend : public RecordingBackend {
  public:
    korvane::Game* flow = nullptr;
    const korvane::GameState& gameState() override { return flow ? flow->state() : state; }
    void seatLocal() override {
        if (flow)
            flow->seatLocal();
    }
    void leaveGame() override {
        if (flow)
            flow->leave();
    }
    void newGame() override {
        RecordingBackend::newGame();
        if (flow)
            flow->newGame();
    }
    void takeBack() override {
        calls.push_back("takeBack");
        if (flow)
            flow->takeBack();
    }
    korvane::DrawReason claimableDraw() override {
        return flow ? flow->canClaimDraw() : korvane::DrawReason::None;
    }
    void claimDraw() override {
        calls.push_back("claimDraw");
        flow->claimDraw();
    }
    const korvane::GameHistory* gameHistory() override { return &flow->history(); }
    bool loadGame(const korvane::PgnGame&, korvane::Replay& replayed, std::string& error) override {
        if (!flow->loadGame(replayed, &error))
            return false;
        seatAs(*flow, Pairing::Local);
        return true;
    }
};

class MoveListTest : public GuiTest {
  protected:
    void startLocal() {
        screens_ = std::make_unique<korvane::Screens>(game);
        screens_->buildGui();
        flow_ = std::make_unique<korvane::Game>();
        view_ = std::make_unique<korvane::GameScreensView>(*screens_);
        flow_->addObserver(*view_);
        game.flow = flow_.get();
        click("Menu/LocalButton");
    }
    void play(std::initializer_list<const char*> moves) {
        for (const char* san : moves) {
            korvane::Move m;
            std::string error;
            ASSERT_TRUE(korvane::resolveSan(
                flow_->position(), korvane::colourOf(game.gameState().sideToMove), san, m, &error))
                << san << ": " << error;
            ASSERT_TRUE(flow_->playMove(m)) << san;
        }
    }
    static std::vector<std::string> lines() {
        std::vector<std::string> out;
        auto* list = dynamic_cast<CEGUI::Listbox*>(window("MoveList/Moves"));
        if (!list)
            return out;
        for (std::size_t i = 0; i < list->getItemCount(); ++i)
            out.emplace_back(list->getListboxItemFromIndex(i)->getText().c_str());
        return out;
    }
    void TearDown() override {
        game.flow = nullptr;
        flow_.reset();
        view_.reset();
        GuiTest::TearDown();
    }

    FlowBackend game;
    std::unique_ptr<korvane::GameScreensView> view_;
    std::unique_ptr<korvane::Game> flow_;
};

// A capture of each side, a queen lost, a move number past the first.
const std::initializer_list<const char*> kScandinavian = {"e4",  "d5",   "exd5", "Qxd5",
                                                          "Nc3", "Qxa2", "Rxa2"};

} // namespace

TEST_F(MoveListTest, ListsNumberedMovesAndLossesInTheGameAndGoesWithIt) {
    startLocal();
    EXPECT_TRUE(visible("MoveList"));
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(text("MoveList/Captured"), "White lost:\nBlack lost:");

    play(kScandinavian);
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"1. e4 d5", "2. exd5 Qxd5", "3. Nc3 Qxa2", "4. Rxa2"}));
    EXPECT_EQ(text("MoveList/Captured"), "White lost: P P\nBlack lost: Q P");

    // Restart empties it; leaving the game takes the panel away.
    flow_->newGame();
    EXPECT_TRUE(lines().empty());
    click("LocalIngame/QuitButton");
    EXPECT_FALSE(visible("MoveList"));
}

TEST_F(MoveListTest, TakeBackInALocalGameGoesOneMoveAtATimeToTheStart) {
    startLocal();
    EXPECT_TRUE(visible("LocalIngame/TakeBackButton"));
    play({"e4", "e5", "Nf3"});
    click("LocalIngame/TakeBackButton");
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5"}));
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    click("LocalIngame/TakeBackButton");
    click("LocalIngame/TakeBackButton");
    EXPECT_TRUE(lines().empty());
    // At the start there is nothing more to take.
    click("LocalIngame/TakeBackButton");
    EXPECT_EQ(game.count("takeBack"), 4);
    EXPECT_EQ(flow_->fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST_F(MoveListTest, ScrollsToTheNewestMoveAndALongLineFits) {
    startLocal();
    // A pawn step of each side between the knights' rounds: no position comes back often
    // enough to end the game.
    for (const char* file : {"a3", "b3", "c3", "d3", "e3", "g3", "h3", "a4"}) {
        const std::string white = file;
        std::string black = white;
        black[1] = white[1] == '3' ? '6' : '5';
        play({white.c_str(), black.c_str(), "Nf3", "Nf6", "Ng1", "Ng8"});
    }
    auto* list = dynamic_cast<CEGUI::Listbox*>(window("MoveList/Moves"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->getItemCount(), 24u);
    EXPECT_EQ(lines().back(), "24. Ng1 Ng8");
    CEGUI::Scrollbar* bar = list->getVertScrollbar();
    EXPECT_GT(bar->getScrollPosition(), 0.0f);
    EXPECT_FLOAT_EQ(bar->getScrollPosition(), bar->getDocumentSize() - bar->getPageSize());

    // A long line of a long game beside the scrollbar: nothing is cut at 800x600.
    const float room = list->getListRenderArea().getWidth();
    EXPECT_LE(list->getFont()->getTextExtent("188. Qxf7+ Kxf7"), room);
    CEGUI::Window* captured = window("MoveList/Captured");
    EXPECT_LE(captured->getFont()->getTextExtent("Black lost: Q R R"),
              captured->getPixelSize().d_width);
}

class CzechMoveListTest : public MoveListTest {
  protected:
    std::string config() const override {
        std::string c = kDefaultConfig;
        c.replace(c.find("Lang=English"), 12, "Lang=Cesky");
        return c;
    }
};

TEST_F(CzechMoveListTest, CzechLettersForMovesAndLosses) {
    startLocal();
    play(kScandinavian);
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"1. e4 d5", "2. exd5 Dxd5", "3. Jc3 Dxa2", "4. Vxa2"}));
    EXPECT_EQ(text("MoveList/Captured"), "Bílý ztratil: P P\nČerný ztratil: D P");
}

TEST_F(MoveListTest, ClaimDrawIsOfferedOnlyWhileAClaimStandsAndEndsTheGame) {
    startLocal();
    EXPECT_FALSE(visible("LocalIngame/ClaimDrawButton"));
    // The start position comes back a second and a third time.
    play({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1"});
    EXPECT_FALSE(visible("LocalIngame/ClaimDrawButton"));
    play({"Ng8"});
    EXPECT_TRUE(visible("LocalIngame/ClaimDrawButton"));
    click("LocalIngame/TakeBackButton");
    EXPECT_FALSE(visible("LocalIngame/ClaimDrawButton"));
    play({"Ng8"});
    click("LocalIngame/ClaimDrawButton");
    EXPECT_TRUE(visible("GameEnd"));
    EXPECT_TRUE(visible("GameEnd/Draw"));
    EXPECT_FALSE(visible("GameEnd/Checkmate"));
    EXPECT_FALSE(visible("GameEnd/WhiteWon"));
    EXPECT_EQ(text("GameEnd/Draw"), "Draw by threefold repetition");
    EXPECT_EQ(text("StatusBar/Result"), "Draw by threefold repetition");
    EXPECT_EQ(game.gameState().sideToMove, korvane::Turn::Over);
    EXPECT_FALSE(flow_->playMove(korvane::Move(korvane::Square(6), korvane::Square(21))));
}

TEST_F(MoveListTest, ADrawByItselfEndsTheGameWithItsReason) {
    startLocal();
    ASSERT_TRUE(flow_->loadGame("8/8/8/8/8/8/4k3/K3R3 b - - 0 1", {}));
    EXPECT_FALSE(visible("GameEnd"));
    play({"Kxe1"});
    EXPECT_TRUE(visible("GameEnd"));
    EXPECT_TRUE(visible("GameEnd/Draw"));
    EXPECT_FALSE(visible("GameEnd/Stalemate"));
    EXPECT_EQ(text("StatusBar/Result"), "Draw by insufficient material");
    EXPECT_FALSE(visible("LocalIngame"));
    EXPECT_FALSE(flow_->playMove(korvane::Move(korvane::Square(0), korvane::Square(1))));
    // The drawing move can still go back in a local game, and play goes on.
    click("GameEnd/OKButton");
    click("LocalIngame/TakeBackButton");
    EXPECT_EQ(game.gameState().sideToMove, korvane::Turn::Black);
    EXPECT_TRUE(visible("StatusBar/BlackOnMove"));
    EXPECT_TRUE(lines().empty());
}

TEST_F(MoveListTest, SaveWritesTheGameAsPgnUnderATypedNameAndRefusesBadNames) {
    startLocal();
    play({"e4", "e5"});
    click("LocalIngame/SaveButton");
    EXPECT_TRUE(visible("SaveGame"));
    EXPECT_FALSE(enabled("LocalIngame"));
    EXPECT_TRUE(
        std::regex_match(text("SaveGame/Name"), std::regex(R"(\d{4}-\d{2}-\d{2}-\d{4}\.pgn)")))
        << text("SaveGame/Name");

    for (const char* bad : {"../escape", "a/b", ".hidden", "  "}) {
        setText("SaveGame/Name", bad);
        click("SaveGame/SaveButton");
        EXPECT_TRUE(visible("SaveGame")) << bad;
        EXPECT_FALSE(text("SaveGame/Message").empty()) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists("games"));

    setText("SaveGame/Name", "first game");
    click("SaveGame/SaveButton");
    EXPECT_FALSE(visible("SaveGame"));
    EXPECT_TRUE(enabled("LocalIngame"));
    const std::string pgn = readAll("games/first game.pgn");
    EXPECT_NE(pgn.find("[White \"Karel\"]\n[Black \"Karel\"]\n[Result \"*\"]"), std::string::npos)
        << pgn;
    EXPECT_NE(pgn.find("\n1. e4 e5 *"), std::string::npos) << pgn;
}

TEST_F(MoveListTest, LoadListsTheGamesAndLoadsAllOrNothing) {
    startLocal();
    play({"d4"});
    std::filesystem::create_directory("games");
    writeAll("games/good.pgn", "[Event \"?\"]\n\n1. e4 e5 2. Nf3 *\n");
    writeAll("games/bad.pgn", "[Event \"?\"]\n\n1. e4 e5\n2. Ke3 *\n");
    writeAll("games/notes.txt", "1. e4 *\n");
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    EXPECT_TRUE(visible("LoadGame"));
    EXPECT_FALSE(enabled("Menu"));
    auto* files = dynamic_cast<CEGUI::Listbox*>(window("LoadGame/Files"));
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->getItemCount(), 2u);
    EXPECT_EQ(std::string(files->getListboxItemFromIndex(0)->getText().c_str()), "good.pgn");

    files->setItemSelectState(std::size_t(1), true);
    click("LoadGame/LoadButton");
    EXPECT_TRUE(visible("LoadGame"));
    EXPECT_EQ(text("LoadGame/Message").rfind("Line 4: ", 0), 0u) << text("LoadGame/Message");
    EXPECT_EQ(flow_->fen(), "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 1");
    EXPECT_EQ(pairingOf(game.gameState()), Pairing::None);

    files->setItemSelectState(std::size_t(0), true);
    click("LoadGame/LoadButton");
    EXPECT_EQ(visibleTopLevel(), (std::set<std::string>{"LocalIngame", "MoveList", "StatusBar"}));
    EXPECT_EQ(flow_->fen(), "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5", "2. Nf3"}));
    EXPECT_TRUE(visible("StatusBar/BlackOnMove"));
}

TEST_F(MoveListTest, ANetworkClaimTakesTheOffersPlaceAndTheGameSavesFromItsPanel) {
    startLocal();
    play({"Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8"});
    seatAs(*flow_, Pairing::NetworkWhite);
    screens_->hostingStarted();
    screens_->movesChanged(flow_->history());
    EXPECT_TRUE(visible("NetworkIngame/ClaimDrawButton"));
    EXPECT_FALSE(visible("NetworkIngame/DrawButton"));
    EXPECT_FALSE(visible("LocalIngame/ClaimDrawButton"));
    click("NetworkIngame/ClaimDrawButton");
    EXPECT_EQ(game.count("claimDraw"), 1);

    click("NetworkIngame/SaveButton");
    EXPECT_TRUE(visible("SaveGame"));
    EXPECT_FALSE(enabled("NetworkIngame"));
    // Enter keeps to the file name instead of opening the chat line.
    EXPECT_FALSE(screens_->openChatLine());
    click("SaveGame/CancelButton");
    EXPECT_TRUE(enabled("NetworkIngame"));

    play({"e4"});
    EXPECT_FALSE(visible("NetworkIngame/ClaimDrawButton"));
    EXPECT_TRUE(visible("NetworkIngame/DrawButton"));
}

TEST_F(MoveListTest, AGameLoadedAtItsEndOpensOnItsGameEndWindow) {
    startLocal();
    std::filesystem::create_directory("games");
    writeAll("games/mate.pgn", "[Result \"0-1\"]\n\n1. f3 e5 2. g4 Qh4# 0-1\n");
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    auto* files = dynamic_cast<CEGUI::Listbox*>(window("LoadGame/Files"));
    ASSERT_NE(files, nullptr);
    files->setItemSelectState(std::size_t(0), true);
    click("LoadGame/LoadButton");
    EXPECT_TRUE(visible("GameEnd"));
    EXPECT_TRUE(visible("GameEnd/Checkmate"));
    EXPECT_TRUE(visible("GameEnd/BlackWon"));
    EXPECT_FALSE(visible("LocalIngame"));
    click("GameEnd/OKButton");
    EXPECT_TRUE(visible("LocalIngame"));
}

TEST(GameFileNames, TheOfferedNameIsFreeInTheFolder) {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("korvane-names-" + std::to_string(::getpid())))
            .string();
    std::filesystem::create_directories(folder);
    const std::time_t when = 1765300000;
    const std::string name = korvane::defaultGameFileName(when);
    EXPECT_EQ(korvane::freeGameFileName(folder, when), name);
    writeAll(folder + "/" + name, "1. e4 *\n");
    const std::string stem = name.substr(0, name.size() - 4);
    EXPECT_EQ(korvane::freeGameFileName(folder, when), stem + "-2.pgn");
    writeAll(folder + "/" + stem + "-2.pgn", "1. d4 *\n");
    EXPECT_EQ(korvane::freeGameFileName(folder, when), stem + "-3.pgn");
    std::filesystem::remove_all(folder);
}

TEST_F(MoveListTest, SavingUnderAnExistingNameAsksFirstAndReplacesOnTheSecondSave) {
    startLocal();
    std::filesystem::create_directory("games");
    writeAll("games/old.pgn", "[Event \"old\"]\n\n1. d4 *\n");
    play({"e4"});
    click("LocalIngame/SaveButton");
    EXPECT_FALSE(std::filesystem::exists("games/" + text("SaveGame/Name")));
    setText("SaveGame/Name", "old");
    click("SaveGame/SaveButton");
    EXPECT_TRUE(visible("SaveGame"));
    EXPECT_EQ(text("SaveGame/Message"), korvane::englishTexts().gameFileExists);
    EXPECT_EQ(readAll("games/old.pgn"), "[Event \"old\"]\n\n1. d4 *\n");
    // Another name in between asks again for its own file.
    setText("SaveGame/Name", "new");
    click("SaveGame/SaveButton");
    EXPECT_FALSE(visible("SaveGame"));
    click("LocalIngame/SaveButton");
    setText("SaveGame/Name", "old");
    click("SaveGame/SaveButton");
    EXPECT_TRUE(visible("SaveGame"));
    click("SaveGame/SaveButton");
    EXPECT_FALSE(visible("SaveGame"));
    EXPECT_NE(readAll("games/old.pgn").find("\n1. e4 *"), std::string::npos);
}

TEST_F(MoveListTest, SavingOverAGameOnAFullDiskLeavesItByteForByteAndSaysWhy) {
    std::filesystem::create_directory("games");
    FullDisk disk;
    std::string why;
    if (!disk.mount(std::filesystem::absolute("games").string(), why))
        GTEST_SKIP() << why;
    std::string old = "[Event \"old\"]\n\n1. d4 d5 *\n";
    writeAll("games/old.pgn", old);
    disk.fill();
    startLocal();
    // A game longer than the old one, so that it cannot fit where the old one was.
    play({"e4",  "e5", "Nf3", "Nc6", "Bb5", "a6",  "Ba4", "Nf6", "O-O", "Be7",
          "Re1", "b5", "Bb3", "d6",  "c3",  "O-O", "h3",  "Nb8", "d4",  "Nbd7"});
    click("LocalIngame/SaveButton");
    setText("SaveGame/Name", "old.pgn");
    click("SaveGame/SaveButton");
    click("SaveGame/SaveButton");
    EXPECT_TRUE(visible("SaveGame"));
    EXPECT_EQ(text("SaveGame/Message"), std::string(korvane::englishTexts().cannotSave) +
                                            "games/old.pgn: " + std::strerror(ENOSPC));
    EXPECT_EQ(readAll("games/old.pgn"), old);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator("games"))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".fill", "old.pgn"}));
}

TEST_F(MoveListTest, AFileWhoseReadFailsIsRefusedWithItsNameAndTheReason) {
    startLocal();
    play({"d4"});
    std::filesystem::create_directory("games");
    std::filesystem::create_symlink("/proc/self/mem", "games/mem.pgn");
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    auto* files = dynamic_cast<CEGUI::Listbox*>(window("LoadGame/Files"));
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->getItemCount(), 1u);
    click("LoadGame/LoadButton");
    EXPECT_TRUE(visible("LoadGame"));
    EXPECT_EQ(text("LoadGame/Message"), std::string(korvane::englishTexts().cannotRead) +
                                            "games/mem.pgn: " + std::strerror(EIO));
    EXPECT_EQ(flow_->fen(), "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 1");
}

TEST_F(MoveListTest, AFileNameThatIsNotUtf8IsListedReadablyAndLoads) {
    startLocal();
    std::filesystem::create_directory("games");
    writeAll("games/partie-\xe9t\xe9.pgn", "1. e4 e5 2. Nf3 *\n");
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    auto* files = dynamic_cast<CEGUI::Listbox*>(window("LoadGame/Files"));
    ASSERT_NE(files, nullptr);
    ASSERT_EQ(files->getItemCount(), 1u);
    EXPECT_EQ(std::string(files->getListboxItemFromIndex(0)->getText().c_str()),
              "partie-\xEF\xBF\xBDt\xEF\xBF\xBD.pgn");
    click("LoadGame/LoadButton");
    EXPECT_FALSE(visible("LoadGame")) << text("LoadGame/Message");
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5", "2. Nf3"}));
}

TEST_F(MoveListTest, AMoveChangesOnlyTheLastRowOfTheList) {
    startLocal();
    play({"e4", "e5", "Nf3"});
    auto* list = dynamic_cast<CEGUI::Listbox*>(window("MoveList/Moves"));
    ASSERT_NE(list, nullptr);
    const CEGUI::ListboxItem* first = list->getListboxItemFromIndex(0);
    play({"Nc6"});
    EXPECT_EQ(list->getListboxItemFromIndex(0), first);
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5", "2. Nf3 Nc6"}));
    click("LocalIngame/TakeBackButton");
    click("LocalIngame/TakeBackButton");
    EXPECT_EQ(list->getListboxItemFromIndex(0), first);
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5"}));
}

TEST_F(MoveListTest, ABigFileIsReadOffTheFrameWithAProgressLine) {
    startLocal();
    std::filesystem::create_directory("games");
    // Big by its size: a long comment before a short game.
    writeAll("games/big.pgn", "{" + std::string(200000, 'c') + "}\n1. e4 e5 2. Nf3 *\n");
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    click("LoadGame/LoadButton");
    EXPECT_EQ(text("LoadGame/Message"),
              std::string(korvane::englishTexts().loadingGame) + "games/big.pgn");
    EXPECT_TRUE(visible("LoadGame"));
    ASSERT_TRUE(screens_->files().pollLoad(true));
    EXPECT_FALSE(visible("LoadGame")) << text("LoadGame/Message");
    EXPECT_EQ(lines(), (std::vector<std::string>{"1. e4 e5", "2. Nf3"}));
    EXPECT_FALSE(screens_->files().pollLoad(true));

    // Cancelled while it is read: the read's end changes nothing.
    click("LocalIngame/QuitButton");
    click("Menu/LoadButton");
    click("LoadGame/LoadButton");
    click("LoadGame/CancelButton");
    ASSERT_TRUE(screens_->files().pollLoad(true));
    EXPECT_FALSE(visible("LoadGame"));
    EXPECT_TRUE(visible("Menu"));
}
