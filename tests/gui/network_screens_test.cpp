// What the player sees of the network: the session's reports on the screens, the buttons a
// network game allows, and the texts the code writes into the layouts' windows.
#include "gui_fixture.h"
#include "tests/support/pairing.h"

#include "text_util.h"

#include <regex>
#include <sstream>

using namespace korvane::testing;
using korvane::Question;
using korvane::Turn;
using Names = std::set<std::string>;

namespace {

const char* const kLongestHostFailure =
    "UDP port 3386 cannot be opened: Address family not supported by protocol";

void resizeDisplay(float w, float h) {
    CEGUI::System::getSingleton().getRenderer()->setDisplaySize(CEGUI::Sizef(w, h));
    CEGUI::System::getSingleton().notifyDisplaySizeChanged(CEGUI::Sizef(w, h));
}

// Lines a word-wrapping label breaks the text into at the given width.
int wrappedLines(const CEGUI::Font& font, const std::string& text, float width) {
    std::istringstream words(text);
    std::string word, line;
    int lines = 0;
    while (words >> word) {
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && font.getTextExtent(korvane::toGui(longer)) > width) {
            ++lines;
            line = word;
        } else {
            line = longer;
        }
    }
    return lines + (line.empty() ? 0 : 1);
}

} // namespace

TEST_F(GuiTest, HostFailureAndLanSearchSpeakTheLayoutsLanguage) {
    struct Row {
        const char* lang;
        const char* failed;
        const char* searching;
        const char* none;
        const char* one;
        const char* three;
    };
    for (const Row& r : {Row{"English", "Cannot host a game: UDP port 3386 is in use", "Searching…",
                             "No games found", "1 game found", "3 games found"},
                         Row{"Cesky", "Hru nelze založit: UDP port 3386 is in use", "Hledám hry…",
                             "Žádná hra nenalezena", "Nalezené hry: 1", "Nalezené hry: 3"}}) {
        SCOPED_TRACE(r.lang);
        writeAll("config.cfg", std::string("[Game]\nLang=") + r.lang + "\n");
        build();
        click("Menu/NetworkButton");
        EXPECT_FALSE(visible("NetworkMenu/Status"));
        screens_->hostingFailed("UDP port 3386 is in use");
        EXPECT_TRUE(visible("NetworkMenu/Status"));
        EXPECT_EQ(text("NetworkMenu/Status"), r.failed);
        // A new attempt takes the old reason away.
        click("NetworkMenu/CreateButton");
        EXPECT_FALSE(visible("NetworkMenu/Status"));

        click("NetworkMenu/JoinButton");
        EXPECT_EQ(text("JoinGame/SearchStatus"), "");
        screens_->lanSearchStarted();
        EXPECT_EQ(text("JoinGame/SearchStatus"), r.searching);
        const std::pair<int, const char*> ends[] = {{0, r.none}, {1, r.one}, {3, r.three}};
        for (const auto& [n, expected] : ends) {
            screens_->lanSearchEnded(n);
            EXPECT_EQ(text("JoinGame/SearchStatus"), expected) << n;
        }
    }
}

// The texts are the code's, so the layout checks never see them.
TEST_F(GuiTest, CodeMadeNetworkTextsHaveGlyphsAndFitTheirWindows) {
    for (const char* lang : {"English", "Cesky"}) {
        writeAll("config.cfg", std::string("[Game]\nLang=") + lang + "\n");
        build();
        for (const auto& size : std::vector<std::pair<float, float>>{{800, 600}, {1280, 960}}) {
            SCOPED_TRACE(std::string(lang) + " at " + std::to_string(int(size.first)));
            resizeDisplay(size.first, size.second);
            std::vector<std::pair<std::string, std::string>> shown;
            screens_->hostingFailed(kLongestHostFailure);
            shown.emplace_back("NetworkMenu/Status", text("NetworkMenu/Status"));
            screens_->lanSearchStarted();
            shown.emplace_back("JoinGame/SearchStatus", text("JoinGame/SearchStatus"));
            for (int n : {0, 1, 12}) {
                screens_->lanSearchEnded(n);
                shown.emplace_back("JoinGame/SearchStatus", text("JoinGame/SearchStatus"));
            }
            for (const auto& [name, value] : shown) {
                CEGUI::Window* w = window(name);
                ASSERT_NE(w, nullptr);
                const CEGUI::Font* font = w->getFont();
                ASSERT_NE(font, nullptr);
                const CEGUI::String gui = korvane::toGui(value);
                for (std::size_t i = 0; i < gui.length(); ++i)
                    EXPECT_NE(font->getGlyphData(gui[i]), nullptr) << value << " at " << i;
                const CEGUI::Sizef room = w->getPixelSize();
                const int lines = name == "NetworkMenu/Status"
                                      ? wrappedLines(*font, value, room.d_width)
                                      : (font->getTextExtent(gui) <= room.d_width ? 1 : 99);
                EXPECT_LE(lines * font->getLineSpacing(), room.d_height) << value;
            }
            // Shown, the reason stays clear of the menu's buttons.
            const CEGUI::Rectf status = window("NetworkMenu/Status")->getUnclippedOuterRect().get();
            for (const char* button :
                 {"NetworkMenu/CreateButton", "NetworkMenu/JoinButton", "NetworkMenu/BackButton"})
                EXPECT_LE(window(button)->getUnclippedOuterRect().get().bottom(), status.top() + 1)
                    << button;
        }
        resizeDisplay(800, 600);
    }
}

TEST_F(GuiTest, LanListTakesEachHostOnceInTheSkinsLookAndTheProbeFindsScrolledItems) {
    build();
    click("Menu/NetworkButton");
    click("NetworkMenu/JoinButton");
    screens_->lanSearchStarted();
    for (int i = 1; i <= 30; ++i)
        screens_->lanHostFound("10.0.0." + std::to_string(i));
    screens_->lanHostFound("10.0.0.1");
    auto* list = dynamic_cast<CEGUI::Listbox*>(window("JoinGame/LANServersList"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->getItemCount(), 30u);
    auto* item = dynamic_cast<CEGUI::ListboxTextItem*>(list->getListboxItemFromIndex(0));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->getSelectionBrushImage()->getName(), "DrawingsLook/ListboxSelectionBrush");
    EXPECT_EQ(item->getTextColours().d_top_left, CEGUI::Colour(0, 0, 0, 1));
    EXPECT_EQ(item->getSelectionColours().d_top_left, CEGUI::Colour(1, 1, 1, 1));

    const CEGUI::Rectf area = window("JoinGame/LANServersList")->getUnclippedInnerRect().get();
    auto entries = korvane::probeLanEntries();
    ASSERT_EQ(entries.size(), 30u);
    EXPECT_EQ(entries[29].address, "10.0.0.30");
    EXPECT_TRUE(area.isPointInRect(CEGUI::Vector2f(entries[0].x, entries[0].y)));
    EXPECT_GT(entries[29].y, area.bottom()); // below the visible part, still listed
    const float step = entries[1].y - entries[0].y;
    EXPECT_GT(step, 0);
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_NEAR(entries[i].y - entries[i - 1].y, step, 0.01f);

    // Scrolled to the end, the last entry is where the mouse can pick it.
    list->ensureItemIsVisible(29);
    entries = korvane::probeLanEntries();
    EXPECT_TRUE(area.isPointInRect(CEGUI::Vector2f(entries[29].x, entries[29].y)));
    EXPECT_LT(entries[0].y, area.top());
    CEGUI::GUIContext& ctx = CEGUI::System::getSingleton().getDefaultGUIContext();
    ctx.injectMousePosition(entries[29].x, entries[29].y);
    ctx.injectMouseButtonDown(CEGUI::LeftButton);
    ctx.injectMouseButtonUp(CEGUI::LeftButton);
    ASSERT_NE(list->getFirstSelectedItem(), nullptr);
    EXPECT_EQ(list->getFirstSelectedItem()->getText(), "10.0.0.30");

    const std::string lines = korvane::formatLanLines({entries[0], entries[29]});
    EXPECT_TRUE(std::regex_match(lines, std::regex("lan 10\\.0\\.0\\.1 -?\\d+\\.\\d -?\\d+\\.\\d\n"
                                                   "lan 10\\.0\\.0\\.30 \\d+\\.\\d \\d+\\.\\d\n")))
        << lines;
}

TEST_F(GuiTest, AddressesReachTheNetworkOnlyWhenThereIsOne) {
    build();
    click("Menu/NetworkButton");
    click("NetworkMenu/JoinButton");
    backend.calls.clear();
    // Typed with Enter: not remembered. With the button: remembered.
    click("JoinGame/DirectButton");
    setText("JoinGameDirect/Line", "10.0.0.7");
    EXPECT_TRUE(screens_->connectTypedAddress());
    click("JoinGame/DirectButton");
    setText("JoinGameDirect/Line", "10.0.0.8");
    click("JoinGameDirect/ConnectButton");
    EXPECT_EQ(backend.calls,
              (std::vector<std::string>{"connect 10.0.0.7", "connect 10.0.0.8 typed"}));
    EXPECT_TRUE(visible("ConnectingPopUp/Connecting"));
    EXPECT_FALSE(enabled("ConnectingPopUp/OKButton"));

    // The failure, from the session or for want of an address, waits for OK.
    screens_->connectFailed();
    click("ConnectingPopUp/OKButton");
    click("JoinGame/DirectButton");
    setText("JoinGameDirect/Line", "");
    click("JoinGameDirect/ConnectButton");
    int connects = 0;
    for (const std::string& call : backend.calls)
        connects += call.rfind("connect", 0) == 0;
    EXPECT_EQ(connects, 2);
    for (const char* name : {"ConnectingPopUp", "ConnectingPopUp/NotConnected"})
        EXPECT_TRUE(visible(name)) << name;
    EXPECT_FALSE(visible("ConnectingPopUp/Connecting"));
    EXPECT_TRUE(enabled("ConnectingPopUp/OKButton"));
    EXPECT_FALSE(enabled("JoinGame/ConnectButton"));
}

TEST_F(GuiTest, EveryNetworkGameStartsWithAnEmptyHistoryAndTheSessionsLinesFollow) {
    build();
    for (bool host : {true, false}) {
        for (int i = 0; i < 8; ++i)
            screens_->appendChatLine("old " + std::to_string(i));
        setPairing(backend.state, Pairing::NetworkWhite);
        if (host)
            screens_->hostingStarted();
        else
            screens_->joined(korvane::White);
        screens_->chatLine("Connected to:");
        screens_->chatLine("Petr");
        EXPECT_EQ(text("CH/0"), "Connected to:");
        EXPECT_EQ(text("CH/1"), "Petr");
        EXPECT_EQ(text("CH/2"), "");
        EXPECT_TRUE(screens_->openChatLine());
        screens_->closeChatLine();
    }
}

TEST_F(GuiTest, TakeBackAndDrawFollowTheTurnAndTheOpenQuestion) {
    struct Row {
        Pairing mode;
        Turn side;
        Question question;
        bool draw, revoke;
    };
    const Row rows[] = {
        {Pairing::NetworkWhite, Turn::White, Question::None, true, false},
        {Pairing::NetworkWhite, Turn::Black, Question::None, true, true},
        {Pairing::NetworkBlack, Turn::White, Question::None, true, true},
        {Pairing::NetworkBlack, Turn::Black, Question::None, true, false},
        {Pairing::NetworkWhite, Turn::Over, Question::None, false, false},
        {Pairing::NetworkWhite, Turn::Black, Question::Draw, false, false},
        {Pairing::NetworkBlack, Turn::White, Question::Revoke, false, false},
        {Pairing::Joining, Turn::Black, Question::None, false, false},
        {Pairing::Local, Turn::Black, Question::None, false, false},
    };
    build();
    setPairing(backend.state, Pairing::NetworkWhite);
    screens_->hostingStarted();
    for (const Row& r : rows) {
        SCOPED_TRACE(static_cast<int>(&r - rows));
        setPairing(backend.state, r.mode);
        backend.state.sideToMove = r.side;
        backend.state.question = r.question;
        screens_->refreshNetworkButtons();
        EXPECT_EQ(enabled("NetworkIngame/DrawButton"), r.draw);
        EXPECT_EQ(enabled("NetworkIngame/RevokeButton"), r.revoke);
    }
    // A request is answered at once with the buttons of the new state.
    backend.state = korvane::GameState();
    setPairing(backend.state, Pairing::NetworkWhite);
    backend.state.sideToMove = Turn::Black;
    screens_->refreshNetworkButtons();
    backend.state.question = Question::Draw;
    click("NetworkIngame/DrawButton");
    EXPECT_FALSE(enabled("NetworkIngame/DrawButton"));
    EXPECT_FALSE(enabled("NetworkIngame/RevokeButton"));
}

TEST_F(GuiTest, TheHostGoingClosesEveryPopUpAndTheChatStaysShutUntilANewGame) {
    for (bool lost : {false, true}) {
        SCOPED_TRACE(lost);
        build();
        setPairing(backend.state, Pairing::NetworkBlack);
        backend.state.sideToMove = Turn::White;
        screens_->joined(korvane::Black);
        ASSERT_TRUE(screens_->openChatLine());
        for (const char* popUp :
             {"OfferDrawPopUp", "WantsRemovePopUp", "IngamePawnTransform", "GameEnd"})
            window(popUp)->show();
        screens_->hostGone(lost);
        EXPECT_EQ(visibleTopLevel(),
                  (Names{"NetworkErrPopUp", "ChatHistory", "StatusBar", "MoveList"}));
        EXPECT_TRUE(active("NetworkErrPopUp"));
        EXPECT_EQ(visible("NetworkErrPopUp/Lost"), lost);
        EXPECT_EQ(visible("NetworkErrPopUp/Disconnected"), !lost);
        EXPECT_FALSE(screens_->chatLineOpen());
        // The mode is the session's to reset; the screens alone keep the chat shut.
        EXPECT_FALSE(screens_->openChatLine());
        EXPECT_FALSE(enabled("NetworkIngame/RevokeButton"));

        click("NetworkErrPopUp/OKButton");
        EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
        EXPECT_TRUE(active("Menu"));
        EXPECT_FALSE(screens_->openChatLine());
        screens_->joined(korvane::Black);
        EXPECT_TRUE(screens_->openChatLine());
    }
}

TEST_F(GuiTest, LeavingOrARefusalEndsTheGamesWindowsAndItsChat) {
    build();
    setPairing(backend.state, Pairing::NetworkWhite);
    screens_->hostingStarted();
    ASSERT_TRUE(screens_->openChatLine());
    for (const char* popUp : {"OfferDrawPopUp", "IngamePawnTransform", "GameEnd"})
        window(popUp)->show();
    click("NetworkIngame/LeaveButton");
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_FALSE(screens_->openChatLine());

    // Refused while connecting: straight back to the menu, the join screen usable again.
    click("Menu/NetworkButton");
    click("NetworkMenu/JoinButton");
    click("JoinGame/DirectButton");
    setText("JoinGameDirect/Line", "10.0.0.7");
    click("JoinGameDirect/ConnectButton");
    setPairing(backend.state, Pairing::Joining);
    screens_->sessionRefused();
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo", "StatusBar"}));
    EXPECT_TRUE(active("Menu"));
    EXPECT_TRUE(!window("JoinGame")->isDisabled());
    setPairing(backend.state, Pairing::NetworkWhite);
    EXPECT_FALSE(screens_->openChatLine());
}

TEST_F(GuiTest, AClosedQuestionGivesThePanelBackOnlyWhenNothingElseIsUp) {
    for (const char* other : {"", "GameEnd", "IngamePawnTransform", "NetworkErrPopUp"}) {
        for (Question q : {Question::Draw, Question::Revoke}) {
            SCOPED_TRACE(std::string(other) + (q == Question::Draw ? " draw" : " revoke"));
            build();
            setPairing(backend.state, Pairing::NetworkBlack);
            screens_->joined(korvane::Black);
            screens_->openChatLine();
            screens_->questionAsked(q);
            const std::string popUp = q == Question::Draw ? "OfferDrawPopUp" : "WantsRemovePopUp";
            EXPECT_EQ(visibleTopLevel(), (Names{popUp, "ChatHistory", "StatusBar", "MoveList"}));
            EXPECT_TRUE(active(popUp));
            EXPECT_FALSE(screens_->chatLineOpen());
            if (*other)
                window(other)->show();
            screens_->questionClosed();
            EXPECT_FALSE(visible(popUp));
            EXPECT_EQ(visible("NetworkIngame"), !*other);
        }
    }
    // Outside a network game nothing comes back.
    build();
    setPairing(backend.state, Pairing::None);
    screens_->questionAsked(Question::Draw);
    screens_->questionClosed();
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
    screens_->questionAsked(Question::None);
    EXPECT_EQ(visibleTopLevel(), (Names{"Menu", "Logo"}));
}

TEST_F(GuiTest, ANewGameClearsTheEndAndTheChoicesAndAResignationEndsTheQuestion) {
    build();
    setPairing(backend.state, Pairing::NetworkBlack);
    backend.state.sideToMove = Turn::Black;
    screens_->joined(korvane::Black);
    EXPECT_TRUE(enabled("NetworkIngame/DrawButton"));
    screens_->questionAsked(Question::Revoke);
    screens_->resigned(korvane::White);
    EXPECT_EQ(visibleTopLevel(), (Names{"GameEnd", "ChatHistory", "StatusBar", "MoveList"}));
    EXPECT_TRUE(active("GameEnd"));
    EXPECT_FALSE(visible("GameEnd/Stalemate") || visible("GameEnd/Checkmate"));
    window("IngamePawnTransform")->show();
    screens_->newGameStarted();
    EXPECT_EQ(visibleTopLevel(), (Names{"NetworkIngame", "ChatHistory", "StatusBar", "MoveList"}));
    EXPECT_TRUE(active("NetworkIngame"));
    EXPECT_TRUE(visible("StatusBar/WhiteOnMove"));
    EXPECT_FALSE(visible("StatusBar/BlackOnMove"));
}
