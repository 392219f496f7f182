// Two sessions (or a session and a scripted peer made of a bare endpoint) on loopback, inside
// the private network namespace the test runner makes. No windows: the view records.
#include "session.h"
#include "tests/support/pairing.h"

#include "game/cues.h"
#include "rules/fen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using namespace korvane;
using namespace korvane::testing;
using namespace korvane::net;

namespace {

struct RecordingView : NetView {
    std::vector<std::string> lines, events;
    void chatLine(const std::string& l) override { lines.push_back(l); }
    void hostingStarted() override { events.push_back("hosting"); }
    void hostingFailed(const std::string&) override { events.push_back("hostingFailed"); }
    void lanSearchStarted() override { events.push_back("search"); }
    void lanHostFound(const std::string& a) override { events.push_back("found " + a); }
    void lanSearchEnded(int n) override { events.push_back("ended " + std::to_string(n)); }
    void connectFailed() override { events.push_back("failed"); }
    void joined(int colour) override { events.push_back("joined " + std::to_string(colour)); }
    void sessionRefused() override { events.push_back("refused"); }
    void positionRefused() override { events.push_back("impossible"); }
    void hostGone(bool lost) override { events.push_back(lost ? "lost" : "left"); }
    void questionAsked(Question q) override {
        events.push_back(q == Question::Draw ? "asked draw" : "asked revoke");
    }
    void questionClosed() override { events.push_back("closed"); }
    void newGameStarted() override { events.push_back("newGame"); }
    void resigned(int winner) override { events.push_back("won " + std::to_string(winner)); }
    bool saw(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    bool said(const std::string& l) const {
        return std::find(lines.begin(), lines.end(), l) != lines.end();
    }
};

SessionOptions fastOptions(std::uint16_t port = kGamePort) {
    SessionOptions o;
    o.port = port;
    o.timeouts = Timeouts{0, 200, 600, 300, 900};
    o.lanSearchSeconds = 0.5;
    o.joinDeadlineSeconds = 2.0;
    return o;
}

struct Peer {
    Game game{false};
    RecordingView view;
    // The view follows the side this player plays, as the game's cues turn it.
    CueSettings cues;
    bool flipped = false;
    GameCues gameCues{cues, CueHooks{[this] { flipped = !flipped; },
                                     [this](bool blackSide) { flipped = blackSide; },
                                     {}}};
    NetSession session;
    const Position& position = game.position();
    const GameState& state = game.state();
    explicit Peer(SessionOptions o = fastOptions()) : session(game, view, o) {
        game.addObserver(gameCues);
        game.newGame();
    }
    std::string fen() const { return writeFen(position, state.sideToMove); }
    // Plays "e2e4" (or "a7a8q") as this player's clicks would.
    bool play(const std::string& move) {
        auto sq = [&](int at) { return (move[at] - 'a') + 8 * (move[at + 1] - '1'); };
        const int from = sq(0), to = sq(2);
        const Fig* p = position.findPieceAt(colourOf(state.sideToMove), from % 8, from / 8);
        if (!p || !game.selectPiece(p->colour, p->kind, p->index))
            return false;
        for (int k = 0; k < p->moveCount; ++k)
            if (p->moves[k] == to)
                return game.executeMove(k) &&
                       (move.size() < 5 ||
                        game.completePromotion(int(std::string("rnbq").find(move[4])) + 1));
        return false;
    }
};

// Services every session until the condition holds; false after `ms`.
bool until(std::initializer_list<Peer*> players, const std::function<bool()>& done, int ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        for (Peer* p : players)
            p->session.service();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

void join(Peer& host, Peer& guest) {
    if (host.session.role() != Role::Host) {
        ASSERT_TRUE(host.session.host("Hostitel"));
    }
    guest.session.connect("127.0.0.1", "Host Jiří");
    ASSERT_TRUE(until({&host, &guest}, [&] {
        return guest.state.networkGame() && !guest.state.joinPending && host.session.linkUp() &&
               guest.session.linkUp();
    }));
}

// A scripted peer: a bare guest endpoint that has introduced itself to the host.
struct RawGuest {
    GuestEndpoint endpoint;
    std::deque<Received> inbox;
    bool connectTo(Peer& host, const Bytes& block) {
        if (!endpoint.connect(0x7f000001, kGamePort, Timeouts{0, 200, 600, 300, 900}))
            return false;
        if (!until({&host}, [&] {
                endpoint.pump(inbox);
                return endpoint.connected();
            }))
            return false;
        endpoint.send(block);
        return true;
    }
};

} // namespace

TEST(Session, TwoPlayersStayInStepThroughCastlingEnPassantAndPromotion) {
    Peer host, guest;
    join(host, guest);
    EXPECT_EQ(pairingOf(guest.state), Pairing::NetworkBlack);
    EXPECT_TRUE(guest.flipped);
    EXPECT_EQ(guest.session.peerName(), "Hostitel");
    EXPECT_EQ(host.session.peerName(), "Host Jiří");
    EXPECT_TRUE(host.view.said("Player connected:"));
    EXPECT_TRUE(guest.view.said("Connected to:"));

    const char* moves[] = {"e2e4", "d7d5", "e4d5", "g8f6", "g1f3", "c7c5", "d5c6", "e7e6",
                           "c6b7", "f8e7", "f1e2", "e8g8", "e1g1", "b8c6", "b7a8q"};
    for (const char* m : moves) {
        Peer& mover = host.state.sideToMove == Turn::White ? host : guest;
        Peer& other = &mover == &host ? guest : host;
        ASSERT_TRUE(mover.play(m)) << m;
        ASSERT_TRUE(until({&host, &guest}, [&] { return other.fen() == mover.fen(); })) << m;
        EXPECT_FALSE(other.state.promotionPending) << m;
    }
    EXPECT_EQ(guest.fen(), "Q1bq1rk1/p3bppp/2n1pn2/8/8/5N2/PPPPBPPP/RNBQ1RK1 b - - 0 1");
    EXPECT_EQ(host.session.drops().total() + guest.session.drops().total(), 0);

    // Chat both ways, cut to 150 bytes on a character boundary.
    guest.session.sendChat(std::string(149, 'a') + "ř!");
    host.session.sendChat("Dobrý tah");
    ASSERT_TRUE(until({&host, &guest}, [&] {
        return host.view.said("Host Jiří: " + std::string(149, 'a')) &&
               guest.view.said("Hostitel: Dobrý tah");
    }));
    EXPECT_TRUE(host.view.said("Hostitel(me): Dobrý tah"));
}

TEST(Session, JoinCarriesCastlingRightsEnPassantAndTheHostsLiveColours) {
    Peer host;
    ASSERT_TRUE(host.session.host("H"));
    for (const char* m : {"e2e4", "d7d5", "e1e2", "e8d7", "e2e1", "d7e8", "e4e5", "f7f5"})
        ASSERT_TRUE(host.play(m)) << m;
    // The host swaps to Black before anyone joins: the guest takes White, on the move.
    host.session.switchSides();
    EXPECT_EQ(pairingOf(host.state), Pairing::NetworkBlack);
    Peer guest;
    join(host, guest);
    EXPECT_EQ(pairingOf(guest.state), Pairing::NetworkWhite);
    EXPECT_EQ(guest.fen(), host.fen());
    EXPECT_EQ(guest.fen(), "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w - f6 0 1");
    EXPECT_EQ(guest.game.details(), host.game.details());
    // Neither side can take back a move the guest never saw.
    EXPECT_FALSE(host.game.revokeLastMove());
    // The guest may take en passant right away.
    ASSERT_TRUE(guest.play("e5f6"));
    ASSERT_TRUE(until({&host, &guest}, [&] { return guest.fen() == host.fen(); }));
    EXPECT_EQ(host.fen(), "rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/RNBQKBNR b - - 0 1");
}

TEST(Session, SecondGuestIsRefusedAndTheFirstPlaysOn) {
    Peer host, guest, third;
    join(host, guest);
    const auto asked = std::chrono::steady_clock::now();
    third.session.connect("127.0.0.1", "Third");
    ASSERT_TRUE(until(
        {&host, &guest, &third}, [&] { return third.view.saw("failed"); }, 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    EXPECT_EQ(pairingOf(third.state), Pairing::None);
    ASSERT_TRUE(host.play("e2e4"));
    ASSERT_TRUE(until({&host, &guest}, [&] { return guest.fen() == host.fen(); }));
    // A host with its guest does not answer a LAN search.
    third.session.searchLan();
    ASSERT_TRUE(until({&host, &guest, &third}, [&] { return third.view.saw("ended 0"); }));
    guest.session.leave();
    third.session.searchLan();
    ASSERT_TRUE(until({&host, &third}, [&] { return third.view.saw("ended 1"); }));
    EXPECT_TRUE(third.view.saw("found 127.0.0.1"));
    EXPECT_TRUE(host.view.said("Remote player disconnected."));
}

TEST(Session, LeavingAndLosingThePeer) {
    Peer host, guest;
    join(host, guest);
    ASSERT_TRUE(host.play("e2e4"));
    guest.session.offerDraw();
    ASSERT_TRUE(until({&host, &guest}, [&] { return host.view.saw("asked draw"); }));
    host.session.leave();
    ASSERT_TRUE(until({&guest}, [&] { return guest.view.saw("left"); }));
    // The guest's board is inert; its question went with the link.
    EXPECT_EQ(guest.state.sideToMove, Turn::Over);
    EXPECT_EQ(guest.state.question, Question::None);
    EXPECT_EQ(guest.session.role(), Role::None);
    guest.session.closeError();
    EXPECT_EQ(pairingOf(guest.state), Pairing::None);

    // A host that vanishes without a word: the guest counts it lost.
    Peer lonely;
    {
        HostEndpoint silent;
        std::string error;
        ASSERT_TRUE(silent.start(kGamePort, Timeouts{0, 200, 600, 300, 900}, error));
        lonely.session.connect("127.0.0.1", "G");
        std::deque<Received> in;
        ASSERT_TRUE(until({&lonely}, [&] {
            silent.pump(in);
            return silent.hasGuest();
        }));
        silent.send(encodeHostBlock(White, White, "Gone"));
        ASSERT_TRUE(until({&lonely}, [&] { return lonely.view.saw("joined 1"); }));
    }
    ASSERT_TRUE(until(
        {&lonely}, [&] { return lonely.view.saw("lost"); }, 4000));

    // A guest that vanishes: the host says so and stays up for the next one.
    Peer host2;
    ASSERT_TRUE(host2.session.host("H2"));
    {
        RawGuest raw;
        ASSERT_TRUE(raw.connectTo(host2, encodeGuestBlock("Raw")));
        ASSERT_TRUE(until({&host2}, [&] { return host2.session.linkUp(); }));
    }
    ASSERT_TRUE(until(
        {&host2}, [&] { return host2.view.said("Connection with remote player lost."); }, 4000));
    EXPECT_EQ(host2.session.role(), Role::Host);
    EXPECT_EQ(host2.session.peerName(), "");
}

TEST(Session, QuestionsAreAnExplicitStateOnBothSides) {
    Peer host, guest;
    join(host, guest);
    auto sync = [&] {
        return until({&host, &guest}, [&] {
            return host.state.question == guest.state.question &&
                   host.state.sideToMove == guest.state.sideToMove;
        });
    };
    // Nothing to take back yet, and one's own turn asks nothing.
    host.session.requestRevoke();
    EXPECT_EQ(host.state.question, Question::None);
    ASSERT_TRUE(host.play("e2e4"));
    ASSERT_TRUE(until({&host, &guest}, [&] { return guest.fen() == host.fen(); }));
    host.session.requestRevoke();
    ASSERT_TRUE(until({&host, &guest}, [&] { return guest.view.saw("asked revoke"); }));
    // Frozen for both, although it is Black's turn.
    EXPECT_FALSE(guest.play("e7e5"));
    guest.session.answerRevoke(true);
    ASSERT_TRUE(sync());
    EXPECT_EQ(host.fen(), guest.fen());
    EXPECT_EQ(host.state.sideToMove, Turn::White);
    EXPECT_TRUE(host.view.said("Move revoking has been accepted."));

    // Answers nobody asked for change nothing.
    const int before = guest.session.drops().outOfState;
    for (MessageId id : {MessageId::DrawAccepted, MessageId::DrawDeclined,
                         MessageId::RevokeAccepted, MessageId::RevokeDeclined}) {
        const Bytes b = encodeBare(id);
        guest.session.handleReceived(b.data(), b.size());
    }
    EXPECT_EQ(guest.session.drops().outOfState, before + 4);
    EXPECT_EQ(guest.state.sideToMove, Turn::White);

    // A draw offered, declined; then both offer at once: agreed.
    guest.session.offerDraw();
    ASSERT_TRUE(until({&host, &guest}, [&] { return host.view.saw("asked draw"); }));
    host.session.answerDraw(false);
    ASSERT_TRUE(sync());
    EXPECT_EQ(host.state.sideToMove, Turn::White);
    host.session.offerDraw();
    guest.session.offerDraw();
    ASSERT_TRUE(until({&host, &guest}, [&] {
        return host.state.sideToMove == Turn::Over && guest.state.sideToMove == Turn::Over;
    }));
    EXPECT_EQ(host.state.question, Question::None);
    // A resignation after the end is ignored; a new game opens the board on both sides.
    guest.session.resign();
    host.session.newGame();
    ASSERT_TRUE(sync());
    EXPECT_EQ(guest.state.sideToMove, Turn::White);
    EXPECT_FALSE(host.view.saw("won 0"));
    // A swap cancels an open question.
    guest.session.offerDraw();
    ASSERT_TRUE(until({&host, &guest}, [&] { return host.state.question == Question::Draw; }));
    host.session.switchSides();
    ASSERT_TRUE(sync());
    EXPECT_EQ(guest.state.question, Question::None);
    EXPECT_EQ(pairingOf(guest.state), Pairing::NetworkWhite);
    EXPECT_FALSE(guest.flipped);
    guest.session.resign();
    ASSERT_TRUE(until({&host, &guest}, [&] { return host.view.saw("won 1"); }));
    EXPECT_TRUE(guest.view.saw("won 1"));
}

TEST(Session, AClaimIsADrawOfferThePeerChecksByItsOwnGame) {
    Peer host, guest;
    join(host, guest);
    auto playBoth = [&](std::initializer_list<const char*> moves) {
        for (const char* m : moves) {
            Peer& mover = host.state.sideToMove == Turn::White ? host : guest;
            ASSERT_TRUE(mover.play(m)) << m;
            ASSERT_TRUE(until({&host, &guest}, [&] { return host.fen() == guest.fen(); })) << m;
        }
    };
    // Twice back to the start: not yet a claim, so nothing goes out.
    playBoth({"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"});
    guest.session.claimDraw();
    EXPECT_EQ(guest.state.question, Question::None);
    playBoth({"f6g8"});
    // Only the player on move claims.
    guest.session.claimDraw();
    EXPECT_EQ(guest.state.question, Question::None);

    host.session.claimDraw();
    ASSERT_TRUE(until({&host, &guest}, [&] {
        return host.state.sideToMove == Turn::Over && guest.state.sideToMove == Turn::Over;
    }));
    EXPECT_FALSE(guest.view.saw("asked draw"));
    EXPECT_TRUE(guest.view.said("Your opponent has claimed a draw."));
    EXPECT_EQ(host.state.question, Question::None);
    EXPECT_EQ(guest.session.drops().total(), 0);
    EXPECT_EQ(host.session.drops().total(), 0);

    // In a new game the same offer from the side on move is an ordinary question again.
    host.session.newGame();
    ASSERT_TRUE(until({&host, &guest}, [&] { return guest.state.sideToMove == Turn::White; }));
    const Bytes offer = encodeBare(MessageId::DrawOffer);
    guest.session.handleReceived(offer.data(), offer.size());
    EXPECT_TRUE(guest.view.saw("asked draw"));
    EXPECT_EQ(guest.state.sideToMove, Turn::White);
}

TEST(Session, MalformedOutOfRoleAndOutOfTurnPacketsAreDroppedWithTheGameUntouched) {
    Peer host;
    ASSERT_TRUE(host.session.host("H"));
    RawGuest raw;
    ASSERT_TRUE(raw.connectTo(host, encodeGuestBlock("Raw")));
    ASSERT_TRUE(until({&host}, [&] { return host.session.linkUp(); }));
    const std::string fen = host.fen();
    const std::vector<Bytes> bad = {
        {85, 1, 5, 2},               // no final zero
        {85, 1, 5, 2, 0, 0},         // too long
        {85, 1, 13, 2, 0},           // pawn index 12
        {85, 1, 13},                 // truncated
        {82, 'h', 'i'},              // text without its zero
        {89, 2, 1, 0},               // a white rook selected on White's turn by Black
        {85, 1, 5, 2, 0},            // Black "moves" the e2 pawn on White's turn
        {86, 1, 4, 0},               // a promotion nobody is waiting for
        {83, 0},                     // new game: the host's word
        {84, 2, 0},                  // colour swap: the host's word
        {87, 1, 1, 1, 1, 1, 4, 0},   // piece state: the host's word
        {98, 1, 1, 1, 1, 0},         // details: the host's word
        {28, 90, 110, 1, 1, 'X', 0}, // a host block from a guest
        {96, 0},                     // an answer to no question
        {42, 0},                     // unknown identifier
    };
    for (const Bytes& b : bad)
        raw.endpoint.send(b);
    raw.endpoint.send(encodeChat("still here"));
    ASSERT_TRUE(until({&host}, [&] {
        raw.endpoint.pump(raw.inbox);
        return host.view.said("Raw: still here");
    }));
    EXPECT_EQ(host.session.drops().total(), int(bad.size()));
    EXPECT_EQ(host.fen(), fen);
    EXPECT_TRUE(host.session.linkUp());
}

TEST(Session, WrongProtocolVersionDropsOnlyThatGuest) {
    Peer host;
    ASSERT_TRUE(host.session.host("H"));
    ASSERT_TRUE(host.play("d2d4"));
    RawGuest old;
    Bytes block = encodeGuestBlock("Old");
    block[2] = 109;
    ASSERT_TRUE(old.connectTo(host, block));
    ASSERT_TRUE(until({&host}, [&] {
        old.endpoint.pump(old.inbox);
        return !old.inbox.empty() &&
               old.inbox.back().data[0] == std::uint8_t(NetEvent::DisconnectionNotification);
    }));
    EXPECT_EQ(host.session.role(), Role::Host);
    EXPECT_EQ(pairingOf(host.state), Pairing::NetworkWhite);
    // The next guest joins the same game.
    Peer guest;
    join(host, guest);
    EXPECT_EQ(guest.fen(), host.fen());

    // A guest told a wrong version goes back to the menu.
    Peer refused;
    HostEndpoint fake;
    std::string error;
    host.session.leave();
    ASSERT_TRUE(fake.start(kGamePort, Timeouts{0, 200, 600, 300, 900}, error));
    refused.session.connect("127.0.0.1", "R");
    std::deque<Received> in;
    ASSERT_TRUE(until({&refused}, [&] {
        fake.pump(in);
        return fake.hasGuest();
    }));
    Bytes hostBlock = encodeHostBlock(White, White, "New");
    hostBlock[2] = 111;
    fake.send(hostBlock);
    ASSERT_TRUE(until({&refused}, [&] { return refused.view.saw("refused"); }));
    EXPECT_EQ(pairingOf(refused.state), Pairing::None);
}

TEST(Session, GuestArrivingDuringAPromotionChoiceGetsThePositionAfterIt) {
    Peer host;
    ASSERT_TRUE(host.session.host("H"));
    std::string error;
    ASSERT_TRUE(host.game.setUp("7k/P7/8/8/8/8/8/K7 w - - 0 1", &error));
    ASSERT_TRUE(host.play("a7a8"));
    ASSERT_TRUE(host.state.promotionPending);
    Peer guest;
    guest.session.connect("127.0.0.1", "G");
    ASSERT_TRUE(until({&host, &guest}, [&] { return host.session.linkUp(); }));
    EXPECT_TRUE(guest.state.joinPending);
    // The guest's own promotion pop-up never opens for the host's choice.
    EXPECT_FALSE(guest.session.mayChoosePromotion());
    ASSERT_TRUE(host.game.completePromotion(KnightKind));
    ASSERT_TRUE(until({&host, &guest},
                      [&] { return !guest.state.joinPending && guest.fen() == host.fen(); }));
    EXPECT_EQ(guest.fen(), "N6k/8/8/8/8/8/8/K7 b - - 0 1");
}

// A host that sends a position no game can reach: the guest plays none of it, leaves as a
// guest leaves, and says why. With details the details end the dump; without them the first
// other message does.
TEST(Session, AHostsImpossiblePositionMakesTheGuestLeave) {
    struct Case {
        const char* what;
        int kind, index, x, y; // the white piece the host misplaces
        bool details;
    };
    for (const Case c : {Case{"a queen on the black king", QueenKind, 0, 4, 7, true},
                         Case{"a pawn on the last rank", PawnKind, 3, 3, 7, false}}) {
        SCOPED_TRACE(c.what);
        Peer guest;
        HostEndpoint fake;
        std::string error;
        ASSERT_TRUE(fake.start(kGamePort, Timeouts{0, 200, 600, 300, 900}, error)) << error;
        guest.session.connect("127.0.0.1", "G");
        std::deque<Received> in;
        ASSERT_TRUE(until({&guest}, [&] {
            fake.pump(in);
            return fake.hasGuest();
        }));
        fake.send(encodeHostBlock(White, White, "Hostile"));
        Game start;
        start.newGame();
        for (int colour = 0; colour < 2; ++colour)
            for (const Fig& p : start.position().sets[colour].pieces) {
                const bool moved = colour == White && p.kind == c.kind && p.index == c.index;
                fake.send(encodePieceState(colour, p.kind, p.index, p.alive || p.kind == KingKind,
                                           moved ? c.x : std::max(p.x, 0),
                                           moved ? c.y : std::max(p.y, 0)));
            }
        fake.send(c.details ? encodeGameDetails(start.details()) : encodeChat("hello"));
        ASSERT_TRUE(until({&guest}, [&] {
            fake.pump(in);
            return guest.view.saw("impossible");
        }));
        EXPECT_EQ(guest.session.role(), Role::None);
        EXPECT_EQ(pairingOf(guest.state), Pairing::None);
        EXPECT_FALSE(guest.state.joinPending);
        EXPECT_EQ(guest.fen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
        EXPECT_FALSE(guest.view.said("Hostile: hello"));
        // The host hears an ordinary leave.
        ASSERT_TRUE(until({&guest}, [&] {
            fake.pump(in);
            return !in.empty() &&
                   in.back().data[0] == std::uint8_t(NetEvent::DisconnectionNotification);
        }));
    }
}
