#include "gui_fixture.h"
#include "tests/support/pairing.h"

#include <cmath>

using namespace korvane::testing;
using korvane::Question;
using korvane::Turn;
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
    backend.viewFlipped = true;
    backend.state.sideToMove = Turn::Black;
    click("Menu/LocalButton");
    EXPECT_EQ(pairingOf(backend.state), Pairing::Local);
    EXPECT_EQ(backend.state.sideToMove, Turn::White);
    EXPECT_FALSE(backend.viewFlipped);
    EXPECT_EQ(backend.count("newGame"), 1);
    // The whole camera goes back, not just half a turn.
    EXPECT_EQ(backend.count("resetCamera"), 1);
    EXPECT_EQ(backend.count("turnCamera"), 0);
    EXPECT_EQ(visibleTopLevel(), (Names{"LocalIngame", "StatusBar", "MoveList"}));
    EXPECT_TRUE(active("LocalIngame"));
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));

    // Black to move, then restart: white again, windows and mode untouched.
    backend.state.sideToMove = Turn::Black;
    screens_->showSideToMove(1);
    click("LocalIngame/RestartButton");
    EXPECT_EQ(backend.state.sideToMove, Turn::White);
    EXPECT_EQ(backend.count("newGame"), 2);
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));
    EXPECT_EQ(visibleTopLevel(), (Names{"LocalIngame", "StatusBar", "MoveList"}));

    // Leaving keeps the status bar over the menu.
    click("LocalIngame/QuitButton");
    EXPECT_EQ(pairingOf(backend.state), Pairing::None);
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_TRUE(active("Menu"));

    // An unflipped view is not turned either.
    click("Menu/LocalButton");
    EXPECT_EQ(backend.count("resetCamera"), 2);
    EXPECT_EQ(backend.count("turnCamera"), 0);
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

    // Hosting shows the game only once the session says the port is open.
    click("NetworkMenu/CreateButton");
    EXPECT_EQ(backend.count("net0"), 1);
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkMenu"}));
    screens_->hostingFailed("UDP port 3386 is in use");
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkMenu"}));
    EXPECT_EQ(text("NetworkMenu/Status"), "Cannot host a game: UDP port 3386 is in use");
    EXPECT_TRUE(visible("NetworkMenu/Status"));
    setPairing(backend.state, Pairing::NetworkWhite);
    screens_->hostingStarted();
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar", "MoveList"}));
    EXPECT_TRUE(visible("NetworkIngame/NewButton"));
    EXPECT_TRUE(visible("NetworkIngame/SwitchButton"));
    EXPECT_TRUE(active("NetworkIngame"));

    ASSERT_TRUE(screens_->openChatLine());
    click("NetworkIngame/LeaveButton");
    EXPECT_EQ(backend.count("net2"), 1);
    // As after a local game, the status bar stays over the menu.
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_FALSE(screens_->chatLineOpen());
}

TEST_F(GuiTest, JoinScreenShowsTheSearchAndTheConnectionOutcome) {
    build();
    click("Menu/NetworkButton");
    click("NetworkMenu/JoinButton");
    screens_->lanSearchStarted();
    EXPECT_EQ(text("JoinGame/SearchStatus"), "Searching…");
    screens_->lanHostFound("10.0.0.7");
    screens_->lanHostFound("10.0.0.7");
    screens_->lanHostFound("10.0.0.9");
    screens_->lanSearchEnded(2);
    EXPECT_EQ(text("JoinGame/SearchStatus"), "2 games found");
    const auto entries = korvane::probeLanEntries();
    ASSERT_EQ(entries.size(), 2u);
    const CEGUI::Rectf list = window("JoinGame/LANServersList")->getUnclippedOuterRect().get();
    for (const auto& e : entries)
        EXPECT_TRUE(list.isPointInRect(CEGUI::Vector2f(e.x, e.y))) << e.address;
    EXPECT_LT(entries[0].y, entries[1].y);
    EXPECT_EQ(korvane::formatLanLines(entries).rfind("lan 10.0.0.7 ", 0), 0u);
    // A new search starts from an empty list.
    screens_->lanSearchStarted();
    screens_->lanSearchEnded(0);
    EXPECT_TRUE(korvane::probeLanEntries().empty());
    EXPECT_EQ(text("JoinGame/SearchStatus"), "No games found");

    // Enter with an empty address fails at once, without troubling the network.
    EXPECT_FALSE(screens_->connectTypedAddress()); // the window is not open
    click("JoinGame/DirectButton");
    EXPECT_TRUE(screens_->connectTypedAddress());
    EXPECT_EQ(backend.calls.back(), "net1");
    EXPECT_TRUE(visible("ConnectingPopUp"));
    EXPECT_FALSE(visible("JoinGameDirect"));
    EXPECT_FALSE(visible("ConnectingPopUp/Connecting"));
    EXPECT_TRUE(visible("ConnectingPopUp/NotConnected"));
    EXPECT_TRUE(enabled("ConnectingPopUp/OKButton"));

    // Joined as Black, Black to move: the game screen without the host's buttons.
    setPairing(backend.state, Pairing::NetworkBlack);
    backend.state.sideToMove = Turn::Black;
    setText("CH/0", "old game");
    screens_->joined(korvane::Black);
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar", "MoveList"}));
    EXPECT_FALSE(visible("NetworkIngame/NewButton"));
    EXPECT_FALSE(visible("NetworkIngame/SwitchButton"));
    EXPECT_TRUE(visible("StatusBar/BlackOnMove"));
    EXPECT_EQ(text("CH/0"), "");
    EXPECT_TRUE(enabled("JoinGame"));

    // The host leaves: every pop-up of the game closes and the error says how.
    window("OfferDrawPopUp")->show();
    window("IngamePawnTransform")->show();
    for (bool lost : {false, true}) {
        screens_->hostGone(lost);
        EXPECT_EQ(visibleTopLevel(),
                  (Names{"NetworkErrPopUp", "ChatHistory", "StatusBar", "MoveList"}));
        EXPECT_EQ(visible("NetworkErrPopUp/Lost"), lost);
        EXPECT_EQ(visible("NetworkErrPopUp/Disconnected"), !lost);
    }
    click("NetworkErrPopUp/OKButton");
    EXPECT_EQ(backend.count("net13"), 1);
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
}

TEST_F(GuiTest, QuestionsAndTheirButtons) {
    build();
    setPairing(backend.state, Pairing::NetworkWhite);
    screens_->hostingStarted();
    // White (this player) to move: no take-back of a move not yet made by us.
    EXPECT_TRUE(enabled("NetworkIngame/DrawButton"));
    EXPECT_FALSE(enabled("NetworkIngame/RevokeButton"));
    // The turn passing (the peer's move too) is what refreshes them.
    backend.state.sideToMove = Turn::Black;
    screens_->showSideToMove(1);
    EXPECT_TRUE(enabled("NetworkIngame/RevokeButton"));
    click("NetworkIngame/RevokeButton");
    EXPECT_EQ(backend.count("net7"), 1);
    backend.state.question = Question::Revoke;
    screens_->refreshNetworkButtons();
    EXPECT_FALSE(enabled("NetworkIngame/RevokeButton"));
    EXPECT_FALSE(enabled("NetworkIngame/DrawButton"));

    // The peer's question: its pop-up replaces the panel until it is closed.
    screens_->questionAsked(Question::Draw);
    EXPECT_EQ(visibleTopLevel(), (Names{"OfferDrawPopUp", "ChatHistory", "StatusBar", "MoveList"}));
    click("OfferDrawPopUp/DeclineButton");
    EXPECT_EQ(backend.count("net9"), 1);
    backend.state.question = Question::None;
    screens_->questionClosed();
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar", "MoveList"}));
    EXPECT_TRUE(active("NetworkIngame"));

    // A resignation shows the winner on both sides; a new game takes it away.
    for (int winner : {0, 1}) {
        screens_->resigned(winner);
        EXPECT_EQ(visibleTopLevel(), (Names{"GameEnd", "ChatHistory", "StatusBar", "MoveList"}));
        EXPECT_EQ(visible("GameEnd/WhiteWon"), winner == 0);
        EXPECT_EQ(visible("GameEnd/BlackWon"), winner == 1);
    }
    screens_->newGameStarted();
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar", "MoveList"}));

    // A refused identification goes back to the menu.
    screens_->sessionRefused();
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
}

TEST_F(GuiTest, AboutDisablesTheMenuAndShowsTheQueriedVersion) {
    build();
    for (const char* closer : {"About/OKButton", "close"}) {
        click("Menu/AboutButton");
        // The answer comes later; until then the window says it is waiting.
        EXPECT_EQ(text("About/LatestVersion"), "...");
        screens_->showLatestVersion("1.23");
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
    EXPECT_EQ(backend.count("cancelVersion"), 2);
    // An answer arriving after the window closed is not shown in it.
    screens_->showLatestVersion("9.99");
    EXPECT_NE(text("About/LatestVersion"), "9.99");
}

TEST_F(GuiTest, ExitRequestsTheEndOfTheProgram) {
    build();
    click("Menu/ExitButton");
    EXPECT_EQ(backend.count("quit"), 1);
}

TEST_F(GuiTest, ColourSwapAndResignAreTheSessionsWork) {
    build();
    setPairing(backend.state, Pairing::NetworkWhite);
    click("NetworkIngame/SwitchButton");
    click("NetworkIngame/ResignButton");
    EXPECT_EQ(backend.count("net4"), 1);
    EXPECT_EQ(backend.count("net5"), 1);
    // Nothing changes until the session reports what happened.
    EXPECT_EQ(pairingOf(backend.state), Pairing::NetworkWhite);
    EXPECT_EQ(backend.count("turnCamera"), 0);
    EXPECT_FALSE(visible("GameEnd"));
}

TEST_F(GuiTest, PanelsReturnToTheIngamePanelOfTheGamePlayed) {
    build();
    for (Pairing mode :
         {Pairing::Local, Pairing::None, Pairing::NetworkWhite, Pairing::NetworkBlack}) {
        SCOPED_TRACE(static_cast<int>(mode));
        build();
        setPairing(backend.state, mode);
        const bool network = backend.state.networkGame();
        const std::string panel = network ? "NetworkIngame" : "LocalIngame";
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
        // Never the peer's choice.
        backend.maySelectPromotion = false;
        click("IngamePawnTransform/Knight");
        EXPECT_TRUE(visible("IngamePawnTransform"));
        backend.maySelectPromotion = true;
        click("IngamePawnTransform/Knight");
        backend.state.promotionPending = false;
        EXPECT_FALSE(visible("IngamePawnTransform"));
        EXPECT_TRUE(visible(panel));
        window(panel)->hide();

        if (!network)
            continue;
        // An answer goes to the session, whose questionClosed brings the panel back.
        for (const char* button :
             {"OfferDrawPopUp/AcceptButton", "OfferDrawPopUp/DeclineButton",
              "WantsRemovePopUp/AcceptButton", "WantsRemovePopUp/DeclineButton"}) {
            const std::string popUp = std::string(button).substr(0, std::string(button).find('/'));
            window(popUp)->show();
            click(button);
            screens_->questionClosed();
            EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", panel})) << button;
            window(panel)->hide();
        }
    }
    EXPECT_EQ(backend.count("promote2"), 4);
    EXPECT_EQ(backend.count("promote1") + backend.count("promote3") + backend.count("promote4"), 0);
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
    EXPECT_EQ(pairingOf(backend.state), Pairing::Local);
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
