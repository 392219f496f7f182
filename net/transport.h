// The network endpoints on ENet: the host's game endpoint (one guest, a spare slot to refuse a
// second one, LAN search answers), the guest's endpoint, and the LAN search socket. Nothing
// here knows the game: endpoints deliver items whose byte 0 is a connection event code (16-21,
// 28 for a received identification block) or a game message identifier, in arrival order.
// Everything runs on the caller's thread; nothing blocks except where a wait is asked for.
#pragma once

#include "wire.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

typedef struct _ENetHost ENetHost;
typedef struct _ENetPeer ENetPeer;

namespace korvane::net {

inline constexpr std::uint16_t kGamePort = 3386;
inline constexpr std::uint16_t kLanSearchPort = 3387;
inline constexpr const char* kBroadcastAddress = "255.255.255.255";

// Non-zero reasons of a deliberate ENet disconnect; a time-out and the initiating side's own
// DISCONNECT carry 0, so 0 always means "lost".
enum class DisconnectReason : std::uint32_t {
    Lost = 0,
    Left = 1,    // the peer left the game
    Full = 2,    // the host already has its guest
    Refused = 3, // the peer's identification was refused (protocol version)
};

// ENet time-outs, in milliseconds (see enet_peer_timeout). Tests shorten them. ENet checks
// them only when it resends, and it doubles the wait before each resend.
// Connecting: resends come 0.5, 1.5, 3.5 and 7.5 s after the first try, so a failed connect
// ends after about 3.5 s, and any connect maximum above 3.5 s means 7.5 s.
// Playing: the last resend before ENet gives up comes at least half the minimum after the
// first try, so the link may be dark that long, or lose a message and all its resends, and
// still count as up. With a 5 s minimum, a poor wireless link lost the game every minute or
// two. A peer that has gone silent is lost after 15 to 60 s, depending on the round trip.
struct Timeouts {
    std::uint32_t connectLimit = 0; // 0: ENet's default retry limit
    std::uint32_t connectMinimum = 1000;
    std::uint32_t connectMaximum = 3000;
    std::uint32_t playMinimum = 15000;
    std::uint32_t playMaximum = 30000;
};

// One received item with the IPv4 address it came from (host byte order).
struct Received {
    Bytes data;
    std::uint32_t address = 0;
};

// Initialises ENet once per process; false when it cannot be.
bool initialiseNetworking();

// Dotted text of an IPv4 address in host byte order.
std::string dottedAddress(std::uint32_t address);

// The host's endpoint: listens on the game port for one guest.
class HostEndpoint {
  public:
    HostEndpoint() = default;
    ~HostEndpoint(); // destroys at once, without telling the guest
    HostEndpoint(const HostEndpoint&) = delete;
    HostEndpoint& operator=(const HostEndpoint&) = delete;

    // False when the port cannot be bound; `error` then says why in words.
    bool start(std::uint16_t port, const Timeouts& timeouts, std::string& error);
    bool started() const { return host_ != nullptr; }
    bool hasGuest() const { return guest_ != nullptr; }

    // Sends one message to the guest, reliable and ordered on channel 0; nothing without one.
    void send(const Bytes& message);
    // Tells the guest why and drops it at once (the host stays up for the next one).
    void dropGuest(DisconnectReason reason);
    // Tells the guest, waits up to waitMs for it to hear, then closes the endpoint.
    void shutDown(DisconnectReason reason, int waitMs);

    // Moves everything ENet has received into `out`: 18 on a new guest (a second guest is
    // refused inside and never reported), 20 or 21 when the guest goes, data items otherwise.
    // LAN search pings are answered here while there is no guest.
    void pump(std::deque<Received>& out);
    // The socket's file descriptor for waiting, -1 when not started.
    int descriptor() const;

  private:
    ENetHost* host_ = nullptr;
    ENetPeer* guest_ = nullptr;
    Timeouts timeouts_;
};

// The guest's endpoint: one connection to a host.
class GuestEndpoint {
  public:
    GuestEndpoint() = default;
    ~GuestEndpoint();
    GuestEndpoint(const GuestEndpoint&) = delete;
    GuestEndpoint& operator=(const GuestEndpoint&) = delete;

    // Starts connecting to a numeric IPv4 address (host byte order). False when ENet cannot
    // make an endpoint; every later outcome arrives through pump().
    bool connect(std::uint32_t address, std::uint16_t port, const Timeouts& timeouts);
    bool connected() const { return connected_; }

    void send(const Bytes& message);
    void shutDown(DisconnectReason reason, int waitMs);

    // 16 when connected; 17 for a failed attempt; 19 when the host was full; 20 or 21 when
    // the host goes after the connection was up; data items otherwise.
    void pump(std::deque<Received>& out);
    int descriptor() const;

  private:
    ENetHost* host_ = nullptr;
    ENetPeer* peer_ = nullptr;
    bool connected_ = false;
    Timeouts timeouts_;
};

// The LAN search: one datagram to the broadcast address on the game port from the search
// port (an ephemeral port when that one is taken); hosts without a guest answer.
class LanSearch {
  public:
    LanSearch() = default;
    ~LanSearch();
    LanSearch(const LanSearch&) = delete;
    LanSearch& operator=(const LanSearch&) = delete;

    // Opens the socket and sends the ping. False when no socket could be opened.
    bool start(const std::string& broadcast = kBroadcastAddress, std::uint16_t port = kGamePort);
    bool running() const { return socket_ >= 0; }
    // Addresses (host byte order) of the answers that arrived since the last call, in arrival
    // order, duplicates included; anything that is not an answer is ignored.
    std::vector<std::uint32_t> poll();
    void stop();
    // The socket's file descriptor for waiting, -1 when not running.
    int descriptor() const { return socket_; }

  private:
    int socket_ = -1;
};

// Looks an address text up without blocking the caller: a dotted IPv4 address answers at
// once; a name is resolved on a worker thread whose answer poll() collects. A lookup that is
// abandoned (the object destroyed) never touches freed memory.
class AddressLookup {
  public:
    enum class State { Idle, Pending, Resolved, Failed };
    AddressLookup();
    ~AddressLookup();
    AddressLookup(const AddressLookup&) = delete;
    AddressLookup& operator=(const AddressLookup&) = delete;

    void start(const std::string& text);
    State poll(); // Resolved: address() holds the IPv4 address in host byte order
    std::uint32_t address() const { return address_; }
    void cancel();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    State state_ = State::Idle;
    std::uint32_t address_ = 0;
};

// A dotted IPv4 address ("192.168.1.20", surrounding blanks allowed) in host byte order.
bool parseIPv4(const std::string& text, std::uint32_t& address);

// The datagrams of the LAN search, recognised by the host endpoint and the search.
bool isLanPing(const std::uint8_t* data, std::size_t length);
bool isLanPong(const std::uint8_t* data, std::size_t length);
Bytes lanPing();
Bytes lanPong();

} // namespace korvane::net
