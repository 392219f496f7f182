#include "transport.h"

#include "config/config_store.h"

#include <enet/enet.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>

namespace korvane::net {

namespace {

// The LAN search datagrams. The leading 0xFF and the exact length keep them apart from ENet's
// own datagrams, which the host's intercept sees as well.
// clang-format off
constexpr std::uint8_t kPing[] = {0xFF, 'K', 'O', 'R', 'V', 'A', 'N', 'E', '-', 'L', 'A', 'N', '-',
                                  'S', 'E', 'A', 'R', 'C', 'H', 0, kProtocolVersion};
constexpr std::uint8_t kPong[] = {0xFF, 'K', 'O', 'R', 'V', 'A', 'N', 'E', '-', 'L', 'A', 'N', '-',
                                  'G', 'A', 'M', 'E', 0, kProtocolVersion};
// clang-format on

bool sameBytes(const std::uint8_t* data, std::size_t length, const std::uint8_t* wanted,
               std::size_t wantedLength) {
    return data != nullptr && length == wantedLength && std::memcmp(data, wanted, length) == 0;
}

Received event(NetEvent code, const ENetPeer* peer) {
    return Received{Bytes{std::uint8_t(code)}, ntohl(peer->address.host)};
}

Received packetItem(const ENetEvent& ev) {
    const std::uint8_t* data = ev.packet->data;
    return Received{Bytes(data, data + ev.packet->dataLength), ntohl(ev.peer->address.host)};
}

// Reason code of a DISCONNECT that came after the connection was up.
NetEvent goneEvent(std::uint32_t data) {
    return data == std::uint32_t(DisconnectReason::Lost) ? NetEvent::ConnectionLost
                                                         : NetEvent::DisconnectionNotification;
}

// Runs inside enet_host_service for every datagram the host's socket receives, ENet's own
// included. Only an exact ping is taken; it is answered only while no guest is connected, so
// a host that is busy vanishes from other players' lists.
int ENET_CALLBACK answerLanPing(ENetHost* host, ENetEvent*) {
    if (!isLanPing(host->receivedData, host->receivedDataLength))
        return 0;
    if (host->connectedPeers == 0) {
        ENetBuffer buffer;
        buffer.data = const_cast<std::uint8_t*>(kPong);
        buffer.dataLength = sizeof kPong;
        enet_socket_send(host->socket, &host->receivedAddress, &buffer, 1);
    }
    return 1;
}

// The library would otherwise take a packet of up to 32 MB from anybody who can reach the port,
// and reserve its whole size as soon as the first fragment arrives. A longer one is refused
// by the library before any of it is kept; the sender sees its link time out.
void boundPackets(ENetHost* host) {
    host->maximumPacketSize = kMaxPacketBytes;
}

void sendReliable(ENetHost* host, ENetPeer* peer, const Bytes& message) {
    ENetPacket* packet =
        enet_packet_create(message.data(), message.size(), ENET_PACKET_FLAG_RELIABLE);
    if (packet == nullptr)
        return;
    if (enet_peer_send(peer, 0, packet) < 0) {
        if (packet->referenceCount == 0)
            enet_packet_destroy(packet);
        return;
    }
    // Out now: a disconnect that follows drops whatever is still queued.
    enet_host_flush(host);
}

// Disconnects `peer` with `reason` and services `host` until the peer's DISCONNECT arrives
// or waitMs pass. Anything else that arrives meanwhile belongs to a link being closed.
void disconnectAndWait(ENetHost* host, ENetPeer* peer, DisconnectReason reason, int waitMs) {
    const bool wasUp = peer->state == ENET_PEER_STATE_CONNECTED;
    enet_peer_disconnect(peer, std::uint32_t(reason));
    enet_host_flush(host);
    if (!wasUp) // a peer that was still connecting is reset at once and reports nothing
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return;
        ENetEvent ev;
        const int got = enet_host_service(host, &ev, enet_uint32(left));
        if (got < 0)
            return;
        if (got == 0)
            continue;
        if (ev.type == ENET_EVENT_TYPE_RECEIVE)
            enet_packet_destroy(ev.packet);
        else if (ev.type == ENET_EVENT_TYPE_DISCONNECT && ev.peer == peer)
            return;
    }
}

// Tells the peer (when there is one) why, waits up to waitMs for it to hear, then closes the
// endpoint.
void closeEndpoint(ENetHost*& host, ENetPeer*& peer, DisconnectReason reason, int waitMs) {
    if (peer != nullptr)
        disconnectAndWait(host, peer, reason, waitMs);
    enet_host_flush(host);
    enet_host_destroy(host);
    host = nullptr;
    peer = nullptr;
}

std::string trimmed(std::string text) {
    ConfigStore::trim(text);
    return text;
}

} // namespace

bool initialiseNetworking() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        ready = enet_initialize() == 0;
        if (ready)
            std::atexit(enet_deinitialize);
    });
    return ready;
}

std::string dottedAddress(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

bool isLanPing(const std::uint8_t* data, std::size_t length) {
    return sameBytes(data, length, kPing, sizeof kPing);
}

bool isLanPong(const std::uint8_t* data, std::size_t length) {
    return sameBytes(data, length, kPong, sizeof kPong);
}

Bytes lanPing() {
    return Bytes(std::begin(kPing), std::end(kPing));
}

Bytes lanPong() {
    return Bytes(std::begin(kPong), std::end(kPong));
}

// ---------------------------------------------------------------- host

HostEndpoint::~HostEndpoint() {
    if (host_ != nullptr)
        enet_host_destroy(host_);
}

bool HostEndpoint::start(std::uint16_t port, const Timeouts& timeouts, std::string& error) {
    if (host_ != nullptr) {
        error = "the game endpoint is already open";
        return false;
    }
    if (!initialiseNetworking()) {
        error = "the network library could not be started";
        return false;
    }
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    errno = 0;
    // Two slots: the guest, and one to tell a second guest that the game is full.
    host_ = enet_host_create(&address, 2, 1, 0, 0);
    const int cause = errno;
    if (host_ == nullptr) {
        const std::string what = "UDP port " + std::to_string(port);
        if (cause == EADDRINUSE)
            error = what + " is in use";
        else if (cause == EACCES)
            error = what + " may not be opened (permission denied)";
        else if (cause != 0)
            error = what + " cannot be opened: " + std::strerror(cause);
        else
            error = what + " cannot be opened";
        return false;
    }
    host_->intercept = answerLanPing;
    boundPackets(host_);
    timeouts_ = timeouts;
    guest_ = nullptr;
    return true;
}

void HostEndpoint::send(const Bytes& message) {
    if (host_ != nullptr && guest_ != nullptr)
        sendReliable(host_, guest_, message);
}

void HostEndpoint::dropGuest(DisconnectReason reason) {
    if (host_ == nullptr || guest_ == nullptr)
        return;
    enet_peer_disconnect(guest_, std::uint32_t(reason));
    enet_host_flush(host_);
    // Its DISCONNECT still comes through pump(); it no longer matches guest_ and is dropped.
    guest_ = nullptr;
}

void HostEndpoint::shutDown(DisconnectReason reason, int waitMs) {
    if (host_ != nullptr)
        closeEndpoint(host_, guest_, reason, waitMs);
}

void HostEndpoint::pump(std::deque<Received>& out) {
    if (host_ == nullptr)
        return;
    ENetEvent ev;
    while (enet_host_service(host_, &ev, 0) > 0) {
        switch (ev.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (guest_ == nullptr) {
                guest_ = ev.peer;
                enet_peer_timeout(guest_, 0, timeouts_.playMinimum, timeouts_.playMaximum);
                out.push_back(event(NetEvent::NewIncomingConnection, guest_));
            } else {
                // Disconnected rather than reset, so the second guest hears why.
                enet_peer_disconnect(ev.peer, std::uint32_t(DisconnectReason::Full));
            }
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (ev.peer == guest_ && ev.packet->dataLength > 0)
                out.push_back(packetItem(ev));
            enet_packet_destroy(ev.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (ev.peer == guest_) {
                out.push_back(event(goneEvent(ev.data), guest_));
                guest_ = nullptr;
            }
            break;
        case ENET_EVENT_TYPE_NONE:
            break;
        }
    }
    enet_host_flush(host_);
}

int HostEndpoint::descriptor() const {
    return host_ != nullptr ? int(host_->socket) : -1;
}

// ---------------------------------------------------------------- guest

GuestEndpoint::~GuestEndpoint() {
    if (host_ != nullptr)
        enet_host_destroy(host_);
}

bool GuestEndpoint::connect(std::uint32_t address, std::uint16_t port, const Timeouts& timeouts) {
    if (host_ != nullptr || !initialiseNetworking())
        return false;
    host_ = enet_host_create(nullptr, 1, 1, 0, 0);
    if (host_ == nullptr)
        return false;
    boundPackets(host_);
    ENetAddress target;
    target.host = htonl(address);
    target.port = port;
    peer_ = enet_host_connect(host_, &target, 1, 0);
    if (peer_ == nullptr) {
        enet_host_destroy(host_);
        host_ = nullptr;
        return false;
    }
    timeouts_ = timeouts;
    connected_ = false;
    enet_peer_timeout(peer_, timeouts.connectLimit, timeouts.connectMinimum,
                      timeouts.connectMaximum);
    enet_host_flush(host_);
    return true;
}

void GuestEndpoint::send(const Bytes& message) {
    if (host_ != nullptr && peer_ != nullptr && connected_)
        sendReliable(host_, peer_, message);
}

void GuestEndpoint::shutDown(DisconnectReason reason, int waitMs) {
    if (host_ == nullptr)
        return;
    closeEndpoint(host_, peer_, reason, waitMs);
    connected_ = false;
}

void GuestEndpoint::pump(std::deque<Received>& out) {
    if (host_ == nullptr)
        return;
    ENetEvent ev;
    while (enet_host_service(host_, &ev, 0) > 0) {
        if (ev.peer != peer_) {
            if (ev.type == ENET_EVENT_TYPE_RECEIVE)
                enet_packet_destroy(ev.packet);
            continue;
        }
        switch (ev.type) {
        case ENET_EVENT_TYPE_CONNECT:
            connected_ = true;
            enet_peer_timeout(peer_, 0, timeouts_.playMinimum, timeouts_.playMaximum);
            out.push_back(event(NetEvent::ConnectionAccepted, peer_));
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (ev.packet->dataLength > 0)
                out.push_back(packetItem(ev));
            enet_packet_destroy(ev.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT: {
            // A full host accepts the connection and then closes it with its reason, so "full"
            // can arrive after the connection was reported.
            NetEvent code = NetEvent::ConnectionAttemptFailed;
            if (ev.data == std::uint32_t(DisconnectReason::Full))
                code = NetEvent::NoFreeIncomingConnections;
            else if (connected_)
                code = goneEvent(ev.data);
            out.push_back(event(code, peer_));
            peer_ = nullptr;
            connected_ = false;
            break;
        }
        case ENET_EVENT_TYPE_NONE:
            break;
        }
    }
    enet_host_flush(host_);
}

int GuestEndpoint::descriptor() const {
    return host_ != nullptr ? int(host_->socket) : -1;
}

// ---------------------------------------------------------------- LAN search

LanSearch::~LanSearch() {
    stop();
}

bool LanSearch::start(const std::string& broadcast, std::uint16_t port) {
    stop();
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (inet_pton(AF_INET, broadcast.c_str(), &target.sin_addr) != 1)
        return false;
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0)
        return false;
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(kLanSearchPort);
    // The search port is only a convention: when another program holds it, any port will do,
    // since the host answers to wherever the ping came from.
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        local.sin_port = 0;
        if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            stop();
            return false;
        }
    }
    const Bytes ping = lanPing();
    // A ping that cannot leave (no route) simply gets no answers.
    sendto(socket_, ping.data(), ping.size(), 0, reinterpret_cast<const sockaddr*>(&target),
           sizeof target);
    return true;
}

std::vector<std::uint32_t> LanSearch::poll() {
    std::vector<std::uint32_t> found;
    if (socket_ < 0)
        return found;
    std::uint8_t buffer[512];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = recvfrom(socket_, buffer, sizeof buffer, 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            break; // EAGAIN: nothing more for now; anything else ends this poll as well
        }
        if (from.sin_family == AF_INET && isLanPong(buffer, std::size_t(got)))
            found.push_back(ntohl(from.sin_addr.s_addr));
    }
    return found;
}

void LanSearch::stop() {
    if (socket_ >= 0)
        close(socket_);
    socket_ = -1;
}

// ---------------------------------------------------------------- address lookup

// Owned jointly by the lookup and its worker, so an abandoned worker writes into memory that
// is still its own.
struct AddressLookup::Shared {
    std::mutex mutex;
    State state = State::Pending;
    std::uint32_t address = 0;
};

AddressLookup::AddressLookup() = default;

AddressLookup::~AddressLookup() = default;

void AddressLookup::start(const std::string& text) {
    cancel();
    if (parseIPv4(text, address_)) {
        state_ = State::Resolved;
        return;
    }
    const std::string name = trimmed(text);
    if (name.empty() || name.find('\0') != std::string::npos) {
        state_ = State::Failed;
        return;
    }
    auto shared = std::make_shared<Shared>();
    try {
        std::thread([shared, name] {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_DGRAM;
            addrinfo* list = nullptr;
            std::uint32_t address = 0;
            const bool ok = getaddrinfo(name.c_str(), nullptr, &hints, &list) == 0 &&
                            list != nullptr && list->ai_addr != nullptr &&
                            list->ai_addr->sa_family == AF_INET;
            if (ok)
                address =
                    ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
            if (list != nullptr)
                freeaddrinfo(list);
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->address = address;
            shared->state = ok ? State::Resolved : State::Failed;
        }).detach();
    } catch (const std::system_error&) {
        state_ = State::Failed;
        return;
    }
    shared_ = std::move(shared);
    state_ = State::Pending;
}

AddressLookup::State AddressLookup::poll() {
    if (state_ == State::Pending && shared_) {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        state_ = shared_->state;
        address_ = shared_->address;
    }
    if (state_ != State::Pending)
        shared_.reset();
    return state_;
}

void AddressLookup::cancel() {
    shared_.reset();
    state_ = State::Idle;
    address_ = 0;
}

bool parseIPv4(const std::string& text, std::uint32_t& address) {
    const std::string quad = trimmed(text);
    in_addr parsed{};
    if (quad.empty() || quad.find('\0') != std::string::npos ||
        inet_pton(AF_INET, quad.c_str(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

} // namespace korvane::net
