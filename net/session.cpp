#include "session.h"

#include "game/game.h"

namespace korvane::net {

namespace {

const char* const kPeerLeftLine = "Remote player disconnected.";
const char* const kPeerLostLine = "Connection with remote player lost.";

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
    return isColour(state().sideToMove) &&
           colourOf(state().sideToMove) != localColour(state().gameMode);
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
    game_.setMode(GameMode::NetworkWhite);
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
    game_.setMode(GameMode::Joining);
    role_ = Role::Guest;
    joinStarted_ = Clock::now();
    lookup_ = std::make_unique<AddressLookup>();
    lookup_->start(address);
    // A numeric address answers at once; a name waits for the frame step.
    service();
}

void NetSession::failJoin() {
    closeLink(DisconnectReason::Left);
    game_.setMode(GameMode::None);
    view_.connectFailed();
}

void NetSession::leave() {
    if (!state().networkGame())
        return;
    cancelQuestion();
    closeLink(DisconnectReason::Left);
    // Over the menu nobody plays: the board shows the position only.
    game_.setMode(GameMode::None);
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
    const int colour = localColour(state().gameMode) == White ? Black : White;
    game_.setMode(networkModeFor(colour));
    send(encodeSwitchSides(colour));
    game_.clearSelection();
}

void NetSession::resign() {
    if (!gameLive() || state().question != Question::None)
        return;
    const int winner = localColour(state().gameMode) == White ? Black : White;
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
    if (state().gameMode == GameMode::Joining)
        closeLink(DisconnectReason::Left);
    if (state().gameMode == GameMode::Joining || role_ == Role::None)
        game_.setMode(GameMode::None);
}

void NetSession::closeError() {
    if (role_ == Role::None || role_ == Role::Guest)
        closeLink(DisconnectReason::Left);
    game_.setMode(GameMode::None);
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
    return state().networkGame() && colour == localColour(state().gameMode);
}

int NetSession::peerColour() const {
    return localColour(state().gameMode) == White ? Black : White;
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
    if (state().gameMode == GameMode::Joining &&
        secondsSince(joinStarted_) >= options_.joinDeadlineSeconds)
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

void NetSession::handle(const Received& item) {
    handleReceived(item.data.data(), item.data.size());
}

void NetSession::handleReceived(const std::uint8_t* data, std::size_t length) {
    Decoded d;
    const DropReason reason = decode(data, length, d);
    if (reason == DropReason::Unknown) {
        ++drops_.unknown;
        return;
    }
    if (reason != DropReason::Accepted) {
        ++drops_.malformed;
        return;
    }
    if (d.id >= std::uint8_t(NetEvent::ConnectionAccepted) &&
        d.id <= std::uint8_t(NetEvent::ConnectionLost)) {
        handleEvent(NetEvent(d.id));
    } else if (d.id == std::uint8_t(NetEvent::Pong)) {
        // LAN search answers belong to the search socket, not to the game endpoint.
        ++drops_.outOfRole;
    } else if (d.id == std::uint8_t(NetEvent::ReceivedStaticData)) {
        handleBlock(d);
    } else {
        handleMessage(d);
    }
}

void NetSession::handleEvent(NetEvent event) {
    switch (event) {
    case NetEvent::ConnectionAccepted:
        // The host's block follows.
        break;
    case NetEvent::ConnectionAttemptFailed:
    case NetEvent::NoFreeIncomingConnections:
        if (role_ == Role::Guest && state().gameMode == GameMode::Joining)
            failJoin();
        else
            dropOutOfState();
        break;
    case NetEvent::NewIncomingConnection:
        if (role_ != Role::Host)
            return dropOutOfRole();
        guestIdentified_ = false;
        guestSince_ = Clock::now();
        send(encodeHostBlock(localColour(state().gameMode),
                             isColour(state().sideToMove) ? colourOf(state().sideToMove) : -1,
                             playerName_));
        if (state().promotionPending) {
            // The choice still to come would travel as a Move the new guest has already seen
            // in the position: the position goes once the choice is made.
            positionOwed_ = true;
            deferredMove_ = false;
        } else {
            sendPosition();
        }
        break;
    case NetEvent::DisconnectionNotification:
    case NetEvent::ConnectionLost:
        peerGone(event == NetEvent::ConnectionLost);
        break;
    default:
        dropOutOfState();
        break;
    }
}

void NetSession::sendPosition() {
    const Position& position = game_.position();
    for (int colour = 0; colour < 2; ++colour)
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            const Fig& p = position.sets[colour].pieces[slot];
            // A dead piece's square means nothing; an unused reserve has none at all.
            const bool placed = onBoard(p.x, p.y);
            send(encodePieceState(colour, p.kind, p.index, p.alive || p.kind == KingKind,
                                  placed ? p.x : 0, placed ? p.y : 0));
        }
    send(encodeGameDetails(game_.details()));
    // Both sides forget the last move: the guest never saw it played.
    game_.forgetLastMove();
}

void NetSession::peerGone(bool lost) {
    if (role_ == Role::Host) {
        if (!hostEndpoint_)
            return;
        cancelQuestion();
        // The guest's own promotion choice will never come; the game goes on with a queen.
        if (state().promotionPending && !mayChoosePromotion())
            game_.completePromotion(QueenKind);
        positionOwed_ = false;
        guestIdentified_ = false;
        peerName_.clear();
        view_.chatLine(lost ? kPeerLostLine : kPeerLeftLine);
        return;
    }
    if (role_ != Role::Guest)
        return dropOutOfState();
    if (state().gameMode == GameMode::Joining) {
        failJoin();
        return;
    }
    closeLink(DisconnectReason::Left);
    // The game on this side is over: nothing on the board moves any more.
    game_.endGame(Outcome::Abandoned);
    view_.hostGone(lost);
}

void NetSession::handleBlock(const Decoded& d) {
    const bool refusal = d.blockCode == kRefusalBlockA || d.blockCode == kRefusalBlockB;
    if (role_ == Role::Host) {
        if (!hostEndpoint_->hasGuest())
            return dropOutOfState();
        if (d.blockCode == std::uint8_t(MessageId::HostInfo))
            return dropOutOfRole();
        if (refusal || d.version != kProtocolVersion) {
            // Only this guest goes; the host's game carries on for the next one.
            hostEndpoint_->dropGuest(DisconnectReason::Refused);
            guestIdentified_ = false;
            return;
        }
        guestIdentified_ = true;
        if (d.text != peerName_) {
            peerName_ = d.text;
            view_.chatLine("Player connected:");
            view_.chatLine(peerName_);
        }
        return;
    }
    if (role_ != Role::Guest)
        return dropOutOfState();
    if (d.blockCode == std::uint8_t(MessageId::GuestInfo))
        return dropOutOfRole();
    if (state().gameMode != GameMode::Joining)
        return dropOutOfState();
    if (refusal || d.version != kProtocolVersion) {
        closeLink(DisconnectReason::Refused);
        game_.setMode(GameMode::None);
        view_.sessionRefused();
        return;
    }
    const int colour = d.colour == White ? Black : White;
    game_.setMode(networkModeFor(colour));
    peerName_ = d.text;
    game_.beginJoin(d.sideToMove == White   ? Turn::White
                    : d.sideToMove == Black ? Turn::Black
                                            : Turn::Over);
    view_.joined(colour);
    view_.chatLine("Connected to:");
    view_.chatLine(peerName_);
    send(encodeGuestBlock(playerName_));
}

void NetSession::handleMessage(const Decoded& d) {
    const MessageId id = MessageId(d.id);
    const bool guest = role_ == Role::Guest;
    // Only the host sets the game up; a guest's word on it is ignored.
    const bool hostOnly = id == MessageId::NewGame || id == MessageId::SwitchSides ||
                          id == MessageId::PieceState || id == MessageId::GameDetails;
    if (role_ == Role::None || !state().networkGame())
        return dropOutOfState();
    if (hostOnly && !guest)
        return dropOutOfRole();
    if (role_ == Role::Host && !guestIdentified_)
        return dropOutOfState();

    if (state().joinPending) {
        if (id == MessageId::PieceState) {
            if (!game_.applyPieceState(d.colour, d.kind, d.index, d.alive, d.x, d.y))
                dropOutOfState();
            return;
        }
        if (id == MessageId::GameDetails) {
            game_.finishJoin(&d.details);
            return;
        }
        // A host that sends no details has finished its position with the last piece.
        game_.finishJoin(nullptr);
    } else if (id == MessageId::PieceState || id == MessageId::GameDetails) {
        return dropOutOfState();
    }

    switch (id) {
    case MessageId::Chat:
        view_.chatLine(peerName_ + ": " + d.text);
        break;
    case MessageId::NewGame:
        cancelQuestion();
        game_.newGame();
        view_.newGameStarted();
        break;
    case MessageId::SwitchSides:
        cancelQuestion();
        game_.setMode(networkModeFor(d.colour == White ? Black : White));
        game_.clearSelection();
        break;
    case MessageId::Move:
        if (!peerToMove() || game_.submit(peerColour(), PieceId{peerColour(), d.kind, d.index},
                                          d.ordinal) != Refusal::None)
            dropOutOfState();
        break;
    case MessageId::PieceSelected:
        if (!peerToMove() || !game_.selectPiece(peerColour(), d.kind, d.index))
            dropOutOfState();
        break;
    case MessageId::Promotion:
        if (!state().promotionPending || mayChoosePromotion() ||
            state().promotionPawnIndex != d.index || !game_.completePromotion(d.pieceCode))
            dropOutOfState();
        break;
    case MessageId::Resign:
        if (!gameLive())
            return dropOutOfState();
        cancelQuestion();
        game_.endGame(Outcome::Resignation, localColour(state().gameMode));
        view_.resigned(localColour(state().gameMode));
        break;
    case MessageId::DrawOffer:
    case MessageId::DrawAccepted:
    case MessageId::DrawDeclined:
    case MessageId::RevokeRequest:
    case MessageId::RevokeAccepted:
    case MessageId::RevokeDeclined:
        handleQuestion(id);
        break;
    default:
        dropOutOfState();
        break;
    }
}

void NetSession::handleQuestion(MessageId id) {
    const Question open = state().question;
    const bool mine = state().questionMine;
    switch (id) {
    case MessageId::DrawOffer:
        if (!gameLive())
            return dropOutOfState();
        if (open == Question::Draw && mine) {
            // Both offered at once: that is an agreement.
            endQuestion(true);
            view_.chatLine("Draw have been accepted.");
            return;
        }
        if (open != Question::None || state().promotionPending)
            return dropOutOfState();
        // The offer of a player on move who may claim a draw is that claim: this game, which
        // has seen the same moves, checks it and the game ends without asking anybody.
        if (peerToMove() && game_.canClaimDraw() != DrawReason::None) {
            send(encodeBare(MessageId::DrawAccepted));
            view_.chatLine("Your opponent has claimed a draw.");
            game_.endByClaim();
            return;
        }
        game_.openQuestion(Question::Draw, false);
        view_.questionAsked(Question::Draw);
        view_.chatLine("You opponent has offered you a draw.");
        return;
    case MessageId::DrawAccepted:
    case MessageId::DrawDeclined:
        if (open != Question::Draw || !mine)
            return dropOutOfState();
        if (claimPending_ && id == MessageId::DrawAccepted) {
            // The claim's own end, with its reason; an accepted offer is a draw either way.
            claimPending_ = false;
            game_.closeQuestion();
            if (!game_.endByClaim())
                game_.endGame(Outcome::AgreedDraw);
            view_.questionClosed();
            return;
        }
        endQuestion(id == MessageId::DrawAccepted);
        view_.chatLine(id == MessageId::DrawAccepted ? "Draw have been accepted."
                                                     : "Draw have been declined.");
        return;
    case MessageId::RevokeRequest:
        // Asked for on the asker's opponent's turn, that is this side's.
        if (!gameLive() || open != Question::None || state().promotionPending || peerToMove())
            return dropOutOfState();
        if (!game_.canRevoke()) {
            // Nothing to take back: declined at once, the turn stays where it is.
            send(encodeBare(MessageId::RevokeDeclined));
            return;
        }
        game_.openQuestion(Question::Revoke, false);
        view_.questionAsked(Question::Revoke);
        view_.chatLine("You opponent want to revoke his move.");
        return;
    case MessageId::RevokeAccepted:
    case MessageId::RevokeDeclined:
        if (open != Question::Revoke || !mine)
            return dropOutOfState();
        game_.closeQuestion();
        if (id == MessageId::RevokeAccepted)
            game_.revokeLastMove();
        view_.questionClosed();
        view_.chatLine(id == MessageId::RevokeAccepted ? "Move revoking has been accepted."
                                                       : "Move revoking has been declined.");
        return;
    default:
        return dropOutOfState();
    }
}

} // namespace korvane::net
