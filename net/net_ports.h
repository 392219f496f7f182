// The small interfaces between the network session and the screens: what the player asks of
// the network, and what the network has to show. Plain C++, no network library, so the GUI
// depends on these declarations only.
#pragma once

#include "game/game_state.h"

#include <string>

namespace korvane {

// Network operations started from the GUI. The screens make their own window changes first,
// then hand the operation over.
enum class NetRequest {
    Host,          // "NetworkMenu/CreateButton": open the game endpoint as host
    SearchLan,     // the join screen opens, or "JoinGame/RefreshButton"
    Leave,         // "NetworkIngame/LeaveButton"
    NewGame,       // "NetworkIngame/NewButton" (host)
    SwitchSides,   // "NetworkIngame/SwitchButton" (host)
    Resign,        // "NetworkIngame/ResignButton"
    OfferDraw,     // "NetworkIngame/DrawButton"
    RequestRevoke, // "NetworkIngame/RevokeButton"
    AcceptDraw,
    DeclineDraw,
    AcceptRevoke,
    DeclineRevoke,
    CloseConnecting, // "ConnectingPopUp/OKButton"
    CloseError,      // "NetworkErrPopUp/OKButton"
    ClaimDraw,       // "NetworkIngame/ClaimDrawButton": a draw offer the peer checks by rule
};

// What happened on the network, for the screens to show. Every call comes from the frame
// thread, inside the frame's network step or a request.
class NetView {
  public:
    virtual ~NetView() = default;

    // One line for the chat history (already in its final form).
    virtual void chatLine(const std::string& line) = 0;

    // Hosting: the endpoint is up and a new game starts (the host plays White), or it could
    // not be opened, with the reason in words.
    virtual void hostingStarted() = 0;
    virtual void hostingFailed(const std::string& reason) = 0;

    // LAN search: a new search began (the list is emptied), a host answered (each address
    // once per search), the search ended.
    virtual void lanSearchStarted() = 0;
    virtual void lanHostFound(const std::string& address) = 0;
    virtual void lanSearchEnded(int hostsFound) = 0;

    // Joining: the attempt failed (no answer, refused, host full, bad address), or the host
    // accepted and the guest now plays `colour`.
    virtual void connectFailed() = 0;
    virtual void joined(int colour) = 0;
    // The peer's identification was refused or it refused ours: the game screen closes.
    virtual void sessionRefused() = 0;
    // The host's position is one no game can reach (two kings of a side, pieces stacked, a
    // pawn on an edge rank, ...): the guest has left, the game screen closes.
    virtual void positionRefused() = 0;

    // The guest's host left (lost = without a word): the game is no longer live.
    virtual void hostGone(bool lost) = 0;

    // The peer asked a question (a pop-up to answer), or the open question ended, whoever
    // asked it.
    virtual void questionAsked(Question question) = 0;
    virtual void questionClosed() = 0;

    // A new game began (the host's New Game), or a player resigned: `winner` is the colour
    // that won.
    virtual void newGameStarted() = 0;
    virtual void resigned(int winner) = 0;
};

// Shows nothing: for benchmarks and fuzzing, which only drive the session.
class NullNetView : public NetView {
  public:
    void chatLine(const std::string&) override {}
    void hostingStarted() override {}
    void hostingFailed(const std::string&) override {}
    void lanSearchStarted() override {}
    void lanHostFound(const std::string&) override {}
    void lanSearchEnded(int) override {}
    void connectFailed() override {}
    void joined(int) override {}
    void sessionRefused() override {}
    void positionRefused() override {}
    void hostGone(bool) override {}
    void questionAsked(Question) override {}
    void questionClosed() override {}
    void newGameStarted() override {}
    void resigned(int) override {}
};

} // namespace korvane
