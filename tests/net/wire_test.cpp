// The message bytes: exact layouts, round trips, and every malformed form dropped with its
// reason.
#include "wire.h"

#include <gtest/gtest.h>

using namespace korvane::net;

namespace {

DropReason check(const Bytes& b, Decoded& d) {
    return decode(b.data(), b.size(), d);
}

} // namespace

TEST(Wire, EveryMessageHasItsExactBytesAndRoundTrips) {
    EXPECT_EQ(encodeMove(0, 4, 1), (Bytes{85, 1, 5, 2, 0}));
    EXPECT_EQ(encodePromotion(0, 4), (Bytes{86, 1, 4, 0}));
    EXPECT_EQ(encodePieceState(1, 5, 0, true, 4, 7), (Bytes{87, 2, 6, 1, 2, 5, 8, 0}));
    EXPECT_EQ(encodePieceSelected(2, 1), (Bytes{89, 3, 2, 0}));
    EXPECT_EQ(encodeSwitchSides(1), (Bytes{84, 2, 0}));
    EXPECT_EQ(encodeNewGame(), (Bytes{83, 0}));
    EXPECT_EQ(encodeResign(), (Bytes{88, 0}));
    EXPECT_EQ(encodeChat("ok"), (Bytes{82, 'o', 'k', 0}));
    EXPECT_EQ(encodeHostBlock(0, 1, "H"), (Bytes{28, 90, 110, 1, 2, 'H', 0}));
    EXPECT_EQ(encodeGuestBlock("G"), (Bytes{28, 91, 110, 'G', 0}));
    GameDetails g;
    g.whiteQueenSide = g.blackKingSide = true;
    g.enPassantFile = 3;
    g.lastMoveFrom = 51;
    g.lastMoveTo = 35;
    EXPECT_EQ(encodeGameDetails(g), (Bytes{98, 7, 5, 53, 37, 0}));
    EXPECT_EQ(encodeGameDetails(GameDetails()), (Bytes{98, 1, 1, 1, 1, 0}));

    Decoded d;
    ASSERT_EQ(check(encodeGameDetails(g), d), DropReason::Accepted);
    EXPECT_EQ(d.details, g);
    ASSERT_EQ(check(encodeMove(4, 9, 27), d), DropReason::Accepted);
    EXPECT_EQ(d.kind * 100 + d.index * 10 + d.ordinal, 4 * 100 + 9 * 10 + 27);
    ASSERT_EQ(check(encodeHostBlock(1, -1, "Jiří"), d), DropReason::Accepted);
    EXPECT_EQ(d.colour, 1);
    EXPECT_EQ(d.sideToMove, -1); // a finished game names no side
    EXPECT_EQ(d.text, "Jiří");
    for (MessageId id :
         {MessageId::DrawOffer, MessageId::DrawAccepted, MessageId::DrawDeclined,
          MessageId::RevokeRequest, MessageId::RevokeAccepted, MessageId::RevokeDeclined}) {
        EXPECT_EQ(check(encodeBare(id), d), DropReason::Accepted);
        EXPECT_EQ(d.id, std::uint8_t(id));
    }
    // A dead piece may come with any square.
    ASSERT_EQ(check(Bytes{87, 1, 2, 3, 1, 200, 0xFF, 0}, d), DropReason::Accepted);
    EXPECT_FALSE(d.alive);
}

TEST(Wire, MalformedItemsAreDroppedWithTheirReason) {
    const std::vector<std::pair<Bytes, DropReason>> cases = {
        {{}, DropReason::Empty},
        {{42, 0}, DropReason::Unknown},
        {{99, 0}, DropReason::Unknown},
        {{90, 110, 0}, DropReason::Unknown}, // a block outside its envelope
        {{85, 1, 5, 2}, DropReason::Length},
        {{85, 1, 5, 2, 0, 0}, DropReason::Length},
        {{85, 1, 5, 2, 7}, DropReason::Length},
        {{85, 7, 1, 1, 0}, DropReason::Range},
        {{85, 1, 9, 1, 0}, DropReason::Range},
        {{85, 6, 2, 1, 0}, DropReason::Range}, // a second king
        {{85, 1, 1, 29, 0}, DropReason::Range},
        {{85, 0, 1, 1, 0}, DropReason::Range},
        {{86, 1, 5, 0}, DropReason::Range},
        {{86, 9, 1, 0}, DropReason::Range},
        {{84, 3, 0}, DropReason::Range},
        {{83, 1, 0}, DropReason::Length},
        {{87, 3, 1, 1, 2, 1, 1, 0}, DropReason::Range},
        {{87, 1, 1, 1, 3, 1, 1, 0}, DropReason::Range},
        {{87, 1, 1, 1, 2, 9, 1, 0}, DropReason::Range},
        {{87, 1, 1, 1, 2, 1}, DropReason::Length},
        {{89, 9, 1, 0}, DropReason::Range},
        {{98, 17, 1, 1, 1, 0}, DropReason::Range},
        {{98, 1, 10, 1, 1, 0}, DropReason::Range},
        {{98, 1, 1, 5, 1, 0}, DropReason::Range}, // a last move with one square
        {{82, 'h', 'i'}, DropReason::Unterminated},
        {{82, 'h', 0, 'i', 0}, DropReason::Length},
        {{82, 0}, DropReason::Range},
        {{28, 90, 110, 1, 1, 'X'}, DropReason::Unterminated},
        {{28, 90, 110, 0, 1, 'X', 0}, DropReason::Range},
        {{28, 91, 110}, DropReason::Length},
        {{28, 77, 110, 0}, DropReason::Range},
    };
    for (const auto& [bytes, reason] : cases) {
        Decoded d;
        EXPECT_EQ(check(bytes, d), reason)
            << (bytes.empty() ? -1 : int(bytes[0])) << " size " << bytes.size();
    }
    Decoded d;
    EXPECT_EQ(decode(nullptr, 4, d), DropReason::Empty);
    // Connection events and refusal blocks carry nothing more to check.
    EXPECT_EQ(check(Bytes{20}, d), DropReason::Accepted);
    EXPECT_EQ(check(Bytes{28, 81}, d), DropReason::Accepted);
    EXPECT_EQ(d.blockCode, 81);
}

TEST(Wire, TextsAreRepairedAndCutOnCharacterBoundaries) {
    // 149 bytes and a two-byte letter: the letter does not fit in 150.
    const std::string longLine = std::string(149, 'a') + "ř";
    EXPECT_EQ(encodeChat(longLine).size(), 149u + 2u);
    EXPECT_EQ(encodeChat(std::string(150, 'b')).size(), 152u);
    EXPECT_EQ(cleanText("a\x01\tb\x7F", 50), "ab");
    EXPECT_EQ(cleanText("x\xF0", 50), "x\xEF\xBF\xBD");
    EXPECT_EQ(cleanText("\xC0\xAF", 50), "\xEF\xBF\xBD\xEF\xBF\xBD");                 // overlong
    EXPECT_EQ(cleanText("\xED\xA0\x80", 50), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"); // surrogate
    EXPECT_TRUE(encodeChat("\x01\x02").empty());

    // A received over-long name or chat line is cut, not refused.
    Bytes block = {28, 91, 110};
    for (int i = 0; i < 49; ++i)
        block.push_back('n');
    block.push_back(0xC5); // "ř" straddles byte 50
    block.push_back(0x99);
    block.push_back(0);
    Decoded d;
    ASSERT_EQ(check(block, d), DropReason::Accepted);
    EXPECT_EQ(d.text, std::string(49, 'n'));
    Bytes chat = {82};
    for (int i = 0; i < 300; ++i)
        chat.push_back('c');
    chat.push_back(0);
    ASSERT_EQ(check(chat, d), DropReason::Accepted);
    EXPECT_EQ(d.text.size(), kMaxChatBytes);
}
