#include "session.h"

#include "game/game.h"

namespace korvane::net {

namespace {

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

NetSession::NetSession(Game& game, NetView& view, SessionOptions options)
    : game_(game), view_(view), options_(std::move(options)) {
    initialiseNetworking();
    game_.addObserver(*this);
}

NetSession::~NetSession() {
    game_.removeObserver(*this);
    if (game_.seats(*this))
        game_.leave();
    // A program that ends tells its peer, so the other side does not wait for a time-out.
    if (hostEndpoint_ && hostEndpoint_->started())
        hostEndpoint_->shutDown(DisconnectReason::Left, options_.disconnectWaitMs);
    if (guest_)
        guest_->shutDown(DisconnectReason::Left, options_.disconnectWaitMs);
}

// ---------------------------------------------------------------- state helpers

bool NetSession::linkUp() const {
    if (role_ == Role::Host)
        return hostEndpoint_ && hostEndpoint_->hasGuest() && guestIdentified_;
    if (role_ == Role::Guest)
        return guest_ && guest_->connected() && state().networkGame();
    return false;
}

bool NetSession::gameLive() const {
    return state().networkGame() && isColour(state().sideToMove) && !state().joinPending;
}

bool NetSession::peerToMove() const {
    return isColour(state().sideToMove) && colourOf(state().sideToMove) != state().localColour();
}

bool NetSession::mayChoosePromotion() const {
    return state().mayChoosePromotion();
}

bool NetSession::socketsOpen() const {
    return (hostEndpoint_ && hostEndpoint_->descriptor() >= 0) ||
           (guest_ && guest_->descriptor() >= 0) || (search_ && search_->descriptor() >= 0);
}

// Everything after the position goes out in order behind it, so a move made before the
// guest's block has arrived still reaches the guest; endpoints drop what has no peer.
void NetSession::send(const Bytes& message) {
    if (message.empty())
        return;
    if (role_ == Role::Host && hostEndpoint_)
        hostEndpoint_->send(message);
    else if (role_ == Role::Guest && guest_)
        guest_->send(message);
}

void NetSession::endQuestion(bool gameOver) {
    claimPending_ = false;
    game_.closeQuestion(gameOver);
    view_.questionClosed();
}

void NetSession::cancelQuestion() {
    if (state().question != Question::None)
        endQuestion(false);
}

void NetSession::closeLink(DisconnectReason reason) {
    if (hostEndpoint_ && hostEndpoint_->started())
        hostEndpoint_->shutDown(reason, options_.disconnectWaitMs);
    hostEndpoint_.reset();
    if (guest_)
        guest_->shutDown(reason, options_.disconnectWaitMs);
    guest_.reset();
    lookup_.reset();
    // Whatever the closed endpoints had already delivered belongs to a link that is gone.
    queue_.clear();
    role_ = Role::None;
    peerName_.clear();
    guestIdentified_ = false;
    positionOwed_ = false;
}

// ---------------------------------------------------------------- requests

bool NetSession::host(const std::string& playerName) {
    closeLink(DisconnectReason::Left);
    endLanSearch();
    auto endpoint = std::make_unique<HostEndpoint>();
    std::string error;
    if (!endpoint->start(options_.port, options_.timeouts, error)) {
        view_.hostingFailed(error);
        return false;
    }
    hostEndpoint_ = std::move(endpoint);
    role_ = Role::Host;
    playerName_ = cleanText(playerName, kMaxNameBytes);
    deferredMove_ = false;
    game_.seatAgainst(*this, White);
    game_.newGame();
    view_.hostingStarted();
    return true;
}

void NetSession::searchLan() {
    search_ = std::make_unique<LanSearch>();
    lanFound_.clear();
    lanAnswers_.clear();
    view_.lanSearchStarted();
    if (!search_->start(options_.broadcast, options_.port)) {
        search_.reset();
        view_.lanSearchEnded(0);
        return;
    }
    searchStarted_ = Clock::now();
}

void NetSession::endLanSearch() {
    if (!search_)
        return;
    search_.reset();
    lanAnswers_.clear();
    view_.lanSearchEnded(int(lanFound_.size()));
}

void NetSession::connect(const std::string& address, const std::string& playerName) {
    closeLink(DisconnectReason::Left);
    playerName_ = cleanText(playerName, kMaxNameBytes);
    game_.awaitSeat();
    role_ = Role::Guest;
    joinStarted_ = Clock::now();
    lookup_ = std::make_unique<AddressLookup>();
    lookup_->start(address);
    // A numeric address answers at once; a name waits for the frame step.
    service();
}

void NetSession::failJoin() {
    closeLink(DisconnectReason::Left);
    game_.leave();
    view_.connectFailed();
}

void NetSession::leave() {
    if (!state().networkGame())
        return;
    cancelQuestion();
    closeLink(DisconnectReason::Left);
    // Over the menu nobody plays: the board shows the position only.
    game_.leave();
}

void NetSession::newGame() {
    if (!state().networkGame() || role_ != Role::Host)
        return;
    send(encodeNewGame());
    cancelQuestion();
    game_.newGame();
    view_.newGameStarted();
}

void NetSession::switchSides() {
    if (!state().networkGame() || role_ != Role::Host)
        return;
    cancelQuestion();
    const int colour = state().localColour() == White ? Black : White;
    game_.seatAgainst(*this, colour);
    send(encodeSwitchSides(colour));
    game_.clearSelection();
}

void NetSession::resign() {
    if (!gameLive() || state().question != Question::None)
        return;
    const int winner = state().localColour() == White ? Black : White;
    game_.endGame(Outcome::Resignation, winner);
    send(encodeResign());
    view_.resigned(winner);
}

void NetSession::offerDraw() {
    sendDrawOffer(false);
}

void NetSession::claimDraw() {
    if (peerToMove() || game_.canClaimDraw() == DrawReason::None)
        return;
    sendDrawOffer(true);
}

void NetSession::sendDrawOffer(bool claim) {
    if (!gameLive() || !linkUp() || state().question != Question::None || state().promotionPending)
        return;
    game_.openQuestion(Question::Draw, true);
    claimPending_ = claim;
    send(encodeBare(MessageId::DrawOffer));
    view_.chatLine(claim ? "You have claimed a draw." : "You have offered draw.");
}

void NetSession::requestRevoke() {
    // Only the player who just moved may ask, and only for a move there is to take back.
    if (!gameLive() || !linkUp() || state().question != Question::None ||
        state().promotionPending || !peerToMove() || !game_.canRevoke())
        return;
    game_.openQuestion(Question::Revoke, true);
    send(encodeBare(MessageId::RevokeRequest));
    view_.chatLine("You want to revoke your move.");
}

void NetSession::answerDraw(bool accept) {
    if (state().question != Question::Draw || state().questionMine)
        return;
    send(encodeBare(accept ? MessageId::DrawAccepted : MessageId::DrawDeclined));
    endQuestion(accept);
    view_.chatLine(accept ? "You have accepted draw." : "You have declined draw.");
}

void NetSession::answerRevoke(bool accept) {
    if (state().question != Question::Revoke || state().questionMine)
        return;
    game_.closeQuestion();
    if (accept && !game_.revokeLastMove())
        accept = false;
    send(encodeBare(accept ? MessageId::RevokeAccepted : MessageId::RevokeDeclined));
    view_.questionClosed();
    view_.chatLine(accept ? "You have accepted move revoking."
                          : "You have declined move revoking.");
}

void NetSession::sendChat(const std::string& text) {
    const std::string line = cleanText(text, kMaxChatBytes);
    if (line.empty() || !state().networkGame())
        return;
    send(encodeChat(line));
    view_.chatLine(playerName_ + "(me): " + line);
}

void NetSession::closeConnecting() {
    if (state().joining)
        closeLink(DisconnectReason::Left);
    if (state().joining || role_ == Role::None)
        game_.leave();
}

void NetSession::closeError() {
    if (role_ == Role::None || role_ == Role::Guest)
        closeLink(DisconnectReason::Left);
    game_.leave();
}

void NetSession::request(NetRequest request, const std::string& playerName) {
    switch (request) {
    case NetRequest::Host:
        host(playerName);
        break;
    case NetRequest::SearchLan:
        searchLan();
        break;
    case NetRequest::Leave:
        leave();
        break;
    case NetRequest::NewGame:
        newGame();
        break;
    case NetRequest::SwitchSides:
        switchSides();
        break;
    case NetRequest::Resign:
        resign();
        break;
    case NetRequest::OfferDraw:
        offerDraw();
        break;
    case NetRequest::ClaimDraw:
        claimDraw();
        break;
    case NetRequest::RequestRevoke:
        requestRevoke();
        break;
    case NetRequest::AcceptDraw:
        answerDraw(true);
        break;
    case NetRequest::DeclineDraw:
        answerDraw(false);
        break;
    case NetRequest::AcceptRevoke:
        answerRevoke(true);
        break;
    case NetRequest::DeclineRevoke:
        answerRevoke(false);
        break;
    case NetRequest::CloseConnecting:
        closeConnecting();
        break;
    case NetRequest::CloseError:
        closeError();
        break;
    }
}

// ---------------------------------------------------------------- what the peer must hear

bool NetSession::localMover(int colour) const {
    return state().networkGame() && colour == state().localColour();
}

int NetSession::peerColour() const {
    return state().localColour() == White ? Black : White;
}

void NetSession::selectionChanged(const Game& game) {
    const PieceId s = game.selection();
    if (s.any() && localMover(s.colour))
        send(encodePieceSelected(s.kind, s.index));
}

void NetSession::moveMade(const Game&, const MoveEvent& move) {
    if (!state().networkGame())
        return;
    // A move that promotes is reported only once the choice is made, followed by the choice.
    if (move.promotionPending) {
        deferredMove_ = localMover(move.piece.colour);
        return;
    }
    moveCompleted();
    if (localMover(move.piece.colour))
        send(encodeMove(move.piece.kind, move.piece.index, move.ordinal));
}

void NetSession::promotionChosen(const Game&, const MoveEvent& move, int pieceCode) {
    if (!state().networkGame())
        return;
    moveCompleted();
    if (deferredMove_) {
        send(encodeMove(move.piece.kind, move.piece.index, move.ordinal));
        send(encodePromotion(move.piece.index, pieceCode));
    }
    deferredMove_ = false;
}

void NetSession::moveCompleted() {
    // A guest that arrived during a promotion choice gets the position once it is complete.
    if (positionOwed_ && !state().promotionPending && role_ == Role::Host &&
        hostEndpoint_->hasGuest()) {
        positionOwed_ = false;
        sendPosition();
    }
}

// ---------------------------------------------------------------- the frame step

void NetSession::pump() {
    if (hostEndpoint_)
        hostEndpoint_->pump(queue_);
    if (guest_)
        guest_->pump(queue_);
    if (search_)
        for (std::uint32_t a : search_->poll())
            lanAnswers_.push_back(a);
}

void NetSession::service() {
    // The lookup lives only until it has an answer.
    if (lookup_) {
        switch (lookup_->poll()) {
        case AddressLookup::State::Resolved: {
            const std::uint32_t address = lookup_->address();
            lookup_.reset();
            guest_ = std::make_unique<GuestEndpoint>();
            if (!guest_->connect(address, options_.port, options_.timeouts))
                return failJoin();
            break;
        }
        case AddressLookup::State::Failed:
        case AddressLookup::State::Idle:
            return failJoin();
        case AddressLookup::State::Pending:
            break;
        }
    }
    pump();
    // Items are taken one at a time: handling one may close the link and empty the queue.
    while (!queue_.empty()) {
        Received item = std::move(queue_.front());
        queue_.pop_front();
        handle(item);
    }
    if (state().joining && secondsSince(joinStarted_) >= options_.joinDeadlineSeconds)
        failJoin();
    // A guest that never introduced itself (its side gave up on a lossy link) would hold the
    // only slot until ENet's time-out and turn every new attempt away as "full".
    if (role_ == Role::Host && hostEndpoint_ && hostEndpoint_->hasGuest() && !guestIdentified_ &&
        secondsSince(guestSince_) >= options_.joinDeadlineSeconds)
        hostEndpoint_->dropGuest(DisconnectReason::Refused);

    if (search_) {
        for (std::uint32_t address : lanAnswers_)
            if (lanFound_.insert(address).second)
                view_.lanHostFound(dottedAddress(address));
        lanAnswers_.clear();
        if (secondsSince(searchStarted_) >= options_.lanSearchSeconds)
            endLanSearch();
    }
}

} // namespace korvane::net
