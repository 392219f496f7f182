// The received half of the network session: every item an endpoint delivered, checked against
// the role and the state of the game and link, then applied through the game's doors.
#include "session.h"

#include "game/game.h"
#include "rules/make_move.h"

namespace korvane::net {

namespace {

const char* const kPeerLeftLine = "Remote player disconnected.";
const char* const kPeerLostLine = "Connection with remote player lost.";

} // namespace

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
        if (role_ == Role::Guest && state().joining)
            failJoin();
        else
            dropOutOfState();
        break;
    case NetEvent::NewIncomingConnection:
        if (role_ != Role::Host)
            return dropOutOfRole();
        guestIdentified_ = false;
        guestSince_ = Clock::now();
        send(encodeHostBlock(state().localColour(),
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
    if (state().joining) {
        failJoin();
        return;
    }
    closeLink(DisconnectReason::Left);
    settlePeerPromotion();
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
    if (!state().joining)
        return dropOutOfState();
    if (refusal || d.version != kProtocolVersion) {
        closeLink(DisconnectReason::Refused);
        game_.leave();
        view_.sessionRefused();
        return;
    }
    const int colour = d.colour == White ? Black : White;
    game_.seatAgainst(*this, colour);
    peerName_ = d.text;
    game_.beginJoin(d.sideToMove == White   ? Turn::White
                    : d.sideToMove == Black ? Turn::Black
                                            : Turn::Over);
    view_.joined(colour);
    view_.chatLine("Connected to:");
    view_.chatLine(peerName_);
    send(encodeGuestBlock(playerName_));
}

void NetSession::settlePeerPromotion() {
    // The peer's choice will never come now: its pawn becomes a queen, as a gone guest's does
    // on the host, rather than stay on the last rank of the final board.
    if (state().promotionPending && !mayChoosePromotion())
        game_.completePromotion(QueenKind);
}

void NetSession::refusePosition() {
    // The host hears an ordinary leave; only this player is told why.
    closeLink(DisconnectReason::Left);
    view_.positionRefused();
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
            if (!game_.finishJoin(&d.details))
                refusePosition();
            return;
        }
        // A host that sends no details has finished its position with the last piece.
        if (!game_.finishJoin(nullptr))
            return refusePosition();
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
        game_.seatAgainst(*this, d.colour == White ? Black : White);
        game_.clearSelection();
        break;
    case MessageId::Move:
        if (!peerToMove() ||
            game_.submit(peerColour(), moveOf(game_.position(), peerColour(),
                                              {d.kind, d.index, d.ordinal})) != Refusal::None)
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
        settlePeerPromotion();
        game_.endGame(Outcome::Resignation, state().localColour());
        view_.resigned(state().localColour());
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
