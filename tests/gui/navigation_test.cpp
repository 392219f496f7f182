#include "gui_fixture.h"

#include <cmath>

using Names = std::set<std::string>;
const CEGUI::EventArgs kNoArgs;

TEST_F(GuiTest, LayoutOfEachLanguageHasEveryCatalogueWindowInItsStartState) {
    for (const char* lang : {"English", "Cesky"}) {
        SCOPED_TRACE(lang);
        writeAll("config.cfg", std::string("[Game]\nLang=") + lang + "\n");
        build();
        for (const auto& e : korvane::windowCatalogue()) {
            CEGUI::Window* w = korvane::findWindow(e.name);
            ASSERT_NE(w, nullptr) << e.name;
            EXPECT_TRUE(korvane::hasKind(w, e.kind)) << e.name;
            const std::size_t slash = e.name.find('/');
            if (e.name.compare(0, 3, "CH/") == 0) {
                EXPECT_TRUE(w->isAncestor(window("ChatHistory"))) << e.name;
                EXPECT_EQ(text(e.name), "") << e.name;
            } else if (slash != std::string::npos) {
                EXPECT_TRUE(w->isAncestor(window(e.name.substr(0, slash)))) << e.name;
            } else if (e.name != "Root") {
                EXPECT_EQ(w->getParent(), window("Root")) << e.name;
            }
        }
        EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
        EXPECT_TRUE(active("Menu"));
    }
}

TEST_F(GuiTest, OnlyTheExactCzechValueLoadsTheCzechLayout) {
    auto menuText = [this](const std::string& lang) {
        writeAll("config.cfg", "[Game]\nLang=" + lang + "\n");
        build();
        return text("Menu/LocalButton");
    };
    const std::string english = menuText("English");
    const std::string czech = menuText("Cesky");
    EXPECT_NE(english, czech);
    EXPECT_EQ(menuText("cesky"), english);
    EXPECT_EQ(menuText("CESKY"), english);
    EXPECT_EQ(menuText(""), english);
}

TEST_F(GuiTest, LocalGameStartsLeavesAndRestarts) {
    build();
    backend.state.viewFlipped = true;
    backend.state.sideToMove = 1;
    click("Menu/LocalButton");
    EXPECT_EQ(backend.state.gameMode, 0);
    EXPECT_EQ(backend.state.sideToMove, 0);
    EXPECT_FALSE(backend.state.viewFlipped);
    EXPECT_EQ(backend.count("newGame"), 1);
    EXPECT_EQ(backend.count("turnCamera"), 1);
    EXPECT_EQ(visibleTopLevel(), (Names{"LocalIngame", "StatusBar"}));
    EXPECT_TRUE(active("LocalIngame"));
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));

    // Black to move, then restart: white again, windows and mode untouched.
    backend.state.sideToMove = 1;
    screens_->showSideToMove(1);
    click("LocalIngame/RestartButton");
    EXPECT_EQ(backend.state.sideToMove, 0);
    EXPECT_EQ(backend.count("newGame"), 2);
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));
    EXPECT_EQ(visibleTopLevel(), (Names{"LocalIngame", "StatusBar"}));

    // Leaving keeps the status bar over the menu.
    click("LocalIngame/QuitButton");
    EXPECT_EQ(backend.state.gameMode, -1);
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_TRUE(active("Menu"));

    // An unflipped view is not turned.
    click("Menu/LocalButton");
    EXPECT_EQ(backend.count("turnCamera"), 1);
}

TEST_F(GuiTest, NetworkMenuOpensAndGoesBack) {
    build();
    click("Menu/NetworkButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkMenu"}));
    EXPECT_TRUE(active("NetworkMenu"));
    click("NetworkMenu/BackButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
    EXPECT_TRUE(active("Menu"));
}

TEST_F(GuiTest, NetworkScreensMakeTheirWindowChanges) {
    build();
    click("Menu/NetworkButton");
    click("NetworkMenu/JoinButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"JoinGame"}));
    EXPECT_EQ(backend.count("net1"), 1); // search started

    // Connect with nothing selected and no dialog does nothing.
    click("JoinGame/ConnectButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"JoinGame"}));

    backend.last = "127.0.0.1";
    click("JoinGame/DirectButton");
    EXPECT_EQ(text("JoinGameDirect/Line"), "127.0.0.1");
    EXPECT_FALSE(enabled("JoinGame"));
    EXPECT_TRUE(visible("JoinGameDirect"));
    click("JoinGameDirect/ConnectButton");
    EXPECT_EQ(backend.count("connect 127.0.0.1 typed"), 1);
    EXPECT_EQ(visibleTopLevel(), (Names{"JoinGame", "ConnectingPopUp"}));
    EXPECT_TRUE(visible("ConnectingPopUp/Connecting"));
    EXPECT_FALSE(visible("ConnectingPopUp/NotConnected"));
    EXPECT_FALSE(enabled("ConnectingPopUp/OKButton"));
    EXPECT_FALSE(enabled("JoinGame"));
    EXPECT_TRUE(active("ConnectingPopUp"));

    window("ConnectingPopUp/OKButton")->enable();
    click("ConnectingPopUp/OKButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"JoinGame"}));
    EXPECT_TRUE(enabled("JoinGame"));
    click("JoinGame/BackButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkMenu"}));

    click("NetworkMenu/CreateButton");
    EXPECT_EQ(backend.count("net0"), 1);
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar"}));
    EXPECT_TRUE(visible("NetworkIngame/NewButton"));
    EXPECT_TRUE(visible("NetworkIngame/SwitchButton"));
    EXPECT_TRUE(active("NetworkIngame"));

    backend.state.gameMode = 1;
    ASSERT_TRUE(screens_->openChatLine());
    click("NetworkIngame/LeaveButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_FALSE(screens_->chatLineOpen());
}

TEST_F(GuiTest, AboutDisablesTheMenuAndShowsTheQueriedVersion) {
    build();
    for (const char* closer : {"About/OKButton", "close"}) {
        click("Menu/AboutButton");
        EXPECT_EQ(text("About/LatestVersion"), "1.23");
        EXPECT_TRUE(visible("About"));
        EXPECT_TRUE(active("About"));
        EXPECT_FALSE(enabled("Menu/LocalButton"));
        EXPECT_TRUE(visible("Logo"));
        if (std::string(closer) == "close") {
            CEGUI::WindowEventArgs args(window("About"));
            window("About")->fireEvent(CEGUI::FrameWindow::EventCloseClicked, args,
                                       CEGUI::FrameWindow::EventNamespace);
        } else {
            click(closer);
        }
        EXPECT_FALSE(visible("About"));
        EXPECT_TRUE(enabled("Menu/LocalButton"));
        EXPECT_TRUE(active("Menu"));
    }
    EXPECT_EQ(backend.count("version"), 2);
}

TEST_F(GuiTest, ExitRequestsTheEndOfTheProgram) {
    build();
    click("Menu/ExitButton");
    EXPECT_EQ(backend.count("quit"), 1);
}

TEST_F(GuiTest, ColourSwapWorksOnlyInANetworkGame) {
    build();
    backend.state.gameMode = 0;
    click("NetworkIngame/SwitchButton");
    EXPECT_EQ(backend.state.gameMode, 0);
    EXPECT_EQ(backend.count("turnCamera"), 0);

    backend.state.gameMode = 1;
    backend.state.hostRole = true;
    click("NetworkIngame/SwitchButton");
    EXPECT_EQ(backend.state.gameMode, 2);
    EXPECT_TRUE(backend.state.viewFlipped);
    ASSERT_EQ(backend.sent.size(), 1u);
    EXPECT_EQ(backend.sent[0], (std::vector<std::uint8_t>{84, 2, 0}));
    click("NetworkIngame/SwitchButton");
    EXPECT_EQ(backend.state.gameMode, 1);
    EXPECT_FALSE(backend.state.viewFlipped);
    EXPECT_EQ(backend.count("turnCamera"), 2);
    EXPECT_EQ(backend.sent.size(), 2u);

    backend.state.hostRole = false;
    click("NetworkIngame/SwitchButton");
    EXPECT_EQ(backend.sent.size(), 2u); // the guest sends nothing
}

TEST_F(GuiTest, PanelsReturnToTheIngamePanelOfTheGameMode) {
    build();
    for (int mode : {0, -1, 1, 2}) {
        SCOPED_TRACE(mode);
        build();
        backend.state.gameMode = mode;
        const std::string panel = mode <= 0 ? "LocalIngame" : "NetworkIngame";
        window("GameEnd")->show();
        click("GameEnd/OKButton");
        EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", panel}));
        EXPECT_TRUE(active(panel));
        window(panel)->hide();

        // Promotion buttons do nothing until a promotion waits.
        window("IngamePawnTransform")->show();
        click("IngamePawnTransform/Knight");
        EXPECT_TRUE(visible("IngamePawnTransform"));
        backend.state.promotionPending = true;
        click("IngamePawnTransform/Knight");
        backend.state.promotionPending = false;
        EXPECT_FALSE(visible("IngamePawnTransform"));
        EXPECT_TRUE(visible(panel));
        window(panel)->hide();

        for (const char* button :
             {"OfferDrawPopUp/AcceptButton", "OfferDrawPopUp/DeclineButton",
              "WantsRemovePopUp/AcceptButton", "WantsRemovePopUp/DeclineButton"}) {
            const std::string popUp = std::string(button).substr(0, std::string(button).find('/'));
            window(popUp)->show();
            click(button);
            EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", panel})) << button;
            window(panel)->hide();
        }
    }
    EXPECT_EQ(backend.count("promote2"), 4);
    EXPECT_EQ(backend.count("promote1") + backend.count("promote3") + backend.count("promote4"), 0);
}

TEST_F(GuiTest, ResignShowsTheOpponentAsWinner) {
    for (int mode : {1, 2}) {
        build();
        backend.state.gameMode = mode;
        window("NetworkIngame")->show();
        window("GameEnd/Checkmate")->show();
        click("NetworkIngame/ResignButton");
        EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "GameEnd"}));
        EXPECT_FALSE(visible("GameEnd/Checkmate"));
        EXPECT_FALSE(visible("GameEnd/Stalemate"));
        EXPECT_EQ(visible("GameEnd/BlackWon"), mode == 1);
        EXPECT_EQ(visible("GameEnd/WhiteWon"), mode == 2);
    }
}

TEST_F(GuiTest, ClickSoundPlaysOncePerClickWhileSoundsAreOnAndLeavesTheEventUnhandled) {
    korvane::settings().sounds = true;
    build();
    build(); // a second build of the same Screens must not add a second sound
    screens_->buildGui();
    click("Menu/NetworkButton");
    EXPECT_EQ(backend.count("click"), 1);
    // The window's own handler still ran.
    EXPECT_TRUE(visible("NetworkMenu"));
    EXPECT_FALSE(screens_->playClickSound(kNoArgs));

    korvane::settings().sounds = false;
    click("NetworkMenu/BackButton");
    EXPECT_EQ(backend.count("click"), 2); // the direct call above, no more
}

TEST_F(GuiTest, RealMouseClickReachesTheButton) {
    build();
    CEGUI::Window* button = window("Menu/LocalButton");
    const CEGUI::Rectf r = button->getUnclippedOuterRect().get();
    CEGUI::GUIContext& ctx = CEGUI::System::getSingleton().getDefaultGUIContext();
    ctx.injectMousePosition(r.left() + r.getWidth() / 2, r.top() + r.getHeight() / 2);
    ctx.injectMouseButtonDown(CEGUI::LeftButton);
    ctx.injectMouseButtonUp(CEGUI::LeftButton);
    EXPECT_EQ(backend.state.gameMode, 0);
    EXPECT_TRUE(visible("LocalIngame"));
}

TEST_F(GuiTest, CartoonBoxIsDisabledWithoutShaderSupport) {
    build();
    EXPECT_TRUE(window("Settings/Cartoon")->isDisabled() == false);
    backend.cartoon = false;
    build();
    EXPECT_TRUE(window("Settings/Cartoon")->isDisabled());
}

TEST_F(GuiTest, ProbeLinesCoverTheCatalogueInOrder) {
    build();
    setText("CH/0", "a\nb");
    const auto windows = korvane::probeWindows();
    ASSERT_EQ(windows.size(), korvane::windowCatalogue().size());
    const std::string lines = korvane::formatWindowLines(windows);
    EXPECT_EQ(lines.rfind("window Root 1 1 0 0 800 600 ", 0), 0u) << lines.substr(0, 80);
    EXPECT_NE(lines.find("\nwindow Menu 1 1 "), std::string::npos);
    EXPECT_NE(lines.find("\nwindow LocalIngame 0 1 "), std::string::npos);
    EXPECT_NE(lines.find(" a\\nb\n"), std::string::npos);
    int count = 0;
    for (char c : lines)
        count += c == '\n';
    EXPECT_EQ(count, static_cast<int>(windows.size()));
}
