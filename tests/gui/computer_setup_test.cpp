// The main menu's entry for a game against the computer, its dialog and the Take Back button,
// headless.
#include "gui_fixture.h"

#include "computer_setup.h"

namespace {

class ComputerBackend : public RecordingBackend {
  public:
    std::string missing;
    std::vector<std::pair<int, int>> games; // colour, level
    int takeBacks = 0;

    std::string missingEngine() override { return missing; }
    void startComputerGame(int colour, int level) override { games.emplace_back(colour, level); }
    void takeBack() override { ++takeBacks; }
};

class ComputerSetupTest : public GuiTest {
  protected:
    korvane::Screens& buildComputer() {
        screens_ = std::make_unique<korvane::Screens>(computer);
        screens_->buildGui();
        return *screens_;
    }
    // Chooses the list item as a click on it does.
    static void choose(const std::string& box, const std::string& item) {
        auto* combo = dynamic_cast<CEGUI::Combobox*>(window(box));
        ASSERT_NE(combo, nullptr);
        CEGUI::ListboxItem* entry =
            combo->findItemWithText(reinterpret_cast<const CEGUI::utf8*>(item.c_str()), nullptr);
        ASSERT_NE(entry, nullptr) << item;
        combo->setItemSelectState(entry, true);
    }

    // The code's own texts have their glyphs and fit their window at 800x600 (a panel's title
    // less the room the skin keeps at its sides).
    static void expectFits(const std::string& name) {
        CEGUI::Window* w = window(name);
        ASSERT_NE(w, nullptr);
        const CEGUI::Font* font = w->getFont();
        ASSERT_NE(font, nullptr);
        const CEGUI::String& t = w->getText();
        for (std::size_t i = 0; i < t.length(); ++i)
            EXPECT_NE(font->getGlyphData(t[i]), nullptr) << name << " character " << t[i];
        const float sides = name.find('/') == std::string::npos ? 20.0f : 0.0f;
        EXPECT_LE(font->getTextExtent(t), w->getPixelSize().d_width - sides) << name;
    }

    ComputerBackend computer;
};

} // namespace

TEST_F(ComputerSetupTest, DialogStartsAsWhiteAtLevelOneAndStartsTheChosenGame) {
    buildComputer();
    EXPECT_TRUE(enabled("Menu/ComputerButton"));
    EXPECT_FALSE(visible("Menu/ComputerHint"));
    EXPECT_EQ(text("Menu/ComputerButton"), "Play the Computer");

    click("Menu/ComputerButton");
    EXPECT_TRUE(visible("ComputerSetup"));
    EXPECT_FALSE(enabled("Menu"));
    EXPECT_EQ(text("ComputerSetup/Colour"), "White");
    EXPECT_EQ(text("ComputerSetup/Level"), "1");
    EXPECT_EQ(dynamic_cast<CEGUI::Combobox*>(window("ComputerSetup/Level"))->getItemCount(), 8u);

    click("ComputerSetup/StartButton");
    ASSERT_EQ(computer.games.size(), 1u);
    EXPECT_EQ(computer.games[0], std::make_pair(0, 1));
    EXPECT_EQ(visibleTopLevel(), (std::set<std::string>{"LocalIngame", "MoveList", "StatusBar"}));
    EXPECT_TRUE(visible("LocalIngame/TakeBackButton"));
    EXPECT_EQ(text("LocalIngame"), "Computer");
    expectFits("LocalIngame");
    EXPECT_TRUE(active("LocalIngame"));
    EXPECT_TRUE(enabled("Menu"));

    click("LocalIngame/TakeBackButton");
    EXPECT_EQ(computer.takeBacks, 1);

    // Back in the menu, the dialog keeps the last choice.
    click("LocalIngame/QuitButton");
    click("Menu/ComputerButton");
    choose("ComputerSetup/Colour", "Black");
    choose("ComputerSetup/Level", "7");
    click("ComputerSetup/StartButton");
    choose("ComputerSetup/Colour", "Random");
    choose("ComputerSetup/Level", "8");
    click("ComputerSetup/StartButton");
    ASSERT_EQ(computer.games.size(), 3u);
    EXPECT_EQ(computer.games[1], std::make_pair(1, 7));
    EXPECT_EQ(computer.games[2], std::make_pair(2, 8));
}

TEST_F(ComputerSetupTest, CancelGoesBackToTheMenuWithoutAGame) {
    buildComputer();
    click("Menu/ComputerButton");
    click("ComputerSetup/CancelButton");
    EXPECT_TRUE(computer.games.empty());
    EXPECT_EQ(visibleTopLevel(), (std::set<std::string>{"Logo", "Menu"}));
    EXPECT_TRUE(enabled("Menu"));
    EXPECT_TRUE(active("Menu"));
}

TEST_F(ComputerSetupTest, WithoutTheEngineTheEntryIsOffAndSaysWhatToInstall) {
    computer.missing = korvane::kDefaultEngine;
    buildComputer();
    EXPECT_FALSE(enabled("Menu/ComputerButton"));
    EXPECT_TRUE(visible("Menu/ComputerHint"));
    EXPECT_EQ(text("Menu/ComputerHint"), "Install the stockfish package");
    EXPECT_EQ(std::string(window("Menu/ComputerButton")->getTooltipText().c_str()),
              "Install the stockfish package");
    // Another configured program is named, since no package brings it.
    computer.missing = "/opt/engines/mine";
    buildComputer();
    EXPECT_EQ(text("Menu/ComputerHint"), "Engine not found: /opt/engines/mine");
    // An engine installed meanwhile counts at the next build.
    computer.missing.clear();
    buildComputer();
    EXPECT_TRUE(enabled("Menu/ComputerButton"));
    EXPECT_FALSE(visible("Menu/ComputerHint"));
}

TEST_F(ComputerSetupTest, StatusBarSaysWhileTheComputerThinksAndWhenItFailed) {
    korvane::Screens& screens = buildComputer();
    click("Menu/ComputerButton");
    click("ComputerSetup/StartButton");
    screens.computer().showThinking();
    EXPECT_FALSE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));
    EXPECT_TRUE(visible("StatusBar/Result"));
    EXPECT_EQ(text("StatusBar/Result"), "Computer is thinking…");
    expectFits("StatusBar/Result");
    screens.showSideToMove(0);
    EXPECT_FALSE(visible("StatusBar/Result"));
    screens.computer().showEngineFailed();
    EXPECT_EQ(text("StatusBar/Result"), "Computer failed");
    expectFits("StatusBar/Result");
    screens.computer().showComputerPanel(false);
    EXPECT_TRUE(visible("LocalIngame/TakeBackButton"));
    EXPECT_EQ(text("LocalIngame"), "Local Game");
}

class CzechComputerSetupTest : public ComputerSetupTest {
  protected:
    std::string config() const override {
        std::string c = kDefaultConfig;
        c.replace(c.find("Lang=English"), 12, "Lang=Cesky");
        return c;
    }
};

TEST_F(CzechComputerSetupTest, CzechTextsAndTheSameChoices) {
    computer.missing = korvane::kDefaultEngine;
    buildComputer();
    EXPECT_EQ(text("Menu/ComputerButton"), "Hrát s počítačem");
    EXPECT_EQ(text("Menu/ComputerHint"), "Nainstalujte balíček stockfish");
    computer.missing.clear();
    buildComputer();
    click("Menu/ComputerButton");
    EXPECT_EQ(text("ComputerSetup/Colour"), "Bílé");
    choose("ComputerSetup/Colour", "Černé");
    click("ComputerSetup/StartButton");
    ASSERT_EQ(computer.games.size(), 1u);
    EXPECT_EQ(computer.games[0], std::make_pair(1, 1));
    korvane::Screens& screens = *screens_;
    screens.computer().showThinking();
    EXPECT_EQ(text("StatusBar/Result"), "Počítač přemýšlí…");
    expectFits("StatusBar/Result");
    screens.computer().showEngineFailed();
    expectFits("StatusBar/Result");
    EXPECT_EQ(text("LocalIngame"), "Počítač");
    expectFits("LocalIngame");
}
