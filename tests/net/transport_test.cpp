// The ENet endpoints, LAN search and address lookup on loopback. Runs inside a private network
// namespace (tools/netns-run.sh), where the game ports are free and the limited broadcast
// address leads to loopback.
#include "net/transport.h"

#include <enet/enet.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

using namespace korvane::net;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

Timeouts quickTimeouts() {
    Timeouts t;
    t.connectMinimum = 200;
    t.connectMaximum = 600;
    t.playMinimum = 300;
    t.playMaximum = 900;
    return t;
}

std::vector<int> codes(const std::deque<Received>& items) {
    std::vector<int> out;
    for (const Received& item : items)
        out.push_back(item.data.empty() ? -1 : item.data[0]);
    return out;
}

bool has(const std::deque<Received>& items, NetEvent code) {
    for (int c : codes(items))
        if (c == int(code))
            return true;
    return false;
}

long msSince(Clock::time_point start) {
    return long(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The most this process has ever held in memory, in KiB.
long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = -1;
    while (status >> key)
        if (key == "VmHWM:") {
            status >> value;
            break;
        }
    return value;
}

// A peer that knows no bound but the library's own: it connects to the game port and sends
// one packet of `bytes`, then keeps its side of the link serviced until told to end.
pid_t hugePacketSender(std::size_t bytes) {
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    ENetHost* host = enet_host_create(nullptr, 1, 1, 0, 0);
    ENetAddress target;
    target.host = htonl(kLoopback);
    target.port = kGamePort;
    ENetPeer* peer = host ? enet_host_connect(host, &target, 1, 0) : nullptr;
    if (peer == nullptr)
        ::_exit(2);
    ENetEvent ev;
    bool sent = false;
    for (;;) {
        while (enet_host_service(host, &ev, 5) > 0)
            if (ev.type == ENET_EVENT_TYPE_CONNECT && !sent) {
                std::vector<std::uint8_t> chat(bytes, 'x');
                chat.front() = 82;
                chat.back() = 0;
                enet_peer_send(
                    peer, 0,
                    enet_packet_create(chat.data(), chat.size(), ENET_PACKET_FLAG_RELIABLE));
                sent = true;
            } else if (ev.type == ENET_EVENT_TYPE_RECEIVE) {
                enet_packet_destroy(ev.packet);
            }
    }
}

class Transport : public ::testing::Test {
  protected:
    // Every endpoint is pumped on each round, as the game's frame loop does: one left alone
    // for long would look lost to its peer.
    void pumpAll() {
        if (host)
            host->pump(hostItems);
        guest.pump(guestItems);
        second.pump(secondItems);
    }
    bool pumpUntil(const std::function<bool()>& done, int ms) {
        const auto start = Clock::now();
        while (msSince(start) < ms) {
            pumpAll();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    void startHost() {
        std::string error;
        ASSERT_TRUE(host->start(kGamePort, quickTimeouts(), error)) << error;
    }
    void connectGuest() {
        ASSERT_NO_FATAL_FAILURE(startHost());
        ASSERT_TRUE(guest.connect(kLoopback, kGamePort, quickTimeouts()));
        ASSERT_TRUE(pumpUntil([&] { return guest.connected() && host->hasGuest(); }, 2000));
        ASSERT_EQ(codes(hostItems), std::vector<int>{18});
        ASSERT_EQ(codes(guestItems), std::vector<int>{16});
        EXPECT_EQ(hostItems[0].address, kLoopback);
        EXPECT_EQ(guestItems[0].address, kLoopback);
        hostItems.clear();
        guestItems.clear();
    }
    // Runs a LAN search alongside the endpoints for up to `ms`; stops at the first answer.
    std::vector<std::uint32_t> search(LanSearch& lan, int ms) {
        std::vector<std::uint32_t> found;
        pumpUntil(
            [&] {
                for (std::uint32_t a : lan.poll())
                    found.push_back(a);
                return !found.empty();
            },
            ms);
        return found;
    }

    std::unique_ptr<HostEndpoint> host = std::make_unique<HostEndpoint>();
    GuestEndpoint guest, second;
    std::deque<Received> hostItems, guestItems, secondItems;
};

TEST_F(Transport, MessagesArriveInOrderBothWays) {
    ASSERT_NO_FATAL_FAILURE(connectGuest());
    constexpr int kCount = 300;
    for (int i = 0; i < kCount; ++i) {
        host->send(Bytes{82, std::uint8_t(i), std::uint8_t(i >> 8)});
        guest.send(Bytes{85, std::uint8_t(i), std::uint8_t(i >> 8)});
    }
    ASSERT_TRUE(
        pumpUntil([&] { return hostItems.size() >= kCount && guestItems.size() >= kCount; }, 5000));
    ASSERT_EQ(hostItems.size(), std::size_t(kCount));
    ASSERT_EQ(guestItems.size(), std::size_t(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(guestItems[i].data, (Bytes{82, std::uint8_t(i), std::uint8_t(i >> 8)}));
        EXPECT_EQ(hostItems[i].data, (Bytes{85, std::uint8_t(i), std::uint8_t(i >> 8)}));
        EXPECT_EQ(hostItems[i].address, kLoopback);
    }
}

// A 30 MB chat line is no message of the game: it never arrives, and its size is never
// reserved. Unbounded, the library delivers it within a few seconds on loopback.
TEST_F(Transport, AHugePacketIsRefusedAndItsSizeNeverHeld) {
    ASSERT_NO_FATAL_FAILURE(startHost());
    const long before = peakResidentKiB();
    const pid_t sender = hugePacketSender(30u << 20);
    ASSERT_GT(sender, 0);
    std::size_t largest = 0;
    pumpUntil(
        [&] {
            for (const Received& item : hostItems)
                largest = std::max(largest, item.data.size());
            return largest > kMaxPacketBytes;
        },
        6000);
    ::kill(sender, SIGKILL);
    ::waitpid(sender, nullptr, 0);
    EXPECT_TRUE(has(hostItems, NetEvent::NewIncomingConnection));
    EXPECT_LE(largest, kMaxPacketBytes);
    const long grown = peakResidentKiB() - before;
    std::printf("peak resident memory grew by %ld KiB\n", grown);
    EXPECT_LT(grown, 4 * 1024);
}

TEST_F(Transport, SecondGuestHearsTheGameIsFullAndTheFirstPlaysOn) {
    ASSERT_NO_FATAL_FAILURE(connectGuest());
    ASSERT_TRUE(second.connect(kLoopback, kGamePort, quickTimeouts()));
    const auto start = Clock::now();
    ASSERT_TRUE(
        pumpUntil([&] { return has(secondItems, NetEvent::NoFreeIncomingConnections); }, 1000));
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(codes(secondItems), (std::vector<int>{16, 19}));
    EXPECT_FALSE(second.connected());

    host->send(Bytes{82, 1});
    guest.send(Bytes{82, 2});
    ASSERT_TRUE(pumpUntil([&] { return !hostItems.empty() && !guestItems.empty(); }, 1000));
    EXPECT_EQ(codes(hostItems), std::vector<int>{82}); // the refusal itself is never reported
    EXPECT_EQ(guestItems[0].data, (Bytes{82, 1}));
    EXPECT_TRUE(host->hasGuest());
}

TEST_F(Transport, PartingsCarryTheirReason) {
    ASSERT_NO_FATAL_FAILURE(connectGuest());
    guest.shutDown(DisconnectReason::Left, 50);
    EXPECT_EQ(guest.descriptor(), -1);
    ASSERT_TRUE(pumpUntil([&] { return !hostItems.empty(); }, 1000));
    EXPECT_EQ(codes(hostItems), std::vector<int>{20});
    EXPECT_FALSE(host->hasGuest());

    // A dropped guest hears the reason; its leaving is not reported, and the seat is free again.
    hostItems.clear();
    ASSERT_TRUE(second.connect(kLoopback, kGamePort, quickTimeouts()));
    ASSERT_TRUE(pumpUntil([&] { return host->hasGuest() && second.connected(); }, 2000));
    host->dropGuest(DisconnectReason::Refused);
    ASSERT_TRUE(pumpUntil([&] { return !second.connected(); }, 1000));
    EXPECT_EQ(codes(secondItems), (std::vector<int>{16, 20}));
    GuestEndpoint third;
    std::deque<Received> thirdItems;
    ASSERT_TRUE(third.connect(kLoopback, kGamePort, quickTimeouts()));
    ASSERT_TRUE(pumpUntil(
        [&] {
            third.pump(thirdItems);
            return third.connected() && host->hasGuest();
        },
        2000));
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(codes(hostItems), (std::vector<int>{18, 18}));

    // The host closing down tells its guest it left.
    host->shutDown(DisconnectReason::Left, 300);
    EXPECT_EQ(host->descriptor(), -1);
    ASSERT_TRUE(pumpUntil(
        [&] {
            third.pump(thirdItems);
            return !third.connected();
        },
        1000));
    EXPECT_EQ(codes(thirdItems), (std::vector<int>{16, 20}));
}

TEST_F(Transport, GuestOfAVanishedHostLosesTheConnection) {
    ASSERT_NO_FATAL_FAILURE(connectGuest());
    host.reset();
    const auto start = Clock::now();
    ASSERT_TRUE(pumpUntil([&] { return !guestItems.empty(); }, 3000));
    EXPECT_EQ(codes(guestItems), std::vector<int>{21});
    EXPECT_GE(msSince(start), 300); // the play time-out, not the connect one, decided
    EXPECT_FALSE(guest.connected());
}

// Forwards datagrams between a guest and the host on the game port, or swallows them all
// while `dark`: a wireless link that drops out for a while.
class DropoutRelay {
  public:
    static constexpr std::uint16_t kPort = kGamePort + 10;

    DropoutRelay() {
        near_ = bound(kPort);
        far_ = bound(0);
    }
    ~DropoutRelay() {
        close(near_);
        close(far_);
    }
    void pump() {
        std::uint8_t buffer[2048];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        for (ssize_t got; (got = recvfrom(near_, buffer, sizeof buffer, MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&from), &length)) >= 0;
             length = sizeof from) {
            guest_ = from;
            if (!dark)
                forward(far_, buffer, got, to(kGamePort));
        }
        for (ssize_t got; (got = recv(far_, buffer, sizeof buffer, MSG_DONTWAIT)) >= 0;)
            if (!dark && guest_.sin_port != 0)
                forward(near_, buffer, got, guest_);
    }
    bool dark = false;

  private:
    static sockaddr_in to(std::uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(kLoopback);
        a.sin_port = htons(port);
        return a;
    }
    static int bound(std::uint16_t port) {
        const int s = socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in a = to(port);
        EXPECT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
        return s;
    }
    static void forward(int s, const std::uint8_t* data, ssize_t length, const sockaddr_in& a) {
        sendto(s, data, std::size_t(length), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    }
    int near_ = -1;
    int far_ = -1;
    sockaddr_in guest_{};
};

// With the game's own time-outs, a link that drops out for six seconds and comes back is not
// lost: ENet doubles the wait between resends, so a time-out that ends too soon after the
// last resend gives up on a link that works again.
TEST_F(Transport, LinkThatDropsOutForSixSecondsComesBack) {
    std::string error;
    ASSERT_TRUE(host->start(kGamePort, Timeouts{}, error)) << error;
    DropoutRelay relay;
    ASSERT_TRUE(guest.connect(kLoopback, DropoutRelay::kPort, Timeouts{}));
    const auto linked = [&] {
        relay.pump();
        return guest.connected() && host->hasGuest();
    };
    ASSERT_TRUE(pumpUntil(linked, 2000));
    pumpUntil([&] { return !linked(); }, 1000); // both sides have measured the round trip
    hostItems.clear();
    guestItems.clear();

    relay.dark = true;
    host->send(Bytes{82, 1});
    guest.send(Bytes{85, 2});
    pumpUntil([&] { return !linked(); }, 6000);
    relay.dark = false;
    const auto bothHeard = [&] { return !hostItems.empty() && !guestItems.empty(); };
    EXPECT_TRUE(pumpUntil([&] { return !linked() || bothHeard(); }, 15000));
    EXPECT_EQ(codes(hostItems), std::vector<int>{85});
    EXPECT_EQ(codes(guestItems), std::vector<int>{82});
    EXPECT_TRUE(guest.connected());
    EXPECT_TRUE(host->hasGuest());
}

TEST_F(Transport, ConnectWithoutAHostFailsWithinTheTimeOut) {
    ASSERT_TRUE(guest.connect(kLoopback, kGamePort, quickTimeouts()));
    const auto start = Clock::now();
    ASSERT_TRUE(pumpUntil([&] { return !guestItems.empty(); }, 3000));
    EXPECT_LT(msSince(start), 2000);
    EXPECT_EQ(codes(guestItems), std::vector<int>{17});
    EXPECT_FALSE(guest.connected());
}

TEST_F(Transport, SecondHostOnABusyPortSaysWhy) {
    ASSERT_NO_FATAL_FAILURE(startHost());
    HostEndpoint other;
    std::string error;
    EXPECT_FALSE(other.start(kGamePort, quickTimeouts(), error));
    EXPECT_FALSE(other.started());
    EXPECT_NE(error.find("3386"), std::string::npos) << error;
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
}

TEST_F(Transport, LanSearchFindsOnlyAHostWithoutAGuest) {
    ASSERT_NO_FATAL_FAILURE(startHost());
    LanSearch lan;
    ASSERT_TRUE(lan.start());
    EXPECT_EQ(search(lan, 1000), std::vector<std::uint32_t>{kLoopback});

    ASSERT_TRUE(guest.connect(kLoopback, kGamePort, quickTimeouts()));
    ASSERT_TRUE(pumpUntil([&] { return host->hasGuest() && guest.connected(); }, 2000));
    ASSERT_TRUE(lan.start());
    EXPECT_TRUE(search(lan, 300).empty());
    EXPECT_EQ(codes(hostItems), std::vector<int>{18}); // the pings never reached the game
}

TEST_F(Transport, LanSearchFallsBackWhenItsPortIsTaken) {
    const int blocker = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kLanSearchPort);
    ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);

    ASSERT_NO_FATAL_FAILURE(startHost());
    LanSearch lan;
    ASSERT_TRUE(lan.start());
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    ASSERT_EQ(getsockname(lan.descriptor(), reinterpret_cast<sockaddr*>(&bound), &length), 0);
    EXPECT_NE(ntohs(bound.sin_port), kLanSearchPort);
    EXPECT_EQ(search(lan, 1000), std::vector<std::uint32_t>{kLoopback});
    lan.stop();
    EXPECT_FALSE(lan.running());
    close(blocker);
}

TEST(LanDatagrams, OnlyExactPingsAndPongsCount) {
    const Bytes ping = lanPing(), pong = lanPong();
    EXPECT_TRUE(isLanPing(ping.data(), ping.size()));
    EXPECT_TRUE(isLanPong(pong.data(), pong.size()));
    EXPECT_FALSE(isLanPing(pong.data(), pong.size()));
    EXPECT_FALSE(isLanPong(ping.data(), ping.size()));
    EXPECT_FALSE(isLanPing(ping.data(), ping.size() - 1));
    Bytes longer = ping;
    longer.push_back(0);
    EXPECT_FALSE(isLanPing(longer.data(), longer.size()));
    EXPECT_FALSE(isLanPong(nullptr, 0));
}

TEST(AddressText, DottedQuadsOnly) {
    std::uint32_t a = 0;
    EXPECT_TRUE(parseIPv4(" 192.168.1.20\t", a));
    EXPECT_EQ(a, 0xC0A80114u);
    EXPECT_EQ(dottedAddress(a), "192.168.1.20");
    for (const char* bad : {"", "   ", "1.2.3", "1.2.3.256", "1.2.3.4.5", "a.b.c.d", "1.2.3.4 x"})
        EXPECT_FALSE(parseIPv4(bad, a)) << bad;
    EXPECT_FALSE(parseIPv4(std::string("1.2.3.4\0x", 9), a));
}

TEST(AddressLookupTest, NumbersAtOnceNamesLaterBlanksNever) {
    AddressLookup lookup;
    lookup.start("127.0.0.1");
    EXPECT_EQ(lookup.poll(), AddressLookup::State::Resolved);
    EXPECT_EQ(lookup.address(), kLoopback);

    lookup.start(" ");
    EXPECT_EQ(lookup.poll(), AddressLookup::State::Failed);

    lookup.start("localhost");
    const auto start = Clock::now();
    while (lookup.poll() == AddressLookup::State::Pending && msSince(start) < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(lookup.poll(), AddressLookup::State::Resolved);
    EXPECT_EQ(lookup.address(), kLoopback);

    // Abandoned while its worker may still run: the worker must not touch the lookup.
    auto abandoned = std::make_unique<AddressLookup>();
    abandoned->start("localhost");
    abandoned.reset();
    lookup.start("localhost");
    lookup.cancel();
    EXPECT_EQ(lookup.poll(), AddressLookup::State::Idle);
}

} // namespace
