// The message bytes: exact layouts, every value round trip, and every malformed form dropped
// with its reason.
#include "wire.h"

#include <gtest/gtest.h>

using namespace korvane::net;

namespace {

DropReason check(const Bytes& b) {
    Decoded d;
    return decode(b.data(), b.size(), d);
}

Decoded accepted(const Bytes& b) {
    Decoded d;
    EXPECT_EQ(decode(b.data(), b.size(), d), DropReason::Accepted) << int(b.empty() ? -1 : b[0]);
    return d;
}

Bytes withText(Bytes head, const std::string& text) {
    head.insert(head.end(), text.begin(), text.end());
    head.push_back(0);
    return head;
}

std::string replaced(int count) {
    std::string out;
    while (count-- > 0)
        out += "\xEF\xBF\xBD";
    return out;
}

const std::string kRz = "\xC5\x99"; // ř, two bytes

} // namespace

TEST(Wire, EveryMessageHasItsExactBytes) {
    EXPECT_EQ(encodeMove(0, 4, 1), (Bytes{85, 1, 5, 2, 0}));
    EXPECT_EQ(encodePromotion(0, 4), (Bytes{86, 1, 4, 0}));
    EXPECT_EQ(encodePieceState(1, 5, 0, true, 4, 7), (Bytes{87, 2, 6, 1, 2, 5, 8, 0}));
    EXPECT_EQ(encodePieceSelected(2, 1), (Bytes{89, 3, 2, 0}));
    EXPECT_EQ(encodeSwitchSides(1), (Bytes{84, 2, 0}));
    EXPECT_EQ(encodeNewGame(), (Bytes{83, 0}));
    EXPECT_EQ(encodeResign(), (Bytes{88, 0}));
    EXPECT_EQ(encodeBare(MessageId::RevokeDeclined), (Bytes{97, 0}));
    EXPECT_EQ(encodeChat("ok"), (Bytes{82, 'o', 'k', 0}));
    EXPECT_EQ(encodeHostBlock(0, 1, "H"), (Bytes{28, 90, 110, 1, 2, 'H', 0}));
    EXPECT_EQ(encodeHostBlock(1, -1, ""), (Bytes{28, 90, 110, 2, 3, 0}));
    EXPECT_EQ(encodeGuestBlock("G"), (Bytes{28, 91, 110, 'G', 0}));
    EXPECT_EQ(encodeGameDetails({false, true, true, false, 3, 51, 35}),
              (Bytes{98, 7, 5, 53, 37, 0}));
    EXPECT_EQ(encodeGameDetails(GameDetails()), (Bytes{98, 1, 1, 1, 1, 0}));
}

TEST(Wire, EveryValueRoundTrips) {
    for (int kind = 0; kind < 6; ++kind)
        for (int index = 0; index <= (kind == 0 ? 7 : kind == 5 ? 0 : 9); ++index) {
            Decoded d = accepted(encodePieceSelected(kind, index));
            EXPECT_EQ(std::make_pair(d.kind, d.index), std::make_pair(kind, index));
            for (int ordinal = 0; ordinal < 28; ++ordinal) {
                d = accepted(encodeMove(kind, index, ordinal));
                EXPECT_EQ(std::make_tuple(d.kind, d.index, d.ordinal),
                          std::make_tuple(kind, index, ordinal));
            }
            for (int state = 0; state < 256; ++state) { // colour, alive, square
                const int colour = state / 128, x = state % 8, y = state / 8 % 8;
                const bool alive = state / 64 % 2;
                d = accepted(encodePieceState(colour, kind, index, alive, x, y));
                EXPECT_EQ(
                    std::make_tuple(d.colour, d.kind, d.index, d.alive, d.x, d.y),
                    std::make_tuple(colour, kind, index, alive, alive ? x : -1, alive ? y : -1));
            }
        }
    for (int pawn = 0; pawn < 8; ++pawn)
        for (int code = 1; code <= 4; ++code) {
            const Decoded d = accepted(encodePromotion(pawn, code));
            EXPECT_EQ(std::make_pair(d.index, d.pieceCode), std::make_pair(pawn, code));
        }
    for (int colour = 0; colour < 2; ++colour) {
        EXPECT_EQ(accepted(encodeSwitchSides(colour)).colour, colour);
        for (int side = -1; side < 2; ++side) {
            const Decoded d = accepted(encodeHostBlock(colour, side, "Jiří"));
            EXPECT_EQ(std::make_tuple(d.id, d.blockCode, d.version, d.colour, d.sideToMove, d.text),
                      std::make_tuple(28, 90, 110, colour, side, std::string("Jiří")));
        }
    }
    const Decoded guest = accepted(encodeGuestBlock("Guest"));
    EXPECT_EQ(std::make_tuple(guest.blockCode, guest.version, guest.text),
              std::make_tuple(91, 110, std::string("Guest")));
    for (int id = 92; id <= 97; ++id)
        EXPECT_EQ(accepted(encodeBare(MessageId(id))).id, id);
    const std::pair<int, int> lastMoves[] = {{-1, -1}, {0, 63}, {63, 0}, {12, 28}};
    for (int rights = 0; rights < 16; ++rights)
        for (int file = -1; file < 8; ++file)
            for (const auto& [from, to] : lastMoves) {
                const bool r[] = {bool(rights & 1), bool(rights & 2), bool(rights & 4),
                                  bool(rights & 8)};
                const GameDetails g{r[0], r[1], r[2], r[3], file, from, to};
                EXPECT_EQ(accepted(encodeGameDetails(g)).details, g) << rights << " " << file;
            }
}

TEST(Wire, OutOfRangeValuesEncodeToNothing) {
    const GameDetails noFile{false, false, false, false, 8, -1, -1};
    const GameDetails oneSquare{false, false, false, false, -1, 5, -1};
    const std::vector<Bytes> encoded[] = {
        {encodeSwitchSides(2), encodeMove(6, 0, 0), encodeMove(5, 1, 0), encodeMove(0, 8, 0)},
        {encodeMove(1, 10, 0), encodeMove(0, 0, 28), encodePromotion(8, 1), encodePromotion(0, 5)},
        {encodePieceSelected(-1, 0), encodePieceState(2, 0, 0, true, 0, 0)},
        {encodePieceState(0, 0, 0, true, 8, 0), encodeHostBlock(2, 0, "x")},
        {encodeHostBlock(0, 2, "x"), encodeGameDetails(noFile), encodeGameDetails(oneSquare)},
        {encodeChat(""), encodeChat("\x01\x02\n")}};
    for (std::size_t group = 0; group < std::size(encoded); ++group)
        for (const Bytes& b : encoded[group])
            EXPECT_TRUE(b.empty()) << "group " << group;
}

TEST(Wire, MalformedItemsAreDroppedWithTheirReason) {
    // Every fixed layout cut short, grown by a byte, or missing its final zero.
    const std::vector<Bytes> fixed[] = {
        {encodeNewGame(), encodeSwitchSides(0), encodeMove(0, 4, 1), encodePromotion(0, 4)},
        {encodePieceState(1, 5, 0, true, 4, 7), encodeResign(), encodePieceSelected(2, 1)},
        {encodeBare(MessageId::DrawOffer), encodeBare(MessageId::DrawAccepted)},
        {encodeBare(MessageId::DrawDeclined), encodeBare(MessageId::RevokeRequest)},
        {encodeBare(MessageId::RevokeAccepted), encodeBare(MessageId::RevokeDeclined)},
        {encodeGameDetails(GameDetails())}};
    for (const auto& group : fixed)
        for (const Bytes& good : group) {
            Bytes shorter(good.begin(), good.end() - 1), longer = good, unended = good;
            longer.push_back(0);
            unended.back() = 1;
            EXPECT_EQ(check(good), DropReason::Accepted) << int(good[0]);
            EXPECT_EQ(check(shorter), DropReason::Length) << int(good[0]);
            EXPECT_EQ(check(longer), DropReason::Length) << int(good[0]);
            EXPECT_EQ(check(unended), DropReason::Length) << int(good[0]);
        }

    const std::pair<DropReason, std::vector<Bytes>> cases[] = {
        {DropReason::Empty, {{}}},
        {DropReason::Unknown, {{0}, {15, 0}, {22}, {81, 0}, {99, 0}, {255}, {91, 110, 0}}},
        {DropReason::Unknown, {{90, 110, 1, 1, 0}}}, // a block outside its envelope
        {DropReason::Range, {{84, 0, 0}, {84, 3, 0}, {86, 9, 1, 0}, {86, 1, 0, 0}, {86, 1, 5, 0}}},
        {DropReason::Range, {{85, 0, 1, 1, 0}, {85, 7, 1, 1, 0}, {85, 1, 9, 1, 0}}},
        {DropReason::Range, {{85, 2, 11, 1, 0}, {85, 1, 1, 0, 0}, {85, 1, 1, 29, 0}}},
        {DropReason::Range, {{85, 6, 2, 1, 0}, {89, 6, 2, 0}, {89, 9, 1, 0}}}, // a second king
        {DropReason::Range, {{87, 3, 1, 1, 2, 1, 1, 0}, {87, 1, 1, 9, 2, 1, 1, 0}}},
        {DropReason::Range, {{87, 1, 1, 1, 3, 1, 1, 0}, {87, 1, 1, 1, 2, 9, 1, 0}}},
        {DropReason::Range, {{87, 1, 1, 1, 2, 1, 0, 0}, {98, 0, 1, 1, 1, 0}, {98, 17, 1, 1, 1, 0}}},
        {DropReason::Range, {{98, 1, 10, 1, 1, 0}, {98, 1, 1, 66, 2, 0}, {98, 1, 1, 2, 66, 0}}},
        {DropReason::Range, {{98, 1, 1, 5, 1, 0}, {98, 1, 1, 1, 5, 0}}}, // one square only
        {DropReason::Range, {{82, 0}, {82, 7, 0}}}, // no text, or none left once cleaned
        {DropReason::Range, {{28, 90, 110, 0, 1, 'X', 0}, {28, 90, 110, 3, 1, 'X', 0}}},
        {DropReason::Range, {{28, 77, 110, 0}}},
        {DropReason::Unterminated, {{82}, {82, 'h', 'i'}, {28, 91, 110}}},
        {DropReason::Unterminated, {{28, 90, 110, 1, 1}, {28, 90, 110, 1, 1, 'X'}}},
        {DropReason::Length, {{82, 'h', 0, 'i', 0}, {82, 'h', 0, 0}, {28}, {28, 90, 110, 1}}},
        {DropReason::Length, {{28, 90, 110, 1, 1, 'X', 0, 0}, {28, 91}, {28, 91, 110, 'G', 0, 1}}}};
    for (const auto& [reason, items] : cases)
        for (const Bytes& bytes : items)
            EXPECT_EQ(check(bytes), reason)
                << int(bytes.empty() ? -1 : bytes[0]) << " size " << bytes.size();
    Decoded d;
    EXPECT_EQ(decode(nullptr, 4, d), DropReason::Empty);

    // Connection events carry nothing to check; refusal blocks only make the receiver leave.
    for (std::uint8_t event : {16, 17, 18, 19, 20, 21, 27}) {
        EXPECT_EQ(accepted({event}).id, event);
        EXPECT_EQ(accepted({event, 9, 9}).id, event);
    }
    EXPECT_EQ(accepted({28, 80}).blockCode, 80);
    EXPECT_EQ(accepted({28, 81, 1, 2, 3}).blockCode, 81);
    // Another version is the session's to refuse; a side byte naming no side leaves it alone.
    d = accepted({28, 90, 7, 2, 3, 'N', 0});
    EXPECT_EQ(std::make_tuple(d.version, d.colour, d.sideToMove, d.text),
              std::make_tuple(7, 1, -1, std::string("N")));
    d = accepted({28, 90, 110, 1, 0, 0});
    EXPECT_EQ(std::make_tuple(d.sideToMove, d.text), std::make_tuple(-1, std::string()));
    EXPECT_EQ(accepted({28, 91, 99, 0}).version, 99);
    // A dead piece may come with any square, even the zero bytes of a reserve never placed.
    d = accepted({87, 1, 2, 3, 1, 0, 0, 0});
    EXPECT_EQ(std::make_tuple(d.alive, d.x, d.y), std::make_tuple(false, -1, -1));
}

TEST(Wire, TextsAreRepairedAndCut) {
    EXPECT_EQ(cleanText("a\x01\tb\n\x1F\x7Fz", 50), "abz");
    EXPECT_EQ(cleanText("\xF0\x9F\x98\x80\xC3\xA9", 50), "\xF0\x9F\x98\x80\xC3\xA9");
    // One replacement for each longest piece of a character that went wrong.
    EXPECT_EQ(cleanText("\x80\xFF", 50), replaced(2));
    EXPECT_EQ(cleanText("\xE2\x82G\xF0\x9F\x98", 50), replaced(1) + "G" + replaced(1));
    EXPECT_EQ(cleanText("\xC3G\xF5\x80", 50), replaced(1) + "G" + replaced(2));
    EXPECT_EQ(cleanText("\xC0\xAF", 50), replaced(2));         // overlong
    EXPECT_EQ(cleanText("\xE0\x80\xAF", 50), replaced(3));     // overlong
    EXPECT_EQ(cleanText("\xED\xA0\x80", 50), replaced(3));     // surrogate
    EXPECT_EQ(cleanText("\xF4\x90\x80\x80", 50), replaced(4)); // past U+10FFFF
    // The limit counts the replacement's three bytes and never splits a character.
    EXPECT_EQ(cleanText("\xFF\xFF", 5), replaced(1));
    EXPECT_EQ(cleanText("ab" + kRz, 3), "ab");

    // Chat: 150 bytes go whole; a letter straddling byte 150 is left out, sent or received.
    const std::string fits = std::string(148, 'a') + kRz;
    const std::string straddles = std::string(149, 'a') + kRz;
    EXPECT_EQ(encodeChat(std::string(150, 'b')), withText({82}, std::string(150, 'b')));
    EXPECT_EQ(encodeChat(fits), withText({82}, fits));
    EXPECT_EQ(encodeChat(straddles), withText({82}, std::string(149, 'a')));
    EXPECT_EQ(accepted(withText({82}, fits)).text, fits);
    EXPECT_EQ(accepted(withText({82}, straddles)).text, std::string(149, 'a'));
    EXPECT_EQ(accepted(withText({82}, std::string(300, 'c'))).text, std::string(150, 'c'));
    EXPECT_EQ(accepted({82, 'a', 0xFF, 7, 'b', 0}).text, "a" + replaced(1) + "b");

    // Names: 50 bytes go whole, longer ones are cut on a character boundary.
    const std::string name50(50, 'n'), cutName(49, 'n');
    EXPECT_EQ(encodeHostBlock(0, 0, name50), withText({28, 90, 110, 1, 1}, name50));
    EXPECT_EQ(encodeHostBlock(0, 0, name50 + "x"), withText({28, 90, 110, 1, 1}, name50));
    EXPECT_EQ(encodeGuestBlock(cutName + kRz), withText({28, 91, 110}, cutName));
    EXPECT_EQ(accepted(withText({28, 91, 110}, name50)).text, name50);
    EXPECT_EQ(accepted(withText({28, 90, 110, 1, 1}, name50 + "x")).text, name50);
    EXPECT_EQ(accepted(withText({28, 91, 110}, cutName + kRz)).text, cutName);
}
