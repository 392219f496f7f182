#include "gui_fixture.h"
#include "tests/support/pairing.h"

#include "text_util.h"
#include "texts.h"

#include <map>

using namespace korvane::testing;
using korvane::White;

namespace {

std::vector<std::string> history() {
    std::vector<std::string> lines;
    for (int i = 0; i < 8; ++i) {
        CEGUI::Window* w = korvane::findWindow("CH/" + std::to_string(i));
        lines.push_back(w ? std::string(w->getText().c_str()) : "<missing>");
    }
    return lines;
}

} // namespace

TEST_F(GuiTest, StatusBarFollowsTheSideToMove) {
    auto& screens = build();
    screens.showSideToMove(1);
    EXPECT_FALSE(window("StatusBar/WhiteOnMove")->isVisible());
    EXPECT_TRUE(window("StatusBar/BlackOnMove")->isVisible());
    // A frozen board leaves the labels alone.
    screens.showSideToMove(-1);
    EXPECT_TRUE(window("StatusBar/BlackOnMove")->isVisible());
    screens.showSideToMove(0);
    EXPECT_TRUE(window("StatusBar/WhiteOnMove")->isVisible());
    EXPECT_FALSE(window("StatusBar/BlackOnMove")->isVisible());
}

TEST_F(GuiTest, StatusBarSaysHowTheGameEndedAndWhoChoosesAPromotionInBothLanguages) {
    using korvane::Black;
    using korvane::Outcome;
    using korvane::Turn;
    const std::map<std::string, std::vector<std::string>> expected = {
        {"English",
         {"Checkmate: White wins", "Stalemate: a draw", "Resignation: Black wins", "Draw agreed",
          "Black chooses a piece", "The game is over"}},
        {"Cesky",
         {"Mat: vyhrál bílý", "Pat: remíza", "Vzdáno: vyhrál černý", "Remíza dohodou",
          "Černý vybírá figuru", "Hra skončila"}},
    };
    for (const auto& [lang, texts] : expected) {
        SCOPED_TRACE(lang);
        writeAll("config.cfg", "[Game]\nLang=" + lang + "\n");
        auto& screens = build();
        std::vector<std::string> said;
        // Exactly the result is shown, on one line of the status bar.
        auto saying = [&] {
            EXPECT_FALSE(visible("StatusBar/WhiteOnMove"));
            EXPECT_FALSE(visible("StatusBar/BlackOnMove"));
            EXPECT_TRUE(window("StatusBar/Result")->isVisible());
            CEGUI::Window* label = window("StatusBar/Result");
            EXPECT_LE(label->getFont()->getTextExtent(label->getText()),
                      label->getPixelSize().d_width)
                << text("StatusBar/Result");
            said.push_back(text("StatusBar/Result"));
        };
        screens.showWindow("StatusBar");
        screens.showGameOver(Outcome::Checkmate, White);
        saying();
        screens.showGameOver(Outcome::Stalemate, White);
        saying();
        // The network's own ends: a resignation, and a draw offer accepted.
        setPairing(backend.state, Pairing::NetworkWhite);
        screens.hostingStarted();
        screens.resigned(Black);
        saying();
        click("GameEnd/OKButton");
        backend.state.sideToMove = Turn::Over;
        screens.questionClosed();
        saying();
        screens.showPromotionChoice(Black);
        saying();
        // A guest joining a game already over.
        setPairing(backend.state, Pairing::NetworkBlack);
        screens.joined(Black);
        saying();
        EXPECT_EQ(said, texts);

        // Whose move it is again (a revoke, a new game) takes the result's place.
        screens.showSideToMove(1);
        EXPECT_TRUE(visible("StatusBar/BlackOnMove"));
        EXPECT_FALSE(visible("StatusBar/Result"));
        // A question closed in a running game leaves the side to move alone.
        backend.state.sideToMove = Turn::Black;
        screens.questionClosed();
        EXPECT_FALSE(visible("StatusBar/Result"));
    }
}

TEST_F(GuiTest, ChatHistoryFillsThenScrolls) {
    auto& screens = build();
    for (int i = 1; i <= 9; ++i)
        screens.appendChatLine("line " + std::to_string(i));
    EXPECT_EQ(history(), (std::vector<std::string>{"line 2", "line 3", "line 4", "line 5", "line 6",
                                                   "line 7", "line 8", "line 9"}));

    // An empty text scrolls a full history and leaves the last line free for the next one.
    screens.appendChatLine("");
    EXPECT_EQ(history().front(), "line 3");
    EXPECT_EQ(history().back(), "");
    screens.appendChatLine("next");
    EXPECT_EQ(history().front(), "line 3");
    EXPECT_EQ(history()[6], "line 9");
    EXPECT_EQ(history().back(), "next");
}

TEST_F(GuiTest, EmptyTextInAPartialHistoryKeepsTheSlotFree) {
    auto& screens = build();
    screens.appendChatLine("first");
    screens.appendChatLine("");
    screens.appendChatLine("second");
    EXPECT_EQ(history()[0], "first");
    EXPECT_EQ(history()[1], "second");
}

TEST_F(GuiTest, ChatLineOpensOnlyInALiveNetworkGame) {
    auto& screens = build();
    for (Pairing mode : {Pairing::None, Pairing::Local, Pairing::Joining}) {
        setPairing(backend.state, mode);
        EXPECT_FALSE(screens.openChatLine());
        EXPECT_FALSE(window("ChatLine")->isVisible());
    }
    // A network game whose link is not live yet (or any more) has no chat either.
    setPairing(backend.state, Pairing::NetworkWhite);
    EXPECT_FALSE(screens.openChatLine());
    screens.hostingStarted();
    EXPECT_TRUE(screens.openChatLine());
    EXPECT_TRUE(screens.chatLineOpen());
    EXPECT_TRUE(window("ChatLine")->isVisible());
    EXPECT_TRUE(window("ChatLine/Line")->isActive());
    EXPECT_FALSE(screens.openChatLine()); // already open
    // The host leaving closes the line and keeps it closed.
    screens.hostGone(false);
    EXPECT_FALSE(window("ChatLine")->isVisible());
    EXPECT_FALSE(screens.openChatLine());
}

TEST_F(GuiTest, SendingHandsTheLineOverCutOnACharacterBoundary) {
    auto& screens = build();
    setPairing(backend.state, Pairing::NetworkWhite);
    screens.joined(White);
    screens.openChatLine();
    setText("ChatLine/Line", "hello");
    click("ChatLine/SendButton");
    EXPECT_FALSE(screens.chatLineOpen());
    EXPECT_FALSE(window("ChatLine")->isVisible());
    EXPECT_EQ(backend.count("chat hello"), 1);
    EXPECT_EQ(text("ChatLine/Line"), "");

    // An empty line closes the input and does nothing else.
    screens.openChatLine();
    screens.sendChatLine();
    EXPECT_FALSE(screens.chatLineOpen());
    EXPECT_EQ(backend.calls.back(), "chat hello");

    std::string typed = "a";
    for (int i = 0; i < 100; ++i)
        typed += "\xC4\x8D"; // c with caron, two bytes
    screens.openChatLine();
    setText("ChatLine/Line", typed);
    screens.sendChatLine();
    // 'a' and 74 two-byte letters fill 149 bytes; the 75th would reach 151.
    EXPECT_EQ(backend.calls.back(), "chat " + typed.substr(0, 149));
}

TEST_F(GuiTest, ChatEditBoxIsLimitedTo150Characters) {
    build();
    auto* line = dynamic_cast<CEGUI::Editbox*>(window("ChatLine/Line"));
    auto* name = dynamic_cast<CEGUI::Editbox*>(window("Settings/PName"));
    ASSERT_TRUE(line && name);
    EXPECT_EQ(line->getMaxTextLength(), 150u);
    EXPECT_EQ(name->getMaxTextLength(), 50u);
}

TEST(TextUtil, Utf8PrefixNeverSplitsACharacter) {
    using korvane::utf8Prefix;
    EXPECT_EQ(utf8Prefix("abc", 5), "abc");
    EXPECT_EQ(utf8Prefix("abcdef", 3), "abc");
    const std::string euro = "\xE2\x82\xAC"; // three bytes
    EXPECT_EQ(utf8Prefix("a" + euro, 1), "a");
    EXPECT_EQ(utf8Prefix("a" + euro, 2), "a");
    EXPECT_EQ(utf8Prefix("a" + euro, 3), "a");
    EXPECT_EQ(utf8Prefix("a" + euro, 4), "a" + euro);
    EXPECT_EQ(utf8Prefix(euro + euro, 5), euro);
    EXPECT_EQ(utf8Prefix("", 0), "");
    // Malformed input: stray continuation bytes are never kept past the limit.
    EXPECT_LE(utf8Prefix(std::string(10, '\x80'), 4).size(), 4u);
}

TEST(TextUtil, SettingsTextShapes) {
    std::string w, h, aa;
    ASSERT_TRUE(korvane::parseResolution("800x600", w, h));
    EXPECT_EQ(w + "/" + h, "800/600");
    ASSERT_TRUE(korvane::parseResolution("1280x960", w, h));
    EXPECT_EQ(w + "/" + h, "1280/960");
    for (const char* bad : {"", "x", "800x", "x600", "800*600", "0800x600", "80x60", "800x600x",
                            "1024 x 768", "123456x768", "abcxdef"})
        EXPECT_FALSE(korvane::parseResolution(bad, w, h)) << bad;
    ASSERT_TRUE(korvane::parseAntiAliasing("4x", aa));
    EXPECT_EQ(aa, "4");
    ASSERT_TRUE(korvane::parseAntiAliasing("16x", aa));
    EXPECT_EQ(aa, "16");
    for (const char* bad : {"", "x", "4", "4 x", "ax", "123x"})
        EXPECT_FALSE(korvane::parseAntiAliasing(bad, aa)) << bad;
}

TEST(Texts, EachDrawHasItsWindowTextInBothLanguages) {
    using korvane::DrawReason;
    auto english = [](DrawReason r) { return korvane::englishTexts().drawBy[int(r)]; };
    auto czech = [](DrawReason r) { return korvane::czechTexts().drawBy[int(r)]; };
    EXPECT_STREQ(english(DrawReason::ThreefoldRepetition), "Draw by threefold repetition");
    EXPECT_STREQ(english(DrawReason::FiftyMoveRule), "Draw by the fifty-move rule");
    EXPECT_STREQ(english(DrawReason::InsufficientMaterial), "Draw by insufficient material");
    EXPECT_STREQ(english(DrawReason::FivefoldRepetition), "Draw by fivefold repetition");
    EXPECT_STREQ(english(DrawReason::SeventyFiveMoveRule), "Draw by the 75-move rule");
    EXPECT_STREQ(english(DrawReason::None), "");
    EXPECT_STREQ(czech(DrawReason::FiftyMoveRule), "Remíza podle pravidla padesáti tahů");
    EXPECT_STREQ(czech(DrawReason::SeventyFiveMoveRule), "Remíza podle pravidla 75 tahů");
}
