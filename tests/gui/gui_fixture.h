// Headless CEGUI for the GUI tests: the Null renderer with a real display size, the
// project's skin and layouts from the run directory, and a fresh folder with its own
// config.cfg for every test.
#pragma once

#include "catalogue.h"
#include "game/game.h"
#include "probe.h"
#include "screens.h"
#include "settings.h"
#include "tests/support/pairing.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

class GuiEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        CEGUI::NullRenderer& renderer = CEGUI::NullRenderer::bootstrapSystem();
        renderer.setDisplaySize(CEGUI::Sizef(800, 600));
        CEGUI::System::getSingleton().notifyDisplaySizeChanged(CEGUI::Sizef(800, 600));
        auto* rp = static_cast<CEGUI::DefaultResourceProvider*>(
            CEGUI::System::getSingleton().getResourceProvider());
        rp->setResourceGroupDirectory("GUI", KORVANE_TEST_GUI_DIR);
        korvane::setUpGuiResources(CEGUI::System::getSingleton());
        // The cursor keeps the 0x0 area it was made with; give it the display's.
        const CEGUI::Rectf area(0, 0, 800, 600);
        CEGUI::System::getSingleton().getDefaultGUIContext().getMouseCursor().setConstraintArea(
            &area);
    }
    void TearDown() override { CEGUI::NullRenderer::destroySystem(); }
};

// Records every request the screens make of the rest of the game.
class RecordingBackend : public korvane::GuiBackend {
  public:
    korvane::GameState state;
    bool viewFlipped = false;
    std::vector<std::string> calls;
    bool maySelectPromotion = true;
    std::vector<std::string> systems{"OpenGL"};
    bool cartoon = true;
    std::string last;

    int count(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls)
            n += c == call;
        return n;
    }

    // A real game, when a test plays one; the recorded state otherwise.
    korvane::Game* game = nullptr;

    const korvane::GameState& gameState() override { return game ? game->state() : state; }
    void seatLocal() override {
        state.players = korvane::Players::local();
        if (game)
            game->seatLocal();
    }
    void leaveGame() override {
        state.players = korvane::Players();
        if (game)
            game->leave();
    }
    void newGame() override {
        state.sideToMove = korvane::Turn::White;
        calls.push_back("newGame");
        if (game)
            game->newGame();
    }
    // The half turn is recorded as "turnCamera".
    void showWhiteSide() override {
        if (viewFlipped)
            calls.push_back("turnCamera");
        viewFlipped = false;
    }
    void resetCamera() override {
        viewFlipped = false;
        calls.push_back("resetCamera");
    }
    void clearBoardMarks() override { calls.push_back("clearBoardMarks"); }
    void completePromotion(int code) override { calls.push_back("promote" + std::to_string(code)); }
    void resetPieceLooks() override { calls.push_back("resetPieceLooks"); }
    void flowFlagsChanged(bool f, bool h, bool l) override {
        calls.push_back(std::string("flags") + char('0' + f) + char('0' + h) + char('0' + l));
    }
    void requestQuit() override { calls.push_back("quit"); }
    void playClickSound() override { calls.push_back("click"); }
    std::vector<std::string> renderSystems() override { return systems; }
    bool cartoonShadersSupported() override { return cartoon; }
    void startVersionQuery() override { calls.push_back("version"); }
    void cancelVersionQuery() override { calls.push_back("cancelVersion"); }
    void network(korvane::NetRequest r) override {
        calls.push_back("net" + std::to_string(static_cast<int>(r)));
    }
    void connectTo(const std::string& address, bool typed) override {
        calls.push_back("connect " + address + (typed ? " typed" : ""));
    }
    std::string lastAddress() override { return last; }
    void sendChat(const std::string& text) override { calls.push_back("chat " + text); }
    bool mayChoosePromotion() override { return maySelectPromotion; }
};

inline const char* const kDefaultConfig = "[Video]\nRS=OpenGL\nW=1024\nH=768\nDepth=32\nAA=0\n"
                                          "FS=No\nVSync=Yes\nShadows=true\n\n[Game]\n"
                                          "Sounds=true\nFlipView=false\nHighlighting=true\n"
                                          "LastMoveHighlighting=true\nCartoon=false\n"
                                          "Lang=English\nPlayerName=Karel\n";

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "korvane-gui-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        writeAll("config.cfg", config());
        korvane::settings() = korvane::Settings();
        korvane::settings().playerName = "Karel";
    }
    void TearDown() override {
        screens_.reset();
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    virtual std::string config() const { return kDefaultConfig; }

    // Builds the GUI the way start-up does.
    korvane::Screens& build() {
        screens_ = std::make_unique<korvane::Screens>(backend);
        screens_->buildGui();
        return *screens_;
    }

    static CEGUI::Window* window(const std::string& name) {
        CEGUI::Window* w = korvane::findWindow(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static bool visible(const std::string& name) {
        CEGUI::Window* w = window(name);
        return w && w->isEffectiveVisible();
    }
    static bool enabled(const std::string& name) {
        CEGUI::Window* w = window(name);
        return w && !w->isEffectiveDisabled();
    }
    static bool active(const std::string& name) {
        CEGUI::Window* w = window(name);
        return w && w->isActive();
    }
    static std::string text(const std::string& name) {
        CEGUI::Window* w = window(name);
        return w ? std::string(w->getText().c_str()) : std::string();
    }
    static void setText(const std::string& name, const std::string& value) {
        if (CEGUI::Window* w = window(name))
            w->setText(reinterpret_cast<const CEGUI::utf8*>(value.c_str()));
    }
    static bool selected(const std::string& name) {
        auto* box = dynamic_cast<CEGUI::ToggleButton*>(window(name));
        return box && box->isSelected();
    }
    static void select(const std::string& name, bool on) {
        if (auto* box = dynamic_cast<CEGUI::ToggleButton*>(window(name)))
            box->setSelected(on);
    }

    // A click as CEGUI dispatches it: the window's own subscribers and the global set.
    static void click(const std::string& name) {
        CEGUI::Window* w = window(name);
        ASSERT_NE(w, nullptr);
        CEGUI::WindowEventArgs args(w);
        w->fireEvent(CEGUI::PushButton::EventClicked, args, CEGUI::PushButton::EventNamespace);
    }

    // The top-level catalogue windows currently effectively visible.
    static std::set<std::string> visibleTopLevel() {
        std::set<std::string> names;
        for (const auto& e : korvane::windowCatalogue()) {
            if (e.name == "Root" || e.name.find('/') != std::string::npos)
                continue;
            if (CEGUI::Window* w = korvane::findWindow(e.name); w && w->isEffectiveVisible())
                names.insert(e.name);
        }
        return names;
    }

    RecordingBackend backend;
    std::unique_ptr<korvane::Screens> screens_;

  private:
    std::filesystem::path dir_;
    std::filesystem::path old_;
};
