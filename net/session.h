// The network session: the one link to the peer, the host or guest role, the LAN search, and
// everything received applied to the game through its doors. It follows the game to tell the
// peer this side's moves, and reports what happened through a NetView. Everything runs on the
// frame thread.
#pragma once

#include "game/game.h"
#include "net_ports.h"
#include "transport.h"
#include "wire.h"

#include <array>
#include <chrono>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace korvane::net {

enum class Role { None, Host, Guest };

struct SessionOptions {
    Timeouts timeouts;
    std::uint16_t port = kGamePort;
    std::string broadcast = kBroadcastAddress;
    double lanSearchSeconds = 5.0;
    // A join that has not reached the host's block by then has failed, whatever ENet says.
    double joinDeadlineSeconds = 6.0;
    // How long a deliberate disconnect waits for the peer to hear it.
    int disconnectWaitMs = 100;
};

// Why received items were dropped, for tests and diagnostics.
struct DropCounts {
    int malformed = 0;  // the bytes do not fit the layout
    int unknown = 0;    // an identifier nobody handles
    int outOfRole = 0;  // a message the sender's role may not send
    int outOfState = 0; // does not fit the current state of the game or link
    int total() const { return malformed + unknown + outOfRole + outOfState; }
};

// The session is also the peer's player in the game: the peer's moves arrive as messages and
// go through the game's door; asked for a move, it waits for the peer.
class NetSession : public GameObserver, public Player {
  public:
    PlayerKind kind() const override { return PlayerKind::Network; }
    // Follows `game` from here on; both must outlive the session.
    NetSession(Game& game, NetView& view, SessionOptions options = {});
    ~NetSession() override;
    NetSession(const NetSession&) = delete;
    NetSession& operator=(const NetSession&) = delete;

    // ---- requests from the player ----
    // False when the game port cannot be opened (the view has been told why).
    bool host(const std::string& playerName);
    void searchLan();
    void connect(const std::string& address, const std::string& playerName);
    void leave();
    void newGame();
    void switchSides();
    void resign();
    void offerDraw();
    // On this side's turn, with a draw by repetition or the fifty-move rule to claim: goes to
    // the peer as a draw offer. A peer that finds the same claim in its own game accepts it
    // at once, and both games end as that draw; one that does not sees an ordinary offer.
    void claimDraw();
    void requestRevoke();
    void answerDraw(bool accept);
    void answerRevoke(bool accept);
    // Sends a chat line and shows it as the player's own; empty text does nothing.
    void sendChat(const std::string& text);
    void closeConnecting();
    void closeError();
    // The operations above by their GUI name.
    void request(NetRequest request, const std::string& playerName);

    // Whether the local player may choose the piece of the pending promotion: never the
    // peer's.
    bool mayChoosePromotion() const;

    // ---- the frame's network step ----
    // Moves whatever the endpoints have received into the queue. Cheap; may run at any time.
    void pump();
    bool trafficWaiting() const { return !queue_.empty() || !lanAnswers_.empty(); }
    // Applies every queued item in arrival order, then the LAN search step and deadlines.
    void service();
    // One received item, as if an endpoint had delivered it: byte 0 a connection event code
    // or a message identifier. Anything the current role and state cannot take is dropped
    // and counted.
    void handleReceived(const std::uint8_t* data, std::size_t length);
    // An endpoint or the LAN search is open, so traffic may arrive while the loop idles.
    bool socketsOpen() const;

    // ---- what the probe and the screens read ----
    Role role() const { return role_; }
    const std::string& peerName() const { return peerName_; }
    // A peer is connected and identified: chat and questions work.
    bool linkUp() const;
    const DropCounts& drops() const { return drops_; }
    bool lanSearchRunning() const { return search_ != nullptr; }

    // GameObserver: this side's selections and moves go to the peer.
    void selectionChanged(const Game& game) override;
    void moveMade(const Game& game, const MoveEvent& move) override;
    void promotionChosen(const Game& game, const MoveEvent& move, int pieceCode) override;

  private:
    using Clock = std::chrono::steady_clock;

    void send(const Bytes& message);
    void handle(const Received& item);
    void handleEvent(NetEvent event);
    void handleBlock(const Decoded& d);
    void handleMessage(const Decoded& d);
    void handleQuestion(MessageId id);
    // An offer, or with `claim` a claim, when a question may be asked now.
    void sendDrawOffer(bool claim);
    void sendPosition();
    void peerGone(bool lost);
    void closeLink(DisconnectReason reason);
    void failJoin();
    // The host's position is one no game can reach: the guest leaves.
    void refusePosition();
    // Before the game ends on the peer's word: the peer's pending promotion gets a queen.
    void settlePeerPromotion();
    // The open question is over; `gameOver` when its answer ended the game (a draw agreed).
    void endQuestion(bool gameOver);
    void cancelQuestion();
    const GameState& state() const { return game_.state(); }
    bool localMover(int colour) const;
    int peerColour() const;
    // After every completed move, local or received.
    void moveCompleted();
    bool gameLive() const;
    bool peerToMove() const;
    void dropOutOfState() { ++drops_.outOfState; }
    void dropOutOfRole() { ++drops_.outOfRole; }
    void endLanSearch();

    Game& game_;
    NetView& view_;
    SessionOptions options_;

    Role role_ = Role::None;
    std::string playerName_;
    std::string peerName_;
    bool guestIdentified_ = false; // host: the guest's block has arrived
    Clock::time_point guestSince_; // host: when the current guest connected
    bool positionOwed_ = false;    // host: a guest joined during a promotion choice
    bool deferredMove_ = false;    // this side's move waits for its promotion piece
    bool claimPending_ = false;    // the open draw offer is this side's claim
    DropCounts drops_;

    std::deque<Received> queue_;
    std::vector<std::uint32_t> lanAnswers_;
    std::set<std::uint32_t> lanFound_;
    Clock::time_point searchStarted_;
    Clock::time_point joinStarted_;

    // Endpoints last: they go first at teardown, while the state they report into still lives.
    std::unique_ptr<AddressLookup> lookup_;
    std::unique_ptr<LanSearch> search_;
    std::unique_ptr<GuestEndpoint> guest_;
    std::unique_ptr<HostEndpoint> hostEndpoint_;
};

} // namespace korvane::net
