// Prints what loading long game files costs through the Load Game dialog, headless: the
// click that loads (the whole load happens inside it, so it is the longest frame of a load),
// reading alone, and one move's refresh of the move list afterwards. Also prints what the
// move list cost when it was filled one item at a time, for comparison. Not a test.
//   korvane-load-bench [PLIES]   (PLIES: the length of the generated legal game, 6000)
#include "gui_fixture.h"

#include "game_files.h"
#include "game_view.h"
#include "move_list.h"
#include "pgn.h"
#include "san.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

using namespace korvane;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class BenchBackend : public RecordingBackend {
  public:
    Game* flow = nullptr;
    const GameState& gameState() override { return flow->state(); }
    void seatLocal() override { flow->seatLocal(); }
    void leaveGame() override { flow->leave(); }
    const GameHistory* gameHistory() override { return &flow->history(); }
    bool loadGame(const PgnGame&, Replay& replayed, std::string& error) override {
        if (!flow->loadGame(replayed, &error))
            return false;
        flow->seatLocal();
        return true;
    }
};

// A legal game as long as the rules let it be: pieces wander without repeating a position
// three times, and a pawn moves or a piece is taken only when the 75-move rule is near.
std::string longLegalGame(std::size_t plies) {
    Game game(false);
    game.seatLocal();
    std::mt19937 random(7);
    while (game.history().size() < plies) {
        const int side = colourOf(game.state().sideToMove);
        std::vector<Move> legal;
        for (const Fig& p : game.position().sets[side].pieces)
            for (int k = 0; k < p.moveCount; ++k) {
                const int from = squareIndex(p.x, p.y), to = p.moves[k];
                const bool promotes = p.kind == PawnKind && (to / 8 == 0 || to / 8 == 7);
                legal.push_back(Move(Square(from), Square(to), promotes ? QueenKind : 0));
            }
        if (legal.empty())
            break;
        std::shuffle(legal.begin(), legal.end(), random);
        const int clock = game.history().counters().halfmoveClock;
        bool played = false;
        for (int pass = 0; pass < 2 && !played; ++pass)
            for (const Move& m : legal) {
                if (!game.playMove(m))
                    continue;
                const bool irreversible = game.history().counters().halfmoveClock == 0;
                const bool ok =
                    pass == 1 ||
                    ((irreversible == (clock >= 140)) && game.history().repetitions() < 3 &&
                     automaticDraw(game.history(), game.position(), game.state().sideToMove) ==
                         DrawReason::None &&
                     isColour(game.state().sideToMove) &&
                     game.position().sets[colourOf(game.state().sideToMove)].legalMoveTotal > 0);
                if (ok) {
                    played = true;
                    break;
                }
                game.takeBack();
            }
        if (std::getenv("KORVANE_BENCH_DEBUG"))
            std::fprintf(stderr, "ply %zu clock %d played %d %s\n", game.history().size(), clock,
                         played, game.fen().c_str());
        if (!played || automaticDraw(game.history(), game.position(), game.state().sideToMove) !=
                           DrawReason::None)
            break;
    }
    return writePgn(game.history(), PgnHeader(), PgnResult::Unfinished);
}

struct Scene {
    BenchBackend backend;
    Game flow;
    std::unique_ptr<Screens> screens;
    std::unique_ptr<GameScreensView> view;
    Scene() {
        backend.flow = &flow;
        screens = std::make_unique<Screens>(backend);
        screens->buildGui();
        view = std::make_unique<GameScreensView>(*screens);
        flow.addObserver(*view);
    }
};

void click(const std::string& name) {
    CEGUI::Window* w = findWindow(name);
    CEGUI::WindowEventArgs args(w);
    w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
}

void measure(const char* what, const std::string& text) {
    writeAll("games/bench.pgn", text);
    PgnGame game;
    PgnError error;
    const auto reading = Clock::now();
    const bool read = readPgn(text, game, error);
    const double readMs = msSince(reading);
    Scene scene;
    click("Menu/LoadButton");
    // Frames of 16 ms as the game's loop has them: the click, then one poll a frame until the
    // file has been read and set up (or refused).
    const auto begin = Clock::now();
    auto start = begin;
    click("LoadGame/LoadButton");
    double longest = msSince(start);
    int frames = 1;
    while (findWindow("LoadGame")->isVisible() &&
           std::string(findWindow("LoadGame/Message")->getText().c_str())
                   .rfind(texts().loadingGame, 0) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        start = Clock::now();
        scene.screens->files().pollLoad();
        longest = std::max(longest, msSince(start));
        ++frames;
    }
    const double loadMs = msSince(begin);
    const std::string message = std::string(findWindow("LoadGame/Message")->getText().c_str());
    std::printf("%-26s %7zu bytes  read alone %7.2f ms  load %7.2f ms over %3d frames, "
                "longest frame %6.2f ms  %s\n",
                what, text.size(), readMs, loadMs, frames, longest,
                read ? ("loaded, " + std::to_string(game.moves.size()) + " plies").c_str()
                     : ("refused: " + message).c_str());
    if (read && scene.flow.state().boardOpen() && !game.moves.empty()) {
        // One move more (or one back): the move list's refresh with a long game on it.
        const auto start = Clock::now();
        scene.flow.takeBack();
        std::printf("%-28s %8s        one Take Back with the list refresh %7.2f ms\n", "", "",
                    msSince(start));
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t plies = argc > 1 ? std::stoul(argv[1]) : 6000;
    CEGUI::NullRenderer& renderer = CEGUI::NullRenderer::bootstrapSystem();
    renderer.setDisplaySize(CEGUI::Sizef(800, 600));
    auto* rp = static_cast<CEGUI::DefaultResourceProvider*>(
        CEGUI::System::getSingleton().getResourceProvider());
    rp->setResourceGroupDirectory("GUI", KORVANE_TEST_GUI_DIR);
    setUpGuiResources(CEGUI::System::getSingleton());
    char folder[] = "/tmp/korvane-load-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    std::filesystem::current_path(folder);
    writeAll("config.cfg", kDefaultConfig);
    std::filesystem::create_directory("games");

    std::string shuffle;
    for (int i = 0; i < 10000; ++i)
        shuffle +=
            std::to_string(2 * i + 1) + ". Nf3 Nf6 " + std::to_string(2 * i + 2) + ". Ng1 Ng8\n";
    measure("40,000 plies of shuffling", shuffle + "*\n");

    const std::string one = "[Event \"x\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O "
                            "Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 *\n\n";
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += one;
    measure("300 games", many);

    const auto made = Clock::now();
    const std::string legal = longLegalGame(plies);
    std::printf("(generated the long legal game in %.0f ms)\n", msSince(made));
    measure("long legal game", legal);

    // The move list as it was filled before: one item at a time, each re-measuring all rows.
    PgnGame game;
    PgnError error;
    if (readPgn(legal, game, error)) {
        Scene scene;
        scene.flow.loadGame(game.startFen, game.moves);
        const std::vector<std::string> rows =
            moveListLines(scene.flow.history(), PieceLetters::English);
        auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("MoveList/Moves"));
        auto start = Clock::now();
        list->resetList();
        for (const std::string& row : rows)
            list->addItem(listItem(row));
        const double oneByOne = msSince(start);
        list->resetList();
        start = Clock::now();
        setListRows(*list, rows);
        std::printf("move list of %zu rows: one item at a time %.1f ms, in one step %.1f ms\n",
                    rows.size(), oneByOne, msSince(start));
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    CEGUI::NullRenderer::destroySystem();
    return 0;
}
