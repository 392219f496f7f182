#include "session.h"

#include "rules/position.h"

namespace korvane::net {

namespace {

const char* const kPeerLeftLine = "Remote player disconnected.";
const char* const kPeerLostLine = "Connection with remote player lost.";

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

} // namespace

NetSession::NetSession(GameState& state, NetView& view, BoardView& board, SessionOptions options)
    : state_(state), view_(view), board_(board), options_(std::move(options)) {
    initialiseNetworking();
}

NetSession::~NetSession() {
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
        return guest_ && guest_->connected() && state_.networkGame();
    return false;
}

bool NetSession::gameLive() const {
    return state_.networkGame() && isColour(state_.sideToMove) && !state_.joinPending;
}

bool NetSession::peerToMove() const {
    return isColour(state_.sideToMove) &&
           colourOf(state_.sideToMove) != localColour(state_.gameMode);
}

bool NetSession::mayChoosePromotion() const {
    if (!state_.promotionPending)
        return false;
    if (!state_.networkGame())
        return true;
    return state_.promotionColour == localColour(state_.gameMode);
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

void NetSession::orientView() {
    const bool wantFlipped = localColour(state_.gameMode) == Black;
    if (state_.viewFlipped != wantFlipped) {
        state_.viewFlipped = wantFlipped;
        board_.turnView();
    }
}

void NetSession::endQuestion(bool gameOver) {
    state_.question = Question::None;
    state_.questionMine = false;
    claimPending_ = false;
    if (gameOver)
        state_.sideToMove = Turn::Over;
    view_.questionClosed();
}

void NetSession::cancelQuestion() {
    if (state_.question != Question::None)
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
    state_.gameMode = GameMode::NetworkWhite;
    state_.hostRole = true;
    state_.question = Question::None;
    orientView();
    if (flow_)
        flow_->newGame();
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
    state_.hostRole = false;
    state_.gameMode = GameMode::Joining;
    role_ = Role::Guest;
    joinStarted_ = Clock::now();
    lookup_ = std::make_unique<AddressLookup>();
    lookup_->start(address);
    // A numeric address answers at once; a name waits for the frame step.
    service();
}

void NetSession::failJoin() {
    closeLink(DisconnectReason::Left);
    state_.gameMode = GameMode::None;
    view_.connectFailed();
}

void NetSession::leave() {
    if (!state_.networkGame())
        return;
    cancelQuestion();
    closeLink(DisconnectReason::Left);
    state_.gameMode = GameMode::None;
    state_.joinPending = false;
    state_.promotionPending = false;
    state_.selectionKind = -2;
    board_.hideArrow();
    board_.resetPieceLooks(White);
    board_.resetPieceLooks(Black);
    board_.repaintSquares(-1, -1);
}

void NetSession::newGame() {
    if (!state_.networkGame() || role_ != Role::Host)
        return;
    send(encodeNewGame());
    cancelQuestion();
    if (flow_)
        flow_->newGame();
    view_.newGameStarted();
}

void NetSession::switchSides() {
    if (!state_.networkGame() || role_ != Role::Host)
        return;
    cancelQuestion();
    const int colour = localColour(state_.gameMode) == White ? Black : White;
    state_.gameMode = networkModeFor(colour);
    send(encodeSwitchSides(colour));
    if (flow_)
        flow_->clearSelection();
    orientView();
}

void NetSession::resign() {
    if (!gameLive() || state_.question != Question::None)
        return;
    state_.sideToMove = Turn::Over;
    state_.promotionPending = false;
    send(encodeResign());
    view_.resigned(localColour(state_.gameMode) == White ? Black : White);
}

void NetSession::offerDraw() {
    sendDrawOffer(false);
}

void NetSession::claimDraw() {
    if (peerToMove() || !flow_ || flow_->canClaimDraw() == DrawReason::None)
        return;
    sendDrawOffer(true);
}

void NetSession::sendDrawOffer(bool claim) {
    if (!gameLive() || !linkUp() || state_.question != Question::None || state_.promotionPending)
        return;
    state_.question = Question::Draw;
    state_.questionMine = true;
    claimPending_ = claim;
    send(encodeBare(MessageId::DrawOffer));
    view_.chatLine(claim ? "You have claimed a draw." : "You have offered draw.");
}

void NetSession::requestRevoke() {
    // Only the player who just moved may ask, and only for a move there is to take back.
    if (!gameLive() || !linkUp() || state_.question != Question::None || state_.promotionPending ||
        !peerToMove() || !flow_ || !flow_->position().board.record.moved.valid)
        return;
    state_.question = Question::Revoke;
    state_.questionMine = true;
    send(encodeBare(MessageId::RevokeRequest));
    view_.chatLine("You want to revoke your move.");
}

void NetSession::answerDraw(bool accept) {
    if (state_.question != Question::Draw || state_.questionMine)
        return;
    send(encodeBare(accept ? MessageId::DrawAccepted : MessageId::DrawDeclined));
    endQuestion(accept);
    view_.chatLine(accept ? "You have accepted draw." : "You have declined draw.");
}

void NetSession::answerRevoke(bool accept) {
    if (state_.question != Question::Revoke || state_.questionMine)
        return;
    state_.question = Question::None;
    if (accept && !(flow_ && flow_->revokeLastMove()))
        accept = false;
    send(encodeBare(accept ? MessageId::RevokeAccepted : MessageId::RevokeDeclined));
    view_.questionClosed();
    view_.chatLine(accept ? "You have accepted move revoking."
                          : "You have declined move revoking.");
}

void NetSession::sendChat(const std::string& text) {
    const std::string line = cleanText(text, kMaxChatBytes);
    if (line.empty() || !state_.networkGame())
        return;
    send(encodeChat(line));
    view_.chatLine(playerName_ + "(me): " + line);
}

void NetSession::closeConnecting() {
    if (state_.gameMode == GameMode::Joining)
        closeLink(DisconnectReason::Left);
    if (state_.gameMode == GameMode::Joining || role_ == Role::None)
        state_.gameMode = GameMode::None;
}

void NetSession::closeError() {
    if (role_ == Role::None || role_ == Role::Guest)
        closeLink(DisconnectReason::Left);
    state_.gameMode = GameMode::None;
    state_.joinPending = false;
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

// ---------------------------------------------------------------- what the rules send

void NetSession::pieceSelected(int kind, int index) {
    send(encodePieceSelected(kind, index));
}

void NetSession::movePlayed(int kind, int index, int ordinal) {
    send(encodeMove(kind, index, ordinal));
}

void NetSession::promotionChosen(int pawnIndex, int pieceCode) {
    send(encodePromotion(pawnIndex, pieceCode));
}

void NetSession::sideToMoveChanged() {
    // A guest that arrived during a promotion choice gets the position once it is complete.
    if (positionOwed_ && !state_.promotionPending && role_ == Role::Host &&
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
    if (state_.gameMode == GameMode::Joining &&
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
        if (role_ == Role::Guest && state_.gameMode == GameMode::Joining)
            failJoin();
        else
            dropOutOfState();
        break;
    case NetEvent::NewIncomingConnection:
        if (role_ != Role::Host)
            return dropOutOfRole();
        guestIdentified_ = false;
        guestSince_ = Clock::now();
        send(encodeHostBlock(localColour(state_.gameMode),
                             isColour(state_.sideToMove) ? colourOf(state_.sideToMove) : -1,
                             playerName_));
        if (state_.promotionPending) {
            // The choice still to come would travel as a Move the new guest has already seen
            // in the position: the position goes once the choice is made.
            positionOwed_ = true;
            state_.deferredSend = false;
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
    if (!flow_)
        return;
    Position& position = flow_->position();
    for (int colour = 0; colour < 2; ++colour)
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            const Fig& p = position.sets[colour].pieces[slot];
            // A dead piece's square means nothing; an unused reserve has none at all.
            const bool placed = onBoard(p.x, p.y);
            send(encodePieceState(colour, p.kind, p.index, p.alive || p.kind == KingKind,
                                  placed ? p.x : 0, placed ? p.y : 0));
        }
    send(encodeGameDetails(flow_->details()));
    // Both sides forget the last move: the guest never saw it played.
    flow_->forgetLastMove();
}

void NetSession::peerGone(bool lost) {
    if (role_ == Role::Host) {
        if (!hostEndpoint_)
            return;
        cancelQuestion();
        // The guest's own promotion choice will never come; the game goes on with a queen.
        if (state_.promotionPending && flow_ && !mayChoosePromotion())
            flow_->completePromotion(QueenKind);
        positionOwed_ = false;
        guestIdentified_ = false;
        peerName_.clear();
        view_.chatLine(lost ? kPeerLostLine : kPeerLeftLine);
        return;
    }
    if (role_ != Role::Guest)
        return dropOutOfState();
    if (state_.gameMode == GameMode::Joining) {
        failJoin();
        return;
    }
    state_.question = Question::None;
    state_.questionMine = false;
    closeLink(DisconnectReason::Left);
    // The game on this side is over: nothing on the board moves any more.
    state_.sideToMove = Turn::Over;
    state_.promotionPending = false;
    state_.joinPending = false;
    state_.selectionKind = -2;
    board_.hideArrow();
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
    if (state_.gameMode != GameMode::Joining)
        return dropOutOfState();
    if (refusal || d.version != kProtocolVersion) {
        closeLink(DisconnectReason::Refused);
        state_.gameMode = GameMode::None;
        view_.sessionRefused();
        return;
    }
    const int colour = d.colour == White ? Black : White;
    state_.gameMode = networkModeFor(colour);
    orientView();
    peerName_ = d.text;
    if (flow_)
        flow_->beginJoin(d.sideToMove == White   ? Turn::White
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
    if (role_ == Role::None || !state_.networkGame())
        return dropOutOfState();
    if (hostOnly && !guest)
        return dropOutOfRole();
    if (role_ == Role::Host && !guestIdentified_)
        return dropOutOfState();

    if (state_.joinPending) {
        if (id == MessageId::PieceState) {
            if (!flow_ || !flow_->applyPieceState(d.colour, d.kind, d.index, d.alive, d.x, d.y))
                dropOutOfState();
            return;
        }
        if (id == MessageId::GameDetails) {
            if (flow_)
                flow_->finishJoin(&d.details);
            return;
        }
        // A host that sends no details has finished its position with the last piece.
        if (flow_)
            flow_->finishJoin(nullptr);
    } else if (id == MessageId::PieceState || id == MessageId::GameDetails) {
        return dropOutOfState();
    }

    switch (id) {
    case MessageId::Chat:
        view_.chatLine(peerName_ + ": " + d.text);
        break;
    case MessageId::NewGame:
        cancelQuestion();
        if (flow_)
            flow_->newGame();
        view_.newGameStarted();
        break;
    case MessageId::SwitchSides:
        cancelQuestion();
        state_.gameMode = networkModeFor(d.colour == White ? Black : White);
        if (flow_)
            flow_->clearSelection();
        orientView();
        break;
    case MessageId::Move:
        if (!peerToMove() || !flow_ || !flow_->receiveMove(d.kind, d.index, d.ordinal))
            dropOutOfState();
        break;
    case MessageId::PieceSelected:
        if (!peerToMove() || !flow_ || !flow_->receivePieceSelected(d.kind, d.index))
            dropOutOfState();
        break;
    case MessageId::Promotion:
        if (!state_.promotionPending || mayChoosePromotion() || !flow_ ||
            !flow_->receivePromotion(d.index, d.pieceCode))
            dropOutOfState();
        break;
    case MessageId::Resign:
        if (!gameLive())
            return dropOutOfState();
        cancelQuestion();
        state_.sideToMove = Turn::Over;
        state_.promotionPending = false;
        view_.resigned(localColour(state_.gameMode));
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
    const Question open = state_.question;
    const bool mine = state_.questionMine;
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
        if (open != Question::None || state_.promotionPending)
            return dropOutOfState();
        // The offer of a player on move who may claim a draw is that claim: this game, which
        // has seen the same moves, checks it and the game ends without asking anybody.
        if (peerToMove() && flow_ && flow_->canClaimDraw() != DrawReason::None) {
            send(encodeBare(MessageId::DrawAccepted));
            view_.chatLine("Your opponent has claimed a draw.");
            flow_->endByClaim();
            return;
        }
        state_.question = Question::Draw;
        state_.questionMine = false;
        view_.questionAsked(Question::Draw);
        view_.chatLine("You opponent has offered you a draw.");
        return;
    case MessageId::DrawAccepted:
    case MessageId::DrawDeclined:
        if (open != Question::Draw || !mine)
            return dropOutOfState();
        if (claimPending_ && id == MessageId::DrawAccepted && flow_) {
            // The claim's own end, with its reason; an accepted offer is a draw either way.
            state_.question = Question::None;
            state_.questionMine = false;
            claimPending_ = false;
            if (!flow_->endByClaim())
                state_.sideToMove = Turn::Over;
            view_.questionClosed();
            return;
        }
        endQuestion(id == MessageId::DrawAccepted);
        view_.chatLine(id == MessageId::DrawAccepted ? "Draw have been accepted."
                                                     : "Draw have been declined.");
        return;
    case MessageId::RevokeRequest:
        // Asked for on the asker's opponent's turn, that is this side's.
        if (!gameLive() || open != Question::None || state_.promotionPending || peerToMove())
            return dropOutOfState();
        if (!flow_ || !flow_->position().board.record.moved.valid) {
            // Nothing to take back: declined at once, the turn stays where it is.
            send(encodeBare(MessageId::RevokeDeclined));
            return;
        }
        state_.question = Question::Revoke;
        state_.questionMine = false;
        view_.questionAsked(Question::Revoke);
        view_.chatLine("You opponent want to revoke his move.");
        return;
    case MessageId::RevokeAccepted:
    case MessageId::RevokeDeclined:
        if (open != Question::Revoke || !mine)
            return dropOutOfState();
        state_.question = Question::None;
        state_.questionMine = false;
        if (id == MessageId::RevokeAccepted && flow_)
            flow_->revokeLastMove();
        view_.questionClosed();
        view_.chatLine(id == MessageId::RevokeAccepted ? "Move revoking has been accepted."
                                                       : "Move revoking has been declined.");
        return;
    default:
        return dropOutOfState();
    }
}

} // namespace korvane::net
